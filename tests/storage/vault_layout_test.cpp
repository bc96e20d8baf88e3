// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/vault_layout.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "kestramo/vault_location.h"
#include "temp_dir.h"

namespace kestramo {

TEST(VaultLayoutTest, ItemNamesAreTenDigitsUnderTheirDirectories) {
  VaultLayout layout("/v");
  EXPECT_EQ(VaultLayout::ItemBaseName(7), "item0000000007");
  EXPECT_EQ(layout.ItemFile(7), std::filesystem::path("/v/coffrel/item0000000007.dat"));
  EXPECT_EQ(layout.TempArchive(2147483647), std::filesystem::path("/v/temp/item2147483647.zip"));
  EXPECT_EQ(layout.TempEncrypted(12), std::filesystem::path("/v/temp/item0000000012.dat"));
  EXPECT_EQ(layout.BackupIndexFile(), std::filesystem::path("/v/backup/index.dat"));
}

// Where the vault goes when none is named: the portable layout keeps it beside the program;
// an installed program (its skin in ../share/kestramo) or a folder not the user's does not.
TEST(VaultLayoutTest, TheDefaultVaultFollowsTheProgramsLayout) {
  testing::TempDir dir;
  namespace fs = std::filesystem;
  fs::create_directories(dir / "portable");
  fs::create_directories(dir / "usr/bin");
  fs::create_directories(dir / "usr/share/kestramo");
  std::ofstream(dir / "usr/share/kestramo/kqxres.rcc") << "skin";
  fs::create_directories(dir / "other/bin");  // a bin folder without the shared files
  setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
  EXPECT_EQ(api::DefaultVaultDir(dir / "portable"), dir / "portable");
  EXPECT_EQ(api::DefaultVaultDir(dir / "other/bin"), dir / "other/bin");
  EXPECT_EQ(api::InstalledDataDir(dir / "usr/bin"), dir / "usr/share/kestramo");
  EXPECT_EQ(api::DefaultVaultDir(dir / "usr/bin"), dir / "data/kestramo");
  setenv("XDG_DATA_HOME", "relative/data", 1);  // ignored, as the base directory rules say
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", (dir / "home").c_str(), 1);
  EXPECT_EQ(api::UserVaultDir(), dir / "home/.local/share/kestramo");
  unsetenv("XDG_DATA_HOME");
  // Made with its parents, for its owner alone whatever the mask.
  const mode_t mask = ::umask(0);
  EXPECT_TRUE(api::MakePrivateDir(api::UserVaultDir()));
  ::umask(mask);
  EXPECT_EQ(fs::status(api::UserVaultDir()).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_TRUE(api::MakePrivateDir(api::UserVaultDir()));
  std::ofstream(dir / "file") << "x";
  EXPECT_FALSE(api::MakePrivateDir(dir / "file"));
  setenv("HOME", home.c_str(), 1);
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
// What someone who can write the vault's folder may plant there: links, FIFOs and devices in
// place of its folders and files are refused by name, and nothing outside the vault changes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <map>

#include "storage/vault/durable_file.h"
#include "storage/vault/vault.h"
#include "storage/vault/vault_lock.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;
using testing::Contents;
using testing::ReadFile;
using testing::WriteFile;

// The user's own folder, holding names the vault's cleaning deletes in its own folders.
std::map<std::string, std::string> PlantDecoy(const fs::path& decoy) {
  for (const char* name : {"item0000000001.zip", "item0000000001.dat", "index.dat", "index.dat.tmp"})
    WriteFile(decoy / name, std::string("the user's ") + name);
  WriteFile(decoy / "verify" / "kept.txt", "the user's");
  return Contents(decoy);
}

class VaultFolderTest : public ::testing::Test {
 protected:
  VaultFolderTest() {
    Vault made(base);
    made.LoadIndex();
    made.Items().Append();
    made.SaveIndex();
    decoyFiles = PlantDecoy(decoy);
  }
  testing::TempDir dir;
  const fs::path base = dir / "vault";
  const fs::path decoy = dir / "decoy";
  std::map<std::string, std::string> decoyFiles;
};

TEST_F(VaultFolderTest, AnythingButAFolderInPlaceOfOneOfTheVaultsIsRefusedByName) {
  const struct {
    const char* kind;
    std::function<void(const fs::path&)> plant;
    const char* said;
  } plants[] = {
      {"a link to the user's folder", [&](const fs::path& p) { fs::create_directory_symlink(decoy, p); },
       "symbolic link"},
      {"a FIFO", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }, "FIFO"},
      {"a file", [](const fs::path& p) { WriteFile(p, "x"); }, "a file"},
  };
  for (const char* folder : {"coffrel", "backup", "temp"}) {
    for (const auto& p : plants) {
      SCOPED_TRACE(std::string(folder) + " as " + p.kind);
      const fs::path moved = dir / "moved";
      fs::rename(base / folder, moved);
      p.plant(base / folder);
      Vault vault(base);
      const IndexLoadReport report = vault.LoadIndex();
      EXPECT_EQ(report.outcome, IndexLoadReport::Outcome::Unsafe);
      EXPECT_NE(report.detail.find((base / folder).string()), std::string::npos) << report.detail;
      EXPECT_NE(report.detail.find(p.said), std::string::npos) << report.detail;
      EXPECT_EQ(Vault(base).OpenFolder().code, api::Code::Refused);
      EXPECT_EQ(Contents(decoy), decoyFiles);
      fs::remove(base / folder);
      fs::rename(moved, base / folder);
    }
  }
}

TEST_F(VaultFolderTest, AFolderSwappedForALinkAfterOpeningIsNeverFollowed) {
  Vault vault(base);
  ASSERT_EQ(vault.LoadIndex().outcome, IndexLoadReport::Outcome::Loaded);
  for (const char* folder : {"coffrel", "backup", "temp"}) {
    fs::rename(base / folder, base / (std::string(folder) + ".held"));
    fs::create_directory_symlink(decoy, base / folder);
  }
  vault.Items().Append();
  ASSERT_TRUE(vault.SaveIndex());  // stages in temp/, backs up into backup/, replaces coffrel/index.dat
  EXPECT_EQ(Contents(decoy), decoyFiles);
  EXPECT_TRUE(fs::is_regular_file(base / "coffrel.held" / "index.dat"));
  EXPECT_TRUE(fs::is_regular_file(base / "backup.held" / "index.dat"));
  // Messages name the vault's files as the user knows them.
  EXPECT_EQ(vault.Layout().Shown(vault.Layout().IndexFile()), base / "coffrel" / "index.dat");
  EXPECT_EQ(vault.Layout().ShownText("cannot open " + vault.Layout().ItemFile(7).string() + ": no"),
            "cannot open " + (base / "coffrel" / "item0000000007.dat").string() + ": no");
}

TEST_F(VaultFolderTest, OnlyRegularFilesAreReadAndNeverBeyondTheirSize) {
  WriteFile(dir / "regular", "twelve bytes");
  fs::create_symlink(decoy / "index.dat", dir / "link");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  const struct {
    fs::path file;
    uint64_t cap;
    const char* said;  // nullptr: read whole
  } cases[] = {
      {dir / "regular", 12, nullptr},
      {dir / "regular", 11, "larger than 11"},
      {dir / "link", UINT64_MAX, "symbolic link"},
      {dir / "fifo", UINT64_MAX, "FIFO"},   // would block for ever were it waited on
      {"/dev/zero", UINT64_MAX, "device"},  // would fill the memory were it read to its end
      {dir / "missing", UINT64_MAX, "missing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.string());
    const auto start = std::chrono::steady_clock::now();
    const auto bytes = ReadWholeFile(c.file, c.cap);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    if (!c.said) {
      ASSERT_TRUE(bytes.ok());
      EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "twelve bytes");
      continue;
    }
    ASSERT_FALSE(bytes.ok());
    EXPECT_NE(bytes.status().code, api::Code::IoError) << "what is there is no failure of the disk";
    EXPECT_NE(bytes.status().message.find(c.said), std::string::npos) << bytes.status().message;
  }
  // A head is read alone, after the same checks: a file past the cap is still refused.
  const auto head = ReadFileHead(dir / "regular", 12, 6);
  ASSERT_TRUE(head.ok());
  EXPECT_EQ(std::string(head->begin(), head->end()), "twelve");
  EXPECT_EQ(ReadFileHead(dir / "regular", 11, 6).status().code, api::Code::Damaged);
  EXPECT_EQ(ReadFileHead(dir / "fifo", UINT64_MAX, 6).status().code, api::Code::Refused);
}

TEST_F(VaultFolderTest, ADanglingLinkAsTheLockIsRefusedAndCreatesNothing) {
  fs::remove(base / kLockFileName);
  fs::create_symlink(decoy / "made-by-lock", base / kLockFileName);
  VaultLock lock;
  EXPECT_FALSE(lock.TryAcquire(base));
  EXPECT_FALSE(lock.HeldElsewhere());
  EXPECT_NE(lock.Problem().find(kLockFileName), std::string::npos) << lock.Problem();
  EXPECT_FALSE(fs::exists(fs::symlink_status(decoy / "made-by-lock")));
}

}  // namespace
}  // namespace kestramo

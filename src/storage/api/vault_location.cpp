// SPDX-License-Identifier: GPL-3.0-or-later
#include "kestramo/vault_location.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace kestramo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSkinFile = "kqxres.rcc";

}  // namespace

fs::path api::InstalledDataDir(const fs::path& exeDir) {
  if (exeDir.filename() != "bin") return {};
  const fs::path shared = exeDir.parent_path() / "share" / "kestramo";
  std::error_code ec;
  return fs::is_regular_file(shared / kSkinFile, ec) ? shared : fs::path();
}

fs::path api::UserVaultDir() {
  // A relative XDG_DATA_HOME is not to be trusted: the desktop rules say to ignore it.
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && *data == '/') return fs::path(data) / "kestramo";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/") / ".local" / "share" / "kestramo";
}

fs::path api::DefaultVaultDir(const fs::path& exeDir) {
  const bool portable = api::InstalledDataDir(exeDir).empty() && ::access(exeDir.c_str(), W_OK | X_OK) == 0;
  return portable ? exeDir : api::UserVaultDir();
}

bool api::MakePrivateDir(const fs::path& dir) {
  std::error_code ec;
  if (fs::is_directory(dir, ec)) return true;
  fs::create_directories(dir.parent_path(), ec);
  // Made with its final permissions at once: never, for a moment, open to others.
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  return fs::is_directory(dir, ec);
}

}  // namespace kestramo

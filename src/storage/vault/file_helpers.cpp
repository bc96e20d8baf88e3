// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/file_helpers.h"

#include "storage/text/wildcard.h"

#include <ctime>
#include <system_error>
#include <vector>

namespace kestramo {

namespace fs = std::filesystem;

bool ForceDeleteFile(const fs::path& file) {
  std::error_code ec;
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add | fs::perm_options::nofollow, ec);
  return fs::remove(file, ec) && !ec;
}

fs::path SetAsideFile(const fs::path& file, std::string_view label) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
  std::error_code ec;
  for (int n = 0; n < 1000; ++n) {
    std::string suffix = ".";
    suffix.append(label).append("-").append(stamp);
    if (n > 0) suffix.append("-").append(std::to_string(n));
    fs::path aside = file;
    aside += suffix;
    if (fs::exists(fs::symlink_status(aside, ec))) continue;
    fs::rename(file, aside, ec);
    return ec ? fs::path() : aside;
  }
  return {};
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*") pattern = "*";
  return WildcardMatches(pattern, name, '*', '?', [](char a, char b) { return a == b; });
}

bool DeleteMatchingFiles(const fs::path& directory, std::string_view pattern) {
  std::error_code ec;
  std::vector<fs::path> matches;
  for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec)) continue;
    if (WildcardMatch(pattern, it->path().filename().string())) matches.push_back(it->path());
  }
  for (const fs::path& file : matches) {
    if (!ForceDeleteFile(file)) return false;
  }
  return true;
}

bool ShellDeleteTree(const fs::path& path) {
  std::error_code ec;
  fs::remove_all(path, ec);
  return !ec;
}

}  // namespace kestramo

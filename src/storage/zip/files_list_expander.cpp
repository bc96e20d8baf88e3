// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/files_list_expander.h"

#include "storage/text/wildcard.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>

namespace kestramo::zip {
namespace {

class Expander {
 public:
  explicit Expander(const ExpandOptions& options) : options_(options) {}

  void AddPlain(const std::string& entry) {
    const std::string path = entry.find('/') == std::string::npos ? options_.rootDir + entry : entry;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return;  // gone: dropped without a word
    if (IsArchive(st)) return;
    if (!S_ISREG(st.st_mode)) return LeaveOut(path);
    files_.push_back({path, static_cast<uint64_t>(st.st_size)});
  }

  void AddMask(std::string mask) {
    bool recurse = options_.recurse;
    if (!mask.empty() && (mask[0] == '|' || mask[0] == '>')) {
      recurse = mask[0] == '>';
      mask.erase(0, 1);
    }
    const auto slash = mask.find_last_of('/');
    std::string dir = slash == std::string::npos ? options_.rootDir : mask.substr(0, slash + 1);
    std::string pattern = slash == std::string::npos ? mask : mask.substr(slash + 1);
    if (pattern == "*.*") pattern = "*";
    if (dir.empty()) dir = "./";
    Walk(dir, pattern, recurse);
  }

  // Folders alone make no archive: a tree without files stays empty, as before.
  std::vector<ExpandedFile> Take() {
    if (std::all_of(files_.begin(), files_.end(), [](const ExpandedFile& f) { return f.directory; })) files_.clear();
    return std::move(files_);
  }

 private:
  bool IsArchive(const struct stat& st) const {
    return st.st_dev == options_.excludeDevice && st.st_ino == options_.excludeInode;
  }

  void LeaveOut(const std::string& path) {
    if (options_.onLeftOut) options_.onLeftOut(path);
  }

  // dir ends with '/'.
  void Walk(const std::string& dir, const std::string& pattern, bool recurse) {
    const size_t before = files_.size();
    const bool read = WalkEntries(dir, pattern, recurse);
    if (read && options_.emptyFolders && depth_ > 0 && files_.size() == before)
      files_.push_back({dir.substr(0, dir.size() - 1), 0, true});
  }

  // False when the folder cannot be read, and is left out.
  bool WalkEntries(const std::string& dir, const std::string& pattern, bool recurse) {
    std::unique_ptr<DIR, int (*)(DIR*)> handle(opendir(dir.c_str()), closedir);
    if (!handle) {
      LeaveOut(dir.substr(0, dir.size() - 1));
      return false;
    }
    while (const dirent* d = readdir(handle.get())) {
      const std::string name = d->d_name;
      if (name == "." || name == "..") continue;
      const std::string path = dir + name;
      struct stat st {};
      // Looked up in the open folder: no walk down the whole path for each entry.
      const int at = dirfd(handle.get());
      if (fstatat(at, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) LeaveOut(path);  // a path too long, say; a vanished one is no loss
        continue;
      }
      if (S_ISDIR(st.st_mode)) {
        if (recurse) {
          ++depth_;
          Walk(path + "/", pattern, recurse);
          --depth_;
        }
        continue;
      }
      if (!MatchesMask(name, pattern)) continue;
      if (S_ISLNK(st.st_mode) && fstatat(at, name.c_str(), &st, 0) != 0) {
        LeaveOut(path);  // a link to nothing
        continue;
      }
      if (IsArchive(st)) continue;
      if (!S_ISREG(st.st_mode)) {
        LeaveOut(path);
        continue;
      }
      if (options_.betweenFiles) options_.betweenFiles();
      files_.push_back({path, static_cast<uint64_t>(st.st_size)});
    }
    return true;
  }

  const ExpandOptions& options_;
  std::vector<ExpandedFile> files_;
  int depth_ = 0;  // folders below the mask's own
};

}  // namespace

bool MatchesMask(const std::string& name, const std::string& mask) {
  return WildcardMatches(mask, name, '*', '?', [](char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
  });
}

std::vector<ExpandedFile> ExpandFilesList(const std::vector<std::string>& list, const ExpandOptions& options) {
  Expander expander(options);
  std::vector<std::string> masks;
  for (const auto& entry : list) {
    if (entry.empty() || entry.back() == '/') continue;
    if (entry.find_first_of("*?") != std::string::npos) masks.push_back(entry);
    else expander.AddPlain(entry);
  }
  for (const auto& mask : masks) expander.AddMask(mask);
  return expander.Take();
}

}  // namespace kestramo::zip

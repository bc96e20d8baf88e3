// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "storage/zip/zip_error.h"

namespace kestramo {

enum class OverwriteMode { Prompt = 0, Always = 1, Never = 2, IfNewer = 3, IfOlder = 4 };

// What the overwrite question is told of a file that exists already: the file's name, its
// path inside the archive ('/' separated), the existing file, and both copies' size and
// modification time (seconds since the epoch). A question that needs only the name reads
// the case as that text.
struct OverwriteCase {
  std::string fileName;
  std::string pathInArchive;
  std::string target;
  uint64_t existingSize = 0;
  int64_t existingTime = 0;
  uint64_t newSize = 0;
  int64_t newTime = 0;
  operator const std::string&() const { return fileName; }  // NOLINT(google-explicit-constructor)
};

using OverwritePrompt = std::function<bool(const OverwriteCase& existing)>;  // true for Yes

namespace zip {

struct ExtractSettings {
  std::string destDir;  // without a trailing '/'; empty means the working directory
  bool recreateDirs = false;
  bool retainAttributes = true;
  OverwriteMode overwriteMode = OverwriteMode::Prompt;
  bool replaceReadOnly = false;
  OverwritePrompt overwritePrompt;
  // Folders nothing may be written into, and files nothing may replace, by (device, inode),
  // however the path reaches them.
  std::vector<std::pair<uint64_t, uint64_t>> protectedPaths;
  bool acceptZstd = false;  // method 93 entries, written only into hardened items
  bool writeNothing = false;  // entries are only decoded and checked (Test), with no destination
};

struct ExtractHooks {
  std::function<void()> checkCancel;              // cancel check before every read of entry data and after every write
  std::function<void(uint64_t bytes)> onWritten;  // after every piece written
  std::function<void(uint64_t bytes)> onSkipped;  // an entry left out: its size leaves the total
  // An entry abandoned, the run goes on; the error's Detail() names the path at fault and why.
  std::function<void(const ZipError& error)> onEntryError;
  std::function<void(const std::string& path)> onReplaced;  // a file that existed now holds the entry
  // A file that existed still holds what it held: `declined` when the overwrite mode or the
  // answer said so, false when it was to be replaced and could not be.
  std::function<void(const std::string& path, bool declined)> onKept;
};

}  // namespace zip
}  // namespace kestramo

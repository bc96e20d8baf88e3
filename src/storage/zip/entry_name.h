// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestramo::zip {

// The stored bytes and flags of an entry name given as UTF-8 with '/' separators:
// pure ASCII is written as it is, anything else as UTF-8 with the UTF-8 flag.
struct EncodedName {
  std::string bytes;
  uint16_t flags = 0;
};
EncodedName EncodeEntryName(const std::string& utf8Name);

// The UTF-8 text of a stored name: UTF-8 when the flag says so, otherwise the
// OEM code page 437 (with oemConvert) or the bytes as they are.
std::string DecodeEntryName(const std::string& raw, uint16_t flags, bool oemConvert);

// A stored name split into safe components below an extraction directory.
// Empty when the name is absolute ("/x", "\x", "C:\x", "C:x") or climbs with "..";
// both '/' and '\' separate. A trailing separator marks a directory entry.
struct SafeEntryPath {
  std::vector<std::string> directories;
  std::string fileName;  // empty for a directory entry
};
std::optional<SafeEntryPath> SplitSafeEntryPath(const std::string& name);

}  // namespace kestramo::zip

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "kestramo/status.h"

namespace kestramo {

// The vault's folder and its coffrel/, backup/ and temp/, each opened once and held: whatever
// is later renamed, removed or planted under these names, the vault keeps working in the
// folders it checked. A link, or anything but a folder of this user's, is refused by name.
class VaultFolder {
 public:
  enum Sub { kCoffrel, kBackup, kTemp, kSubCount };
  static constexpr std::array<const char*, kSubCount> kSubNames = {"coffrel", "backup", "temp"};

  VaultFolder() = default;
  ~VaultFolder();
  VaultFolder(const VaultFolder&) = delete;
  VaultFolder& operator=(const VaultFolder&) = delete;

  // Opens `base` (links on the way to it are the user's own choice and followed) and those of
  // the three folders that exist, making the missing ones (0700) when `create`. Refused, naming
  // the offending entry, when one cannot be opened or is a link or not a folder of this user's.
  api::Status Open(const std::filesystem::path& base, bool create);
  bool IsOpen() const { return base_ >= 0; }
  int BaseFd() const { return base_; }
  int SubFd(Sub sub) const { return subs_[sub]; }
  // The folder's canonical path (links resolved) once opened: the same folder however spelt.
  const std::filesystem::path& Canonical() const { return canonical_; }
  // Whether folders were made by the last Open.
  bool MadeFolders() const { return made_; }

 private:
  api::Status OpenSub(Sub sub, bool create, const std::filesystem::path& shown);

  int base_ = -1;
  std::filesystem::path canonical_;
  std::array<int, kSubCount> subs_{-1, -1, -1};
  bool made_ = false;
};

// A path that reaches an open descriptor's file itself, never what now bears its name.
std::filesystem::path DescriptorPath(int fd);

}  // namespace kestramo

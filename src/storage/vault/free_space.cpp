// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/free_space.h"

#include <sys/statvfs.h>

#include <cstdio>

namespace kestramo {
namespace {

// Headers and directory records of one file, a long name included.
constexpr uint64_t kPerFileOverhead = 1024;

}  // namespace

std::string Amount(uint64_t bytes) {
  // In the unit that shows it: a few megabytes never read as "0.0 GB".
  const char* unit = bytes < (1u << 20) ? "KB" : bytes < (1u << 30) ? "MB" : "GB";
  const double scale = bytes < (1u << 20) ? 1024.0 : bytes < (1u << 30) ? 1024.0 * 1024.0 : 1024.0 * 1024.0 * 1024.0;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", static_cast<double>(bytes) / scale, unit);
  return text;
}

uint64_t RoomToStore(uint64_t bytes, uint64_t files) { return 2 * (bytes + files * kPerFileOverhead); }

std::string SpaceShortfall(const std::filesystem::path& folder, uint64_t needed) {
  struct statvfs fs {};
  if (statvfs(folder.c_str(), &fs) != 0) return {};
  const uint64_t available = static_cast<uint64_t>(fs.f_bavail) * fs.f_frsize;
  if (available >= needed) return {};
  return "storing it needs up to " + Amount(needed) + " of free space in the vault's folder, and only " +
         Amount(available) + " is free";
}

}  // namespace kestramo

#include "storage/vault/free_space.h"

#include <sys/statvfs.h>

#include <cstdio>

namespace kestramo {
namespace {

// Headers and directory records of one file, a long name included.
constexpr uint64_t kPerFileOverhead = 1024;

std::string Amount(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0));
  return text;
}

}  // namespace

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

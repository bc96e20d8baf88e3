#include "storage/vault/vault_layout.h"

#include "storage/vault/durable_file.h"

#include <cstdio>
#include <system_error>

namespace kestramo {

VaultLayout::VaultLayout(std::filesystem::path base) : base_(std::move(base)) {}

std::string VaultLayout::ItemBaseName(int32_t index) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.10d", index);
  return std::string("item") + digits;
}

bool VaultLayout::IsItemFileName(std::string_view name) {
  if (name.size() != kItemFileNameLength || !name.starts_with("item") || !name.ends_with(".dat")) return false;
  return name.substr(4, 10).find_first_not_of("0123456789") == std::string_view::npos;
}

std::filesystem::path VaultLayout::ItemFile(int32_t index) const {
  return CoffrelDir() / (ItemBaseName(index) + ".dat");
}

std::filesystem::path VaultLayout::TempArchive(int32_t index) const {
  return TempDir() / (ItemBaseName(index) + ".zip");
}

std::filesystem::path VaultLayout::TempEncrypted(int32_t index) const {
  return TempDir() / (ItemBaseName(index) + ".dat");
}

bool VaultLayout::HoldsPath(const std::filesystem::path& path) const {
  std::error_code ec;
  const auto target = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
  if (ec) return false;
  for (const auto& dir : {CoffrelDir(), BackupDir(), TempDir()}) {
    const auto own = std::filesystem::weakly_canonical(std::filesystem::absolute(dir, ec), ec);
    if (ec) continue;
    const auto rel = target.lexically_relative(own);
    if (!rel.empty() && *rel.begin() != "..") return true;
  }
  return false;
}

bool VaultLayout::HoldsVault() const {
  std::error_code ec;
  return std::filesystem::is_directory(CoffrelDir(), ec) || std::filesystem::is_regular_file(BackupIndexFile(), ec);
}

bool VaultLayout::EnsureDirectories() const {
  bool made = false;
  for (const auto& dir : {CoffrelDir(), BackupDir(), TempDir()}) {
    std::error_code ec;
    // The user's alone, whatever the umask: temp/ holds plain archives for a while.
    if (!std::filesystem::exists(dir, ec) && std::filesystem::create_directories(dir, ec)) {
      std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
      made = true;
    }
    if (!std::filesystem::is_directory(dir, ec)) return false;
  }
  // New folders are on the disk before anything is written into them.
  if (made) SyncDirectory(base_);
  return true;
}

namespace {

// Folders that a first start cut short may have left: nothing in them but the staging file of
// the first index.
bool HoldsOnlyStaging(const std::filesystem::path& dir) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().filename().string().rfind("index.dat", 0) != 0 || !it->is_regular_file(ec)) return false;
  }
  return !ec;
}

}  // namespace

bool VaultLayout::IsUnused() const {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(base_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::filesystem::path& entry = it->path();
    if (entry.filename() == kLockFileName && it->is_regular_file(ec)) continue;
    if ((entry == BackupDir() || entry == TempDir()) && it->is_directory(ec) && HoldsOnlyStaging(entry)) continue;
    return false;
  }
  return !ec;
}

}  // namespace kestramo

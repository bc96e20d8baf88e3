#include "storage/vault/vault_layout.h"

#include <cstdio>
#include <system_error>

namespace kestramo {

VaultLayout::VaultLayout(std::filesystem::path base) : base_(std::move(base)) {}

std::string VaultLayout::ItemBaseName(int32_t index) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%.10d", index);
  return std::string("item") + digits;
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

bool VaultLayout::EnsureDirectories() const {
  for (const auto& dir : {CoffrelDir(), BackupDir(), TempDir()}) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec)) return false;
  }
  return true;
}

}  // namespace kestramo

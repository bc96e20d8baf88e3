// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/vault_layout.h"

#include "storage/vault/durable_file.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace kestramo {

VaultLayout::VaultLayout(std::filesystem::path base)
    : base_(std::move(base)), folder_(std::make_shared<VaultFolder>()) {}

api::Status VaultLayout::Open(bool create) { return folder_->Open(base_, create); }

std::filesystem::path VaultLayout::SubDir(VaultFolder::Sub sub) const {
  if (folder_->SubFd(sub) >= 0) return DescriptorPath(folder_->SubFd(sub));
  if (folder_->IsOpen()) return DescriptorPath(folder_->BaseFd()) / VaultFolder::kSubNames[sub];
  return base_ / VaultFolder::kSubNames[sub];
}

std::string VaultLayout::BelowBase(const std::filesystem::path& file) const {
  for (int sub = 0; sub < VaultFolder::kSubCount; ++sub) {
    if (file.parent_path() == SubDir(static_cast<VaultFolder::Sub>(sub))) {
      return std::string(VaultFolder::kSubNames[sub]) + "/" + file.filename().string();
    }
  }
  return {};
}

std::optional<std::filesystem::path> VaultLayout::FromBelowBase(std::string_view below) const {
  const std::size_t slash = below.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  const std::string_view name = below.substr(slash + 1);
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos ||
      name.find('\0') != std::string_view::npos) {
    return std::nullopt;
  }
  for (int sub = 0; sub < VaultFolder::kSubCount; ++sub) {
    if (below.substr(0, slash) == VaultFolder::kSubNames[sub]) {
      return SubDir(static_cast<VaultFolder::Sub>(sub)) / std::string(name);
    }
  }
  return std::nullopt;
}

std::filesystem::path VaultLayout::Shown(const std::filesystem::path& path) const { return ShownText(path.string()); }

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

std::string VaultLayout::ShownText(std::string text) const {
  // Folders first, then the base: a folder's path begins like no other descriptor's.
  auto replace = [&text](const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    while (at != std::string::npos) {
      const std::size_t end = at + from.size();
      // Another descriptor whose number starts alike is left alone.
      const bool alike = end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]));
      if (!alike) text.replace(at, from.size(), to);
      at = text.find(from, alike ? end : at + to.size());
    }
  };
  for (int sub = 0; sub < VaultFolder::kSubCount; ++sub) {
    const int fd = folder_->SubFd(static_cast<VaultFolder::Sub>(sub));
    if (fd >= 0) replace(DescriptorPath(fd).string(), (base_ / VaultFolder::kSubNames[sub]).string());
  }
  if (folder_->IsOpen()) replace(DescriptorPath(folder_->BaseFd()).string(), base_.string());
  return text;
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
  // Whatever bears these names counts (links included): opening then says what is wrong.
  return std::filesystem::exists(std::filesystem::symlink_status(base_ / "coffrel", ec)) ||
         std::filesystem::exists(std::filesystem::symlink_status(base_ / "backup" / "index.dat", ec));
}

api::Status VaultLayout::EnsureDirectories() const {
  if (api::Status opened = folder_->Open(base_, true); !opened.ok()) return opened;
  // New folders are on the disk before anything is written into them.
  if (folder_->MadeFolders() && !SyncDirectory(DescriptorPath(folder_->BaseFd()))) {
    return api::Status::Fail(
        api::Code::IoError,
        "the vault's new folders could not be flushed to the disk (" + std::string(std::strerror(errno)) + ")", base_);
  }
  return api::Status::Ok();
}

namespace {

// Folders that a first start cut short may have left: nothing in them but the staging file of
// the first index.
bool HoldsOnlyStaging(const std::filesystem::path& dir) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const bool staged = it->path().filename().string().rfind("index.dat", 0) == 0;
    if (!staged || it->symlink_status(ec).type() != std::filesystem::file_type::regular) return false;
  }
  return !ec;
}

}  // namespace

bool VaultLayout::IsUnused() const {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(base_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::filesystem::path& entry = it->path();
    const auto type = it->symlink_status(ec).type();
    if (entry.filename() == kLockFileName && type == std::filesystem::file_type::regular) continue;
    if ((entry.filename() == "backup" || entry.filename() == "temp") && type == std::filesystem::file_type::directory &&
        HoldsOnlyStaging(entry)) {
      continue;
    }
    return false;
  }
  return !ec;
}

}  // namespace kestramo

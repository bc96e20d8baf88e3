// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "storage/vault/vault_folder.h"

namespace kestramo {

// The lock that a program of ours holds on a vault, beside coffrel/.
inline constexpr const char* kLockFileName = "kestramo.lock";

// Where a vault keeps its files: everything hangs off one base directory
// (the executable's directory for the desktop program, anywhere for tests and the CLI).
// Once opened, every path below reaches the folders checked and held then, never a link or
// anything else put in their place later.
class VaultLayout {
 public:
  explicit VaultLayout(std::filesystem::path base);

  // Opens the vault's folder and its coffrel/, backup/ and temp/ (made when `create`); Refused,
  // naming a link or another thing where one of them belongs.
  api::Status Open(bool create);
  // The folder's own descriptor once opened, else -1.
  int BaseFd() const { return folder_->BaseFd(); }

  // The folder's canonical path once opened, else as given.
  std::filesystem::path Canonical() const { return folder_->IsOpen() ? folder_->Canonical() : base_; }
  // The folder as given, for the user to read.
  const std::filesystem::path& Base() const { return base_; }
  std::filesystem::path CoffrelDir() const { return SubDir(VaultFolder::kCoffrel); }
  std::filesystem::path BackupDir() const { return SubDir(VaultFolder::kBackup); }
  std::filesystem::path TempDir() const { return SubDir(VaultFolder::kTemp); }
  // A file right inside coffrel/, backup/ or temp/ as a path below the vault's folder
  // ("coffrel/name"), which outlasts this run's descriptors; empty for any other path.
  std::string BelowBase(const std::filesystem::path& file) const;
  // And back; nothing unless it names a file right inside one of those three folders.
  std::optional<std::filesystem::path> FromBelowBase(std::string_view below) const;
  // A path of the vault's as the user would spell it, for messages.
  std::filesystem::path Shown(const std::filesystem::path& path) const;
  // A message with every such path in it spelt that way.
  std::string ShownText(std::string text) const;

  std::filesystem::path IndexFile() const { return CoffrelDir() / "index.dat"; }
  std::filesystem::path BackupIndexFile() const { return BackupDir() / "index.dat"; }
  std::filesystem::path TempIndexFile() const { return TempDir() / "index.dat"; }
  // Where a conversion to the hardened format stages the re-sealed item files.
  std::filesystem::path HardeningDir() const { return TempDir() / "hardening"; }

  // "item" + Index as ten zero-padded digits.
  static std::string ItemBaseName(int32_t index);
  // Whether a file name is that of an item file: "item", ten digits and ".dat".
  static bool IsItemFileName(std::string_view name);
  static constexpr std::size_t kItemFileNameLength = 18;
  std::filesystem::path ItemFile(int32_t index) const;       // coffrel/itemNNNNNNNNNN.dat
  std::filesystem::path TempArchive(int32_t index) const;    // temp/itemNNNNNNNNNN.zip
  std::filesystem::path TempEncrypted(int32_t index) const;  // temp/itemNNNNNNNNNN.dat

  // Whether `path` is one of coffrel/, backup/ and temp/ or lies below one (links resolved),
  // where the vault's own cleaning and saving would overwrite or delete what is put there.
  bool HoldsPath(const std::filesystem::path& path) const;

  // Whether the base holds a vault's files: coffrel/, or a saved index to restore it from.
  bool HoldsVault() const;
  // Whether a new vault may be made here: the folder is empty, or holds only what a first
  // start cut short leaves (the lock file, backup/ and temp/ with at most a staged index).
  bool IsUnused() const;

  // Opens the vault, creating coffrel/, backup/ and temp/ when missing; a failure when one
  // cannot be made or is not a folder of this user's, or the new ones cannot be flushed.
  api::Status EnsureDirectories() const;

 private:
  std::filesystem::path SubDir(VaultFolder::Sub sub) const;

  std::filesystem::path base_;
  // Shared by copies of the layout, which reach the same folders.
  std::shared_ptr<VaultFolder> folder_;
};

}  // namespace kestramo

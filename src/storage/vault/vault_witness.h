// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kestramo/status.h"
#include "storage/hardened/key_bytes.h"

namespace kestramo {

// What this user's programs have seen of hardened vaults: each vault ID with the folders it
// was opened in (by canonical path: a copy elsewhere is legitimate) and the highest save
// counter opened or written. An index older than that, or another vault in a folder that held
// one, is then noticed. Only what this user saw on this machine is known: a copy rolled back
// before it was ever opened here cannot be told from the real one.
class VaultWitness {
 public:
  struct Entry {
    VaultId id{};
    uint64_t counter = 0;
    std::filesystem::path folder;
  };

  explicit VaultWitness(std::filesystem::path file) : file_(std::move(file)) {}
  // $XDG_STATE_HOME/kestramo/vaults, else ~/.local/state/kestramo/vaults; empty without a home.
  static std::filesystem::path DefaultFile();

  const std::filesystem::path& File() const { return file_; }
  // The record's lines; a failure (its message naming the file and saying how to recover)
  // when it cannot be read or a line of it cannot be parsed, or it or its folder is not
  // private. A record not made yet is empty.
  api::Result<std::vector<Entry>> Read() const;
  static std::optional<Entry> ForFolder(const std::vector<Entry>& entries, const std::filesystem::path& folder);
  static std::optional<Entry> ForVault(const std::vector<Entry>& entries, const VaultId& id);
  // Remembers the vault in this folder at this counter: a counter is never lowered, another
  // vault's entry for this folder is dropped, and every other line is kept. The whole file is
  // written anew and renamed into place; a failure when it cannot be read or written.
  api::Status Record(const VaultId& id, uint64_t counter, const std::filesystem::path& folder) const;

 private:
  std::filesystem::path file_;
};

std::string VaultIdText(const VaultId& id);

}  // namespace kestramo

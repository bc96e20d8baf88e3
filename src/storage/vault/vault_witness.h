#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "storage/hardened/key_bytes.h"

namespace kestramo {

// What this user's programs have seen of hardened vaults: for each vault ID, its folder and
// the highest save counter opened or written. An index older than that, or another vault in
// a folder that held one, is then noticed. Only what this user saw on this machine is known:
// a copy rolled back before it was ever opened here cannot be told from the real one.
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
  std::optional<Entry> ForFolder(const std::filesystem::path& folder) const;
  std::optional<Entry> ForVault(const VaultId& id) const;
  // Remembers the vault in this folder at this counter: a counter is never lowered, and the
  // folder's earlier vault is forgotten. False when the record cannot be written.
  bool Record(const VaultId& id, uint64_t counter, const std::filesystem::path& folder) const;

 private:
  std::vector<Entry> Load() const;

  std::filesystem::path file_;
};

std::string VaultIdText(const VaultId& id);

}  // namespace kestramo

#include "storage/vault/vault_witness.h"

#include <sodium.h>

#include <cstdlib>
#include <sstream>

#include "storage/api/vault_location.h"
#include "storage/vault/durable_file.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kMaxRecordBytes = 1 << 20;

std::optional<VaultId> IdFromText(const std::string& text) {
  VaultId id{};
  std::size_t length = 0;
  if (sodium_hex2bin(id.data(), id.size(), text.data(), text.size(), nullptr, &length, nullptr) != 0 ||
      length != id.size()) {
    return std::nullopt;
  }
  return id;
}

}  // namespace

std::string VaultIdText(const VaultId& id) {
  char text[kVaultIdSize * 2 + 1];
  sodium_bin2hex(text, sizeof text, id.data(), id.size());
  return text;
}

fs::path VaultWitness::DefaultFile() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state && *state == '/') return fs::path(state) / "kestramo" / "vaults";
  const char* home = std::getenv("HOME");
  if (home && *home == '/') return fs::path(home) / ".local" / "state" / "kestramo" / "vaults";
  return {};
}

// One line a vault: its ID in hex, the counter, and the folder (the rest of the line).
std::vector<VaultWitness::Entry> VaultWitness::Load() const {
  std::vector<Entry> entries;
  const auto bytes = ReadWholeFile(file_, kMaxRecordBytes);
  if (!bytes) return entries;
  std::istringstream in(std::string(bytes->begin(), bytes->end()));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string id;
    Entry entry;
    if (!(fields >> id >> entry.counter) || fields.get() != ' ') continue;
    std::string folder;
    std::getline(fields, folder);
    const auto parsed = IdFromText(id);
    if (!parsed || folder.empty()) continue;
    entry.id = *parsed;
    entry.folder = folder;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::optional<VaultWitness::Entry> VaultWitness::ForFolder(const fs::path& folder) const {
  for (const Entry& entry : Load()) {
    if (entry.folder == folder) return entry;
  }
  return std::nullopt;
}

std::optional<VaultWitness::Entry> VaultWitness::ForVault(const VaultId& id) const {
  for (const Entry& entry : Load()) {
    if (entry.id == id) return entry;
  }
  return std::nullopt;
}

bool VaultWitness::Record(const VaultId& id, uint64_t counter, const fs::path& folder) const {
  if (file_.empty() || folder.string().find('\n') != std::string::npos) return false;
  std::vector<Entry> entries = Load();
  std::string text;
  for (const Entry& entry : entries) {
    if (entry.id == id) {
      counter = std::max(counter, entry.counter);
    } else if (entry.folder != folder) {
      text += VaultIdText(entry.id) + " " + std::to_string(entry.counter) + " " + entry.folder.string() + "\n";
    }
  }
  text += VaultIdText(id) + " " + std::to_string(counter) + " " + folder.string() + "\n";
  if (!MakePrivateDir(file_.parent_path())) return false;
  fs::path staging = file_;
  staging += ".tmp";
  return ReplaceFileDurably(file_, staging, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace kestramo

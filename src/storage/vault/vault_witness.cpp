// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/vault_witness.h"

#include <sodium.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "storage/vault/private_file.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kMaxRecordBytes = 1 << 20;
// The first line of a record whose folders are escaped; a record without it holds them as
// they are (one a line, so none with a line break).
constexpr const char* kHeader = "kestramo-vaults 2";

std::optional<VaultId> IdFromText(const std::string& text) {
  VaultId id{};
  std::size_t length = 0;
  if (sodium_hex2bin(id.data(), id.size(), text.data(), text.size(), nullptr, &length, nullptr) != 0 ||
      length != id.size()) {
    return std::nullopt;
  }
  return id;
}

// Any byte may be in a folder's name: the backslash, control bytes and DEL are written as
// \xHH, so that a line always ends the entry.
std::string Escaped(const std::string& raw) {
  std::string out;
  for (const char c : raw) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f && c != '\\') {
      out.push_back(c);
      continue;
    }
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02x", byte);
    out += hex;
  }
  return out;
}

std::optional<std::string> Unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out.push_back(text[i]);
      continue;
    }
    unsigned char byte = 0;
    if (i + 3 >= text.size() || text[i + 1] != 'x' ||
        sodium_hex2bin(&byte, 1, text.data() + i + 2, 2, nullptr, nullptr, nullptr) != 0) {
      return std::nullopt;
    }
    out.push_back(static_cast<char>(byte));
    i += 3;
  }
  return out;
}

std::optional<VaultWitness::Entry> ParseLine(const std::string& line, bool escaped) {
  std::istringstream fields(line);
  std::string id;
  VaultWitness::Entry entry;
  if (!(fields >> id >> entry.counter) || fields.get() != ' ') return std::nullopt;
  std::string folder;
  std::getline(fields, folder);
  const auto parsed = IdFromText(id);
  const auto name = escaped ? Unescaped(folder) : std::optional<std::string>(folder);
  if (!parsed || !name || name->empty() || name->front() != '/') return std::nullopt;
  entry.id = *parsed;
  entry.folder = *name;
  return entry;
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

api::Result<std::vector<VaultWitness::Entry>> VaultWitness::Read() const {
  const auto unusable = [this](api::Code code, const std::string& problem) {
    return api::Status::Fail(code,
                             "this user's record of hardened vaults, " + file_.string() + ", cannot be used (" +
                                 problem +
                                 "); without it an older index put back cannot be told. Moving the file aside "
                                 "starts a new record",
                             file_);
  };
  const auto text = ReadPrivateFile(file_, kMaxRecordBytes);
  if (!text.ok()) return unusable(text.status().code, text.status().message);
  std::vector<Entry> entries;
  std::istringstream in(*text);
  std::string line;
  const bool escaped = text->starts_with(std::string(kHeader) + "\n");
  if (escaped) std::getline(in, line);
  for (int number = escaped ? 2 : 1; std::getline(in, line); ++number) {
    const auto entry = ParseLine(line, escaped);
    if (!entry)
      return unusable(api::Code::Damaged, file_.string() + ": line " + std::to_string(number) + " is damaged");
    entries.push_back(*entry);
  }
  return entries;
}

std::optional<VaultWitness::Entry> VaultWitness::ForFolder(const std::vector<Entry>& entries, const fs::path& folder) {
  for (const Entry& entry : entries) {
    if (entry.folder == folder) return entry;
  }
  return std::nullopt;
}

std::optional<VaultWitness::Entry> VaultWitness::ForVault(const std::vector<Entry>& entries, const VaultId& id) {
  std::optional<Entry> newest;
  for (const Entry& entry : entries) {
    if (entry.id == id && (!newest || entry.counter > newest->counter)) newest = entry;
  }
  return newest;
}

api::Status VaultWitness::Record(const VaultId& id, uint64_t counter, const fs::path& folder) const {
  if (file_.empty()) {
    return api::Status::Fail(
        api::Code::NotFound,
        "no folder for this user's record of hardened vaults (neither XDG_STATE_HOME nor HOME is set)");
  }
  auto entries = Read();
  if (!entries.ok()) return entries.status();
  std::erase_if(*entries, [&](const Entry& e) { return e.folder == folder && e.id != id; });
  for (const Entry& entry : *entries) {
    if (entry.id == id) counter = std::max(counter, entry.counter);
  }
  if (!ForFolder(*entries, folder)) entries->push_back({id, counter, folder});
  std::string text = std::string(kHeader) + "\n";
  for (Entry& entry : *entries) {
    if (entry.id == id) entry.counter = counter;
    text += VaultIdText(entry.id) + " " + std::to_string(entry.counter) + " " + Escaped(entry.folder.string()) + "\n";
  }
  const api::Status written = WritePrivateFile(file_, text);
  if (written.ok()) return written;
  return api::Status::Fail(written.code,
                           "this user's record of hardened vaults could not be written (" + written.message + ")",
                           written.path);
}

}  // namespace kestramo

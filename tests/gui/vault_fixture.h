// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

#include "kestramo/vault.h"
#include "pipeline_fakes.h"
#include "storage/vault/box_rules.h"
#include "storage/vault/item_import.h"
#include "storage/vault/vault_hardening.h"
#include "temp_dir.h"

namespace kestramo::testing {

// A vault in a temporary directory with boxes and items put in through the real pipeline.
class VaultFixture {
 public:
  VaultFixture() {
    std::filesystem::create_directories(dir / "vault");
    Vault v(dir / "vault");
    v.LoadIndex();
  }
  std::filesystem::path Base() const { return dir / "vault"; }

  // Each box gets `items` small files named "<box> file <n>.txt".
  void Fill(const std::vector<std::string>& boxes, int items) {
    Vault v(Base());
    v.LoadIndex();
    RecordingSink sink;
    WorkStatus work;
    FakeShell shell;
    for (const std::string& box : boxes) {
      AddBoxRecord(v, box);
      for (int n = 1; n <= items; ++n) {
        const auto file = dir / "src" / (box + " file " + std::to_string(n) + ".txt");
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << "content of " << file.filename().string()
                            << std::string(static_cast<size_t>(n) * 700, 'x');
        // A fixture that cannot fill its vault would leave every test on it meaningless.
        if (!AddItem(v, file, box, {sink, work}, shell).ok()) std::abort();
      }
    }
    v.SaveIndex();
  }

  // Hardens the vault at a cheap key derivation, so that opening it takes no time; empty when
  // it worked, else why not.
  std::string Harden(const std::string& passphrase) {
    Vault v(Base());
    v.LoadIndex();
    const api::Status hardened = HardenVault(v, passphrase, KdfCost{1, 8 << 20});
    return hardened.ok() ? std::string() : hardened.message + ".";
  }

  TempDir dir;
};

// The records of the index a window works on, as saved: each change is saved at once.
inline ItemTable SavedTable(const api::Vault& vault, const std::string& passphrase = {}) {
  Vault reader(vault.Base());
  if (!passphrase.empty()) reader.OfferPassphrase(passphrase);
  (void)reader.ReadIndex();  // an unreadable index gives no records
  return std::move(reader.Items());
}

inline VaultLayout LayoutOf(const api::Vault& vault) { return VaultLayout(vault.Base()); }

}  // namespace kestramo::testing

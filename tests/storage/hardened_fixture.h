// SPDX-License-Identifier: GPL-3.0-or-later
// A vault in a folder of its own, with the steps the hardened vault's tests share: reopen
// with a passphrase, add and export items, harden.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "pipeline_fakes.h"
#include "storage/vault/item_export.h"
#include "storage/vault/item_import.h"
#include "storage/vault/vault.h"
#include "storage/vault/vault_hardening.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo::testing {

namespace fs = std::filesystem;

constexpr KdfCost kCheapCost{1, 8ull << 20};
constexpr const char* kPassphrase = "long enough phrase";

// Every file below the vault and beside the destination, by path: what a copy would see.
inline std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) files[e.path().lexically_relative(root).string()] = testing::ReadFile(e.path());
  }
  return files;
}

class HardenedVaultTest : public ::testing::Test {
 protected:
  HardenedVaultTest() { Reopen(""); }

  // The vault as a program of this user opens it, with the user's record of hardened vaults.
  IndexLoadReport::Outcome Reopen(const std::string& passphrase, bool acceptOlder = false) {
    vault = std::make_unique<Vault>(dir / "vault");
    vault->UseWitness(dir / "state" / "vaults");
    if (acceptOlder) vault->AcceptOlderIndex();
    vault->OfferPassphrase(passphrase);
    report = vault->LoadIndex();
    return report.outcome;
  }

  int32_t Add(const std::string& name, const std::string& content) {
    testing::WriteFile(dir / "src" / name, content);
    work.Reset();
    if (!AddItem(*vault, dir / "src" / name, "Box", {sink, work}, shell).ok()) return 0;
    return vault->Items().AllRecords().back()[0].AsInteger();
  }

  // The item's bytes as exported into a fresh folder, or "" when the export failed.
  std::string Export(int32_t index, const std::string& name) {
    const fs::path dest = dir / ("out" + std::to_string(++exports));
    fs::create_directories(dest);
    work.Reset();
    const api::Code result =
        ExtractItem(*vault, index, dest, {sink, work}, [](const std::string&) { return false; }).code;
    EXPECT_TRUE(fs::is_empty(vault->Layout().TempDir()));
    if (result != api::Code::Ok) {
      EXPECT_TRUE(fs::is_empty(dest)) << "a failed export leaves nothing behind";
      return "";
    }
    return testing::ReadFile(dest / name);
  }

  void Harden() { ASSERT_TRUE(HardenVault(*vault, kPassphrase, kCheapCost).ok()); }

  TempDir dir;
  std::unique_ptr<Vault> vault;
  RecordingSink sink;
  WorkStatus work;
  FakeShell shell;
  int exports = 0;
  IndexLoadReport report;
};

}  // namespace kestramo::testing

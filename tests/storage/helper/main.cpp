// SPDX-License-Identifier: GPL-3.0-or-later
// A child process for crash-safety tests: it changes a vault in a loop and reports
// each committed step on stdout, so that the test can kill it at any moment.
// Modes: save-loop DIR [PASSPHRASE] (records only; hardened first when a passphrase is
// given), import-loop DIR SOURCES (whole imports), harden DIR PASSPHRASE (one conversion).
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "import_content.h"
#include "storage/vault/item_import.h"
#include "storage/vault/vault.h"
#include "storage/vault/vault_hardening.h"

namespace {

void Report(int n) {
  char line[32];
  const int len = std::snprintf(line, sizeof line, "%d\n", n);
  (void)!::write(1, line, static_cast<size_t>(len));
}

// A cost the kill loops can afford: the format is the same at any cost.
constexpr kestramo::KdfCost kCheapCost{1, 8ull << 20};

// Opens the vault, hardening it first when a passphrase is given and it is still classic.
bool Open(kestramo::Vault& vault, const char* passphrase) {
  if (passphrase) vault.OfferPassphrase(passphrase);
  vault.LoadIndex();
  if (!passphrase || vault.Format() == kestramo::api::Format::Hardened) return true;
  return kestramo::HardenVault(vault, passphrase, kCheapCost).ok();
}

// Appends items numbered after the last one and saves after each.
int SaveLoop(const char* dir, const char* passphrase) {
  kestramo::Vault vault(dir);
  if (!Open(vault, passphrase)) return 2;
  for (;;) {
    const int32_t index = vault.NextItemIndex();
    auto& items = vault.Items();
    items.Append();
    items.SetField(kestramo::ItemField::Index, kestramo::FieldValue::Integer(index));
    items.SetField(kestramo::ItemField::Name, kestramo::FieldValue::Text("file" + std::to_string(index)));
    items.SetField(kestramo::ItemField::Box, kestramo::FieldValue::Text("Box"));
    items.SetField(kestramo::ItemField::Comment,
                   kestramo::FieldValue::Text(std::string(static_cast<size_t>(index) * 37 % 5000, 'c')));
    items.Post();
    if (!vault.SaveIndex()) return 2;
    Report(index);
  }
}

class SilentSink : public kestramo::api::StatusSink {
 public:
  bool failed = false;
  void SetStatusText(const std::string&) override {}
  void SetPhase(kestramo::api::Phase) override {}
  void EnableCancel() override {}
  void SetProgress(int, int) override {}
  void Close() override {}
  void ShowMessage(const std::string& text) override {
    failed = true;
    std::fprintf(stderr, "%s\n", text.c_str());
  }
};

class PlainShell : public kestramo::api::ShellInfo {
 public:
  kestramo::api::ShellIcon IconOf(const std::filesystem::path&) override { return {}; }
  std::string TypeOf(const std::filesystem::path&) override { return "Document"; }
  kestramo::api::ShellIcon PsdIcon() override { return {}; }
};

// Imports files whose bytes follow from their item number; reports each recorded import.
int ImportLoop(const char* dir, const std::filesystem::path& sources) {
  kestramo::Vault vault(dir);
  vault.LoadIndex();
  SilentSink sink;
  kestramo::WorkStatus work;
  PlainShell shell;
  std::filesystem::create_directories(sources);
  for (;;) {
    const int32_t n = vault.NextItemIndex();
    const std::filesystem::path source = sources / kestramo::testing::ImportedName(n);
    kestramo::testing::WriteFile(source, kestramo::testing::ImportedBytes(n));
    work.Reset();
    if (!kestramo::AddItem(vault, source, "Box", {sink, work}, shell).ok() || sink.failed) return 2;
    Report(n);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if ((argc == 3 || argc == 4) && std::strcmp(argv[1], "save-loop") == 0)
    return SaveLoop(argv[2], argc == 4 ? argv[3] : nullptr);
  if (argc == 4 && std::strcmp(argv[1], "harden") == 0) {
    kestramo::Vault vault(argv[2]);
    Report(0);
    if (!Open(vault, argv[3])) return 2;
    Report(1);
    return 0;
  }
  if (argc == 4 && std::strcmp(argv[1], "import-loop") == 0) return ImportLoop(argv[2], argv[3]);
  std::fprintf(
      stderr,
      "usage: storage_test_helper save-loop DIR [PASSPHRASE] | import-loop DIR SOURCES | harden DIR PASSPHRASE\n");
  return 1;
}

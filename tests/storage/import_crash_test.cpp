// SPDX-License-Identifier: GPL-3.0-or-later
// Kills a process that imports files one after another at random moments: the vault must
// always load, every recorded item must come out byte for byte, and an item file left
// without a record must never count as an item nor be overwritten by the next import.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "helper_child.h"
#include "imported_items.h"
#include "storage/vault/vault.h"
#include "storage/vault/vault_hardening.h"
#include "temp_dir.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;

// The numbers of the files named as items.
std::set<int> ItemFileNumbers(const Vault& vault) {
  std::set<int> numbers;
  for (const auto& e : fs::directory_iterator(vault.Layout().CoffrelDir())) {
    const std::string name = e.path().filename().string();
    if (name.size() == 18 && name.rfind("item", 0) == 0 && name.ends_with(".dat")) {
      numbers.insert(std::stoi(name.substr(4, 10)));
    }
  }
  return numbers;
}

TEST(ImportCrashTest, KillingAnImportAtAnyMomentLosesNoRecordedItem) {
  testing::TempDir dir;
  const fs::path vaultDir = dir / "vault";
  std::mt19937 rng(4242);
  std::uniform_int_distribution<int> delayUs(0, 40000);
  int committed = 0;
  int checked = 0;
  constexpr int kTrials = 250;
  for (int trial = 0; trial < kTrials; ++trial) {
    testing::HelperChild child = testing::StartHelper({"import-loop", vaultDir.string(), (dir / "sources").string()});
    ASSERT_GT(child.pid, 0);
    if (trial % 2 == 1) testing::WaitForFirstReport(child);  // else the kill may land in start-up
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
    committed = testing::KillAndReadLastCommitted(child, committed);

    Vault vault(vaultDir);
    const IndexLoadReport report = vault.LoadIndex();
    // Before the first commit the kill may land while the new vault writes its first index.
    const bool fresh = committed == 0 && report.outcome != IndexLoadReport::Outcome::Unreadable;
    ASSERT_TRUE(report.outcome == IndexLoadReport::Outcome::Loaded || fresh)
        << "trial " << trial << ": " << report.detail;
    const ItemTable& items = vault.Items();
    ASSERT_GE(items.RecordCount(), committed) << "trial " << trial;

    // Every record has its file; at most the one import in flight left a file without one.
    const std::set<int> files = ItemFileNumbers(vault);
    std::set<int> recorded;
    for (const ItemRecord& row : items.AllRecords()) {
      recorded.insert(row[static_cast<std::size_t>(ItemField::Index)].AsInteger());
    }
    ASSERT_EQ(static_cast<int>(recorded.size()), items.RecordCount()) << "numbers are unique";
    int orphans = 0;
    for (int n : files) orphans += recorded.count(n) == 0;
    for (int n : recorded) ASSERT_TRUE(files.count(n)) << "trial " << trial << ": item " << n;
    ASSERT_LE(orphans, 1) << "trial " << trial;

    // The items recorded since the last trial come out whole (all of them at the end).
    const int from = trial + 1 == kTrials ? 1 : checked + 1;
    for (int row = from; row <= items.RecordCount(); ++row) testing::ExpectExtractsWhole(vault, row, dir / "out");
    checked = items.RecordCount();
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_GT(committed, 40) << "the child got far enough for the kills to land mid-import";
}

// A record of the converted vault: an imported item, a box, or an item file whose record the
// filler's kill lost, which the conversion kept in the recovery box under the name it holds.
void ExpectRowExtractsWhole(Vault& vault, int row, const fs::path& dest) {
  ItemTable& items = vault.Items();
  items.MoveTo(row);
  if (items.Field(ItemField::Name).IsNull()) return;
  if (items.Field(ItemField::Box).AsString() != kRecoveryBox) return testing::ExpectExtractsWhole(vault, row, dest);
  const int n = std::stoi(items.Field(ItemField::Name).AsString().substr(1));  // fN.bin
  testing::RecordingSink sink;
  WorkStatus work;
  fs::remove_all(dest);
  fs::create_directories(dest);
  ASSERT_EQ(ExtractItem(vault, vault.Items().Field(ItemField::Index).AsInteger(), dest, {sink, work},
                        [](const std::string&) { return true; })
                .code,
            api::Code::Ok);
  EXPECT_EQ(testing::ReadFile(dest / testing::ImportedName(n)), testing::ImportedBytes(n)) << "recovered item " << n;
}

// A classic vault of imported items, converted again and again from the same copy, killed
// at random moments: it always opens, classic or hardened, with every item whole.
TEST(ImportCrashTest, KillingAConversionAtAnyMomentLosesNoItem) {
  testing::TempDir dir;
  testing::HelperChild filler =
      testing::StartHelper({"import-loop", (dir / "classic").string(), (dir / "sources").string()});
  ASSERT_GT(filler.pid, 0);
  // A few items at least, however slow the machine: each is counted as committed.
  testing::WaitForReports(filler, 3);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  testing::KillAndReadLastCommitted(filler, 0);

  const fs::path copy = dir / "copy";
  auto startConversion = [&] {
    fs::remove_all(copy);
    fs::copy(dir / "classic", copy, fs::copy_options::recursive);
    testing::HelperChild child = testing::StartHelper({"harden", copy.string(), "conversion phrase"});
    testing::WaitForFirstReport(child);
    return child;
  };
  // How long one whole conversion takes here: the kills land anywhere within it and a bit past.
  const auto begin = std::chrono::steady_clock::now();
  testing::HelperChild whole = startConversion();
  int status = 0;
  ::waitpid(whole.pid, &status, 0);
  ::close(whole.out);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const auto lasting = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begin);

  std::mt19937 rng(77);
  std::uniform_int_distribution<long> delayUs(0, lasting.count() * 5 / 4);
  std::set<api::Format> seen;
  for (int trial = 0; trial < 30; ++trial) {
    testing::HelperChild child = startConversion();
    ASSERT_GT(child.pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
    testing::KillAndReadLastCommitted(child, 0);

    Vault vault(copy);
    vault.OfferPassphrase("conversion phrase");
    const IndexLoadReport report = vault.LoadIndex();
    ASSERT_EQ(report.outcome, IndexLoadReport::Outcome::Loaded) << "trial " << trial << ": " << report.detail;
    seen.insert(vault.Format());
    ASSERT_GT(vault.Items().RecordCount(), 2);
    for (int row = 1; row <= vault.Items().RecordCount(); ++row) ExpectRowExtractsWhole(vault, row, dir / "out");
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_EQ(seen.size(), 2u) << "the kills landed both before and after the switch";
}

}  // namespace
}  // namespace kestramo

// Kills a process that imports files one after another at random moments: the vault must
// always load, every recorded item must come out byte for byte, and an item file left
// without a record must never count as an item nor be overwritten by the next import.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>
#include <string>
#include <thread>

#include "helper/import_content.h"
#include "helper_child.h"
#include "pipeline_fakes.h"
#include "storage/vault/item_export.h"
#include "storage/vault/vault.h"
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

// Extracts item `row` (1-based) and compares it with what the loop imported.
void ExpectExtractsWhole(Vault& vault, int row, const fs::path& dest) {
  testing::RecordingSink sink;
  WorkStatus work;
  vault.Items().MoveTo(row);
  const int n = vault.Items().Field(ItemField::Index).AsInteger();
  fs::remove_all(dest);
  fs::create_directories(dest);
  ASSERT_EQ(ExtractItem(vault, dest, {sink, work}, [](const std::string&) { return true; }), ExportResult::Done)
      << "item " << n << ": " << (sink.messages.empty() ? "" : sink.messages.front());
  ASSERT_EQ(vault.Items().Field(ItemField::Name).AsString(), testing::ImportedName(n));
  ASSERT_EQ(testing::ReadFile(dest / testing::ImportedName(n)), testing::ImportedBytes(n)) << "item " << n;
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
    testing::HelperChild child =
        testing::StartHelper({"import-loop", vaultDir.string(), (dir / "sources").string()});
    ASSERT_GT(child.pid, 0);
    if (trial % 2 == 1) testing::WaitForFirstReport(child);  // else the kill may land in start-up
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
    committed = testing::KillAndReadLastCommitted(child, committed);

    Vault vault(vaultDir);
    const IndexLoadReport report = vault.LoadIndex();
    // Before the first commit the kill may land while the new vault writes its first index.
    const bool fresh = committed == 0 && report.outcome != IndexLoadReport::Outcome::Unreadable;
    ASSERT_TRUE(report.outcome == IndexLoadReport::Outcome::Loaded || fresh) << "trial " << trial << ": " << report.detail;
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
    for (int row = from; row <= items.RecordCount(); ++row) ExpectExtractsWhole(vault, row, dir / "out");
    checked = items.RecordCount();
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_GT(committed, 40) << "the child got far enough for the kills to land mid-import";
}

}  // namespace
}  // namespace kestramo

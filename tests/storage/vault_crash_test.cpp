// SPDX-License-Identifier: GPL-3.0-or-later
// Kills a process that saves the index over and over at random moments and checks
// that every committed record survives and the vault always loads, in either format.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "helper_child.h"
#include "storage/vault/vault.h"
#include "temp_dir.h"

namespace kestramo {
namespace {

// An empty passphrase keeps the vault classic; another hardens it before the loop.
class VaultCrashTest : public ::testing::TestWithParam<const char*> {};

TEST_P(VaultCrashTest, KillingASaveAtAnyMomentLosesNoCommittedRecord) {
  testing::TempDir dir;
  const std::string passphrase = GetParam();
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> delayUs(0, 25000);
  int committed = 0;
  const int kTrials = passphrase.empty() ? 300 : 120;
  for (int trial = 0; trial < kTrials; ++trial) {
    testing::HelperChild child = passphrase.empty()
                                     ? testing::StartHelper({"save-loop", dir.Path().string()})
                                     : testing::StartHelper({"save-loop", dir.Path().string(), passphrase});
    ASSERT_GT(child.pid, 0);
    if (trial % 2 == 1) testing::WaitForFirstReport(child);  // else the kill may land in start-up
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
    committed = testing::KillAndReadLastCommitted(child, committed);

    Vault vault(dir.Path());
    vault.OfferPassphrase(passphrase);
    const IndexLoadReport report = vault.LoadIndex();
    ASSERT_NE(report.outcome, IndexLoadReport::Outcome::Unreadable) << "trial " << trial;
    // Restored only from the first index of the new vault, written before anything was committed.
    ASSERT_TRUE(report.outcome != IndexLoadReport::Outcome::Restored || committed == 0)
        << "trial " << trial << ": " << report.detail;
    const auto& rows = vault.Items().AllRecords();
    ASSERT_GE(static_cast<int>(rows.size()), committed) << "trial " << trial;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      ASSERT_EQ(rows[i][static_cast<std::size_t>(ItemField::Index)].AsInteger(), static_cast<int>(i + 1));
      ASSERT_EQ(rows[i][static_cast<std::size_t>(ItemField::Name)].AsString(), "file" + std::to_string(i + 1));
    }
    committed = static_cast<int>(rows.size());
  }
  EXPECT_GT(committed, 10);  // the child got far enough for the kills to land mid-save
}

INSTANTIATE_TEST_SUITE_P(Formats, VaultCrashTest, ::testing::Values("", "save loop phrase"));

}  // namespace
}  // namespace kestramo

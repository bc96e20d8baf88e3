// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program runs imports and exports on a worker thread and cancels them from
// its main thread; this is that protocol's storage side (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "pipeline_fakes.h"
#include "storage/vault/item_export.h"
#include "storage/vault/vault.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;

// Runs `work` on its own thread and presses Cancel from this one once `phase` has shown
// progress. The worker waits at that report until the cancel is pressed: a fast stage could
// otherwise end before the press, and the test would then check nothing.
template <typename Work>
void CancelFromAnotherThread(testing::RecordingSink& sink, WorkStatus& status, Vault& vault, api::Phase phase,
                             Work work) {
  std::atomic<bool> reached{false}, pressed{false};
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  sink.onProgress = [&](api::Phase p, int position) {
    if (p != phase || position <= 0 || reached.exchange(true)) return;
    while (!pressed && std::chrono::steady_clock::now() < give_up) std::this_thread::yield();
  };
  std::thread worker(work);
  while (!reached && std::chrono::steady_clock::now() < give_up) std::this_thread::yield();
  status.Cancel(vault.Zip(), vault.Cipher());
  pressed = true;
  worker.join();
  EXPECT_TRUE(reached) << "the stage never started";
}

class WorkerCancelTest : public ::testing::Test {
 protected:
  WorkerCancelTest() : vault((fs::create_directories(dir / "vault"), dir / "vault")) { vault.LoadIndex(); }

  // Stores `source` as the vault's only item and makes it the current record, for export.
  void StoreOneItem(const fs::path& source) {
    testing::RecordingSink sink;
    WorkStatus status;
    ASSERT_TRUE(AddItem(vault, source, "Box", {sink, status}, shell).ok());
    vault.Items().MoveTo(1);
  }

  testing::TempDir dir;
  Vault vault;
  testing::FakeShell shell;
};

TEST_F(WorkerCancelTest, CancelFromTheMainThreadStopsEveryStageCleanly) {
  testing::WriteFile(dir / "src/Big/a.bin", testing::RandomBytes(6 << 20, 1));
  testing::WriteFile(dir / "src/Big/b.bin", testing::RandomBytes(6 << 20, 2));

  for (const api::Phase phase : {api::Phase::Compressing, api::Phase::Encrypting}) {
    testing::RecordingSink sink;
    WorkStatus status;
    bool added = true;
    CancelFromAnotherThread(sink, status, vault, phase, [&] {
      added = AddItem(vault, dir / "src/Big", "Box", {sink, status}, shell).ok();
    });
    EXPECT_FALSE(added);
    EXPECT_TRUE(sink.messages.empty()) << "a cancel is no failure to report";
    EXPECT_EQ(vault.Items().RecordCount(), 0);
    EXPECT_TRUE(fs::is_empty(vault.Layout().TempDir()));
  }

  ASSERT_NO_FATAL_FAILURE(StoreOneItem(dir / "src/Big"));
  for (const api::Phase phase : {api::Phase::Decrypting, api::Phase::Decompressing}) {
    testing::RecordingSink exportSink;
    WorkStatus exportStatus;
    const fs::path out = dir / ("out" + std::to_string(static_cast<int>(phase)));
    api::Code result = api::Code::Ok;
    CancelFromAnotherThread(exportSink, exportStatus, vault, phase, [&] {
      result = ExtractItem(vault, vault.Items().Field(ItemField::Index).AsInteger(), out, {exportSink, exportStatus},
                           [](const std::string&) { return true; })
                   .code;
    });
    EXPECT_EQ(result, api::Code::Cancelled);
    EXPECT_FALSE(fs::exists(out / "Big/a.bin"));
    EXPECT_TRUE(fs::is_empty(vault.Layout().TempDir()));
  }
}

// Cancel must reach the stage that runs, not merely make the pipeline clean up after it:
// pressed as each stage reports its first progress, that stage stops long before its end
// (packing reads a few blocks ahead of what it has written).
TEST_F(WorkerCancelTest, CancelStopsTheRunningStageItself) {
  testing::WriteFile(dir / "src/big.bin", testing::RandomBytes(24 << 20, 5));
  auto cancelAt = [&](testing::RecordingSink& sink, WorkStatus& status, api::Phase phase, int& furthest) {
    sink.onProgress = [&, phase](api::Phase p, int position) {
      if (p != phase) return;
      furthest = std::max(furthest, position);
      if (position > 0) status.Cancel(vault.Zip(), vault.Cipher());
    };
  };
  for (const api::Phase phase : {api::Phase::Compressing, api::Phase::Encrypting}) {
    testing::RecordingSink sink;
    WorkStatus status;
    int furthest = 0;
    cancelAt(sink, status, phase, furthest);
    EXPECT_FALSE(AddItem(vault, dir / "src/big.bin", "Box", {sink, status}, shell).ok());
    EXPECT_LT(furthest, 50) << "phase " << static_cast<int>(phase);
  }
  ASSERT_NO_FATAL_FAILURE(StoreOneItem(dir / "src/big.bin"));
  for (const api::Phase phase : {api::Phase::Decrypting, api::Phase::Decompressing}) {
    testing::RecordingSink exportSink;
    WorkStatus exportStatus;
    int furthest = 0;
    cancelAt(exportSink, exportStatus, phase, furthest);
    EXPECT_EQ(ExtractItem(vault, vault.Items().Field(ItemField::Index).AsInteger(), dir / "out",
                          {exportSink, exportStatus}, nullptr)
                  .code,
              api::Code::Cancelled);
    EXPECT_LT(furthest, 50) << "phase " << static_cast<int>(phase);
  }
}

}  // namespace
}  // namespace kestramo

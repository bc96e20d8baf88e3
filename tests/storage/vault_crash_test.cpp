// Kills a process that saves the index over and over at random moments and checks
// that every committed record survives and the vault always loads.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "storage/vault/vault.h"
#include "temp_dir.h"

namespace kestramo {
namespace {

struct Child {
  pid_t pid;
  int out;
};

Child StartSaveLoop(const std::filesystem::path& dir) {
  int fds[2];
  if (::pipe(fds) != 0) return {-1, -1};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(fds[1], 1);
    ::close(fds[0]);
    ::execl(KESTRAMO_TEST_HELPER, KESTRAMO_TEST_HELPER, "save-loop", dir.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(fds[1]);
  return {pid, fds[0]};
}

// The last number the child reported as committed.
int LastCommitted(int fd, int previous) {
  std::string text;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
  int last = previous;
  std::size_t end = text.rfind('\n');
  if (end != std::string::npos) {
    const std::size_t start = text.rfind('\n', end - 1);
    last = std::stoi(text.substr(start == std::string::npos ? 0 : start + 1));
  }
  return last;
}

TEST(VaultCrashTest, KillingASaveAtAnyMomentLosesNoCommittedRecord) {
  testing::TempDir dir;
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> delayUs(0, 25000);
  int committed = 0;
  constexpr int kTrials = 300;
  for (int trial = 0; trial < kTrials; ++trial) {
    const Child child = StartSaveLoop(dir.Path());
    ASSERT_GT(child.pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(rng)));
    ::kill(child.pid, SIGKILL);
    int status = 0;
    ::waitpid(child.pid, &status, 0);
    committed = LastCommitted(child.out, committed);
    ::close(child.out);

    Vault vault(dir.Path());
    const IndexLoadReport report = vault.LoadIndex();
    ASSERT_NE(report.outcome, IndexLoadReport::Outcome::Unreadable) << "trial " << trial;
    ASSERT_NE(report.outcome, IndexLoadReport::Outcome::Restored) << "trial " << trial << ": " << report.detail;
    const auto& rows = vault.Items().AllRecords();
    ASSERT_GE(static_cast<int>(rows.size()), committed) << "trial " << trial;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      ASSERT_EQ(rows[i][static_cast<std::size_t>(ItemField::Index)].AsInteger(), static_cast<int>(i + 1));
      ASSERT_EQ(rows[i][static_cast<std::size_t>(ItemField::Name)].AsString(), "file" + std::to_string(i + 1));
    }
    committed = static_cast<int>(rows.size());
  }
  EXPECT_GT(committed, 30);  // the child got far enough for the kills to land mid-save
}

}  // namespace
}  // namespace kestramo

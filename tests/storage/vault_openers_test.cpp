// What a program opening a vault is told while another one holds it, or when the folder it
// finds is not whole: never a refusal that is not so, never a missing item left unsaid.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "storage/api/vault.h"
#include "temp_dir.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPhrase = "a phrase for readers";

class VaultOpenersTest : public ::testing::Test {
 protected:
  api::OpenOptions Options(bool write) const {
    return {.base = dir / "vault", .write = write, .passphrase = kPhrase, .witness = dir / "state" / "vaults"};
  }

  testing::TempDir dir;
};

// A program saving in a loop, as the window does while it is open, and another reading the
// vault again and again: a read that meets a save half-made reads the newer index again.
TEST_F(VaultOpenersTest, AReaderNeverTakesASaveUnderWayForARollback) {
  fs::create_directories(dir / "vault");
  api::Vault writer;
  api::OpenOptions create = Options(true);
  create.create = true;
  ASSERT_TRUE(writer.Open(create).ok());
  ASSERT_TRUE(writer.NewBox({.name = "A"}).ok());
  ASSERT_TRUE(writer.Harden({.passphrase = kPhrase, .cost = {1, 8ull << 20}}).ok());

  std::atomic<bool> done{false};
  std::atomic<int> saves{0};
  std::thread saving([&] {
    for (bool back = false; !done; back = !back) {
      if (writer.RenameBox({.from = back ? "B" : "A", .to = back ? "A" : "B"}).ok()) ++saves;
    }
  });
  constexpr int kReads = 60;
  int refused = 0;
  std::string why;
  for (int n = 0; n < kReads; ++n) {
    api::Vault reader;
    api::OpenReport report;
    const api::Status status = reader.Open(Options(false), &report);
    EXPECT_TRUE(report.readAsIs);
    if (!status.ok()) ++refused, why = status.message;
  }
  done = true;
  saving.join();
  EXPECT_EQ(refused, 0) << why;
  EXPECT_GT(saves, kReads) << "the saves ran all along the reads";
}

}  // namespace
}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
// What a program opening a vault is told while another one holds it, or when the folder it
// finds is not whole: never a refusal that is not so, never a missing item left unsaid.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "kestramo/vault.h"
#include "storage/vault/vault_layout.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPhrase = "a phrase for readers";

class VaultOpenersTest : public ::testing::Test {
 protected:
  api::OpenOptions Options(bool write) const {
    return {.base = dir / "vault", .write = write, .passphrase = kPhrase, .witness = dir / "state" / "vaults"};
  }
  // A new vault with one box, held by `owner`.
  void Create(api::Vault& owner, const std::string& box) {
    fs::create_directories(dir / "vault");
    api::OpenOptions create = Options(true);
    create.create = true;
    ASSERT_TRUE(owner.Open(create).ok());
    ASSERT_TRUE(owner.NewBox({.name = box}).ok());
  }

  testing::TempDir dir;
};

// A program saving in a loop, as the window does while it is open, and another reading the
// vault again and again: a read that meets a save half-made reads the newer index again.
TEST_F(VaultOpenersTest, AReaderNeverTakesASaveUnderWayForARollback) {
  api::Vault writer;
  ASSERT_NO_FATAL_FAILURE(Create(writer, "A"));
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
  EXPECT_GE(saves, 10) << "the saves ran along the reads";
}

// A folder copied while an item was added: its index lists an item whose file is not there.
// The owner and a reader are both told which, and taking it out says why it cannot be.
TEST_F(VaultOpenersTest, AListedItemWithoutItsFileIsToldOnOpenAndOnExtract) {
  api::Vault owner;
  ASSERT_NO_FATAL_FAILURE(Create(owner, "Box"));
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    testing::WriteFile(dir / "src" / name, std::string("contents of ") + name);
    ASSERT_TRUE(owner.Import({.source = dir / "src" / name, .box = "Box"}).ok());
  }
  api::OpenReport whole;
  ASSERT_TRUE(owner.Open(Options(true), &whole).ok());
  EXPECT_TRUE(whole.missingItems.empty() && whole.notice.empty()) << whole.notice;
  fs::remove(VaultLayout(dir / "vault").ItemFile(2));

  api::Vault holder;  // for the reader: the vault is held by another program
  const struct {
    const char* opener;
    api::Vault& vault;
    bool write;
  } openers[] = {{"its owner", owner, true}, {"a reader", holder, false}};
  for (const auto& o : openers) {
    SCOPED_TRACE(o.opener);
    if (!o.write) {
      ASSERT_TRUE(owner.Open(Options(true)).ok());
    }
    api::OpenReport report;
    ASSERT_TRUE(o.vault.Open(Options(o.write), &report).ok());
    EXPECT_EQ(report.readAsIs, !o.write);
    EXPECT_EQ(report.missingItems, std::vector<int32_t>({2}));
    EXPECT_NE(report.notice.find("\"b.txt\" (item 2)"), std::string::npos) << report.notice;
    const api::Status out = o.vault.Export({.item = 2, .destination = dir / "out"});
    EXPECT_EQ(out.code, api::Code::NotFound);
    EXPECT_NE(out.message.find("item0000000002.dat is missing"), std::string::npos) << out.message;
    EXPECT_TRUE(o.vault.Export({.item = 3, .destination = dir / "out"}).ok());
  }
}

}  // namespace
}  // namespace kestramo

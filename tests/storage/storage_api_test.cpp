// SPDX-License-Identifier: GPL-3.0-or-later
// The storage interface as the front ends use it: each Status code comes from the case that
// should produce it, and a round trip through every item operation keeps what it stored.
#include <gtest/gtest.h>

#include <functional>

#include "kestramo/vault.h"
#include "storage/disk/disk_write.h"
#include "storage/vault/vault_layout.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;
using testing::RandomBytes;
using testing::ReadFile;
using testing::WriteFile;

class StorageApiTest : public ::testing::Test {
 public:  // the table of cases below reaches in
  StorageApiTest() {
    WriteFile(dir / "src/Report.txt", RandomBytes(30000, 5));
    fs::create_directories(dir / "vault");
    EXPECT_TRUE(vault.Open(Options(true)).ok());
    EXPECT_TRUE(vault.NewBox({.name = "Box"}).ok());
    EXPECT_TRUE(vault.Import({.source = dir / "src/Report.txt", .box = "Box"}).ok());
  }

  api::OpenOptions Options(bool create = false, std::string passphrase = {}) const {
    api::OpenOptions options;
    options.base = dir / "vault";
    options.create = create;
    options.passphrase = std::move(passphrase);
    return options;
  }

  // Hardened under "correct horse" at a cost the tests can afford.
  void Harden() {
    api::HardenOptions harden;
    harden.passphrase = "correct horse";
    harden.cost = {1, 8ull << 20};
    EXPECT_TRUE(vault.Harden(harden).ok());
  }

  std::vector<api::ItemInfo> Items() const {
    std::vector<api::ItemInfo> items;
    EXPECT_TRUE(vault.Items({}, &items).ok());
    return items;
  }

  testing::TempDir dir;
  api::Vault vault;
};

TEST_F(StorageApiTest, EachCodeComesFromItsCase) {
  struct Case {
    const char* what;
    api::Code expected;
    std::function<api::Status(StorageApiTest&)> run;
  };
  const std::vector<Case> cases = {
      {"a missing item", api::Code::NotFound,
       [](StorageApiTest& t) { return t.vault.Export({.item = 99, .destination = t.dir / "out"}); }},
      {"a removal naming a missing item", api::Code::NotFound,
       [](StorageApiTest& t) {
         return t.vault.Remove({.items = {1, 99}});
       }},
      {"a damaged item", api::Code::Damaged,
       [](StorageApiTest& t) {
         const fs::path file = VaultLayout(t.dir / "vault").ItemFile(1);
         testing::FlipBit(file, fs::file_size(file) / 2);
         return t.vault.Export({.item = 1, .destination = t.dir / "out"});
       }},
      {"a wrong passphrase", api::Code::Locked,
       [](StorageApiTest& t) {
         t.Harden();
         return t.vault.Open(t.Options(false, "wrong horse"));
       }},
      {"a wrong password", api::Code::Locked,
       [](StorageApiTest& t) {
         EXPECT_TRUE(t.vault.ChangePassword({.password = "secret"}).ok());
         return t.vault.CheckPassword("Secret");
       }},
      {"a cancelled import", api::Code::Cancelled,
       [](StorageApiTest& t) {
         api::WorkControl control;
         control.Cancel();
         return t.vault.Import({.source = t.dir / "src/Report.txt", .box = "Box", .control = &control});
       }},
      {"a box name of blanks", api::Code::InvalidArgument,
       [](StorageApiTest& t) { return t.vault.NewBox({.name = "  "}); }},
      {"a box name taken in another case", api::Code::InvalidArgument,
       [](StorageApiTest& t) { return t.vault.RenameBox({.from = "Box", .to = "BOX "}); }},
      {"a source that does not exist", api::Code::NotFound,
       [](StorageApiTest& t) { return t.vault.Import({.source = t.dir / "src/none", .box = "Box"}); }},
      {"a vault held by another opener", api::Code::Busy,
       [](StorageApiTest& t) { return api::Vault().Open(t.Options()); }},
      {"a full disk", api::Code::NoSpace,
       [](StorageApiTest& t) {
         SetDiskSpaceLimit(0);
         const api::Status s = t.vault.Import({.source = t.dir / "src/Report.txt", .box = "Box"});
         SetDiskSpaceLimit(-1);
         return s;
       }},
      {"a full disk on export (classic: decrypting into temp/)", api::Code::NoSpace,
       [](StorageApiTest& t) {
         SetDiskSpaceLimit(0);
         const api::Status s = t.vault.Export({.item = 1, .destination = t.dir / "out"});
         SetDiskSpaceLimit(-1);
         return s;
       }},
      {"a full disk while unpacking (the item is decrypted, its file cannot be written)", api::Code::NoSpace,
       [](StorageApiTest& t) {
         SetDiskSpaceLimit(static_cast<int64_t>(fs::file_size(VaultLayout(t.dir / "vault").ItemFile(1))) + 4096);
         const api::Status s = t.vault.Export({.item = 1, .destination = t.dir / "out"});
         SetDiskSpaceLimit(-1);
         return s;
       }},
      {"a hardened vault whose index generations are both unreadable", api::Code::Damaged,
       [](StorageApiTest& t) {
         t.Harden();
         t.vault.Close();
         const VaultLayout layout(t.dir / "vault");
         const std::string kept = testing::ReadFile(layout.IndexFile());
         for (const fs::path& generation : {layout.IndexFile(), layout.BackupIndexFile()})
           WriteFile(generation, RandomBytes(fs::file_size(generation), 9));
         const api::Status opened = t.vault.Open(t.Options(false, "correct horse"));
         // Nothing may be made over it: an empty vault must never take a hardened one's place.
         EXPECT_FALSE(t.vault.IsOpen());
         EXPECT_FALSE(t.vault.NewBox({.name = "Fresh"}).ok());
         EXPECT_EQ(testing::ReadFile(layout.IndexFile()).size(), kept.size());
         WriteFile(layout.IndexFile(), kept);
         return opened;
       }},
      {"an export into the vault's own folders", api::Code::InvalidArgument,
       [](StorageApiTest& t) { return t.vault.Export({.item = 1, .destination = t.dir / "vault/coffrel"}); }},
      {"a folder without a vault", api::Code::NotFound,
       [](StorageApiTest& t) { return api::Vault().Open({.base = t.dir / "src"}); }},
  };
  // Every case starts from a vault with one item, and its failure leaves that item listed.
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.run(*this).code, c.expected);
    ASSERT_TRUE(vault.Open(Options(false, "correct horse")).ok());
    EXPECT_EQ(Items().size(), 1u);
    vault.Close();
    fs::remove_all(dir / "vault");
    fs::create_directories(dir / "vault");
    fs::remove_all(dir / "out");
    ASSERT_TRUE(vault.Open(Options(true)).ok());
    ASSERT_TRUE(vault.NewBox({.name = "Box"}).ok());
    ASSERT_TRUE(vault.Import({.source = dir / "src/Report.txt", .box = "Box"}).ok());
  }
}

// A disk too full to unpack on leaves each item unchecked: it is never judged damaged.
TEST_F(StorageApiTest, ACheckOnAFullDiskJudgesNoItem) {
  for (const bool hardened : {false, true}) {
    SCOPED_TRACE(hardened ? "hardened" : "classic");
    if (hardened) Harden();
    api::VaultHealth health;
    SetDiskSpaceLimit(0);
    const api::Status checked = vault.Verify({}, &health);
    SetDiskSpaceLimit(-1);
    ASSERT_TRUE(checked.ok()) << checked.message;
    ASSERT_EQ(health.findings.size(), 1u);
    EXPECT_EQ(health.findings[0].problem, api::ItemProblem::NoRoom) << health.findings[0].detail;
  }
}

TEST_F(StorageApiTest, ItemsMakeTheRoundTrip) {
  ASSERT_TRUE(vault.Import({.source = dir / "src", .box = "Box"}).ok());
  std::vector<api::ItemInfo> items = Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].name, "Report.txt");
  EXPECT_EQ(items[0].size, 30000);
  EXPECT_TRUE(items[1].folder);

  ASSERT_TRUE(vault.Comment({.item = items[1].index, .text = "Quarterly"}).ok());
  std::vector<api::ItemInfo> found;
  ASSERT_TRUE(vault.Find({.text = "quarter"}, &found).ok());
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].index, items[1].index);

  api::ExportReport report;
  ASSERT_TRUE(vault.Export({.item = items[0].index, .destination = dir / "out"}, &report).ok());
  EXPECT_EQ(ReadFile(dir / "out/Report.txt"), ReadFile(dir / "src/Report.txt"));
  // The file now exists: without a question it is kept, and the report says so.
  ASSERT_TRUE(vault.Export({.item = items[0].index, .destination = dir / "out"}, &report).ok());
  ASSERT_EQ(report.kept.size(), 1u);
  EXPECT_TRUE(report.kept[0].declined);
  // Leave to replace a read-only file holds for its own export only, never for the next.
  fs::permissions(dir / "out/Report.txt", fs::perms::owner_read);
  const api::OverwriteQuestion yes = [](const api::ExistingFile&) { return true; };
  ASSERT_TRUE(
      vault.Export({.item = items[0].index, .destination = dir / "out", .ask = yes, .replaceReadOnly = true}).ok());
  fs::permissions(dir / "out/Report.txt", fs::perms::owner_read);
  EXPECT_FALSE(vault.Export({.item = items[0].index, .destination = dir / "out", .ask = yes}, &report).ok());
  ASSERT_EQ(report.kept.size(), 1u);
  EXPECT_FALSE(report.kept[0].declined);

  ASSERT_TRUE(vault.Remove({.items = {items[0].index}}).ok());
  ASSERT_TRUE(vault.Open(Options()).ok());  // what was saved, read back
  items = Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].comment, "Quarterly");
}

}  // namespace
}  // namespace kestramo

// Secrets grow in locked memory a character at a time (as the command-line tool reads them)
// and copy and move without losing or sharing a byte.
TEST(SecretTest, KeepsEveryCharacterThroughGrowthCopyAndMove) {
  std::string typed;
  kestramo::api::Secret grown;
  for (int i = 0; i < 300; ++i) {  // past several reallocations
    typed.push_back(static_cast<char>('a' + i % 26));
    grown.Append(typed.back());
  }
  EXPECT_EQ(grown.View(), typed);
  kestramo::api::Secret copy = grown;
  grown.DropLast();
  EXPECT_EQ(copy.View(), typed);
  EXPECT_EQ(grown.View(), std::string_view(typed).substr(0, 299));
  kestramo::api::Secret moved = std::move(copy);
  EXPECT_TRUE(copy.empty());  // NOLINT: the moved-from secret holds nothing
  EXPECT_EQ(moved.View(), typed);
  moved = kestramo::api::Secret(std::string_view("short"));
  EXPECT_EQ(moved, kestramo::api::Secret("short"));
}

// SPDX-License-Identifier: GPL-3.0-or-later
// A disk that fills up at any byte of an import, an export or an index save, and item
// files damaged after some of their entries: nothing stored may be lost, nothing partial
// may look complete, and the user is always told.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <set>

#include "pipeline_fakes.h"
#include "storage/disk/disk_write.h"
#include "storage/vault/free_space.h"
#include "storage/vault/item_export.h"
#include "storage/vault/vault.h"
#include "storage/vault/vault_hardening.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;
using testing::RandomBytes;
using testing::ReadFile;
using testing::WriteFile;

// Lifts the simulated limit even when an assertion leaves the test early.
struct DiskLimit {
  explicit DiskLimit(int64_t bytes) { SetDiskSpaceLimit(bytes); }
  ~DiskLimit() { SetDiskSpaceLimit(-1); }
};

// Limits from an empty disk upwards, dense at first, then growing by an eighth.
std::vector<int64_t> SweepLimits(int64_t upTo) {
  std::vector<int64_t> limits;
  for (int64_t l = 0; l <= upTo; l += std::max<int64_t>(97, l / 8)) limits.push_back(l);
  return limits;
}

class VaultFaultTest : public ::testing::Test {
 protected:
  VaultFaultTest() {
    fs::create_directories(base);
    Vault vault(base);
    vault.LoadIndex();
    WriteFile(dir / "src/one.txt", RandomBytes(20000, 1));
    WriteFile(dir / "src/Folder/a.bin", RandomBytes(30000, 2));
    WriteFile(dir / "src/Folder/b.bin", RandomBytes(30000, 3));
    WriteFile(dir / "src/Folder/c.bin", RandomBytes(30000, 4));
    EXPECT_TRUE(Add(vault, dir / "src/one.txt"));
    EXPECT_TRUE(Add(vault, dir / "src/Folder"));
  }

  bool Add(Vault& vault, const fs::path& source) {
    sink = testing::RecordingSink();
    work.Reset();
    return AddItem(vault, source, "Box", {sink, work}, shell).ok();
  }

  api::Code Extract(Vault& vault, int row, const fs::path& dest) {
    sink = testing::RecordingSink();
    work.Reset();
    vault.Items().MoveTo(row);
    return ExtractItem(vault, vault.Items().Field(ItemField::Index).AsInteger(), dest, {sink, work},
                       [](const std::string&) { return true; })
        .code;
  }

  IndexLoadReport Load(Vault& vault) {
    vault.OfferPassphrase(passphrase);
    return vault.LoadIndex();
  }

  // The vault as a fresh start finds it: loaded as it is, both first items whole.
  void ExpectFirstItemsIntact(Vault& vault) {
    ASSERT_EQ(Load(vault).outcome, IndexLoadReport::Outcome::Loaded);
    ASSERT_GE(vault.Items().RecordCount(), 2);
    const fs::path out = dir / "check";
    fs::remove_all(out);
    fs::create_directories(out);
    ASSERT_EQ(Extract(vault, 1, out), api::Code::Ok);
    ASSERT_EQ(Extract(vault, 2, out), api::Code::Ok);
    EXPECT_EQ(ReadFile(out / "one.txt"), RandomBytes(20000, 1));
    EXPECT_EQ(ReadFile(out / "Folder/c.bin"), RandomBytes(30000, 4));
  }

  void SweepImport();
  void SweepExport();

  testing::TempDir dir;
  fs::path base = dir / "vault";
  std::string passphrase;  // none: a classic vault
  testing::RecordingSink sink;
  WorkStatus work;
  testing::FakeShell shell;
};

// The same faults in a hardened vault, whose items and index reach the disk their own way.
class HardenedVaultFaultTest : public VaultFaultTest {
 protected:
  HardenedVaultFaultTest() {
    passphrase = "fault sweep phrase";
    Vault vault(base);
    vault.LoadIndex();
    EXPECT_TRUE(HardenVault(vault, passphrase, {1, kMinKdfMemory}).ok());
  }
};

void VaultFaultTest::SweepImport() {
  WriteFile(dir / "src/new.txt", RandomBytes(50000, 9));
  bool stored = false;
  for (const int64_t limit : SweepLimits(400000)) {
    Vault vault(base);
    Load(vault);
    bool added;
    {
      DiskLimit full(limit);
      added = Add(vault, dir / "src/new.txt");
    }
    SCOPED_TRACE("limit " + std::to_string(limit));
    const bool complete = added && sink.messages.empty();
    EXPECT_TRUE(sink.closed);
    EXPECT_TRUE(fs::is_empty(vault.Layout().TempDir()));
    if (!complete) {
      // Either nothing was added or the index could not record it: the user is told.
      ASSERT_EQ(sink.messages.size(), 1u);
      EXPECT_NE(sink.messages[0].find("new.txt"), std::string::npos) << sink.messages[0];
    }
    Vault reloaded(base);
    ExpectFirstItemsIntact(reloaded);
    if (::testing::Test::HasFatalFailure()) return;
    if (complete) {
      ASSERT_EQ(reloaded.Items().RecordCount(), 3);
      fs::create_directories(dir / "new");
      ASSERT_EQ(Extract(reloaded, 3, dir / "new"), api::Code::Ok);
      EXPECT_EQ(ReadFile(dir / "new/new.txt"), RandomBytes(50000, 9));
      stored = true;
      break;
    }
    EXPECT_EQ(reloaded.Items().RecordCount(), 2);
  }
  EXPECT_TRUE(stored) << "the import never got enough room to finish";
}

void VaultFaultTest::SweepExport() {
  bool done = false;
  for (const int64_t limit : SweepLimits(400000)) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    Vault vault(base);
    Load(vault);
    const fs::path out = dir / ("out" + std::to_string(limit));
    fs::create_directories(out);
    api::Code result;
    {
      DiskLimit full(limit);
      result = Extract(vault, 2, out);
    }
    EXPECT_TRUE(fs::is_empty(vault.Layout().TempDir()));
    if (result == api::Code::Ok) {
      ASSERT_TRUE(sink.messages.empty());
      for (const char* name : {"a.bin", "b.bin", "c.bin"}) {
        EXPECT_EQ(ReadFile(out / "Folder" / name), RandomBytes(30000, name[0] - 'a' + 2)) << name;
      }
      done = true;
      break;
    }
    ASSERT_EQ(result, api::Code::NoSpace);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_NE(sink.messages[0].find("disk"), std::string::npos) << sink.messages[0];
    EXPECT_TRUE(fs::is_empty(out)) << "a partial export is removed";
  }
  EXPECT_TRUE(done);
  Vault vault(base);
  ExpectFirstItemsIntact(vault);
}

TEST_F(VaultFaultTest, AFullDiskDuringAnImportLosesNothingAndIsNeverSilent) { SweepImport(); }
TEST_F(VaultFaultTest, AFullDiskDuringAnExportLeavesNothingPartial) { SweepExport(); }
TEST_F(HardenedVaultFaultTest, AFullDiskDuringAnImportLosesNothingAndIsNeverSilent) { SweepImport(); }
TEST_F(HardenedVaultFaultTest, AFullDiskDuringAnExportLeavesNothingPartial) { SweepExport(); }

TEST_F(VaultFaultTest, AFullDiskDuringAnIndexSaveKeepsTheLastSavedIndex) {
  bool saved = false;
  for (const int64_t limit : SweepLimits(20000)) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    Vault vault(base);
    vault.LoadIndex();
    vault.Items().MoveTo(1);
    vault.Items().Edit();
    vault.Items().SetField(ItemField::Comment, FieldValue::Text(std::string(3000, 'x')));
    vault.Items().Post();
    {
      DiskLimit full(limit);
      saved = vault.SaveIndex();
    }
    Vault reloaded(base);
    ExpectFirstItemsIntact(reloaded);
    if (::testing::Test::HasFatalFailure()) return;
    reloaded.Items().MoveTo(1);
    EXPECT_EQ(reloaded.Items().Field(ItemField::Comment).AsString().size(), saved ? 3000u : 0u);
    EXPECT_FALSE(fs::exists(reloaded.Layout().TempIndexFile()));
    if (saved) break;
  }
  EXPECT_TRUE(saved);
}

// A disk that takes every write but loses the flush: nothing may be renamed into place
// (after a power cut it could be empty), neither the index nor a new item.
TEST_F(VaultFaultTest, AFailingFlushFailsTheSaveAndKeepsTheOldIndex) {
  Vault vault(base);
  vault.LoadIndex();
  const std::string index = ReadFile(vault.Layout().IndexFile());
  vault.Items().MoveTo(1);
  vault.Items().Edit();
  vault.Items().SetField(ItemField::Comment, FieldValue::Text("unsaved"));
  vault.Items().Post();
  WriteFile(dir / "src/late.txt", "late");
  struct SyncFailure {
    SyncFailure() { SetDiskSyncFailure(true); }
    ~SyncFailure() { SetDiskSyncFailure(false); }
  };
  {
    SyncFailure failing;
    EXPECT_FALSE(vault.SaveIndex());
    EXPECT_FALSE(Add(vault, dir / "src/late.txt"));
  }
  EXPECT_EQ(ReadFile(vault.Layout().IndexFile()), index);
  EXPECT_FALSE(fs::exists(vault.Layout().ItemFile(3)));
  Vault reloaded(base);
  ExpectFirstItemsIntact(reloaded);
}

TEST_F(VaultFaultTest, AnItemDamagedAfterSomeEntriesLeavesNoFileBehind) {
  Vault vault(base);
  vault.LoadIndex();
  vault.Items().MoveTo(2);
  const fs::path itemFile = vault.Layout().ItemFile(vault.Items().Field(ItemField::Index).AsInteger());
  const fs::path plain = dir / "plain.zip";
  ASSERT_TRUE(vault.Cipher().DecryptFile(itemFile, plain, vault.MasterKey()));
  // Spoil the stored bytes of one file in the middle of the archive.
  std::string bytes = ReadFile(plain);
  const std::string b = RandomBytes(30000, 3);
  const auto at = bytes.find(b.substr(10000, 64));
  ASSERT_NE(at, std::string::npos);
  bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
  WriteFile(plain, bytes);
  ASSERT_TRUE(vault.Cipher().EncryptFile(plain, itemFile, vault.MasterKey()));

  fs::create_directories(dir / "out");
  EXPECT_EQ(Extract(vault, 2, dir / "out"), api::Code::Damaged);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages[0].find("damaged"), std::string::npos) << sink.messages[0];
  EXPECT_TRUE(fs::is_empty(dir / "out"));
  EXPECT_TRUE(fs::is_empty(vault.Layout().TempDir()));
}

TEST_F(VaultFaultTest, AnItemFileWithoutARecordIsSetAsideNotOverwritten) {
  // An index restored from an older copy lacks the newest record; its file remains.
  Vault vault(base);
  vault.LoadIndex();
  vault.Items().MoveTo(2);
  const fs::path itemFile = vault.Layout().ItemFile(vault.Items().Field(ItemField::Index).AsInteger());
  const std::string kept = ReadFile(itemFile);
  vault.Items().Delete();
  ASSERT_TRUE(vault.SaveIndex());

  WriteFile(dir / "src/new.txt", "new");
  ASSERT_TRUE(Add(vault, dir / "src/new.txt"));
  EXPECT_TRUE(sink.messages.empty());
  std::vector<fs::path> aside;
  for (const auto& e : fs::directory_iterator(vault.Layout().CoffrelDir())) {
    if (e.path().filename().string().rfind(itemFile.filename().string() + ".unrecorded-", 0) == 0) {
      aside.push_back(e.path());
    }
  }
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_EQ(ReadFile(aside[0]), kept);
  Vault reloaded(base);
  EXPECT_EQ(reloaded.LoadIndex().outcome, IndexLoadReport::Outcome::Loaded);
  EXPECT_EQ(reloaded.Items().RecordCount(), 2) << "the set-aside file is not an item";
}

// The same on a real full disk: a small in-memory file system, mounted in a private mount
// namespace by a child process (root only; skipped elsewhere). The child's exit code
// names the first check that failed.
int ImportOntoASmallDisk(const fs::path& mountPoint) {
  if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=600k") != 0) {
    return 77;
  }
  const fs::path base = mountPoint / "vault";
  const fs::path sources = fs::temp_directory_path() / ("kestramo-small-disk-" + std::to_string(::getpid()));
  WriteFile(sources / "small.txt", RandomBytes(20000, 1));
  WriteFile(sources / "large.bin", RandomBytes(2 << 20, 2));
  fs::create_directories(base);
  testing::RecordingSink sink;
  WorkStatus work;
  testing::FakeShell shell;
  int failed = 0;
  {
    Vault vault(base);
    vault.LoadIndex();
    if (!AddItem(vault, sources / "small.txt", "Box", {sink, work}, shell).ok()) failed = 1;
    sink = testing::RecordingSink();
    if (!failed && AddItem(vault, sources / "large.bin", "Box", {sink, work}, shell).ok()) failed = 2;
    if (!failed && sink.messages.size() != 1) failed = 3;
    if (!failed && !fs::is_empty(vault.Layout().TempDir())) failed = 4;
    // Fill the disk to the last byte, then save a change.
    std::ofstream filler(mountPoint / "filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), block.size())) {
    }
    vault.Items().MoveTo(1);
    vault.Items().Edit();
    vault.Items().SetField(ItemField::Comment, FieldValue::Text(std::string(5000, 'c')));
    vault.Items().Post();
    if (!failed && vault.SaveIndex()) failed = 5;
  }
  Vault reloaded(base);
  if (!failed && reloaded.LoadIndex().outcome != IndexLoadReport::Outcome::Loaded) failed = 6;
  if (!failed && reloaded.Items().RecordCount() != 1) failed = 7;
  fs::remove(mountPoint / "filler");
  const fs::path out = sources / "out";
  fs::create_directories(out);
  reloaded.Items().MoveTo(1);
  sink = testing::RecordingSink();
  if (!failed &&
      ExtractItem(reloaded, reloaded.Items().Field(ItemField::Index).AsInteger(), out, {sink, work}, nullptr).code !=
          api::Code::Ok)
    failed = 8;
  if (!failed && ReadFile(out / "small.txt") != RandomBytes(20000, 1)) failed = 9;
  fs::remove_all(sources);
  return failed;
}

// The refusal of an add for want of room names sizes that can be read: never "0.0 GB".
TEST(FreeSpaceTest, AmountsReadInTheUnitThatShowsThem) {
  const std::pair<uint64_t, const char*> cases[] = {
      {0, "0.0 KB"}, {1536, "1.5 KB"}, {50ull << 20, "50.0 MB"}, {(3ull << 30) / 2, "1.5 GB"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(Amount(bytes), text) << bytes;
}

TEST(RealFullDiskTest, ImportAndSaveOnAFullFileSystemLoseNothing) {
  if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs root";
  testing::TempDir dir;
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(ImportOntoASmallDisk(dir.Path()));
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no private mount namespace here";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "first failed check";
}

}  // namespace
}  // namespace kestramo

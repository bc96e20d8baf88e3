// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "storage/vault/durable_file.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/index_file.h"
#include "storage/vault/vault.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using Outcome = IndexLoadReport::Outcome;

void AddRecord(Vault& v, int32_t index, const std::string& box, const std::string& name = "") {
  v.Items().Append();
  v.Items().SetField(ItemField::Box, FieldValue::Text(box));
  if (!name.empty()) {
    v.Items().SetField(ItemField::Index, FieldValue::Integer(index));
    v.Items().SetField(ItemField::Name, FieldValue::Text(name));
  }
  v.Items().Post();
}

using testing::ReadFile;
using testing::WriteFile;

std::vector<uint8_t> Bytes(const fs::path& p) { return ReadWholeFile(p).value_or({}); }

TEST(VaultIndexTest, NextItemIndexFillsTheFirstGap) {
  TempDir dir;
  Vault v(dir.Path());
  EXPECT_EQ(v.NextItemIndex(), 1);
  AddRecord(v, 0, "Box");
  EXPECT_EQ(v.NextItemIndex(), 1);
  AddRecord(v, 1, "Box", "a");
  AddRecord(v, 2, "Box", "b");
  AddRecord(v, 4, "Box", "d");
  EXPECT_EQ(v.NextItemIndex(), 3);
  AddRecord(v, 3, "Box", "c");
  EXPECT_EQ(v.NextItemIndex(), 5);
}

TEST(VaultIndexTest, NextItemIndexAgreesWithTheSortedDefinitionOnAnyNumbers) {
  // Duplicates, box records (0), numbers far apart and negative ones from a foreign index.
  std::mt19937 rng(77);
  for (int round = 0; round < 200; ++round) {
    TempDir dir;
    Vault v(dir.Path());
    std::vector<int32_t> numbers;
    const int count = 1 + static_cast<int>(rng() % 40);
    for (int i = 0; i < count; ++i) {
      const int32_t n = rng() % 5 == 0 ? static_cast<int32_t>(rng() % 2000) - 1000 : static_cast<int32_t>(rng() % 30);
      numbers.push_back(n);
      AddRecord(v, n, "Box", "x");
    }
    std::sort(numbers.begin(), numbers.end());
    int64_t expected = numbers.front();
    while (std::binary_search(numbers.begin(), numbers.end(), static_cast<int32_t>(expected + 1))) ++expected;
    ASSERT_EQ(v.NextItemIndex(), expected + 1) << "round " << round;
  }
}

// Byte layout: docs/formats/classic-index.md
TEST(VaultIndexTest, NewVaultGetsAnEmptyIndexUnderThePrefixKey) {
  TempDir dir;
  Vault v(dir.Path());
  const IndexLoadReport report = v.LoadIndex();
  EXPECT_EQ(report.outcome, Outcome::Created);
  EXPECT_FALSE(report.NeedsAttention());
  EXPECT_EQ(v.MasterKey(), "vendrali");
  const auto bytes = Bytes(v.Layout().IndexFile());
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes[0], 12);  // 8-character key wraps to 12 base64 characters
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 13), "RxBuEOkDsGk=");
  EXPECT_TRUE(fs::is_directory(dir / "temp"));
  EXPECT_TRUE(fs::is_directory(dir / "backup"));
}

TEST(VaultIndexTest, SaveAndLoadRoundTripWithPasswordAndBackupGenerations) {
  TempDir dir;
  {
    Vault v(dir.Path());
    v.LoadIndex();
    v.SetPassword("pass1234");
    AddRecord(v, 0, "Work");
    AddRecord(v, 1, "Work", "a.txt");
    ASSERT_TRUE(v.SaveIndex());
    const auto first = Bytes(v.Layout().IndexFile());
    EXPECT_EQ(first[0], 24);  // a 16-character key wraps to 24 characters
    AddRecord(v, 2, "Work", "b.txt");
    ASSERT_TRUE(v.SaveIndex());
    EXPECT_EQ(Bytes(v.Layout().BackupIndexFile()), first);  // backup holds the previous generation
    EXPECT_FALSE(fs::exists(v.Layout().TempIndexFile()));
  }
  Vault back(dir.Path());
  EXPECT_EQ(back.LoadIndex().outcome, Outcome::Loaded);
  EXPECT_EQ(back.MasterKey(), "vendralipass1234");
  EXPECT_TRUE(back.HasPassword());
  ASSERT_EQ(back.Items().RecordCount(), 3);
  back.Items().MoveTo(3);
  EXPECT_EQ(back.Items().FieldByName("Name").AsString(), "b.txt");
}

// Eight characters of a password may take up to 32 bytes; the vault must read its own key back.
TEST(VaultIndexTest, PasswordsOfWideCharactersLoadBack) {
  for (const std::string password : {"ääääääää", "🔑🔑🔑🔑🔑🔑🔑🔑"}) {
    TempDir dir;
    {
      Vault v(dir.Path());
      v.LoadIndex();
      v.SetPassword(password + "x");  // the ninth character is cut off
      AddRecord(v, 0, "Box");
      ASSERT_TRUE(v.SaveIndex());
    }
    Vault back(dir.Path());
    EXPECT_EQ(back.LoadIndex().outcome, Outcome::Loaded) << password;
    EXPECT_EQ(back.MasterKey(), "vendrali" + password);
  }
}

// Removing the index must not bring back a generation that opens without the new password.
TEST(VaultIndexTest, ThePasswordReachesTheBackupToo) {
  TempDir dir;
  {
    Vault v(dir.Path());
    v.LoadIndex();
    AddRecord(v, 0, "Box");
    ASSERT_TRUE(v.SaveIndex());
    v.SetPassword("newkey");
    ASSERT_TRUE(v.SaveIndex());
  }
  fs::remove(dir / "coffrel/index.dat");
  Vault back(dir.Path());
  ASSERT_EQ(back.LoadIndex().outcome, Outcome::Restored);
  EXPECT_EQ(back.MasterKey(), "vendralinewkey");
}

TEST(VaultIndexTest, SaveWritesTheIndexWhenItIsAbsent) {
  TempDir dir;
  Vault v(dir.Path());
  v.LoadIndex();
  fs::remove(v.Layout().IndexFile());
  AddRecord(v, 0, "Box");
  EXPECT_TRUE(v.SaveIndex());
  Vault back(dir.Path());
  EXPECT_EQ(back.LoadIndex().outcome, Outcome::Loaded);
  EXPECT_EQ(back.Items().RecordCount(), 1);
}

TEST(VaultIndexTest, DamagedIndexIsSetAsideAndTheNewestGoodGenerationRestored) {
  TempDir dir;
  {
    Vault v(dir.Path());
    v.LoadIndex();
    AddRecord(v, 0, "Box");
    v.SaveIndex();
    AddRecord(v, 1, "Box", "kept.txt");
    v.SaveIndex();  // backup now holds the one-record generation
  }
  const auto damagedBytes = std::string("\x0c") + "garbage that is not an index";
  WriteFile(dir / "coffrel/index.dat", damagedBytes);

  Vault v(dir.Path());
  const IndexLoadReport report = v.LoadIndex();
  EXPECT_EQ(report.outcome, Outcome::Restored);
  EXPECT_EQ(report.restoredFrom, dir / "backup/index.dat");
  EXPECT_TRUE(report.NeedsAttention());
  EXPECT_NE(report.Message().find("backup"), std::string::npos);
  EXPECT_EQ(v.Items().RecordCount(), 1);
  ASSERT_FALSE(report.setAside.empty());
  const auto aside = Bytes(report.setAside);
  EXPECT_EQ(std::string(aside.begin(), aside.end()), damagedBytes);  // never overwritten
  // coffrel/index.dat is good again.
  Vault again(dir.Path());
  EXPECT_EQ(again.LoadIndex().outcome, Outcome::Loaded);
}

TEST(VaultIndexTest, AMissingIndexIsTakenFromTheNewerOfTempAndBackup) {
  TempDir dir;
  {
    Vault v(dir.Path());
    v.LoadIndex();
    AddRecord(v, 0, "Box");
    v.SaveIndex();
    AddRecord(v, 1, "Box", "newest.txt");
    v.SaveIndex();
  }
  // A save interrupted after the old index was removed: the new one still sits in temp/.
  fs::rename(dir / "coffrel/index.dat", dir / "temp/index.dat");
  fs::last_write_time(dir / "backup/index.dat", fs::file_time_type::clock::now() - std::chrono::hours(1));
  Vault v(dir.Path());
  const IndexLoadReport report = v.LoadIndex();
  EXPECT_EQ(report.outcome, Outcome::Restored);
  EXPECT_EQ(report.restoredFrom, dir / "temp/index.dat");
  EXPECT_TRUE(report.setAside.empty());
  EXPECT_EQ(v.Items().RecordCount(), 2);
}

TEST(VaultIndexTest, AFirstSaveCutShortStartsAsANewVault) {
  TempDir dir;
  WriteFile(dir / "temp/index.dat", "\x0cpart of a first ind");
  WriteFile(dir / "backup/index.dat", "");
  Vault v(dir.Path());
  EXPECT_EQ(v.LoadIndex().outcome, Outcome::Created);
  EXPECT_EQ(Vault(dir.Path()).LoadIndex().outcome, Outcome::Loaded);
}

TEST(VaultIndexTest, NothingReadableWithItemFilesStartsEmptyAndDeletesNothing) {
  TempDir dir;
  {
    Vault v(dir.Path());
    v.LoadIndex();
  }
  WriteFile(dir / "coffrel/index.dat", "x");
  fs::remove(dir / "backup/index.dat");
  WriteFile(dir / "coffrel/item0000000001.dat", "sealed item");
  Vault v(dir.Path());
  const IndexLoadReport report = v.LoadIndex();
  EXPECT_EQ(report.outcome, Outcome::Unreadable);
  EXPECT_FALSE(report.Message().empty());
  EXPECT_EQ(v.Items().RecordCount(), 0);
  EXPECT_TRUE(fs::exists(dir / "coffrel/item0000000001.dat"));
  EXPECT_TRUE(fs::exists(report.setAside));
  // An unreadable older generation is kept aside as well: two saves later it is still there.
  WriteFile(dir / "backup/index.dat", "also unreadable");
  Vault again(dir.Path());
  ASSERT_EQ(again.LoadIndex().outcome, Outcome::Unreadable);
  AddRecord(again, 0, "Box");
  ASSERT_TRUE(again.SaveIndex());
  AddRecord(again, 0, "Box 2");
  ASSERT_TRUE(again.SaveIndex());
  int keptAside = 0;
  for (const auto& e : fs::directory_iterator(dir / "backup")) {
    if (e.path().filename().string().rfind("index.dat.damaged-", 0) == 0 && ReadFile(e.path()) == "also unreadable") {
      ++keptAside;
    }
  }
  EXPECT_EQ(keptAside, 1);
}

// A command that changed nothing leaves the index alone, and with it the backup generation:
// one click must not turn yesterday's backup into a copy of today's index.
TEST(VaultIndexTest, OnlyChangesAreSaved) {
  TempDir dir;
  {
    Vault v(dir.Path());
    v.LoadIndex();
    EXPECT_FALSE(v.HasUnsavedChanges());
    AddRecord(v, 0, "Box");
    EXPECT_TRUE(v.HasUnsavedChanges());
    ASSERT_TRUE(v.SaveIndex());
    EXPECT_FALSE(v.HasUnsavedChanges());
  }
  WriteFile(dir / "temp/item0000000007.zip", "a plain archive left by a killed run");
  Vault v(dir.Path());
  ASSERT_EQ(v.LoadIndex().outcome, Outcome::Loaded);
  EXPECT_FALSE(fs::exists(dir / "temp/item0000000007.zip"));
  EXPECT_FALSE(v.HasUnsavedChanges());
  v.Items().MoveTo(1);
  v.Items().Edit();
  v.Items().Post();
  EXPECT_TRUE(v.HasUnsavedChanges());
  ASSERT_TRUE(v.SaveIndex());
  v.SetPassword("key");
  EXPECT_TRUE(v.HasUnsavedChanges());
  ASSERT_TRUE(v.SaveIndex());
  v.Items().DeleteWhere([](const ItemRecord&) { return false; });
  EXPECT_FALSE(v.HasUnsavedChanges());
}

TEST(VaultIndexTest, WrongKeyOrTruncatedTailIsNeverLoadedAsGarbage) {
  TempDir dir;
  Vault v(dir.Path());
  v.LoadIndex();
  AddRecord(v, 1, "Box", "a");
  const auto good = EncodeIndexFile(v.Cipher(), v.Items(), "vendrali");
  EXPECT_TRUE(DecodeIndexFile(v.Cipher(), good).ok());

  auto truncated = good;
  truncated.pop_back();
  EXPECT_EQ(DecodeIndexFile(v.Cipher(), truncated).status().code, api::Code::Damaged);

  // The same table sealed under one key but labelled with another.
  auto relabelled = EncodeIndexFile(v.Cipher(), v.Items(), "vendralix");
  const auto other = EncodeIndexFile(v.Cipher(), v.Items(), "vendrali");
  relabelled.resize(1 + relabelled[0]);
  relabelled.insert(relabelled.end(), other.begin() + 1 + other[0], other.end());
  const auto refused = DecodeIndexFile(v.Cipher(), relabelled);
  EXPECT_EQ(refused.status().code, api::Code::Damaged);
  EXPECT_FALSE(refused.status().message.empty());
}

// A Cancel aimed at an item's encryption clears the item cipher's flag while the import
// goes on to save the index; the save must still write the whole table.
TEST(VaultIndexTest, CancellingTheItemCipherNeverCutsAnIndexSaveShort) {
  TempDir dir;
  Vault v(dir.Path());
  v.LoadIndex();
  for (int32_t n = 1; n <= 400; ++n) AddRecord(v, n, "Box", "item number " + std::to_string(n));
  auto stopOnReport = [&v](int64_t, int64_t) { v.Cipher().ContinueFlag() = false; };
  v.Cipher().SetOnProgress(stopOnReport);

  // Sealing through a cipher that stops after one chunk gives nothing, not a short table.
  EXPECT_TRUE(EncodeIndexFile(v.Cipher(), v.Items(), v.MasterKey()).empty());

  ASSERT_TRUE(v.SaveIndex());
  Vault again(dir.Path());
  const api::Status read = again.ReadIndex();
  ASSERT_TRUE(read.ok()) << read.message;
  EXPECT_EQ(again.Items().RecordCount(), 400);
}

TEST(FileHelpersTest, DeleteMatchingFilesTouchesOnlyMatchingPlainFiles) {
  TempDir dir;
  EXPECT_TRUE(DeleteMatchingFiles(dir.Path(), "*.*"));  // no match is success
  fs::create_directories(dir / "sub");
  WriteFile(dir / "sub/inner.zip", "x");
  WriteFile(dir / "a.zip", "x");
  WriteFile(dir / "b.dat", "x");
  WriteFile(dir / ".hidden", "x");
  fs::permissions(dir / "b.dat", fs::perms::owner_read);  // read-only files go too
  EXPECT_TRUE(DeleteMatchingFiles(dir.Path(), "*.zip"));
  EXPECT_FALSE(fs::exists(dir / "a.zip"));
  EXPECT_TRUE(fs::exists(dir / "b.dat"));
  EXPECT_TRUE(DeleteMatchingFiles(dir.Path(), "*.*"));
  EXPECT_FALSE(fs::exists(dir / "b.dat"));
  EXPECT_FALSE(fs::exists(dir / ".hidden"));
  EXPECT_TRUE(fs::exists(dir / "sub/inner.zip"));
  EXPECT_TRUE(ShellDeleteTree(dir / "sub"));
  EXPECT_FALSE(fs::exists(dir / "sub"));
  EXPECT_TRUE(WildcardMatch("item?.z*", "item1.zip"));
  EXPECT_FALSE(WildcardMatch("item?.z*", "item12.zip"));
}

}  // namespace
}  // namespace kestramo

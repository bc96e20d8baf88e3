// SPDX-License-Identifier: GPL-3.0-or-later
// A hardened vault against whoever can write its folder: a classic index put in its place,
// an older generation put back, another vault's files, planted staging files, costly
// headers; and the vault hardened by the program's first hardened format, still opened.
#include <gtest/gtest.h>
#include <sys/prctl.h>

#include "hardened_fixture.h"
#include "storage/hardened/hardened_index.h"
#include "storage/vault/classic_leftovers.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/index_file.h"
#include "storage/vault/vault_health.h"

namespace kestramo {
namespace {

using testing::HardenedVaultTest;
using testing::kCheapCost;
using testing::kPassphrase;
using testing::ReadFile;
using testing::Snapshot;
using testing::WriteFile;
using Outcome = IndexLoadReport::Outcome;
namespace fs = std::filesystem;

// A classic index made elsewhere copied over the hardened one, each generation spoilt, or
// only a sealed item or the user's record left: never a classic or empty vault in its place,
// and nothing renamed, removed or written.
TEST_F(HardenedVaultTest, NoClassicOrEmptyVaultEverTakesAHardenedOnesPlace) {
  Vault other(dir / "other");
  other.LoadIndex();
  const std::string classicIndex = ReadFile(other.Layout().IndexFile());
  const std::string content = testing::RandomBytes(5000, 4);
  Harden();
  const int32_t item = Add("a.bin", content);
  const VaultLayout layout(dir / "vault");  // by name: it outlives the vaults that Reopen makes

  const struct {
    const char* attack;
    std::function<void()> spoil;
    Outcome expected;
  } attacks[] = {
      {"a classic index copied over the main one", [&] { WriteFile(layout.IndexFile(), classicIndex); },
       Outcome::Downgraded},
      {"a classic index over both generations",
       [&] {
         WriteFile(layout.IndexFile(), classicIndex);
         WriteFile(layout.BackupIndexFile(), classicIndex);
       },
       Outcome::Downgraded},
      {"the version byte flipped in both generations",
       [&] {
         testing::FlipBit(layout.IndexFile(), 9);
         testing::FlipBit(layout.BackupIndexFile(), 9);
       },
       Outcome::Unreadable},
      {"every generation gone, the item file left",
       [&] {
         fs::remove(layout.IndexFile());
         fs::remove(layout.BackupIndexFile());
       },
       Outcome::Unreadable},
      {"every file gone, the user's record left",
       [&] {
         fs::remove_all(layout.Base());
         fs::create_directories(layout.Base());
       },
       Outcome::Unreadable},
  };
  const auto good = Snapshot(dir / "vault");
  for (const auto& a : attacks) {
    a.spoil();
    WriteFile(layout.TempDir() / "item0000000009.zip", "a working file of another run");
    const auto before = Snapshot(dir / "vault");
    EXPECT_EQ(Reopen(kPassphrase), a.expected) << a.attack;
    EXPECT_EQ(vault->Items().RecordCount(), 0) << a.attack;
    EXPECT_TRUE(report.Refused() || report.hardened) << a.attack;
    EXPECT_EQ(Snapshot(dir / "vault"), before) << a.attack << ": nothing may change";
    // Put the vault back as it was.
    fs::remove_all(dir / "vault");
    for (const auto& [path, bytes] : good) WriteFile(dir / "vault" / path, bytes);
  }
  ASSERT_EQ(Reopen(kPassphrase), Outcome::Loaded);
  EXPECT_EQ(Export(item, "a.bin"), content);
}

// An older generation put back, or another hardened vault's files, is refused with both
// figures named and nothing touched; accepted, it opens and its next save is newer than both.
TEST_F(HardenedVaultTest, AnOlderIndexOrAnotherVaultIsRefusedUnlessAccepted) {
  Harden();
  const int32_t first = Add("a.txt", "first");
  const VaultLayout layout(dir / "vault");  // by name: it outlives the vaults that Reopen makes
  const std::string oldMain = ReadFile(layout.IndexFile()), oldBackup = ReadFile(layout.BackupIndexFile());
  const int32_t second = Add("b.txt", "second");
  const uint64_t newest = vault->Seal().saveCounter;

  WriteFile(layout.IndexFile(), oldMain);
  WriteFile(layout.BackupIndexFile(), oldBackup);
  const auto before = Snapshot(dir / "vault");
  EXPECT_EQ(Reopen(kPassphrase), Outcome::RolledBack);
  EXPECT_NE(report.detail.find(std::to_string(newest)), std::string::npos) << report.detail;
  EXPECT_NE(report.detail.find(std::to_string(newest - 1)), std::string::npos) << report.detail;
  EXPECT_EQ(Snapshot(dir / "vault"), before);
  fs::remove(layout.IndexFile());
  EXPECT_EQ(Reopen(kPassphrase), Outcome::RolledBack) << "restored from the older backup, it is older still";
  WriteFile(layout.IndexFile(), oldMain);

  ASSERT_EQ(Reopen(kPassphrase, true), Outcome::Loaded);
  EXPECT_TRUE(vault->OpenedOlderIndex());
  EXPECT_EQ(Export(first, "a.txt"), "first");
  EXPECT_TRUE(fs::exists(layout.ItemFile(second))) << "the newer item's file is kept";
  ASSERT_TRUE(vault->SaveIndex());
  EXPECT_GT(vault->Seal().saveCounter, newest);
  EXPECT_EQ(Reopen(kPassphrase), Outcome::Loaded) << "saved after acceptance, it is the newest";

  // Another hardened vault's generations in this folder.
  testing::TempDir elsewhere;
  {
    Vault other(elsewhere / "v");
    other.LoadIndex();
    ASSERT_TRUE(HardenVault(other, kPassphrase, kCheapCost).ok());
  }
  for (const fs::path& name : {fs::path("coffrel/index.dat"), fs::path("backup/index.dat")}) {
    fs::copy_file(elsewhere / "v" / name, dir / "vault" / name, fs::copy_options::overwrite_existing);
  }
  EXPECT_EQ(Reopen(kPassphrase), Outcome::RolledBack);
  EXPECT_NE(report.detail.find("another hardened vault"), std::string::npos) << report.detail;
}

// A changed passphrase seals the index under a new vault key: the key that an old copy of the
// index gives, with the old passphrase, opens no later generation.
TEST_F(HardenedVaultTest, AChangedPassphraseLeavesTheOldVaultKeyUseless) {
  Harden();
  const int32_t item = Add("a.txt", "contents");
  const auto oldBytes = ReadWholeFile(vault->Layout().IndexFile());
  ASSERT_TRUE(vault->ChangePassphrase("a brand new phrase", kCheapCost));
  ASSERT_TRUE(vault->SaveIndex());

  IndexUnlocker unlocker;
  unlocker.Offer(kPassphrase);
  std::optional<HardenedKeys> oldKeys;
  OpenedIndex opened;
  ASSERT_TRUE(unlocker.Open(*oldBytes, &oldKeys, &opened).ok());
  for (const fs::path& generation : {vault->Layout().IndexFile(), vault->Layout().BackupIndexFile()}) {
    EXPECT_FALSE(OpenHardenedTable(*ReadWholeFile(generation), oldKeys->VaultKey()).ok()) << generation;
  }
  EXPECT_EQ(Reopen(kPassphrase), Outcome::Locked);
  ASSERT_EQ(Reopen("a brand new phrase"), Outcome::Loaded);
  EXPECT_EQ(Export(item, "a.txt"), "contents");
}

// A file of several pieces goes straight into the sealed item, its sizes after its data, and
// comes back out through the sealed scratch in several writes, each keeping what the one
// before left of its block.
TEST_F(HardenedVaultTest, ALargeItemGoesInAndComesOutThroughTheSealedScratch) {
  Harden();
  const std::string large = testing::RandomBytes(3 * 1024 * 1024 + 77, 11);
  const int32_t item = Add("large.bin", large);
  ASSERT_NE(item, 0) << (sink.messages.empty() ? "" : sink.messages.back());
  EXPECT_EQ(Export(item, "large.bin"), large);
}

// Each item has a key of its own, none of them the vault's.
TEST_F(HardenedVaultTest, EveryItemIsSealedUnderAKeyOfItsOwn) {
  Harden();
  Add("a.txt", "one");
  Add("b.txt", "two");
  std::vector<std::string> keys;
  for (const ItemRecord& row : vault->Items().AllRecords()) {
    if (!FieldOf(row, ItemField::Name).IsNull()) keys.push_back(FieldOf(row, ItemField::Password).AsString());
  }
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_NE(keys[0], keys[1]);
  for (const std::string& key : keys) EXPECT_FALSE(*ItemKeyFromText(key) == vault->Hardened()->VaultKey());
}

// A file planted in temp/hardening/ is never moved over an item; a wrong passphrase, or a
// header that cannot be read, leaves every file as it was; the process keeps its secrets.
TEST_F(HardenedVaultTest, NothingUntrustedIsMovedInAndNothingIsTouchedBeforeThePassphrase) {
  Harden();
  const int32_t item = Add("a.txt", "genuine");
  const VaultLayout layout(dir / "vault");  // by name: it outlives the vaults that Reopen makes
  EXPECT_EQ(prctl(PR_GET_DUMPABLE), 0) << "no core file may hold the keys";

  fs::create_directories(layout.HardeningDir());
  WriteFile(layout.HardeningDir() / layout.ItemFile(item).filename(), "x");
  ASSERT_EQ(Reopen(kPassphrase), Outcome::Loaded);
  EXPECT_EQ(Export(item, "a.txt"), "genuine");
  EXPECT_FALSE(fs::exists(layout.HardeningDir()));

  WriteFile(layout.TempDir() / "item0000000003.zip", "left by a killed run");
  WriteFile(layout.TempDir() / "verify" / "x", "left by a killed check");
  auto before = Snapshot(dir / "vault");
  EXPECT_EQ(Reopen("not the passphrase"), Outcome::Locked);
  EXPECT_EQ(Snapshot(dir / "vault"), before) << "a wrong passphrase";
  testing::FlipBit(layout.IndexFile(), 10);
  testing::FlipBit(layout.BackupIndexFile(), 10);
  before = Snapshot(dir / "vault");
  EXPECT_NE(Reopen(""), Outcome::Loaded);
  EXPECT_EQ(Snapshot(dir / "vault"), before) << "an unreadable header";
}

// One passphrase attempt derives one key, however many generations ask for others, and a
// header may ask for no more than ten default derivations.
TEST(HardenedCostTest, AnAttemptDerivesOnceAndWithinBounds) {
  const struct {
    uint32_t passes;
    uint64_t memory;
    bool allowed;
  } costs[] = {{kDefaultKdfPasses, kDefaultKdfMemory, true},
               {7, kMaxKdfMemory, true},
               {8, kMaxKdfMemory, false},
               {32, kMaxKdfMemory, false},
               {1, kMaxKdfMemory + 1, false},
               {1, kMinKdfMemory - 1, false},
               {kMaxKdfPasses + 1, kMinKdfMemory, false}};
  for (const auto& c : costs) {
    KdfParams params = FreshKdfParams(c.passes, c.memory);
    EXPECT_EQ(KdfParamsProblem(params).empty(), c.allowed) << c.passes << " x " << c.memory;
  }

  ItemTable table;
  const auto a = HardenedKeys::Create(kPassphrase, kCheapCost), b = HardenedKeys::Create(kPassphrase, kCheapCost);
  ASSERT_TRUE(a && b);
  IndexUnlocker unlocker;
  unlocker.Offer(kPassphrase);
  std::optional<HardenedKeys> keys;
  OpenedIndex opened;
  EXPECT_TRUE(unlocker.Open(EncodeHardenedIndex(a->Wrap(), a->VaultKey(), {}, table), &keys, &opened).ok());
  EXPECT_EQ(unlocker.Open(EncodeHardenedIndex(b->Wrap(), b->VaultKey(), {}, table), &keys, &opened).code,
            api::Code::Locked)
      << "another salt is another derivation";
}

// The table is sealed with the file's head as associated data: the head of one generation
// spliced onto the body of another, both under the same vault key, never opens.
TEST(HardenedCostTest, AHeadSplicedOntoAnotherBodyNeverOpens) {
  ItemTable table;
  auto keys = HardenedKeys::Create(kPassphrase, kCheapCost);
  ASSERT_TRUE(keys);
  const std::vector<uint8_t> first = EncodeHardenedIndex(keys->Wrap(), keys->VaultKey(), {}, table);
  ASSERT_TRUE(keys->Rewrap("another long phrase", kCheapCost));
  std::vector<uint8_t> spliced = EncodeHardenedIndex(keys->Wrap(), keys->VaultKey(), {}, table);
  std::copy(first.begin() + kKeyWrapSize, first.end(), spliced.begin() + kKeyWrapSize);
  EXPECT_TRUE(OpenHardenedTable(first, keys->VaultKey()).ok());
  EXPECT_FALSE(OpenHardenedTable(spliced, keys->VaultKey()).ok());
}

// Vaults hardened by the earlier hardened formats: each opens, its items come out, a new item
// is bound, and its next save writes today's format. The first format's
// items keep their own checks: a byte appended to one is refused.
TEST_F(HardenedVaultTest, VaultsOfEarlierHardenedFormatsOpenAndAreBroughtUpToDate) {
  const fs::path source = fs::path(KESTRAMO_TEST_VECTORS) / "hardened_v1" / "source";
  for (const auto& [fixture, legacy] : {std::pair{"hardened_v1", true}, std::pair{"hardened_v2", false}}) {
    SCOPED_TRACE(fixture);
    fs::remove_all(dir / "vault");
    fs::copy(fs::path(KESTRAMO_TEST_VECTORS) / fixture / "vault", dir / "vault", fs::copy_options::recursive);
    ASSERT_EQ(Reopen("fixture passphrase"), Outcome::Loaded);
    EXPECT_EQ(Export(1, "note.txt"), ReadFile(source / "note.txt"));
    EXPECT_EQ(Export(2, "folder/sub/b.bin"), ReadFile(source / "folder" / "sub" / "b.bin"));
    const int32_t added = Add("new.txt", "bound");
    // The first format's identity is new, so its backup is rewritten too; a later one's backup
    // stays one save older, as always.
    EXPECT_EQ(ReadFile(vault->Layout().IndexFile())[8], kHardenedIndexVersion);
    if (legacy) {
      EXPECT_EQ(ReadFile(vault->Layout().BackupIndexFile())[8], kHardenedIndexVersion);
    }
    ASSERT_EQ(Reopen("fixture passphrase"), Outcome::Loaded);
    EXPECT_EQ(vault->SealingOf(1), legacy ? ItemSealing::Legacy : ItemSealing::Bound);
    EXPECT_EQ(vault->SealingOf(added), ItemSealing::Bound);
    EXPECT_EQ(Export(added, "new.txt"), "bound");
    EXPECT_EQ(Export(2, "folder/a.txt"), "alpha");
    WriteFile(vault->Layout().ItemFile(1), ReadFile(vault->Layout().ItemFile(1)) + "x");
    EXPECT_EQ(Export(1, "note.txt"), "");
    fs::remove_all(dir / "state");  // the next fixture is another vault in the same folder
  }
}

// Besides the recorded items a classic folder may hold a stray item file, a set-aside index,
// a scratch copy: hardening re-seals what opens and removes the rest, and afterwards no file
// of the folder opens with the classic keys.
TEST_F(HardenedVaultTest, HardeningLeavesNothingClassicBehind) {
  const std::string content = testing::RandomBytes(3000, 8);
  const int32_t item = Add("a.bin", content);
  const VaultLayout layout(dir / "vault");  // by name: it outlives the vaults that Reopen makes
  const std::string classicIndex = ReadFile(layout.IndexFile());
  // Numbered right after the last record: its recovered copy takes that very number.
  fs::copy_file(layout.ItemFile(item), layout.ItemFile(item + 1));
  WriteFile(layout.CoffrelDir() / "index.dat.damaged-20260101-000000", classicIndex);
  WriteFile(layout.CoffrelDir() / "item0000000008.dat.unrecorded-20260101-000000", testing::RandomBytes(500, 9));
  WriteFile(layout.TempIndexFile(), classicIndex);
  const std::string classicKey = vault->MasterKey();
  Harden();

  int32_t recovered = 0;
  for (const ItemRecord& row : vault->Items().AllRecords()) {
    if (FieldOf(row, ItemField::Box).AsString() == kRecoveryBox && !FieldOf(row, ItemField::Name).IsNull()) {
      recovered = FieldOf(row, ItemField::Index).AsInteger();
      // Named for what it holds, so that it is what its record says.
      EXPECT_EQ(FieldOf(row, ItemField::Name).AsString(), "a.bin");
      EXPECT_FALSE(FieldOf(row, ItemField::Folder).AsBoolean());
    }
  }
  ASSERT_NE(recovered, 0) << "the stray item file is kept as an item";
  EXPECT_EQ(Export(recovered, "a.bin"), content);
  const api::VaultHealth health = CheckVaultHealth(*vault);
  EXPECT_TRUE(health.findings.empty()) << health.findings.front().detail;
  EXPECT_EQ(Export(item, "a.bin"), content);
  EXPECT_TRUE(ClassicFilesIn(*vault).empty());
  EXPECT_TRUE(vault->Seal().leftovers.empty());
  CipherManager cipher;
  for (const auto& [path, bytes] : Snapshot(dir / "vault")) {
    const fs::path file = dir / "vault" / path;
    EXPECT_FALSE(OpensAsArchive(*vault, file, classicKey)) << path;
    EXPECT_FALSE(DecodeIndexFile(cipher, std::vector<uint8_t>(bytes.begin(), bytes.end())).ok()) << path;
  }
}

// A conversion cut after its index switch leaves the leftovers it lists: the next open
// removes them and saves the list away, and keeps every file a later save or item put under
// a listed name, and anything the list names outside the vault's folders.
TEST_F(HardenedVaultTest, AnOpenFinishesTheRemovalsOfAConversionCutShort) {
  const int32_t item = Add("a.txt", "kept");
  const std::string classicIndex = ReadFile(vault->Layout().IndexFile());
  Harden();
  const struct {
    const char* listed;
    std::string content;
    bool removed;
  } files[] = {
      {"coffrel/index.dat.damaged-20260101-000000", classicIndex, true},
      {"coffrel/item0000000008.dat.unrecorded-20260101-000000", testing::RandomBytes(500, 9), true},
      {"temp/leftover.bin", "PK scratch", true},
      {"coffrel/index.dat.kept-20260101-000000", ReadFile(vault->Layout().IndexFile()), false},  // hardened
      {"coffrel/item0000000001.dat", ReadFile(vault->Layout().ItemFile(item)), false},           // a recorded item's
      {"coffrel/../outside.txt", "not the vault's", false},
      {"../outside.txt", "not the vault's", false},
  };
  std::vector<std::string> listed;
  for (const auto& f : files) {
    listed.push_back(f.listed);
    if (f.removed || !fs::exists(dir / "vault" / f.listed)) WriteFile(dir / "vault" / f.listed, f.content);
  }
  vault->ListLeftovers(listed);
  ASSERT_TRUE(vault->SaveIndex());  // as the switch saved it, the removals then cut short

  ASSERT_EQ(Reopen(kPassphrase), Outcome::Loaded);
  for (const auto& f : files) {
    const fs::path file = dir / "vault" / f.listed;
    EXPECT_EQ(fs::exists(file), !f.removed) << f.listed;
    if (!f.removed) {
      EXPECT_EQ(ReadFile(file), f.content) << f.listed;
    }
  }
  EXPECT_TRUE(ClassicFilesIn(*vault).empty());
  EXPECT_EQ(Export(item, "a.txt"), "kept");
  ASSERT_EQ(Reopen(kPassphrase), Outcome::Loaded);
  EXPECT_TRUE(vault->Seal().leftovers.empty()) << "the list is saved away once done";
  const api::VaultHealth health = CheckVaultHealth(*vault);
  EXPECT_TRUE(health.findings.empty() && health.classic.empty());
}

// A full rotation: new passphrase, new vault key, every item sealed again under a new key, in
// every generation; the old keys open nothing that is left.
TEST_F(HardenedVaultTest, ResealingGivesEveryItemANewKeyInEveryGeneration) {
  Harden();
  const int32_t item = Add("a.txt", "rotated");
  const std::string oldKey = FieldOf(vault->Items().AllRecords().back(), ItemField::Password).AsString();
  ASSERT_TRUE(vault->ChangePassphrase("a brand new phrase", kCheapCost));
  ASSERT_TRUE(vault->ResealItems().ok());
  EXPECT_FALSE(OpenItemFile(vault->Layout().ItemFile(item), *ItemKeyFromText(oldKey), vault->BindingOf(item),
                            ItemSealing::Bound, dir / "probe", nullptr, {})
                   .ok());
  EXPECT_EQ(Export(item, "a.txt"), "rotated");
  fs::remove(vault->Layout().IndexFile());
  ASSERT_EQ(Reopen("a brand new phrase"), Outcome::Restored) << "the backup took the new keys too";
  EXPECT_NE(FieldOf(vault->Items().AllRecords().back(), ItemField::Password).AsString(), oldKey);
  EXPECT_EQ(Export(item, "a.txt"), "rotated");
}

}  // namespace
}  // namespace kestramo

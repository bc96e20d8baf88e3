// SPDX-License-Identifier: GPL-3.0-or-later
// A hardened vault through the pipelines: conversion, passphrases, damage, and where its
// plain bytes may and may not be found while items go in and out.
#include <gtest/gtest.h>

#include "hardened_fixture.h"
#include "storage/disk/disk_write.h"
#include "storage/hardened/hardened_index.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/item_export.h"
#include "storage/vault/vault_hardening.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

using testing::HardenedVaultTest;
using testing::kCheapCost;
using testing::kPassphrase;
using testing::Snapshot;

TEST_F(HardenedVaultTest, HardeningKeepsEveryItemAndLeavesNoClassicCopy) {
  const std::string a = testing::RandomBytes(150000, 1), b = "small";
  const int32_t first = Add("a.bin", a), second = Add("b.txt", b);
  vault->SetPassword("door");
  ASSERT_TRUE(vault->SaveIndex());
  const std::string classicIndex = ReadFile(vault->Layout().IndexFile());
  Harden();
  EXPECT_EQ(vault->Format(), api::Format::Hardened);
  EXPECT_FALSE(fs::exists(vault->Layout().HardeningDir()));
  for (const fs::path& generation : {vault->Layout().IndexFile(), vault->Layout().BackupIndexFile()}) {
    EXPECT_TRUE(LooksHardened(*ReadWholeFile(generation))) << generation;
  }

  // A kill between the two writes of the conversion's save leaves the classic backup: it
  // never stands in for the hardened index, and opening settles it.
  WriteFile(vault->Layout().BackupIndexFile(), classicIndex);
  EXPECT_EQ(Reopen(""), IndexLoadReport::Outcome::Locked);
  EXPECT_TRUE(FileLooksHardened(vault->Layout().IndexFile()));
  const auto before = Snapshot(dir / "vault");
  EXPECT_EQ(Reopen("long enough phrasE"), IndexLoadReport::Outcome::Locked);
  EXPECT_EQ(Snapshot(dir / "vault"), before) << "a wrong passphrase touches nothing";
  ASSERT_EQ(Reopen(kPassphrase), IndexLoadReport::Outcome::Loaded) << report.detail;
  EXPECT_TRUE(FileLooksHardened(vault->Layout().BackupIndexFile()));
  EXPECT_FALSE(vault->HasPassword()) << "the passphrase guards the doors";
  EXPECT_EQ(Export(first, "a.bin"), a);
  EXPECT_EQ(Export(second, "b.txt"), b);
  const int32_t third = Add("c.txt", "after");
  EXPECT_EQ(Export(third, "c.txt"), "after");
}

TEST_F(HardenedVaultTest, AChangedPassphraseRewrapsTheKeyOnly) {
  Harden();
  const int32_t item = Add("a.txt", "contents");
  const std::string itemBytes = ReadFile(vault->Layout().ItemFile(item));
  ASSERT_TRUE(vault->ChangePassphrase("a brand new phrase", kCheapCost));
  ASSERT_TRUE(vault->SaveIndex());
  EXPECT_EQ(ReadFile(vault->Layout().ItemFile(item)), itemBytes);
  EXPECT_EQ(Reopen(kPassphrase), IndexLoadReport::Outcome::Locked);
  fs::remove(vault->Layout().IndexFile());  // the backup took the new key as well
  ASSERT_EQ(Reopen("a brand new phrase"), IndexLoadReport::Outcome::Restored);
  EXPECT_EQ(Export(item, "a.txt"), "contents");
}

TEST_F(HardenedVaultTest, ADamagedOrSwappedItemIsRefusedAndWritesNothing) {
  Harden();
  const int32_t a = Add("a.txt", testing::RandomBytes(70000, 2)), b = Add("b.txt", "other");
  testing::FlipBit(vault->Layout().ItemFile(a), 35000);
  EXPECT_EQ(Export(a, "a.txt"), "");
  EXPECT_NE(sink.messages.back().find("damaged"), std::string::npos) << sink.messages.back();
  fs::copy_file(vault->Layout().ItemFile(b), vault->Layout().ItemFile(a), fs::copy_options::overwrite_existing);
  EXPECT_EQ(Export(a, "a.txt"), "");
}

TEST_F(HardenedVaultTest, HardeningRefusesAVaultWithAMissingItemAndChangesNothing) {
  const int32_t a = Add("a.txt", "kept");
  Add("b.txt", "lost");
  fs::remove(vault->Layout().ItemFile(a + 1));
  const auto before = Snapshot(dir / "vault");
  const api::Status missing = HardenVault(*vault, kPassphrase, kCheapCost);
  EXPECT_EQ(missing.code, api::Code::NotFound);
  EXPECT_NE(missing.message.find("item 2"), std::string::npos) << missing.message;
  EXPECT_EQ(HardenVault(*vault, "short", kCheapCost).code, api::Code::InvalidArgument);
  EXPECT_EQ(vault->Format(), api::Format::Classic);
  EXPECT_EQ(Snapshot(dir / "vault"), before);
  ASSERT_EQ(Reopen(""), IndexLoadReport::Outcome::Loaded);
  EXPECT_EQ(Export(a, "a.txt"), "kept");
}

TEST_F(HardenedVaultTest, AHardeningWhoseSaveFailsLeavesTheClassicVaultWorking) {
  const int32_t a = Add("a.txt", "kept");
  const std::string index = ReadFile(vault->Layout().IndexFile());
  // Every item is re-sealed; then the disk fails, and the save with it.
  const api::Status hardened = HardenVault(*vault, kPassphrase, kCheapCost, [](std::size_t done, std::size_t total) {
    if (done == total) SetDiskSyncFailure(true);
  });
  SetDiskSyncFailure(false);
  EXPECT_EQ(hardened.code, api::Code::IoError);
  EXPECT_NE(hardened.message.find("stays classic"), std::string::npos) << hardened.message;
  EXPECT_EQ(vault->Format(), api::Format::Classic);
  EXPECT_EQ(ReadFile(vault->Layout().IndexFile()), index);
  EXPECT_EQ(Export(a, "a.txt"), "kept") << "the records in memory open the classic files again";
}

// A file stored as it is (level 0) puts its plain bytes into a plain archive: the classic
// vault shows them in temp/ while it works, the hardened one never. The archive outgrows the
// writer's buffer, so sealed blocks already on the disk are read back and completed.
// A folder of many small files alike, an empty one and a large one: packed in groups and
// pieces, sealed, and back as they were, in far less room than each file alone would take.
TEST_F(HardenedVaultTest, AFolderOfManySmallFilesAlikeComesBackWhole) {
  Harden();
  const std::string shared = testing::RandomBytes(3000, 4);
  for (int i = 0; i < 400; ++i)
    WriteFile(dir / "src/Notes/sub" / std::to_string(i % 7) / ("n" + std::to_string(i)), std::to_string(i) + shared);
  WriteFile(dir / "src/Notes/empty", "");
  WriteFile(dir / "src/Notes/large.bin", testing::RandomBytes(2500000, 5));
  ASSERT_TRUE(AddItem(*vault, dir / "src/Notes", "Box", {sink, work}, shell).ok());
  const int32_t item = vault->Items().AllRecords().back()[0].AsInteger();
  EXPECT_LT(fs::file_size(vault->Layout().ItemFile(item)), 2500000 + 400 * 1000);
  EXPECT_EQ(Export(item, "Notes/sub/0/n0"), "0" + shared);
  EXPECT_EQ(Snapshot(dir / ("out" + std::to_string(exports)) / "Notes"), Snapshot(dir / "src/Notes"));
}

TEST_F(HardenedVaultTest, PlainBytesNeverReachTheVaultsFoldersWhenHardened) {
  const std::string content = testing::RandomBytes(1500000, 9);
  const std::string marker = content.substr(1200000, 64);
  for (const bool hardened : {false, true}) {
    SCOPED_TRACE(hardened ? "hardened" : "classic");
    if (hardened) Harden();
    bool seen = false;
    sink.onProgress = [&](api::Phase, int) {
      for (const auto& [path, bytes] : Snapshot(dir / "vault")) seen = seen || bytes.find(marker) != std::string::npos;
    };
    const int32_t item = Add("data.zip", content);
    ASSERT_NE(item, 0);
    EXPECT_EQ(Export(item, "data.zip"), content);
    sink.onProgress = nullptr;
    EXPECT_EQ(seen, !hardened);
  }
}

}  // namespace
}  // namespace kestramo

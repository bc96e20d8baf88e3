// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "pipeline_fakes.h"
#include "storage/vault/item_export.h"
#include "storage/vault/item_import.h"
#include "storage/vault/item_removal.h"
#include "storage/vault/vault_lock.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;
using testing::FakeShell;
using testing::RecordingSink;
using testing::TempDir;

using testing::RandomBytes;
using testing::ReadFile;
using testing::WriteFile;

bool TempIsEmpty(const Vault& v) { return fs::is_empty(v.Layout().TempDir()); }

class ItemPipelineTest : public ::testing::Test {
 protected:
  ItemPipelineTest() : vault(dir / "vault") {
    fs::create_directories(dir / "vault");
    vault.LoadIndex();
  }

  bool Add(const fs::path& source, const std::string& box = "Box") {
    sink = RecordingSink();
    work.Reset();
    return AddItem(vault, source, box, {sink, work}, shell).ok();
  }

  api::Code Extract(int32_t index, const fs::path& dest, OverwriteQuestion ask = nullptr) {
    sink = RecordingSink();
    work.Reset();
    return ExtractItem(
               vault, index, dest, {sink, work}, ask ? ask : [](const std::string&) { return false; })
        .code;
  }

  const FieldValue& Last(ItemField f) {
    vault.Items().MoveTo(vault.Items().RecordCount());
    return vault.Items().Field(f);
  }

  TempDir dir;
  Vault vault;
  RecordingSink sink;
  WorkStatus work;
  FakeShell shell;
};

TEST_F(ItemPipelineTest, AFileGoesInAndComesOutWhole) {
  const std::string content = RandomBytes(300000, 1);
  WriteFile(dir / "src/Report.TXT", content);
  ASSERT_TRUE(Add(dir / "src/Report.TXT"));

  EXPECT_EQ(Last(ItemField::Index).AsInteger(), 1);
  EXPECT_EQ(Last(ItemField::Name).AsString(), "Report.TXT");
  EXPECT_EQ(Last(ItemField::Size).AsInteger(), 300000);
  EXPECT_EQ(Last(ItemField::Type).AsString(), "Document");
  EXPECT_EQ(Last(ItemField::Box).AsString(), "Box");
  EXPECT_FALSE(Last(ItemField::Folder).AsBoolean());
  EXPECT_EQ(Last(ItemField::Password).AsString(), "vendrali");
  EXPECT_EQ(*Last(ItemField::Icon).AsPicture(), *FakeShell::Bytes(1));
  EXPECT_TRUE(TempIsEmpty(vault));
  EXPECT_TRUE(fs::exists(vault.Layout().ItemFile(1)));
  EXPECT_NE(ReadFile(vault.Layout().ItemFile(1)).find("Report"), 0u);  // sealed, not a plain archive

  // The status protocol, in order.
  ASSERT_GE(sink.calls.size(), 6u);
  EXPECT_EQ(sink.calls[0], "text:Now is compressing:\rReport.TXT");
  EXPECT_EQ(sink.calls[1], "phase:2");
  EXPECT_EQ(sink.calls[2], "cancel-on");
  EXPECT_EQ(sink.calls[3], "text:Now is crypting:\rReport.TXT");
  EXPECT_EQ(sink.calls[4], "phase:0");
  EXPECT_EQ(sink.calls.back(), "close");
  // No report repeats the bar's position; encryption ends with the bar back at 0.
  for (std::size_t i = 1; i < sink.positions.size(); ++i) EXPECT_NE(sink.positions[i], sink.positions[i - 1]);
  EXPECT_EQ(sink.positions.back(), 0);

  // It survives a restart and comes out byte for byte.
  Vault reopened(dir / "vault");
  reopened.LoadIndex();
  EXPECT_EQ(reopened.Items().RecordCount(), 1);
  EXPECT_EQ(Extract(1, dir / "out"), api::Code::Ok);
  EXPECT_EQ(ReadFile(dir / "out/Report.TXT"), content);
  EXPECT_TRUE(TempIsEmpty(vault));
  EXPECT_EQ(sink.calls[0], "text:Now is decrypting:\rReport.TXT");
  EXPECT_EQ(sink.calls[1], "phase:1");
  EXPECT_EQ(sink.calls[2], "cancel-on");
  EXPECT_EQ(sink.calls.back(), "close");
}

TEST_F(ItemPipelineTest, AFolderKeepsItsTreeAndTotalSize) {
  WriteFile(dir / "src/Docs/a.txt", "alpha");
  WriteFile(dir / "src/Docs/sub/b.bin", RandomBytes(5000, 2));
  WriteFile(dir / "src/Docs/.hidden", "h");
  fs::create_directories(dir / "src/Docs/empty");
  ASSERT_TRUE(Add(dir / "src/Docs/"));  // a trailing separator names the same folder
  EXPECT_EQ(Last(ItemField::Name).AsString(), "Docs");
  EXPECT_TRUE(Last(ItemField::Folder).AsBoolean());
  EXPECT_EQ(Last(ItemField::Size).AsInteger(), 5006);

  ASSERT_EQ(Extract(1, dir / "out"), api::Code::Ok);
  EXPECT_EQ(ReadFile(dir / "out/Docs/a.txt"), "alpha");
  EXPECT_EQ(ReadFile(dir / "out/Docs/sub/b.bin"), ReadFile(dir / "src/Docs/sub/b.bin"));
  EXPECT_EQ(ReadFile(dir / "out/Docs/.hidden"), "h");
  EXPECT_TRUE(fs::is_empty(dir / "out/Docs/empty"));
}

// Names with colons and backslashes are ordinary here; what goes in under them comes out whole.
TEST_F(ItemPipelineTest, NamesWithColonsAndBackslashesComeBackUnchanged) {
  WriteFile(dir / "src/1:1 notes.txt", "ratio");
  WriteFile(dir / "src/C:odd/a\\b.txt", "slash");
  ASSERT_TRUE(Add(dir / "src/1:1 notes.txt"));
  ASSERT_TRUE(Add(dir / "src/C:odd"));
  ASSERT_EQ(Extract(1, dir / "out"), api::Code::Ok);
  ASSERT_EQ(Extract(2, dir / "out"), api::Code::Ok);
  EXPECT_EQ(ReadFile(dir / "out/1:1 notes.txt"), "ratio");
  EXPECT_EQ(ReadFile(dir / "out/C:odd/a\\b.txt"), "slash");
  EXPECT_TRUE(sink.messages.empty());
}

// Something of the item's name in the way is a failure with a message, never a quiet
// success that wrote nothing; what was in the way is left as it was.
TEST_F(ItemPipelineTest, SomethingInTheWayFailsTheExportAndIsKept) {
  WriteFile(dir / "src/Reports/r.txt", "report");
  WriteFile(dir / "src/plain.txt", "plain");
  ASSERT_TRUE(Add(dir / "src/Reports"));
  ASSERT_TRUE(Add(dir / "src/plain.txt"));
  WriteFile(dir / "out/Reports", "a file where the folder goes");
  fs::create_directories(dir / "out/plain.txt/inside");
  EXPECT_EQ(Extract(1, dir / "out"), api::Code::IoError);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages[0].find("could not be created"), std::string::npos);
  EXPECT_EQ(Extract(2, dir / "out"), api::Code::IoError);
  EXPECT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(Extract(2, dir / "out/Reports"), api::Code::InvalidArgument);
  EXPECT_NE(sink.messages.at(0).find("is not a folder"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "out/Reports"), "a file where the folder goes");
  EXPECT_TRUE(fs::is_directory(dir / "out/plain.txt/inside"));
  EXPECT_TRUE(TempIsEmpty(vault));
}

// A file the user agreed to replace is replaced only by a whole, checked copy: a damaged
// item leaves the old file as it was, and no half-written file is left under any name.
TEST_F(ItemPipelineTest, AFailedReplacementKeepsTheOldFile) {
  WriteFile(dir / "src/data.bin", RandomBytes(400000, 9));
  ASSERT_TRUE(Add(dir / "src/data.bin"));
  WriteFile(dir / "out/data.bin", "PRE");
  testing::FlipBit(vault.Layout().ItemFile(1), 200000);
  EXPECT_EQ(Extract(1, dir / "out", [](const std::string&) { return true; }), api::Code::Damaged);
  EXPECT_EQ(ReadFile(dir / "out/data.bin"), "PRE");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out"), fs::directory_iterator()), 1);
}

// A folder item holding a copy of this very vault, extracted where that copy came from,
// would write over the real vault's index: refused, and the index stays as it was.
TEST_F(ItemPipelineTest, AnItemNeverWritesIntoTheVaultItCameFrom) {
  WriteFile(dir / "vault/notes.txt", "beside the vault");
  ASSERT_TRUE(Add(dir / "vault"));
  const std::string index = ReadFile(vault.Layout().IndexFile());
  EXPECT_EQ(Extract(1, dir.Path(), [](const std::string&) { return true; }), api::Code::InvalidArgument);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages[0].find("vault's own folders"), std::string::npos);
  // What it replaced cannot be undone, and the message does not pretend otherwise.
  EXPECT_NE(sink.messages[0].find("1 file you agreed to replace already holds the item's copy"), std::string::npos)
      << sink.messages[0];
  EXPECT_EQ(ReadFile(vault.Layout().IndexFile()), index);
  EXPECT_EQ(ReadFile(dir / "vault/notes.txt"), "beside the vault");

  // Nor may an item replace the lock that keeps a second writer out.
  VaultLock lock;
  ASSERT_TRUE(lock.TryAcquire(dir / "vault"));
  struct stat held {};
  ASSERT_EQ(::stat(VaultLock::LockFileOf(dir / "vault").c_str(), &held), 0);
  WriteFile(dir / "src/kestramo.lock", "not a lock");
  ASSERT_TRUE(Add(dir / "src/kestramo.lock"));
  EXPECT_EQ(Extract(2, dir / "vault", [](const std::string&) { return true; }), api::Code::InvalidArgument);
  struct stat after {};
  ASSERT_EQ(::stat(VaultLock::LockFileOf(dir / "vault").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, held.st_ino);
}

// What a folder holds that cannot be packed is named to the user, never dropped in silence.
TEST_F(ItemPipelineTest, WhatCannotBePackedIsNamed) {
  WriteFile(dir / "src/Mixed/ok.txt", "kept");
  fs::create_directories(dir / "src/Mixed/sub");
  ASSERT_EQ(::mkfifo((dir / "src/Mixed/pipe").c_str(), 0600), 0);
  fs::create_symlink(dir / "nowhere", dir / "src/Mixed/dangling");
  fs::create_directory_symlink(dir / "src/Mixed/sub", dir / "src/Mixed/subLink");
  ASSERT_TRUE(Add(dir / "src/Mixed"));
  ASSERT_EQ(sink.messages.size(), 1u);
  const std::string& message = sink.messages[0];
  EXPECT_NE(message.find("was stored without 3 of its entries"), std::string::npos) << message;
  for (const char* name : {"Mixed/pipe", "Mixed/dangling", "Mixed/subLink"}) {
    EXPECT_NE(message.find(name), std::string::npos) << name;
  }
  ASSERT_EQ(Extract(1, dir / "out"), api::Code::Ok);
  EXPECT_EQ(ReadFile(dir / "out/Mixed/ok.txt"), "kept");

  // A pipe given on its own is no file to store, and no "too large" one either.
  EXPECT_FALSE(Add(dir / "src/Mixed/pipe"));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0], "Invalid file or path name.");
  EXPECT_EQ(vault.Items().RecordCount(), 1);
}

// The vault's files are the user's alone, whatever the umask: other users of the machine
// must not read a decrypted archive in temp/, nor copy the encrypted ones.
TEST_F(ItemPipelineTest, VaultFilesAreReadableByTheirOwnerAlone) {
  WriteFile(dir / "src/a.txt", "private");
  const mode_t saved = ::umask(022);
  auto privateToOwner = [](const fs::path& file) {
    return (fs::status(file).permissions() & (fs::perms::group_all | fs::perms::others_all)) == fs::perms::none;
  };
  int plainArchivesSeen = 0;
  sink.onProgress = [&](api::Phase phase, int) {
    if (phase != api::Phase::Encrypting) return;
    const fs::path plain = vault.Layout().TempArchive(1);
    if (!fs::exists(plain)) return;
    ++plainArchivesSeen;
    EXPECT_TRUE(privateToOwner(plain));
  };
  const bool added = AddItem(vault, dir / "src/a.txt", "Box", {sink, work}, shell).ok();
  ::umask(saved);
  ASSERT_TRUE(added);
  EXPECT_GT(plainArchivesSeen, 0);
  for (const fs::path& file : {vault.Layout().ItemFile(1), vault.Layout().IndexFile()}) {
    EXPECT_TRUE(privateToOwner(file)) << file;
  }
}

// Another user who could write into temp/ must not get the plain archive written through
// a planted link; and the vault's folders are made for their owner alone, whatever the umask.
TEST_F(ItemPipelineTest, PlantedLinksInTempAreNeverWrittenThrough) {
  WriteFile(dir / "victim", "precious");
  WriteFile(dir / "src/a.txt", "private");
  fs::create_symlink(dir / "victim", vault.Layout().TempArchive(1));
  fs::create_symlink(dir / "victim", vault.Layout().TempEncrypted(1));
  ASSERT_TRUE(Add(dir / "src/a.txt"));
  fs::create_symlink(dir / "victim", vault.Layout().TempArchive(1));
  ASSERT_EQ(Extract(1, dir / "out"), api::Code::Ok);
  EXPECT_EQ(ReadFile(dir / "out/a.txt"), "private");
  EXPECT_EQ(ReadFile(dir / "victim"), "precious");

  const mode_t saved = ::umask(0);
  Vault fresh(dir / "fresh");
  fs::create_directories(dir / "fresh");
  fresh.LoadIndex();
  ::umask(saved);
  for (const fs::path& folder : {fresh.Layout().CoffrelDir(), fresh.Layout().BackupDir(), fresh.Layout().TempDir()}) {
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all) << folder;
  }
}

TEST_F(ItemPipelineTest, EmptySourcesAndBadPathsRecordNothing) {
  WriteFile(dir / "src/empty.txt", "");
  EXPECT_FALSE(Add(dir / "src/empty.txt"));
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_TRUE(sink.closed);
  EXPECT_TRUE(TempIsEmpty(vault));
  fs::create_directories(dir / "src/only-empty/sub");
  EXPECT_FALSE(Add(dir / "src/only-empty"));

  for (const fs::path& bad : {fs::path("/"), fs::path(), dir / "src/missing.txt"}) {
    EXPECT_FALSE(Add(bad));
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"close", "message:Invalid file or path name."}));
  }
  EXPECT_EQ(vault.Items().RecordCount(), 0);

  WriteFile(dir / "src/next.txt", "x");
  ASSERT_TRUE(Add(dir / "src/next.txt"));
  EXPECT_EQ(Last(ItemField::Index).AsInteger(), 1);  // the failed imports left no gap
}

// Past 2 GiB the index needs its 64-bit Size; zeros pack small, so only the export writes much.
TEST_F(ItemPipelineTest, ItemsPastTwoGibibytesGoInAndComeOutWhole) {
  const uint64_t size = (uint64_t{2} << 30) + 3;
  if (!testing::HasFreeGiB(dir.Path(), 8)) GTEST_SKIP() << "less than 8 GiB free for an item past 2 GiB";
  WriteFile(dir / "src/disk.img", "");
  fs::resize_file(dir / "src/disk.img", size);  // sparse: costs no disk space
  ASSERT_TRUE(Add(dir / "src/disk.img")) << (sink.messages.empty() ? "" : sink.messages[0]);
  EXPECT_EQ(Last(ItemField::Size).AsInteger64(), static_cast<int64_t>(size));
  Vault reopened(dir / "vault");
  reopened.LoadIndex();
  reopened.Items().MoveTo(1);
  EXPECT_EQ(reopened.Items().Field(ItemField::Size).AsInteger64(), static_cast<int64_t>(size));
  ASSERT_EQ(Extract(1, dir / "out"), api::Code::Ok);
  EXPECT_EQ(fs::file_size(dir / "out/disk.img"), size);
  EXPECT_TRUE(TempIsEmpty(vault));
}

TEST_F(ItemPipelineTest, ItemsTheDiskCannotHoldAreRefusedBeforeAnythingIsWritten) {
  const fs::space_info space = fs::space(dir.Path());
  const fs::path big = dir / "src/huge.img";
  WriteFile(big, "");
  std::error_code ec;
  fs::resize_file(big, space.available / 2 + (uint64_t{1} << 30), ec);  // sparse: costs no disk space
  if (ec) GTEST_SKIP() << "file system cannot hold a sparse file that large";
  EXPECT_FALSE(Add(big));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages[0].find("free space"), std::string::npos) << sink.messages[0];
  EXPECT_EQ(sink.calls.front(), "close");
  EXPECT_TRUE(TempIsEmpty(vault));
  EXPECT_EQ(vault.Items().RecordCount(), 0);
}

TEST_F(ItemPipelineTest, PackLevelFollowsTheExtensionAndPsdGetsTheSkinIcon) {
  EXPECT_EQ(PackLevelFor("a.ZIP", false), 0);
  EXPECT_EQ(PackLevelFor("a.zip", false), 0);
  EXPECT_EQ(PackLevelFor("a.Zip", false), 0);
  EXPECT_EQ(PackLevelFor("a.tar.gz", false), 0);
  EXPECT_EQ(PackLevelFor("a.zip", true), 6);
  EXPECT_EQ(PackLevelFor("a.txt", false), 6);
  EXPECT_EQ(PackLevelFor("gz", false), 6);

  WriteFile(dir / "src/art.PsD", "layers");
  ASSERT_TRUE(Add(dir / "src/art.PsD"));
  EXPECT_EQ(*Last(ItemField::Icon).AsPicture(), *FakeShell::Bytes(7));
  EXPECT_EQ(*Last(ItemField::IconMask).AsPicture(), *FakeShell::Bytes(8));
}

TEST_F(ItemPipelineTest, CancelWhilePackingOrEncryptingLeavesNothingBehind) {
  WriteFile(dir / "src/big.bin", RandomBytes(3 << 20, 3));
  for (const api::Phase stage : {api::Phase::Compressing, api::Phase::Encrypting}) {
    sink = RecordingSink();
    work.Reset();
    sink.onProgress = [&](api::Phase p, int position) {
      if (p == stage && position > 0) work.Cancel(vault.Zip(), vault.Cipher());
    };
    EXPECT_FALSE(AddItem(vault, dir / "src/big.bin", "Box", {sink, work}, shell).ok());
    EXPECT_TRUE(work.Cancelled());
    EXPECT_TRUE(TempIsEmpty(vault));
    EXPECT_EQ(vault.Items().RecordCount(), 0);
    EXPECT_FALSE(fs::exists(vault.Layout().ItemFile(1)));
    EXPECT_TRUE(sink.closed);
  }
}

TEST_F(ItemPipelineTest, CancelledExportRemovesOnlyWhatItCreated) {
  WriteFile(dir / "src/Docs/a.bin", RandomBytes(2 << 20, 4));
  WriteFile(dir / "src/Docs/b.bin", RandomBytes(2 << 20, 5));
  ASSERT_TRUE(Add(dir / "src/Docs"));

  // Cancelled while decrypting: the destination is untouched.
  sink.onProgress = nullptr;
  auto cancelIn = [&](api::Phase stage) {
    return [&, stage](api::Phase p, int position) {
      if (p == stage && position > 0) work.Cancel(vault.Zip(), vault.Cipher());
    };
  };
  ItemTable& t = vault.Items();
  t.MoveTo(1);
  sink = RecordingSink();
  work.Reset();
  sink.onProgress = cancelIn(api::Phase::Decrypting);
  EXPECT_EQ(
      ExtractItem(vault, vault.Items().Field(ItemField::Index).AsInteger(), dir / "out1", {sink, work}, nullptr).code,
      api::Code::Cancelled);
  EXPECT_FALSE(fs::exists(dir / "out1/Docs"));
  EXPECT_TRUE(TempIsEmpty(vault));

  // Cancelled while unpacking into a folder that already held a Docs folder of the user's.
  WriteFile(dir / "out2/Docs/mine.txt", "keep me");
  sink = RecordingSink();
  work.Reset();
  sink.onProgress = cancelIn(api::Phase::Decompressing);
  EXPECT_EQ(
      ExtractItem(vault, vault.Items().Field(ItemField::Index).AsInteger(), dir / "out2", {sink, work}, nullptr).code,
      api::Code::Cancelled);
  EXPECT_EQ(ReadFile(dir / "out2/Docs/mine.txt"), "keep me");
  EXPECT_FALSE(fs::exists(dir / "out2/Docs/a.bin"));
  EXPECT_FALSE(fs::exists(dir / "out2/Docs/b.bin"));
  EXPECT_TRUE(TempIsEmpty(vault));
}

TEST_F(ItemPipelineTest, OverwriteQuestionDecidesAndAKeptFileSurvives) {
  WriteFile(dir / "src/note.txt", "new");
  ASSERT_TRUE(Add(dir / "src/note.txt"));
  WriteFile(dir / "out/note.txt", "old");
  std::vector<std::string> asked;
  EXPECT_EQ(Extract(1, dir / "out",
                    [&](const std::string& n) {
                      asked.push_back(n);
                      return false;
                    }),
            api::Code::Ok);
  EXPECT_EQ(asked, (std::vector<std::string>{"note.txt"}));
  EXPECT_EQ(ReadFile(dir / "out/note.txt"), "old");
  EXPECT_EQ(Extract(1, dir / "out", [](const std::string&) { return true; }), api::Code::Ok);
  EXPECT_EQ(ReadFile(dir / "out/note.txt"), "new");
}

TEST_F(ItemPipelineTest, ItemsKeepTheirKeyAcrossAPasswordChange) {
  WriteFile(dir / "src/old.txt", "sealed under the old key");
  ASSERT_TRUE(Add(dir / "src/old.txt"));
  vault.SetPassword("secret");
  ASSERT_TRUE(vault.SaveIndex());
  WriteFile(dir / "src/new.txt", "sealed under the new key");
  ASSERT_TRUE(Add(dir / "src/new.txt"));
  EXPECT_EQ(Last(ItemField::Password).AsString(), "vendralisecret");

  Vault reopened(dir / "vault");
  reopened.LoadIndex();
  EXPECT_EQ(reopened.MasterKey(), "vendralisecret");
  EXPECT_EQ(Extract(1, dir / "out"), api::Code::Ok);
  EXPECT_EQ(Extract(2, dir / "out"), api::Code::Ok);
  EXPECT_EQ(ReadFile(dir / "out/old.txt"), "sealed under the old key");
  EXPECT_EQ(ReadFile(dir / "out/new.txt"), "sealed under the new key");
}

TEST_F(ItemPipelineTest, MissingOrWronglyKeyedItemsAreReportedAndWriteNothing) {
  WriteFile(dir / "src/a.txt", RandomBytes(10000, 6));
  WriteFile(dir / "src/b.txt", RandomBytes(10000, 7));
  ASSERT_TRUE(Add(dir / "src/a.txt"));
  ASSERT_TRUE(Add(dir / "src/b.txt"));

  fs::remove(vault.Layout().ItemFile(1));
  EXPECT_EQ(Extract(1, dir / "out"), api::Code::NotFound);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages[0].find("missing"), std::string::npos);

  vault.Items().MoveTo(2);
  vault.Items().Edit();
  vault.Items().SetField(ItemField::Password, FieldValue::Text("vendraliwrong"));
  vault.Items().Post();
  EXPECT_EQ(Extract(2, dir / "out"), api::Code::Damaged);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages[0].find("damaged"), std::string::npos);
  EXPECT_TRUE(!fs::exists(dir / "out") || fs::is_empty(dir / "out"));
  EXPECT_TRUE(TempIsEmpty(vault));
}

// The vault empties temp/ after each operation and rewrites coffrel/ and backup/: an item
// extracted there would vanish or overwrite the vault's own files.
TEST_F(ItemPipelineTest, ExtractionIntoTheVaultsOwnFoldersIsRefused) {
  WriteFile(dir / "src/index.dat", "not an index");
  ASSERT_TRUE(Add(dir / "src/index.dat"));
  const std::string indexBefore = ReadFile(vault.Layout().IndexFile());
  fs::create_directories(vault.Layout().TempDir() / "inner");
  fs::create_symlink(vault.Layout().CoffrelDir(), dir / "link-to-coffrel");
  for (const fs::path& dest : {vault.Layout().TempDir(), vault.Layout().TempDir() / "inner",
                               vault.Layout().CoffrelDir(), dir / "vault/backup/../coffrel", dir / "link-to-coffrel"}) {
    EXPECT_EQ(Extract(1, dest, [](const std::string&) { return true; }), api::Code::InvalidArgument) << dest;
    ASSERT_EQ(sink.messages.size(), 1u) << dest;
    EXPECT_NE(sink.messages[0].find("vault's own folder"), std::string::npos);
  }
  EXPECT_EQ(ReadFile(vault.Layout().IndexFile()), indexBefore);
  // A folder beside them, even one whose name starts alike, is an ordinary destination.
  EXPECT_EQ(Extract(1, dir / "vault/temporary"), api::Code::Ok);
  EXPECT_EQ(ReadFile(dir / "vault/temporary/index.dat"), "not an index");
}

TEST_F(ItemPipelineTest, RemovalTouchesOnlyTheChosenBoxAndItems) {
  for (const char* box : {"Work", "Home"}) {
    vault.Items().Append();
    vault.Items().SetField(ItemField::Box, FieldValue::Text(box));
    vault.Items().Post();
  }
  WriteFile(dir / "src/x.txt", "x");
  for (const char* box : {"Work", "Work", "Home", "Work"}) ASSERT_TRUE(Add(dir / "src/x.txt", box));
  // Items 1, 2 and 4 are in Work, 3 in Home.

  DeleteItems(vault, "Work", {2, 3}, false);  // 3 is in another box: untouched
  // The file goes only once an index without its record is on the disk.
  EXPECT_TRUE(fs::exists(vault.Layout().ItemFile(2)));
  ASSERT_TRUE(vault.SaveIndex());
  EXPECT_FALSE(fs::exists(vault.Layout().ItemFile(2)));
  EXPECT_TRUE(fs::exists(vault.Layout().ItemFile(3)));
  EXPECT_EQ(vault.Items().RecordCount(), 5);
  EXPECT_EQ(vault.NextItemIndex(), 2);  // the freed number is used again

  EXPECT_TRUE(SetItemComment(vault, 3, "line one\r\nline two"));
  EXPECT_FALSE(SetItemComment(vault, 99, "nobody"));

  fs::remove(vault.Layout().ItemFile(4));  // an already missing file does not stop removal
  DeleteItems(vault, "Work", {}, true);
  ASSERT_TRUE(vault.SaveIndex());
  ASSERT_EQ(vault.Items().RecordCount(), 2);
  EXPECT_FALSE(fs::exists(vault.Layout().ItemFile(1)));
  EXPECT_TRUE(fs::exists(vault.Layout().ItemFile(3)));
  vault.Items().MoveTo(2);
  EXPECT_EQ(vault.Items().Field(ItemField::Comment).AsString(), "line one\r\nline two");

  DeleteItemByIndex(vault, 3);
  ASSERT_TRUE(vault.SaveIndex());
  EXPECT_EQ(vault.Items().RecordCount(), 1);
  EXPECT_FALSE(fs::exists(vault.Layout().ItemFile(3)));

  // A number given to a new item before the save keeps that item's file.
  ASSERT_TRUE(Add(dir / "src/x.txt", "Home"));
  const int32_t reused = Last(ItemField::Index).AsInteger();
  DeleteItemByIndex(vault, reused);
  ASSERT_TRUE(Add(dir / "src/x.txt", "Home"));
  EXPECT_EQ(Last(ItemField::Index).AsInteger(), reused);
  ASSERT_TRUE(vault.SaveIndex());
  EXPECT_TRUE(fs::exists(vault.Layout().ItemFile(reused)));
  for (const auto& e : fs::directory_iterator(vault.Layout().CoffrelDir())) {
    EXPECT_EQ(e.path().string().find("unrecorded"), std::string::npos) << "the deleted item was kept: " << e.path();
  }
  ASSERT_EQ(Extract(reused, dir / "again"), api::Code::Ok);
  EXPECT_EQ(ReadFile(dir / "again/x.txt"), "x");
}

TEST(VaultLockTest, OnlyOneHolderAtATime) {
  TempDir dir;
  VaultLock first, second;
  ASSERT_TRUE(first.TryAcquire(dir.Path()));
  EXPECT_FALSE(second.TryAcquire(dir.Path()));
  EXPECT_TRUE(second.HeldElsewhere());
  first.Release();
  EXPECT_TRUE(second.TryAcquire(dir.Path()));
  // A vault whose lock file cannot be made is not "in use": the user is told why.
  VaultLock nowhere;
  EXPECT_FALSE(nowhere.TryAcquire(dir.Path() / "missing"));
  EXPECT_FALSE(nowhere.HeldElsewhere());
  EXPECT_FALSE(nowhere.Problem().empty());
}

}  // namespace
}  // namespace kestramo

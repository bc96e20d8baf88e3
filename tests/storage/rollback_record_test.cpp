// SPDX-License-Identifier: GPL-3.0-or-later
// This user's record of hardened vaults fails closed: a record that cannot be trusted refuses
// every hardened vault and is never rewritten with lines lost; a folder is known however it
// is spelt, and any byte may be in its name.
#include <sys/stat.h>

#include "hardened_fixture.h"
#include "storage/hardened/hardened_index.h"

namespace kestramo::testing {
namespace {

using Outcome = IndexLoadReport::Outcome;

class RollbackRecordTest : public HardenedVaultTest {
 protected:
  RollbackRecordTest() {
    Harden();
    Add("a.txt", "kept");
  }
  const fs::path record = dir / "state" / "vaults";

  // A hardened vault of its own (another ID) made at `base` with the same passphrase, opened
  // there once so that the record knows it.
  void MakeOtherVault(const fs::path& base) {
    Vault other(base);
    other.UseWitness(record);
    other.LoadIndex();
    ASSERT_TRUE(HardenVault(other, kPassphrase, kCheapCost).ok());
  }
  // Puts another vault's index files in place of this vault's.
  void PlantIndexOf(const fs::path& other) {
    fs::copy_file(other / "coffrel/index.dat", dir / "vault/coffrel/index.dat", fs::copy_options::overwrite_existing);
    fs::copy_file(other / "backup/index.dat", dir / "vault/backup/index.dat", fs::copy_options::overwrite_existing);
  }
  IndexLoadReport::Outcome OpenAt(const fs::path& base, bool acceptOlder = false) {
    vault = std::make_unique<Vault>(base);
    vault->UseWitness(record);
    if (acceptOlder) vault->AcceptOlderIndex();
    vault->OfferPassphrase(kPassphrase);
    report = vault->LoadIndex();
    return report.outcome;
  }
};

TEST_F(RollbackRecordTest, ARecordThatCannotBeTrustedRefusesTheVaultAndKeepsEveryLine) {
  const struct {
    const char* spoilt;
    std::function<void()> spoil;
    const char* said;
  } cases[] = {
      {"a damaged line", [&] { WriteFile(record, ReadFile(record) + "not a line of the record\n"); }, "line 3"},
      {"a folder in its place",
       [&] {
         fs::remove(record);
         fs::create_directories(record / "x");
       },
       "folder"},
      {"a link in its place",
       [&] {
         fs::rename(record, dir / "aside");
         fs::create_symlink(dir / "aside", record);
       },
       "symbolic link"},
      {"a FIFO in its place",
       [&] {
         fs::remove(record);
         ::mkfifo(record.c_str(), 0600);
       },
       "FIFO"},
      {"a world-writable folder", [&] { fs::permissions(record.parent_path(), fs::perms::all); }, "mode 0777"},
      {"a file others can read", [&] { fs::permissions(record, fs::perms::others_read, fs::perm_options::add); },
       "mode 0604"},
  };
  const fs::path saved = dir / "saved-state";
  fs::copy(record.parent_path(), saved, fs::copy_options::recursive);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.spoilt);
    c.spoil();
    const auto spoilt = Contents(record.parent_path());
    EXPECT_EQ(Reopen(kPassphrase), Outcome::RolledBack);
    EXPECT_NE(report.detail.find(c.said), std::string::npos) << report.detail;
    EXPECT_NE(report.detail.find(record.string()), std::string::npos) << report.detail;
    EXPECT_NE(report.detail.find("Moving the file aside"), std::string::npos) << report.detail;
    // Accepted once, the vault opens with a warning; the record stays as it was found.
    EXPECT_EQ(Reopen(kPassphrase, true), Outcome::Loaded);
    EXPECT_NE(report.Message().find("record"), std::string::npos) << report.Message();
    EXPECT_EQ(Contents(record.parent_path()), spoilt);
    fs::remove_all(record.parent_path());
    fs::remove_all(dir / "aside");
    fs::copy(saved, record.parent_path(), fs::copy_options::recursive);
    fs::permissions(record.parent_path(), fs::perms::owner_all);
  }
  EXPECT_EQ(Reopen(kPassphrase), Outcome::Loaded) << report.detail;
}

TEST_F(RollbackRecordTest, ARecordThatCannotBeWrittenFailsTheSaveAndNoneFailsSilently) {
  fs::create_directories(dir / "state" / "vaults.tmp" / "x");  // the staging name is taken
  ASSERT_EQ(Reopen(kPassphrase), Outcome::Loaded);
  EXPECT_NE(report.Message().find(record.string()), std::string::npos) << report.Message();
  vault->Items().Append();
  ASSERT_TRUE(vault->SaveIndex()) << "the index itself is saved";
  EXPECT_NE(vault->RecordProblem().find("could not be written"), std::string::npos) << vault->RecordProblem();

  // Without a state folder, every hardened open says what it cannot do.
  vault = std::make_unique<Vault>(dir / "vault");
  vault->UseWitness({});
  vault->OfferPassphrase(kPassphrase);
  report = vault->LoadIndex();
  EXPECT_EQ(report.outcome, Outcome::Loaded);
  EXPECT_NE(report.Message().find("rollbacks of it cannot be detected"), std::string::npos) << report.Message();
}

TEST_F(RollbackRecordTest, AnotherVaultInTheFolderIsRefusedHoweverTheFolderIsSpelt) {
  MakeOtherVault(dir / "other");
  PlantIndexOf(dir / "other");
  fs::create_directory_symlink(dir / "vault", dir / "link");
  for (const fs::path& spelt : {dir / "vault/", dir / "." / "vault", dir / "link", dir / "link" / "."}) {
    SCOPED_TRACE(spelt.string());
    EXPECT_EQ(OpenAt(spelt), Outcome::RolledBack);
    EXPECT_NE(report.detail.find("another hardened vault"), std::string::npos) << report.detail;
  }
}

TEST_F(RollbackRecordTest, ACopyOpenedElsewhereLeavesTheOriginalProtected) {
  fs::copy(dir / "vault", dir / "copy", fs::copy_options::recursive);
  ASSERT_EQ(OpenAt(dir / "vault"), Outcome::Loaded) << report.detail;
  ASSERT_EQ(OpenAt(dir / "copy"), Outcome::Loaded) << "a copy is legitimate: " << report.detail;
  // Another vault put in the original's folder after the copy was opened.
  MakeOtherVault(dir / "other");
  PlantIndexOf(dir / "other");
  EXPECT_EQ(OpenAt(dir / "vault"), Outcome::RolledBack) << report.detail;
}

TEST_F(RollbackRecordTest, AFolderWithAnyByteInItsNameIsProtected) {
  const fs::path odd = dir / "line\nbreak \\x41 end";
  fs::create_directories(odd);
  fs::rename(dir / "vault", odd / "vault");
  ASSERT_EQ(OpenAt(odd / "vault"), Outcome::Loaded) << report.detail;
  EXPECT_TRUE(report.warning.empty()) << report.warning;
  EXPECT_NE(ReadFile(record).find("line\\x0abreak \\x5cx41 end"), std::string::npos) << ReadFile(record);
  MakeOtherVault(dir / "other");
  fs::copy_file(dir / "other/coffrel/index.dat", odd / "vault/coffrel/index.dat", fs::copy_options::overwrite_existing);
  fs::copy_file(dir / "other/backup/index.dat", odd / "vault/backup/index.dat", fs::copy_options::overwrite_existing);
  EXPECT_EQ(OpenAt(odd / "vault"), Outcome::RolledBack) << report.detail;
}

// A vault of the first hardened format has no identity in its index: it gets one at its first
// open, and keeps it through opens that change nothing.
TEST_F(RollbackRecordTest, AVaultOfTheFirstHardenedFormatKeepsTheIdentityItIsGiven) {
  const fs::path fixture = fs::path(KESTRAMO_TEST_VECTORS) / "hardened_v1" / "vault";
  fs::copy(fixture, dir / "v1", fs::copy_options::recursive);
  const auto open = [&] {
    vault = std::make_unique<Vault>(dir / "v1");
    vault->UseWitness(record);
    vault->OfferPassphrase("fixture passphrase");
    report = vault->LoadIndex();
    return report.outcome;
  };
  ASSERT_EQ(open(), Outcome::Loaded) << report.detail;
  const VaultId given = vault->Seal().vaultId;
  for (const fs::path& generation : {dir / "v1/coffrel/index.dat", dir / "v1/backup/index.dat"}) {
    EXPECT_EQ(ReadFile(generation)[8], kHardenedIndexVersion) << generation << " carries the identity";
  }
  for (int again = 0; again < 2; ++again) {
    ASSERT_EQ(open(), Outcome::Loaded) << report.detail;
    EXPECT_EQ(vault->Seal().vaultId, given);
  }
  vault->Items().Append();
  ASSERT_TRUE(vault->SaveIndex());
  EXPECT_EQ(open(), Outcome::Loaded) << report.detail;
}

}  // namespace
}  // namespace kestramo::testing

// SPDX-License-Identifier: GPL-3.0-or-later
// The known answers published beside the format pages (docs/formats/vectors/): a hardened
// vault's index and item files open under their passphrase to the contents the pages state.
// With KESTRAMO_WRITE_VECTORS=FOLDER the test writes the files afresh into FOLDER instead,
// for a deliberate change of format (whose pages then change with them).
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "kestramo/vault.h"
#include "storage/vault/vault_witness.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

constexpr const char* kPassphrase = "known answers";
constexpr int kNotes = 12;
constexpr std::size_t kSegmentsFileSize = 150000;  // with the notes, three sealed segments

// The item's folder as the pages describe it: twelve small notes and one file of bytes that
// do not compress, which carries the item across three segments; all share one zstd frame.
std::vector<std::pair<std::string, std::string>> SampleFiles() {
  std::vector<std::pair<std::string, std::string>> files;
  for (int n = 0; n < kNotes; ++n) {
    std::string text;
    for (int line = 0; line <= n; ++line) text += "Note " + std::to_string(n) + " of the known-answer item.\n";
    files.emplace_back("notes/note-" + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".txt", text);
  }
  std::string bytes(kSegmentsFileSize, '\0');
  uint32_t x = 2463534242u;  // xorshift32
  for (char& c : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    c = static_cast<char>(x & 0xFF);
  }
  files.emplace_back("segments.bin", bytes);
  return files;
}

api::OpenOptions OpenAt(const fs::path& base, bool create, std::string passphrase = {}) {
  api::OpenOptions options;
  options.base = base;
  options.create = create;
  options.passphrase = std::move(passphrase);
  return options;
}

void WriteVectors(const fs::path& out) {
  testing::TempDir dir;
  for (const auto& [name, content] : SampleFiles()) WriteFile(dir / "Sample" / name, content);
  fs::create_directories(dir / "vault");
  api::Vault vault;
  ASSERT_TRUE(vault.Open(OpenAt(dir / "vault", true)).ok());
  ASSERT_TRUE(vault.NewBox({.name = "Vectors"}).ok());
  api::HardenOptions harden;
  harden.passphrase = kPassphrase;
  harden.cost = {1, 8ull << 20};
  ASSERT_TRUE(vault.Harden(harden).ok());
  // Added once hardened, so that its archive is packed as a hardened vault packs (zstd groups).
  ASSERT_TRUE(vault.Import({.source = dir / "Sample", .box = "Vectors"}).ok());
  vault.Close();
  fs::create_directories(out / "coffrel");
  for (const auto& file : fs::directory_iterator(dir / "vault/coffrel"))
    fs::copy_file(file.path(), out / "coffrel" / file.path().filename(), fs::copy_options::overwrite_existing);
}

TEST(FormatVectorsTest, TheHardenedVaultOfThePagesOpensToItsKnownContents) {
  if (const char* out = std::getenv("KESTRAMO_WRITE_VECTORS")) {
    WriteVectors(out);
    GTEST_SKIP() << "vectors written to " << out;
  }
  const fs::path published = fs::path(KESTRAMO_FORMAT_VECTORS) / "hardened";
  const fs::path item = published / "coffrel/item0000000001.dat";
  ASSERT_TRUE(fs::exists(item));
  // The vector covers what the pages describe: more than two 64 KiB segments.
  EXPECT_GT(fs::file_size(item), 48 + 2 * 65552u);

  testing::TempDir dir;
  fs::copy(published, dir / "vault", fs::copy_options::recursive);
  api::Vault vault;
  EXPECT_EQ(vault.Open(OpenAt(dir / "vault", false, "known answerS")).code, api::Code::Locked);
  ASSERT_TRUE(vault.Open(OpenAt(dir / "vault", false, kPassphrase)).ok());
  std::vector<api::ItemInfo> items;
  ASSERT_TRUE(vault.Items({}, &items).ok());
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].index, 1);
  EXPECT_EQ(items[0].box, "Vectors");
  EXPECT_EQ(items[0].name, "Sample");
  EXPECT_TRUE(items[0].folder);

  ASSERT_TRUE(vault.Export({.item = 1, .destination = dir / "out"}).ok());
  int64_t total = 0;
  for (const auto& [name, content] : SampleFiles()) {
    EXPECT_EQ(ReadFile(dir / "out/Sample" / name), content) << name;
    total += static_cast<int64_t>(content.size());
  }
  EXPECT_EQ(items[0].size, total);
}

// The record of hardened vaults as its page gives it: three saves written from an empty record
// make the published file byte for byte (an escaped folder, one vault's counter raised on both
// its lines), and the published files of both forms read back to their entries.
TEST(FormatVectorsTest, TheRecordOfVaultsIsWrittenAndReadAsItsPageSays) {
  const fs::path published = fs::path(KESTRAMO_FORMAT_VECTORS) / "record";
  VaultId first{};
  for (uint8_t n = 0; n < first.size(); ++n) first[n] = n;
  const VaultId second = {0xf0, 0xe1, 0xd2, 0xc3, 0xb4, 0xa5, 0x96, 0x87,
                          0x78, 0x69, 0x5a, 0x4b, 0x3c, 0x2d, 0x1e, 0x0f};
  const std::string odd = "/media/usb/with space\\and\nline";
  testing::TempDir dir;
  fs::create_directory(dir / "state", dir.Path());
  fs::permissions(dir / "state", fs::perms::owner_all);
  const VaultWitness written(dir / "state" / "vaults");
  ASSERT_TRUE(written.Record(first, 7, "/home/ana/Vault").ok());
  ASSERT_TRUE(written.Record(second, 12, odd).ok());
  ASSERT_TRUE(written.Record(first, 9, "/backup/vault copy").ok());
  EXPECT_EQ(ReadFile(dir / "state" / "vaults"), ReadFile(published / "vaults"));

  using Entries = std::vector<std::tuple<VaultId, uint64_t, std::string>>;
  const auto read = [&](const std::string& name) {
    fs::copy_file(published / name, dir / "state" / "vaults", fs::copy_options::overwrite_existing);
    fs::permissions(dir / "state" / "vaults", fs::perms::owner_read | fs::perms::owner_write);
    const auto entries = VaultWitness(dir / "state" / "vaults").Read();
    Entries found;
    if (entries.ok()) {
      for (const auto& e : *entries) found.emplace_back(e.id, e.counter, e.folder.string());
    }
    return found;
  };
  EXPECT_EQ(read("vaults"),
            (Entries{{first, 9, "/home/ana/Vault"}, {second, 12, odd}, {first, 9, "/backup/vault copy"}}));
  EXPECT_EQ(read("vaults-first-form"),
            (Entries{{first, 4, "/home/ana/Vault"}, {second, 12, "/media/usb/with space\\and tab\tend"}}));
}

}  // namespace
}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
// The known answers published beside the format pages (docs/formats/vectors/): a hardened
// vault's index and item files open under their passphrase to the contents the pages state.
// With KESTRAMO_WRITE_VECTORS=FOLDER the test writes the files afresh into FOLDER instead,
// for a deliberate change of format (whose pages then change with them).
#include <gtest/gtest.h>

#include <cstdlib>

#include "kestramo/vault.h"
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

}  // namespace
}  // namespace kestramo

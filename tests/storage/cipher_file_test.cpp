// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "storage/cipher/cipher_manager.h"
#include "storage/disk/disk_write.h"
#include "temp_dir.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes RandomData(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

void WriteFile(const fs::path& path, const Bytes& data) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CipherFileTest : public ::testing::Test {
 protected:
  // Through a manager of its own, so the hooks of the manager under test stay silent.
  static Bytes Encrypted(const Bytes& plain) {
    CipherManager reference;
    MemoryStream src(plain), dst;
    EXPECT_TRUE(reference.EncryptStream(src, dst, kKey));
    return dst.Data();
  }

  static constexpr const char* kKey = "vendralipass1234";
  testing::TempDir dir_;
  CipherManager manager_;
};

TEST_F(CipherFileTest, SeparateDestinationIsTruncatedAndRoundTrips) {
  // Larger than the I/O buffer and not a multiple of a block, so a tail ends the last chunk.
  const Bytes plain = RandomData((5 << 19) + 5, 1);
  WriteFile(dir_ / "plain", plain);
  WriteFile(dir_ / "enc", Bytes(plain.size() + 9999, 7));  // stale, longer content
  ASSERT_TRUE(manager_.EncryptFile(dir_ / "plain", dir_ / "enc", kKey));
  EXPECT_EQ(ReadFile(dir_ / "enc"), Encrypted(plain));
  ASSERT_TRUE(manager_.DecryptFile(dir_ / "enc", dir_ / "dec", kKey));
  EXPECT_EQ(ReadFile(dir_ / "dec"), plain);
  EXPECT_EQ(ReadFile(dir_ / "plain"), plain);
}

TEST_F(CipherFileTest, BlankOrSameDestinationWorksInPlace) {
  const Bytes plain = RandomData(9000, 2);
  const Bytes expected = Encrypted(plain);
  const fs::path file = dir_ / "item";
  for (const fs::path& dest : {fs::path(), fs::path("  "), file, dir_ / "." / "item"}) {
    WriteFile(file, plain);
    ASSERT_TRUE(manager_.EncryptFile(file, dest, kKey)) << dest;
    EXPECT_EQ(ReadFile(file), expected) << dest;
  }
  // A second name for the same file must not truncate it before it is read.
  WriteFile(file, plain);
  fs::create_hard_link(file, dir_ / "alias");
  ASSERT_TRUE(manager_.EncryptFile(file, dir_ / "alias", kKey));
  EXPECT_EQ(ReadFile(file), expected);
}

TEST_F(CipherFileTest, UnreadableSourceCreatesNoDestination) {
  EXPECT_FALSE(manager_.EncryptFile(dir_ / "missing", dir_ / "out", kKey));
  EXPECT_FALSE(fs::exists(dir_ / "out"));
  fs::create_directory(dir_ / "folder");
  EXPECT_FALSE(manager_.DecryptFile(dir_ / "folder", dir_ / "out", kKey));
  EXPECT_FALSE(fs::exists(dir_ / "out"));
}

TEST_F(CipherFileTest, EmptyFileGivesEmptyDestinationAndTwoEvents) {
  std::vector<std::pair<int64_t, int64_t>> events;
  manager_.SetOnProgress([&](int64_t c, int64_t m) { events.emplace_back(c, m); });
  WriteFile(dir_ / "empty", {});
  ASSERT_TRUE(manager_.EncryptFile(dir_ / "empty", dir_ / "out", kKey));
  EXPECT_TRUE(fs::exists(dir_ / "out"));
  EXPECT_EQ(fs::file_size(dir_ / "out"), 0u);
  EXPECT_EQ(events, (std::vector<std::pair<int64_t, int64_t>>{{0, 0}, {0, 0}}));
}

TEST_F(CipherFileTest, CancelLeavesExactlyTheProcessedChunks) {
  struct Case {
    size_t size;
    int64_t cancel_at;  // progress value at which Cancel is pressed; 0 = before the first chunk
  };
  for (const Case c : {Case{10000, 0}, Case{3 << 20, 300 * 4096}}) {
    SCOPED_TRACE(c.size);
    const Bytes plain = RandomData(c.size, 3);
    WriteFile(dir_ / "plain", plain);
    int events = 0;
    manager_.SetOnProgress([&](int64_t current, int64_t maximal) {
      ++events;
      if (current == c.cancel_at && maximal > 0) manager_.ContinueFlag() = false;
    });
    ASSERT_TRUE(manager_.EncryptFile(dir_ / "plain", dir_ / "enc", kKey));
    const size_t kept = c.cancel_at == 0 ? 4096 : static_cast<size_t>(c.cancel_at);
    const Bytes enc = ReadFile(dir_ / "enc");
    ASSERT_EQ(enc.size(), kept);
    EXPECT_TRUE(std::equal(enc.begin(), enc.end(), Encrypted(plain).begin()));
    EXPECT_EQ(events, static_cast<int>(kept / 4096) + 2);
  }
  // The next operation runs in full again.
  manager_.SetOnProgress(nullptr);
  ASSERT_TRUE(manager_.EncryptFile(dir_ / "plain", dir_ / "enc", kKey));
  EXPECT_EQ(fs::file_size(dir_ / "enc"), 3u << 20);
}

TEST_F(CipherFileTest, CancelInPlaceLeavesTheRestUntouched) {
  const Bytes plain = RandomData(20000, 4);
  WriteFile(dir_ / "item", plain);
  manager_.SetOnProgress([&](int64_t current, int64_t) {
    if (current == 8192) manager_.ContinueFlag() = false;
  });
  ASSERT_TRUE(manager_.EncryptFile(dir_ / "item", "", kKey));
  const Bytes now = ReadFile(dir_ / "item");
  ASSERT_EQ(now.size(), plain.size());
  const Bytes enc = Encrypted(plain);
  EXPECT_TRUE(std::equal(now.begin(), now.begin() + 8192, enc.begin()));
  EXPECT_TRUE(std::equal(now.begin() + 8192, now.end(), plain.begin() + 8192));
}

TEST_F(CipherFileTest, WriteErrorIsAFailure) {
  WriteFile(dir_ / "plain", RandomData(3 << 20, 5));
  // Writes go on behind the cipher: a failure in the first, a middle or the last piece.
  for (const int64_t room : {int64_t{0}, int64_t{(1 << 20) + 100}, int64_t{(3 << 20) - 1}}) {
    SetDiskSpaceLimit(room);
    EXPECT_FALSE(manager_.EncryptFile(dir_ / "plain", dir_ / "sealed", kKey)) << room;
    SetDiskSpaceLimit(-1);
  }
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  EXPECT_FALSE(manager_.EncryptFile(dir_ / "plain", "/dev/full", kKey));
}

}  // namespace
}  // namespace kestramo

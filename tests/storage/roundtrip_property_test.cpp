// SPDX-License-Identifier: GPL-3.0-or-later
// Random trees, with file sizes at and around every boundary the formats have, go into a
// classic and a hardened vault and must come back byte for byte, with nothing reported.
// KESTRAMO_ROUNDTRIP_ROUNDS runs more trees (each its own seed, from
// KESTRAMO_ROUNDTRIP_SEED); KESTRAMO_ROUNDTRIP_HUGE=1 adds files around 4 GiB.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdlib>
#include <map>

#include "hardened_fixture.h"
#include "storage/vault/vault_health.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t KiB = 1024, MiB = 1024 * KiB, GiB = 1024 * MiB;

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

enum class Kind { Zeros, Text, Random, Compressed };

// Where the bytes of each kind come from: pools sliced at random places, so that a tree of
// hundreds of megabytes is made in a moment. Zero files are made sparse.
class Pools {
 public:
  explicit Pools(unsigned seed) : random_(testing::RandomBytes(kPool, seed)) {
    std::mt19937 rng(seed);
    while (text_.size() < kPool) {
      text_ += "entry " + std::to_string(rng() % 100000) + ": the quick report of day " + std::to_string(rng() % 365) +
               (rng() % 3 ? " was filed\n" : " needs another look, see the appendix\n");
    }
    text_.resize(kPool);
    // Already compressed: deflated text, as in archives, pictures and packages.
    std::string prose;
    while (compressed_.size() < kPool) {
      prose.assign(text_, rng() % (kPool / 2), kPool / 2);
      uLongf size = compressBound(static_cast<uLong>(prose.size()));
      std::string out(size, '\0');
      compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(prose.data()),
                static_cast<uLong>(prose.size()), 6);
      compressed_ += out.substr(0, size);
    }
  }

  void Write(const fs::path& path, Kind kind, uint64_t size, std::mt19937& rng) const {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    if (kind == Kind::Zeros) {
      out.close();
      fs::resize_file(path, size);
      return;
    }
    const std::string& pool = kind == Kind::Text ? text_ : kind == Kind::Random ? random_ : compressed_;
    for (uint64_t left = size; left > 0;) {
      const size_t from = rng() % (pool.size() / 2);
      const size_t n = static_cast<size_t>(std::min<uint64_t>(left, pool.size() - from));
      out.write(pool.data() + from, static_cast<std::streamsize>(n));
      left -= n;
    }
  }

 private:
  static constexpr size_t kPool = 4 * MiB;
  std::string random_, text_, compressed_;
};

// Sizes that each boundary of the formats makes interesting: deflate and seal chunks of
// 16 KiB, sealed segments of 64 KiB, zstd pieces of 1 MiB, the 2 MiB group limit, 11 MiB
// groups, 16 MiB windows, 32 MiB for reading an entry whole, 4 GiB for ZIP64: each exact
// multiple and one byte to either side.
std::vector<uint64_t> BoundarySizes(bool huge) {
  std::vector<uint64_t> sizes;
  for (const uint64_t b : {16 * KiB, 64 * KiB, 1 * MiB, 2 * MiB, 11 * MiB, 16 * MiB, 32 * MiB}) {
    for (const uint64_t s : {b - 1, b, b + 1}) sizes.push_back(s);
    sizes.push_back(2 * b);
  }
  if (huge)
    for (const uint64_t s : {4 * GiB - 1, 4 * GiB, 4 * GiB + 1}) sizes.push_back(s);
  return sizes;
}

// A tree of thousands of small files (empty ones among them, and sizes close to the small
// boundaries), the boundary sizes in every kind the budget allows, and empty folders.
void MakeTree(const fs::path& root, unsigned seed, bool huge) {
  std::mt19937 rng(seed);
  const Pools pools(seed);
  auto kindOf = [&rng](uint64_t size) {
    // Large files of random bytes cost the most to pack: they stay few.
    const Kind kinds[] = {Kind::Zeros, Kind::Text, Kind::Random, Kind::Compressed};
    return size > 4 * MiB && rng() % 2 ? Kind::Zeros : kinds[rng() % 4];
  };
  auto folder = [&rng, &root]() {
    fs::path p = root;
    for (unsigned depth = rng() % 4; depth > 0; --depth) p /= "d" + std::to_string(rng() % 6);
    return p;
  };
  int n = 0;
  for (const uint64_t size : BoundarySizes(huge)) {
    // Whole multiples of 32 MiB are zeros, as disk images often are.
    const Kind kind = size >= 1 * GiB || size % (32 * MiB) == 0 ? Kind::Zeros : kindOf(size);
    pools.Write(folder() / ("b" + std::to_string(n++) + ".bin"), kind, size, rng);
  }
  for (int i = 0; i < 2500; ++i) {
    const uint64_t near[] = {0, 16 * KiB, 64 * KiB, 100 * KiB};
    const uint64_t base = near[rng() % 4];
    const uint64_t size = rng() % 20 == 0 ? 0 : base + rng() % 512 - std::min<uint64_t>(base, 256);
    pools.Write(folder() / ("f" + std::to_string(n++) + ".dat"), kindOf(size), size, rng);
  }
  for (int i = 0; i < 5; ++i) fs::create_directories(folder() / ("empty" + std::to_string(i)));
}

// What a tree holds: each file's bytes (as a checksum and size) and each folder, by path.
std::map<std::string, std::pair<uint64_t, uint32_t>> Contents(const fs::path& root) {
  std::map<std::string, std::pair<uint64_t, uint32_t>> found;
  std::vector<char> buffer(1 << 20);
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string name = e.path().lexically_relative(root).string();
    if (e.is_directory()) {
      found[name + "/"] = {0, 0};
      continue;
    }
    std::ifstream in(e.path(), std::ios::binary);
    uLong crc = crc32(0, nullptr, 0);
    uint64_t size = 0;
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
      crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), static_cast<uInt>(in.gcount()));
      size += static_cast<uint64_t>(in.gcount());
    }
    found[name] = {size, static_cast<uint32_t>(crc)};
  }
  return found;
}

class RoundTripPropertyTest : public testing::HardenedVaultTest {
 protected:
  // Adds the tree as one item, checks it, takes it out and compares.
  void RoundTrip(const fs::path& tree, const std::map<std::string, std::pair<uint64_t, uint32_t>>& expected) {
    work.Reset();
    sink.messages.clear();
    ASSERT_TRUE(AddItem(*vault, tree, "Box", {sink, work}, shell).ok());
    EXPECT_TRUE(sink.messages.empty()) << sink.messages.front();
    const ItemRecord& record = vault->Items().AllRecords().back();
    uint64_t bytes = 0;
    for (const auto& [name, file] : expected) bytes += file.first;
    EXPECT_EQ(FieldOf(record, ItemField::Size).AsInteger64(), static_cast<int64_t>(bytes));
    const api::VaultHealth health = CheckVaultHealth(*vault);
    EXPECT_TRUE(health.findings.empty()) << health.findings.front().detail;
    const fs::path out = dir / "out";
    fs::remove_all(out);
    fs::create_directories(out);
    work.Reset();
    const int32_t index = FieldOf(record, ItemField::Index).AsInteger();
    ASSERT_EQ(ExtractItem(*vault, index, out, {sink, work}, [](const std::string&) { return false; }).code,
              api::Code::Ok);
    EXPECT_TRUE(Contents(out / tree.filename()) == expected) << "the tree came back changed";
    fs::remove_all(out);
  }
};

TEST_F(RoundTripPropertyTest, RandomTreesComeBackByteForByte) {
  const uint64_t rounds = EnvNumber("KESTRAMO_ROUNDTRIP_ROUNDS", 2);
  const uint64_t firstSeed = EnvNumber("KESTRAMO_ROUNDTRIP_SEED", 29);
  const bool huge = EnvNumber("KESTRAMO_ROUNDTRIP_HUGE", 0) != 0;
  if (huge && !testing::HasFreeGiB(dir.Path(), 40)) GTEST_SKIP() << "no room for files of 4 GiB";
  for (uint64_t round = 0; round < rounds; ++round) {
    const auto seed = static_cast<unsigned>(firstSeed + round);
    SCOPED_TRACE("seed " + std::to_string(seed));
    const fs::path tree = dir / "src" / "Tree";
    fs::remove_all(tree);
    MakeTree(tree, seed, huge);
    const auto expected = Contents(tree);
    if (vault->Format() == api::Format::Classic) {
      ASSERT_NO_FATAL_FAILURE(RoundTrip(tree, expected));
      Harden();
    }
    ASSERT_NO_FATAL_FAILURE(RoundTrip(tree, expected));
  }
}

}  // namespace
}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
// The hardened formats byte by byte: known answers for the key derivation and the key wrap,
// and every region of an index file and of an item file changed, cut or reordered.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

#include <functional>

#include "storage/hardened/hardened_keys.h"
#include "storage/hardened/scratch_file.h"
#include "storage/hardened/sealed_item.h"
#include "storage/hardened/sealed_view.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

constexpr KdfCost kCheapCost{1, 8ull << 20};

std::string Hex(const uint8_t* data, std::size_t size) {
  std::string out(size * 2 + 1, '\0');
  sodium_bin2hex(out.data(), out.size(), data, size);
  out.pop_back();
  return out;
}

template <std::size_t N>
std::array<uint8_t, N> Counting(uint8_t from) {
  std::array<uint8_t, N> a{};
  for (std::size_t i = 0; i < N; ++i) a[i] = static_cast<uint8_t>(from + i);
  return a;
}

// Byte layout: docs/formats/hardened-index.md
TEST(HardenedFormatTest, KeyDerivationAndWrapGiveTheKnownBytes) {
  // The salt is printable so that an independent Argon2id tool can confirm the key (it did).
  KdfParams params{1, 8ull << 20, {}};
  const std::string salt = "kestramo-salt-16";
  std::copy(salt.begin(), salt.end(), params.salt.begin());
  const auto kek = DeriveKek("correct horse battery", params);
  ASSERT_TRUE(kek);
  EXPECT_EQ(Hex(kek->data(), kek->size()), "da00cdeee0ef49d97ceb18bc6915fecab9b2aa1aaf2b46b53eb1ed7bcf50ed42");

  KeyBytes vaultKey;
  const auto source = Counting<32>(0x20);
  std::copy(source.begin(), source.end(), vaultKey.data());
  const auto nonce = Counting<24>(0x40);
  const KeyWrap wrap = WrapVaultKey(vaultKey, *kek, params, &nonce);
  const Bytes head = wrap.Bytes();
  ASSERT_EQ(head.size(), kKeyWrapSize);
  EXPECT_EQ(Hex(head.data(), head.size()),
            "894b48560d0a1a0a030002000100000000008000000000006b65737472616d6f2d73616c742d3136"
            "404142434445464748494a4b4c4d4e4f5051525354555657"
            "6dbea93c9761bcf152194b5de2616b98129bf3ea8278a70021c7395caedcee4b92a8e7d133b7818463d698c25d111ba8");

  EXPECT_TRUE(UnwrapVaultKey(wrap, *kek) == vaultKey);
  EXPECT_FALSE(UnwrapVaultKey(wrap, *DeriveKek("correct horse batterY", params)));
  EXPECT_FALSE(DeriveKek("anything", KdfParams{1, 1ull << 40, {}})) << "a crafted cost is refused";
}

// One index, then each region flipped and the file cut at each region: never opened.
TEST(HardenedFormatTest, EveryRegionOfTheIndexIsChecked) {
  ItemTable table;
  table.Append();
  table.SetField(ItemField::Box, FieldValue::Text("Private"));
  table.Post();
  const auto keys = HardenedKeys::Create("a long passphrase", kCheapCost);
  ASSERT_TRUE(keys);
  const IndexSeal seal{Counting<16>(1), 7, {3, 9}, {"coffrel/index.dat.damaged-1", "temp/x"}};
  const Bytes good = EncodeHardenedIndex(keys->Wrap(), keys->VaultKey(), seal, table);
  EXPECT_EQ((good.size() - kHardenedHeaderSize - kAeadTagSize) % 4096, 0u) << "the table is padded";

  IndexUnlocker unlocker;
  unlocker.Offer("a long passphrase");
  auto open = [&unlocker, &seal](const Bytes& bytes) {
    std::optional<HardenedKeys> k;
    OpenedIndex opened;
    api::Status result = unlocker.Open(bytes, &k, &opened);
    if (result.ok()) {
      EXPECT_TRUE(opened.seal && opened.seal->vaultId == Counting<16>(1) && opened.seal->saveCounter == 7 &&
                  opened.seal->legacyItems == std::vector<int32_t>({3, 9}) && opened.seal->leftovers == seal.leftovers);
      EXPECT_EQ(opened.rows.size(), 1u);
    }
    return result;
  };
  const api::Status opened = open(good);
  ASSERT_TRUE(opened.ok()) << opened.message;

  const struct {
    const char* region;
    std::size_t at;
  } regions[] = {{"magic", 3},
                 {"version", 8},
                 {"algorithm", 10},
                 {"passes", 12},
                 {"memory", 17},
                 {"salt", 30},
                 {"wrap nonce", 50},
                 {"wrapped key", 80},
                 {"wrap tag", 108},
                 {"table nonce", 120},
                 {"seal", 140},
                 {"table", 200},
                 {"table tag", good.size() - 1}};
  for (const auto& r : regions) {
    Bytes flipped = good;
    flipped[r.at] ^= 0x04;
    const api::Status spoilt = open(flipped);
    EXPECT_FALSE(spoilt.ok()) << r.region;
    EXPECT_FALSE(spoilt.message.empty()) << r.region;
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(r.at));
    EXPECT_FALSE(open(cut).ok()) << "cut in " << r.region;
  }
  unlocker.Offer("another passphrase");
  EXPECT_EQ(open(good).code, api::Code::Locked);
}

// An item of many segments, then each way of spoiling it: never opened, and the reason given.
// Byte layout: docs/formats/hardened-item.md
TEST(HardenedFormatTest, AnItemFileChangedCutReorderedOrMovedNeverOpens) {
  testing::TempDir dir;
  // Long enough to be opened in several batches, each on its way while the next is read.
  const std::string content = testing::RandomBytes(40 * kSealedChunk + 1000, 7);
  testing::WriteFile(dir / "archive", content);
  const KeyBytes key = KeyBytes::Random();
  const ItemBinding binding{Counting<16>(9), 12};
  ASSERT_TRUE(SealItemFile(dir / "archive", nullptr, dir / "item", key, binding, {}).ok());
  ASSERT_TRUE(OpenItemFile(dir / "item", key, binding, ItemSealing::Bound, dir / "back", nullptr, {}).ok());
  EXPECT_EQ(testing::ReadFile(dir / "back"), content);
  // Read in place, every segment checked as it is read: whether all of it reads back.
  auto readsInPlace = [&](const fs::path& file, const KeyBytes& k, const ItemBinding& b) {
    auto view = SealedItemView::Open(file, k, b);
    std::string all(view.ok() ? (*view)->Size() : 0, '\0');
    return view.ok() && (*view)->ReadAt(-1, all.data(), all.size(), 0) && all == content;
  };
  EXPECT_TRUE(readsInPlace(dir / "item", key, binding));
  {
    auto opened = SealedItemView::Open(dir / "item", key, binding);
    ASSERT_TRUE(opened.ok()) << opened.status().message;
    SealedItemView& view = **opened;
    std::string across(kSealedChunk + 20, '\0');  // from the middle of one segment into the next two
    ASSERT_TRUE(view.ReadAt(-1, across.data(), across.size(), 3 * kSealedChunk - 10));
    EXPECT_TRUE(across == content.substr(3 * kSealedChunk - 10, across.size()));
    EXPECT_FALSE(view.ReadAt(-1, across.data(), 2, content.size() - 1)) << "past the end";
  }

  const std::string good = testing::ReadFile(dir / "item");
  const std::size_t header = kItemHeaderSize, piece = kSealedChunk + 16;
  enum class Spoil { Flip, Cut, SwapFirstChunks, Append };
  const struct {
    const char* spoil;
    Spoil how;
    std::size_t at;
  } cases[] = {
      {"magic flipped", Spoil::Flip, 5},
      {"vault ID flipped", Spoil::Flip, 14},
      {"item number flipped", Spoil::Flip, 28},
      {"nonce prefix flipped", Spoil::Flip, 40},
      {"first segment flipped", Spoil::Flip, header + 100},
      {"last tag flipped", Spoil::Flip, good.size() - 1},
      {"cut inside the header", Spoil::Cut, 10},
      {"cut inside a segment", Spoil::Cut, header + piece + 500},
      {"a segment of a later batch flipped", Spoil::Flip, header + 33 * piece + 7},
      {"last segment dropped", Spoil::Cut, header + 40 * piece},
      {"cut where a batch ends", Spoil::Cut, header + 16 * piece},
      {"segments swapped", Spoil::SwapFirstChunks, header},
      {"a byte appended", Spoil::Append, 0},
  };
  for (const auto& c : cases) {
    std::string spoilt = good;
    switch (c.how) {
      case Spoil::Flip: spoilt[c.at] = static_cast<char>(spoilt[c.at] ^ 1); break;
      case Spoil::Cut: spoilt.resize(c.at); break;
      case Spoil::SwapFirstChunks:
        std::swap_ranges(spoilt.begin() + c.at, spoilt.begin() + c.at + piece, spoilt.begin() + c.at + piece);
        break;
      case Spoil::Append: spoilt += 'x'; break;
    }
    testing::WriteFile(dir / "spoilt", spoilt);
    const api::Status opened =
        OpenItemFile(dir / "spoilt", key, binding, ItemSealing::Bound, dir / "back", nullptr, {});
    EXPECT_EQ(opened.code, api::Code::Damaged) << c.spoil;
    EXPECT_FALSE(opened.message.empty()) << c.spoil;
    EXPECT_FALSE(readsInPlace(dir / "spoilt", key, binding)) << c.spoil;
  }
  const struct {
    const char* what;
    KeyBytes key;
    ItemBinding binding;
  } strangers[] = {{"another key", KeyBytes::Random(), binding},
                   {"another vault", key, {Counting<16>(10), 12}},
                   {"another record", key, {binding.vault, 13}}};
  for (const auto& s : strangers) {
    EXPECT_EQ(OpenItemFile(dir / "item", s.key, s.binding, ItemSealing::Bound, dir / "back", nullptr, {}).code,
              api::Code::Damaged)
        << s.what;
    EXPECT_FALSE(readsInPlace(dir / "item", s.key, s.binding)) << s.what;
  }
}

// A whole number of segments with a byte appended, and the empty archive, each at its edge.
TEST(HardenedFormatTest, AnItemOfWholeSegmentsOrNoneEndsWhereItWasSealed) {
  testing::TempDir dir;
  const ItemBinding binding{Counting<16>(1), 1};
  const KeyBytes key = KeyBytes::Random();
  for (const std::size_t size : {std::size_t{0}, 2 * kSealedChunk}) {
    testing::WriteFile(dir / "archive", testing::RandomBytes(size, 5));
    ASSERT_TRUE(SealItemFile(dir / "archive", nullptr, dir / "item", key, binding, {}).ok());
    EXPECT_EQ(fs::file_size(dir / "item"), kItemHeaderSize + size + 16 * std::max<std::size_t>(1, size / kSealedChunk));
    ASSERT_TRUE(OpenItemFile(dir / "item", key, binding, ItemSealing::Bound, dir / "back", nullptr, {}).ok());
    EXPECT_EQ(fs::file_size(dir / "back"), size);
    std::string longer = testing::ReadFile(dir / "item") + std::string(1, '\0');
    testing::WriteFile(dir / "longer", longer);
    EXPECT_FALSE(OpenItemFile(dir / "longer", key, binding, ItemSealing::Bound, dir / "back", nullptr, {}).ok())
        << size << " bytes, one appended";
    longer.resize(kItemHeaderSize);
    testing::WriteFile(dir / "longer", longer);
    EXPECT_FALSE(OpenItemFile(dir / "longer", key, binding, ItemSealing::Bound, dir / "back", nullptr, {}).ok())
        << size << " bytes, no segment";
  }
}

// The first hardened item format, as vaults hardened then hold it: a bare stream of 64 KiB
// chunks. A file of whole chunks opens, and with one byte more it does not.
TEST(HardenedFormatTest, AnItemOfTheFirstFormatEndsWithItsFinalChunk) {
  testing::TempDir dir;
  const KeyBytes key = KeyBytes::Random();
  const std::string plain = testing::RandomBytes(2 * kSealedChunk, 6);
  crypto_secretstream_xchacha20poly1305_state state;
  std::string file(crypto_secretstream_xchacha20poly1305_HEADERBYTES, '\0');
  crypto_secretstream_xchacha20poly1305_init_push(&state, reinterpret_cast<uint8_t*>(file.data()), key.data());
  for (std::size_t at = 0; at < plain.size(); at += kSealedChunk) {
    std::string piece(kSealedChunk + crypto_secretstream_xchacha20poly1305_ABYTES, '\0');
    const auto tag = at + kSealedChunk == plain.size() ? crypto_secretstream_xchacha20poly1305_TAG_FINAL : 0;
    crypto_secretstream_xchacha20poly1305_push(&state, reinterpret_cast<uint8_t*>(piece.data()), nullptr,
                                               reinterpret_cast<const uint8_t*>(plain.data() + at), kSealedChunk,
                                               nullptr, 0, static_cast<unsigned char>(tag));
    file += piece;
  }
  for (const bool appended : {false, true}) {
    testing::WriteFile(dir / "item", appended ? file + "x" : file);
    const api::Status opened = OpenItemFile(dir / "item", key, {}, ItemSealing::Legacy, dir / "back", nullptr, {});
    EXPECT_EQ(opened.ok(), !appended) << (appended ? "a byte appended" : opened.message);
  }
  EXPECT_EQ(testing::ReadFile(dir / "back").size(), 0u) << "the refused one left nothing";
}

// The working archive: written in pieces and patched as the archive writer does, read back
// at any offset; a byte changed on the disk, a cut or a longer file is refused at the read.
TEST(HardenedFormatTest, TheScratchFileHidesItsBytesAndRefusesAnyChangeOnTheDisk) {
  testing::TempDir dir;
  const std::string text = testing::RandomBytes(100000, 3);
  const fs::path file = dir / "scratch";
  auto fresh = [&](ScratchFile& scratch) {
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    for (std::size_t at = 0, step = 1; at < text.size(); at += step, step = step * 7 % 40000 + 1) {
      EXPECT_TRUE(scratch.WriteAt(fd, text.data() + at, std::min(step, text.size() - at), at));
    }
    EXPECT_TRUE(scratch.WriteAt(fd, "PATCH", 5, 16380)) << "a patch across two blocks";
    return fd;
  };
  std::string expected = text;
  expected.replace(16380, 5, "PATCH");
  {
    ScratchFile scratch;
    const int fd = fresh(scratch);
    EXPECT_EQ(testing::ReadFile(file).find(text.substr(50000, 64)), std::string::npos) << "nothing plain on the disk";
    std::string back(text.size(), '\0');
    for (std::size_t at = 0, step = 3; at < back.size(); at += step, step = step * 5 % 30011 + 1) {
      ASSERT_TRUE(scratch.ReadAt(fd, back.data() + at, std::min(step, back.size() - at), at));
    }
    EXPECT_EQ(back, expected);
    char byte = 0;
    EXPECT_FALSE(scratch.ReadAt(fd, &byte, 1, text.size())) << "past what was written";
    EXPECT_FALSE(scratch.WriteAt(fd, "x", 1, text.size() + 1)) << "a gap";
    ::close(fd);
  }
  const struct {
    const char* change;
    std::function<void(int fd)> spoil;
    uint64_t readAt;
  } changes[] = {
      {"a byte flipped",
       [](int fd) {
         char c = 0;
         EXPECT_EQ(::pread(fd, &c, 1, 70000), 1);
         c ^= 1;
         EXPECT_EQ(::pwrite(fd, &c, 1, 70000), 1);
       },
       69990},
      {"cut short", [&](int fd) { EXPECT_EQ(::ftruncate(fd, 90000), 0); }, 89000},
      {"a block swapped with another",
       [](int fd) {
         std::string a(16384, '\0'), b(16384, '\0');
         EXPECT_EQ(::pread(fd, a.data(), a.size(), 0), 16384);
         EXPECT_EQ(::pread(fd, b.data(), b.size(), 16384), 16384);
         EXPECT_EQ(::pwrite(fd, b.data(), b.size(), 0), 16384);
         EXPECT_EQ(::pwrite(fd, a.data(), a.size(), 16384), 16384);
       },
       10},
  };
  for (const auto& c : changes) {
    ScratchFile scratch;
    const int fd = fresh(scratch);
    c.spoil(fd);
    char buffer[64];
    EXPECT_FALSE(scratch.ReadAt(fd, buffer, sizeof buffer, c.readAt)) << c.change;
    EXPECT_FALSE(scratch.WriteAt(fd, "y", 1, c.readAt + 1)) << c.change << ": a patch keeps the rest of its block";
    ::close(fd);
  }
}

// A block written again is read back as it now is (never a kept copy of the old), and sealed
// under a nonce of its own: two texts under one nonce would give away their difference.
TEST(HardenedFormatTest, TheScratchFileReadsAndSealsARewrittenBlockAfresh) {
  testing::TempDir dir;
  const fs::path file = dir / "scratch";
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
  ScratchFile scratch;
  const std::string first = testing::RandomBytes(16384, 4), second = testing::RandomBytes(16384, 5);
  ASSERT_TRUE(scratch.WriteAt(fd, first.data(), first.size(), 0));
  char head[8];
  ASSERT_TRUE(scratch.ReadAt(fd, head, sizeof head, 0));  // the block is now the one kept plain
  const std::string sealedFirst = testing::ReadFile(file).substr(0, 16384);
  ASSERT_TRUE(scratch.WriteAt(fd, second.data(), second.size(), 0));
  ASSERT_TRUE(scratch.ReadAt(fd, head, sizeof head, 0));
  EXPECT_EQ(std::string(head, sizeof head), second.substr(0, sizeof head));
  const std::string sealedSecond = testing::ReadFile(file).substr(0, 16384);
  std::size_t sameDifference = 0;
  for (std::size_t i = 0; i < 16384; ++i)
    sameDifference += (sealedFirst[i] ^ sealedSecond[i]) == (first[i] ^ second[i]);
  EXPECT_LT(sameDifference, 200u) << "the rewritten block reused its nonce";
  ::close(fd);
}

}  // namespace
}  // namespace kestramo

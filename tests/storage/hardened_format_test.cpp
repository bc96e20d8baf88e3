// The hardened formats byte by byte: known answers for the key derivation and the key wrap,
// and every region of an index file and of an item file changed, cut or reordered.
#include <gtest/gtest.h>
#include <sodium.h>


#include "storage/hardened/hardened_keys.h"
#include "storage/hardened/sealed_item.h"
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
  EXPECT_EQ(Hex(head.data(), head.size()), "894b48560d0a1a0a010002000100000000008000000000006b65737472616d6f2d73616c742d3136"
            "404142434445464748494a4b4c4d4e4f5051525354555657"
            "6dbea93c9761bcf152194b5de2616b98129bf3ea8278a70021c7395caedcee4bc6e6d8c313b2340fb830f27bedef85bb");

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
  const Bytes good = EncodeHardenedIndex(keys->Wrap(), keys->VaultKey(), table);
  EXPECT_EQ((good.size() - kHardenedHeaderSize - kAeadTagSize) % 4096, 0u) << "the table is padded";

  IndexUnlocker unlocker;
  unlocker.Offer("a long passphrase");
  auto open = [&unlocker](const Bytes& bytes, std::string* why) {
    std::optional<HardenedKeys> k;
    std::vector<ItemRecord> rows;
    return unlocker.Open(bytes, &k, &rows, why);
  };
  std::string why;
  ASSERT_EQ(open(good, &why), IndexUnlocker::Result::Opened) << why;

  const struct {
    const char* region;
    std::size_t at;
  } regions[] = {{"magic", 3},        {"version", 8},         {"algorithm", 10},       {"passes", 12},
                 {"memory", 17},      {"salt", 30},           {"wrap nonce", 50},      {"wrapped key", 80},
                 {"wrap tag", 108},   {"table nonce", 120},   {"table", 200},          {"table tag", good.size() - 1}};
  for (const auto& r : regions) {
    Bytes flipped = good;
    flipped[r.at] ^= 0x04;
    why.clear();
    EXPECT_NE(open(flipped, &why), IndexUnlocker::Result::Opened) << r.region;
    EXPECT_FALSE(why.empty()) << r.region;
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(r.at));
    EXPECT_NE(open(cut, &why), IndexUnlocker::Result::Opened) << "cut in " << r.region;
  }
  unlocker.Offer("another passphrase");
  EXPECT_EQ(open(good, &why), IndexUnlocker::Result::Locked);
}

// An item of four chunks, then each way of spoiling it: never opened, and the reason given.
TEST(HardenedFormatTest, AnItemFileChangedCutOrReorderedNeverOpens) {
  testing::TempDir dir;
  // Long enough to be opened in several batches, each on its way while the next is read.
  const std::string content = testing::RandomBytes(40 * kSealedChunk + 1000, 7);
  testing::WriteFile(dir / "archive", content);
  const KeyBytes key = KeyBytes::Random();
  std::string why;
  ASSERT_TRUE(SealItemFile(dir / "archive", nullptr, dir / "item", key, {}, &why)) << why;
  ASSERT_TRUE(OpenItemFile(dir / "item", key, dir / "back", nullptr, {}, &why)) << why;
  EXPECT_EQ(testing::ReadFile(dir / "back"), content);

  const std::string good = testing::ReadFile(dir / "item");
  const std::size_t header = 24, piece = kSealedChunk + 17;
  enum class Spoil { Flip, Cut, SwapFirstChunks, Append };
  const struct {
    const char* spoil;
    Spoil how;
    std::size_t at;
  } cases[] = {
      {"header flipped", Spoil::Flip, 5},
      {"first chunk flipped", Spoil::Flip, header + 100},
      {"last tag flipped", Spoil::Flip, good.size() - 1},
      {"cut inside the header", Spoil::Cut, 10},
      {"cut inside a chunk", Spoil::Cut, header + piece + 500},
      {"a chunk of a later batch flipped", Spoil::Flip, header + 33 * piece + 7},
      {"last chunk dropped", Spoil::Cut, header + 40 * piece},
      {"cut where a batch ends", Spoil::Cut, header + 16 * piece},
      {"chunks swapped", Spoil::SwapFirstChunks, header},
      {"a byte appended", Spoil::Append, 0},
  };
  for (const auto& c : cases) {
    std::string spoilt = good;
    switch (c.how) {
      case Spoil::Flip: spoilt[c.at] = static_cast<char>(spoilt[c.at] ^ 1); break;
      case Spoil::Cut: spoilt.resize(c.at); break;
      case Spoil::SwapFirstChunks: std::swap_ranges(spoilt.begin() + c.at, spoilt.begin() + c.at + piece, spoilt.begin() + c.at + piece); break;
      case Spoil::Append: spoilt += 'x'; break;
    }
    testing::WriteFile(dir / "spoilt", spoilt);
    why.clear();
    EXPECT_FALSE(OpenItemFile(dir / "spoilt", key, dir / "back", nullptr, {}, &why)) << c.spoil;
    EXPECT_FALSE(why.empty()) << c.spoil;
  }
  EXPECT_FALSE(OpenItemFile(dir / "item", KeyBytes::Random(), dir / "back", nullptr, {}, &why)) << "another key";
}

TEST(HardenedFormatTest, TheScratchMaskHidesAndRestoresBytesAtAnyOffset) {
  const std::string text = testing::RandomBytes(1000, 3);
  Bytes whole(text.begin(), text.end()), pieces = whole;
  const ScratchMask mask;
  mask.Apply(whole.data(), whole.size(), 5);
  for (std::size_t at = 0, step = 1; at < pieces.size(); at += step, step = step * 3 % 97 + 1) {
    const std::size_t n = std::min(step, pieces.size() - at);
    mask.Apply(pieces.data() + at, n, 5 + at);
  }
  EXPECT_EQ(whole, pieces);
  EXPECT_NE(std::string(whole.begin(), whole.end()), text);
  mask.Apply(whole.data(), whole.size(), 5);
  EXPECT_EQ(std::string(whole.begin(), whole.end()), text);
}

}  // namespace
}  // namespace kestramo

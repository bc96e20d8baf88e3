// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "storage/cipher/mime64.h"
#include "storage/cipher/rijndael_engine.h"
#include "storage/cipher/rijndael_key_schedule.h"
#include "storage/cipher/ripemd256.h"

#ifdef KESTRAMO_HAVE_CRYPTOPP
#include <cryptopp/ripemd.h>
#endif

namespace kestramo {
namespace {

template <typename Bytes>
std::string ToHex(const Bytes& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) (out += digits[b >> 4]) += digits[b & 15];
  return out;
}

std::vector<uint8_t> RandomBytes(std::mt19937& rng, size_t n) {
  std::vector<uint8_t> out(n);
  for (auto& b : out) b = static_cast<uint8_t>(rng());
  return out;
}

TEST(RipeMD256Test, PublishedVectors) {
  const std::pair<std::string, std::string> vectors[] = {
      {"", "02ba4c4e5f8ecd1877fc52d64d30e37a2d9774fb1e5d026380ae0168e3c5522d"},
      {"a", "f9333e45d857f5d90a91bab70a1eba0cfb1be4b0783c9acfcd883a9134692925"},
      {"abc", "afbd6e228b9d8cbbcef5ca2d03e6dba10ac0bc7dcbe4680e1e42d2e975459b65"},
      {"message digest", "87e971759a1ce47a514d5c914c392c9018c7c46bc14465554afcdf54a5070c0e"},
      {"abcdefghijklmnopqrstuvwxyz", "649d3034751ea216776bf9a18acc81bc7896118a5197968782dd1fd97d8d5133"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "3843045583aac6c8c8d9128573e7a9809afb2a0f34ccc36ea9e72f16f6368e3f"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "5740a408ac16b720b84424ae931cbb1fe363d1d0bf4017f1a89f7ea6de77a0b8"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "06fdcc7a409548aaf91368c06a6275b553e3f099bf0ea4edfd6778df89a890dd"},
  };
  for (const auto& [message, digest] : vectors) EXPECT_EQ(ToHex(RipeMD256::Of(message)), digest) << message;
}

TEST(RipeMD256Test, MillionAsInUnevenPieces) {
  RipeMD256 hash;
  const std::string piece(997, 'a');
  size_t left = 1000000;
  while (left > 0) {
    const size_t n = std::min(left, piece.size());
    hash.Update(piece.data(), n);
    left -= n;
  }
  EXPECT_EQ(ToHex(hash.Final()), "ac953744e10e31514c150d4d8d7b677342e33399788296e43ae4850ce4f97978");
  // Final() leaves the object ready for a new message.
  EXPECT_EQ(ToHex(hash.Final()), ToHex(RipeMD256::Of("")));
}

#ifdef KESTRAMO_HAVE_CRYPTOPP
TEST(RipeMD256Test, AgreesWithIndependentImplementation) {
  std::mt19937 rng(7);
  for (int round = 0; round < 4; ++round) {
    for (size_t n = 0; n <= 300; ++n) {
      const auto message = RandomBytes(rng, n);
      uint8_t theirs[32];
      CryptoPP::RIPEMD256 reference;
      reference.CalculateDigest(theirs, message.data(), message.size());
      RipeMD256 ours;
      // Feed in two pieces so the buffering across calls is exercised too.
      const size_t split = n == 0 ? 0 : rng() % n;
      ours.Update(message.data(), split);
      ours.Update(message.data() + split, n - split);
      ASSERT_EQ(ToHex(ours.Final()), ToHex(theirs)) << "length " << n;
    }
  }
}
#endif

std::array<uint8_t, 32> SequentialKey() {
  std::array<uint8_t, 32> key{};
  for (int i = 0; i < 32; ++i) key[i] = static_cast<uint8_t>(i);
  return key;
}

std::vector<const RijndaelEngine*> Engines() {
  std::vector<const RijndaelEngine*> engines{&RijndaelEngine::Portable()};
  if (RijndaelEngine::Hardware() != nullptr) engines.push_back(RijndaelEngine::Hardware());
  return engines;
}

TEST(RijndaelTest, RoundFunctionMatchesStandardVectorUnderStandardSchedule) {
  const auto key = SequentialKey();
  const RijndaelRoundKeys keys(RijndaelRoundKeys::ExpandStandardKey(key.data()));
  const uint8_t plain[16] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                             0x88, 0x99, 0xaa, 0xbb, 0xcc, 0xdd, 0xee, 0xff};
  for (const RijndaelEngine* engine : Engines()) {
    std::array<uint8_t, 16> out{};
    engine->EncryptBlock(keys, plain, out.data());
    EXPECT_EQ(ToHex(out), "8ea2b7ca516745bfeafc49904b496089") << engine->Name();
    engine->DecryptBlock(keys, out.data(), out.data());
    EXPECT_EQ(0, std::memcmp(out.data(), plain, 16)) << engine->Name();
  }
}

TEST(RijndaelTest, VaultScheduleSharesOnlyTheFirstTwelveWordsWithTheStandard) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 20; ++trial) {
    auto key = SequentialKey();
    if (trial > 0) {
      const auto random = RandomBytes(rng, 32);
      std::copy(random.begin(), random.end(), key.begin());
    }
    const auto vault = RijndaelRoundKeys::ExpandVaultKey(key.data());
    const auto standard = RijndaelRoundKeys::ExpandStandardKey(key.data());
    for (int i = 0; i < 12; ++i) EXPECT_EQ(vault[i], standard[i]) << "w[" << i << "]";
    for (int i = 12; i < RijndaelRoundKeys::kWords; ++i) EXPECT_NE(vault[i], standard[i]) << "w[" << i << "]";
  }
  // The standard schedule's last word for the sequential key, as published.
  EXPECT_EQ(RijndaelRoundKeys::ExpandStandardKey(SequentialKey().data())[59], 0x6d68de36u);
}

TEST(RijndaelTest, HardwareAndPortablePathsGiveIdenticalBytes) {
  const RijndaelEngine* hardware = RijndaelEngine::Hardware();
  if (hardware == nullptr) GTEST_SKIP() << "no AES instructions on this processor";
  const RijndaelEngine& portable = RijndaelEngine::Portable();
  std::mt19937 rng(3);
  for (int trial = 0; trial < 50; ++trial) {
    const auto key = RandomBytes(rng, 32);
    const RijndaelRoundKeys keys(RijndaelRoundKeys::ExpandVaultKey(key.data()));
    const size_t blocks = rng() % 40;  // covers the 8-lane batches and the single-block rest
    const auto plain = RandomBytes(rng, 16 * blocks);
    const auto iv = RandomBytes(rng, 16);

    auto a = plain, b = plain;
    auto chain_a = iv, chain_b = iv;
    portable.EncryptCbc(keys, a.data(), blocks, chain_a.data());
    hardware->EncryptCbc(keys, b.data(), blocks, chain_b.data());
    ASSERT_EQ(a, b);
    ASSERT_EQ(chain_a, chain_b);

    chain_a = iv;
    chain_b = iv;
    portable.DecryptCbc(keys, a.data(), blocks, chain_a.data());
    hardware->DecryptCbc(keys, b.data(), blocks, chain_b.data());
    ASSERT_EQ(a, plain);
    ASSERT_EQ(b, plain);
    ASSERT_EQ(chain_a, chain_b);
  }
}

TEST(Mime64Test, EncodesWithPaddingAndNoLineBreaks) {
  const std::string text = "any carnal pleasure.";
  const auto* data = reinterpret_cast<const uint8_t*>(text.data());
  EXPECT_EQ(Mime64::Encode(data, 0), "");
  EXPECT_EQ(Mime64::Encode(data, 1), "YQ==");
  EXPECT_EQ(Mime64::Encode(data, 2), "YW4=");
  EXPECT_EQ(Mime64::Encode(data, 3), "YW55");
  std::mt19937 rng(5);
  for (size_t n = 0; n < 200; ++n) {
    const auto bytes = RandomBytes(rng, n);
    const std::string encoded = Mime64::Encode(bytes.data(), n);
    ASSERT_EQ(encoded.size(), 4 * ((n + 2) / 3));
    ASSERT_EQ(encoded.find_first_of("\r\n"), std::string::npos);
    ASSERT_EQ(Mime64::Decode(encoded), bytes);
  }
}

TEST(Mime64Test, DecoderRejectsForeignCharactersAndCountsAllCharacters) {
  EXPECT_FALSE(Mime64::Decode("YW55!").has_value());
  EXPECT_FALSE(Mime64::Decode("YW\x80"
                              "55")
                   .has_value());
  // Missing padding is supplied.
  EXPECT_EQ(Mime64::Decode("YW4"), (std::vector<uint8_t>{'a', 'n'}));
  // Accepted separators are skipped, but they still count towards the expected length:
  // 8 characters promise 6 bytes, the four digits deliver 3.
  EXPECT_EQ(Mime64::Decode("YW55 \t\r\n"), (std::vector<uint8_t>{'a', 'n', 'y'}));
  // 10 characters pad to 12, promising 9 - 2 = 7 bytes; two whole groups yield 6 and
  // the two appended "=" make no whole group.
  EXPECT_EQ(Mime64::Decode("YW55-YW55,"), (std::vector<uint8_t>{'a', 'n', 'y', 'a', 'n', 'y'}));
  EXPECT_EQ(Mime64::Decode("===="), (std::vector<uint8_t>{}));
}

}  // namespace
}  // namespace kestramo

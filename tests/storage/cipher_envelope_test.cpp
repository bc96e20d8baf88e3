// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "storage/cipher/cipher_manager.h"
#include "storage/cipher/rijndael_cipher.h"
#include "storage/cipher/rijndael_engine.h"

namespace kestramo {
namespace {

using Bytes = std::vector<uint8_t>;

std::string ReadVectors() {
  std::ifstream in(std::string(KESTRAMO_TEST_VECTORS) + "/envelope.json");
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

// The string value of the first `"name": "value"` pair at or after `from`.
std::string ValueAfter(const std::string& json, size_t from, const std::string& name) {
  const std::string tag = "\"" + name + "\": \"";
  const size_t at = json.find(tag, from);
  if (at == std::string::npos) {
    ADD_FAILURE() << "no " << name << " in the vectors";
    return {};
  }
  const size_t start = at + tag.size();
  return json.substr(start, json.find('"', start) - start);
}

std::string ToHex(const uint8_t* data, size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (size_t i = 0; i < n; ++i) (out += digits[data[i] >> 4]) += digits[data[i] & 15];
  return out;
}

// The generator the vectors were made with, restarted for every length.
Bytes Plaintext(size_t n) {
  Bytes out(n);
  uint32_t x = 0x2545F491;
  for (auto& b : out) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<uint8_t>(x);
  }
  return out;
}

std::string AsText(const Bytes& b) { return std::string(b.begin(), b.end()); }

const size_t kLengths[] = {0, 1, 15, 16, 17, 32, 100, 4097};
const char* kKeys[] = {"vendrali", "vendralipass1234", "zqvt", ""};

// Runs every vector check once with the engine the processor supports and once portable.
class EnvelopeVectorTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { RijndaelEngine::ForcePortable(GetParam()); }
  void TearDown() override { RijndaelEngine::ForcePortable(false); }
  const std::string json_ = ReadVectors();
};

// Byte layout: docs/formats/cipher-envelope.md
TEST_P(EnvelopeVectorTest, KeyHashIvAndCiphertexts) {
  for (size_t n : kLengths) {
    EXPECT_EQ(ToHex(Plaintext(n).data(), n), ValueAfter(json_, json_.find("\"plaintexts\""), std::to_string(n)));
  }
  for (const char* key : kKeys) {
    SCOPED_TRACE(key);
    const size_t block = json_.find("\"key_text\": \"" + std::string(key) + "\"");
    ASSERT_NE(block, std::string::npos);
    RijndaelCipher cipher;
    cipher.InitKey(key);
    EXPECT_EQ(ToHex(RipeMD256::Of(key).data(), 32), ValueAfter(json_, block, "ripemd256"));
    EXPECT_EQ(ToHex(cipher.InitVector().data(), 16), ValueAfter(json_, block, "iv"));
    EXPECT_EQ(cipher.ChainBlock(), cipher.InitVector());

    const size_t ciphertexts = json_.find("\"ciphertexts\"", block);
    CipherManager manager;
    for (size_t n : kLengths) {
      SCOPED_TRACE(n);
      const Bytes plain = Plaintext(n);
      MemoryStream src(plain), enc, dec;
      ASSERT_TRUE(manager.EncryptStream(src, enc, key));
      // Long vectors may be stored cut short: compare what is there.
      const std::string expected = ValueAfter(json_, ciphertexts, std::to_string(n));
      ASSERT_EQ(enc.Data().size(), n);
      EXPECT_EQ(ToHex(enc.Data().data(), std::min(n, expected.size() / 2)), expected);
      ASSERT_TRUE(manager.DecryptStream(enc, dec, key));
      EXPECT_EQ(dec.Data(), plain);
    }
  }
}

TEST_P(EnvelopeVectorTest, TextsAndIndexHeads) {
  CipherManager manager;
  const size_t texts = json_.find("\"enc_text_under_zqvt\"");
  const size_t heads = json_.find("\"index_head_hex\"");
  for (const char* master : {"vendrali", "vendralix", "vendralipass1234"}) {
    const std::string wrapped = manager.EncryptText(master, "zqvt");
    EXPECT_EQ(wrapped, ValueAfter(json_, texts, master));
    const std::string head = std::string(1, static_cast<char>(wrapped.size())) + wrapped;
    EXPECT_EQ(ToHex(reinterpret_cast<const uint8_t*>(head.data()), head.size()), ValueAfter(json_, heads, master));
    EXPECT_EQ(manager.DecryptText(wrapped, "zqvt"), master);
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, EnvelopeVectorTest, ::testing::Values(false, true),
                         [](const auto& engine) { return engine.param ? "Portable" : "Selected"; });

TEST(CipherBufferTest, ShortTailIsKeystreamFromTheChain) {
  RijndaelCipher cipher;
  cipher.InitKey("vendrali");
  const Bytes plain = Plaintext(15);
  Bytes enc(15);
  cipher.EncryptBuffer(plain.data(), enc.data(), enc.size());
  RijndaelCipher::Block s{};
  cipher.Engine().EncryptBlock(cipher.RoundKeys(), cipher.InitVector().data(), s.data());
  for (size_t i = 0; i < plain.size(); ++i) EXPECT_EQ(enc[i], plain[i] ^ s[i]);
  // The chain becomes F XOR S.
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(cipher.ChainBlock()[i], cipher.InitVector()[i] ^ s[i]);
}

TEST(CipherManagerTest, StreamsStartAtZeroAndMayBeTheSameObject) {
  CipherManager manager;
  const Bytes plain = Plaintext(5000);
  MemoryStream src(plain), separate;
  src.Seek(1234);  // the whole source counts, wherever it stands
  ASSERT_TRUE(manager.EncryptStream(src, separate, "k"));
  MemoryStream in_place(plain);
  ASSERT_TRUE(manager.EncryptStream(in_place, in_place, "k"));
  EXPECT_EQ(in_place.Data(), separate.Data());
  EXPECT_NE(in_place.Data(), plain);
}

TEST(CipherManagerTest, ProgressPerChunkAndNoneForTexts) {
  CipherManager manager;
  std::vector<std::pair<int64_t, int64_t>> events;
  manager.SetOnProgress([&](int64_t current, int64_t maximal) { events.emplace_back(current, maximal); });

  MemoryStream empty, out;
  ASSERT_TRUE(manager.EncryptStream(empty, out, "k"));
  EXPECT_EQ(events, (std::vector<std::pair<int64_t, int64_t>>{{0, 0}, {0, 0}}));
  EXPECT_TRUE(out.Data().empty());

  events.clear();
  MemoryStream src(Plaintext(10000));
  ASSERT_TRUE(manager.EncryptStream(src, out, "k"));
  EXPECT_EQ(events, (std::vector<std::pair<int64_t, int64_t>>{
                        {0, 10000}, {4096, 10000}, {8192, 10000}, {10000, 10000}, {0, 0}}));

  events.clear();
  EXPECT_FALSE(manager.EncryptText("some text", "k").empty());
  EXPECT_TRUE(events.empty());
}

// Claims a size beyond 32-bit counts; delivers zeros.
class HugeZeroStream : public Stream {
 public:
  size_t Read(void* buf, size_t n) override {
    const size_t count = static_cast<size_t>(std::min<int64_t>(n, Size() - pos_));
    std::memset(buf, 0, count);
    pos_ += static_cast<int64_t>(count);
    return count;
  }
  bool Write(const void*, size_t n) override { return (pos_ += static_cast<int64_t>(n), true); }
  bool Seek(int64_t pos) override { return (pos_ = pos, true); }
  int64_t Position() const override { return pos_; }
  int64_t Size() const override { return int64_t{5} << 30; }

 private:
  int64_t pos_ = 0;
};

TEST(CipherManagerTest, ProgressOfSourcesOver2GiBDoesNotOverflow) {
  CipherManager manager;
  std::vector<std::pair<int64_t, int64_t>> events;
  manager.SetOnProgress([&](int64_t current, int64_t maximal) {
    events.emplace_back(current, maximal);
    manager.ContinueFlag() = false;  // one chunk is enough
  });
  HugeZeroStream src, dst;
  ASSERT_TRUE(manager.EncryptStream(src, dst, "k"));
  const int64_t size = int64_t{5} << 30;
  EXPECT_EQ(events, (std::vector<std::pair<int64_t, int64_t>>{{0, size}, {4096, size}, {0, 0}}));
  EXPECT_EQ(dst.Position(), 4096);
}

TEST(CipherManagerTest, ThrowingHookIsAFailureNotACrash) {
  CipherManager manager;
  manager.SetOnProgress([](int64_t, int64_t) { throw std::runtime_error("hook"); });
  MemoryStream src(Plaintext(100)), dst;
  EXPECT_FALSE(manager.EncryptStream(src, dst, "k"));
}

TEST(CipherManagerTest, TextEdgeCases) {
  CipherManager manager;
  EXPECT_EQ(manager.EncryptText("", "k"), "");
  EXPECT_EQ(manager.DecryptText("", "k"), "");
  EXPECT_EQ(manager.DecryptText("RxBu!EOkDsGk=", "zqvt"), "");
  for (size_t n = 1; n < 40; ++n) {
    const std::string plain = AsText(Plaintext(n));
    const std::string enc = manager.EncryptText(plain, "key");
    ASSERT_EQ(enc.size(), 4 * ((n + 2) / 3));
    EXPECT_EQ(enc.back() == '=', n % 3 != 0);
    EXPECT_EQ(manager.EncryptText(plain, "key"), enc);  // deterministic
    EXPECT_EQ(manager.DecryptText(enc, "key"), plain);
  }
}

TEST(CipherManagerTest, WrongKeySucceedsWithOtherBytes) {
  CipherManager manager;
  MemoryStream src(Plaintext(300)), enc, dec;
  ASSERT_TRUE(manager.EncryptStream(src, enc, "right"));
  ASSERT_TRUE(manager.DecryptStream(enc, dec, "wrong"));
  EXPECT_EQ(dec.Data().size(), 300u);
  EXPECT_NE(dec.Data(), Plaintext(300));
}

// A destination that accepts a fixed number of bytes, like a full disk.
class FullStream : public MemoryStream {
 public:
  explicit FullStream(size_t room) : room_(room) {}
  bool Write(const void* buf, size_t n) override {
    if (n > room_) return false;
    room_ -= n;
    return MemoryStream::Write(buf, n);
  }

 private:
  size_t room_;
};

TEST(CipherManagerTest, WriteFailureIsReportedAndTheNextOperationWorks) {
  CipherManager manager;
  std::vector<std::pair<int64_t, int64_t>> events;
  manager.SetOnProgress([&](int64_t current, int64_t maximal) { events.emplace_back(current, maximal); });
  MemoryStream src(Plaintext(10000));
  FullStream full(100);
  EXPECT_FALSE(manager.EncryptStream(src, full, "k"));
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), (std::pair<int64_t, int64_t>{0, 0}));

  MemoryStream ok;
  EXPECT_TRUE(manager.EncryptStream(src, ok, "k"));
  EXPECT_EQ(ok.Data().size(), 10000u);
}

}  // namespace
}  // namespace kestramo

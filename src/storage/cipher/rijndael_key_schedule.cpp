// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cipher/rijndael_key_schedule.h"

#include "storage/cipher/rijndael_tables.h"

namespace kestramo {
namespace {

using rijndael::kTables;

constexpr uint8_t kRcon[] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40};

uint32_t SubWord(uint32_t w) {
  return rijndael::Word(kTables.sbox[w >> 24], kTables.sbox[(w >> 16) & 0xff], kTables.sbox[(w >> 8) & 0xff],
                        kTables.sbox[w & 0xff]);
}

uint32_t RotWord(uint32_t w) { return (w << 8) | (w >> 24); }

// InvMixColumns of one word, via the decryption tables (which apply InvSubBytes first).
uint32_t InvMixColumn(uint32_t w) {
  const auto& s = kTables.sbox;
  return kTables.td[0][s[w >> 24]] ^ kTables.td[1][s[(w >> 16) & 0xff]] ^ kTables.td[2][s[(w >> 8) & 0xff]] ^
         kTables.td[3][s[w & 0xff]];
}

void StoreWords(const uint32_t* words, int count, uint8_t* out) {
  for (int i = 0; i < count; ++i) {
    out[4 * i] = static_cast<uint8_t>(words[i] >> 24);
    out[4 * i + 1] = static_cast<uint8_t>(words[i] >> 16);
    out[4 * i + 2] = static_cast<uint8_t>(words[i] >> 8);
    out[4 * i + 3] = static_cast<uint8_t>(words[i]);
  }
}

RijndaelRoundKeys::Words LoadKeyWords(const uint8_t key[32]) {
  RijndaelRoundKeys::Words w{};
  for (int i = 0; i < 8; ++i) {
    w[i] = rijndael::Word(key[4 * i], key[4 * i + 1], key[4 * i + 2], key[4 * i + 3]);
  }
  return w;
}

}  // namespace

RijndaelRoundKeys::Words RijndaelRoundKeys::ExpandVaultKey(const uint8_t key[32]) {
  Words w = LoadKeyWords(key);
  std::array<uint32_t, 8> t{};
  for (int i = 0; i < 8; ++i) t[i] = w[i];
  int filled = 8;
  for (int g = 0; filled < kWords; ++g) {
    t[0] ^= SubWord(RotWord(t[7])) ^ (uint32_t{kRcon[g]} << 24);
    for (int j = 1; j < 8; ++j) t[j] ^= t[j - 1];
    t[4] ^= SubWord(t[3]);
    for (int j = 5; j < 8; ++j) t[j] ^= t[j - 1];
    for (int j = 0; j < 8 && filled < kWords; ++j) w[filled++] = t[j];
  }
  return w;
}

RijndaelRoundKeys::Words RijndaelRoundKeys::ExpandStandardKey(const uint8_t key[32]) {
  Words w = LoadKeyWords(key);
  for (int i = 8; i < kWords; ++i) {
    uint32_t temp = w[i - 1];
    if (i % 8 == 0) {
      temp = SubWord(RotWord(temp)) ^ (uint32_t{kRcon[i / 8 - 1]} << 24);
    } else if (i % 8 == 4) {
      temp = SubWord(temp);
    }
    w[i] = w[i - 8] ^ temp;
  }
  return w;
}

RijndaelRoundKeys::RijndaelRoundKeys(const Words& w) : enc_words_(w) {
  // Equivalent inverse cipher: rounds in reverse order, InvMixColumns on the inner ones.
  for (int round = 0; round <= kRounds; ++round) {
    const bool inner = round > 0 && round < kRounds;
    for (int c = 0; c < 4; ++c) {
      const uint32_t word = w[4 * (kRounds - round) + c];
      dec_words_[4 * round + c] = inner ? InvMixColumn(word) : word;
    }
  }
  StoreWords(enc_words_.data(), kWords, enc_bytes_.data());
  StoreWords(dec_words_.data(), kWords, dec_bytes_.data());
}

void RijndaelRoundKeys::Wipe() {
  volatile uint8_t* p = reinterpret_cast<volatile uint8_t*>(this);
  for (size_t i = 0; i < sizeof(*this); ++i) p[i] = 0;
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cipher/rijndael_portable.h"

#include <cstring>

#include "storage/cipher/rijndael_tables.h"

namespace kestramo {
namespace {

using rijndael::kTables;
using rijndael::Word;

constexpr int kRounds = RijndaelRoundKeys::kRounds;

uint32_t Load(const uint8_t* p) { return Word(p[0], p[1], p[2], p[3]); }

void Store(uint32_t w, uint8_t* p) {
  p[0] = static_cast<uint8_t>(w >> 24);
  p[1] = static_cast<uint8_t>(w >> 16);
  p[2] = static_cast<uint8_t>(w >> 8);
  p[3] = static_cast<uint8_t>(w);
}

uint8_t B(uint32_t w, int row) { return static_cast<uint8_t>(w >> (24 - 8 * row)); }

// One full round. `shift` is 1 for ShiftRows (row r reads column c + r) and 3 for
// InvShiftRows (row r reads column c - r).
template <int shift>
void FullRound(const std::array<std::array<uint32_t, 256>, 4>& t, const uint32_t in[4], const uint32_t* rk,
               uint32_t out[4]) {
  for (int c = 0; c < 4; ++c) {
    out[c] = t[0][B(in[c], 0)] ^ t[1][B(in[(c + shift) & 3], 1)] ^ t[2][B(in[(c + 2 * shift) & 3], 2)] ^
             t[3][B(in[(c + 3 * shift) & 3], 3)] ^ rk[c];
  }
}

template <int shift>
void LastRound(const std::array<uint8_t, 256>& box, const uint32_t in[4], const uint32_t* rk, uint8_t* out) {
  for (int c = 0; c < 4; ++c) {
    const uint32_t w = Word(box[B(in[c], 0)], box[B(in[(c + shift) & 3], 1)], box[B(in[(c + 2 * shift) & 3], 2)],
                            box[B(in[(c + 3 * shift) & 3], 3)]);
    Store(w ^ rk[c], out + 4 * c);
  }
}

template <int shift>
void Cipher(const std::array<std::array<uint32_t, 256>, 4>& tables, const std::array<uint8_t, 256>& box,
            const uint32_t* rk, const uint8_t in[16], uint8_t out[16]) {
  uint32_t s[4];
  uint32_t t[4];
  for (int c = 0; c < 4; ++c) s[c] = Load(in + 4 * c) ^ rk[c];
  for (int round = 1; round < kRounds; round += 2) {
    FullRound<shift>(tables, s, rk + 4 * round, t);
    if (round + 1 == kRounds) {
      LastRound<shift>(box, t, rk + 4 * kRounds, out);
      return;
    }
    FullRound<shift>(tables, t, rk + 4 * (round + 1), s);
  }
  LastRound<shift>(box, s, rk + 4 * kRounds, out);
}

void XorBlock(uint8_t* dst, const uint8_t* src) {
  for (size_t i = 0; i < RijndaelEngine::kBlock; ++i) dst[i] ^= src[i];
}

}  // namespace

void RijndaelPortableEngine::EncryptBlock(const RijndaelRoundKeys& keys, const uint8_t in[16], uint8_t out[16]) const {
  Cipher<1>(kTables.te, kTables.sbox, keys.EncWords().data(), in, out);
}

void RijndaelPortableEngine::DecryptBlockTables(const RijndaelRoundKeys& keys, const uint8_t in[16], uint8_t out[16]) {
  Cipher<3>(kTables.td, kTables.inv_sbox, keys.DecWords().data(), in, out);
}

void RijndaelPortableEngine::EncryptCbc(const RijndaelRoundKeys& keys, uint8_t* data, size_t blocks,
                                        uint8_t chain[16]) const {
  for (size_t i = 0; i < blocks; ++i, data += kBlock) {
    XorBlock(data, chain);
    EncryptBlock(keys, data, data);
    std::memcpy(chain, data, kBlock);
  }
}

void RijndaelPortableEngine::DecryptCbc(const RijndaelRoundKeys& keys, uint8_t* data, size_t blocks,
                                        uint8_t chain[16]) const {
  uint8_t cipher_block[kBlock];
  for (size_t i = 0; i < blocks; ++i, data += kBlock) {
    std::memcpy(cipher_block, data, kBlock);
    DecryptBlockTables(keys, data, data);
    XorBlock(data, chain);
    std::memcpy(chain, cipher_block, kBlock);
  }
}

}  // namespace kestramo

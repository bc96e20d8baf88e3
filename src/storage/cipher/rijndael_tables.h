// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>

namespace kestramo::rijndael {

// Lookup tables of the block cipher, computed at compile time from the field arithmetic
// so that no large literal tables have to be trusted. Words are big-endian: the most
// significant byte is row 0 of a state column.
struct Tables {
  std::array<uint8_t, 256> sbox{};
  std::array<uint8_t, 256> inv_sbox{};
  std::array<std::array<uint32_t, 256>, 4> te{};  // SubBytes + MixColumns, one per row
  std::array<std::array<uint32_t, 256>, 4> td{};  // InvSubBytes + InvMixColumns
};

constexpr uint8_t XTime(uint8_t x) { return static_cast<uint8_t>((x << 1) ^ ((x & 0x80) ? 0x1b : 0x00)); }

constexpr uint8_t GfMul(uint8_t a, uint8_t b) {
  uint8_t product = 0;
  while (b != 0) {
    if (b & 1) product ^= a;
    a = XTime(a);
    b >>= 1;
  }
  return product;
}

constexpr uint32_t RotR(uint32_t w, int bits) { return (w >> bits) | (w << (32 - bits)); }

constexpr uint32_t Word(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3) {
  return (uint32_t{b0} << 24) | (uint32_t{b1} << 16) | (uint32_t{b2} << 8) | uint32_t{b3};
}

constexpr Tables MakeTables() {
  Tables t;
  // Walk the multiplicative group with generator 3; q tracks the inverse of p.
  uint8_t p = 1;
  uint8_t q = 1;
  do {
    p = static_cast<uint8_t>(p ^ XTime(p));
    q ^= static_cast<uint8_t>(q << 1);
    q ^= static_cast<uint8_t>(q << 2);
    q ^= static_cast<uint8_t>(q << 4);
    if (q & 0x80) q ^= 0x09;
    auto rotl8 = [](uint8_t x, int s) { return static_cast<uint8_t>((x << s) | (x >> (8 - s))); };
    t.sbox[p] = static_cast<uint8_t>(q ^ rotl8(q, 1) ^ rotl8(q, 2) ^ rotl8(q, 3) ^ rotl8(q, 4) ^ 0x63);
  } while (p != 1);
  t.sbox[0] = 0x63;
  for (int x = 0; x < 256; ++x) t.inv_sbox[t.sbox[x]] = static_cast<uint8_t>(x);

  for (int x = 0; x < 256; ++x) {
    const uint8_t s = t.sbox[x];
    const uint8_t i = t.inv_sbox[x];
    const uint32_t te0 = Word(GfMul(s, 2), s, s, GfMul(s, 3));
    const uint32_t td0 = Word(GfMul(i, 14), GfMul(i, 9), GfMul(i, 13), GfMul(i, 11));
    for (int r = 0; r < 4; ++r) {
      t.te[r][x] = r == 0 ? te0 : RotR(te0, 8 * r);
      t.td[r][x] = r == 0 ? td0 : RotR(td0, 8 * r);
    }
  }
  return t;
}

inline constexpr Tables kTables = MakeTables();

}  // namespace kestramo::rijndael

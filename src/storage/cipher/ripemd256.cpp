// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cipher/ripemd256.h"

#include <cstring>

namespace kestramo {
namespace {

// Message word order and rotation amounts for the four rounds of each line.
constexpr uint8_t kWordLeft[64] = {0, 1,  2,  3,  4,  5,  6,  7, 8,  9, 10, 11, 12, 13, 14, 15,  //
                                   7, 4,  13, 1,  10, 6,  15, 3, 12, 0, 9,  5,  2,  14, 11, 8,   //
                                   3, 10, 14, 4,  9,  15, 8,  1, 2,  7, 0,  6,  13, 11, 5,  12,  //
                                   1, 9,  11, 10, 0,  8,  12, 4, 13, 3, 7,  15, 14, 5,  6,  2};
constexpr uint8_t kWordRight[64] = {5,  14, 7, 0, 9, 2,  11, 4,  13, 6,  15, 8,  1,  10, 3,  12,  //
                                    6,  11, 3, 7, 0, 13, 5,  10, 14, 15, 8,  12, 4,  9,  1,  2,   //
                                    15, 5,  1, 3, 7, 14, 6,  9,  11, 8,  12, 2,  10, 0,  4,  13,  //
                                    8,  6,  4, 1, 3, 11, 15, 0,  5,  12, 2,  13, 9,  7,  10, 14};
constexpr uint8_t kShiftLeft[64] = {11, 14, 15, 12, 5,  8,  7,  9,  11, 13, 14, 15, 6,  7,  9,  8,   //
                                    7,  6,  8,  13, 11, 9,  7,  15, 7,  12, 15, 9,  11, 7,  13, 12,  //
                                    11, 13, 6,  7,  14, 9,  13, 15, 14, 8,  13, 6,  5,  12, 7,  5,   //
                                    11, 12, 14, 15, 14, 15, 9,  8,  9,  14, 5,  6,  8,  6,  5,  12};
constexpr uint8_t kShiftRight[64] = {8,  9,  9,  11, 13, 15, 15, 5,  7,  7,  8,  11, 14, 14, 12, 6,   //
                                     9,  13, 15, 7,  12, 8,  9,  11, 7,  7,  12, 7,  6,  15, 13, 11,  //
                                     9,  7,  15, 11, 8,  6,  6,  14, 12, 13, 5,  14, 13, 13, 7,  5,   //
                                     15, 5,  8,  11, 14, 14, 6,  14, 6,  9,  12, 9,  12, 5,  15, 8};
constexpr uint32_t kConstLeft[4] = {0x00000000, 0x5a827999, 0x6ed9eba1, 0x8f1bbcdc};
constexpr uint32_t kConstRight[4] = {0x50a28be6, 0x5c4dd124, 0x6d703ef3, 0x00000000};

constexpr uint32_t Rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// The four boolean functions; the left line uses them in order 0..3, the right in 3..0.
constexpr uint32_t Mix(int f, uint32_t x, uint32_t y, uint32_t z) {
  switch (f) {
    case 0: return x ^ y ^ z;
    case 1: return (x & y) | (~x & z);
    case 2: return (x | ~y) ^ z;
    default: return (x & z) | (y & ~z);
  }
}

uint32_t LoadLe(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// One step of a line: a, b, c, d rotate as a <- d <- c <- b <- new.
struct Line {
  uint32_t v[4];  // a, b, c, d
  void Step(uint32_t f_value, uint32_t word, uint32_t k, int s) {
    const uint32_t t = Rol(v[0] + f_value + word + k, s);
    v[0] = v[3];
    v[3] = v[2];
    v[2] = v[1];
    v[1] = t;
  }
};

}  // namespace

void RipeMD256::Reset() {
  state_ = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0x76543210, 0xfedcba98, 0x89abcdef, 0x01234567};
  buffered_ = 0;
  length_ = 0;
}

void RipeMD256::Compress(const uint8_t block[64]) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = LoadLe(block + 4 * i);
  Line left{{state_[0], state_[1], state_[2], state_[3]}};
  Line right{{state_[4], state_[5], state_[6], state_[7]}};
  for (int round = 0; round < 4; ++round) {
    for (int j = 16 * round; j < 16 * round + 16; ++j) {
      left.Step(Mix(round, left.v[1], left.v[2], left.v[3]), x[kWordLeft[j]], kConstLeft[round], kShiftLeft[j]);
      right.Step(Mix(3 - round, right.v[1], right.v[2], right.v[3]), x[kWordRight[j]], kConstRight[round],
                 kShiftRight[j]);
    }
    // After round r the lines swap their r-th register (A, then B, C, D).
    std::swap(left.v[round], right.v[round]);
  }
  for (int i = 0; i < 4; ++i) {
    state_[i] += left.v[i];
    state_[4 + i] += right.v[i];
  }
}

void RipeMD256::Update(const void* data, size_t n) {
  if (n == 0) return;  // data may then be null, which memcpy must never see
  const auto* in = static_cast<const uint8_t*>(data);
  length_ += n;
  if (buffered_ > 0) {
    const size_t take = std::min(n, buffer_.size() - buffered_);
    std::memcpy(buffer_.data() + buffered_, in, take);
    buffered_ += take;
    in += take;
    n -= take;
    if (buffered_ < buffer_.size()) return;
    Compress(buffer_.data());
    buffered_ = 0;
  }
  for (; n >= 64; n -= 64, in += 64) Compress(in);
  std::memcpy(buffer_.data(), in, n);
  buffered_ = n;
}

RipeMD256::Digest RipeMD256::Final() {
  const uint64_t bits = length_ * 8;
  uint8_t pad[72] = {0x80};
  const size_t pad_len = (buffered_ < 56 ? 56 : 120) - buffered_;
  for (int i = 0; i < 8; ++i) pad[pad_len + i] = static_cast<uint8_t>(bits >> (8 * i));
  Update(pad, pad_len + 8);
  Digest digest{};
  for (int i = 0; i < 8; ++i) {
    for (int b = 0; b < 4; ++b) digest[4 * i + b] = static_cast<uint8_t>(state_[i] >> (8 * b));
  }
  Reset();
  return digest;
}

RipeMD256::Digest RipeMD256::Of(std::string_view text) {
  RipeMD256 hash;
  hash.Update(text.data(), text.size());
  return hash.Final();
}

}  // namespace kestramo

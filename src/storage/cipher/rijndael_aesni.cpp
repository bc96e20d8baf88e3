// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cipher/rijndael_aesni.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#include <wmmintrin.h>
#define KESTRAMO_AESNI 1
#define KESTRAMO_TARGET_AES __attribute__((target("aes,sse4.1")))
#endif

namespace kestramo {

#if KESTRAMO_AESNI
namespace {

constexpr int kRounds = RijndaelRoundKeys::kRounds;

struct KeyRegs {
  __m128i k[kRounds + 1];
};

KESTRAMO_TARGET_AES inline KeyRegs LoadKeys(const uint8_t* bytes) {
  KeyRegs r;
  for (int i = 0; i <= kRounds; ++i) {
    r.k[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes + 16 * i));
  }
  return r;
}

// Rounds 1..13 and the last round; the caller has already added round key 0.
KESTRAMO_TARGET_AES inline __m128i EncryptRounds(const KeyRegs& r, __m128i x) {
  for (int round = 1; round < kRounds; ++round) x = _mm_aesenc_si128(x, r.k[round]);
  return _mm_aesenclast_si128(x, r.k[kRounds]);
}

__m128i LoadU(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void StoreU(uint8_t* p, __m128i x) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), x); }

// Eight independent blocks in flight hide the latency of the decryption instruction.
constexpr size_t kLanes = 8;

KESTRAMO_TARGET_AES void DecryptLanes(const KeyRegs& r, uint8_t* data, __m128i& prev) {
  __m128i c[kLanes];
  __m128i x[kLanes];
  for (size_t i = 0; i < kLanes; ++i) {
    c[i] = LoadU(data + 16 * i);
    x[i] = _mm_xor_si128(c[i], r.k[0]);
  }
  for (int round = 1; round < kRounds; ++round) {
    for (size_t i = 0; i < kLanes; ++i) x[i] = _mm_aesdec_si128(x[i], r.k[round]);
  }
  // The last round only adds its key, so the CBC XOR can be folded into it.
  StoreU(data, _mm_aesdeclast_si128(x[0], _mm_xor_si128(r.k[kRounds], prev)));
  for (size_t i = 1; i < kLanes; ++i) {
    StoreU(data + 16 * i, _mm_aesdeclast_si128(x[i], _mm_xor_si128(r.k[kRounds], c[i - 1])));
  }
  prev = c[kLanes - 1];
}

KESTRAMO_TARGET_AES void DecryptOne(const KeyRegs& r, uint8_t* data, __m128i& prev) {
  const __m128i c = LoadU(data);
  __m128i x = _mm_xor_si128(c, r.k[0]);
  for (int round = 1; round < kRounds; ++round) x = _mm_aesdec_si128(x, r.k[round]);
  StoreU(data, _mm_aesdeclast_si128(x, _mm_xor_si128(r.k[kRounds], prev)));
  prev = c;
}

}  // namespace

bool RijndaelAesNiEngine::Supported() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("aes") && __builtin_cpu_supports("sse4.1");
}

KESTRAMO_TARGET_AES void RijndaelAesNiEngine::EncryptBlock(const RijndaelRoundKeys& keys, const uint8_t in[16],
                                                           uint8_t out[16]) const {
  const KeyRegs r = LoadKeys(keys.EncBytes());
  StoreU(out, EncryptRounds(r, _mm_xor_si128(LoadU(in), r.k[0])));
}

KESTRAMO_TARGET_AES void RijndaelAesNiEngine::EncryptCbc(const RijndaelRoundKeys& keys, uint8_t* data, size_t blocks,
                                                         uint8_t chain[16]) const {
  const KeyRegs r = LoadKeys(keys.EncBytes());
  __m128i f = LoadU(chain);
  for (size_t i = 0; i < blocks; ++i, data += 16) {
    // Plain XOR round key 0 does not depend on the chain, so it leaves the serial path.
    const __m128i p = _mm_xor_si128(LoadU(data), r.k[0]);
    f = EncryptRounds(r, _mm_xor_si128(p, f));
    StoreU(data, f);
  }
  StoreU(chain, f);
}

KESTRAMO_TARGET_AES void RijndaelAesNiEngine::DecryptCbc(const RijndaelRoundKeys& keys, uint8_t* data, size_t blocks,
                                                         uint8_t chain[16]) const {
  const KeyRegs r = LoadKeys(keys.DecBytes());
  __m128i prev = LoadU(chain);
  for (; blocks >= kLanes; blocks -= kLanes, data += 16 * kLanes) DecryptLanes(r, data, prev);
  for (; blocks > 0; --blocks, data += 16) DecryptOne(r, data, prev);
  StoreU(chain, prev);
}

#else  // not x86: never selected, since Supported() is false.

bool RijndaelAesNiEngine::Supported() { return false; }
void RijndaelAesNiEngine::EncryptBlock(const RijndaelRoundKeys&, const uint8_t*, uint8_t*) const {}
void RijndaelAesNiEngine::EncryptCbc(const RijndaelRoundKeys&, uint8_t*, size_t, uint8_t*) const {}
void RijndaelAesNiEngine::DecryptCbc(const RijndaelRoundKeys&, uint8_t*, size_t, uint8_t*) const {}

#endif

}  // namespace kestramo

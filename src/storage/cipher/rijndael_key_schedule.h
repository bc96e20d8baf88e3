// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestramo {

// 14-round key material for 32-byte keys: encryption round keys and the round keys of
// the equivalent inverse cipher, both as big-endian words and as the byte blocks the
// hardware instructions load.
class RijndaelRoundKeys {
 public:
  static constexpr int kRounds = 14;
  static constexpr int kWords = 4 * (kRounds + 1);
  using Words = std::array<uint32_t, kWords>;

  // The vault's key expansion: in each group the XOR chain runs over all seven words
  // before the mid-group SubWord step (stored files depend on this).
  static Words ExpandVaultKey(const uint8_t key[32]);
  // The standard 256-bit expansion; kept for checking the round function against
  // published vectors.
  static Words ExpandStandardKey(const uint8_t key[32]);

  RijndaelRoundKeys() = default;
  explicit RijndaelRoundKeys(const Words& w);

  const Words& EncWords() const { return enc_words_; }
  const Words& DecWords() const { return dec_words_; }
  const uint8_t* EncBytes() const { return enc_bytes_.data(); }
  const uint8_t* DecBytes() const { return dec_bytes_.data(); }

  // Overwrites all key material.
  void Wipe();

 private:
  Words enc_words_{};
  Words dec_words_{};
  alignas(16) std::array<uint8_t, 4 * kWords> enc_bytes_{};
  alignas(16) std::array<uint8_t, 4 * kWords> dec_bytes_{};
};

}  // namespace kestramo

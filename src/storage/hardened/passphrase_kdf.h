// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "storage/hardened/key_bytes.h"

namespace kestramo {

inline constexpr std::size_t kMinPassphraseChars = 8;
inline constexpr std::size_t kMaxPassphraseChars = 64;

inline constexpr uint32_t kDefaultKdfPasses = 3;
inline constexpr uint64_t kDefaultKdfMemory = 256ull << 20;
// What a stored file may ask for: a crafted header must not make the program allocate
// without end, nor derive for minutes. Later versions may raise the ceilings.
inline constexpr uint32_t kMaxKdfPasses = 32;
inline constexpr uint64_t kMinKdfMemory = 8ull << 20;
inline constexpr uint64_t kMaxKdfMemory = 1ull << 30;
inline constexpr double kMaxKdfCostFactor = 10;  // times the default's passes x memory

// Argon2id's cost and salt, stored in the index so that later saves keep them.
struct KdfParams {
  uint32_t passes = kDefaultKdfPasses;
  uint64_t memoryBytes = kDefaultKdfMemory;
  std::array<uint8_t, 16> salt{};

  bool operator==(const KdfParams&) const = default;
};

// The given cost with a fresh random salt.
KdfParams FreshKdfParams(uint32_t passes = kDefaultKdfPasses, uint64_t memoryBytes = kDefaultKdfMemory);
// Why these parameters are out of bounds, or "".
std::string KdfParamsProblem(const KdfParams& params);
// "argon2id, 256 MiB, 3 passes"
std::string DescribeKdf(const KdfParams& params);
// Why a passphrase cannot serve, or "": 8 to 64 characters.
std::string PassphraseProblem(std::string_view passphrase);

// The key-encryption key; nothing when the parameters are out of bounds or memory runs out.
std::optional<KeyBytes> DeriveKek(std::string_view passphrase, const KdfParams& params);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/hardened/passphrase_kdf.h"

#include <sodium.h>

#include "storage/text/utf8.h"

namespace kestramo {

KdfParams FreshKdfParams(uint32_t passes, uint64_t memoryBytes) {
  RequireSodium();
  KdfParams params;
  params.passes = passes;
  params.memoryBytes = memoryBytes;
  randombytes_buf(params.salt.data(), params.salt.size());
  return params;
}

std::string KdfParamsProblem(const KdfParams& params) {
  if (params.passes < 1 || params.passes > kMaxKdfPasses)
    return "its key derivation asks for an unsupported number of passes";
  if (params.memoryBytes < kMinKdfMemory || params.memoryBytes > kMaxKdfMemory) {
    return "its key derivation asks for an unsupported amount of memory";
  }
  // Time grows with passes times memory: a crafted file may not ask for more than ten
  // default derivations.
  if (static_cast<double>(params.passes) * static_cast<double>(params.memoryBytes) >
      kMaxKdfCostFactor * static_cast<double>(kDefaultKdfPasses) * static_cast<double>(kDefaultKdfMemory)) {
    return "its key derivation asks for more work than this program allows";
  }
  return {};
}

std::string DescribeKdf(const KdfParams& params) {
  return "argon2id, " + std::to_string(params.memoryBytes >> 20) + " MiB, " + std::to_string(params.passes) +
         (params.passes == 1 ? " pass" : " passes");
}

std::string PassphraseProblem(std::string_view passphrase) {
  const std::size_t chars = api::Utf8Length(passphrase);
  if (chars < kMinPassphraseChars) return "a passphrase has at least 8 characters";
  if (chars > kMaxPassphraseChars) return "a passphrase has at most 64 characters";
  return {};
}

std::optional<KeyBytes> DeriveKek(std::string_view passphrase, const KdfParams& params) {
  if (!KdfParamsProblem(params).empty()) return std::nullopt;
  RequireSodium();
  KeyBytes kek;
  if (crypto_pwhash(kek.data(), kek.size(), passphrase.data(), passphrase.size(), params.salt.data(), params.passes,
                    static_cast<size_t>(params.memoryBytes), crypto_pwhash_ALG_ARGON2ID13) != 0) {
    return std::nullopt;
  }
  return kek;
}

}  // namespace kestramo

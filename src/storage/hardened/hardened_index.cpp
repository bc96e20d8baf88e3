// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/hardened/hardened_index.h"

#include <sodium.h>

#include <algorithm>

#include "storage/disk/file_handle.h"
#include "storage/disk/regular_file.h"
#include "storage/hardened/sealed_pieces.h"
#include "storage/table/table_codec.h"

namespace kestramo {

namespace {

constexpr std::array<uint8_t, 8> kMagic = {0x89, 'K', 'H', 'V', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint16_t kOldestVersion = 1;
constexpr uint16_t kNewestVersion = kHardenedIndexVersion;
constexpr uint8_t kAlgorithmArgon2id = 2;
constexpr std::size_t kKdfOffset = 12;
constexpr std::size_t kWrapNonceOffset = 40;
// The table is padded to a multiple of this, so the index's size tells little of its names.
constexpr std::size_t kTablePadding = 4096;

void PutLe(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint64_t GetLe(const uint8_t* p, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | p[i];
  return value;
}

api::Status Damaged(std::string why) { return api::Status::Fail(api::Code::Damaged, std::move(why)); }

std::vector<uint8_t> SealBytes(const IndexSeal& seal) {
  std::vector<uint8_t> out(seal.vaultId.begin(), seal.vaultId.end());
  PutLe(out, seal.saveCounter, 8);
  PutLe(out, seal.legacyItems.size(), 4);
  for (const int32_t item : seal.legacyItems) PutLe(out, static_cast<uint32_t>(item), 4);
  PutLe(out, seal.leftovers.size(), 4);
  for (const std::string& path : seal.leftovers) {
    PutLe(out, path.size(), 2);
    out.insert(out.end(), path.begin(), path.end());
  }
  return out;
}

// Reads a seal's parts in turn, never past its end.
class SealReader {
 public:
  SealReader(const uint8_t* p, std::size_t size) : p_(p), left_(size) {}
  bool Take(std::size_t n, const uint8_t** at) {
    if (n > left_) return false;
    *at = p_;
    p_ += n;
    left_ -= n;
    return true;
  }
  bool Number(int bytes, uint64_t* value) {
    const uint8_t* at = nullptr;
    if (!Take(static_cast<std::size_t>(bytes), &at)) return false;
    *value = GetLe(at, bytes);
    return true;
  }
  std::size_t Left() const { return left_; }

 private:
  const uint8_t* p_;
  std::size_t left_;
};

// The seal at the start of a body of version 2 or later; *used: its length. Nothing when it
// does not fit.
std::optional<IndexSeal> ParseSeal(const uint8_t* p, std::size_t size, uint64_t version, std::size_t* used) {
  SealReader in(p, size);
  IndexSeal seal;
  const uint8_t* id = nullptr;
  uint64_t count = 0;
  if (!in.Take(kVaultIdSize, &id) || !in.Number(8, &seal.saveCounter) || !in.Number(4, &count)) return std::nullopt;
  std::copy_n(id, kVaultIdSize, seal.vaultId.begin());
  if (count > in.Left() / 4) return std::nullopt;
  for (uint64_t i = 0, item = 0; i < count && in.Number(4, &item); ++i) {
    seal.legacyItems.push_back(static_cast<int32_t>(item));
  }
  if (version >= 3) {
    if (!in.Number(4, &count) || count > in.Left() / 2) return std::nullopt;
    for (uint64_t i = 0, length = 0; i < count; ++i) {
      const uint8_t* path = nullptr;
      if (!in.Number(2, &length) || !in.Take(length, &path)) return std::nullopt;
      seal.leftovers.emplace_back(reinterpret_cast<const char*>(path), length);
    }
  }
  *used = size - in.Left();
  return seal;
}

}  // namespace

std::vector<uint8_t> KeyWrap::Bytes() const {
  std::vector<uint8_t> out(kMagic.begin(), kMagic.end());
  PutLe(out, version, 2);
  out.push_back(kAlgorithmArgon2id);
  out.push_back(0);
  PutLe(out, kdf.passes, 4);
  PutLe(out, kdf.memoryBytes, 8);
  out.insert(out.end(), kdf.salt.begin(), kdf.salt.end());
  out.insert(out.end(), nonce.begin(), nonce.end());
  out.insert(out.end(), sealedKey.begin(), sealedKey.end());
  return out;
}

bool LooksHardened(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= kMagic.size() && std::equal(kMagic.begin(), kMagic.end(), bytes.begin());
}

bool FileLooksHardened(const std::filesystem::path& file) {
  FileHandle in(OpenRegularFile(file).value_or(-1));
  std::vector<uint8_t> head(kMagic.size());
  return in.Get() >= 0 && ReadFull(in.Get(), head.data(), head.size()) == static_cast<ssize_t>(head.size()) &&
         LooksHardened(head);
}

KeyWrap WrapVaultKey(const KeyBytes& vaultKey, const KeyBytes& kek, const KdfParams& kdf,
                     const std::array<uint8_t, kAeadNonceSize>* fixedNonce) {
  RequireSodium();
  KeyWrap wrap;
  wrap.version = kNewestVersion;
  wrap.kdf = kdf;
  if (fixedNonce) {
    wrap.nonce = *fixedNonce;
  } else {
    randombytes_buf(wrap.nonce.data(), wrap.nonce.size());
  }
  const std::vector<uint8_t> head = wrap.Bytes();
  crypto_aead_xchacha20poly1305_ietf_encrypt(wrap.sealedKey.data(), nullptr, vaultKey.data(), vaultKey.size(),
                                             head.data(), kWrapNonceOffset, nullptr, wrap.nonce.data(), kek.data());
  return wrap;
}

std::optional<KeyBytes> UnwrapVaultKey(const KeyWrap& wrap, const KeyBytes& kek) {
  RequireSodium();
  const std::vector<uint8_t> head = wrap.Bytes();
  KeyBytes key;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(key.data(), nullptr, nullptr, wrap.sealedKey.data(),
                                                 wrap.sealedKey.size(), head.data(), kWrapNonceOffset,
                                                 wrap.nonce.data(), kek.data()) != 0) {
    return std::nullopt;
  }
  return key;
}

std::vector<uint8_t> EncodeHardenedIndex(const KeyWrap& wrap, const KeyBytes& vaultKey, const IndexSeal& seal,
                                         const ItemTable& table) {
  RequireSodium();
  if (wrap.version != kNewestVersion) return {};
  std::vector<uint8_t> plain = SealBytes(seal);
  const std::vector<uint8_t> tableBytes = SaveTableBytes(table);
  plain.insert(plain.end(), tableBytes.begin(), tableBytes.end());
  std::size_t paddedSize = 0;
  const std::size_t plainSize = plain.size();
  plain.resize(plainSize + kTablePadding);
  if (sodium_pad(&paddedSize, plain.data(), plainSize, kTablePadding, plain.size()) != 0) return {};
  plain.resize(paddedSize);

  std::vector<uint8_t> out = wrap.Bytes();
  std::array<uint8_t, kAeadNonceSize> nonce;
  randombytes_buf(nonce.data(), nonce.size());
  out.insert(out.end(), nonce.begin(), nonce.end());
  const std::size_t headSize = out.size();
  out.resize(headSize + plain.size() + kAeadTagSize);
  crypto_aead_xchacha20poly1305_ietf_encrypt(out.data() + headSize, nullptr, plain.data(), plain.size(), out.data(),
                                             headSize, nullptr, nonce.data(), vaultKey.data());
  sodium_memzero(plain.data(), plain.size());
  return out;
}

api::Result<KeyWrap> ReadKeyWrap(const std::vector<uint8_t>& bytes) {
  if (!LooksHardened(bytes)) return Damaged("it is not a hardened index file");
  if (bytes.size() < kHardenedHeaderSize + kAeadTagSize) return Damaged("the index file is truncated");
  const uint64_t version = GetLe(bytes.data() + 8, 2);
  if (version < kOldestVersion || version > kNewestVersion) return Damaged("the index file has an unknown version");
  if (bytes[10] != kAlgorithmArgon2id || bytes[11] != 0)
    return Damaged("the index file names an unknown key derivation");
  KeyWrap wrap;
  wrap.version = static_cast<uint16_t>(version);
  const uint8_t* p = bytes.data() + kKdfOffset;
  wrap.kdf.passes = static_cast<uint32_t>(GetLe(p, 4));
  wrap.kdf.memoryBytes = GetLe(p + 4, 8);
  std::copy_n(p + 12, wrap.kdf.salt.size(), wrap.kdf.salt.begin());
  std::copy_n(bytes.data() + kWrapNonceOffset, wrap.nonce.size(), wrap.nonce.begin());
  std::copy_n(bytes.data() + kWrapNonceOffset + kAeadNonceSize, wrap.sealedKey.size(), wrap.sealedKey.begin());
  if (const std::string problem = KdfParamsProblem(wrap.kdf); !problem.empty())
    return Damaged("the index file's header is damaged: " + problem);
  return wrap;
}

api::Result<OpenedIndex> OpenHardenedTable(const std::vector<uint8_t>& bytes, const KeyBytes& vaultKey) {
  RequireSodium();
  if (bytes.size() < kHardenedHeaderSize + kAeadTagSize) return Damaged("the index file is truncated");
  std::vector<uint8_t> plain(bytes.size() - kHardenedHeaderSize - kAeadTagSize);
  unsigned long long plainSize = 0;
  if (crypto_aead_xchacha20poly1305_ietf_decrypt(plain.data(), &plainSize, nullptr, bytes.data() + kHardenedHeaderSize,
                                                 bytes.size() - kHardenedHeaderSize, bytes.data(), kHardenedHeaderSize,
                                                 bytes.data() + kKeyWrapSize, vaultKey.data()) != 0) {
    return Damaged("the index file is damaged: its table fails its authentication");
  }
  std::size_t unpadded = 0;
  std::string why = "the index table's padding is damaged";
  std::optional<OpenedIndex> opened;
  if (sodium_unpad(&unpadded, plain.data(), static_cast<std::size_t>(plainSize), kTablePadding) == 0) {
    std::size_t used = 0;
    std::optional<IndexSeal> seal;
    const uint64_t version = GetLe(bytes.data() + 8, 2);
    const bool sealed = version >= 2;
    if (sealed) {
      seal = ParseSeal(plain.data(), unpadded, version, &used);
      if (!seal) why = "the index's seal is damaged";
    }
    if (!sealed || seal) {
      if (auto rows = ParseTableBytes(plain.data() + used, unpadded - used); rows.ok()) {
        opened = OpenedIndex{std::move(*rows), std::move(seal)};
      } else {
        why = rows.status().message;
      }
    }
  }
  sodium_memzero(plain.data(), plain.size());  // whatever the outcome: it is the plain table
  if (!opened) return Damaged(why);
  return std::move(*opened);
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/index_file.h"

#include "storage/cipher/stream.h"
#include "storage/table/table_codec.h"
#include "storage/text/utf8.h"

namespace kestramo {

std::vector<uint8_t> EncodeIndexFile(CipherManager& cipher, const ItemTable& table, const std::string& masterKey) {
  const std::string wrapped = cipher.EncryptText(masterKey, kKeyWrapKey);
  MemoryStream plain(SaveTableBytes(table));
  const std::size_t plainSize = plain.Data().size();
  MemoryStream sealed;
  if (wrapped.empty() || wrapped.size() > 255 || !cipher.EncryptStream(plain, sealed, masterKey).ok()) return {};
  // A stopped cipher returns normally with only its first chunks: never a short index.
  if (sealed.Data().size() != plainSize) return {};

  std::vector<uint8_t> out;
  out.reserve(1 + wrapped.size() + sealed.Data().size());
  out.push_back(static_cast<uint8_t>(wrapped.size()));
  out.insert(out.end(), wrapped.begin(), wrapped.end());
  out.insert(out.end(), sealed.Data().begin(), sealed.Data().end());
  return out;
}

api::Result<DecodedIndex> DecodeIndexFile(CipherManager& cipher, const std::vector<uint8_t>& bytes) {
  auto fail = [](std::string why) { return api::Status::Fail(api::Code::Damaged, std::move(why)); };
  if (bytes.empty()) return fail("the index file is empty");
  const std::size_t keyLength = bytes[0];
  if (bytes.size() < 1 + keyLength) return fail("the index file is truncated");

  DecodedIndex index;
  index.masterKey = cipher.DecryptText(
      std::string(bytes.begin() + 1, bytes.begin() + 1 + static_cast<std::ptrdiff_t>(keyLength)), kKeyWrapKey);
  const std::string prefix = kMasterKeyPrefix;
  // The password's limit is in characters: one may take up to four bytes.
  if (index.masterKey.compare(0, prefix.size(), prefix) != 0 ||
      api::Utf8Length(std::string_view(index.masterKey).substr(prefix.size())) > kMaxPasswordChars) {
    return fail("the index file's key is damaged");
  }

  MemoryStream sealed(std::vector<uint8_t>(bytes.begin() + 1 + static_cast<std::ptrdiff_t>(keyLength), bytes.end()));
  MemoryStream plain;
  if (!cipher.DecryptStream(sealed, plain, index.masterKey).ok()) return fail("the index table cannot be decrypted");
  auto rows = ParseTableBytes(plain.Data().data(), plain.Data().size());
  if (!rows.ok()) return rows.status();
  index.rows = std::move(*rows);
  return index;
}

}  // namespace kestramo

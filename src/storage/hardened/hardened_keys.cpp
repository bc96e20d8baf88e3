// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/hardened/hardened_keys.h"

#include <sodium.h>

namespace kestramo {

std::optional<HardenedKeys> HardenedKeys::Create(std::string_view passphrase, const KdfCost& cost) {
  HardenedKeys keys(KeyBytes::Random(), KeyWrap{});
  if (!keys.Rewrap(passphrase, cost)) return std::nullopt;
  return keys;
}

bool HardenedKeys::Rewrap(std::string_view passphrase, const KdfCost& cost) {
  const KdfParams params = FreshKdfParams(cost.passes, cost.memoryBytes);
  const auto kek = DeriveKek(passphrase, params);
  if (!kek) return false;
  wrap_ = WrapVaultKey(vaultKey_, *kek, params);
  return true;
}

void IndexUnlocker::Offer(const api::Secret& passphrase) {
  passphrase_ = passphrase;
  kek_.reset();
}

const KeyBytes* IndexUnlocker::KekFor(const KdfParams& params) {
  if (kek_) return kek_->first == params ? &kek_->second : nullptr;
  auto kek = DeriveKek(passphrase_.View(), params);
  if (!kek) return nullptr;
  kek_.emplace(params, std::move(*kek));
  return &kek_->second;
}

api::Status IndexUnlocker::Open(const std::vector<uint8_t>& bytes, std::optional<HardenedKeys>* keys,
                                OpenedIndex* opened) {
  using api::Code;
  using api::Status;
  const auto wrap = ReadKeyWrap(bytes);
  if (!wrap.ok()) return wrap.status();
  if (passphrase_.empty()) return Status::Fail(Code::Locked, "the vault is hardened: its passphrase is needed");
  const bool derivedElsewhere = kek_ && !(kek_->first == wrap->kdf);
  const KeyBytes* kek = KekFor(wrap->kdf);
  if (!kek) {
    return Status::Fail(Code::Locked, derivedElsewhere
                                          ? "the index file's key derivation differs from the other copy's (it was "
                                            "changed, or is from another passphrase)"
                                          : "there is not enough memory to derive the vault's key");
  }
  auto vaultKey = UnwrapVaultKey(*wrap, *kek);
  if (!vaultKey) return Status::Fail(Code::Locked, "the passphrase is wrong (or the index file's header is damaged)");
  auto table = OpenHardenedTable(bytes, *vaultKey);
  if (!table.ok()) return table.status();
  keys->emplace(std::move(*vaultKey), *wrap);
  if (wrap->version != KeyWrap{}.version) (*keys)->Upgrade(*kek);
  *opened = std::move(*table);
  return Status::Ok();
}

std::string ItemKeyText(const KeyBytes& key) {
  char text[sodium_base64_ENCODED_LEN(kKeySize, sodium_base64_VARIANT_ORIGINAL)];
  static_assert(sizeof text - 1 <= 44, "the record's Password field holds 44 characters");
  sodium_bin2base64(text, sizeof text, key.data(), key.size(), sodium_base64_VARIANT_ORIGINAL);
  return text;
}

std::optional<KeyBytes> ItemKeyFromText(const std::string& text) {
  RequireSodium();
  KeyBytes key;
  std::size_t length = 0;
  if (sodium_base642bin(key.data(), key.size(), text.data(), text.size(), nullptr, &length, nullptr,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      length != key.size()) {
    return std::nullopt;
  }
  return key;
}

}  // namespace kestramo

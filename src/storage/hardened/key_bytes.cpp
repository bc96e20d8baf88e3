// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/hardened/key_bytes.h"

#include <sodium.h>

#include <cstring>
#include <mutex>
#include <new>
#include <stdexcept>
#include <utility>

namespace kestramo {

void RequireSodium() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = sodium_init() >= 0; });
  if (!ready) throw std::runtime_error("the cryptography library cannot start");
}

KeyBytes::KeyBytes() {
  RequireSodium();
  bytes_ = static_cast<uint8_t*>(sodium_malloc(kKeySize));
  if (!bytes_) throw std::bad_alloc();
  sodium_memzero(bytes_, kKeySize);
}

KeyBytes::KeyBytes(const KeyBytes& other) : KeyBytes() {
  if (other.bytes_) std::memcpy(bytes_, other.bytes_, kKeySize);
}

KeyBytes& KeyBytes::operator=(const KeyBytes& other) {
  if (this != &other) {
    KeyBytes copy(other);
    std::swap(bytes_, copy.bytes_);
  }
  return *this;
}

KeyBytes& KeyBytes::operator=(KeyBytes&& other) noexcept {
  std::swap(bytes_, other.bytes_);
  return *this;
}

KeyBytes::~KeyBytes() { sodium_free(bytes_); }  // wipes, unlocks and unmaps; null is fine

bool KeyBytes::operator==(const KeyBytes& other) const {
  if (!bytes_ || !other.bytes_) return bytes_ == other.bytes_;
  return sodium_memcmp(bytes_, other.bytes_, kKeySize) == 0;
}

KeyBytes KeyBytes::Random() {
  KeyBytes key;
  randombytes_buf(key.bytes_, kKeySize);
  return key;
}

}  // namespace kestramo

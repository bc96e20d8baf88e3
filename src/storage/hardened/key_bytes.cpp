#include "storage/hardened/key_bytes.h"

#include <sodium.h>

#include <mutex>
#include <stdexcept>

namespace kestramo {

void RequireSodium() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = sodium_init() >= 0; });
  if (!ready) throw std::runtime_error("the cryptography library cannot start");
}

KeyBytes::~KeyBytes() { sodium_memzero(bytes_.data(), bytes_.size()); }

KeyBytes KeyBytes::Random() {
  RequireSodium();
  KeyBytes key;
  randombytes_buf(key.bytes_.data(), key.bytes_.size());
  return key;
}

}  // namespace kestramo

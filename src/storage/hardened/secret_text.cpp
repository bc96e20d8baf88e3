#include "storage/hardened/secret_text.h"

#include <sodium.h>

#include <cstring>
#include <new>

#include "storage/hardened/key_bytes.h"

namespace kestramo {

void SecretText::Assign(std::string_view text) {
  Clear();
  if (text.empty()) return;
  RequireSodium();
  data_ = static_cast<char*>(sodium_malloc(text.size()));
  if (!data_) throw std::bad_alloc();
  std::memcpy(data_, text.data(), text.size());
  size_ = text.size();
}

void SecretText::Clear() {
  sodium_free(data_);  // wipes first; null is fine
  data_ = nullptr;
  size_ = 0;
}

}  // namespace kestramo

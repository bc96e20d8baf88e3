// SPDX-License-Identifier: GPL-3.0-or-later
#include "kestramo/secret.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "storage/hardened/key_bytes.h"

namespace kestramo::api {

Secret& Secret::operator=(const Secret& other) {
  if (this != &other) Assign(other.View());
  return *this;
}

Secret& Secret::operator=(Secret&& other) noexcept {
  if (this != &other) {
    Clear();
    Take(other);
  }
  return *this;
}

void Secret::Take(Secret& other) noexcept {
  data_ = std::exchange(other.data_, nullptr);
  size_ = std::exchange(other.size_, 0);
  capacity_ = std::exchange(other.capacity_, 0);
}

void Secret::Reserve(std::size_t capacity) {
  if (capacity <= capacity_) return;
  RequireSodium();
  auto* grown = static_cast<char*>(sodium_malloc(capacity));
  if (!grown) throw std::bad_alloc();
  if (size_ > 0) std::memcpy(grown, data_, size_);
  sodium_free(data_);  // wipes first; null is fine
  data_ = grown;
  capacity_ = capacity;
}

void Secret::Assign(std::string_view text) {
  Clear();
  if (text.empty()) return;
  Reserve(text.size());
  std::memcpy(data_, text.data(), text.size());
  size_ = text.size();
}

void Secret::Append(char c) {
  if (size_ == capacity_) Reserve(std::max<std::size_t>(64, capacity_ * 2));
  data_[size_++] = c;
}

void Secret::Clear() {
  sodium_free(data_);
  data_ = nullptr;
  size_ = capacity_ = 0;
}

}  // namespace kestramo::api

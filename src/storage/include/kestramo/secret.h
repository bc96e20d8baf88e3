// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestramo::api {

// A password or passphrase, kept in guarded memory that is locked out of swap and core dumps
// and wiped when it goes or grows: no copy of it is left behind in freed memory.
class Secret {
 public:
  Secret() = default;
  Secret(std::string_view text) { Assign(text); }  // NOLINT: typed text becomes a secret at once
  Secret(const char* text) : Secret(std::string_view(text)) {}
  Secret(const std::string& text) : Secret(std::string_view(text)) {}
  Secret(const Secret& other) { Assign(other.View()); }
  Secret(Secret&& other) noexcept { Take(other); }
  Secret& operator=(const Secret& other);
  Secret& operator=(Secret&& other) noexcept;
  ~Secret() { Clear(); }

  void Assign(std::string_view text);
  // One more character at the end, for text read a byte at a time.
  void Append(char c);
  void DropLast() { data_[--size_] = 0; }
  void Clear();
  std::string_view View() const { return {data_, size_}; }
  bool empty() const { return size_ == 0; }
  friend bool operator==(const Secret& a, const Secret& b) { return a.View() == b.View(); }

 private:
  void Take(Secret& other) noexcept;
  void Reserve(std::size_t capacity);

  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace kestramo::api

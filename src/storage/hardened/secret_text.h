#pragma once

#include <cstddef>
#include <string_view>

namespace kestramo {

// A passphrase kept in guarded memory that is locked out of swap and wiped when it goes.
class SecretText {
 public:
  SecretText() = default;
  explicit SecretText(std::string_view text) { Assign(text); }
  ~SecretText() { Clear(); }
  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;

  void Assign(std::string_view text);
  void Clear();
  std::string_view View() const { return {data_, size_}; }
  bool Empty() const { return size_ == 0; }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace kestramo

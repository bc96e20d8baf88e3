// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cipher/stream.h"

#include <algorithm>
#include <cstring>

namespace kestramo {

MemoryStream::MemoryStream() = default;

MemoryStream::MemoryStream(std::vector<uint8_t> data) : data_(std::move(data)) {}

size_t MemoryStream::Read(void* buf, size_t n) {
  if (pos_ >= data_.size()) return 0;
  const size_t count = std::min(n, data_.size() - pos_);
  std::memcpy(buf, data_.data() + pos_, count);
  pos_ += count;
  return count;
}

bool MemoryStream::Write(const void* buf, size_t n) {
  if (n == 0) return true;
  if (pos_ + n > data_.size()) data_.resize(pos_ + n);
  std::memcpy(data_.data() + pos_, buf, n);
  pos_ += n;
  return true;
}

bool MemoryStream::Seek(int64_t pos) {
  if (pos < 0) return false;
  // A position past the end is allowed; a later write fills the gap with zeros.
  pos_ = static_cast<size_t>(pos);
  return true;
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestramo {

// Random-access byte stream used by the cipher and the index file code.
class Stream {
 public:
  virtual ~Stream() = default;
  virtual size_t Read(void* buf, size_t n) = 0;       // returns bytes read, 0 at end
  virtual bool Write(const void* buf, size_t n) = 0;  // false when not all bytes were written
  virtual bool Seek(int64_t pos) = 0;                 // absolute position
  virtual int64_t Position() const = 0;
  virtual int64_t Size() const = 0;
};

// A growable in-memory stream; writing past the end extends it.
class MemoryStream : public Stream {
 public:
  MemoryStream();
  explicit MemoryStream(std::vector<uint8_t> data);

  std::vector<uint8_t>& Data() { return data_; }
  const std::vector<uint8_t>& Data() const { return data_; }

  size_t Read(void* buf, size_t n) override;
  bool Write(const void* buf, size_t n) override;
  bool Seek(int64_t pos) override;
  int64_t Position() const override { return static_cast<int64_t>(pos_); }
  int64_t Size() const override { return static_cast<int64_t>(data_.size()); }

 private:
  std::vector<uint8_t> data_;
  size_t pos_ = 0;
};

}  // namespace kestramo

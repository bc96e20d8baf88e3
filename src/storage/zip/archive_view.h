// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestramo {

// How an archive's plain bytes are read when its file does not hold them as they are: a
// sealed scratch, or a sealed item read in place. Every byte handed out has passed its check.
class ArchiveView {
 public:
  virtual ~ArchiveView() = default;
  // False when the bytes asked for are not there, cannot be read or fail their check.
  virtual bool ReadAt(int fd, void* data, std::size_t size, uint64_t offset) = 0;
  // The archive's length: the only one its file is trusted to have.
  virtual uint64_t Size() const = 0;
};

}  // namespace kestramo

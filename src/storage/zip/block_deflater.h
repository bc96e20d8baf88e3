// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kestramo::zip {

// One piece of a file compressed on its own, without reference to the pieces before it,
// so that pieces can be deflated in parallel. Every piece but the last ends on a byte
// boundary without closing the stream, so the outputs concatenate into one raw deflate
// stream; the last piece closes it.
struct BlockInput {
  std::vector<unsigned char> data;
  int level = 6;  // 0 copies the piece as it is
  bool last = true;
  bool classify = false;  // decide text or binary from this piece
  bool zstd = false;      // a zstd frame of its own instead of deflate (see zstd_codec.h)
};

struct BlockOutput {
  std::vector<unsigned char> data;  // deflate bytes or a zstd frame, or empty at level 0
  uint32_t crc = 0;
  bool deflateLarger = false;  // compressing did not shrink the piece (only for a whole file)
  uint16_t internalAttributes = 0;
};

BlockOutput DeflateBlock(const BlockInput& in);

// 1 (text) when the bytes 0..6 and 128..255 are at most a quarter of the bytes 7..127, else 0.
uint16_t ClassifyText(const unsigned char* data, size_t size);

}  // namespace kestramo::zip

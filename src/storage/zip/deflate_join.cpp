// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/deflate_join.h"

#include <zlib.h>

#include <memory>

#include "storage/zip/zip_error.h"

namespace kestramo::zip {
namespace {

constexpr size_t kScratch = 256 * 1024;
constexpr int kUnusedBits = 7;
constexpr int kInFinalBlock = 64;
constexpr int kAtBlockEnd = 128;

struct BlockBounds {
  size_t lastHeaderBit = 0;  // where the final block's header starts
  size_t endBit = 0;         // just after the final block's end code
};

// The compressor tells nothing of its blocks, so the stream is decoded block by block to
// find them; the output only passes through a scratch buffer.
BlockBounds FindFinalBlock(std::vector<unsigned char>& stream) {
  z_stream z{};
  if (inflateInit2(&z, -15) != Z_OK) throw ZipError("Cannot start the decompressor");
  std::unique_ptr<z_stream, int (*)(z_stream*)> guard(&z, inflateEnd);
  thread_local std::vector<unsigned char> scratch(kScratch);
  z.next_in = stream.data();
  z.avail_in = static_cast<uInt>(stream.size());
  BlockBounds bounds;
  for (;;) {
    z.next_out = scratch.data();
    z.avail_out = static_cast<uInt>(scratch.size());
    const int rc = inflate(&z, Z_BLOCK);
    if (rc != Z_OK) throw ZipError("Compression failed");
    if ((z.data_type & kAtBlockEnd) == 0) continue;
    // At a block's end: the final one ends the stream, any other one starts the next block.
    const size_t bit = z.total_in * 8 - static_cast<size_t>(z.data_type & kUnusedBits);
    if (z.data_type & kInFinalBlock) {
      bounds.endBit = bit;
      return bounds;
    }
    bounds.lastHeaderBit = bit;
  }
}

}  // namespace

void MakeJoinable(std::vector<unsigned char>& stream) {
  const BlockBounds bounds = FindFinalBlock(stream);
  stream[bounds.lastHeaderBit / 8] &= static_cast<unsigned char>(~(1u << (bounds.lastHeaderBit % 8)));
  // The empty stored block: three zero header bits, zero bits up to the byte boundary,
  // then LEN 0 and NLEN 0xFFFF.
  const size_t headerEnd = bounds.endBit + 3;
  stream.resize((headerEnd + 7) / 8);
  if (bounds.endBit % 8 != 0) {
    stream[bounds.endBit / 8] &= static_cast<unsigned char>((1u << (bounds.endBit % 8)) - 1);
  }
  for (size_t i = (bounds.endBit + 7) / 8; i < stream.size(); ++i) stream[i] = 0;
  stream.insert(stream.end(), {0x00, 0x00, 0xFF, 0xFF});
}

}  // namespace kestramo::zip

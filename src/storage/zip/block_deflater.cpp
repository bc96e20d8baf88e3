// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/block_deflater.h"

#include <libdeflate.h>

#include <algorithm>
#include <memory>

#include "storage/zip/deflate_join.h"
#include "storage/zip/zip_error.h"
#include "storage/zip/zstd_codec.h"

namespace kestramo::zip {
namespace {

constexpr size_t kClassifyBytes = 64 * 1024;
constexpr size_t kSampleBytes = 4 * 1024;
constexpr size_t kMaxStoredBlock = 65535;
constexpr int kSampleLevel = 1;

// Compressors are costly to set up and hold their own tables: one per level and thread.
libdeflate_compressor& LocalCompressor(int level) {
  struct Deleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
  };
  thread_local std::unique_ptr<libdeflate_compressor, Deleter> compressors[10];
  auto& slot = compressors[std::clamp(level, 1, 9)];
  if (!slot) slot.reset(libdeflate_alloc_compressor(std::clamp(level, 1, 9)));
  if (!slot) throw ZipError("Cannot start the compressor");
  return *slot;
}

// Deflate data already random-looking barely shrinks: a fast look at two samples saves
// compressing it in full. The piece is then written as stored blocks.
bool LooksIncompressible(const std::vector<unsigned char>& data) {
  if (data.size() < 4 * kSampleBytes) return false;
  unsigned char out[kSampleBytes];
  libdeflate_compressor& sampler = LocalCompressor(kSampleLevel);
  for (size_t start : {size_t{0}, data.size() / 2}) {
    // 0 means the sample did not fit in its own size, which is incompressible enough.
    const size_t produced = libdeflate_deflate_compress(&sampler, data.data() + start, kSampleBytes, out, sizeof out);
    if (produced != 0 && produced < kSampleBytes * 98 / 100) return false;
  }
  return true;
}

void AppendStored(std::vector<unsigned char>& out, const std::vector<unsigned char>& data, bool last) {
  size_t pos = 0;
  do {
    const size_t n = std::min(kMaxStoredBlock, data.size() - pos);
    const bool final = last && pos + n == data.size();
    out.push_back(final ? 1 : 0);
    out.push_back(static_cast<unsigned char>(n & 0xFF));
    out.push_back(static_cast<unsigned char>(n >> 8));
    out.push_back(static_cast<unsigned char>(~n & 0xFF));
    out.push_back(static_cast<unsigned char>((~n >> 8) & 0xFF));
    out.insert(out.end(), data.begin() + static_cast<long>(pos), data.begin() + static_cast<long>(pos + n));
    pos += n;
  } while (pos < data.size());
}

// False when the deflate bytes would not be smaller than the piece.
bool Compress(const BlockInput& in, BlockOutput& out) {
  libdeflate_compressor& compressor = LocalCompressor(in.level);
  out.data.resize(in.data.size());
  const size_t produced =
      libdeflate_deflate_compress(&compressor, in.data.data(), in.data.size(), out.data.data(), out.data.size());
  if (produced == 0) return false;
  out.data.resize(produced);
  // Pieces are compressed apart; all but the last must let the next one follow.
  if (!in.last) MakeJoinable(out.data);
  return out.data.size() < in.data.size();
}

}  // namespace

uint16_t ClassifyText(const unsigned char* data, size_t size) {
  size_t binary = 0, ascii = 0;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] <= 6 || data[i] >= 128) ++binary;
    else ++ascii;
  }
  return binary <= ascii / 4 ? 1 : 0;
}

BlockOutput DeflateBlock(const BlockInput& in) {
  BlockOutput out;
  out.crc = libdeflate_crc32(0, in.data.data(), in.data.size());
  if (in.level == 0) return out;
  // Only other programs read the text mark, and none reads a hardened item's archive.
  if (in.classify && !in.zstd)
    out.internalAttributes = ClassifyText(in.data.data(), std::min(in.data.size(), kClassifyBytes));
  if (in.zstd) {
    const int level = LooksIncompressible(in.data) ? kZstdPassLevel : kZstdLevel;
    out.deflateLarger = !ZstdCompressPiece(in.data.data(), in.data.size(), level, out.data);
    return out;
  }
  if (LooksIncompressible(in.data) || !Compress(in, out)) {
    out.deflateLarger = true;
    out.data.clear();
    AppendStored(out.data, in.data, in.last);
  }
  return out;
}

}  // namespace kestramo::zip

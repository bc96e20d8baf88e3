#include "storage/zip/block_deflater.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

#include "storage/zip/zip_error.h"

namespace kestramo::zip {
namespace {

constexpr size_t kClassifyBytes = 64 * 1024;
constexpr size_t kSampleBytes = 4 * 1024;
constexpr size_t kMaxStoredBlock = 65535;

// One deflate stream per thread, reset between pieces: setting one up costs more than a small piece.
class ThreadDeflater {
 public:
  ~ThreadDeflater() {
    if (level_ >= 0) deflateEnd(&z_);
  }
  z_stream& Stream(int level) {
    if (level_ != level) {
      if (level_ >= 0) deflateEnd(&z_);
      z_ = z_stream{};
      if (deflateInit2(&z_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        level_ = -1;
        throw ZipError("Cannot start the compressor");
      }
      level_ = level;
    } else {
      deflateReset(&z_);
    }
    return z_;
  }

 private:
  z_stream z_{};
  int level_ = -1;
};

ThreadDeflater& LocalDeflater() {
  thread_local ThreadDeflater deflater;
  return deflater;
}

// Deflate data already random-looking barely shrinks: a fast look at two samples saves
// compressing it in full. The piece is then written as stored blocks.
bool LooksIncompressible(const std::vector<unsigned char>& data) {
  if (data.size() < 4 * kSampleBytes) return false;
  unsigned char out[kSampleBytes + 64];
  for (size_t start : {size_t{0}, data.size() / 2}) {
    uLongf outLen = sizeof(out);
    z_stream z{};
    if (deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    z.next_in = const_cast<unsigned char*>(data.data() + start);
    z.avail_in = kSampleBytes;
    z.next_out = out;
    z.avail_out = static_cast<uInt>(outLen);
    const int rc = deflate(&z, Z_FINISH);
    const size_t produced = outLen - z.avail_out;
    deflateEnd(&z);
    if (rc != Z_STREAM_END || produced < kSampleBytes * 98 / 100) return false;
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

void Compress(const BlockInput& in, BlockOutput& out) {
  z_stream& z = LocalDeflater().Stream(in.level);
  if (!in.dictionary.empty())
    deflateSetDictionary(&z, in.dictionary.data(), static_cast<uInt>(in.dictionary.size()));
  out.data.resize(deflateBound(&z, in.data.size()) + 16);
  z.next_in = const_cast<unsigned char*>(in.data.data());
  z.avail_in = static_cast<uInt>(in.data.size());
  z.next_out = out.data.data();
  z.avail_out = static_cast<uInt>(out.data.size());
  const int flush = in.last ? Z_FINISH : Z_SYNC_FLUSH;
  const int rc = deflate(&z, flush);
  if ((in.last && rc != Z_STREAM_END) || (!in.last && rc != Z_OK) || z.avail_in != 0)
    throw ZipError("Compression failed");
  out.data.resize(out.data.size() - z.avail_out);
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
  out.crc = static_cast<uint32_t>(crc32(0L, in.data.data(), static_cast<uInt>(in.data.size())));
  if (in.level == 0) return out;
  if (in.classify)
    out.internalAttributes = ClassifyText(in.data.data(), std::min(in.data.size(), kClassifyBytes));
  if (LooksIncompressible(in.data)) {
    out.deflateLarger = true;
    AppendStored(out.data, in.data, in.last);
    return out;
  }
  Compress(in, out);
  if (out.data.size() >= in.data.size()) {
    out.deflateLarger = true;
    out.data.clear();
    AppendStored(out.data, in.data, in.last);
  }
  return out;
}

}  // namespace kestramo::zip

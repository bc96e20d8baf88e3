#include "storage/zip/zstd_codec.h"

#include <zstd.h>

#include "storage/zip/zip_error.h"

namespace kestramo::zip {
namespace {

// Frames are at most a piece long; a hostile frame asking for a larger window is refused
// rather than given the memory.
constexpr int kMaxWindowLog = 22;

struct CctxDeleter {
  void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};
struct DctxDeleter {
  void operator()(ZSTD_DCtx* d) const { ZSTD_freeDCtx(d); }
};

ZSTD_DCtx* NewDecoder() {
  ZSTD_DCtx* d = ZSTD_createDCtx();
  if (!d || ZSTD_isError(ZSTD_DCtx_setParameter(d, ZSTD_d_windowLogMax, kMaxWindowLog))) {
    ZSTD_freeDCtx(d);
    throw ZipError("Cannot start the decompressor");
  }
  return d;
}

}  // namespace

bool ZstdCompressPiece(const unsigned char* data, size_t size, int level, std::vector<unsigned char>& out) {
  thread_local std::unique_ptr<ZSTD_CCtx, CctxDeleter> context(ZSTD_createCCtx());
  if (!context) throw ZipError("Cannot start the compressor");
  out.resize(ZSTD_compressBound(size));
  const size_t produced = ZSTD_compressCCtx(context.get(), out.data(), out.size(), data, size, level);
  if (ZSTD_isError(produced)) throw ZipError("Cannot compress");
  out.resize(produced);
  return produced < size;
}

bool ZstdDecodeWhole(const unsigned char* packed, size_t packedSize, unsigned char* plain, size_t plainSize) {
  thread_local std::unique_ptr<ZSTD_DCtx, DctxDeleter> context(NewDecoder());
  const size_t produced = ZSTD_decompressDCtx(context.get(), plain, plainSize, packed, packedSize);
  return !ZSTD_isError(produced) && produced == plainSize;
}

struct ZstdStream::State {
  std::unique_ptr<ZSTD_DCtx, DctxDeleter> context{NewDecoder()};
};

ZstdStream::ZstdStream() : state_(std::make_unique<State>()) {}
ZstdStream::~ZstdStream() = default;

ZstdStream::Step ZstdStream::Decode(const unsigned char*& in, size_t& inSize, unsigned char* out, size_t& outSize) {
  ZSTD_inBuffer input{in, inSize, 0};
  ZSTD_outBuffer output{out, outSize, 0};
  const size_t rc = ZSTD_decompressStream(state_->context.get(), &output, &input);
  in += input.pos;
  inSize -= input.pos;
  outSize = output.pos;
  if (ZSTD_isError(rc)) return Step::Damaged;
  return rc == 0 ? Step::FrameEnd : Step::Going;
}

}  // namespace kestramo::zip

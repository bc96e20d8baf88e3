// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/zstd_codec.h"

// The group writer hands zstd its own buffer as the window, rather than have it copied.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>

#include <algorithm>

#include "storage/zip/zip_error.h"

namespace kestramo::zip {
namespace {

// A frame's window covers at most a group (a piece is smaller); a hostile frame asking for
// a larger one is refused rather than given the memory.
constexpr int kMaxWindowLog = 24;
static_assert(kZstdGroupBytes <= size_t{1} << kMaxWindowLog);
constexpr int kMinWindowLog = 10;

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

// Compressors are costly to set up: each thread keeps one for pieces, and one for groups
// with the window they read from.
struct ThreadCompressors {
  std::unique_ptr<ZSTD_CCtx, CctxDeleter> piece, group;
  std::unique_ptr<unsigned char[]> window;
};
thread_local ThreadCompressors local;

ZSTD_CCtx& Ready(std::unique_ptr<ZSTD_CCtx, CctxDeleter>& context) {
  if (!context) context.reset(ZSTD_createCCtx());
  if (!context) throw ZipError("Cannot start the compressor");
  return *context;
}

void Check(size_t rc) {
  if (ZSTD_isError(rc)) throw ZipError("Cannot compress");
}

}  // namespace

bool ZstdCompressPiece(const unsigned char* data, size_t size, int level, std::vector<unsigned char>& out) {
  // Pieces come after the groups: their memory is not held beside the pieces'.
  local.group.reset();
  local.window.reset();
  out.resize(ZSTD_compressBound(size));
  const size_t produced = ZSTD_compressCCtx(&Ready(local.piece), out.data(), out.size(), data, size, level);
  Check(produced);
  out.resize(produced);
  out.shrink_to_fit();
  return produced < size;
}

ZstdGroupWriter::ZstdGroupWriter(size_t groupBytes) {
  // Room for a whole window, though groups are planned smaller: a file may have grown since.
  if (!local.window) local.window = std::make_unique_for_overwrite<unsigned char[]>(size_t{1} << kMaxWindowLog);
  buffer_ = local.window.get();
  int windowLog = kMinWindowLog;
  while (windowLog < kMaxWindowLog && (size_t{1} << windowLog) < groupBytes) ++windowLog;
  ZSTD_CCtx& context = Ready(local.group);
  Check(ZSTD_CCtx_reset(&context, ZSTD_reset_session_and_parameters));
  Check(ZSTD_CCtx_setParameter(&context, ZSTD_c_compressionLevel, kZstdLevel));
  Check(ZSTD_CCtx_setParameter(&context, ZSTD_c_windowLog, windowLog));
  Check(ZSTD_CCtx_setParameter(&context, ZSTD_c_contentSizeFlag, 0));
  // Only spares a copy: a library that refuses it copies the input into its own window.
  (void)ZSTD_CCtx_setParameter(&context, ZSTD_c_stableInBuffer, 1);
}

unsigned char* ZstdGroupWriter::Room(size_t size) {
  return size <= (size_t{1} << kMaxWindowLog) - used_ ? buffer_ + used_ : nullptr;
}

void ZstdGroupWriter::Run(size_t size, int mode, std::vector<unsigned char>& out) {
  ZSTD_CCtx& context = Ready(local.group);
  thread_local std::vector<unsigned char> packed(ZSTD_CStreamOutSize());
  ZSTD_inBuffer input{buffer_, used_ + size, used_};
  for (;;) {
    ZSTD_outBuffer output{packed.data(), packed.size(), 0};
    const size_t left = ZSTD_compressStream2(&context, &output, &input, static_cast<ZSTD_EndDirective>(mode));
    Check(left);
    out.insert(out.end(), packed.data(), packed.data() + output.pos);
    if (left == 0 && input.pos == input.size) break;
  }
  used_ += size;
}

void ZstdGroupWriter::Add(size_t size, std::vector<unsigned char>& out) { Run(size, ZSTD_e_flush, out); }

void ZstdGroupWriter::End(std::vector<unsigned char>& out) { Run(0, ZSTD_e_end, out); }

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

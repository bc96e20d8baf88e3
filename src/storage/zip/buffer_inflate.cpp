// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/buffer_inflate.h"

#include <libdeflate.h>

#include <memory>

namespace kestramo::zip {

bool InflateBuffer(const unsigned char* in, size_t inSize, unsigned char* out, size_t outSize) {
  struct Deleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
  };
  thread_local std::unique_ptr<libdeflate_decompressor, Deleter> decompressor(libdeflate_alloc_decompressor());
  if (!decompressor) return false;
  size_t consumed = 0, produced = 0;
  const libdeflate_result rc =
      libdeflate_deflate_decompress_ex(decompressor.get(), in, inSize, out, outSize, &consumed, &produced);
  return rc == LIBDEFLATE_SUCCESS && produced == outSize;
}

}  // namespace kestramo::zip

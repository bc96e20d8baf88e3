// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace kestramo::zip {

// Inflates one whole raw deflate stream held in memory into exactly `outSize` bytes. False
// when the data are anything else (damaged, shorter or longer than that); bytes after the
// end of the stream are ignored.
bool InflateBuffer(const unsigned char* in, size_t inSize, unsigned char* out, size_t outSize);

}  // namespace kestramo::zip

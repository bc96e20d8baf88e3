// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

namespace kestramo::zip {

// Turns a complete raw deflate stream into one that another stream may follow: the flag of
// its final block is cleared and an empty stored block ends it on a byte boundary, as a
// sync flush would. Throws ZipError when the bytes are not one whole deflate stream.
void MakeJoinable(std::vector<unsigned char>& stream);

}  // namespace kestramo::zip

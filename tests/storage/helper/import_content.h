// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "test_files.h"

namespace kestramo::testing {

// The file the import loop stores as item `n`: its name and bytes follow from the number,
// so that a test can check every item byte for byte after killing the loop.
inline std::string ImportedName(int n) { return "f" + std::to_string(n) + ".bin"; }
inline std::string ImportedBytes(int n) {
  return RandomBytes(static_cast<std::size_t>(500 + (n * 7919) % 60000), static_cast<unsigned>(n));
}

}  // namespace kestramo::testing

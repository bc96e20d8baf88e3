// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

namespace kestramo::bench {

// Writes a vault of `boxes` boxes holding `items` items each, with a few dozen distinct
// icons, straight into the index (no item files: only the index and the views are measured).
void MakeSampleVault(const std::filesystem::path& base, int boxes, int items);

}  // namespace kestramo::bench

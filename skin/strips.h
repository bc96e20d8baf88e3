// The status dialog's looping animations: compression (a file squeezed into a zipped
// box) and encryption (a padlock closing while a dial spins).
#pragma once

#include "resource_set.h"

namespace skin {

inline constexpr int kZipFrames = 20, kZipW = 64, kZipH = 42;
inline constexpr int kEncFrames = 31, kEncW = 57, kEncH = 53;

void AddStrips(ResourceSet& set);

}  // namespace skin

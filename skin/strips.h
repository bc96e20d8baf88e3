// SPDX-License-Identifier: GPL-3.0-or-later
// The status dialog's looping animations: compression (a file squeezed into a zipped
// box) and encryption (a padlock closing while a dial spins).
#pragma once

#include <QImage>

#include "resource_set.h"

namespace skin {

inline constexpr int kZipFrames = 20, kZipW = 64, kZipH = 42;
inline constexpr int kEncFrames = 31, kEncW = 57, kEncH = 53;

// One frame at a phase in [0, 1]; phase 1 is phase 0 again, which makes the loop seamless.
QImage ZipFrame(qreal phase);
QImage EncFrame(qreal phase);

void AddStrips(ResourceSet& set);

}  // namespace skin

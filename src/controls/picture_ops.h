// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

#include "kestramo/picture.h"

namespace kestramo {

// A picture's size in logical pixels: its pixel size over its device pixel ratio, so that a
// skin picture drawn at 2x covers the same part of a window as its 1x original.
QSize LogicalSize(const QImage& picture);

// The part of a picture under a rectangle given in logical pixels, at the picture's scale.
QImage LogicalCopy(const QImage& picture, const QRect& logical);

// Brightness of a pixel as the skin's masks use it: (61 R + 174 G + 21 B) >> 8.
int Intensity(QRgb pixel);

// The picture with each pixel's alpha taken from the intensity of the mask pixel at the
// same place (the colour kept); premultiplied ARGB.
QImage WithAlphaFromMask(const QImage& picture, const QImage& mask);

// The picture cut out by a two-colour mask: pure black in the mask is transparent, any
// other colour opaque; premultiplied ARGB.
QImage WithCutoutFromMask(const QImage& picture, const QImage& mask);

// A stored item picture (PNG bytes) as a 32x32 image; a null image when there is none or it
// does not decode.
QImage DecodeItemPicture(const api::Picture& bytes);

// Red, green and blue each raised by `amount`, limited to 0-255; alpha unchanged.
void LightenPicture(QImage& picture, int amount);

}  // namespace kestramo

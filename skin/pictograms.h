// SPDX-License-Identifier: GPL-3.0-or-later
// Pictograms of the buttons and dialog emblems, drawn as strokes on a 16-unit grid so
// that they stay legible from 12 to 48 pixels.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>

namespace skin {

enum class Pictogram {
  NewBox,
  DeleteBox,
  Find,
  Key,
  Help,
  About,
  Minimise,
  Power,
  AddFiles,
  AddFolder,
  Extract,
  Bin,
  Comment,
  Box,
  Exclamation,
  Note,
  Folder
};

// Draws the pictogram centred in the square that fits `box`, with strokes of `ink`.
void DrawPictogram(QPainter& p, Pictogram g, const QRectF& box, QColor ink);

}  // namespace skin

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

namespace kestramo {

class LayeredImage;

// One pair of doors that slide apart: the right door's layer (3, 15 or 26) names the
// pair, its left door and its handle.
struct DoorSet {
  int rightLayer;
  int leftLayer;
  int handleLayer;
  int narrowest;  // the left door's width when fully open
};
DoorSet DoorSetOf(int doorLayer);

// One tick of the door animation: the doors move 3 pixels (less on the last tick).
// Returns true when this was the last tick.
bool DoorStep(LayeredImage& image, int doorLayer, bool opening, const QImage& leftPicture, const QImage& rightPicture);

}  // namespace kestramo

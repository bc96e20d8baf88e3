// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/door_animation.h"

#include "controls/picture_ops.h"
#include "mainwindow/layered_image.h"
#include "mainwindow/scene_layers.h"

namespace kestramo {

namespace {

constexpr int kStep = 3;

}  // namespace

DoorSet DoorSetOf(int doorLayer) {
  if (doorLayer == layer::kBigRightDoor) return {layer::kBigRightDoor, layer::kBigLeftDoor, layer::kBigHandle, 8};
  const int base = doorLayer - layer::kRightDoor;
  return {doorLayer, base + layer::kLeftDoor, base + layer::kHandle, 7};
}

bool DoorStep(LayeredImage& image, int doorLayer, bool opening, const QImage& leftPicture, const QImage& rightPicture) {
  const DoorSet set = DoorSetOf(doorLayer);
  SceneLayer* left = image.Layer(set.leftLayer);
  SceneLayer* right = image.Layer(set.rightLayer);
  SceneLayer* handle = image.Layer(set.handleLayer);
  // Widths in logical pixels, so that the doors move alike at every scale of the skin.
  const int w = LogicalSize(left->picture).width();
  const QSize full = LogicalSize(leftPicture);
  int step = kStep;
  bool last = false;
  if (opening && w - kStep < set.narrowest) {
    step = w - set.narrowest;
    last = true;
  } else if (!opening && full.width() < w + kStep) {
    step = full.width() - w;
    last = true;
  }
  const int delta = opening ? -step : step;
  const int newLeft = w + delta;
  const int newRight = LogicalSize(right->picture).width() + delta;
  // The left door keeps its right-most columns; the right door its left-most ones.
  left->picture = LogicalCopy(leftPicture, QRect(full.width() - newLeft, 0, newLeft, full.height()));
  right->picture = LogicalCopy(rightPicture, QRect(0, 0, newRight, LogicalSize(rightPicture).height()));
  right->pos.rx() -= delta;
  handle->pos.rx() -= delta;
  image.Changed();
  return last;
}

}  // namespace kestramo

#include "mainwindow/door_animation.h"

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
  const int w = left->picture.width();
  int step = kStep;
  bool last = false;
  if (opening && w - kStep < set.narrowest) {
    step = w - set.narrowest;
    last = true;
  } else if (!opening && leftPicture.width() < w + kStep) {
    step = leftPicture.width() - w;
    last = true;
  }
  const int delta = opening ? -step : step;
  const int newLeft = w + delta;
  const int newRight = right->picture.width() + delta;
  // The left door keeps its right-most columns; the right door its left-most ones.
  left->picture = leftPicture.copy(leftPicture.width() - newLeft, 0, newLeft, leftPicture.height());
  right->picture = rightPicture.copy(0, 0, newRight, rightPicture.height());
  right->pos.rx() -= delta;
  handle->pos.rx() -= delta;
  image.Changed();
  return last;
}

}  // namespace kestramo

#include "mainwindow/scene_layer.h"

#include <cmath>

namespace kestramo {

bool SceneLayer::Hits(const QPointF& p) const {
  if (!mouseEvents || picture.isNull() || !Location().contains(p)) return false;
  if (!alphaHit) return true;
  const int x = static_cast<int>(std::floor(p.x() - pos.x()));
  const int y = static_cast<int>(std::floor(p.y() - pos.y()));
  return picture.valid(x, y) && qAlpha(picture.pixel(x, y)) != 0;
}

}  // namespace kestramo

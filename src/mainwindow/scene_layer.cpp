// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/scene_layer.h"

#include <cmath>

#include "controls/picture_ops.h"

namespace kestramo {

QRectF SceneLayer::Location() const { return QRectF(pos, QSizeF(LogicalSize(picture))); }

bool SceneLayer::Hits(const QPointF& p) const {
  if (!mouseEvents || picture.isNull() || !Location().contains(p)) return false;
  if (!alphaHit) return true;
  const qreal scale = picture.devicePixelRatio();
  const int x = static_cast<int>(std::floor((p.x() - pos.x()) * scale));
  const int y = static_cast<int>(std::floor((p.y() - pos.y()) * scale));
  return picture.valid(x, y) && qAlpha(picture.pixel(x, y)) != 0;
}

}  // namespace kestramo

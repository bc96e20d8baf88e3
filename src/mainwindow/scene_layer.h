// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>

namespace kestramo {

enum class DrawMode { Opaque, Blend, LightCombine };

// One picture layer of the main window's scene.
struct SceneLayer {
  int number = 0;
  QImage picture;  // premultiplied ARGB, at the skin's scale (its device pixel ratio)
  QPointF pos;     // left and top in window pixels
  bool visible = true;
  bool mouseEvents = true;
  bool alphaHit = false;
  DrawMode mode = DrawMode::Opaque;
  int cursor = 0;  // 0 the default pointer, 1-3 the skin's cursors

  QRectF Location() const;
  // A point (window pixels) is on the layer when it takes mouse events, lies inside it and,
  // with alpha hit, falls on a pixel that is not fully transparent. Visibility does not count.
  bool Hits(const QPointF& p) const;
};

}  // namespace kestramo

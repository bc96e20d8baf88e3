// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/layered_image.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "platform/resource_library.h"

namespace kestramo {

LayeredImage::LayeredImage(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
}

SceneLayer& LayeredImage::AddLayer(SceneLayer layer) {
  byNumber_[layer.number] = layers_.size();
  layers_.push_back(std::move(layer));
  Changed();
  return layers_.back();
}

SceneLayer* LayeredImage::Layer(int number) {
  const auto it = byNumber_.find(number);
  return it == byNumber_.end() ? nullptr : &layers_[it->second];
}

void LayeredImage::EndUpdate() {
  if (updates_ > 0 && --updates_ == 0) Changed();
}

void LayeredImage::Changed() {
  stale_ = true;
  if (updates_ == 0) update();
}

void LayeredImage::SetOutline(const QPolygon& outline) {
  outline_ = outline;
  Changed();
}

int LayeredImage::LayerAt(const QPointF& p) const {
  for (auto it = layers_.rbegin(); it != layers_.rend(); ++it) {
    if (it->Hits(p)) return it->number;
  }
  return -1;
}

const QImage& LayeredImage::Composed() {
  if (stale_) Compose();
  return composed_;
}

void LayeredImage::Compose() {
  // Composed at the density of the screen or of the skin, whichever is higher, so that
  // dense pictures stay sharp on the densest screen.
  const qreal scale = std::max(devicePixelRatioF(), ResourceLibrary::Scale());
  const QSize pixels = (QSizeF(size()) * scale).toSize();
  if (composed_.size() != pixels || composed_.devicePixelRatio() != scale) {
    composed_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    composed_.setDevicePixelRatio(scale);
  }
  composed_.fill(Qt::black);
  QPainter painter(&composed_);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  for (const SceneLayer& layer : layers_) {
    if (!layer.visible || layer.picture.isNull()) continue;
    const QPointF at(std::round(layer.pos.x()), std::round(layer.pos.y()));
    switch (layer.mode) {
      case DrawMode::Opaque: painter.setCompositionMode(QPainter::CompositionMode_Source); break;
      case DrawMode::Blend: painter.setCompositionMode(QPainter::CompositionMode_SourceOver); break;
      // The light adds itself to what lies beneath, each channel saturating at 255.
      case DrawMode::LightCombine: painter.setCompositionMode(QPainter::CompositionMode_Plus); break;
    }
    painter.drawImage(at, layer.picture);
  }
  if (!outline_.isEmpty()) {
    QPainterPath outside, inside;
    outside.addRect(rect());
    inside.addPolygon(outline_);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillPath(outside.subtracted(inside), Qt::transparent);
  }
  stale_ = false;
}

bool LayeredImage::event(QEvent* event) {
  // On a screen of another density the composition is made again at that density.
  if (event->type() == QEvent::ScreenChangeInternal) Changed();
  return QWidget::event(event);
}

void LayeredImage::SetFocusRing(const QRect& around) {
  if (around == focusRing_) return;
  focusRing_ = around;
  update();
}

void LayeredImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, Composed());
  if (focusRing_.isEmpty()) return;
  // Polished brass, like the handles and nameplate, with a dark edge so it shows on the
  // gold buttons too.
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF ring = QRectF(focusRing_).adjusted(-2.5, -2.5, 2.5, 2.5);
  painter.setPen(QPen(QColor(20, 16, 8, 220), 3.0));
  painter.drawRoundedRect(ring, 4, 4);
  painter.setPen(QPen(QColor(255, 214, 110), 1.5));
  painter.drawRoundedRect(ring, 4, 4);
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/anim_strip.h"

#include <QPainter>

#include "platform/resource_library.h"

namespace kestramo {

AnimStrip::AnimStrip(const QString& picture, const QString& mask, QSize frameSize, int frames)
    : picture_(picture), mask_(mask), frameSize_(frameSize), frames_(frames) {}

QImage AnimStrip::WithAlphaFrom(const QImage& picture, const QImage& mask) {
  if (picture.isNull() || mask.isNull()) return {};
  const QImage colours = picture.convertToFormat(QImage::Format_ARGB32);
  const QImage intensity = mask.convertToFormat(QImage::Format_ARGB32);
  QImage out(mask.size(), QImage::Format_ARGB32);
  out.setDevicePixelRatio(mask.devicePixelRatio());
  out.fill(Qt::black);
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); ++x) {
      const QRgb m = intensity.pixel(x, y);
      const QRgb c = colours.valid(x, y) ? colours.pixel(x, y) : qRgb(0, 0, 0);
      const int alpha = (61 * qRed(m) + 174 * qGreen(m) + 21 * qBlue(m)) >> 8;
      out.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), alpha));
    }
  }
  return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

const QImage& AnimStrip::Strip() const {
  if (!made_) {
    strip_ = WithAlphaFrom(ResourceLibrary::Picture(picture_), ResourceLibrary::Picture(mask_));
    made_ = true;
  }
  return strip_;
}

void AnimStrip::DrawFrame(QPainter& painter, int frame, QPoint at) const {
  const QImage& strip = Strip();
  if (strip.isNull()) return;
  // Frames are laid out in logical pixels; the source rectangle is in the strip's own pixels.
  const qreal s = strip.devicePixelRatio();
  const QRectF source(frame * frameSize_.width() * s, 0, frameSize_.width() * s, frameSize_.height() * s);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.drawImage(at, strip, source);
}

}  // namespace kestramo

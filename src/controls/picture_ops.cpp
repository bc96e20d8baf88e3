// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/picture_ops.h"

#include <algorithm>
#include <cmath>

namespace kestramo {

QSize LogicalSize(const QImage& picture) {
  const qreal s = picture.devicePixelRatio();
  return QSize(static_cast<int>(std::lround(picture.width() / s)), static_cast<int>(std::lround(picture.height() / s)));
}

QImage LogicalCopy(const QImage& picture, const QRect& logical) {
  const qreal s = picture.devicePixelRatio();
  const auto px = [s](int v) { return static_cast<int>(std::lround(v * s)); };
  QImage part = picture.copy(px(logical.x()), px(logical.y()), px(logical.right() + 1) - px(logical.x()),
                             px(logical.bottom() + 1) - px(logical.y()));
  part.setDevicePixelRatio(s);
  return part;
}

int Intensity(QRgb p) { return (61 * qRed(p) + 174 * qGreen(p) + 21 * qBlue(p)) >> 8; }

QImage WithAlphaFromMask(const QImage& picture, const QImage& mask) {
  QImage out = picture.convertToFormat(QImage::Format_ARGB32);
  const QImage m = mask.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    const auto* mrow = y < m.height() ? reinterpret_cast<const QRgb*>(m.constScanLine(y)) : nullptr;
    for (int x = 0; x < out.width(); ++x) {
      const int alpha = (mrow && x < m.width()) ? Intensity(mrow[x]) : 0;
      row[x] = qRgba(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), alpha);
    }
  }
  return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage WithCutoutFromMask(const QImage& picture, const QImage& mask) {
  QImage out = picture.convertToFormat(QImage::Format_ARGB32);
  const QImage m = mask.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const bool opaque = m.valid(x, y) && (m.pixel(x, y) & 0xFFFFFFu) != 0;
      row[x] = qRgba(qRed(row[x]), qGreen(row[x]), qBlue(row[x]), opaque ? 255 : 0);
    }
  }
  return out.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage DecodeItemPicture(const api::Picture& bytes) {
  if (!bytes || bytes->empty()) return {};
  const QImage image = QImage::fromData(bytes->data(), static_cast<int>(bytes->size()));
  return image.isNull() ? image : image.scaled(32, 32);
}

void LightenPicture(QImage& picture, int amount) {
  // Work on straight colours so that the lightening does not depend on the alpha.
  QImage straight = picture.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < straight.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(straight.scanLine(y));
    for (int x = 0; x < straight.width(); ++x) {
      auto add = [amount](int c) { return std::clamp(c + amount, 0, 255); };
      row[x] = qRgba(add(qRed(row[x])), add(qGreen(row[x])), add(qBlue(row[x])), qAlpha(row[x]));
    }
  }
  picture = straight.convertToFormat(picture.format());
}

}  // namespace kestramo

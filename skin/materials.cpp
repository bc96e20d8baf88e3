// SPDX-License-Identifier: GPL-3.0-or-later
#include "materials.h"

#include <QFont>
#include <algorithm>
#include <cmath>
#include <vector>

namespace skin {

double Noise::Next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return (state_ & 0xffffff) / double(0x1000000);
}

namespace {
qreal g_scale = 1;
}  // namespace

void SetDrawScale(qreal scale) { g_scale = scale; }
qreal DrawScale() { return g_scale; }

QImage Blank(int w, int h) {
  QImage img(int(std::ceil(w * g_scale - 0.01)), int(std::ceil(h * g_scale - 0.01)),
             QImage::Format_ARGB32_Premultiplied);
  img.setDevicePixelRatio(g_scale);
  img.fill(Qt::transparent);
  return img;
}

QSize LogicalSize(const QImage& picture) {
  const qreal s = picture.devicePixelRatio();
  return QSize(int(std::lround(picture.width() / s)), int(std::lround(picture.height() / s)));
}

namespace {

int Clamp255(double v) { return std::clamp(int(std::lround(v)), 0, 255); }

QColor Shift(QColor c, double d) {
  return QColor(Clamp255(c.red() + d), Clamp255(c.green() + d), Clamp255(c.blue() + d * 1.1));
}

// One row's brightness offsets: a row tone plus scattered streaks of varied length.
std::vector<double> StreakRow(Noise& n, int w) {
  std::vector<double> row(std::size_t(std::max(w, 1)), n.Signed() * 4.0);
  const int streaks = 1 + w / 40;
  for (int s = 0; s < streaks; ++s) {
    const int len = 15 + int(n.Next() * 110);
    const int x0 = int(n.Next() * w) - len / 2;
    const double amp = n.Signed() * 7.5;
    for (int x = std::max(0, x0); x < std::min(w, x0 + len); ++x) {
      const double t = double(x - x0) / len;
      row[std::size_t(x)] += amp * std::sin(t * M_PI);
    }
  }
  return row;
}

}  // namespace

void FillBrushed(QPainter& p, const QPainterPath& area, QColor base, std::uint32_t seed) {
  const QRect box = area.boundingRect().toAlignedRect();
  if (box.isEmpty()) return;
  // The texture has one texel per device pixel, so the streaks stay fine at every scale.
  QImage tex(int(std::ceil(box.width() * g_scale)), int(std::ceil(box.height() * g_scale)), QImage::Format_RGB32);
  tex.setDevicePixelRatio(g_scale);
  Noise n(seed);
  for (int y = 0; y < tex.height(); ++y) {
    const double fall = 16.0 - 30.0 * y / std::max(1, tex.height() - 1);
    const std::vector<double> row = StreakRow(n, tex.width());
    auto* line = reinterpret_cast<QRgb*>(tex.scanLine(y));
    for (int x = 0; x < tex.width(); ++x) line[x] = Shift(base, fall + row[std::size_t(x)] + n.Signed() * 2.5).rgb();
  }
  p.save();
  p.setClipPath(area, Qt::IntersectClip);
  p.drawImage(box.topLeft(), tex);
  p.restore();
}

void FillBrushed(QPainter& p, const QRectF& area, QColor base, std::uint32_t seed) {
  QPainterPath path;
  path.addRect(area);
  FillBrushed(p, path, base, seed);
}

QLinearGradient Brass(qreal top, qreal bottom, int shade) {
  QLinearGradient g(0, top, 0, bottom);
  auto c = [shade](int r, int gg, int b) {
    return QColor(Clamp255(r + shade), Clamp255(gg + shade), Clamp255(b + shade * 0.6));
  };
  g.setColorAt(0.0, c(255, 244, 190));
  g.setColorAt(0.18, c(246, 214, 120));
  g.setColorAt(0.5, c(214, 164, 58));
  g.setColorAt(0.78, c(170, 118, 30));
  g.setColorAt(1.0, c(214, 170, 80));
  return g;
}

QLinearGradient Brass(const QRectF& r, int shade) { return Brass(r.top(), r.bottom(), shade); }

void Bevel(QPainter& p, const QPolygonF& outline, qreal width, bool raised, int strength) {
  const QColor light(255, 255, 255, strength);
  const QColor dark(0, 0, 0, std::min(255, strength + 50));
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath clip;
  clip.addPolygon(outline);
  clip.closeSubpath();
  p.setClipPath(clip, Qt::IntersectClip);
  const int n = int(outline.size());
  for (int i = 0; i < n; ++i) {
    const QPointF a = outline[i], b = outline[(i + 1) % n];
    // An edge faces the light when its outward normal points up or left.
    const QPointF d = b - a;
    const QPointF normal(d.y(), -d.x());  // outward for a clockwise (screen) outline
    const bool lit = (normal.x() + normal.y()) < 0;
    QPen pen((lit == raised) ? light : dark, width * 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    p.setPen(pen);
    p.drawLine(a, b);
  }
  p.restore();
}

void Bevel(QPainter& p, const QRectF& r, qreal width, bool raised, int strength) {
  Bevel(p, QPolygonF(QVector<QPointF>{r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()}), width, raised,
        strength);
}

void Rivet(QPainter& p, QPointF c, qreal r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 110));
  p.drawEllipse(c + QPointF(0.8, 1.0), r + 0.6, r + 0.6);
  QRadialGradient g(c - QPointF(r * 0.4, r * 0.45), r * 1.5);
  g.setColorAt(0, QColor(250, 250, 252));
  g.setColorAt(0.35, QColor(170, 176, 186));
  g.setColorAt(1, QColor(50, 54, 62));
  p.setBrush(g);
  p.drawEllipse(c, r, r);
  p.restore();
}

QPainterPath Polyline(std::initializer_list<QPointF> points, bool closed) {
  QPainterPath path;
  for (const QPointF& pt : points) path.elementCount() == 0 ? path.moveTo(pt) : path.lineTo(pt);
  if (closed) path.closeSubpath();
  return path;
}

QPainterPath Strokes(std::initializer_list<std::initializer_list<QPointF>> lines) {
  QPainterPath path;
  for (const auto& line : lines) path.addPath(Polyline(line, false));
  return path;
}

QPainterPath FoldedPage(const QRectF& r, qreal fold) {
  QPainterPath path = Polyline({r.topLeft(), QPointF(r.right() - fold, r.top()), QPointF(r.right(), r.top() + fold),
                                r.bottomRight(), r.bottomLeft()},
                               true);
  path.addPath(Polyline({QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
                         QPointF(r.right(), r.top() + fold)},
                        false));
  return path;
}

void Stops(QGradient& g, std::initializer_list<QGradientStop> stops) {
  for (const QGradientStop& s : stops) g.setColorAt(s.first, s.second);
}

void BrassPlate(QPainter& p, const QRectF& r, qreal radius) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 120));
  p.drawRoundedRect(r.translated(1.5, 2), radius, radius);
  p.setPen(QPen(QColor(70, 44, 8), 1));
  p.setBrush(Brass(r));
  p.drawRoundedRect(r, radius, radius);
  p.restore();
}

QPolygonF CutOutline(qreal w, qreal h, qreal cut) {
  return QPolygonF(QVector<QPointF>{{0, 0}, {w - cut, 0}, {w, cut}, {w, h}, {cut, h}, {0, h - cut}});
}

void EngravedText(QPainter& p, const QRectF& r, const QString& text, const QFont& f, QColor core, int flags) {
  p.save();
  p.setFont(f);
  p.setPen(QColor(255, 255, 255, 70));
  p.drawText(r.translated(1, 1), flags, text);
  p.setPen(QColor(0, 0, 0, 150));
  p.drawText(r.translated(-1, -1), flags, text);
  p.setPen(core);
  p.drawText(r, flags, text);
  p.restore();
}

namespace {

// Separable box blur of an alpha channel, repeated for a softer fall-off.
std::vector<int> BlurAlpha(const QImage& img, int radius) {
  const int w = img.width(), h = img.height();
  std::vector<int> a(std::size_t(w * h)), t(a.size());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) a[std::size_t(y * w + x)] = qAlpha(img.pixel(x, y));
  for (int pass = 0; pass < 2 && radius > 0; ++pass) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        int s = 0;
        for (int k = -radius; k <= radius; ++k) s += a[std::size_t(y * w + std::clamp(x + k, 0, w - 1))];
        t[std::size_t(y * w + x)] = s / (2 * radius + 1);
      }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        int s = 0;
        for (int k = -radius; k <= radius; ++k) s += t[std::size_t(std::clamp(y + k, 0, h - 1) * w + x)];
        a[std::size_t(y * w + x)] = s / (2 * radius + 1);
      }
  }
  return a;
}

}  // namespace

QImage WithShadow(const QImage& shape, QPoint offset, int blur, int opacity) {
  const QSize size = LogicalSize(shape);
  QImage moved = Blank(size.width(), size.height());
  {
    QPainter p(&moved);
    p.drawImage(offset, shape);
  }
  const std::vector<int> a = BlurAlpha(moved, int(std::lround(blur * moved.devicePixelRatio())));
  QImage out = Blank(size.width(), size.height());
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      const int v = a[std::size_t(y * out.width() + x)] * opacity / 255;
      out.setPixel(x, y, qRgba(0, 0, 0, v));
    }
  QPainter p(&out);
  p.drawImage(0, 0, shape);
  return out;
}

QImage MaskOf(const QImage& picture) {
  const QImage src = picture.convertToFormat(QImage::Format_ARGB32);
  QImage mask(src.size(), QImage::Format_ARGB32);
  mask.setDevicePixelRatio(src.devicePixelRatio());
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x) {
      const int a = qAlpha(src.pixel(x, y));
      mask.setPixel(x, y, qRgb(a, a, a));
    }
  return mask;
}

QImage Opaque(const QImage& picture) {
  QImage out = picture.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) line[x] = qAlpha(line[x]) ? (line[x] | 0xff000000u) : qRgb(0, 0, 0);
  }
  return out;
}

int Intensity(QRgb c) { return (61 * qRed(c) + 174 * qGreen(c) + 21 * qBlue(c)) >> 8; }

QImage ApplyMask(const QImage& picture, const QImage& mask) {
  QImage out = picture.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      const QRgb c = out.pixel(x, y);
      out.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), Intensity(mask.pixel(x, y))));
    }
  return out;
}

QFont SkinFont(int pixelSize, bool bold, bool serif) {
  QFont f(serif ? "DejaVu Serif" : "DejaVu Sans");
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setHintingPreference(QFont::PreferFullHinting);
  return f;
}

}  // namespace skin

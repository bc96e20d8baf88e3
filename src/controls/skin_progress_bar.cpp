// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/skin_progress_bar.h"

#include <QPainter>
#include <algorithm>
#include <cstdint>

namespace kestramo {

namespace {

QRgb Lighten(QRgb c, int n) {
  auto ch = [n](int v) { return std::clamp(v + n, 0, 255); };
  return qRgba(ch(qRed(c)), ch(qGreen(c)), ch(qBlue(c)), qAlpha(c));
}

QRgb Opaque(const QColor& c) { return qRgb(c.red(), c.green(), c.blue()); }

// Pixel-exact primitives on an opaque 32-bit raster; every coordinate is inclusive.
class Raster {
 public:
  explicit Raster(QImage& image) : image_(image) {}

  void Fill(int left, int top, int right, int bottom, QRgb c) {
    for (int y = top; y <= bottom; ++y) HLine(left, right, y, c);
  }
  void HLine(int x0, int x1, int y, QRgb c) {
    for (int x = x0; x <= x1; ++x) Set(x, y, c);
  }
  void VLine(int x, int y0, int y1, QRgb c) {
    for (int y = y0; y <= y1; ++y) Set(x, y, c);
  }
  void BlendHLine(int x0, int x1, int y, QRgb c, int alpha) {
    for (int x = x0; x <= x1; ++x) Blend(x, y, c, alpha);
  }
  void BlendVLine(int x, int y0, int y1, QRgb c, int alpha) {
    for (int y = y0; y <= y1; ++y) Blend(x, y, c, alpha);
  }

 private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < image_.width() && y < image_.height(); }
  void Set(int x, int y, QRgb c) {
    if (Inside(x, y)) image_.setPixel(x, y, c);
  }
  void Blend(int x, int y, QRgb c, int a) {
    if (!Inside(x, y)) return;
    const QRgb d = image_.pixel(x, y);
    auto mix = [a](int s, int t) { return (s * a + t * (255 - a) + 127) / 255; };
    image_.setPixel(x, y, qRgb(mix(qRed(c), qRed(d)), mix(qGreen(c), qGreen(d)), mix(qBlue(c), qBlue(d))));
  }

  QImage& image_;
};

constexpr int kBevel = 32;

}  // namespace

SkinProgressBar::SkinProgressBar(QWidget* parent)
    : QWidget(parent), backColor_(palette().color(QPalette::Dark)), color_(palette().color(QPalette::Base)) {
  resize(150, 16);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void SkinProgressBar::SetBackColor(const QColor& colour) {
  backColor_ = colour;
  update();
}

void SkinProgressBar::SetColor(const QColor& colour) {
  color_ = colour;
  update();
}

void SkinProgressBar::SetContrast(int contrast) {
  contrast_ = contrast;
  update();
}

void SkinProgressBar::SetFramed(bool framed) {
  framed_ = framed;
  update();
}

void SkinProgressBar::SetMin(int min) {
  min_ = min;
  update();
}

void SkinProgressBar::SetMax(int max) {
  max_ = max;
  update();
}

void SkinProgressBar::SetPosition(int position) {
  if (position == position_) return;
  position_ = position;
  if (isVisible()) repaint();
}

QImage SkinProgressBar::Render() const {
  QImage image(size(), QImage::Format_RGB32);
  Raster r(image);
  const QRgb frame = Opaque(palette().color(QPalette::Shadow));
  const QRgb bg = Opaque(backColor_);

  // Well; from here on right and bottom are inclusive.
  int left = 0, top = 0, right = width() - 1, bottom = height() - 1;
  if (framed_) {
    r.HLine(left, right, top, frame);
    r.HLine(left, right, bottom, frame);
    r.VLine(left, top, bottom, frame);
    r.VLine(right, top, bottom, frame);
    ++left, ++top, --right, --bottom;
  }
  r.Fill(left, top, right, bottom, bg);
  const QRgb shade = Lighten(bg, -32);
  r.HLine(left, right, top, shade);
  r.VLine(left, top + 1, bottom, shade);
  if (!framed_) {
    const QRgb light = Lighten(shade, 64);
    r.HLine(left, right, bottom, light);
    r.VLine(right, top + 1, bottom, light);
  }

  // Bar rectangle, right and bottom exclusive.
  const int inset = framed_ ? 1 : 0;
  const int bl = inset, bt = inset, bb = height() - inset;
  int br = width() - inset;
  if (min_ < position_ && min_ < max_) {
    const int64_t x = bl + (int64_t{position_} - min_) * (br - bl) / (int64_t{max_} - min_);
    if (x < br) br = static_cast<int>(x);
  } else {
    br = bl;
  }
  if (br <= bl || bb <= bt) return image;

  const QRgb k = Opaque(color_);
  if (contrast_ != 0) {
    const int h = bb - bt, m = (bt + bb) / 2;
    for (int y = bt; y < bb; ++y) r.HLine(bl, br - 1, y, Lighten(k, contrast_ * (m - y) / h));
  } else {
    r.Fill(bl, bt, br - 1, bb - 1, k);
  }
  r.BlendHLine(bl, br - 1, bt, qRgb(255, 255, 255), kBevel * 512 / 100);
  r.BlendVLine(bl, bt + 1, bb - 2, qRgb(255, 255, 255), kBevel * 512 / 100);
  r.BlendHLine(bl, br - 1, bb - 1, qRgb(0, 0, 0), kBevel * 255 / 100);
  r.BlendVLine(br - 1, bt + 1, bb - 2, qRgb(0, 0, 0), kBevel * 255 / 100);
  if (framed_) r.VLine(br, bt, bb, frame);
  return image;
}

void SkinProgressBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, Render());
}

}  // namespace kestramo

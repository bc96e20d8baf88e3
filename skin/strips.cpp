#include "strips.h"

#include <QPainterPath>
#include <cmath>
#include <functional>

#include "hardware.h"
#include "materials.h"

namespace skin {

namespace {

using FramePainter = std::function<void(QPainter&, qreal phase)>;

// Lays `frames` frames side by side; phase runs over [0, 1) so the loop closes.
QImage Strip(int frames, int w, int h, const FramePainter& paint) {
  QImage strip = Blank(frames * w, h);
  QPainter p(&strip);
  for (int i = 0; i < frames; ++i) {
    QImage frame = Blank(w, h);
    {
      QPainter fp(&frame);
      fp.setRenderHint(QPainter::Antialiasing);
      paint(fp, qreal(i) / frames);
    }
    p.drawImage(i * w, 0, frame);
  }
  return strip;
}

qreal Smooth(qreal t) { return t <= 0 ? 0 : t >= 1 ? 1 : t * t * (3 - 2 * t); }

void Page(QPainter& p, const QRectF& r, qreal opacity) {
  p.save();
  p.setOpacity(opacity);
  QPainterPath page;
  const qreal fold = std::min(r.width(), r.height()) * 0.3;
  page.moveTo(r.topLeft());
  page.lineTo(r.right() - fold, r.top());
  page.lineTo(r.right(), r.top() + fold);
  page.lineTo(r.bottomRight());
  page.lineTo(r.bottomLeft());
  page.closeSubpath();
  p.setPen(QPen(QColor(60, 70, 90), 1));
  p.setBrush(QColor(236, 240, 248));
  p.drawPath(page);
  p.setPen(QPen(QColor(120, 150, 200), 1));
  for (qreal y = r.top() + fold + 2; y < r.bottom() - 2; y += 3)
    p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
  p.restore();
}

// A file drops into a brass-bound box, flattening as it goes, and the zipper on the
// lid runs shut; then the next file appears.
void ZipFrame(QPainter& p, qreal t) {
  const QRectF box(12, 22, 40, 18);
  const qreal fall = Smooth(t / 0.6);
  const qreal squash = 1.0 - 0.75 * Smooth((t - 0.35) / 0.3);
  const qreal pageH = 18 * squash;
  const QRectF page(22, 2 + fall * 22, 20, pageH);
  const qreal fadeIn = Smooth(t / 0.12);
  p.save();
  p.setClipRect(QRectF(0, 0, kZipW, box.top() + 3));
  Page(p, page, fadeIn);
  p.restore();
  QLinearGradient g(0, box.top(), 0, box.bottom());
  g.setColorAt(0, QColor(150, 104, 40));
  g.setColorAt(1, QColor(90, 58, 18));
  p.setPen(QPen(QColor(50, 30, 6), 1));
  p.setBrush(g);
  p.drawRoundedRect(box, 2, 2);
  p.fillRect(QRectF(box.left() + 1, box.top() + 5, box.width() - 2, 2), QColor(230, 190, 100));
  // Zipper teeth along the lid; the slider closes them from left to right.
  const qreal shut = Smooth((t - 0.55) / 0.35);
  const qreal sliderX = box.left() + 2 + shut * (box.width() - 8);
  for (qreal x = box.left() + 2; x < box.right() - 2; x += 3) {
    const bool closed = x < sliderX;
    p.fillRect(QRectF(x, box.top() - (closed ? 1 : 3), 2, closed ? 3 : 2), QColor(210, 214, 222));
    if (!closed) p.fillRect(QRectF(x + 1, box.top() + 1, 2, 2), QColor(210, 214, 222));
  }
  p.setPen(QPen(QColor(30, 30, 36), 1));
  p.setBrush(QColor(240, 210, 120));
  p.drawRoundedRect(QRectF(sliderX, box.top() - 3, 6, 6), 1.5, 1.5);
  p.drawRect(QRectF(sliderX + 2, box.top() + 3, 2, 5));
}

// The shackle drops and locks during the first half, rises again at the end, and the
// dial beside it turns once per loop.
void EncFrame(QPainter& p, qreal t) {
  const qreal drop = Smooth(t / 0.35) - Smooth((t - 0.8) / 0.2);
  const QRectF body(6, 24, 30, 24);
  const qreal lift = 9 * (1 - drop);
  p.setPen(QPen(QColor(50, 54, 62), 5, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  QPainterPath shackle;
  shackle.moveTo(body.left() + 6, body.top() + 2 - lift);
  shackle.lineTo(body.left() + 6, body.top() - 8 - lift);
  shackle.arcTo(QRectF(body.left() + 6, body.top() - 17 - lift, 18, 18), 180, -180);
  shackle.lineTo(body.right() - 6, body.top() + 2 - lift * 0.2);
  p.drawPath(shackle);
  p.setPen(QPen(QColor(200, 206, 216), 2, Qt::SolidLine, Qt::FlatCap));
  p.drawPath(shackle);
  p.setPen(QPen(QColor(70, 44, 8), 1));
  p.setBrush(Brass(body));
  p.drawRoundedRect(body, 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 24, 4));
  p.drawEllipse(QPointF(body.center().x(), body.center().y() - 2), 3, 3);
  p.drawRect(QRectF(body.center().x() - 1, body.center().y(), 2, 6));
  Dial(p, QPointF(44, 40), 11, -360 * t);
}

}  // namespace

void AddStrips(ResourceSet& set) {
  set.AddMasked("zip", "zipmask", Strip(kZipFrames, kZipW, kZipH, ZipFrame));
  set.AddMasked("enc", "encmask", Strip(kEncFrames, kEncW, kEncH, EncFrame));
}

}  // namespace skin

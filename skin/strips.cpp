// SPDX-License-Identifier: GPL-3.0-or-later
#include "strips.h"

#include <QPainterPath>
#include <cmath>
#include <functional>

#include "hardware.h"
#include "materials.h"

namespace skin {

namespace {

using FramePainter = std::function<void(QPainter&, qreal phase)>;

QImage Frame(int w, int h, const FramePainter& paint, qreal phase) {
  QImage frame = Blank(w, h);
  QPainter p(&frame);
  p.setRenderHint(QPainter::Antialiasing);
  paint(p, phase);
  return frame;
}

// Lays `frames` frames side by side; phase runs over [0, 1) so the loop closes.
QImage Strip(int frames, const std::function<QImage(qreal)>& frameAt) {
  const QSize frame = LogicalSize(frameAt(0));
  QImage strip = Blank(frames * frame.width(), frame.height());
  QPainter p(&strip);
  for (int i = 0; i < frames; ++i) p.drawImage(i * frame.width(), 0, frameAt(qreal(i) / frames));
  return strip;
}

qreal Smooth(qreal t) { return t <= 0 ? 0 : t >= 1 ? 1 : t * t * (3 - 2 * t); }

void Page(QPainter& p, const QRectF& r, qreal opacity) {
  p.save();
  p.setOpacity(opacity);
  const qreal fold = std::min(r.width(), r.height()) * 0.3;
  p.setPen(QPen(QColor(60, 70, 90), 1));
  p.setBrush(QColor(236, 240, 248));
  p.drawPath(FoldedPage(r, fold));
  p.setPen(QPen(QColor(120, 150, 200), 1));
  for (qreal y = r.top() + fold + 2; y < r.bottom() - 2; y += 3)
    p.drawLine(QPointF(r.left() + 3, y), QPointF(r.right() - 3, y));
  p.restore();
}

// A file drops into a brass-bound box, flattening as it goes, and the zipper on the
// lid runs shut; at the start of the loop it runs open again for the next file.
void PaintZip(QPainter& p, qreal t) {
  const QRectF box(9, 21, 46, 19);
  const qreal fall = Smooth((t - 0.1) / 0.5);
  const qreal squash = 1.0 - 0.7 * Smooth((t - 0.4) / 0.25);
  const QRectF page(21, 1 + fall * 22, 22, 22 * squash);
  p.save();
  p.setClipRect(QRectF(0, 0, kZipW, box.top() + 1));
  Page(p, page, Smooth(t / 0.15));
  p.restore();
  // The chest: a dark opening at the top, brass front with a band and corner studs.
  p.setPen(QPen(QColor(50, 30, 6), 1));
  p.setBrush(Brass(box, -30));
  p.drawRoundedRect(box, 2, 2);
  p.fillRect(QRectF(box.left() + 1, box.top() + 8, box.width() - 2, 3), QColor(110, 70, 16));
  p.fillRect(QRectF(box.left() + 1, box.top() + 8, box.width() - 2, 1), QColor(250, 220, 140));
  for (qreal x : {box.left() + 3.5, box.right() - 3.5}) Rivet(p, QPointF(x, box.bottom() - 3.5), 1.6);
  // Zipper teeth along the lid; the slider closes them from left to right.
  const qreal shut = t < 0.15 ? 1 - Smooth(t / 0.15) : Smooth((t - 0.62) / 0.3);
  const qreal sliderX = box.left() + 1 + shut * (box.width() - 9);
  for (qreal x = box.left() + 2; x < box.right() - 2; x += 3) {
    const bool closed = x < sliderX;
    p.fillRect(QRectF(x, box.top() - (closed ? 1 : 3), 2, closed ? 3 : 2), QColor(214, 218, 226));
    if (!closed) p.fillRect(QRectF(x + 1, box.top() + 1, 2, 2), QColor(214, 218, 226));
  }
  p.setPen(QPen(QColor(30, 30, 36), 1));
  p.setBrush(QColor(240, 210, 120));
  p.drawRoundedRect(QRectF(sliderX, box.top() - 3.5, 7, 6), 1.5, 1.5);
  p.drawRoundedRect(QRectF(sliderX + 2, box.top() + 2.5, 3, 6), 1, 1);
}

// The shackle drops and locks during the first half, rises again at the end, and the
// dial beside it turns once per loop.
void PaintEnc(QPainter& p, qreal t) {
  const qreal drop = Smooth(t / 0.35) - Smooth((t - 0.8) / 0.2);
  const QRectF body(6, 27, 30, 23);
  const qreal lift = 8 * (1 - drop);
  p.setPen(QPen(QColor(50, 54, 62), 5, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  QPainterPath shackle;
  // The long leg stays in the body; the short one comes out as the shackle rises.
  shackle.moveTo(body.left() + 6, body.top() + 4);
  shackle.lineTo(body.left() + 6, body.top() - 8 - lift);
  shackle.arcTo(QRectF(body.left() + 6, body.top() - 17 - lift, 18, 18), 180, -180);
  shackle.lineTo(body.right() - 6, body.top() + 2 - lift);
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
  // A lamp that turns green once the shackle is home.
  const bool locked = drop > 0.97;
  QRadialGradient lamp(QPointF(body.right() - 5.5, body.top() + 4.5), 3);
  lamp.setColorAt(0, locked ? QColor(190, 255, 170) : QColor(255, 200, 120));
  lamp.setColorAt(1, locked ? QColor(20, 140, 30) : QColor(170, 60, 10));
  p.setPen(QPen(QColor(40, 24, 4), 0.8));
  p.setBrush(lamp);
  p.drawEllipse(QPointF(body.right() - 5.5, body.top() + 4.5), 2.4, 2.4);
  Dial(p, QPointF(45, 40), 11.5, -360 * std::fmod(t, 1.0));
}

}  // namespace

QImage ZipFrame(qreal phase) { return Frame(kZipW, kZipH, PaintZip, phase); }
QImage EncFrame(qreal phase) { return Frame(kEncW, kEncH, PaintEnc, phase); }

void AddStrips(ResourceSet& set) {
  set.AddMasked("zip", "zipmask", Strip(kZipFrames, ZipFrame));
  set.AddMasked("enc", "encmask", Strip(kEncFrames, EncFrame));
}

}  // namespace skin

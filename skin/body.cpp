// SPDX-License-Identifier: GPL-3.0-or-later
#include "body.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "buttons.h"
#include "hardware.h"
#include "materials.h"

namespace skin {

namespace {

constexpr int kW = 560, kH = 420;
const QColor kBodySteel(66, 72, 82);

void Nameplate(QPainter& p, const QRectF& r) {
  BrassPlate(p, r, 4);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(110, 72, 14, 200), 1));
  p.drawRoundedRect(r.adjusted(3, 3, -3, -3), 2, 2);
  QFont f = SkinFont(17, true, true);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 4);
  EngravedText(p, r.adjusted(0, 1, 0, 0), "KESTRAMO", f, QColor(60, 36, 4));
  for (qreal x : {r.left() + 9, r.right() - 9}) Rivet(p, QPointF(x, r.center().y()), 2.6);
  p.restore();
}

// Engraved pin-stripes leading from the nameplate towards the corners.
void PinStripes(QPainter& p, qreal from, qreal to) {
  for (qreal y : {14.0, 22.0}) {
    QLinearGradient dark(from, 0, to, 0), light(from, 0, to, 0);
    dark.setColorAt(0, QColor(0, 0, 0, 150));
    dark.setColorAt(1, QColor(0, 0, 0, 0));
    light.setColorAt(0, QColor(255, 255, 255, 60));
    light.setColorAt(1, QColor(255, 255, 255, 0));
    const QRectF line(std::min(from, to), y, std::abs(to - from), 1);
    p.fillRect(line, dark);
    p.fillRect(line.translated(0, 1), light);
  }
}

// Short slots that fill the gap in the button row.
void Vents(QPainter& p, const QRectF& r) {
  const int n = 4;
  const qreal pitch = r.width() / n;
  for (int i = 0; i < n; ++i) {
    const QRectF slot(r.left() + i * pitch + 3, r.top(), pitch - 6, r.height());
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 45));
    p.drawRoundedRect(slot.translated(0.5, 1), slot.height() / 2, slot.height() / 2);
    QLinearGradient g(0, slot.top(), 0, slot.bottom());
    g.setColorAt(0, QColor(2, 2, 4));
    g.setColorAt(1, QColor(34, 38, 46));
    p.setBrush(g);
    p.drawRoundedRect(slot, slot.height() / 2, slot.height() / 2);
    p.restore();
  }
}

// The doors are opaque rectangles above the body, so their shadows are painted on it.
void DoorShadows(QPainter& p) {
  QLinearGradient right(548, 0, 553, 0);
  right.setColorAt(0, QColor(0, 0, 0, 150));
  right.setColorAt(1, QColor(0, 0, 0, 0));
  p.fillRect(QRectF(548, 62, 5, 352), right);
  QLinearGradient below(0, 412, 0, 416);
  below.setColorAt(0, QColor(0, 0, 0, 150));
  below.setColorAt(1, QColor(0, 0, 0, 0));
  p.fillRect(QRectF(12, 412, 538, 4), below);
}

QImage BodyPicture() {
  QImage img = Blank(kW, kH);
  QPainter p(&img);
  QPainterPath outline;
  outline.addPolygon(CutOutline(kW, kH));
  outline.closeSubpath();
  FillBrushed(p, outline, kBodySteel, 0x5afe01);
  // Title band, a touch lighter, closed by an engraved groove.
  QPainterPath band;
  band.addRect(0, 0, kW, 36);
  FillBrushed(p, band.intersected(outline), kBodySteel.lighter(112), 0x5afe02);
  p.fillRect(QRectF(3, 36, kW - 6, 1), QColor(0, 0, 0, 150));
  p.fillRect(QRectF(3, 37, kW - 6, 1), QColor(255, 255, 255, 50));
  Bevel(p, CutOutline(kW, kH), 2.5, true, 140);
  Nameplate(p, QRectF(190, 6, 180, 26));
  PinStripes(p, 182, 24);
  PinStripes(p, 378, 536);
  for (QPointF c : {QPointF(10, 10), QPointF(kW - 12, 12), QPointF(4.5, 208), QPointF(kW - 6, 208)}) Rivet(p, c, 3);
  Vents(p, QRectF(340, 45, 104, 9));
  // Sunken frame around the window and the slider's groove.
  const QRectF lip(kSafeWindow.left() - 4, kSafeWindow.top() - 4, kSafeWindow.width() + 8, kSafeWindow.height() + 6);
  p.fillRect(lip, QColor(8, 9, 12));
  Bevel(p, lip, 3, false, 120);
  SliderTrack(p, QRectF(496, 60, 12, 352));
  // Hinges of the big doors, on the body beside them.
  for (qreal y : {96.0, 350.0}) {
    Hinge(p, QRectF(2, y, 7, 30));
    Hinge(p, QRectF(549, y, 8, 30));
  }
  PaintPressedRow(p, kBigButton, BigButtons());
  DoorShadows(p);
  return img;
}

// Opaque everywhere but the window and the cut corners.
QImage BodyMask() {
  QImage mask = Blank(kW, kH);
  mask.fill(Qt::black);
  QPainter p(&mask);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::white);
  p.drawPolygon(CutOutline(kW, kH));
  p.fillRect(kSafeWindow, Qt::black);
  return mask;
}

QImage RightBigDoor() {
  QImage door = Door({QSize(285, 353), 31, true, 0xb16d00, 16});
  QPainter p(&door);
  Dial(p, QPointF(162, 170), 56);
  return door;
}

// Bolts that reach across the meeting edge, so the closed doors read as locked.
QImage LeftBigDoor() {
  QImage door = Door({QSize(262, 353), 8, false, 0x1e7d00, 16});
  QPainter p(&door);
  p.setRenderHint(QPainter::Antialiasing);
  for (qreal y : {70.0, 176.0, 282.0}) {
    const QRectF bolt(214, y - 6, 36, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 110));
    p.drawRoundedRect(bolt.translated(1, 2), 5, 5);
    QLinearGradient g(0, bolt.top(), 0, bolt.bottom());
    g.setColorAt(0, QColor(230, 234, 240));
    g.setColorAt(0.5, QColor(140, 146, 156));
    g.setColorAt(1, QColor(60, 64, 72));
    p.setBrush(g);
    p.setPen(QPen(QColor(24, 26, 30), 1));
    p.drawRoundedRect(bolt, 5, 5);
  }
  return door;
}

}  // namespace

void AddBody(ResourceSet& set) {
  set.Add("bbox", BodyPicture());
  set.Add("bboxa", BodyMask());
  set.Add("rbd", RightBigDoor());
  set.Add("lbd", LeftBigDoor());
  set.AddMasked("bhdown", "bhdowna", Handle(QSize(30, 90), false));
  set.AddMasked("bhup", "bhupa", Handle(QSize(30, 90), true));
  set.AddMasked("bslider", "bslidera", SliderKnob(QSize(24, 56)));
  AddSceneButtons(set);
}

}  // namespace skin

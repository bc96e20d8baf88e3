// SPDX-License-Identifier: GPL-3.0-or-later
#include "icons.h"

#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <initializer_list>

#include "hardware.h"
#include "materials.h"

namespace skin {

namespace {

QPainterPath Rounded(const QRectF& r) {
  QPainterPath path;
  path.addRoundedRect(r, std::min(r.width(), r.height()) / 2, std::min(r.width(), r.height()) / 2);
  return path;
}

QPainterPath Union(std::initializer_list<QPainterPath> parts) {
  QPainterPath all;
  for (const QPainterPath& part : parts) all = all.united(part);
  return all.simplified();
}

// A finger (or thumb) growing from `base`, tilted by `angle` degrees from upright.
QPainterPath Finger(QPointF base, qreal angle, qreal len, qreal width = 4.4) {
  QTransform t;
  t.translate(base.x(), base.y());
  t.rotate(angle);
  return t.map(Rounded(QRectF(-width / 2, -len, width, len + 2)));
}

QImage Hand(const QPainterPath& shape, const QPainterPath& creases) {
  QImage img = Blank(32, 32);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(8, 8, 10), 1.3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(252, 252, 250));
    p.drawPath(shape);
    p.setPen(QPen(QColor(8, 8, 10, 170), 1, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(creases);
  }
  return WithShadow(img, QPoint(1, 1), 1, 110);
}

QImage PointingHand() {
  const QPainterPath shape =
      Union({Rounded(QRectF(8, 0.8, 4.8, 18)), Rounded(QRectF(8, 12, 15, 15.5)), Rounded(QRectF(12.4, 10.2, 4.4, 9)),
             Rounded(QRectF(16.4, 11, 4.2, 8)), Rounded(QRectF(20.2, 12.4, 3.8, 7)),
             Finger(QPointF(9.5, 21), -48, 8, 4.8), Rounded(QRectF(10, 24, 12, 6))});
  return Hand(shape, Strokes({{{12.6, 14}, {12.6, 18}}, {{16.6, 14}, {16.6, 18}}, {{20.4, 15}, {20.4, 18.5}}}));
}

QImage OpenHand() {
  const QPainterPath shape = Union({Rounded(QRectF(9, 13.5, 14.5, 13.5)), Finger(QPointF(11, 16), -13, 12.5, 4),
                                    Finger(QPointF(15, 15), -3, 13.5, 4), Finger(QPointF(19, 15.5), 7, 12.5, 4),
                                    Finger(QPointF(22, 18), 18, 9.5, 3.8), Finger(QPointF(10.5, 21.5), -58, 9.5, 4.6),
                                    Rounded(QRectF(10, 22, 13, 8))});
  return Hand(shape, QPainterPath());
}

QImage GrabbingHand() {
  const QPainterPath shape =
      Union({Rounded(QRectF(8, 12, 16, 14)), Rounded(QRectF(8.5, 9.5, 4.2, 8)), Rounded(QRectF(12.7, 8.5, 4.2, 8)),
             Rounded(QRectF(16.9, 9, 4.2, 8)), Rounded(QRectF(21, 10.5, 3.8, 7)), Finger(QPointF(9.5, 19), -70, 6, 4.8),
             Rounded(QRectF(9.5, 21, 13, 8))});
  return Hand(shape, Strokes({{{12.7, 12.5}, {12.7, 15.5}}, {{16.9, 12.5}, {16.9, 15.5}}, {{21, 13}, {21, 15.5}}}));
}

// A picture document: a page with a folded corner showing a small landscape.
QImage PictureDocument() {
  QImage img = Blank(32, 32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 50, 70), 1));
  p.setBrush(QColor(200, 210, 224));
  p.drawPolygon(QPolygonF({QPointF(20, 1.5), QPointF(20, 8), QPointF(26.5, 8)}));
  p.setBrush(QColor(248, 250, 252));
  p.drawPath(FoldedPage(QRectF(5.5, 1.5, 21, 29), 6.5));
  const QRectF frame(8.5, 11, 15, 12);
  QLinearGradient sky(0, frame.top(), 0, frame.bottom());
  sky.setColorAt(0, QColor(40, 110, 210));
  sky.setColorAt(1, QColor(150, 200, 250));
  p.setPen(Qt::NoPen);
  p.fillRect(frame, sky);
  p.setBrush(QColor(255, 214, 60));
  p.drawEllipse(QPointF(19.5, 14.5), 2, 2);
  p.setBrush(QColor(40, 130, 60));
  p.drawPolygon(
      QPolygonF({frame.bottomLeft(), QPointF(13, 15.5), QPointF(16.5, 19), QPointF(18.5, 17.5), frame.bottomRight()}));
  p.setPen(QPen(QColor(30, 60, 110), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(frame);
  p.setFont(SkinFont(6));
  p.setPen(QColor(20, 60, 140));
  p.drawText(QRectF(5.5, 23, 21, 7), Qt::AlignCenter, "PSD");
  return img;
}

}  // namespace

QImage ProgramIcon(int size) {
  // Drawn on a 64-unit grid and scaled, so every size is the same drawing.
  const qreal unit = size / 64.0;
  QImage img = Blank(size, size);
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(unit, unit);
    const QRectF body(3, 3, 56, 56);
    QPainterPath shape;
    shape.addRoundedRect(body, 7, 7);
    FillBrushed(p, shape, QColor(84, 92, 104), 0x1c0);
    p.setPen(QPen(QColor(16, 18, 22), 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
    const QRectF door = body.adjusted(5, 5, -5, -5);
    p.setPen(QPen(QColor(20, 22, 26, 200), 1));
    p.drawRoundedRect(door, 4, 4);
    Bevel(p, door, 1.5, true, 120);
    for (QPointF c : {door.topLeft() + QPointF(4, 4), door.topRight() + QPointF(-4, 4),
                      door.bottomLeft() + QPointF(4, -4), door.bottomRight() + QPointF(-4, -4)})
      Rivet(p, c, 1.8);
    Dial(p, QPointF(31, 31), 14);
    p.setPen(Qt::NoPen);
    p.setBrush(Brass(QRectF(47, 22, 5, 18)));
    p.drawRoundedRect(QRectF(47, 22, 5, 18), 2.5, 2.5);
  }
  const int drop = std::max(1, qRound(2 * unit));
  return WithShadow(img, QPoint(drop, drop), drop, 150);
}

void AddIcons(ResourceSet& set) {
  set.AddCursor("hand1", PointingHand(), kPointHotSpot);
  set.AddCursor("hand2", OpenHand(), kOpenHotSpot);
  set.AddCursor("hand3", GrabbingHand(), kGrabHotSpot);
  set.AddMasked("psd", "psdmask", PictureDocument());
  set.Add("appicon", ProgramIcon(64));
}

}  // namespace skin

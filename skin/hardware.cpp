// SPDX-License-Identifier: GPL-3.0-or-later
#include "hardware.h"

#include <QPainterPath>
#include <cmath>

#include "materials.h"

namespace skin {

namespace {

const QColor kDoorSteel(92, 99, 110);

void DoorStrip(QPainter& p, const DoorShape& s) {
  const qreal h = s.size.height();
  if (s.stripOnLeft) {
    // Raised stile: the handle sits on it, and it is all that remains of an open door.
    const QRectF stile(0, 0, s.strip, h);
    FillBrushed(p, stile, kDoorSteel.lighter(108), s.seed + 7);
    Bevel(p, stile.adjusted(0, 0, 0, 0), 2, true, 120);
    p.fillRect(QRectF(stile.right() - 1, 2, 1, h - 4), QColor(0, 0, 0, 140));
    p.fillRect(QRectF(0, 0, 1, h), QColor(0, 0, 0, 180));
  } else {
    // Brass edge trim along the meeting edge.
    const QRectF trim(s.size.width() - s.strip, 0, s.strip, h);
    QLinearGradient g(trim.left(), 0, trim.right(), 0);
    g.setColorAt(0, QColor(120, 84, 24));
    g.setColorAt(0.35, QColor(250, 218, 130));
    g.setColorAt(0.7, QColor(196, 146, 48));
    g.setColorAt(1, QColor(80, 52, 10));
    p.fillRect(trim, g);
    p.fillRect(QRectF(trim.left(), 0, 1, h), QColor(0, 0, 0, 120));
    for (qreal y : {h * 0.18, h * 0.5, h * 0.82}) Rivet(p, QPointF(trim.center().x(), y), trim.width() * 0.28);
  }
}

void Louvres(QPainter& p, const QRectF& r) {
  const qreal pitch = 14;
  for (qreal y = r.top(); y + 6 <= r.bottom(); y += pitch) {
    const QRectF slat(r.left(), y, r.width(), 6);
    QLinearGradient g(0, slat.top(), 0, slat.bottom());
    g.setColorAt(0, QColor(255, 255, 255, 46));
    g.setColorAt(0.5, QColor(0, 0, 0, 0));
    g.setColorAt(1, QColor(0, 0, 0, 90));
    p.fillRect(slat, g);
    p.fillRect(QRectF(slat.left(), slat.bottom(), slat.width(), 1), QColor(0, 0, 0, 70));
  }
}

}  // namespace

QImage Door(const DoorShape& s) {
  QImage img = Blank(s.size.width(), s.size.height());
  img.fill(Qt::black);
  QPainter p(&img);
  const QRectF all(0, 0, s.size.width(), s.size.height());
  const QRectF face = s.stripOnLeft ? all.adjusted(s.strip, 0, 0, 0) : all.adjusted(0, 0, -s.strip, 0);
  FillBrushed(p, face, kDoorSteel, s.seed);
  Bevel(p, face, 2, true, 130);
  const QRectF panel = face.adjusted(s.inset, s.inset, -s.inset, -s.inset);
  FillBrushed(p, panel, kDoorSteel.darker(112), s.seed + 1);
  Bevel(p, panel.adjusted(-3, -3, 3, 3), 3, false, 90);
  // A faint diagonal sheen, as on polished metal behind glass.
  QLinearGradient sheen(face.topLeft(), face.bottomRight());
  sheen.setColorAt(0.0, QColor(255, 255, 255, 0));
  sheen.setColorAt(0.28, QColor(255, 255, 255, 0));
  sheen.setColorAt(0.34, QColor(255, 255, 255, 26));
  sheen.setColorAt(0.44, QColor(255, 255, 255, 0));
  p.fillRect(panel, sheen);
  if (s.louvres) Louvres(p, panel.adjusted(8, 10, -8, -10));
  const qreal r = s.inset * 0.22 + 1.2;
  const qreal m = s.inset * 0.5;
  for (QPointF c : {face.topLeft() + QPointF(m, m), face.topRight() + QPointF(-m, m),
                    face.bottomLeft() + QPointF(m, -m), face.bottomRight() + QPointF(-m, -m)})
    Rivet(p, c, r);
  DoorStrip(p, s);
  return img;
}

void Dial(QPainter& p, QPointF c, qreal radius, qreal turn) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  // Drop shadow and the brass bezel.
  p.setBrush(QColor(0, 0, 0, 90));
  p.drawEllipse(c + QPointF(radius * 0.05, radius * 0.07), radius * 1.02, radius * 1.02);
  QConicalGradient bezel(c, 135);
  bezel.setColorAt(0.0, QColor(255, 236, 170));
  bezel.setColorAt(0.25, QColor(190, 140, 50));
  bezel.setColorAt(0.5, QColor(110, 74, 18));
  bezel.setColorAt(0.75, QColor(200, 150, 60));
  bezel.setColorAt(1.0, QColor(255, 236, 170));
  p.setBrush(bezel);
  p.drawEllipse(c, radius, radius);
  // Dark numbered face.
  const qreal face = radius * 0.84;
  QRadialGradient fg(c - QPointF(face * 0.3, face * 0.3), face * 1.4);
  fg.setColorAt(0, QColor(58, 62, 70));
  fg.setColorAt(1, QColor(16, 18, 22));
  p.setBrush(fg);
  p.drawEllipse(c, face, face);
  p.translate(c);
  p.rotate(turn);
  // Small dials keep only the major ticks; large ones add minor ticks and numbers.
  const bool detailed = radius >= 30;
  const int ticks = detailed ? 60 : 12;
  for (int i = 0; i < ticks; ++i) {
    const bool major = !detailed || i % 5 == 0;
    p.setPen(QPen(QColor(232, 220, 190, major ? 230 : 140), major ? std::max(1.0, radius * 0.03) : 0.9));
    p.drawLine(QPointF(0, -face * 0.96), QPointF(0, -face * (major ? 0.8 : 0.88)));
    p.rotate(360.0 / ticks);
  }
  if (detailed) {
    p.setFont(SkinFont(int(radius * 0.17)));
    p.setPen(QColor(232, 220, 190));
    for (int i = 0; i < 6; ++i) {
      const qreal a = i * 60 * M_PI / 180;
      const QPointF at(std::sin(a) * face * 0.63, -std::cos(a) * face * 0.63);
      p.drawText(QRectF(at.x() - 12, at.y() - 8, 24, 16), Qt::AlignCenter, QString::number(i * 10));
    }
  }
  p.rotate(-turn);
  // Knob with a grip ring and the index mark on the bezel.
  p.setPen(Qt::NoPen);
  const qreal knob = radius * 0.36;
  QRadialGradient kg(QPointF(-knob * 0.35, -knob * 0.4), knob * 1.5);
  kg.setColorAt(0, QColor(255, 240, 190));
  kg.setColorAt(0.4, QColor(206, 156, 60));
  kg.setColorAt(1, QColor(96, 62, 14));
  p.setBrush(QColor(0, 0, 0, 110));
  p.drawEllipse(QPointF(knob * 0.08, knob * 0.12), knob * 1.05, knob * 1.05);
  p.setBrush(kg);
  p.drawEllipse(QPointF(0, 0), knob, knob);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(80, 50, 10, 160), 1));
  p.drawEllipse(QPointF(0, 0), knob * 0.7, knob * 0.7);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(200, 30, 24));
  QPolygonF mark(
      {QPointF(-radius * 0.06, -radius * 1.0), QPointF(radius * 0.06, -radius * 1.0), QPointF(0, -radius * 0.88)});
  p.drawPolygon(mark);
  p.restore();
}

QImage Handle(QSize size, bool up) {
  const qreal w = size.width() - 2, h = size.height() - 2;  // room for the shadow
  QImage img = Blank(size.width(), size.height());
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Escutcheon plate.
    const QRectF plate(w * 0.18, 0.5, w * 0.64, h - 0.5);
    QPainterPath plateShape;
    plateShape.addRoundedRect(plate, plate.width() / 2, plate.width() / 2);
    p.setPen(QPen(QColor(20, 22, 26), 1));
    QLinearGradient pg(plate.left(), 0, plate.right(), 0);
    pg.setColorAt(0, QColor(120, 128, 140));
    pg.setColorAt(0.5, QColor(78, 84, 94));
    pg.setColorAt(1, QColor(40, 44, 50));
    p.setBrush(pg);
    p.drawPath(plateShape);
    // Lever from the pivot towards one end, ending in a round grip.
    const QPointF pivot(w / 2, h / 2);
    const qreal reach = h / 2 - w * 0.42;
    const QPointF grip(pivot.x(), pivot.y() + (up ? -reach : reach));
    const qreal bar = w * 0.34;
    QLinearGradient lg(pivot.x() - bar, 0, pivot.x() + bar, 0);
    lg.setColorAt(0, QColor(255, 236, 170));
    lg.setColorAt(0.45, QColor(214, 164, 58));
    lg.setColorAt(1, QColor(110, 72, 14));
    p.setPen(QPen(QColor(70, 44, 8), 1));
    p.setBrush(lg);
    p.drawRoundedRect(QRectF(pivot.x() - bar / 2, std::min(pivot.y(), grip.y()), bar, std::abs(grip.y() - pivot.y())),
                      bar / 2, bar / 2);
    QRadialGradient rg(grip - QPointF(w * 0.12, w * 0.14), w * 0.5);
    rg.setColorAt(0, QColor(255, 244, 200));
    rg.setColorAt(0.5, QColor(214, 164, 58));
    rg.setColorAt(1, QColor(110, 72, 14));
    p.setBrush(rg);
    p.drawEllipse(grip, w * 0.38, w * 0.38);
    QRadialGradient bg(pivot - QPointF(w * 0.08, w * 0.08), w * 0.32);
    bg.setColorAt(0, QColor(230, 232, 236));
    bg.setColorAt(1, QColor(70, 74, 82));
    p.setBrush(bg);
    p.setPen(QPen(QColor(20, 22, 26), 1));
    p.drawEllipse(pivot, w * 0.24, w * 0.24);
  }
  return WithShadow(img, QPoint(2, 2), 1, 150);
}

QImage SliderKnob(QSize size) {
  const qreal w = size.width() - 2, h = size.height() - 2;
  QImage img = Blank(size.width(), size.height());
  {
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, 0.5, w - 0.5, h - 0.5);
    QLinearGradient g(r.left(), 0, r.right(), 0);
    g.setColorAt(0, QColor(255, 236, 170));
    g.setColorAt(0.35, QColor(226, 178, 76));
    g.setColorAt(1, QColor(120, 80, 18));
    p.setPen(QPen(QColor(70, 44, 8), 1));
    p.setBrush(g);
    p.drawRoundedRect(r, w * 0.3, w * 0.3);
    // Grip grooves across the middle.
    const int grooves = 5;
    for (int i = 0; i < grooves; ++i) {
      const qreal y = h / 2 + (i - grooves / 2) * 3.0;
      p.setPen(QPen(QColor(80, 50, 8, 200), 1));
      p.drawLine(QPointF(w * 0.22, y), QPointF(w * 0.78, y));
      p.setPen(QPen(QColor(255, 240, 200, 150), 1));
      p.drawLine(QPointF(w * 0.22, y + 1), QPointF(w * 0.78, y + 1));
    }
  }
  return WithShadow(img, QPoint(2, 2), 1, 140);
}

void Hinge(QPainter& p, const QRectF& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 110));
  p.drawRoundedRect(r.translated(1, 2), r.width() / 2, r.width() / 2);
  QLinearGradient g(r.left(), 0, r.right(), 0);
  g.setColorAt(0, QColor(70, 74, 82));
  g.setColorAt(0.35, QColor(200, 204, 212));
  g.setColorAt(1, QColor(40, 43, 50));
  p.setBrush(g);
  p.drawRoundedRect(r, r.width() / 2, r.width() / 2);
  p.setPen(QPen(QColor(20, 22, 26, 180), 1));
  p.drawLine(QPointF(r.left() + 1, r.center().y()), QPointF(r.right() - 1, r.center().y()));
  p.restore();
}

void SliderTrack(QPainter& p, const QRectF& r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(r.left(), 0, r.right(), 0);
  g.setColorAt(0, QColor(6, 7, 9));
  g.setColorAt(1, QColor(30, 33, 38));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(r, r.width() / 2, r.width() / 2);
  p.restore();
  Bevel(p, r, 1, false, 90);
}

}  // namespace skin

// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel.h"

#include <QPainterPath>

#include "buttons.h"
#include "hardware.h"
#include "materials.h"
#include "pictograms.h"

namespace skin {

namespace {

constexpr int kW = 474, kH = 351;
const QRectF kNameStrip(70, 9, 333, 25);
const QRectF kList(17, 60, 395, 277);
const QPointF kSwitchAt(442, 13);
constexpr int kSwitchSide = 24;

// The lamp button of the light switch; lit, it is the look the panel shows beneath the
// switch while the light is on.
void Lamp(QPainter& p, QPointF at, bool lit) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = kSwitchSide - 2;
  const QRectF bezel(at.x() + 0.5, at.y() + 0.5, s - 1, s - 1);
  QLinearGradient bg(bezel.topLeft(), bezel.bottomRight());
  Stops(bg, {{0, QColor(220, 224, 230)}, {0.5, QColor(120, 126, 136)}, {1, QColor(40, 44, 52)}});
  p.setPen(QPen(QColor(16, 18, 22), 1));
  p.setBrush(bg);
  p.drawEllipse(bezel);
  const QRectF glass = bezel.adjusted(4, 4, -4, -4);
  QRadialGradient gg(glass.center() - QPointF(2, 2), glass.width() * 0.7);
  if (lit) Stops(gg, {{0, QColor(255, 250, 210)}, {0.45, QColor(255, 196, 70)}, {1, QColor(190, 100, 10)}});
  else Stops(gg, {{0, QColor(120, 96, 60)}, {0.5, QColor(70, 50, 24)}, {1, QColor(30, 22, 10)}});
  p.setPen(QPen(QColor(10, 10, 12), 1));
  p.setBrush(gg);
  p.drawEllipse(glass);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, lit ? 200 : 110));
  p.drawEllipse(QRectF(glass.left() + 2.5, glass.top() + 2, 4, 3));
  p.restore();
}

QImage SwitchPicture() {
  QImage img = Blank(kSwitchSide, kSwitchSide);
  {
    QPainter p(&img);
    Lamp(p, QPointF(0, 0), false);
  }
  return WithShadow(img, QPoint(1, 1), 1, 150);
}

void ListArea(QPainter& p) {
  QLinearGradient g(0, kList.top(), 0, kList.bottom());
  g.setColorAt(0, QColor(14, 18, 28));
  g.setColorAt(1, QColor(24, 30, 44));
  p.fillRect(kList, g);
  // Faint grain so the dark interior is not a flat fill.
  Noise n(0x115a);
  for (int i = 0; i < 900; ++i) {
    const QPointF at(kList.left() + n.Next() * kList.width(), kList.top() + n.Next() * kList.height());
    p.fillRect(QRectF(at, QSizeF(1, 1)), QColor(255, 255, 255, 4 + int(n.Next() * 6)));
  }
  // The drawer's glass: a faint diagonal reflection from the top-left light.
  QLinearGradient glass(kList.topLeft(), kList.topLeft() + QPointF(kList.height() * 0.9, kList.height()));
  Stops(glass, {{0.0, QColor(255, 255, 255, 0)},
                {0.30, QColor(255, 255, 255, 0)},
                {0.36, QColor(255, 255, 255, 16)},
                {0.46, QColor(255, 255, 255, 6)},
                {0.52, QColor(255, 255, 255, 0)},
                {1.0, QColor(255, 255, 255, 0)}});
  p.fillRect(kList, glass);
  Bevel(p, kList.adjusted(-3, -3, 3, 3), 3, false, 110);
}

void NameStrip(QPainter& p) {
  const QRectF holder = kNameStrip.adjusted(-4, -3, 4, 3);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(70, 44, 8), 1));
  p.setBrush(Brass(holder, -10));
  p.drawRoundedRect(holder, 3, 3);
  p.restore();
  QLinearGradient g(0, kNameStrip.top(), 0, kNameStrip.bottom());
  g.setColorAt(0, QColor(8, 10, 16));
  g.setColorAt(1, QColor(26, 32, 46));
  p.fillRect(kNameStrip, g);
  Bevel(p, kNameStrip, 1.5, false, 90);
}

QImage PanelPicture() {
  QImage img = Blank(kW, kH);
  QPainter p(&img);
  FillBrushed(p, QRectF(0, 0, kW, kH), QColor(56, 62, 74), 0x9a0e11);
  Bevel(p, QRectF(0, 0, kW, kH), 1.5, true, 80);
  NameStrip(p);
  DrawPictogram(p, Pictogram::Box, QRectF(30, 9, 26, 26).translated(1, 1), QColor(0, 0, 0, 150));
  DrawPictogram(p, Pictogram::Box, QRectF(30, 9, 26, 26), QColor(214, 168, 74));
  for (QPointF c : {QPointF(8, 8), QPointF(kW - 9, 8)}) Rivet(p, c, 2.4);
  Lamp(p, kSwitchAt + QPointF(1, 1), true);
  PaintPressedRow(p, kSmallButton, SmallButtons());
  ListArea(p);
  SliderTrack(p, QRectF(414, 64, 8, 274));
  // The seam to the next panel below.
  p.fillRect(QRectF(0, kH - 2, kW, 1), QColor(0, 0, 0, 170));
  return img;
}

// A warm glow from a lamp above the list, added to what lies beneath.
QImage LightPicture() {
  const int w = 456, h = 278;
  QImage img = Blank(w, h);
  img.fill(Qt::black);
  QPainter p(&img);
  p.setCompositionMode(QPainter::CompositionMode_Plus);
  QRadialGradient g(QPointF(w / 2.0, -30), w * 0.62);
  g.setColorAt(0, QColor(96, 70, 30));
  g.setColorAt(0.45, QColor(44, 30, 10));
  g.setColorAt(1, QColor(6, 4, 0));
  p.fillRect(img.rect(), g);
  QLinearGradient top(0, 0, 0, 24);
  top.setColorAt(0, QColor(60, 44, 16));
  top.setColorAt(1, QColor(0, 0, 0));
  p.fillRect(QRect(0, 0, w, 24), top);
  return img;
}

}  // namespace

void AddPanel(ResourceSet& set) {
  set.Add("sbox", PanelPicture());
  set.Add("light", LightPicture());
  set.Add("lsd", Door({QSize(215, 280), 7, false, 0x15d001, 10, true}));
  set.Add("rsd", Door({QSize(247, 280), 39, true, 0x45d001, 10, true}));
  set.AddMasked("shdown", "shdowna", Handle(QSize(20, 54), false));
  set.AddMasked("shup", "shupa", Handle(QSize(20, 54), true));
  set.AddMasked("sslider", "sslidera", SliderKnob(QSize(16, 48)));
  set.AddMasked("sblight", "sblighta", SwitchPicture());
}

}  // namespace skin

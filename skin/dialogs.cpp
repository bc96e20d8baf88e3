// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs.h"

#include <QFontMetricsF>
#include <QPainterPath>
#include <algorithm>
#include <optional>
#include <vector>

#include "hardware.h"
#include "materials.h"
#include "pictograms.h"

namespace skin {

namespace {

const QColor kDialogSteel(50, 55, 64);

struct DialogLook {
  const char* name;
  QSize size;
  std::optional<Pictogram> emblem;  // drawn in a round brass-rimmed well on the left
  std::uint32_t seed;
  std::optional<Pictogram> badge = std::nullopt;  // small, beside the title, where text fills the width
  std::vector<QRect> wells = {};                  // where the dialog's fields, lists and bars lie
};

// A sunken lip just outside a control, so fields sit in the steel rather than on it.
void Well(QPainter& p, const QRect& control) {
  const QRectF lip = QRectF(control).adjusted(-2, -2, 2, 2);
  p.fillRect(lip, QColor(8, 9, 12));
  Bevel(p, lip, 1, false, 120);
}

void Emblem(QPainter& p, QPointF c, Pictogram g, qreal r) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 90));
  p.drawEllipse(c + QPointF(1.5, 2), r + 1, r + 1);
  QConicalGradient rim(c, 135);
  rim.setColorAt(0, QColor(255, 236, 170));
  rim.setColorAt(0.5, QColor(110, 74, 18));
  rim.setColorAt(1, QColor(255, 236, 170));
  p.setBrush(rim);
  p.drawEllipse(c, r, r);
  QRadialGradient well(c - QPointF(6, 6), r * 1.2);
  well.setColorAt(0, QColor(44, 50, 62));
  well.setColorAt(1, QColor(14, 16, 22));
  p.setBrush(well);
  p.drawEllipse(c, r - 3, r - 3);
  p.restore();
  const qreal half = 15 * r / 26;
  const QRectF box(c.x() - half, c.y() - half, 2 * half, 2 * half);
  DrawPictogram(p, g, box.translated(1, 1), QColor(0, 0, 0, 160));
  DrawPictogram(p, g, box, QColor(246, 206, 110));
}

// A thin gold rule under the header area, where the first label starts.
void HeaderRule(QPainter& p, qreal width) {
  QLinearGradient g(0, 0, width, 0);
  g.setColorAt(0, QColor(200, 150, 60, 0));
  g.setColorAt(0.15, QColor(220, 170, 70, 200));
  g.setColorAt(0.85, QColor(220, 170, 70, 200));
  g.setColorAt(1, QColor(200, 150, 60, 0));
  p.fillRect(QRectF(6, 27, width - 12, 1), g);
  p.fillRect(QRectF(6, 28, width - 12, 1), QColor(0, 0, 0, 120));
}

void Title(QPainter& p, qreal width, std::optional<Pictogram> badge) {
  QFont f = SkinFont(11, true, true);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  const QRectF band(0, 4, width, 20);
  EngravedText(p, band, "KESTRAMO", f, QColor(150, 156, 168));
  if (!badge) return;
  const qreal textLeft = (width - QFontMetricsF(f).horizontalAdvance("KESTRAMO")) / 2;
  const QRectF at(textLeft - 24, 5, 17, 17);
  DrawPictogram(p, *badge, at.translated(1, 1), QColor(0, 0, 0, 150));
  DrawPictogram(p, *badge, at, QColor(226, 180, 86));
}

QImage Background(const DialogLook& d, bool header) {
  const int w = d.size.width(), h = d.size.height();
  QImage img = Blank(w, h);
  QPainter p(&img);
  QPainterPath outline;
  outline.addPolygon(CutOutline(w, h));
  outline.closeSubpath();
  FillBrushed(p, outline, kDialogSteel, d.seed);
  if (header) {
    HeaderRule(p, w);
    Title(p, w, d.badge);
  }
  Bevel(p, CutOutline(w, h), 2, true, 150);
  Bevel(p, CutOutline(w - 8, h - 8).translated(4, 4), 1, false, 70);
  for (QPointF c : {QPointF(9, 9), QPointF(w - 11, 11), QPointF(11, h - 11), QPointF(w - 9, h - 9)}) Rivet(p, c, 2.2);
  // Centred below the header; smaller in a dialog too low for the full well and its shadow.
  if (d.emblem) Emblem(p, QPointF(45, 30 + (h - 30) / 2.0), *d.emblem, std::min<qreal>(26, (h - 30) / 2.0 - 5));
  for (const QRect& r : d.wells) Well(p, r);
  return img;
}

// The about box: the safe's name large, a dial, and room for the line at (68,178).
QImage About() {
  const DialogLook d{"about", QSize(320, 240), std::nullopt, 0xab07};
  QImage img = Background(d, false);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  Dial(p, QPointF(64, 84), 42, -18);
  const QRectF plate(124, 58, 178, 52);
  BrassPlate(p, plate, 5);
  QFont f = SkinFont(22, true, true);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  EngravedText(p, plate, "KESTRAMO", f, QColor(60, 36, 4));
  EngravedText(p, QRectF(124, 116, 178, 20), "File Vault  1.0", SkinFont(12, true, false), QColor(205, 210, 220));
  QLinearGradient rule(0, 0, 320, 0);
  rule.setColorAt(0, QColor(220, 170, 70, 0));
  rule.setColorAt(0.5, QColor(220, 170, 70, 220));
  rule.setColorAt(1, QColor(220, 170, 70, 0));
  p.fillRect(QRectF(20, 160, 280, 1), rule);
  EngravedText(p, QRectF(20, 204, 280, 16), "Your files under lock and key", SkinFont(10, false, true),
               QColor(150, 156, 168));
  return img;
}

}  // namespace

void AddDialogs(ResourceSet& set) {
  static const DialogLook dialogs[] = {
      {"name", {301, 112}, Pictogram::Box, 0xd1a01, {}, {{90, 58, 202, 21}}},
      {"login", {279, 112}, Pictogram::Key, 0xd1a02, {}, {{90, 56, 180, 21}}},
      {"password", {282, 152}, Pictogram::Key, 0xd1a03, {}, {{90, 56, 180, 21}, {90, 98, 180, 21}}},
      {"confirm", {315, 101}, Pictogram::Help, 0xd1a04},
      {"message", {301, 100}, Pictogram::Exclamation, 0xd1a05},
      {"inform", {301, 100}, Pictogram::About, 0xd1a0d},  // a message that tells of a success
      {"comment", {316, 186}, Pictogram::Note, 0xd1a06, {}, {{90, 56, 215, 97}}},
      {"find", {422, 264}, std::nullopt, 0xd1a07, Pictogram::Find, {{10, 57, 175, 21}, {10, 97, 398, 135}}},
      {"browse", {341, 307}, std::nullopt, 0xd1a08, Pictogram::Folder, {{10, 73, 320, 200}}},
      {"overwrite", {400, 150}, Pictogram::Help, 0xd1a0a},
      {"note", {301, 72}, Pictogram::Box, 0xd1a0b},
      {"harden", {380, 270}, Pictogram::Key, 0xd1a0c, {}, {{90, 120, 280, 21}, {90, 162, 280, 21}, {90, 212, 280, 14}}},
  };
  for (const DialogLook& d : dialogs) set.Add(d.name, Background(d, true));
  // The status window: wells for the progress bar and around (not over) the animation.
  const DialogLook status{"status", {317, 92}, std::nullopt, 0xd1a09, {}, {{85, 39, 220, 17}}};
  QImage statusBack = Background(status, false);
  {
    QPainter p(&statusBack);
    Bevel(p, QRectF(8, 12, 68, 57), 2, false, 110);
  }
  set.Add("status", statusBack);
  set.Add("about", About());
}

}  // namespace skin

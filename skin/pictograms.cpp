// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictograms.h"

#include <QPainterPath>
#include <algorithm>

#include "materials.h"

namespace skin {

namespace {

// A closed carton seen slightly from above, the base of three pictograms.
QPainterPath Crate(qreal x, qreal y, qreal w, qreal h) {
  const qreal d = std::min(w, h) * 0.3;  // depth of the top and side faces
  QPainterPath path;
  path.addRect(x, y + d, w - d, h - d);
  path.moveTo(x, y + d);
  path.lineTo(x + d, y);
  path.lineTo(x + w, y);
  path.lineTo(x + w - d, y + d);
  path.moveTo(x + w, y);
  path.lineTo(x + w, y + h - d);
  path.lineTo(x + w - d, y + h);
  path.moveTo(x + (w - d) * 0.5, y + d);
  path.lineTo(x + (w - d) * 0.5 + d * 0.5, y + d * 0.5);
  return path;
}

QPainterPath Plus(QPointF c, qreal r) {
  return Strokes({{c - QPointF(r, 0), c + QPointF(r, 0)}, {c - QPointF(0, r), c + QPointF(0, r)}});
}

QPainterPath Cross(QPointF c, qreal r) {
  return Strokes({{c - QPointF(r, r), c + QPointF(r, r)}, {c + QPointF(r, -r), c - QPointF(r, -r)}});
}

QPainterPath Page() { return FoldedPage(QRectF(3, 1, 10, 14), 3.5); }

QPainterPath Folder() { return Polyline({{1, 3}, {6, 3}, {7.5, 5}, {15, 5}, {15, 14}, {1, 14}}, true); }

QPainterPath KeyShape() {
  QPainterPath path;
  path.addEllipse(QPointF(4.5, 8), 3.2, 3.2);
  path.moveTo(7.7, 8);
  path.lineTo(15, 8);
  path.moveTo(12.5, 8);
  path.lineTo(12.5, 11);
  path.moveTo(14.5, 8);
  path.lineTo(14.5, 10.5);
  return path;
}

// Glyph-like marks (?, !, i) drawn as text so they have proper curves.
void Glyph(QPainter& p, const QString& s, QColor ink, bool serif) {
  QFont f(serif ? "DejaVu Serif" : "DejaVu Sans");
  f.setBold(true);
  f.setPixelSize(15);
  p.setFont(f);
  p.setPen(ink);
  p.drawText(QRectF(0, 0, 16, 16.5), Qt::AlignCenter, s);
}

QPainterPath Outline(Pictogram g) {
  QPainterPath path;
  switch (g) {
    case Pictogram::NewBox:
      path = Crate(1, 5.5, 11, 9.5);
      path.addPath(Plus({12.8, 3.2}, 2.5));
      break;
    case Pictogram::DeleteBox:
      path = Crate(1, 5.5, 11, 9.5);
      path.addPath(Cross({13, 3}, 2.1));
      break;
    case Pictogram::Box: path = Crate(1.5, 2.5, 13, 12); break;
    case Pictogram::Find:
      path.addEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
      path.addPath(Strokes({{{9.8, 9.8}, {14.5, 14.5}}}));
      break;
    case Pictogram::Key: path = KeyShape(); break;
    case Pictogram::Minimise: path = Strokes({{{3, 13}, {13, 13}}}); break;
    case Pictogram::Power:
      path.arcMoveTo(2.5, 3.5, 11, 11, 125);
      path.arcTo(2.5, 3.5, 11, 11, 125, 290);
      path.addPath(Strokes({{{8, 1.5}, {8, 8}}}));
      break;
    case Pictogram::AddFiles:
      path = Page();
      path.addPath(Plus({8, 10}, 2.6));
      break;
    case Pictogram::AddFolder:
      path = Folder();
      path.addPath(Plus({8, 9.5}, 2.6));
      break;
    case Pictogram::Extract:
      path =
          Strokes({{{1.5, 8}, {1.5, 15}, {14.5, 15}, {14.5, 8}}, {{8, 12}, {8, 1.5}}, {{4.5, 5}, {8, 1.5}, {11.5, 5}}});
      break;
    case Pictogram::Bin:
      path = Strokes({{{2, 3.5}, {14, 3.5}},
                      {{6, 3.5}, {6.5, 1.5}, {9.5, 1.5}, {10, 3.5}},
                      {{3.5, 3.5}, {4.5, 15}, {11.5, 15}, {12.5, 3.5}},
                      {{6.5, 6}, {6.8, 12.5}},
                      {{9.5, 6}, {9.2, 12.5}}});
      break;
    case Pictogram::Comment:
      path.addRoundedRect(1, 2, 14, 9.5, 2.5, 2.5);
      path.addPath(Strokes({{{4, 11.5}, {3.5, 15}, {7.5, 11.5}}, {{4, 5.5}, {12, 5.5}}, {{4, 8}, {10, 8}}}));
      break;
    case Pictogram::Folder: path = Folder(); break;
    case Pictogram::Note:
      path = Page();
      path.addPath(Strokes({{{5, 7}, {11, 7}}, {{5, 9.5}, {11, 9.5}}, {{5, 12}, {11, 12}}}));
      break;
    default: break;
  }
  return path;
}

}  // namespace

void DrawPictogram(QPainter& p, Pictogram g, const QRectF& box, QColor ink) {
  const qreal side = std::min(box.width(), box.height());
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.translate(box.center() - QPointF(side / 2, side / 2));
  p.scale(side / 16.0, side / 16.0);
  switch (g) {
    case Pictogram::Help: Glyph(p, "?", ink, false); break;
    case Pictogram::About: Glyph(p, "i", ink, true); break;
    case Pictogram::Exclamation: Glyph(p, "!", ink, false); break;
    default: {
      // Thin pictures get thicker strokes so they hold up when small.
      const qreal width = std::clamp(24.0 / side, 1.4, 2.1);
      p.setPen(QPen(ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.setBrush(Qt::NoBrush);
      p.drawPath(Outline(g));
    }
  }
  p.restore();
}

}  // namespace skin

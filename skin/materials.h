// SPDX-License-Identifier: GPL-3.0-or-later
// Shared materials of the skin: brushed steel, polished brass, bevels, rivets and shadows.
// Every texture is seeded so that two builds draw identical pictures.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRectF>
#include <cstdint>
#include <initializer_list>

namespace skin {

// Small deterministic generator (xorshift) for streaks and grain.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state_(seed ? seed : 0x9e3779b9u) {}
  double Next();  // uniform in [0, 1)
  double Signed() { return Next() * 2.0 - 1.0; }

 private:
  std::uint32_t state_;
};

// The scale pictures are drawn at: 1 for ordinary screens, 1.5 or 2 for dense ones. Drawing
// code works in logical pixels; Blank() makes pictures with `scale` device pixels per logical
// pixel, so the same drawing comes out sharp at every scale.
void SetDrawScale(qreal scale);
qreal DrawScale();

// A blank transparent picture in the format every picture of the skin uses, w x h logical
// pixels at the drawing scale.
QImage Blank(int w, int h);

// A picture's width and height in logical pixels.
QSize LogicalSize(const QImage& picture);

// Fills `area` with brushed metal of the given base colour: fine horizontal streaks,
// a vertical light fall-off (light from the top) and slight grain.
void FillBrushed(QPainter& p, const QPainterPath& area, QColor base, std::uint32_t seed);
void FillBrushed(QPainter& p, const QRectF& area, QColor base, std::uint32_t seed);

// Polished brass: a vertical gradient with a bright band near the top.
QLinearGradient Brass(const QRectF& r, int shade = 0);
QLinearGradient Brass(qreal top, qreal bottom, int shade = 0);

// A bevel `width` pixels wide just inside the outline: light on the top/left edges,
// dark on the bottom/right ones; `raised` false swaps them (an engraved recess).
void Bevel(QPainter& p, const QPolygonF& outline, qreal width, bool raised, int strength = 110);
void Bevel(QPainter& p, const QRectF& r, qreal width, bool raised, int strength = 110);

// A domed rivet lit from the top-left.
void Rivet(QPainter& p, QPointF centre, qreal radius);

// A path through the points, closed or open.
QPainterPath Polyline(std::initializer_list<QPointF> points, bool closed);

// Several open polylines in one path (strokes of a pictogram).
QPainterPath Strokes(std::initializer_list<std::initializer_list<QPointF>> lines);

// The outline of a sheet of paper with its top-right corner folded over.
QPainterPath FoldedPage(const QRectF& r, qreal fold);

// Sets a gradient's colour stops in one go.
void Stops(QGradient& g, std::initializer_list<QGradientStop> stops);

// A polished brass plate with a soft shadow, for names and labels.
void BrassPlate(QPainter& p, const QRectF& r, qreal radius);

// The 6-corner outline of every window: 4-pixel cuts at bottom-left and top-right.
QPolygonF CutOutline(qreal w, qreal h, qreal cut = 4);

// Text pressed into metal: a light lip below-right, a dark core.
void EngravedText(QPainter& p, const QRectF& r, const QString& text, const QFont& f, QColor core,
                  int flags = Qt::AlignCenter);

// Adds a soft shadow of `shape`'s alpha under it (offset down-right, box blurred).
QImage WithShadow(const QImage& shape, QPoint offset, int blur, int opacity);

// The grey mask whose intensity equals the picture's alpha, and the picture made opaque
// with its true (unpremultiplied) colours, as the program recombines them.
QImage MaskOf(const QImage& picture);
QImage Opaque(const QImage& picture);

// The program's rule for recombining a picture and its mask.
int Intensity(QRgb c);
QImage ApplyMask(const QImage& picture, const QImage& mask);

QFont SkinFont(int pixelSize, bool bold = true, bool serif = false);

}  // namespace skin

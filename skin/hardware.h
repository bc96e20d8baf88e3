// SPDX-License-Identifier: GPL-3.0-or-later
// The safe's moving hardware: doors, handles, slider knobs, the dial and hinges.
#pragma once

#include <QImage>
#include <QPainter>
#include <QSize>
#include <cstdint>

namespace skin {

struct DoorShape {
  QSize size;
  int strip;         // columns that stay visible when the door is open
  bool stripOnLeft;  // the right door keeps its left edge, the left door its right edge
  std::uint32_t seed;
  qreal inset;           // margin of the recessed centre panel
  bool louvres = false;  // pressed horizontal slats across the centre panel
};

// A brushed steel door with a recessed panel, corner rivets and the edge that stays
// visible when open (a raised stile on the right door, a brass trim on the left one).
QImage Door(const DoorShape& door);

// A combination dial lit from the top-left.
void Dial(QPainter& p, QPointF centre, qreal radius, qreal turn = 0);

// A lever on an escutcheon: at rest it hangs down, pulled it points up.
QImage Handle(QSize size, bool up);

// A brass slider knob with grip grooves and a soft shadow.
QImage SliderKnob(QSize size);

// A hinge knuckle fixed to the body.
void Hinge(QPainter& p, const QRectF& r);

// A sunken groove in which a slider runs.
void SliderTrack(QPainter& p, const QRectF& r);

}  // namespace skin

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

#include "mainwindow/box_views.h"

namespace kestramo {

// Where a box's item list starts for its slider position: the first row drawn and its top.
// The list scrolls by whole rows, so the first row drawn always starts at the list's top.
struct PanelScroll {
  int32_t FirstRow;
  int32_t FirstRowTop;
};
PanelScroll ScrollFor(int32_t itemCount, float sliderOffset);
// The slider position that shows `firstRow` first (kept within the list's ends).
float SliderOffsetFor(int32_t itemCount, int32_t firstRow);

// Which box the first panel shows, and how far the column of panels is scrolled past it,
// for the big slider standing at `sliderTop` (its travel is 66 to 356).
struct BoxScroll {
  int TopBox;
  float Offset;
};
BoxScroll BoxScrollFor(int boxCount, float sliderTop);

// Draws a box's name and item list into a panel picture (panel coordinates), restoring the
// background from the pristine panel picture. Also stores the scroll state in the box.
// `dropTarget` frames the name strip: what is dragged over the panel goes into this box.
void DrawBoxPanel(QImage& target, const QImage& pristine, BoxView& box, const BoxViews& views, bool selectedBox,
                  bool dropTarget = false);

// What the first panel of a vault without boxes says in its name strip.
inline constexpr const char* kFirstBoxHint = "No box yet: the first button above the safe makes one";
// What the list of a box without items says.
inline constexpr const char* kEmptyBoxHint =
    "This box is empty.\nAdd with Files or Folder above,\nor drop files and folders here.";
// What the closed safe of an empty vault says on its left door.
inline constexpr const char* kClosedSafeHint =
    "Your vault is empty.\nThe handle opens the safe;\nthe first button above makes a box.";
// The plate that carries it: dark steel with a brass edge, transparent around.
QImage ClosedSafePlate();
// The empty panel of a vault without boxes, with the hint dimmed in its name strip.
QImage EmptyPanel(const QImage& pristine);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
// Small pictures: the three hand cursors, the picture-document icon and the program icon.
#pragma once

#include <QImage>
#include <QPoint>

#include "resource_set.h"

namespace skin {

// Hot spots of the cursors: the fingertip for the pointing hand, the palm for the others.
inline constexpr QPoint kPointHotSpot{10, 1};
inline constexpr QPoint kOpenHotSpot{15, 15};
inline constexpr QPoint kGrabHotSpot{15, 15};

void AddIcons(ResourceSet& set);

// The program's icon, size x size pixels.
QImage ProgramIcon(int size);

// The sizes of the icon installed for the desktop's menus and docks.
inline constexpr int kDesktopIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

}  // namespace skin

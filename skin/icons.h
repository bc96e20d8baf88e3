// Small pictures: the three hand cursors, the picture-document icon and the program icon.
#pragma once

#include <QPoint>

#include "resource_set.h"

namespace skin {

// Hot spots of the cursors: the fingertip for the pointing hand, the palm for the others.
inline constexpr QPoint kPointHotSpot{10, 1};
inline constexpr QPoint kOpenHotSpot{15, 15};
inline constexpr QPoint kGrabHotSpot{15, 15};

void AddIcons(ResourceSet& set);

}  // namespace skin

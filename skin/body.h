// SPDX-License-Identifier: GPL-3.0-or-later
// The safe's body with its window, and the parts that lie on it: big doors, the big
// handle and the big slider.
#pragma once

#include <QRect>

#include "resource_set.h"

namespace skin {

inline constexpr QRect kSafeWindow{16, 60, 474, 351};  // where the panels show through

void AddBody(ResourceSet& set);

}  // namespace skin

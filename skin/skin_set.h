// SPDX-License-Identifier: GPL-3.0-or-later
// Every picture of the skin, drawn in one go.
#pragma once

#include "resource_set.h"

namespace skin {

// The scales the skin is drawn at besides 1, for dense screens.
inline constexpr qreal kDenseScales[] = {1.5, 2.0};

// The pictures at one scale. Cursors and the pictures stored into items (the default item
// icon) exist at scale 1 only: they are not drawn by the window.
ResourceSet DrawSkin(qreal scale = 1);

// The skin at scale 1 with every dense copy beside it ("name@1.5x", "name@2x").
ResourceSet DrawAllScales();

}  // namespace skin

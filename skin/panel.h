// SPDX-License-Identifier: GPL-3.0-or-later
// A box panel and the parts lying on it: small doors, their handle, the light and its
// switch, and the item slider.
#pragma once

#include "resource_set.h"

namespace skin {

void AddPanel(ResourceSet& set);

}  // namespace skin

// SPDX-License-Identifier: GPL-3.0-or-later
// Backgrounds of the skinned dialogs: dark steel cut to the window outline, with a
// bevelled border and an emblem in the free area on the left.
#pragma once

#include "resource_set.h"

namespace skin {

void AddDialogs(ResourceSet& set);

}  // namespace skin

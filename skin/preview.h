// SPDX-License-Identifier: GPL-3.0-or-later
// Composites for looking at the skin as the program shows it: the main window with
// doors shut and open, every dialog with stand-in controls, the strips enlarged.
#pragma once

#include <QString>

#include "resource_set.h"

namespace skin {

bool WritePreviews(const ResourceSet& set, const QString& dir);

}  // namespace skin

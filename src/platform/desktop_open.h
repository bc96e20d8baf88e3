// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kestramo {

// Opens a document with the program the desktop names for its type. False when the desktop
// has none (no opener installed, or no program for the type), so that the caller can show
// the document itself instead of nothing.
bool OpenWithDesktop(const QString& file);

}  // namespace kestramo

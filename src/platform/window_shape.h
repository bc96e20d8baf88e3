// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRegion>

class QWidget;

namespace kestramo {

// True where windows cannot be given an X shape (a native Wayland session): their cut
// outline then comes from an alpha channel instead.
bool ShapesByAlpha();

// Gives a skinned window its outline. The mask keeps clicks and painting inside it; on
// Wayland the window also gets an alpha channel, so that what lies outside the outline
// (the cut corners) is transparent rather than black.
void ShapeWindow(QWidget& window, const QRegion& outline);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

namespace kestramo {

enum class FaceState { Idle, Down, Disabled, Hover };

// The skin's face "btn_<caption>_<state>" of a dialog button; while the skin lacks it, a
// plain face of the button's size with the caption, so that dialogs stay usable.
QImage ButtonFace(const QString& caption, FaceState state);

// Width of the button faces: the short captions are 51 pixels wide, the others 88; all are 14 high.
QSize ButtonFaceSize(const QString& caption);

}  // namespace kestramo

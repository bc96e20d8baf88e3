// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kestramo {

// What a layer of the safe does, with its key where it has one, as its tooltip says it;
// empty for layers that are no control.
QString LayerHint(int number);

// Whether a layer is a button of the top row or of a panel.
bool IsButtonLayer(int number);

}  // namespace kestramo

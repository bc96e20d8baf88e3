// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "kestramo/status.h"

class QWidget;

namespace kestramo {

// Says what became of a change the user made: nothing when it reached the disk; that the
// index could not be saved (`unsaved`: the vault still holds the change) with the storage's
// reason; or why the change was refused or did not last. True only when it was saved.
bool ReportChange(const api::Status& status, bool unsaved, QWidget* parent);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kestramo {

// The folder a chooser last took something from, per purpose ("add-files"), kept across
// runs in the user's settings; Home when none was kept or it has gone.
QString RememberedFolder(const QString& purpose);
void RememberFolder(const QString& purpose, const QString& folder);

}  // namespace kestramo

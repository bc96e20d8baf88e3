// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace kestramo {

// The files to add, chosen in the desktop's chooser (titled "Add files") opening in `folder`;
// empty when the user cancelled. Where the toolkit draws the chooser itself, its dates read
// as the safe's list writes them.
QStringList ChooseFilesToAdd(QWidget* parent, const QString& folder);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace kestramo {

// A file the program ships (the skin, the manual), by its path relative to the program:
// beside the executable in a program folder of its own, else in the shared data folder of a
// program installed for the whole system. Where neither has it, the path beside the executable.
QString ProgramFile(const QString& relative);

}  // namespace kestramo

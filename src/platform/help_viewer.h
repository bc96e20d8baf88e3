// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace kestramo {

// The manual in a window of the program, opened at its table of contents.
class HelpViewer {
 public:
  // Does nothing when the manual is missing.
  static void Show(const QString& file, QWidget* parent);
};

}  // namespace kestramo

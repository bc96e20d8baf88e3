// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/composed_text.h"

#include <QString>

namespace kestramo::cli {

std::string Composed(const std::string& text) {
  const QString wide = QString::fromStdString(text);
  if (wide.toStdString() != text) return text;  // not UTF-8: nothing to compose, nothing to lose
  return wide.normalized(QString::NormalizationForm_C).toStdString();
}

}  // namespace kestramo::cli

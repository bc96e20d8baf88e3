// SPDX-License-Identifier: GPL-3.0-or-later
#include "controls/view_texts.h"

#include <QLocale>
#include <cmath>

namespace kestramo {

namespace {

// Digits with the system's thousands separators, placed by hand: the "C" locale omits them.
QString Grouped(int64_t value) {
  QString digits = QString::number(value);
  const QString sep = QLocale::system().groupSeparator();
  for (qsizetype i = digits.size() - 3; i > 0 && digits[i - 1].isDigit(); i -= 3) digits.insert(i, sep);
  return digits;
}

}  // namespace

QString SizeText(int64_t bytes) {
  // Up to 10 GB in KB as always; beyond, so many KB digits no longer read at a glance.
  constexpr int64_t kGigabyte = int64_t{1} << 30;
  if (bytes > 10 * kGigabyte) {
    const auto tenths = static_cast<int64_t>(std::llround(static_cast<double>(bytes) * 10.0 / kGigabyte));
    return Grouped(tenths / 10) + QLocale::system().decimalPoint() + QString::number(tenths % 10) +
           QStringLiteral(" GB");
  }
  if (bytes > 0 && bytes < 1024) bytes = 1024;
  return Grouped(std::llround(static_cast<double>(bytes) / 1024.0)) + QStringLiteral(" KB");
}

QString DateText(const api::LocalDateTime& when) {
  const auto c = when.ToCivil();
  QString text = QStringLiteral("%1/%2/%3").arg(c.month).arg(c.day).arg(c.year % 100, 2, 10, QLatin1Char('0'));
  if (c.hour == 0 && c.minute == 0 && c.second == 0) return text;
  const int hour12 = c.hour % 12 == 0 ? 12 : c.hour % 12;
  return text + QStringLiteral(" %1:%2 %3")
                    .arg(hour12)
                    .arg(c.minute, 2, 10, QLatin1Char('0'))
                    .arg(c.hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM"));
}

}  // namespace kestramo

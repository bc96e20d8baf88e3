// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/overall_progress.h"

#include <algorithm>

namespace kestramo {

namespace {

constexpr double kMegabyte = 1024.0 * 1024.0;

}  // namespace

uint64_t OverallProgress::Done(double fraction) const {
  return doneBefore + static_cast<uint64_t>(static_cast<double>(itemBytes) * std::clamp(fraction, 0.0, 1.0));
}

QString OverallProgress::ItemText(double fraction) const {
  // Empty items count by their number, so the percentage still moves.
  const double part = totalBytes > 0 ? static_cast<double>(Done(fraction)) / static_cast<double>(totalBytes)
                                     : (item - 1 + std::clamp(fraction, 0.0, 1.0)) / std::max(items, 1);
  return QStringLiteral("Item %1 of %2 · %3 %").arg(item).arg(items).arg(static_cast<int>(part * 100));
}

QString OverallProgress::BytesText(double fraction) const {
  return QStringLiteral("%1 of %2 MB")
      .arg(static_cast<double>(Done(fraction)) / kMegabyte, 0, 'f', 1)
      .arg(static_cast<double>(totalBytes) / kMegabyte, 0, 'f', 1);
}

uint64_t BytesBelow(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::is_regular_file(path, ec)) return fs::file_size(path, ec);
  uint64_t sum = 0;
  for (fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    std::error_code one;
    if (it->is_regular_file(one)) sum += it->file_size(one);
  }
  return sum;
}

}  // namespace kestramo

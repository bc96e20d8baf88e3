// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>

namespace kestramo {

// How far a command of several items is, as the status dialog tells it: which item of how
// many, and the bytes done of all of them.
struct OverallProgress {
  int item = 0;  // counted from 1; 0 when the command is not one of several known items
  int items = 0;
  uint64_t doneBefore = 0;  // bytes of the items before this one
  uint64_t itemBytes = 0;
  uint64_t totalBytes = 0;

  // `fraction` (0 to 1) of the present item done: "Item 2 of 5 · 40 %".
  QString ItemText(double fraction) const;
  // "12.3 of 27.0 MB".
  QString BytesText(double fraction) const;
  uint64_t Done(double fraction) const;
};

// The bytes of a file, or of every file below a folder; what cannot be read counts as 0.
uint64_t BytesBelow(const std::filesystem::path& path);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace kestramo {

// Matches `text` against `pattern`, where `anyRun` stands for any run of elements and
// `anyOne` for exactly one. Backtracks only to the last run wildcard, so it stays linear
// in practice and never explodes on hostile patterns. `same` compares two elements.
template <typename Seq, typename Elem, typename Same>
bool WildcardMatches(const Seq& pattern, const Seq& text, Elem anyRun, Elem anyOne, Same same) {
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t p = 0, t = 0, runP = kNone, runT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == anyRun) {
      runP = p++;
      runT = t;
    } else if (p < pattern.size() && (pattern[p] == anyOne || same(pattern[p], text[t]))) {
      ++p;
      ++t;
    } else if (runP != kNone) {
      p = runP + 1;
      t = ++runT;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == anyRun) ++p;
  return p == pattern.size();
}

}  // namespace kestramo

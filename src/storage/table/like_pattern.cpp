#include "storage/table/like_pattern.h"

#include "storage/text/utf8.h"

namespace kestramo {

LikePattern::LikePattern(std::string_view pattern, bool caseInsensitive)
    : pattern_(caseInsensitive ? FoldCase(pattern) : Utf8Decode(pattern)), caseInsensitive_(caseInsensitive) {}

bool LikePattern::Matches(std::string_view textBytes) const {
  const std::u32string text = caseInsensitive_ ? FoldCase(textBytes) : Utf8Decode(textBytes);
  // Greedy matching that backtracks only to the last "%": linear in practice, never exponential.
  std::size_t p = 0, t = 0, starP = std::u32string::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern_.size() && pattern_[p] == U'%') {
      starP = p++;
      starT = t;
    } else if (p < pattern_.size() && (pattern_[p] == U'_' || pattern_[p] == text[t])) {
      ++p;
      ++t;
    } else if (starP != std::u32string::npos) {
      p = starP + 1;
      t = ++starT;
    } else {
      return false;
    }
  }
  while (p < pattern_.size() && pattern_[p] == U'%') ++p;
  return p == pattern_.size();
}

}  // namespace kestramo

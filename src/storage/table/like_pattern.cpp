// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/table/like_pattern.h"

#include "storage/text/utf8.h"
#include "storage/text/wildcard.h"

namespace kestramo {

LikePattern::LikePattern(std::string_view pattern, bool caseInsensitive)
    : pattern_(caseInsensitive ? api::FoldCase(pattern) : api::Utf8Decode(pattern)),
      caseInsensitive_(caseInsensitive) {}

bool LikePattern::Matches(std::string_view textBytes) const {
  const std::u32string text = caseInsensitive_ ? api::FoldCase(textBytes) : api::Utf8Decode(textBytes);
  return WildcardMatches(pattern_, text, U'%', U'_', [](char32_t a, char32_t b) { return a == b; });
}

}  // namespace kestramo

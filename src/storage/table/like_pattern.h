// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace kestramo {

// A LIKE pattern: "%" matches any run of characters, "_" any one character.
class LikePattern {
 public:
  LikePattern(std::string_view pattern, bool caseInsensitive);
  bool Matches(std::string_view text) const;

 private:
  std::u32string pattern_;
  bool caseInsensitive_;
};

}  // namespace kestramo

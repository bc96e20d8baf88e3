// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace kestramo::cli {

// A text made safe for one line of a terminal or a script: tab, carriage return, line feed
// and the backslash become \t, \r, \n and \\; every other control character (C0, DEL, C1),
// the line and paragraph separators, the bidirectional controls and any byte that is not
// UTF-8 become \xHH (a byte) or \uHHHH (a character). Nothing else changes.
std::string Escaped(std::string_view text);

// "1 item", "2 items"; `plural` defaults to the singular with an "s".
std::string Counted(std::size_t n, const std::string& singular, const std::string& plural = "");

// "Re-sealed 3 of 8 items" on standard error: a terminal sees the count redrawn in place; a
// log or a pipe gets only the final line.
std::function<void(std::size_t, std::size_t)> ProgressLine(const char* verb);

}  // namespace kestramo::cli

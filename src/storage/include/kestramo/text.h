// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kestramo::api {

// Index texts are UTF-8; limits count characters, and a cut never splits a sequence.
std::size_t Utf8Length(std::string_view text);
std::string Utf8Truncate(std::string_view text, std::size_t maxChars);

// Decodes to code points; an invalid byte stands for itself (as Latin-1), so nothing is lost.
std::u32string Utf8Decode(std::string_view text);
std::string Utf8Encode(std::u32string_view text);

// Simple case folding (ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic) for
// case-insensitive comparisons of names and comments.
char32_t FoldCase(char32_t c);
std::u32string FoldCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Leading and trailing blanks (spaces and control characters) removed.
std::string Trim(std::string_view text);

}  // namespace kestramo::api

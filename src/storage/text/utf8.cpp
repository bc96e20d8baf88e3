// SPDX-License-Identifier: GPL-3.0-or-later
#include "kestramo/text.h"

namespace kestramo {
namespace {

// Length of the sequence starting at text[i], or 0 when it is not a valid sequence.
std::size_t SequenceLength(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  std::size_t len = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (len == 0 || i + len > text.size()) return len == 1 ? 1 : 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  }
  return len;
}

}  // namespace

std::size_t api::Utf8Length(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++count) {
    const std::size_t len = SequenceLength(text, i);
    i += len == 0 ? 1 : len;
  }
  return count;
}

std::string api::Utf8Truncate(std::string_view text, std::size_t maxChars) {
  std::size_t i = 0;
  for (std::size_t count = 0; i < text.size() && count < maxChars; ++count) {
    const std::size_t len = SequenceLength(text, i);
    i += len == 0 ? 1 : len;
  }
  return std::string(text.substr(0, i));
}

std::u32string api::Utf8Decode(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = SequenceLength(text, i);
    const auto lead = static_cast<unsigned char>(text[i]);
    if (len <= 1) {
      out.push_back(lead);
      ++i;
      continue;
    }
    char32_t cp = lead & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    out.push_back(cp);
    i += len;
  }
  return out;
}

std::string api::Utf8Encode(std::u32string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char32_t cp : text) {
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

char32_t api::FoldCase(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;  // Latin-1
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x138) {  // Latin Extended-A
    const bool oddLower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddLower) return (c % 2 == 1) ? c + 1 : c;
    return (c % 2 == 0) ? c + 1 : c;
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
  if (c >= 0x410 && c <= 0x42F) return c + 32;                // Cyrillic
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  return c;
}

std::u32string api::FoldCase(std::string_view text) {
  std::u32string folded = api::Utf8Decode(text);
  for (char32_t& c : folded) c = api::FoldCase(c);
  return folded;
}

bool api::EqualsIgnoreCase(std::string_view a, std::string_view b) { return api::FoldCase(a) == api::FoldCase(b); }

std::string api::Trim(std::string_view text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/output_text.h"

#include <unistd.h>

#include <iostream>

#include <cstdint>
#include <cstdio>

namespace kestramo::cli {

namespace {

// The length of the UTF-8 sequence at `i` and its character, or 0 when it is not one.
std::size_t DecodeAt(std::string_view text, std::size_t i, char32_t& c) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  const std::size_t length = lead >= 0xF0 && lead < 0xF5 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (length == 0 || lead >= 0xF5 || i + length > text.size()) return 0;
  c = lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
    c = (c << 6) | (byte(i + k) & 0x3F);
  }
  const char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < smallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return length;
}

// Characters that move the cursor, change the terminal or reorder what follows them.
bool Unsafe(char32_t c) {
  return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
         (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// "\x" and two hexadecimal digits, or "\u" and four.
std::string Hex(bool wide, unsigned value) {
  char text[16];
  if (wide) std::snprintf(text, sizeof text, "\\u%04X", value);
  else std::snprintf(text, sizeof text, "\\x%02X", value);
  return text;
}

}  // namespace

std::string Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    char32_t c = b;
    const std::size_t length = b < 0x80 ? 1 : DecodeAt(text, i, c);
    if (length == 0) {
      out += Hex(false, b);  // not UTF-8: the byte, shown
      ++i;
      continue;
    }
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (!Unsafe(c)) out.append(text.substr(i, length));
        else out += Hex(c >= 0x80, static_cast<unsigned>(c));
    }
    i += length;
  }
  return out;
}

std::string Counted(std::size_t n, const std::string& singular, const std::string& plural) {
  return std::to_string(n) + " " + (n == 1 ? singular : plural.empty() ? singular + "s" : plural);
}

std::function<void(std::size_t, std::size_t)> ProgressLine(const char* verb) {
  const bool tty = ::isatty(2) != 0;
  return [verb, tty](std::size_t item, std::size_t total) {
    if (!tty && item != total) return;
    std::cerr << (tty ? "\r" : "") << verb << " " << item << " of " << total << " items" << (item == total ? "\n" : "")
              << std::flush;
  };
}

}  // namespace kestramo::cli

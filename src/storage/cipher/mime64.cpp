// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cipher/mime64.h"

#include <array>
#include <cstdint>

namespace kestramo {
namespace {

constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
// Characters that a decoder accepts besides the digits and "=", and then skips.
constexpr std::string_view kSeparators = " $()[]{},;:-_\\*\"'\t\n\r";

constexpr int kPad = -2;
constexpr int kSkip = -3;
constexpr int kRejected = -4;

constexpr std::array<int, 256> MakeClasses() {
  std::array<int, 256> classes{};
  classes.fill(kRejected);
  for (char c : kSeparators) classes[static_cast<uint8_t>(c)] = kSkip;
  classes['='] = kPad;
  for (int i = 0; i < 64; ++i) classes[static_cast<uint8_t>(kDigits[i])] = i;
  return classes;
}

constexpr std::array<int, 256> kClasses = MakeClasses();

}  // namespace

std::string Mime64::Encode(const uint8_t* data, size_t n) {
  std::string out;
  out.reserve((n + 2) / 3 * 4);
  for (size_t i = 0; i < n; i += 3) {
    const size_t left = n - i;
    const uint32_t group = (uint32_t{data[i]} << 16) | (left > 1 ? uint32_t{data[i + 1]} << 8 : 0) |
                           (left > 2 ? uint32_t{data[i + 2]} : 0);
    out += kDigits[(group >> 18) & 63];
    out += kDigits[(group >> 12) & 63];
    out += left > 1 ? kDigits[(group >> 6) & 63] : '=';
    out += left > 2 ? kDigits[group & 63] : '=';
  }
  return out;
}

std::optional<std::vector<uint8_t>> Mime64::Decode(std::string_view text) {
  // The expected length comes from the padded character count, separators included,
  // less one byte per "=" (the appended ones too).
  const size_t padded = (text.size() + 3) / 4 * 4;
  int64_t expected = static_cast<int64_t>(padded / 4 * 3 - (padded - text.size()));
  for (char c : text) {
    const int cls = kClasses[static_cast<uint8_t>(c)];
    if (cls == kRejected) return std::nullopt;
    if (cls == kPad) --expected;
  }

  std::vector<uint8_t> out;
  uint32_t group = 0;
  int filled = 0;
  auto flush = [&]() {
    for (int b = 0; b < 3 && static_cast<int64_t>(out.size()) < expected; ++b) {
      out.push_back(static_cast<uint8_t>(group >> (16 - 8 * b)));
    }
    group = 0;
    filled = 0;
  };
  for (char c : text) {
    const int cls = kClasses[static_cast<uint8_t>(c)];
    if (cls == kSkip) continue;
    group = (group << 6) | static_cast<uint32_t>(cls >= 0 ? cls : 0);
    if (++filled == 4) flush();
  }
  // Appended "=" characters complete the last group.
  for (size_t i = text.size(); i < padded; ++i) {
    group <<= 6;
    if (++filled == 4) flush();
  }
  // Separators can leave an incomplete group at the end; it yields nothing.
  return out;
}

}  // namespace kestramo

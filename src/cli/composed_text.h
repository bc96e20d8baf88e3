// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace kestramo::cli {

// The text in Unicode's composed form (NFC), so that names typed or stored decomposed (as
// some systems write "é" as "e" and an accent) compare equal to their composed spelling.
// A text that is not UTF-8 comes back as it is.
std::string Composed(const std::string& text);

}  // namespace kestramo::cli

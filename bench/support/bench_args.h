// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

namespace kestramo::bench {

// The numbers on a benchmark's command line, each a positive whole number, in order, with
// `defaults` for those not given. "--help" prints `usage` and ends the program with 0;
// anything else (an option, a word, zero, one number too many) is refused with `usage` on
// standard error and exit status 2, rather than measured as nothing.
std::vector<uint64_t> BenchNumbers(int argc, char** argv, const char* usage, std::vector<uint64_t> defaults);

}  // namespace kestramo::bench

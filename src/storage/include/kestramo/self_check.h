// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>

namespace kestramo::api {

// Builds a small vault in a temporary directory, stores a file and a folder, takes them
// out again and compares; also checks the cipher against a known answer. True when all pass.
bool RunSelfCheck(std::ostream& out);

}  // namespace kestramo::api

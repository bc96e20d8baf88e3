// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace kestramo::cli {

// Asks on standard error and reads one line of standard input; only y, Y or yes agree.
bool AskYesNo(const std::string& question);

// Asks for confirmation before something that cannot be undone; false without a terminal to ask on.
bool Confirm(const std::string& question);

}  // namespace kestramo::cli

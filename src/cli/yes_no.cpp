// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/yes_no.h"

#include <unistd.h>

#include <iostream>

namespace kestramo::cli {

bool AskYesNo(const std::string& question) {
  std::cerr << question << " [y/N] " << std::flush;
  std::string answer;
  std::getline(std::cin, answer);
  return answer == "y" || answer == "Y" || answer == "yes";
}

bool Confirm(const std::string& question) { return ::isatty(0) && AskYesNo(question); }

}  // namespace kestramo::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace kestramo::cli {

inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// Ends a command with a one-line message on standard error and the given exit status.
class CliError : public std::runtime_error {
 public:
  CliError(const std::string& message, int status = kExitFailure) : std::runtime_error(message), status_(status) {}
  int Status() const { return status_; }

 private:
  int status_;
};

inline CliError UsageError(const std::string& message) { return CliError(message, kExitUsage); }

}  // namespace kestramo::cli

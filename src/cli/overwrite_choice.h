// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

#include "cli/cli_args.h"
#include "cli/terminal_status.h"
#include "kestramo/vault.h"

namespace kestramo::cli {

// What `extract` does with a file that already exists: --overwrite ask (the default on a
// terminal), always, or never (the default otherwise).
class OverwriteChoice {
 public:
  // Fails with a usage error for any other value.
  explicit OverwriteChoice(const CliArgs& args);

  // The export of one item into `dest`. A read-only file is replaced too when the user said
  // so ("always" means always); a question is asked on a line of its own below the progress bar.
  api::ExportOptions Options(int32_t item, const std::filesystem::path& dest, TerminalStatus& status,
                             api::WorkControl& control) const;
  // Under "never", names each file kept by its path inside the item, once, on standard error.
  void ReportDeclined(const api::ExportReport& report, const std::filesystem::path& dest) const;

 private:
  enum class Mode { Ask, Always, Never };
  api::OverwriteQuestion Question(TerminalStatus& status) const;
  Mode mode_;
};

}  // namespace kestramo::cli

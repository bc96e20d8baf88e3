#pragma once

#include <filesystem>

#include "cli/cli_args.h"
#include "cli/terminal_status.h"
#include "storage/vault/item_export.h"

namespace kestramo::cli {

// What `extract` does with a file that already exists: --overwrite ask (the default on a
// terminal), always, or never (the default otherwise).
class OverwriteChoice {
 public:
  // Fails with a usage error for any other value.
  explicit OverwriteChoice(const CliArgs& args);

  // A read-only file is replaced too when the user said so: "always" means always.
  void Apply(ZipComponent& zip) const;
  // The question for one item; asked on a line of its own below the progress bar.
  OverwriteQuestion Question(TerminalStatus& status) const;
  // Under "never", names each file kept by its path inside the item, once, on standard error.
  void ReportDeclined(const ZipComponent& zip, const std::filesystem::path& dest) const;

 private:
  enum class Mode { Ask, Always, Never };
  Mode mode_;
};

}  // namespace kestramo::cli

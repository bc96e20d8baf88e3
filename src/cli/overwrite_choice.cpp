// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/overwrite_choice.h"

#include <unistd.h>

#include <iostream>

#include "cli/cli_error.h"
#include "cli/output_text.h"
#include "cli/yes_no.h"

namespace kestramo::cli {

namespace {

constexpr std::size_t kNamedKept = 20;  // more would bury the rest of the output

}  // namespace

OverwriteChoice::OverwriteChoice(const CliArgs& args) {
  const std::string mode = args.Value("overwrite", ::isatty(0) ? "ask" : "never");
  if (mode == "ask") mode_ = Mode::Ask;
  else if (mode == "always") mode_ = Mode::Always;
  else if (mode == "never") mode_ = Mode::Never;
  else throw UsageError("--overwrite takes ask, always or never");
}

api::ExportOptions OverwriteChoice::Options(int32_t item, const std::filesystem::path& dest, TerminalStatus& status,
                                            api::WorkControl& control) const {
  api::ExportOptions options;
  options.item = item;
  options.destination = dest;
  options.ask = Question(status);
  options.replaceReadOnly = mode_ != Mode::Never;
  options.status = &status;
  options.control = &control;
  return options;
}

api::OverwriteQuestion OverwriteChoice::Question(TerminalStatus& status) const {
  switch (mode_) {
    case Mode::Always: return [](const api::ExistingFile&) { return true; };
    case Mode::Never: return [](const api::ExistingFile&) { return false; };
    case Mode::Ask: break;
  }
  return [&status](const api::ExistingFile& existing) {
    status.EndLine();
    return AskYesNo(api::ReplaceFileQuestion(Escaped(existing.fileName)));
  };
}

void OverwriteChoice::ReportDeclined(const api::ExportReport& report, const std::filesystem::path& dest) const {
  if (mode_ != Mode::Never) return;
  std::size_t declined = 0;
  for (const auto& kept : report.kept) {
    if (!kept.declined || ++declined > kNamedKept) continue;
    std::cerr << "kestramo-cli: kept the existing "
              << Escaped(std::filesystem::path(kept.path).lexically_relative(dest).string()) << "\n";
  }
  if (declined > kNamedKept) {
    std::cerr << "kestramo-cli: kept " << Counted(declined - kNamedKept, "more existing file") << "\n";
  }
}

}  // namespace kestramo::cli

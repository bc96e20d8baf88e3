// SPDX-License-Identifier: GPL-3.0-or-later
// Commands on items: add, list, extract, delete, comment and find.
#include <unistd.h>

#include <QGuiApplication>
#include <iostream>
#include <iterator>

#include "cli/cli_error.h"
#include "cli/cli_vault.h"
#include "cli/commands.h"
#include "cli/composed_text.h"
#include "cli/interrupt_watch.h"
#include "cli/item_lookup.h"
#include "cli/output_text.h"
#include "cli/overwrite_choice.h"
#include "cli/terminal_status.h"
#include "kestramo/vault.h"
#include "platform/qt_shell_info.h"

namespace kestramo::cli {

namespace {

// Icons and type names come from the desktop's databases, which need a GUI, but never a
// display: the windowless platform is named on the toolkit's command line, which outranks a
// QT_QPA_PLATFORM meant for the desktop program (with no display, xcb would abort).
class ShellSession {
 public:
  ShellSession() {
    // The terminal gets our messages only, not the toolkit's notes about the desktop session.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
      if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << text.toStdString() << "\n";
    });
    static int argc = 3;
    static char name[] = "kestramo-cli";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    app_ = std::make_unique<QGuiApplication>(argc, argv);
    QtShellInfo::UseDesktopIconTheme();
  }
  api::ShellInfo& Info() { return info_; }

 private:
  std::unique_ptr<QGuiApplication> app_;
  QtShellInfo info_;
};

// Ctrl-C is watched from before the work begins, so that it always cancels cleanly: an
// interrupt between operations marks the next one cancelled.
class CancelOnInterrupt {
 public:
  CancelOnInterrupt() : watch_([this] { control_.Cancel(); }) {}
  api::WorkControl& Work() { return control_; }
  // Interrupted before the work began, or during it.
  bool Interrupted() const { return watch_.Interrupted(); }

 private:
  api::WorkControl control_;
  InterruptWatch watch_;
};

// Stored, but the index that lists it could not be saved: this process is the only one that
// knows of the item, so it saves once more itself before it ends.
void SaveAgain(CliVault& v, const std::string& path) {
  if (const api::Status saved = v.Get().SaveChanges(); saved.ok()) {
    std::cerr << "kestramo-cli: the index was saved on a second try: \"" << Escaped(path) << "\" is listed\n";
  } else {
    std::cerr << "kestramo-cli: the index could not be saved again, so \"" << Escaped(path)
              << "\" is not listed: free some disk space and add it again (clean then removes the unlisted copy)\n";
  }
}

int Add(const CliArgs& args) {
  if (args.positional.size() < 2) throw UsageError("add needs a box and at least one path");
  CliVault v(args, CliVault::Access::Write);  // before the watch: Ctrl-C at the password prompt ends it
  CancelOnInterrupt cancel;
  const std::string box = FindBox(v.Boxes(), args.positional[0]);
  ShellSession shell;
  int failures = 0;
  for (std::size_t i = 1; i < args.positional.size(); ++i) {
    const std::string& path = args.positional[i];
    if (cancel.Interrupted()) throw CliError("cancelled: \"" + path + "\" was not added, nor anything after it");
    if (const api::Status refused = api::CheckSource(path); !refused.ok()) {
      ++failures;
      std::cerr << "kestramo-cli: \"" << Escaped(path) << "\" was not added: " << refused.message << "\n";
      continue;
    }
    TerminalStatus status;
    cancel.Work().Reset();
    const api::Status added = v.Get().Import({path, box, &status, &shell.Info(), &cancel.Work()});
    if (added.code == api::Code::Cancelled) {
      throw CliError("cancelled: \"" + path + "\" was not added, nor anything after it");
    }
    if (added.ok()) continue;
    ++failures;  // stored but not whole or not saved is no success either
    if (added.code == api::Code::IoError && added.path.empty()) {  // stored, but not recorded
      std::cerr << "kestramo-cli: \"" << Escaped(path) << "\" was added; " << added.message << "\n";
      continue;
    }
    if (v.Get().HasUnsavedChanges()) SaveAgain(v, path);
    // The status display said why, unless there was nothing to store.
    if (status.LastMessage().empty()) {
      std::cerr << "kestramo-cli: \"" << Escaped(path) << "\" was not added: " << added.message << "\n";
    }
  }
  return failures ? kExitFailure : 0;
}

void PrintItems(const std::vector<api::ItemInfo>& items) {
  for (const api::ItemInfo& item : items) std::cout << ListLine(item) << "\n";
}

int List(const CliArgs& args) {
  ExpectArgs(args, 0, 1);
  CliVault v(args, CliVault::Access::Read);
  api::ListOptions options;
  if (!args.positional.empty()) options.box = FindBox(v.Boxes(), args.positional[0]);
  std::vector<api::ItemInfo> items;
  Require(v.Get().Items(options, &items));
  PrintItems(items);
  return 0;
}

int Extract(const CliArgs& args) {
  if (args.positional.size() < 2) throw UsageError("extract needs a destination and at least one item number");
  const OverwriteChoice overwrite(args);
  std::vector<int32_t> indexes;
  for (std::size_t i = 1; i < args.positional.size(); ++i) indexes.push_back(ParseIndex(args.positional[i]));
  CliVault v(args, CliVault::Access::Write);  // exports use temp/, which belongs to one program at a time
  CancelOnInterrupt cancel;
  for (int32_t index : indexes) RequireItem(v.Get(), index);  // every number is checked before work starts
  const std::filesystem::path dest = std::filesystem::absolute(args.positional[0]);

  int failures = 0;
  for (int32_t index : indexes) {
    if (cancel.Interrupted()) throw CliError("cancelled: item " + std::to_string(index) + " was not extracted");
    TerminalStatus status;
    cancel.Work().Reset();
    api::ExportReport report;
    const api::Status result = v.Get().Export(overwrite.Options(index, dest, status, cancel.Work()), &report);
    if (result.code == api::Code::Cancelled)
      throw CliError("cancelled: item " + std::to_string(index) + " was not extracted");
    if (!result.ok()) ++failures;  // the status display said why
    overwrite.ReportDeclined(report, dest);
  }
  return failures ? kExitFailure : 0;
}

int Delete(const CliArgs& args) {
  if (args.positional.empty()) throw UsageError("delete needs at least one item number");
  std::vector<int32_t> indexes;
  for (const std::string& a : args.positional) indexes.push_back(ParseIndex(a));
  CliVault v(args, CliVault::Access::Write);
  for (int32_t index : indexes) RequireItem(v.Get(), index);
  Require(v.Get().Remove({indexes}));
  return 0;
}

// With --text-stdin the text comes from standard input (after any password), so that a secret
// stays out of the command line and the shell's history; one closing line break is dropped.
std::size_t TextArgs(const CliArgs& args) { return args.Has("text-stdin") ? 0 : 1; }

std::string TextOf(const CliArgs& args, std::size_t at) {
  if (!args.Has("text-stdin")) return args.positional[at];
  std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty() && text.back() == '\r') text.pop_back();
  return text;
}

int Comment(const CliArgs& args) {
  ExpectArgs(args, 1 + TextArgs(args), 1 + TextArgs(args));
  const int32_t index = ParseIndex(args.positional[0]);
  CliVault v(args, CliVault::Access::Write);
  RequireItem(v.Get(), index);
  Require(v.Get().Comment({index, TextOf(args, 1)}));
  return 0;
}

int Find(const CliArgs& args) {
  ExpectArgs(args, TextArgs(args), TextArgs(args));
  if (!args.Has("text-stdin") && args.positional[0].empty()) throw CliError("Input what you want to find.");
  CliVault v(args, CliVault::Access::Read);
  const std::string text = TextOf(args, 0);
  if (text.empty()) throw CliError("Input what you want to find.");
  std::vector<api::ItemInfo> items;
  // Composed and decomposed spellings of a name are the same name to its reader.
  const api::Status found = v.Get().Find({text, Composed}, &items);
  if (!found.ok()) throw CliError("cannot search: " + found.message);
  PrintItems(items);
  return 0;
}

}  // namespace

const std::vector<Command>& ItemCommands() {
  static const std::vector<Command> commands = {
      {"add", "BOX PATH...",
       "Stores each file or folder as one item of BOX. Ctrl-C cancels the item under way and the rest.\n"
       "A path that starts with \"-\" goes after \"--\": kestramo-cli add Work -- -notes.txt",
       Add},
      {"list", "[BOX]",
       "Prints the items (of one box), one per line: Index, Box, Name, Size, Type, Date, Folder (1 or 0)\n"
       "and Comment, tab-separated. In texts, tab, carriage return, line feed and backslash are written\n"
       "as \\t, \\r, \\n and \\\\; every other control character, the bidirectional controls and any\n"
       "byte that is not UTF-8 as \\xHH (a byte) or \\uHHHH (a character). Every name the program\n"
       "prints, in any command or message, is escaped the same way.",
       List},
      {"extract",
       "[--overwrite ask|always|never] DEST INDEX...",
       "Unpacks items into DEST, made when missing. A file that already exists there is asked about\n"
       "on a terminal, else kept (and named); --overwrite always replaces it, read-only or not, and a\n"
       "file that cannot be replaced is named and makes the command fail.",
       Extract,
       {"overwrite"}},
      {"delete", "INDEX...", "Deletes items from the vault for good.", Delete},
      {"comment",
       "INDEX TEXT | INDEX --text-stdin",
       "Sets an item's comment (an empty TEXT clears it). With --text-stdin the comment is read from\n"
       "standard input instead, after any password, so that it stays out of the shell's history.",
       Comment,
       {"text-stdin"}},
      {"find",
       "TEXT | --text-stdin",
       "Lists the items whose name or comment contains TEXT, ignoring case; one asterisk at each end is\n"
       "dropped, \"%\" matches any run of characters and \"_\" any one character. With --text-stdin\n"
       "TEXT is read from standard input instead, after any password.",
       Find,
       {"text-stdin"}},
  };
  return commands;
}

}  // namespace kestramo::cli

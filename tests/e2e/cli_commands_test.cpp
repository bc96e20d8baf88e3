// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <random>

#include "cli_runner.h"
#include "storage/text/utf8.h"
#include "storage/vault/vault_lock.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;
using testing::CliResult;
using testing::CliRunner;
using testing::TempDir;

using testing::RandomBytes;
using testing::ReadFile;
using testing::WriteFile;

class CliTest : public ::testing::Test {
 protected:
  CliTest() : cli(dir / "vault") { fs::create_directories(dir / "vault"); }

  CliResult Ok(const std::vector<std::string>& args, const std::string& input = "") {
    CliResult r = cli.Run(args, input);
    EXPECT_EQ(r.status, 0) << r.err;
    return r;
  }
  void Fails(const std::vector<std::string>& args, const std::string& message, int status = 1,
             const std::string& input = "") {
    const CliResult r = cli.Run(args, input);
    EXPECT_EQ(r.status, status) << r.err;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
  }

  TempDir dir;
  CliRunner cli;
};

TEST_F(CliTest, ATreeComesBackWithContentTimesAndPermissions) {
  const fs::path src = dir / "src/Tree";
  WriteFile(src / "a.txt", "alpha\n");
  WriteFile(src / "nested/deeper/b.bin", RandomBytes(700000, 1));
  WriteFile(src / ".hidden", "secret");
  WriteFile(src / "empty.txt", "");
  WriteFile(src / "naïve façade.txt", "accents");
  WriteFile(src / "run.sh", "#!/bin/sh\necho hi\n");
  WriteFile(src / "locked.txt", "read only");
  fs::create_directories(src / "empty-dir");
  fs::permissions(src / "run.sh", fs::perms(0755));
  fs::permissions(src / "locked.txt", fs::perms(0444));
  fs::last_write_time(src / "a.txt", fs::last_write_time(src / "a.txt") - std::chrono::hours(24 * 400));

  Ok({"new-box", "Work"});
  Ok({"add", "Work", src.string()});
  const CliResult list = Ok({"list", "Work"});
  EXPECT_EQ(list.out.substr(0, 12), "1\tWork\tTree\t");
  EXPECT_NE(list.out.find("\t1\t\n"), std::string::npos);  // a folder, no comment

  Ok({"extract", (dir / "out").string(), "1"});
  const fs::path out = dir / "out/Tree";
  for (const char* name :
       {"a.txt", "nested/deeper/b.bin", ".hidden", "empty.txt", "naïve façade.txt", "run.sh", "locked.txt"}) {
    EXPECT_EQ(ReadFile(out / name), ReadFile(src / name)) << name;
    struct stat a {
    }, b{};
    ::stat((src / name).c_str(), &a);
    ::stat((out / name).c_str(), &b);
    EXPECT_EQ(a.st_mode & 0777, b.st_mode & 0777) << name;
    EXPECT_LE(std::abs(a.st_mtime - b.st_mtime), 2) << name;  // archive times have two-second steps
  }
  EXPECT_TRUE(fs::is_empty(out / "empty-dir"));  // empty folders come back too
  EXPECT_TRUE(fs::is_empty(dir / "vault/temp"));
  Ok({"verify"});
}

TEST_F(CliTest, BoxRulesMatchTheDesktopProgram) {
  Ok({"new-box", "Work"});
  Fails({"new-box", "  work "}, "The COFFREL already exists, please input another name.");
  Fails({"new-box", "   "}, "Please input the name of box.");
  // The Box field holds 80 characters: two longer names would become one box.
  Fails({"new-box", std::string(81, 'L')}, "A box name has at most 80 characters.");
  Fails({"rename-box", "Work", std::string(80, 'L') + "x"}, "at most 80 characters");
  Fails({"delete-box", "Work", "--yes"}, "You can't delete the last coffrel.");
  for (int i = 2; i <= 32; ++i) Ok({"new-box", "Box " + std::to_string(i)});
  Fails({"new-box", "Box 33"}, "You can create at most 32 COFFRELes with KESTRAMO version 1.0.");
  Ok({"rename-box", "box 2", "Second"});
  Fails({"rename-box", "Second", "WORK"}, "already exists");
  Fails({"delete-box", "Second"}, "--yes");  // no terminal to ask on
  Ok({"delete-box", "Second", "--yes"});
  const CliResult boxes = Ok({"boxes"});
  EXPECT_EQ(boxes.out.substr(0, 11), "Work\nBox 3\n");
  EXPECT_EQ(std::count(boxes.out.begin(), boxes.out.end(), '\n'), 31);
  Fails({"rename-box", "Nope", "X"}, "there is no box named \"Nope\"");
  Fails({"frobnicate"}, "unknown command", 2);
  Fails({"comment", "x", "y"}, "is not an item number", 2);
  EXPECT_EQ(cli.Run({"add", "--help"}).status, 0);
}

TEST_F(CliTest, ThePasswordGuardsEveryCommand) {
  Ok({"new-box", "Work"});
  WriteFile(dir / "src/secret.txt", "s");
  Ok({"add", "Work", (dir / "src/secret.txt").string()});
  Ok({"--password-stdin", "passwd"}, "s3cret\ns3cret\n");
  Fails({"--password-stdin", "new-box", "Home"}, "Incorrect password.", 1, "wrong\n");
  Fails({"--password-stdin", "find", "x"}, "Please input password.", 1, "\n");
  Ok({"--password-stdin", "new-box", "Home"}, "s3cret\n");
  // Nothing is seen or taken out without it either, as with the desktop program's doors shut.
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"boxes"}, {"list"}, {"extract", (dir / "out").string(), "1"}, {"verify"}}) {
    std::vector<std::string> guarded{"--password-stdin"};
    guarded.insert(guarded.end(), command.begin(), command.end());
    Fails(guarded, "Incorrect password.", 1, "wrong\n");
  }
  EXPECT_FALSE(fs::exists(dir / "out/secret.txt"));
  Ok({"--password-stdin", "boxes"}, "s3cret\n");
  Fails({"--password-stdin", "passwd"}, "do not match", 1, "s3cret\nnew1\nnew2\n");
  Ok({"--password-stdin", "passwd"}, "s3cret\n\n\n");  // two empty lines remove it
  Ok({"new-box", "Third"});
}

// Each run derives the key at full cost (about half a second): one conversion, few commands.
TEST_F(CliTest, AHardenedVaultAsksItsPassphraseForEverythingButItsFormat) {
  WriteFile(dir / "src/secret.txt", "the plans");
  Ok({"new-box", "Work"});
  Ok({"add", "Work", (dir / "src/secret.txt").string()});
  Ok({"--password-stdin", "passwd"}, "door\ndoor\n");
  EXPECT_EQ(Ok({"info"}).out, "format: classic\n");
  Fails({"--password-stdin", "harden"}, "at least 8 characters", 1, "door\nshort\nshort\n");
  // Standard error is a pipe here: the count arrives as one final line, never redrawn in place.
  const std::string hardening = Ok({"--password-stdin", "harden"}, "door\nquite long phrase\nquite long phrase\n").err;
  EXPECT_EQ(hardening.find('\r'), std::string::npos) << hardening;
  EXPECT_NE(hardening.find("Re-sealed 1 of 1 items\n"), std::string::npos) << hardening;
  EXPECT_EQ(Ok({"info"}).out, "format: hardened\nkdf: argon2id, 256 MiB, 3 passes\n");
  Fails({"--password-stdin", "harden"}, "hardened already", 1, "quite long phrase\n");
  Fails({"--password-stdin", "list"}, "the passphrase is wrong", 1, "door\n");
  Ok({"--password-stdin", "passwd"}, "quite long phrase\nanother long one\nanother long one\n");
  Ok({"--password-stdin", "extract", (dir / "out").string(), "1"}, "another long one\n");
  EXPECT_EQ(ReadFile(dir / "out/secret.txt"), "the plans");
  EXPECT_NE(Ok({"--password-stdin", "verify"}, "another long one\n").out.find("0 damaged"), std::string::npos);
  // A changed byte of a sealed item is named with the reason its seal gives.
  testing::FlipBit(dir / "vault/coffrel/item0000000001.dat", 40);
  const CliResult damaged = cli.Run({"--password-stdin", "verify"}, "another long one\n");
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.out.find("DAMAGED\t1\tWork\tsecret.txt\tits file is damaged"), std::string::npos) << damaged.out;
}

TEST_F(CliTest, NoDisplayIsNeededWhateverWindowSystemTheDesktopNames) {
  // A terminal without a display, in a session whose settings name X11 for the toolkit.
  const std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  WriteFile(dir / "src/a.txt", "a");
  Ok({"new-box", "Work"});
  Ok({"add", "Work", (dir / "src/a.txt").string()});
  EXPECT_NE(Ok({"list"}).out.find("\ta.txt\t"), std::string::npos);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (!display.empty()) ::setenv("DISPLAY", display.c_str(), 1);
}

TEST_F(CliTest, CommentsListAndFindEscapeTheirTexts) {
  WriteFile(dir / "src/Report 2003.txt", "r");
  WriteFile(dir / "src/photo.jpg", "p");
  Ok({"new-box", "Work"});
  Ok({"add", "Work", (dir / "src/Report 2003.txt").string(), (dir / "src/photo.jpg").string()});
  Ok({"comment", "2", "holiday\tat the\r\nsea \\ shore"});
  EXPECT_NE(Ok({"list"}).out.find("\tholiday\\tat the\\r\\nsea \\\\ shore\n"), std::string::npos);
  EXPECT_EQ(Ok({"find", "*REPORT*"}).out.substr(0, 2), "1\t");
  EXPECT_EQ(Ok({"find", "SEA"}).out.substr(0, 2), "2\t");
  const std::string all = Ok({"find", "*"}).out;
  EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 2);
  EXPECT_EQ(Ok({"find", "it's"}).out, "");
  Ok({"delete", "1"});
  EXPECT_FALSE(fs::exists(dir / "vault/coffrel/item0000000001.dat"));
  Fails({"delete", "1"}, "there is no item 1");
  Ok({"new-box", "Two\nlines"});
  EXPECT_EQ(Ok({"boxes"}).out, "Work\nTwo\\nlines\n");
  // Without a terminal an existing file is kept, and said to be.
  WriteFile(dir / "out/photo.jpg", "older");
  EXPECT_NE(Ok({"extract", (dir / "out").string(), "2"}).err.find("kept the existing photo.jpg"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "out/photo.jpg"), "older");
}

TEST_F(CliTest, ARunningProgramsVaultIsNeverWritten) {
  Ok({"new-box", "Work"});
  VaultLock held;
  ASSERT_TRUE(held.TryAcquire(dir / "vault"));
  Fails({"new-box", "Home"}, "in use by another KESTRAMO program");
  EXPECT_EQ(Ok({"boxes"}).out, "Work\n");
}

}  // namespace
}  // namespace kestramo

namespace kestramo {
namespace {

std::string IndexBytes(const fs::path& vault) { return ReadFile(vault / "coffrel/index.dat"); }

// True when the text holds a byte a terminal acts on: any control character but tab and line feed.
bool HoldsTerminalControls(const std::string& text) {
  return std::any_of(text.begin(), text.end(),
                     [](char c) {
                       const auto b = static_cast<unsigned char>(c);
                       return (b < 0x20 && b != '\t' && b != '\n') || b == 0x7F;
                     }) ||
         text.find("\xC2\x9B") != std::string::npos || text.find("\xE2\x80\xAE") != std::string::npos;
}

TEST_F(CliTest, AnOptionACommandDoesNotKnowIsRefusedAndChangesNothing) {
  Ok({"new-box", "Work"});
  Ok({"new-box", "Home"});
  WriteFile(dir / "src/a.txt", "a");
  Ok({"add", "Work", (dir / "src/a.txt").string()});
  const std::string before = IndexBytes(dir / "vault");
  for (const std::vector<std::string>& command : {std::vector<std::string>{"delete", "1", "--dry-run"},
                                                  {"delete-box", "Home", "--yes", "--force"},
                                                  {"list", "--foo"},
                                                  {"add", "Work", "-r", (dir / "src/a.txt").string()},
                                                  {"comment", "1", "x", "--yes"},
                                                  {"extract", (dir / "out").string(), "1", "--yes"},
                                                  {"--bogus"},
                                                  {"delete", "--yes=1", "1"}}) {
    const CliResult r = cli.Run(command);
    EXPECT_EQ(r.status, 2) << command[0] << ": " << r.err;
    EXPECT_NE(r.err.find("kestramo-cli: "), std::string::npos) << r.err;
  }
  EXPECT_EQ(IndexBytes(dir / "vault"), before);
  EXPECT_TRUE(fs::exists(dir / "vault/coffrel/item0000000001.dat"));
  EXPECT_FALSE(fs::exists(dir / "out"));
  // After "--" everything is an argument: a file may be called --help.
  WriteFile(dir / "src/--help", "not an option");
  const CliResult added =
      CliRunner::RunAs({KESTRAMO_CLI, "--vault", (dir / "vault").string(), "add", "Work", "--", "--help"}, "",
                       std::chrono::milliseconds(-1), dir / "src");
  EXPECT_EQ(added.status, 0) << added.err;
  EXPECT_NE(Ok({"find", "--", "--help"}).out.find("\t--help\t"), std::string::npos);
}

TEST_F(CliTest, NamesNeverReachTheTerminalRaw) {
  // Clear screen, window title, bell, backspace, DEL, a C1 control, a right-to-left override
  // and a byte that is not UTF-8.
  const std::string hostile = "a\x1b[2J\x1b]0;owned\x07\b\x7f\xc2\x9b\xe2\x80\xaeZ\xff";
  const std::string escaped = "a\\x1B[2J\\x1B]0;owned\\x07\\x08\\x7F\\u009B\\u202EZ\\xFF";
  Ok({"new-box", hostile});
  WriteFile(dir / ("src/" + hostile), "h");
  Ok({"add", hostile, (dir / ("src/" + hostile)).string()});
  Ok({"comment", "1", hostile});
  const CliResult list = Ok({"list"});
  EXPECT_EQ(list.out.substr(0, list.out.find('\t', 2) + 1), "1\t" + escaped + "\t");
  for (const CliResult& r :
       {list, Ok({"boxes"}), Ok({"find", "owned"}), Ok({"verify"}), cli.Run({"rename-box", hostile + "x", "y"}),
        cli.Run({"add", hostile, hostile}), cli.Run({"extract", (dir / "src").string(), "1"})}) {
    EXPECT_FALSE(HoldsTerminalControls(r.out + r.err)) << r.out << r.err;
  }
  EXPECT_EQ(Ok({"boxes"}).out, escaped + "\n");
  EXPECT_NE(Ok({"list", "--help"}).out.find("\\uHHHH"), std::string::npos);

  // Every character that moves the cursor, changes the terminal or reorders the text (all
  // but NUL, which no argument holds), in one box name of 80 characters.
  std::vector<char32_t> unsafe;
  for (char32_t c = 1; c < 0x20; ++c) unsafe.push_back(c);
  for (char32_t c = 0x7F; c <= 0x9F; ++c) unsafe.push_back(c);
  for (char32_t c : {0x061C, 0x200E, 0x200F}) unsafe.push_back(c);
  for (char32_t c = 0x2028; c <= 0x202E; ++c) unsafe.push_back(c);
  for (char32_t c = 0x2066; c <= 0x2069; ++c) unsafe.push_back(c);
  std::string every = "a", shown = "a";
  for (const char32_t c : unsafe) {
    every += api::Utf8Encode(std::u32string(1, c));
    char hex[16];
    std::snprintf(hex, sizeof hex, c < 0x80 ? "\\x%02X" : "\\u%04X", static_cast<unsigned>(c));
    shown += c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : hex;
  }
  Ok({"new-box", every + "z"});
  EXPECT_EQ(Ok({"boxes"}).out, escaped + "\n" + shown + "z\n");
}

// Where the vault is looked for: a folder without one is never taken for an empty vault.
TEST_F(CliTest, OnlyAVaultOrAnEmptyFolderIsAVault) {
  WriteFile(dir / "docs/letter.txt", "mine");
  const std::string docs = (dir / "docs").string(), none = (dir / "vault").string();
  const std::string file = (dir / "docs/letter.txt").string();
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{{{"--vault", none, "list"}, 1, "no vault in " + none},
                                         {{"--vault", none, "verify"}, 1, "no vault in"},
                                         {{"--vault", docs, "new-box", "W"}, 1, "only in an empty folder"},
                                         {{"--vault", "", "boxes"}, 2, "--vault needs a folder"},
                                         {{"--vault", "", "info"}, 2, "--vault needs a folder"},
                                         {{"--vault", docs, "info"}, 1, "no vault in"},
                                         {{"--vault", file, "boxes"}, 1, "is a file"}}) {
    std::vector<std::string> argv{KESTRAMO_CLI};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const CliResult r = CliRunner::RunAs(argv);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_TRUE(fs::is_empty(dir / "vault"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "docs"), fs::directory_iterator()), 1);
  Ok({"new-box", "Work"});  // an empty folder becomes a vault
  Ok({"list"});
}

TEST_F(CliTest, AnUnreadableIndexFailsEveryCommand) {
  Ok({"new-box", "Work"});
  Ok({"new-box", "Home"});  // a backup generation exists
  WriteFile(dir / "src/a.txt", "a");
  Ok({"add", "Work", (dir / "src/a.txt").string()});
  for (const char* generation : {"coffrel/index.dat", "backup/index.dat"}) {
    WriteFile(dir / "vault" / generation, "\x0cnot an index");
  }
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"list"}, {"boxes"}, {"find", "a"}, {"verify"}, {"new-box", "X"}, {"clean", "--yes"}}) {
    const CliResult r = cli.Run(command);
    EXPECT_EQ(r.status, 1) << command[0];
    EXPECT_NE(r.err.find("the index cannot be read"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_TRUE(fs::exists(dir / "vault/coffrel/item0000000001.dat"));
  EXPECT_FALSE(fs::exists(dir / "vault/coffrel/index.dat"));  // never replaced by an empty one
}

TEST_F(CliTest, TextsReadWellAndMatchHowEverAccentsAreSpelt) {
  const std::string help = Ok({"--help"}).out;
  EXPECT_EQ(help.find(" \n"), std::string::npos) << help;
  EXPECT_NE(help.find("clean [--yes]\n"), std::string::npos);
  EXPECT_NE(help.find("  verify [--quick]\n"), std::string::npos);
  const std::string composed = "Caf\xc3\xa9", decomposed = "Cafe\xcc\x81";
  Ok({"new-box", composed});
  Fails({"new-box", decomposed}, "already exists");
  WriteFile(dir / ("src/" + decomposed + ".txt"), "c");
  Ok({"add", decomposed, (dir / ("src/" + decomposed + ".txt")).string()});
  EXPECT_EQ(Ok({"find", composed}).out.substr(0, 2), "1\t");
  EXPECT_EQ(Ok({"find", "CAFE\xcc\x81"}).out.substr(0, 2), "1\t");
  EXPECT_NE(Ok({"verify"}).out.find("1 item checked,"), std::string::npos);
  const CliResult missing = cli.Run({"add", composed, (dir / "src/none.txt").string()});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("kestramo-cli: \"" + (dir / "src/none.txt").string() + "\" was not added"),
            std::string::npos)
      << missing.err;
}

TEST_F(CliTest, ExistingFilesAreReplacedOrKeptAsSaidAndNeverSilently) {
  Ok({"new-box", "Work"});
  for (int i = 0; i < 23; ++i) WriteFile(dir / ("src/Tree/f" + std::to_string(i) + ".txt"), "new");
  WriteFile(dir / "src/locked.txt", "new");
  Ok({"add", "Work", (dir / "src/Tree").string(), (dir / "src/locked.txt").string()});
  for (int i = 0; i < 23; ++i) WriteFile(dir / ("out/Tree/f" + std::to_string(i) + ".txt"), "old");
  WriteFile(dir / "out/locked.txt", "old");
  fs::permissions(dir / "out/locked.txt", fs::perms(0444));

  const std::string never = Ok({"extract", "--overwrite", "never", (dir / "out").string(), "1", "2"}).err;
  std::size_t named = 0;
  for (std::size_t at = 0; (at = never.find("kestramo-cli: kept the existing Tree/f", at)) != std::string::npos; ++at)
    ++named;
  EXPECT_EQ(named, 20u) << never;
  EXPECT_EQ(std::count(never.begin(), never.end(), '\n'), 20 + 1 + 1) << never;
  EXPECT_NE(never.find("kept 3 more existing files\n"), std::string::npos) << never;
  EXPECT_NE(never.find("kept the existing locked.txt\n"), std::string::npos) << never;

  Ok({"extract", "--overwrite=always", (dir / "out").string(), "2"});
  EXPECT_EQ(ReadFile(dir / "out/locked.txt"), "new");

  // On a terminal each file is asked about, on a line of its own below the progress bar:
  // an empty answer and "n" keep, "y" replaces.
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
    WriteFile(dir / "src" / name, "new");
    WriteFile(dir / "asked" / name, "old");
  }
  Ok({"add", "Work", (dir / "src/a.txt").string(), (dir / "src/b.txt").string(), (dir / "src/c.txt").string()});
  const CliResult asked = cli.RunOnTerminal({"extract", (dir / "asked").string(), "3", "4", "5"}, "\nn\ny\n");
  EXPECT_EQ(asked.status, 0) << asked.out;
  EXPECT_EQ(ReadFile(dir / "asked/a.txt") + ReadFile(dir / "asked/b.txt") + ReadFile(dir / "asked/c.txt"), "oldoldnew");
  for (std::size_t at = 0; (at = asked.out.find("Replace existing file", at)) != std::string::npos; ++at) {
    EXPECT_EQ(asked.out[at - 1], '\n') << asked.out;
  }

  // A destination that cannot be made is said to be the destination's fault.
  const CliResult blocked = cli.Run({"extract", (dir / "out/locked.txt/sub").string(), "2"});
  EXPECT_EQ(blocked.status, 1);
  EXPECT_NE(blocked.err.find("the destination folder cannot be created"), std::string::npos) << blocked.err;
  EXPECT_EQ(blocked.err.find("damaged"), std::string::npos) << blocked.err;
}

}  // namespace
}  // namespace kestramo

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <random>

#include "cli_runner.h"
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
  for (const char* name : {"a.txt", "nested/deeper/b.bin", ".hidden", "empty.txt", "naïve façade.txt", "run.sh",
                           "locked.txt"}) {
    EXPECT_EQ(ReadFile(out / name), ReadFile(src / name)) << name;
    struct stat a {}, b {};
    ::stat((src / name).c_str(), &a);
    ::stat((out / name).c_str(), &b);
    EXPECT_EQ(a.st_mode & 0777, b.st_mode & 0777) << name;
    EXPECT_LE(std::abs(a.st_mtime - b.st_mtime), 2) << name;  // archive times have two-second steps
  }
  EXPECT_FALSE(fs::exists(out / "empty-dir"));  // archives hold files only
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
  Fails({"--password-stdin", "new-box", "Home"}, "Uncorrect password.", 1, "wrong\n");
  Fails({"--password-stdin", "find", "x"}, "Please input password.", 1, "\n");
  Ok({"--password-stdin", "new-box", "Home"}, "s3cret\n");
  // Nothing is seen or taken out without it either, as with the desktop program's doors shut.
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{"boxes"}, {"list"}, {"extract", (dir / "out").string(), "1"}, {"verify"}}) {
    std::vector<std::string> guarded{"--password-stdin"};
    guarded.insert(guarded.end(), command.begin(), command.end());
    Fails(guarded, "Uncorrect password.", 1, "wrong\n");
  }
  EXPECT_FALSE(fs::exists(dir / "out/secret.txt"));
  Ok({"--password-stdin", "boxes"}, "s3cret\n");
  Fails({"--password-stdin", "passwd"}, "do not match", 1, "s3cret\nnew1\nnew2\n");
  Ok({"--password-stdin", "passwd"}, "s3cret\n\n\n");  // two empty lines remove it
  Ok({"new-box", "Third"});
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

#include <gtest/gtest.h>

#include <algorithm>

#include "storage/zip/pack_path.h"
#include "storage/zip/zip_error.h"
#include "zip_test_support.h"

namespace kestramo {
namespace {

using namespace ziptest;

// Everything below root, as relative paths.
std::vector<std::string> Tree(const fs::path& root) {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root)) out.push_back(fs::relative(e.path(), root).string());
  std::sort(out.begin(), out.end());
  return out;
}

class ZipHostileTest : public ::testing::Test {
 protected:
  int Unpack(const std::vector<RawEntry>& entries, bool recreateDirs) {
    WriteFile(dir_ / "evil.zip", BuildArchive(entries));
    return UnpackArchive(zip_, dir_ / "evil.zip", dir_ / "box/dest", recreateDirs);
  }
  int UnpackBytes(const std::string& bytes) {
    WriteFile(dir_ / "evil.zip", bytes);
    zip_.SetZipName((dir_ / "evil.zip").string());
    zip_.SetDoAll(true);
    zip_.SetDestDir((dir_ / "box/dest").string());
    return zip_.ExtractEntries();
  }
  TempDir dir_;
  ZipComponent zip_;
};

TEST_F(ZipHostileTest, NamesThatClimbOrAreAbsoluteNeverLeaveTheDestination) {
  std::vector<RawEntry> entries;
  for (const char* name : {"../up.txt", "a/../../up2.txt", "/tmp/abs.txt", "ok/../..", "fine/good.txt"})
    entries.push_back(StoredEntry(name, "payload"));
  // Backslashes and drive letters are plain characters of one name here: they stay inside.
  for (const char* name : {"..\\up3.txt", "\\abs2.txt", "C:\\drive.txt", "C:drive2.txt"})
    entries.push_back(StoredEntry(name, "payload"));
  for (bool recreate : {true, false}) {
    fs::remove_all(dir_ / "box");
    EXPECT_EQ(Unpack(entries, recreate), 5) << recreate;
    std::vector<std::string> expected{"dest",           "dest/..\\up3.txt", "dest/C:\\drive.txt",
                                      "dest/C:drive2.txt", "dest/\\abs2.txt"};
    expected.insert(expected.end(), recreate ? std::initializer_list<std::string>{"dest/fine", "dest/fine/good.txt"}
                                             : std::initializer_list<std::string>{"dest/good.txt"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Tree(dir_ / "box"), expected);
    EXPECT_FALSE(fs::exists(dir_ / "up.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "up3.txt"));
    EXPECT_FALSE(fs::exists("/tmp/abs.txt"));
  }
}

TEST_F(ZipHostileTest, OutputBeyondTheStatedSizeIsAbandonedWithBoundedMemory) {
  const std::string bomb(8 << 20, '\0');  // 8 MiB of zeros claiming to be 100 bytes
  RawEntry liar = DeflatedEntry("bomb.bin", bomb);
  liar.uncompressedSize = 100;
  RawEntry storedLiar = StoredEntry("stored.bin", std::string(500, 'x'));
  storedLiar.uncompressedSize = 10;
  EXPECT_EQ(Unpack({liar, storedLiar, StoredEntry("after.txt", "still here")}, false), 1);
  EXPECT_EQ(zip_.LastError(), kLargerThanStated);
  EXPECT_FALSE(fs::exists(dir_ / "box/dest/bomb.bin"));
  EXPECT_FALSE(fs::exists(dir_ / "box/dest/stored.bin"));
  EXPECT_EQ(ReadFile(dir_ / "box/dest/after.txt"), "still here");
}

TEST_F(ZipHostileTest, SymbolicLinksInTheDestinationAreNotFollowed) {
  fs::create_directories(dir_ / "box/dest");
  fs::create_directories(dir_ / "outside");
  WriteFile(dir_ / "outside/target.txt", "precious");
  fs::create_directory_symlink(dir_ / "outside", dir_ / "box/dest/linkdir");
  fs::create_symlink(dir_ / "outside/target.txt", dir_ / "box/dest/linkfile.txt");
  zip_.SetOverwriteMode(OverwriteMode::Always);
  EXPECT_EQ(Unpack({StoredEntry("linkdir/new.txt", "x"), StoredEntry("linkfile.txt", "overwrite")}, true), 0);
  EXPECT_FALSE(fs::exists(dir_ / "outside/new.txt"));
  EXPECT_EQ(ReadFile(dir_ / "outside/target.txt"), "precious");
}

TEST_F(ZipHostileTest, DataThatDoNotMatchTheirCrcAreDeleted) {
  RawEntry bad = DeflatedEntry("bad.txt", "some content");
  bad.crc ^= 1;
  RawEntry garbage{"garbage.txt", "\xff\xff\xff\xff", 8, 0, 4, 0};
  EXPECT_EQ(Unpack({bad, garbage, StoredEntry("good.txt", "good")}, false), 1);
  EXPECT_FALSE(fs::exists(dir_ / "box/dest/bad.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "box/dest/garbage.txt"));
  EXPECT_EQ(zip_.CreatedPaths(), (std::vector<std::string>{(dir_ / "box").string(), (dir_ / "box/dest").string(),
                                                          (dir_ / "box/dest/good.txt").string()}));
}

TEST_F(ZipHostileTest, DamagedDirectoriesFailCleanly) {
  const std::string good = BuildArchive({StoredEntry("a.txt", "aaaa"), StoredEntry("b.txt", "bbbb")});
  const size_t end = good.size() - 22;
  auto patched = [&](size_t at, uint32_t value, int bytes) {
    std::string s = good;
    for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return s;
  };
  const std::vector<std::string> damaged = {
      patched(end + 10, 60000, 2),                      // more entries than the directory holds
      patched(end + 16, 0x7FFFFFF0, 4),                 // directory offset past the file
      patched(end + 12, 0x7FFFFFF0, 4),                 // directory size past the file
      patched(Le32(good, end + 16) + 28, 0xFFFF, 2),    // a name running past the end
      good.substr(0, 10),                               // no end record at all
      std::string("PK\x05\x06", 4),                     // a cut end record
  };
  for (size_t i = 0; i < damaged.size(); ++i) {
    EXPECT_THROW(UnpackBytes(damaged[i]), ZipError) << i;
    EXPECT_EQ(UnpackArchive(zip_, dir_ / "evil.zip", dir_ / "box/dest", false), 0) << i;
  }
}

TEST_F(ZipHostileTest, TruncatedDataEndTheRunWithPrematureEnd) {
  std::string bytes = BuildArchive({StoredEntry("a.txt", std::string(1000, 'a'))});
  // Keep the directory but claim a size far beyond the file for the entry.
  std::string lie = bytes;
  const size_t central = Le32(bytes, bytes.size() - 6);
  lie[central + 20] = '\xff';
  lie[central + 21] = '\xff';
  lie[central + 22] = '\x0f';
  lie[central + 24] = '\xff';
  lie[central + 25] = '\xff';
  lie[central + 26] = '\x0f';
  EXPECT_THROW(UnpackBytes(lie), ZipError);
  EXPECT_EQ(zip_.LastError(), kPrematureEnd);
  EXPECT_FALSE(fs::exists(dir_ / "box/dest/a.txt"));
}

// Central records begin at the offset the end record states; each is 46 bytes plus its name.
void PatchCentral(std::string& bytes, size_t record, size_t field, uint32_t value, int width) {
  size_t at = Le32(bytes, bytes.size() - 6);
  for (size_t i = 0; i < record; ++i) at += 46 + Le16(bytes, at + 28);
  for (int i = 0; i < width; ++i) bytes[at + field + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

TEST_F(ZipHostileTest, LinkAttributesOverlapsAndThousandsOfEntriesStayPlainAndBounded) {
  // An entry that claims to be a symbolic link made on Unix comes out as a plain file.
  std::string link = BuildArchive({StoredEntry("link", "/etc/passwd")});
  PatchCentral(link, 0, 4, 0x0314, 2);         // made by Unix
  PatchCentral(link, 0, 38, 0xA1FF0000u, 4);  // S_IFLNK | 0777
  zip_.SetRetainAttributes(true);
  EXPECT_EQ(UnpackBytes(link), 1);
  EXPECT_FALSE(fs::is_symlink(fs::symlink_status(dir_ / "box/dest/link")));
  EXPECT_EQ(ReadFile(dir_ / "box/dest/link"), "/etc/passwd");

  // Two directory records sharing one entry's data: each comes out once, with its own name.
  fs::remove_all(dir_ / "box");
  std::string overlap = BuildArchive({StoredEntry("first", "same"), StoredEntry("second", "same")});
  PatchCentral(overlap, 1, 42, 0, 4);
  UnpackBytes(overlap);
  EXPECT_EQ(Tree(dir_ / "box"), (std::vector<std::string>{"dest", "dest/first", "dest/second"}));

  // Thousands of tiny entries: all of them, and nothing else.
  fs::remove_all(dir_ / "box");
  std::vector<RawEntry> many;
  for (int i = 0; i < 2000; ++i) many.push_back(StoredEntry("t" + std::to_string(i), "x"));
  EXPECT_EQ(Unpack(many, false), 2000);
  EXPECT_EQ(Tree(dir_ / "box").size(), 2001u);
}

}  // namespace
}  // namespace kestramo

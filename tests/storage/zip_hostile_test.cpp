// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

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

// What the reader refuses: docs/formats/zip.md
class ZipHostileTest : public ::testing::Test {
 protected:
  int Unpack(const std::vector<RawEntry>& entries, bool recreateDirs) {
    WriteFile(dir_ / "evil.zip", BuildArchive(entries));
    last_ = UnpackArchive(zip_, dir_ / "evil.zip", dir_ / "box/dest", recreateDirs, choices_);
    return last_.count;
  }
  int UnpackBytes(const std::string& bytes) {
    WriteFile(dir_ / "evil.zip", bytes);
    last_ = UnpackArchive(zip_, dir_ / "evil.zip", dir_ / "box/dest", false, choices_);
    return last_.count;
  }
  TempDir dir_;
  ZipComponent zip_;
  UnpackOptions choices_;
  ZipRun last_;  // how the last unpacking ended
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
    std::vector<std::string> expected{"dest", "dest/..\\up3.txt", "dest/C:\\drive.txt", "dest/C:drive2.txt",
                                      "dest/\\abs2.txt"};
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
  EXPECT_EQ(last_.error, kLargerThanStated);
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
  choices_.overwriteMode = OverwriteMode::Always;
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
      patched(end + 10, 60000, 2),                    // more entries than the directory holds
      patched(end + 16, 0x7FFFFFF0, 4),               // directory offset past the file
      patched(end + 12, 0x7FFFFFF0, 4),               // directory size past the file
      patched(Le32(good, end + 16) + 28, 0xFFFF, 2),  // a name running past the end
      good.substr(0, 10),                             // no end record at all
      std::string("PK\x05\x06", 4),                   // a cut end record
  };
  for (size_t i = 0; i < damaged.size(); ++i) {
    EXPECT_EQ(UnpackBytes(damaged[i]), 0) << i;
    EXPECT_EQ(last_.fault, ZipFault::DamagedDirectory) << i << ": " << last_.error;
  }
}

// One stored entry whose sizes and offset all live in ZIP64 records, with the values at
// `lie` (0 to 5: uncompressed, compressed, offset, entries, directory size, directory
// offset; 6: the locator's record offset; 7: the ZIP64 field's length) replaced by `value`.
std::string Zip64Archive(const std::string& data, int lie = -1, uint64_t value = 0) {
  auto v = [&](int i, uint64_t honest) { return i == lie ? value : honest; };
  ByteWriter w;
  w.U32(0x04034B50).U16(45).U16(0).U16(0).U32(0).U32(Crc(data)).U32(0xFFFFFFFF).U32(0xFFFFFFFF).U16(5).U16(20);
  w.Bytes("a.txt").U16(1).U16(16).U64(data.size()).U64(data.size()).Bytes(data);
  const uint64_t dirOffset = w.out.size();
  w.U32(0x02014B50).U16(45).U16(45).U16(0).U16(0).U32(0).U32(Crc(data)).U32(0xFFFFFFFF).U32(0xFFFFFFFF);
  w.U16(5).U16(28).U16(0).U16(0).U16(0).U32(0x20).U32(0xFFFFFFFF).Bytes("a.txt");
  w.U16(1).U16(static_cast<uint32_t>(v(7, 24))).U64(v(0, data.size())).U64(v(1, data.size())).U64(v(2, 0));
  const uint64_t recordAt = w.out.size();
  w.U32(0x06064B50).U64(44).U16(45).U16(45).U32(0).U32(0).U64(v(3, 1)).U64(v(3, 1));
  w.U64(v(4, recordAt - dirOffset)).U64(v(5, dirOffset));
  w.U32(0x07064B50).U32(0).U64(v(6, recordAt)).U32(1);
  w.U32(0x06054B50).U16(0).U16(0).U16(0xFFFF).U16(0xFFFF).U32(0xFFFFFFFF).U32(0xFFFFFFFF).U16(0);
  return w.out;
}

TEST_F(ZipHostileTest, Zip64RecordsThatLieAreRefusedCleanly) {
  EXPECT_EQ(UnpackBytes(Zip64Archive("zip64 data")), 1);
  EXPECT_EQ(ReadFile(dir_ / "box/dest/a.txt"), "zip64 data");
  const std::pair<int, uint64_t> lies[] = {
      {0, uint64_t{1} << 40},
      {0, 3},
      {1, ~uint64_t{0}},
      {1, uint64_t{1} << 40},
      {2, ~uint64_t{0} - 10},
      {3, uint64_t{1} << 60},
      {3, 2},
      {4, ~uint64_t{0}},
      {5, uint64_t{1} << 63},
      {6, ~uint64_t{0}},
      {7, 8},
  };
  for (const auto& [field, value] : lies) {
    fs::remove_all(dir_ / "box");
    int count = -1;
    try {
      count = UnpackBytes(Zip64Archive("zip64 data", field, value));
    } catch (const ZipError&) {
    }
    EXPECT_LE(count, 0) << field << " " << value;
    EXPECT_FALSE(fs::exists(dir_ / "box/dest/a.txt")) << field << " " << value;
  }
}

// A directory may claim any size up to the file's: one past the cap is refused before it is
// read into memory, though its first header is sound. The gap is a hole, so the file costs no room.
TEST_F(ZipHostileTest, AZip64DirectoryLargerThanTheCapIsRefused) {
  const std::string honest = Zip64Archive("zip64 data");
  const size_t tail = 56 + 20 + 22;  // ZIP64 end record, locator, end record
  const size_t headerEnd = honest.size() - tail;
  const uint64_t gap = (uint64_t{256} << 20) + 1;
  const uint64_t dirOffset = Le32(honest, headerEnd + 48);
  std::string end = honest.substr(headerEnd);
  auto put64 = [&end](size_t at, uint64_t v) {
    for (int i = 0; i < 8; ++i) end[at + i] = static_cast<char>(v >> (8 * i));
  };
  put64(40, headerEnd + gap - dirOffset);  // the directory's size, hole included
  put64(56 + 8, headerEnd + gap);          // where the locator finds the ZIP64 end record
  {
    std::ofstream f(dir_ / "evil.zip", std::ios::binary);
    f.write(honest.data(), static_cast<std::streamsize>(headerEnd));
    f.seekp(static_cast<std::streamoff>(headerEnd + gap)).write(end.data(), static_cast<std::streamsize>(end.size()));
  }
  EXPECT_FALSE(UnpackArchive(zip_, dir_ / "evil.zip", dir_ / "box/dest", false).ok());
  EXPECT_FALSE(fs::exists(dir_ / "box/dest/a.txt"));
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
  EXPECT_EQ(UnpackBytes(lie), 0);
  EXPECT_EQ(last_.error, kPrematureEnd);
  EXPECT_FALSE(fs::exists(dir_ / "box/dest/a.txt"));
}

// Method 93 is read only where zstd entries are accepted (hardened items), never past the
// stated size, and a cut frame ends the run like a cut deflate stream.
TEST_F(ZipHostileTest, ZstdEntriesOpenOnlyWhereAcceptedAndNeverPastTheirSize) {
  const std::string text(300000, 'z');
  RawEntry bomb = ZstdEntry("bomb.bin", std::string(8 << 20, '\0'));
  bomb.uncompressedSize = 100;
  RawEntry shortOfClaim = ZstdEntry("short.txt", "abc");
  shortOfClaim.uncompressedSize = 4;
  RawEntry garbage{"garbage.txt", std::string("\x28\xb5\x2f\xfd not a frame", 16), 93, Crc("x"), 1, 0};
  for (const bool accept : {false, true}) {
    SCOPED_TRACE(accept ? "accepted" : "classic");
    fs::remove_all(dir_ / "box");
    zip_.SetZstdEntries(accept);
    EXPECT_EQ(
        Unpack({ZstdEntry("good.txt", text), bomb, shortOfClaim, garbage, StoredEntry("after.txt", "here")}, false),
        accept ? 2 : 1);
    EXPECT_EQ(ReadFile(dir_ / "box/dest/good.txt"), accept ? text : "");
    for (const char* refused : {"bomb.bin", "short.txt", "garbage.txt"})
      EXPECT_FALSE(fs::exists(dir_ / "box/dest" / refused)) << refused;
    EXPECT_EQ(ReadFile(dir_ / "box/dest/after.txt"), "here");
  }
  std::string numbers;
  for (int i = 0; numbers.size() < 200000; ++i) numbers += std::to_string(i * 7919 % 100003) + " ";
  RawEntry cut = ZstdEntry("cut.txt", numbers);
  cut.payload.resize(cut.payload.size() / 2);
  EXPECT_EQ(Unpack({cut}, false), 0);
  EXPECT_EQ(last_.error, kPrematureEnd);
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
  PatchCentral(link, 0, 4, 0x0314, 2);        // made by Unix
  PatchCentral(link, 0, 38, 0xA1FF0000u, 4);  // S_IFLNK | 0777
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

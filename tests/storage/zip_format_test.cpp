// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fcntl.h>

#include <random>
#include <tuple>

#include "kestramo/vault.h"
#include "storage/zip/archive_file_writer.h"
#include "storage/zip/block_deflater.h"
#include "storage/zip/entry_name.h"
#include "storage/zip/file_stamp.h"
#include "storage/zip/files_list_expander.h"
#include "storage/zip/pack_path.h"
#include "storage/zip/zip_error.h"
#include "storage/zip/zip_records.h"
#include "zip_test_support.h"

namespace kestramo {
namespace {

using namespace ziptest;

TEST(ZipFormatTest, EmptyFoldersGiveTheBareEndRecordAndZero) {
  TempDir dir;
  fs::create_directories(dir / "Empty/sub/deeper");
  ZipComponent zip;
  EXPECT_EQ(PackPath(zip, dir / "Empty", dir / "e.zip", 6, true).bytes, 0u);
  const std::string bytes = ReadFile(dir / "e.zip");
  ASSERT_EQ(bytes.size(), 22u);
  EXPECT_EQ(bytes, std::string("PK\x05\x06", 4) + std::string(18, '\0'));
}

TEST(ZipFormatTest, SingleFileHeadersCarryNameSizesCrcAndUnixMode) {
  TempDir dir;
  const std::string text = std::string(2000, 'a') + "tail";
  WriteFile(dir / "in/notes.txt", text);
  fs::permissions(dir / "in/notes.txt", fs::perms(0640));
  ZipComponent zip;
  ASSERT_EQ(PackPath(zip, dir / "in/notes.txt", dir / "s.zip", 6, false).bytes, text.size());
  const std::string a = ReadFile(dir / "s.zip");
  EXPECT_EQ(Le32(a, 0), 0x04034B50u);
  EXPECT_EQ(Le16(a, 4), 20);
  EXPECT_EQ(Le16(a, 6), 0);  // ASCII name: no flags
  EXPECT_EQ(Le16(a, 8), 8);
  EXPECT_EQ(Le32(a, 14), Crc(text));
  const uint32_t packed = Le32(a, 18);
  EXPECT_LT(packed, text.size());
  EXPECT_EQ(Le32(a, 22), text.size());
  EXPECT_EQ(a.substr(30, Le16(a, 26)), "notes.txt");
  const size_t central = 30 + 9 + packed;
  EXPECT_EQ(Le32(a, central), 0x02014B50u);
  EXPECT_EQ(Le16(a, central + 4), 0x0314);
  EXPECT_EQ(Le16(a, central + 36), 1);  // text
  EXPECT_EQ(Le32(a, central + 38) >> 16, 0100640u);
  EXPECT_EQ(Le32(a, central + 38) & 0xFF, 0x20u);
  EXPECT_EQ(a.size(), central + 46 + 9 + 22);
}

TEST(ZipFormatTest, StoredWhenDeflateDoesNotShrinkAndAtLevelZero) {
  TempDir dir;
  std::mt19937 rng(7);
  std::string noise;
  for (int i = 0; i < 5000; ++i) noise.push_back(static_cast<char>(rng()));
  WriteFile(dir / "F/empty", "");
  WriteFile(dir / "F/tiny.txt", "ab");
  WriteFile(dir / "F/noise.bin", noise);
  WriteFile(dir / "F/text.txt", std::string(9000, 'x'));
  ZipComponent zip;
  ASSERT_GT(PackPath(zip, dir / "F", dir / "l6.zip", 6, true).bytes, 0u);
  for (const auto& e : zip.Entries()) {
    const bool shouldStore = e.rawName != "F/text.txt";
    EXPECT_EQ(e.method, shouldStore ? 0 : 8) << e.rawName;
    if (e.method == 0) {
      EXPECT_EQ(e.compressedSize, e.uncompressedSize) << e.rawName;
    }
    if (e.rawName == "F/noise.bin") {
      EXPECT_EQ(e.internalAttributes, 0) << "binary";
    }
  }
  ASSERT_GT(PackPath(zip, dir / "F", dir / "l0.zip", 0, true).bytes, 0u);
  ASSERT_EQ(zip.Entries().size(), 4u);
  for (const auto& e : zip.Entries()) {
    EXPECT_EQ(e.method, 0);
    EXPECT_EQ(e.compressedSize, e.uncompressedSize);
    EXPECT_EQ(e.internalAttributes, 0);
  }
  EXPECT_EQ(PackPath(zip, dir / "F/empty", dir / "z.zip", 6, false).bytes, 0u);
  ASSERT_EQ(zip.Entries().size(), 1u);
  EXPECT_EQ(zip.Entries()[0].method, 0);
  EXPECT_EQ(zip.Entries()[0].compressedSize, 0u);
}

// Pieces are compressed apart and joined; where a piece's last block ends inside its last
// byte differs from piece to piece, and every position must give one valid stream.
TEST(ZipFormatTest, PiecesDeflatedApartJoinIntoOneStream) {
  std::mt19937 rng(3);
  std::string plain;
  std::string joined;
  for (int i = 0; i < 48; ++i) {
    zip::BlockInput in;
    const size_t size = i % 8 == 5 ? 20000 : 300 + static_cast<size_t>(rng() % 9000);
    for (size_t k = 0; k < size; ++k) {
      in.data.push_back(static_cast<unsigned char>(i % 8 == 5 ? rng() : 'a' + rng() % (3 + i % 20)));
    }
    in.last = i == 47;
    const zip::BlockOutput out = zip::DeflateBlock(in);
    EXPECT_EQ(out.crc, Crc(std::string(in.data.begin(), in.data.end()))) << i;
    plain.append(in.data.begin(), in.data.end());
    joined.append(out.data.begin(), out.data.end());
  }
  EXPECT_LT(joined.size(), plain.size());
  EXPECT_EQ(Inflate(joined, plain.size() + 1), plain);
}

// Byte layout: docs/formats/zip.md
TEST(ZipFormatTest, Zip64RecordsAppearOnlyForValuesThatDoNotFit) {
  constexpr uint64_t kBig = uint64_t{5} << 30;
  const struct {
    uint64_t uncompressed, compressed, offset;
    std::vector<uint64_t> wide;  // what the central header's ZIP64 field must hold, in order
  } cases[] = {
      {100, 50, 0, {}},
      {0xFFFFFFFE, 0xFFFFFFFE, 0xFFFFFFFE, {}},
      {0xFFFFFFFF, 10, 0, {0xFFFFFFFF}},
      {kBig, 3u << 30, 0, {kBig}},
      {kBig, kBig + 1, kBig + 2, {kBig, kBig + 1, kBig + 2}},
      {10, 10, kBig, {kBig}},
  };
  for (const auto& c : cases) {
    zip::EntryInfo e;
    e.rawName = "name";
    e.uncompressedSize = c.uncompressed;
    e.compressedSize = c.compressed;
    e.localHeaderOffset = c.offset;
    const std::string central = zip::EncodeCentralHeader(e);
    ASSERT_EQ(central.size(), 46 + 4 + (c.wide.empty() ? 0 : 4 + 8 * c.wide.size())) << c.uncompressed;
    EXPECT_EQ(Le16(central, 6), c.wide.empty() ? 20 : 45);
    EXPECT_EQ(Le32(central, 24), std::min<uint64_t>(c.uncompressed, 0xFFFFFFFF));
    EXPECT_EQ(Le32(central, 42), std::min<uint64_t>(c.offset, 0xFFFFFFFF));
    for (size_t i = 0; i < c.wide.size(); ++i) {
      const size_t at = 54 + 8 * i;
      EXPECT_EQ(Le32(central, at) | uint64_t{Le32(central, at + 4)} << 32, c.wide[i]);
    }
  }

  // A local header holds both sizes in its ZIP64 field when told to, and refuses them otherwise.
  zip::EntryInfo e;
  e.rawName = "n";
  e.uncompressedSize = kBig;
  e.compressedSize = 7;
  EXPECT_THROW(zip::EncodeLocalHeader(e), ZipError);
  e.zip64Local = true;
  const std::string local = zip::EncodeLocalHeader(e);
  ASSERT_EQ(local.size(), 30 + 1 + 20u);
  EXPECT_EQ(Le32(local, 18), 0xFFFFFFFFu);
  EXPECT_EQ(Le32(local, 22), 0xFFFFFFFFu);
  EXPECT_EQ(Le32(local, 35) | uint64_t{Le32(local, 39)} << 32, kBig);
  EXPECT_EQ(Le32(local, 43), 7u);

  // The ZIP64 end record and locator precede the end record only when a value needs them.
  EXPECT_EQ(zip::EncodeEndRecords(65534, 0xFFFFFFFE, 0xFFFFFFFE).size(), 22u);
  for (const auto& [count, size, offset] :
       {std::tuple<uint64_t, uint64_t, uint64_t>{65535, 10, 10}, {70000, 10, 10}, {1, 10, kBig}, {1, kBig, 10}}) {
    const std::string end = zip::EncodeEndRecords(count, size, offset);
    ASSERT_EQ(end.size(), 56 + 20 + 22u);
    EXPECT_EQ(Le32(end, 0), 0x06064B50u);
    EXPECT_EQ(Le32(end, 32) | uint64_t{Le32(end, 36)} << 32, count);
    EXPECT_EQ(Le32(end, 56 + 8) | uint64_t{Le32(end, 56 + 12)} << 32, offset + size);  // the locator
    EXPECT_EQ(Le16(end, 76 + 10), std::min<uint64_t>(count, 0xFFFF));
  }
}

TEST(ZipFormatTest, AFullDiskIsReportedAndADeviceIsNeitherWrittenNorDeleted) {
  const int fd = open("/dev/full", O_WRONLY | O_CLOEXEC);
  if (fd < 0) GTEST_SKIP() << "no /dev/full";
  {
    zip::ArchiveFileWriter out(fd);
    const std::string data(4 << 20, 'x');
    try {
      out.Write(data);
      out.Flush();
      FAIL() << "a full disk went unnoticed";
    } catch (const ZipError& e) {
      EXPECT_STREQ(e.what(), kNoRoomToWrite);
    }
  }
  close(fd);
  TempDir dir;
  WriteFile(dir / "a.txt", "a");
  ZipComponent zip;
  EXPECT_EQ(PackPath(zip, dir / "a.txt", "/dev/full", 6, false).bytes, 0u);
  EXPECT_TRUE(fs::exists("/dev/full"));
}

TEST(ZipFormatTest, DosTimeRoundsToTwoSecondsAndClampsFieldsOutOfRange) {
  std::tm tm{};
  tm.tm_year = 103;
  tm.tm_mon = 6;
  tm.tm_mday = 14;
  tm.tm_hour = 9;
  tm.tm_min = 30;
  tm.tm_sec = 41;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  EXPECT_EQ(zip::FromDosDateTime(zip::ToDosDateTime(t)), t - 1);
  EXPECT_EQ(zip::ToDosDateTime(0), 0x00210000u);  // before 1980: the earliest date

  // 2003-13-00 31:63:62 becomes 2003-12-01 23:59:58.
  const uint32_t wild = (uint32_t{(23 << 9) | (13 << 5) | 0} << 16) | (31u << 11 | 63u << 5 | 31u);
  const std::time_t clamped = zip::FromDosDateTime(wild);
  std::tm out{};
  localtime_r(&clamped, &out);
  EXPECT_EQ(out.tm_year, 103);
  EXPECT_EQ(out.tm_mon, 11);
  EXPECT_EQ(out.tm_mday, 1);
  EXPECT_EQ(out.tm_hour, 23);
  EXPECT_EQ(out.tm_min, 59);
  EXPECT_EQ(out.tm_sec, 58);
}

TEST(ZipFormatTest, NamesAreUtf8WithFlagOrAsciiAndOldNamesReadAsCodePage437) {
  EXPECT_EQ(zip::EncodeEntryName("Reports/a.txt").flags, 0);
  const auto utf8 = zip::EncodeEntryName("Résumé/Ünïcode.txt");
  EXPECT_EQ(utf8.flags, zip::kFlagUtf8Name);
  EXPECT_EQ(utf8.bytes, "Résumé/Ünïcode.txt");
  EXPECT_EQ(zip::DecodeEntryName("\x81"
                                 "ber\xE1",
                                 0, true),
            "überß");
  EXPECT_EQ(zip::DecodeEntryName("überß", zip::kFlagUtf8Name, true), "überß");
}

TEST(ZipFormatTest, EntryPathsThatClimbOrAreAbsoluteAreRejected) {
  for (const char* bad : {"/etc/x", "../x", "a/../../x", "..", "a/.."}) {
    EXPECT_FALSE(zip::SplitSafeEntryPath(bad).has_value()) << bad;
  }
  const auto ok = zip::SplitSafeEntryPath("Reports/2003/./b.txt");
  ASSERT_TRUE(ok.has_value());
  EXPECT_EQ(ok->directories, (std::vector<std::string>{"Reports", "2003"}));
  EXPECT_EQ(ok->fileName, "b.txt");
  const auto dirEntry = zip::SplitSafeEntryPath("Reports/2003/");
  ASSERT_TRUE(dirEntry.has_value());
  EXPECT_TRUE(dirEntry->fileName.empty());
  // Backslashes and colons belong to names on this system and stay in them.
  for (const char* name : {"1:1 notes.txt", "C:x", "a\\b.txt", "..\\..\\x", "\\x"}) {
    const auto whole = zip::SplitSafeEntryPath(name);
    ASSERT_TRUE(whole.has_value()) << name;
    EXPECT_TRUE(whole->directories.empty());
    EXPECT_EQ(whole->fileName, name);
  }
}

TEST(ZipFormatTest, MasksMatchLikeTheFileDialogs) {
  EXPECT_TRUE(zip::MatchesMask("Report.TXT", "*.txt"));
  EXPECT_TRUE(zip::MatchesMask("a", "*"));
  EXPECT_TRUE(zip::MatchesMask("ab.c", "a?.*"));
  EXPECT_FALSE(zip::MatchesMask("abc", "a?"));
  EXPECT_FALSE(zip::MatchesMask("x.doc", "*.txt"));
}

TEST(ZipFormatTest, TheReplaceQuestionNamesTheFile) {
  EXPECT_EQ(api::ReplaceFileQuestion("a.txt"), "Replace existing file a.txt?");
}

}  // namespace
}  // namespace kestramo

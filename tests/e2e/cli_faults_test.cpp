// SPDX-License-Identifier: GPL-3.0-or-later
// What goes wrong: interrupted operations, damaged and foreign item files, a damaged
// index, and hostile archives planted as items.
#include <gtest/gtest.h>
#include <signal.h>
#include <zlib.h>

#include <fstream>
#include <random>

#include "cli_runner.h"
#include "storage/cipher/cipher_manager.h"
#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::CliResult;
using testing::CliRunner;
using testing::TempDir;

using testing::RandomBytes;
using testing::ReadFile;
using testing::WriteFile;

std::size_t CountFiles(const fs::path& dir) {
  std::size_t n = 0;
  for (const auto& e : fs::recursive_directory_iterator(dir)) n += e.is_regular_file();
  return n;
}

// A stored (uncompressed) archive whose entries may carry any name and claimed size.
struct RawEntry {
  std::string name;
  std::string data;
  uint32_t claimedSize;
};

// Byte layout: docs/formats/zip.md
std::string StoredArchive(const std::vector<RawEntry>& entries) {
  std::string out, central;
  auto u16 = [](std::string& s, uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); };
  auto u32 = [](std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); };
  for (const RawEntry& e : entries) {
    const auto crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
    const auto offset = static_cast<uint32_t>(out.size());
    u32(out, 0x04034B50);
    u16(out, 20);
    u16(out, 0);
    u16(out, 0);
    u32(out, 0x21000000);
    u32(out, crc);
    u32(out, static_cast<uint32_t>(e.data.size()));
    u32(out, e.claimedSize);
    u16(out, static_cast<uint16_t>(e.name.size()));
    u16(out, 0);
    out += e.name + e.data;
    u32(central, 0x02014B50);
    u16(central, 20);
    u16(central, 20);
    u16(central, 0);
    u16(central, 0);
    u32(central, 0x21000000);
    u32(central, crc);
    u32(central, static_cast<uint32_t>(e.data.size()));
    u32(central, e.claimedSize);
    u16(central, static_cast<uint16_t>(e.name.size()));
    u16(central, 0);
    u16(central, 0);
    u16(central, 0);
    u16(central, 0);
    u32(central, 0x20);
    u32(central, offset);
    central += e.name;
  }
  const auto cdOffset = static_cast<uint32_t>(out.size());
  out += central;
  u32(out, 0x06054B50);
  u16(out, 0);
  u16(out, 0);
  u16(out, static_cast<uint16_t>(entries.size()));
  u16(out, static_cast<uint16_t>(entries.size()));
  u32(out, static_cast<uint32_t>(central.size()));
  u32(out, cdOffset);
  u16(out, 0);
  return out;
}

class CliFaultTest : public ::testing::Test {
 protected:
  CliFaultTest() : vault(dir / "vault"), cli(vault) {
    fs::create_directories(vault);
    EXPECT_EQ(cli.Run({"new-box", "Work"}).status, 0);
  }
  int Items() {
    const std::string out = cli.Run({"list"}).out;
    return static_cast<int>(std::count(out.begin(), out.end(), '\n'));
  }
  std::size_t ItemFiles() { return CountFiles(vault / "coffrel") - 1; }  // all but index.dat
  // Byte layout: docs/formats/classic-item.md
  // Seals `plain` as the file of item `index` under `key`.
  void PlantItem(int index, const std::string& plain, const std::string& key = "vendrali") {
    WriteFile(dir / "plant.zip", plain);
    char name[32];
    std::snprintf(name, sizeof name, "item%.10d.dat", index);
    CipherManager cipher;
    ASSERT_TRUE(cipher.EncryptFile(dir / "plant.zip", vault / "coffrel" / name, key));
  }

  TempDir dir;
  fs::path vault;
  CliRunner cli;
};

TEST_F(CliFaultTest, CtrlCDuringAnImportRecordsNothingAndLeavesNoTrace) {
  WriteFile(dir / "src/big.bin", RandomBytes(40 << 20, 9));
  int interrupted = 0;
  for (const auto delay : {20ms, 80ms, 200ms, 400ms, 800ms}) {
    const CliResult r = cli.Run({"add", "Work", (dir / "src/big.bin").string()}, "", delay);
    // An interrupt may land before the program watches for it (slow start-up under the
    // sanitizers): the default action ends it before it has written anything.
    if (r.status != 0 && r.status != 128 + SIGINT) {
      ++interrupted;
      EXPECT_EQ(r.status, 1) << r.err;
      EXPECT_NE(r.err.find("cancelled"), std::string::npos) << r.err;
    }
    // Whether or not the interrupt came in time, every record has its file and nothing is left over.
    EXPECT_EQ(ItemFiles(), static_cast<std::size_t>(Items()));
    EXPECT_TRUE(fs::is_empty(vault / "temp"));
  }
  EXPECT_GT(interrupted, 0) << "no interrupt landed during the work";
  EXPECT_EQ(cli.Run({"verify"}).status, 0);
}

TEST_F(CliFaultTest, CtrlCDuringAnExportLeavesTheDestinationAsItWas) {
  WriteFile(dir / "src/Data/one.bin", RandomBytes(20 << 20, 3));
  WriteFile(dir / "src/Data/two.bin", RandomBytes(20 << 20, 4));
  ASSERT_EQ(cli.Run({"add", "Work", (dir / "src/Data").string()}).status, 0);
  const fs::path dest = dir / "dest";
  WriteFile(dest / "Data/mine.txt", "the user's own file");
  int cancelled = 0;
  for (const auto delay : {30ms, 150ms, 300ms, 600ms}) {
    const CliResult r = cli.Run({"extract", dest.string(), "1", "--overwrite", "always"}, "", delay);
    EXPECT_EQ(ReadFile(dest / "Data/mine.txt"), "the user's own file");
    // An interrupt that comes after the work is done, when the watch has ended, takes the
    // default action: the export is whole, and the exit still says it was interrupted.
    const bool whole = r.status == 0 || (r.status == 128 + SIGINT && CountFiles(dest) == 3u);
    if (whole) {
      EXPECT_EQ(ReadFile(dest / "Data/one.bin"), ReadFile(dir / "src/Data/one.bin"));
      EXPECT_EQ(ReadFile(dest / "Data/two.bin"), ReadFile(dir / "src/Data/two.bin"));
      fs::remove(dest / "Data/one.bin");
      fs::remove(dest / "Data/two.bin");
    } else {
      ++cancelled;
      EXPECT_EQ(CountFiles(dest), 1u) << r.err;
    }
    EXPECT_TRUE(fs::is_empty(vault / "temp"));
  }
  EXPECT_GT(cancelled, 0);
}

TEST_F(CliFaultTest, MissingTruncatedAndForeignItemsAreNamedAndWriteNothing) {
  for (int i = 1; i <= 4; ++i) WriteFile(dir / ("src/f" + std::to_string(i) + ".txt"), RandomBytes(50000, i));
  for (int i = 1; i <= 4; ++i)
    ASSERT_EQ(cli.Run({"add", "Work", (dir / ("src/f" + std::to_string(i) + ".txt")).string()}).status, 0);

  fs::remove(vault / "coffrel/item0000000001.dat");
  fs::resize_file(vault / "coffrel/item0000000002.dat", 20000);
  PlantItem(3, ReadFile(dir / "src/f3.txt"), "vendralielse");  // sealed under another key

  for (const char* index : {"1", "2", "3"}) {
    const CliResult r = cli.Run({"extract", (dir / "out").string(), index});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot be extracted"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(!fs::exists(dir / "out") || fs::is_empty(dir / "out"));
  EXPECT_EQ(cli.Run({"extract", (dir / "out").string(), "4"}).status, 0);

  const CliResult v = cli.Run({"verify"});
  EXPECT_EQ(v.status, 1);
  EXPECT_NE(v.out.find("DAMAGED\t1\tWork\tf1.txt\tits file item0000000001.dat is missing"), std::string::npos) << v.out;
  EXPECT_NE(v.out.find("DAMAGED\t2\t"), std::string::npos);
  EXPECT_NE(v.out.find("DAMAGED\t3\t"), std::string::npos);
  EXPECT_EQ(v.out.find("DAMAGED\t4\t"), std::string::npos);
  EXPECT_EQ(v.out.find("UNRECORDED"), std::string::npos);

  // An item file that no record names is listed, and still not counted as an item.
  PlantItem(9, "sealed bytes of an item whose record was lost");
  const CliResult again = cli.Run({"verify"});
  EXPECT_NE(again.out.find("UNRECORDED\titem0000000009.dat\n"), std::string::npos) << again.out;
  EXPECT_NE(again.out.find("4 items checked"), std::string::npos) << again.out;
  EXPECT_TRUE(fs::is_empty(vault / "temp"));
}

TEST_F(CliFaultTest, HostileArchivesNeverWriteOutsideTheDestination) {
  WriteFile(dir / "src/Folder/x.txt", "x");
  ASSERT_EQ(cli.Run({"add", "Work", (dir / "src/Folder").string()}).status, 0);
  const fs::path abs = dir / "absolute-target.txt";
  PlantItem(1, StoredArchive({{"../escape.txt", "up", 2},
                              {"Folder/../../escape2.txt", "up", 2},
                              {abs.string(), "abs", 3},
                              {"Folder/..\\..\\back.txt", "bs", 2},
                              {"C:/drive.txt", "drive", 5},
                              {"Folder/liar.txt", std::string(100000, 'L'), 10},
                              {"Folder/fine.txt", "fine", 4}}));
  fs::create_directories(dir / "dest/inner");
  cli.Run({"extract", (dir / "dest/inner").string(), "1"});
  EXPECT_FALSE(fs::exists(dir / "dest/escape.txt"));
  EXPECT_FALSE(fs::exists(dir / "escape2.txt"));
  EXPECT_FALSE(fs::exists(dir / "dest/escape2.txt"));
  EXPECT_FALSE(fs::exists(abs));
  EXPECT_FALSE(fs::exists(dir / "dest/back.txt"));
  for (const auto& e : fs::recursive_directory_iterator(dir / "dest/inner")) {
    EXPECT_NE(e.path().filename(), "liar.txt") << "an entry larger than it claims is abandoned";
  }
  EXPECT_EQ(CountFiles(dir / "dest"), CountFiles(dir / "dest/inner"));
  EXPECT_TRUE(fs::is_empty(vault / "temp"));
}

TEST_F(CliFaultTest, ADamagedIndexIsRestoredAndReported) {
  WriteFile(dir / "src/a.txt", "a");
  ASSERT_EQ(cli.Run({"add", "Work", (dir / "src/a.txt").string()}).status, 0);
  WriteFile(dir / "src/b.txt", "b");
  ASSERT_EQ(cli.Run({"add", "Work", (dir / "src/b.txt").string()}).status, 0);
  WriteFile(vault / "coffrel/index.dat", "\x0cnot an index at all");
  const CliResult r = cli.Run({"list"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("restored from"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.substr(0, 2), "1\t");  // the generation before the last save
  bool setAside = false;
  for (const auto& e : fs::directory_iterator(vault / "coffrel")) {
    setAside |= e.path().filename().string().rfind("index.dat.damaged-", 0) == 0;
  }
  EXPECT_TRUE(setAside);
}

}  // namespace
}  // namespace kestramo

namespace kestramo {
namespace {

TEST_F(CliFaultTest, VerifyTiesEachItemFileToItsRecordAndNamesTheRealReason) {
  WriteFile(dir / "src/one.txt", "first item");
  WriteFile(dir / "src/two.txt", "other item");  // the same size
  WriteFile(dir / "src/three.txt", "third");
  for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
    ASSERT_EQ(cli.Run({"add", "Work", (dir / "src" / name).string()}).status, 0);
  }
  fs::rename(vault / "coffrel/item0000000001.dat", dir / "swap");
  fs::rename(vault / "coffrel/item0000000002.dat", vault / "coffrel/item0000000001.dat");
  fs::rename(dir / "swap", vault / "coffrel/item0000000002.dat");
  PlantItem(3, StoredArchive({{"../three.txt", "third", 5}}));
  // Folder items whose names share a start: each one's entries lie inside its own folder only.
  WriteFile(dir / "src/pics/p.jpg", "12345");
  WriteFile(dir / "src/pics2/p.jpg", "54321");
  for (const char* name : {"pics", "pics2"}) {
    ASSERT_EQ(cli.Run({"add", "Work", (dir / "src" / name).string()}).status, 0);
  }
  fs::rename(vault / "coffrel/item0000000004.dat", dir / "swap");
  fs::rename(vault / "coffrel/item0000000005.dat", vault / "coffrel/item0000000004.dat");
  fs::rename(dir / "swap", vault / "coffrel/item0000000005.dat");

  const CliResult v = cli.Run({"verify"});
  EXPECT_EQ(v.status, 1);
  EXPECT_NE(v.out.find("DAMAGED\t4\tWork\tpics\tits file is not this item's"), std::string::npos) << v.out;
  EXPECT_NE(v.out.find("DAMAGED\t5\tWork\tpics2\tits file is not this item's"), std::string::npos) << v.out;
  EXPECT_NE(v.out.find("DAMAGED\t1\tWork\tone.txt\tits file is not this item's: it holds \"two.txt\""),
            std::string::npos)
      << v.out;
  EXPECT_NE(v.out.find("DAMAGED\t2\tWork\ttwo.txt\tits file is not this item's"), std::string::npos) << v.out;
  EXPECT_NE(v.out.find("DAMAGED\t3\tWork\tthree.txt\tit is damaged (Unsafe entry name skipped: ../three.txt)"),
            std::string::npos)
      << v.out;
  EXPECT_NE(v.err.find("5 items cannot be taken out whole"), std::string::npos) << v.err;
}

// The restored generation lacks the newest records: their files are the last trace of those
// items, so clean keeps them until the user has looked.
TEST_F(CliFaultTest, CleanRemovesNothingRightAfterTheIndexWasRestored) {
  for (const char* name : {"a.txt", "b.txt"}) {
    WriteFile(dir / "src" / name, name);
    ASSERT_EQ(cli.Run({"add", "Work", (dir / "src" / name).string()}).status, 0);
  }
  WriteFile(vault / "coffrel/index.dat", "\x0cnot an index at all");
  const CliResult r = cli.Run({"clean", "--yes"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("nothing removed"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(vault / "coffrel/item0000000002.dat"));
  EXPECT_NE(cli.Run({"verify"}).out.find("UNRECORDED\titem0000000002.dat\n"), std::string::npos);
}

TEST_F(CliFaultTest, CleanRemovesOnlyTheFilesNoRecordLists) {
  WriteFile(dir / "src/kept.txt", "kept");
  ASSERT_EQ(cli.Run({"add", "Work", (dir / "src/kept.txt").string()}).status, 0);
  const std::string kept = ReadFile(vault / "coffrel/item0000000001.dat");
  PlantItem(7, "the file of a deleted item that a kill left behind");
  PlantItem(8, "set aside");
  fs::rename(vault / "coffrel/item0000000008.dat", vault / "coffrel/item0000000001.dat.unrecorded-20240101-000000");
  WriteFile(vault / "coffrel/item-notes.dat", "not an item file");

  const CliResult v = cli.Run({"verify"});
  EXPECT_NE(v.out.find("UNRECORDED\titem0000000001.dat.unrecorded-20240101-000000\nUNRECORDED\titem0000000007.dat\n"),
            std::string::npos)
      << v.out;
  EXPECT_EQ(v.status, 0);

  const CliResult unconfirmed = cli.Run({"clean"});
  EXPECT_EQ(unconfirmed.status, 1);
  EXPECT_NE(unconfirmed.out.find("item0000000007.dat"), std::string::npos);  // shown before the question
  EXPECT_TRUE(fs::exists(vault / "coffrel/item0000000007.dat"));

  const CliResult cleaned = cli.Run({"clean", "--yes"});
  EXPECT_EQ(cleaned.status, 0) << cleaned.err;
  EXPECT_NE(cleaned.out.find("Removed 2 files."), std::string::npos) << cleaned.out;
  EXPECT_EQ(ReadFile(vault / "coffrel/item0000000001.dat"), kept);
  EXPECT_TRUE(fs::exists(vault / "coffrel/item-notes.dat"));
  EXPECT_EQ(ItemFiles(), 2u);  // the recorded item and the stranger
  EXPECT_EQ(cli.Run({"verify"}).out.find("UNRECORDED"), std::string::npos);
  EXPECT_EQ(cli.Run({"clean"}).out, "Nothing to remove.\n");
}

}  // namespace
}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "storage/zip/pack_path.h"
#include "storage/zip/zip_error.h"
#include "zip_test_support.h"

namespace kestramo {
namespace {

using namespace ziptest;

std::string Noise(size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string out(size, '\0');
  for (auto& c : out) c = static_cast<char>(rng());
  return out;
}

std::string Prose(size_t size) {
  std::string out;
  for (int i = 0; out.size() < size; ++i) out += "line " + std::to_string(i * 7919 % 1000) + " of the report\n";
  out.resize(size);
  return out;
}

std::vector<std::string> Names(const ZipComponent& zip) {
  std::vector<std::string> out;
  for (const auto& e : zip.Entries()) out.push_back(e.rawName);
  std::sort(out.begin(), out.end());
  return out;
}

void SetMtime(const fs::path& p, std::time_t t) {
  fs::last_write_time(p, fs::file_time_type::clock::now() + std::chrono::seconds(t - std::time(nullptr)));
}

std::time_t Mtime(const fs::path& p) {
  struct stat st {};
  stat(p.c_str(), &st);
  return st.st_mtime;
}

TEST(ZipRoundTripTest, SingleFileComesBackBareWithTimeAndPermissions) {
  TempDir dir;
  const std::string data = Prose(100000);
  WriteFile(dir / "in/sub/notes.txt", data);
  WriteFile(dir / "in/sub/locked.txt", "keep");
  SetMtime(dir / "in/sub/notes.txt", 1057822242);  // an even second
  fs::permissions(dir / "in/sub/notes.txt", fs::perms(0750));
  fs::permissions(dir / "in/sub/locked.txt", fs::perms(0444));
  ZipComponent zip;
  ASSERT_EQ(PackPath(zip, dir / "in/sub/notes.txt", dir / "a.zip", 6, false).bytes, data.size());
  EXPECT_EQ(Names(zip), std::vector<std::string>{"notes.txt"});
  ASSERT_EQ(PackPath(zip, dir / "in/sub/locked.txt", dir / "b.zip", 6, false).bytes, 4u);
  EXPECT_EQ(zip.Entries()[0].externalAttributes & 0x01, 0x01u);

  EXPECT_EQ(UnpackArchive(zip, dir / "a.zip", dir / "out", false).count, 1);
  EXPECT_EQ(UnpackArchive(zip, dir / "b.zip", dir / "out", false).count, 1);
  EXPECT_EQ(ReadFile(dir / "out/notes.txt"), data);
  EXPECT_EQ(Mtime(dir / "out/notes.txt"), 1057822242);
  EXPECT_EQ(fs::status(dir / "out/notes.txt").permissions(), fs::perms(0750));
  EXPECT_EQ(fs::status(dir / "out/locked.txt").permissions(), fs::perms(0444));
}

// With zstd entries (a hardened item's archive) as with deflate; a classic reader refuses
// the zstd entries and still gives the rest. Empty folders come back, as directory entries.
// With zstd, the small files join groups, the large one is packed in pieces.
TEST(ZipRoundTripTest, FolderKeepsItsNameHiddenFilesAndLargeFiles) {
  TempDir dir;
  const std::string big = Prose(2500000) + Noise(600000, 1) + Prose(1900000);  // several pieces, mixed
  WriteFile(dir / "Reports/a.txt", "alpha");
  WriteFile(dir / "Reports/2003/b.txt", "beta");
  WriteFile(dir / "Reports/2003/.hidden", "h");
  WriteFile(dir / "Reports/big.dat", big);
  fs::create_directories(dir / "Reports/empty/inner");
  for (const bool zstd : {false, true}) {
    SCOPED_TRACE(zstd ? "zstd" : "deflate");
    fs::remove_all(dir / "D");
    ZipComponent zip;
    zip.SetZstdEntries(zstd);
    ASSERT_EQ(PackPath(zip, dir / "Reports", dir / "r.zip", 6, true).bytes, 5 + 4 + 1 + big.size());
    EXPECT_EQ(Names(zip), (std::vector<std::string>{"Reports/2003/.hidden", "Reports/2003/b.txt", "Reports/a.txt",
                                                    "Reports/big.dat", "Reports/empty/inner/"}));
    for (const auto& e : zip.Entries()) {
      if (e.rawName.back() == '/') continue;
      const bool large = e.uncompressedSize > 5;
      EXPECT_EQ(e.method, zstd ? zip::kMethodZstd : large ? zip::kMethodDeflate : zip::kMethodStored) << e.rawName;
      EXPECT_EQ(e.zstdGroup != zip::kNoGroup, zstd && !large) << e.rawName;
      if (large) {
        EXPECT_LT(e.compressedSize, big.size() * 3 / 10);
      }
    }
    EXPECT_EQ(UnpackArchive(zip, dir / "r.zip", dir / "D", true).count, 4);
    EXPECT_EQ(ReadFile(dir / "D/Reports/a.txt"), "alpha");
    EXPECT_EQ(ReadFile(dir / "D/Reports/2003/b.txt"), "beta");
    EXPECT_EQ(ReadFile(dir / "D/Reports/2003/.hidden"), "h");
    EXPECT_EQ(ReadFile(dir / "D/Reports/big.dat"), big);
    EXPECT_TRUE(fs::is_empty(dir / "D/Reports/empty/inner"));

    ZipComponent classic;
    fs::remove_all(dir / "D");
    EXPECT_EQ(UnpackArchive(classic, dir / "r.zip", dir / "D", true).count, zstd ? 0 : 4);
    EXPECT_EQ(fs::exists(dir / "D/Reports/big.dat"), !zstd);
  }
}

// Files alike but each incompressible alone pack to far less in a zstd group than alone, and
// come back whole. A byte changed in one of them loses it, and no file comes back other than
// it was; those before it in its group and the other groups' all come back. A group field
// naming a later offset is refused with the directory.
TEST(ZipRoundTripTest, GroupedFilesComeBackWholeOrNotAtAll) {
  TempDir dir;
  const std::string shared = Noise(4000, 7);
  auto content = [&](int i) { return std::to_string(i) + shared + std::to_string(i * i); };
  for (int i = 0; i < 300; ++i) WriteFile(dir / "Many" / ("f" + std::to_string(i)), content(i));
  ZipComponent zip;
  zip.SetZstdEntries(true);
  ASSERT_GT(PackPath(zip, dir / "Many", dir / "m.zip", 6, true).bytes, 300u * shared.size());
  const std::vector<zip::EntryInfo> entries = zip.Entries();
  uint64_t packed = 0;
  for (const auto& e : entries) packed += e.compressedSize;
  EXPECT_LT(packed, 300u * shared.size() / 10);
  ASSERT_EQ(UnpackArchive(zip, dir / "m.zip", dir / "D", true).count, 300);
  for (int i = 0; i < 300; ++i) ASSERT_EQ(ReadFile(dir / "D/Many" / ("f" + std::to_string(i))), content(i));

  std::string bytes = ReadFile(dir / "m.zip");
  const zip::EntryInfo& hit = entries[entries.size() / 2];
  ASSERT_NE(hit.zstdGroup, zip::kNoGroup);
  bytes[hit.localHeaderOffset + 30 + hit.rawName.size() + hit.compressedSize / 2] ^= 0x20;
  WriteFile(dir / "d.zip", bytes);
  fs::remove_all(dir / "D");
  EXPECT_LT(UnpackArchive(zip, dir / "d.zip", dir / "D", true).count, 300);
  for (const auto& e : entries) {
    const fs::path out = dir / "D" / e.rawName;
    const int i = std::stoi(e.rawName.substr(e.rawName.rfind('f') + 1));
    if (e.zstdGroup != hit.zstdGroup || e.localHeaderOffset <= hit.localHeaderOffset) {
      EXPECT_EQ(fs::exists(out), e.localHeaderOffset != hit.localHeaderOffset) << e.rawName;
    }
    if (fs::exists(out)) {
      EXPECT_EQ(ReadFile(out), content(i)) << e.rawName;
    }
  }

  bytes = ReadFile(dir / "m.zip");
  const size_t field = bytes.find(std::string("\x4b\x47\x08\x00", 4), Le32(bytes, bytes.size() - 6));
  ASSERT_NE(field, std::string::npos);
  bytes[field + 11] = 0x7F;  // a group that would start far after its entry
  WriteFile(dir / "d.zip", bytes);
  const ZipRun damaged = UnpackArchive(zip, dir / "d.zip", dir / "E", true);
  EXPECT_EQ(damaged.count, 0);
  EXPECT_EQ(damaged.error, kDamagedDirectory);
}

std::string Prefixed(char prefix, const fs::path& mask) {
  std::string out = mask.string();
  out.insert(out.begin(), prefix);
  return out;
}

TEST(ZipRoundTripTest, MasksPrefixesAndTheArchiveNeverInsideItself) {
  TempDir dir;
  WriteFile(dir / "F/a.txt", "a");
  WriteFile(dir / "F/b.doc", "b");
  WriteFile(dir / "F/sub/c.txt", "c");
  ZipComponent zip;
  PackOptions options;
  options.zipName = (dir / "F/self.zip").string();
  options.rootDir = dir.Path().string() + "/";
  options.relativePaths = options.storePaths = options.recurse = true;
  options.filesList = {Prefixed('|', dir / "F/*.txt")};
  ASSERT_EQ(zip.MakeArchive(options).count, 1);
  EXPECT_EQ(Names(zip), std::vector<std::string>{"F/a.txt"});
  options.filesList = {Prefixed('>', dir / "F/*.*")};
  ASSERT_EQ(zip.MakeArchive(options).count, 3);  // self.zip left out
  EXPECT_EQ(Names(zip), (std::vector<std::string>{"F/a.txt", "F/b.doc", "F/sub/c.txt"}));
}

TEST(ZipRoundTripTest, ProgressRisesToOneHundredInBothDirections) {
  TempDir dir;
  WriteFile(dir / "P/one.bin", Noise(300000, 2));
  WriteFile(dir / "P/two.txt", Prose(900000));
  ZipComponent zip;
  std::vector<int> seen;
  zip.OnTotalPercentDone = [&](int p) { seen.push_back(p); };
  ASSERT_GT(PackPath(zip, dir / "P", dir / "p.zip", 6, true).bytes, 0u);
  ASSERT_GT(seen.size(), 10u);  // about one event per 32 KiB read
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 100);
  seen.clear();
  ASSERT_EQ(UnpackArchive(zip, dir / "p.zip", dir / "out", true).count, 2);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  EXPECT_EQ(seen.back(), 100);
}

TEST(ZipRoundTripTest, ExistingFilesFollowTheOverwriteMode) {
  TempDir dir;
  WriteFile(dir / "src/S/a.txt", "new a");
  WriteFile(dir / "src/S/b.txt", "new b");
  ZipComponent zip;
  ASSERT_GT(PackPath(zip, dir / "src/S", dir / "s.zip", 6, true).bytes, 0u);
  WriteFile(dir / "D/S/a.txt", "old a");

  std::vector<std::string> asked;
  UnpackOptions choices;
  choices.overwritePrompt = [&](const std::string& name) {
    asked.push_back(name);
    return false;
  };
  EXPECT_EQ(UnpackArchive(zip, dir / "s.zip", dir / "D", true, choices).count, 1);
  EXPECT_EQ(asked, std::vector<std::string>{"a.txt"});
  EXPECT_EQ(ReadFile(dir / "D/S/a.txt"), "old a");
  EXPECT_EQ(ReadFile(dir / "D/S/b.txt"), "new b");
  EXPECT_EQ(zip.CreatedPaths(), std::vector<std::string>{(dir / "D/S/b.txt").string()});

  choices.overwritePrompt = nullptr;  // nobody to ask: never replace silently
  EXPECT_EQ(UnpackArchive(zip, dir / "s.zip", dir / "D", true, choices).count, 0);
  EXPECT_EQ(ReadFile(dir / "D/S/a.txt"), "old a");
  choices.overwriteMode = OverwriteMode::Never;
  EXPECT_EQ(UnpackArchive(zip, dir / "s.zip", dir / "D", true, choices).count, 0);

  fs::permissions(dir / "D/S/a.txt", fs::perms(0444));
  choices.overwriteMode = OverwriteMode::Always;
  EXPECT_EQ(UnpackArchive(zip, dir / "s.zip", dir / "D", true, choices).count, 1);  // read-only kept
  EXPECT_EQ(ReadFile(dir / "D/S/a.txt"), "old a");
  choices.replaceReadOnly = true;
  EXPECT_EQ(UnpackArchive(zip, dir / "s.zip", dir / "D", true, choices).count, 2);
  EXPECT_EQ(ReadFile(dir / "D/S/a.txt"), "new a");
  EXPECT_TRUE(zip.CreatedPaths().empty());
}

TEST(ZipRoundTripTest, CreatedPathsListOnlyWhatTheExtractionMade) {
  TempDir dir;
  WriteFile(dir / "src/S/x/y/z.txt", "z");
  ZipComponent zip;
  ASSERT_GT(PackPath(zip, dir / "src/S", dir / "s.zip", 6, true).bytes, 0u);
  fs::create_directories(dir / "D/S");
  EXPECT_EQ(UnpackArchive(zip, dir / "s.zip", dir / "D/deeper", true).count, 1);
  EXPECT_EQ(zip.CreatedPaths(),
            (std::vector<std::string>{(dir / "D/deeper").string(), (dir / "D/deeper/S").string(),
                                      (dir / "D/deeper/S/x").string(), (dir / "D/deeper/S/x/y").string(),
                                      (dir / "D/deeper/S/x/y/z.txt").string()}));
  EXPECT_EQ(UnpackArchive(zip, dir / "s.zip", dir / "D", true).count, 1);
  EXPECT_EQ(zip.CreatedPaths().front(), (dir / "D/S/x").string());  // D/S was there before
}

TEST(ZipRoundTripTest, CancelStopsPackingAndUnpackingAndIsClearedAfterwards) {
  TempDir dir;
  WriteFile(dir / "C/big.txt", Prose(3000000));
  ZipComponent zip;
  zip.OnTotalPercentDone = [&](int p) {
    if (p >= 10) zip.CancelOperation();
  };
  const ZipRun packing = PackPath(zip, dir / "C", dir / "c.zip", 6, true);
  EXPECT_EQ(packing.bytes, 0u);
  EXPECT_EQ(packing.fault, ZipFault::UserAborted);
  EXPECT_FALSE(fs::exists(dir / "c.zip"));

  zip.OnTotalPercentDone = nullptr;
  zip.CancelOperation();  // made while idle: no effect on the next run
  ASSERT_GT(PackPath(zip, dir / "C", dir / "c.zip", 6, true).bytes, 0u);

  int events = 0;
  zip.OnTotalPercentDone = [&](int) {
    if (++events == 2) zip.CancelOperation();
  };
  const ZipRun unpacking = UnpackArchive(zip, dir / "c.zip", dir / "out", true);
  EXPECT_EQ(unpacking.count, 0);
  EXPECT_EQ(unpacking.error, kUserAborted);
  EXPECT_FALSE(fs::exists(dir / "out/C/big.txt"));  // the partial file is removed
}

TEST(ZipRoundTripTest, NonAsciiNamesRoundTripWithTheUtf8Flag) {
  TempDir dir;
  WriteFile(dir / "Bücher/Übersicht été.txt", "ü");
  ZipComponent zip;
  ASSERT_GT(PackPath(zip, dir / "Bücher", dir / "u.zip", 6, true).bytes, 0u);
  ASSERT_EQ(zip.Entries().size(), 1u);
  EXPECT_EQ(zip.Entries()[0].flags & 0x0800, 0x0800);
  EXPECT_EQ(UnpackArchive(zip, dir / "u.zip", dir / "out", true).count, 1);
  EXPECT_EQ(ReadFile(dir / "out/Bücher/Übersicht été.txt"), "ü");
}

TEST(ZipRoundTripTest, VanishedSourcesAreSkippedAndTheRestCounted) {
  TempDir dir;
  WriteFile(dir / "a.txt", "aaa");
  ZipComponent zip;
  PackOptions options;
  options.zipName = (dir / "v.zip").string();
  options.filesList = {(dir / "a.txt").string(), (dir / "missing.txt").string()};
  const ZipRun run = zip.MakeArchive(options);
  EXPECT_TRUE(run.ok());
  EXPECT_EQ(run.count, 1);
  EXPECT_EQ(run.bytes, 3u);
}

}  // namespace
}  // namespace kestramo

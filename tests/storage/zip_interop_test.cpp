// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <fstream>
#include <random>

#include "storage/cipher/stream.h"
#include "storage/zip/pack_path.h"
#include "test_files.h"
#include "zip_test_support.h"

namespace kestramo {
namespace {

using namespace ziptest;

int Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// A file that can only grow at its end, as a sealing stream's plain side.
class AppendOnlyFile : public Stream {
 public:
  explicit AppendOnlyFile(const fs::path& file) : fd_(open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)) {}
  ~AppendOnlyFile() override { close(fd_); }
  int Fd() const { return fd_; }
  size_t Read(void*, size_t) override { return 0; }
  bool Write(const void* data, size_t n) override { return write(fd_, data, n) == static_cast<ssize_t>(n); }
  bool Seek(int64_t) override { return false; }
  int64_t Position() const override { return lseek(fd_, 0, SEEK_CUR); }
  int64_t Size() const override { return Position(); }

 private:
  int fd_;
};

// A folder with text, random bytes, an empty file, a file of several compression pieces and nesting.
void MakeSample(const fs::path& root) {
  std::mt19937 rng(11);
  std::string noise(200000, '\0');
  for (auto& c : noise) c = static_cast<char>(rng());
  std::string text;
  for (int i = 0; text.size() < 1500000; ++i)
    text += "row " + std::to_string(i) + ";value;" + std::to_string(i % 97) + "\n";
  WriteFile(root / "top.txt", "top level\n");
  WriteFile(root / "empty.dat", "");
  WriteFile(root / "a/noise.bin", noise);
  WriteFile(root / "a/b/c/table.csv", text + noise + noise + text);  // deflated and stored pieces in one stream
  WriteFile(root / "a/b/.dot", "hidden");
}

TEST(ZipInteropTest, OurArchivesPassOtherReaders) {
  TempDir dir;
  MakeSample(dir / "Sample");
  WriteFile(dir / "Sample/naïve.txt", "accent");
  ZipComponent zip;
  ASSERT_GT(PackPath(zip, dir / "Sample", dir / "ours.zip", 6, true).bytes, 0u);
  ASSERT_GT(PackPath(zip, dir / "Sample", dir / "stored.zip", 0, true).bytes, 0u);
  {  // never going back: a file of several pieces states its crc and sizes after its data
    AppendOnlyFile sink(dir / "appended.zip");
    ASSERT_GT(PackPath(zip, dir / "Sample", dir / "appended.zip", 6, true, &sink, sink.Fd()).bytes, 0u);
  }
  if (!HaveTool("unzip")) GTEST_SKIP() << "unzip not installed";
  for (const char* name : {"ours.zip", "stored.zip", "appended.zip"}) {
    EXPECT_EQ(Shell("unzip -t '" + (dir / name).string() + "'"), 0) << name;
  }
  EXPECT_EQ(Shell("cd '" + dir.Path().string() + "' && mkdir peer && cd peer && unzip -q ../ours.zip"), 0);
  EXPECT_EQ(Shell("diff -r '" + (dir / "Sample").string() + "' '" + (dir / "peer/Sample").string() + "'"), 0);
  if (!HaveTool("python3")) GTEST_SKIP() << "python3 not installed";
  const std::string script =
      "import sys, zipfile\n"
      "for p in sys.argv[1:]:\n"
      "    z = zipfile.ZipFile(p)\n"
      "    assert z.testzip() is None, p\n"
      "    assert 'Sample/naïve.txt' in z.namelist(), z.namelist()\n";
  WriteFile(dir / "check.py", script);
  EXPECT_EQ(Shell("python3 '" + (dir / "check.py").string() + "' '" + (dir / "ours.zip").string() + "' '" +
                  (dir / "stored.zip").string() + "' '" + (dir / "appended.zip").string() + "'"),
            0);
}

// Checks an archive with the other readers: unzip tests every entry's CRC; zipfile lists the
// entries with their sizes and reads the smallest, or tests them all.
void ExpectOtherReadersAccept(const fs::path& archive, const std::string& sizes, bool testAll, bool unzip = true) {
  if (!HaveTool("unzip") || !HaveTool("python3")) GTEST_SKIP() << "unzip or python3 not installed";
  if (unzip) {
    EXPECT_EQ(Shell("unzip -tq '" + archive.string() + "'"), 0) << archive;
  }
  const std::string script =
      std::string("import sys, zipfile\n") +
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "assert sorted(i.file_size for i in z.infolist()) == " +
      sizes + "\n" +
      (testAll ? "assert z.testzip() is None\n" : "z.read(min(z.infolist(), key=lambda i: i.file_size))\n");
  WriteFile(archive.parent_path() / "check.py", script);
  EXPECT_EQ(Shell("python3 '" + (archive.parent_path() / "check.py").string() + "' '" + archive.string() + "'"), 0);
}

// A sparse file with marks along it and a small file. Deflated, a file past 4 GiB needs ZIP64
// sizes; stored, one of exactly 4 GiB - 1 bytes does too (its size is the field's "see ZIP64"
// value), with the small file last, so do its offset and the directory's.
TEST(ZipInteropTest, FilesAndArchivesPastFourGibibytesRoundTrip) {
  TempDir dir;
  const fs::path big = dir / "Big/big.bin", small = dir / "Big/small.txt";
  // The stored archive and the unpacked copy take real room; the source is sparse.
  if (!kestramo::testing::HasFreeGiB(dir.Path(), 12)) GTEST_SKIP() << "less than 12 GiB free for archives past 4 GiB";
  WriteFile(small, "after the big one");
  for (const auto& [level, size] : {std::pair<int, uint64_t>{6, (uint64_t{4} << 30) + 12345}, {0, 0xFFFFFFFF}}) {
    const std::vector<uint64_t> marks = {0, uint64_t{1} << 31, size - 4 - 7, size - 5};
    WriteFile(big, "");
    std::error_code ec;
    fs::resize_file(big, size, ec);
    if (ec) GTEST_SKIP() << "file system cannot hold a sparse file past 4 GiB";
    {
      std::fstream f(big, std::ios::in | std::ios::out | std::ios::binary);
      for (uint64_t at : marks) f.seekp(static_cast<std::streamoff>(at)).write("mark", at == size - 5 ? 5 : 4);
    }
    const fs::path archive = dir / ("big" + std::to_string(level) + ".zip");
    ZipComponent zip;
    PackOptions options;
    options.zipName = archive.string();
    options.filesList = {big.string(), small.string()};  // plain paths keep this order
    options.rootDir = dir.Path().string() + "/";
    options.relativePaths = options.storePaths = options.recurse = true;
    options.packLevel = level;
    ASSERT_EQ(zip.MakeArchive(options).count, 2) << level;
    // unzip takes a ZIP64 size of exactly 0xFFFFFFFF for a damaged field (zipfile's own
    // archive of such a file too): only zipfile checks that one.
    ExpectOtherReadersAccept(archive, "[17, " + std::to_string(size) + "]", false, size != 0xFFFFFFFF);
    ASSERT_EQ(UnpackArchive(zip, archive, dir / "out", true).count, 2) << level;  // CRCs checked
    EXPECT_EQ(fs::file_size(dir / "out/Big/big.bin"), size);
    std::ifstream f(dir / "out/Big/big.bin", std::ios::binary);
    for (uint64_t at : marks) {
      char got[4] = {};
      f.seekg(static_cast<std::streamoff>(at)).read(got, 4);
      EXPECT_EQ(std::string(got, 4), "mark") << at;
    }
    EXPECT_EQ(ReadFile(dir / "out/Big/small.txt"), "after the big one");
    fs::remove_all(dir / "out");
    fs::remove(archive);
  }
}

TEST(ZipInteropTest, FoldersOfMoreThan65535FilesRoundTrip) {
  TempDir dir;
  constexpr int kFiles = 65600;
  for (int i = 0; i < kFiles; ++i) WriteFile(dir / "Many" / std::to_string(i / 1000) / std::to_string(i), "x");
  ZipComponent zip;
  ASSERT_EQ(PackPath(zip, dir / "Many", dir / "many.zip", 6, true).bytes, uint64_t{kFiles});
  ExpectOtherReadersAccept(dir / "many.zip", "[1] * " + std::to_string(kFiles), true);
  EXPECT_EQ(UnpackArchive(zip, dir / "many.zip", dir / "out", true).count, kFiles);
  EXPECT_EQ(ReadFile(dir / "out/Many/65/65599"), "x");
}

TEST(ZipInteropTest, ArchivesOfTheCommandLineToolUnpackExactly) {
  if (!HaveTool("zip")) GTEST_SKIP() << "zip not installed";
  TempDir dir;
  MakeSample(dir / "Sample");
  for (const char* level : {"-0", "-6", "-9"}) {
    const fs::path archive = dir / (std::string("peer") + level + ".zip");
    ASSERT_EQ(Shell("cd '" + dir.Path().string() + "' && zip -r -q " + level + " '" + archive.string() + "' Sample"),
              0);
    const fs::path out = dir / (std::string("out") + level);
    ZipComponent zip;
    EXPECT_EQ(UnpackArchive(zip, archive, out, true).count, 5) << level;
    EXPECT_EQ(Shell("diff -r '" + (dir / "Sample").string() + "' '" + (out / "Sample").string() + "'"), 0) << level;
  }
}

}  // namespace
}  // namespace kestramo

#include <gtest/gtest.h>

#include <random>

#include "storage/zip/pack_path.h"
#include "zip_test_support.h"

namespace kestramo {
namespace {

using namespace ziptest;

int Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()); }

// A folder with text, random bytes, an empty file, a file of several compression pieces and nesting.
void MakeSample(const fs::path& root) {
  std::mt19937 rng(11);
  std::string noise(200000, '\0');
  for (auto& c : noise) c = static_cast<char>(rng());
  std::string text;
  for (int i = 0; text.size() < 1500000; ++i) text += "row " + std::to_string(i) + ";value;" + std::to_string(i % 97) + "\n";
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
  ASSERT_GT(PackPath(zip, dir / "Sample", dir / "ours.zip", 6, true), 0u);
  ASSERT_GT(PackPath(zip, dir / "Sample", dir / "stored.zip", 0, true), 0u);
  if (!HaveTool("unzip")) GTEST_SKIP() << "unzip not installed";
  EXPECT_EQ(Shell("unzip -t '" + (dir / "ours.zip").string() + "'"), 0);
  EXPECT_EQ(Shell("unzip -t '" + (dir / "stored.zip").string() + "'"), 0);
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
                (dir / "stored.zip").string() + "'"),
            0);
}

TEST(ZipInteropTest, ArchivesOfTheCommandLineToolUnpackExactly) {
  if (!HaveTool("zip")) GTEST_SKIP() << "zip not installed";
  TempDir dir;
  MakeSample(dir / "Sample");
  for (const char* level : {"-0", "-6", "-9"}) {
    const fs::path archive = dir / (std::string("peer") + level + ".zip");
    ASSERT_EQ(Shell("cd '" + dir.Path().string() + "' && zip -r -q " + level + " '" + archive.string() + "' Sample"), 0);
    const fs::path out = dir / (std::string("out") + level);
    ZipComponent zip;
    EXPECT_EQ(UnpackArchive(zip, archive, out, true), 5) << level << ": " << zip.LastError();
    EXPECT_EQ(Shell("diff -r '" + (dir / "Sample").string() + "' '" + (out / "Sample").string() + "'"), 0) << level;
  }
}

}  // namespace
}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
// A hardened item's archive must hold every file it was given, each decoding whole: the
// cases here once stored less, or something that could not come back, and said nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "storage/zip/pack_path.h"
#include "storage/zip/zip_component.h"
#include "zip_test_support.h"

namespace kestramo {
namespace {

using namespace ziptest;

// Whether a file holds `size` zero bytes and nothing else.
bool AllZeros(const fs::path& path, uint64_t size) {
  if (fs::file_size(path) != size) return false;
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buffer(1 << 20);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    const auto n = static_cast<size_t>(in.gcount());
    if (std::any_of(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n), [](char c) { return c != 0; }))
      return false;
  }
  return true;
}

// A file of whole 1 MiB frames streams through a decoder whose output buffer each frame
// fills exactly: its last frame ends where the buffer does, and the entry ends there too.
TEST(ZstdWholeEntriesTest, ZeroFilesOfWholeFramesComeBack) {
  struct Case {
    uint64_t size;
    bool extract;  // else decoded only: a 2 GiB file is not written out again
  };
  for (const Case c : {Case{64ull << 20, true}, Case{(64ull << 20) + 1, true}, Case{2ull << 30, false}}) {
    SCOPED_TRACE(c.size);
    TempDir dir;
    const fs::path source = dir / "disk.img";
    std::ofstream(source).close();
    fs::resize_file(source, c.size);  // sparse: zeros at no cost
    ZipComponent zip;
    zip.SetZstdEntries(true);
    ASSERT_EQ(PackPath(zip, source, dir / "a.zip", 6, false).bytes, c.size);
    const ZipRun tested = zip.TestEntries((dir / "a.zip").string());
    EXPECT_TRUE(tested.ok()) << tested.error;
    EXPECT_EQ(tested.count, 0);
    if (!c.extract) continue;
    ASSERT_EQ(UnpackArchive(zip, dir / "a.zip", dir / "out", false).count, 1);
    EXPECT_TRUE(AllZeros(dir / "out/disk.img", c.size));
  }
}

// The thread writing the archive is held up once, as a slow disk or a busy sealer can hold
// it: meanwhile every group in flight is packed and posted, and their last letters arrive
// together. The groups still to come must be written all the same.
TEST(ZstdWholeEntriesTest, AWriterOvertakenByEveryGroupStillWritesThemAll) {
  TempDir dir;
  // 8 MiB of small files: groups of 1 to 2 MiB, more of them than are packed at once.
  constexpr int kFiles = 800;
  for (int i = 0; i < kFiles; ++i) {
    std::string text;
    while (text.size() < 10 * 1024) text += "file " + std::to_string(i) + " line " + std::to_string(text.size()) + "\n";
    WriteFile(dir / ("tree/d" + std::to_string(i % 7) + "/f" + std::to_string(i) + ".txt"), text);
  }
  ZipComponent zip;
  zip.SetZstdEntries(true);
  bool held = false;
  zip.OnTotalPercentDone = [&held](int) {  // called as each file is written
    if (!std::exchange(held, true)) std::this_thread::sleep_for(std::chrono::milliseconds(300));
  };
  EXPECT_GT(PackPath(zip, dir / "tree", dir / "a.zip", 6, true).bytes, 0u);
  EXPECT_EQ(zip.Entries().size(), size_t{kFiles});
  EXPECT_EQ(zip.TestEntries((dir / "a.zip").string()).count, 0);
  EXPECT_EQ(zip.Entries().size(), size_t{kFiles});
}

}  // namespace
}  // namespace kestramo

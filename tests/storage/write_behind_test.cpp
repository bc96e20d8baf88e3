// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "storage/disk/write_behind.h"
#include "temp_dir.h"

namespace kestramo {
namespace {

// A piece that fails, followed by pieces that would succeed, still fails the file: the thread
// is kept busy by a large first piece so that all three wait in the queue together.
TEST(WriteBehindTest, OneFailedPieceFailsTheFinishWhateverFollows) {
  testing::TempDir dir;
  const std::string path = (dir / "out").string();
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  const int readOnly = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_GE(readOnly, 0);
  const std::string big(32 << 20, 'x');
  const auto* bytes = reinterpret_cast<const unsigned char*>(big.data());
  {
    WriteBehind writer;
    EXPECT_TRUE(writer.WriteInPlace(fd, 0, bytes, big.size()));
    writer.Write(readOnly, 0, bytes, 4);  // true or false, as the thread may not have got to it
    writer.Write(fd, 4, bytes, 4);
    writer.Write(fd, 8, bytes, 4);
    EXPECT_FALSE(writer.Finish());
    // The failure belongs to that file alone: the next one starts clean.
    EXPECT_TRUE(writer.Write(fd, 0, bytes, 4));
    EXPECT_TRUE(writer.Finish());
  }
  ::close(readOnly);
  ::close(fd);
}

}  // namespace
}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/disk/read_full.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "temp_dir.h"
#include "test_files.h"

namespace kestramo {
namespace {

// Every read of storage goes through these: a pipe fed piece by piece returns short reads,
// which must be gathered; the end of a file is a short count, and a failed read is -1.
TEST(ReadFullTest, GathersShortReadsAndStopsOnlyAtTheEnd) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  std::thread writer([&] {
    for (const char* piece : {"abc", "defg", "h"}) {
      ASSERT_EQ(::write(ends[1], piece, std::char_traits<char>::length(piece)),
                static_cast<ssize_t>(std::char_traits<char>::length(piece)));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(ends[1]);
  });
  char got[16] = {};
  EXPECT_EQ(ReadFull(ends[0], got, 6), 6);
  EXPECT_EQ(std::string(got, 6), "abcdef");
  EXPECT_EQ(ReadFull(ends[0], got, 10), 2);  // the writer ends: the rest is short
  EXPECT_EQ(std::string(got, 2), "gh");
  writer.join();
  ::close(ends[0]);

  testing::TempDir dir;
  testing::WriteFile(dir / "f", "0123456789");
  const int fd = ::open((dir / "f").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(ReadFullAt(fd, got, 4, 3), 4);
  EXPECT_EQ(std::string(got, 4), "3456");
  EXPECT_EQ(ReadFullAt(fd, got, 8, 7), 3);
  EXPECT_EQ(ReadFullAt(fd, got, 8, 10), 0);
  ::close(fd);
  EXPECT_EQ(ReadFullAt(fd, got, 1, 0), -1);  // closed: the failure is told, not taken for the end
}

}  // namespace
}  // namespace kestramo

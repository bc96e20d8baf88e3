// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace kestramo {

// Writes pieces to files on a thread of its own, in the order they are handed over, so that
// the caller works on the next piece while the system copies the last one. The pieces are
// copied and at most a few wait at a time, so memory stays small.
class WriteBehind {
 public:
  WriteBehind();
  ~WriteBehind();  // writes what is queued, then stops the thread
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // False when a piece handed over since the last Finish() could not be written; nothing
  // more is written then until Finish().
  bool Write(int fd, uint64_t offset, const unsigned char* data, size_t size);
  // The same without a copy: the bytes must stay as they are until Finish().
  bool WriteInPlace(int fd, uint64_t offset, const unsigned char* data, size_t size);
  // Waits until every piece handed over is written, as it must before the file is closed;
  // false when any of them failed.
  bool Finish();

 private:
  struct Piece {
    int fd = -1;
    uint64_t offset = 0;
    const unsigned char* data = nullptr;
    size_t size = 0;
    std::vector<unsigned char> copy;  // holds the bytes unless they stay in place
  };
  bool Queue(int fd, uint64_t offset, const unsigned char* data, size_t size, bool copy);
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Piece> queue_;
  std::vector<std::vector<unsigned char>> spare_;
  bool writing_ = false;  // a piece taken off the queue is being written
  bool failed_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/disk/write_behind.h"

#include "storage/disk/disk_write.h"

namespace kestramo {
namespace {

constexpr size_t kDepth = 4;

}  // namespace

WriteBehind::WriteBehind() : thread_([this] { Run(); }) {}

WriteBehind::~WriteBehind() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

bool WriteBehind::Write(int fd, uint64_t offset, const unsigned char* data, size_t size) {
  return Queue(fd, offset, data, size, true);
}

bool WriteBehind::WriteInPlace(int fd, uint64_t offset, const unsigned char* data, size_t size) {
  return Queue(fd, offset, data, size, false);
}

bool WriteBehind::Queue(int fd, uint64_t offset, const unsigned char* data, size_t size, bool copy) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.size() < kDepth; });
  if (failed_) return false;
  Piece piece;
  piece.fd = fd;
  piece.offset = offset;
  piece.size = size;
  piece.data = data;
  if (copy) {
    if (!spare_.empty()) {
      piece.copy = std::move(spare_.back());
      spare_.pop_back();
    }
    piece.copy.assign(data, data + size);
    piece.data = piece.copy.data();
  }
  queue_.push_back(std::move(piece));
  changed_.notify_all();
  return true;
}

bool WriteBehind::Finish() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return queue_.empty() && !writing_; });
  const bool ok = !failed_;
  failed_ = false;
  return ok;
}

void WriteBehind::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (queue_.empty()) return;
    Piece piece = std::move(queue_.front());
    queue_.pop_front();
    writing_ = true;
    const bool skip = failed_;  // the file is lost already: its rest need not be written
    lock.unlock();
    const bool ok = skip || DiskWriteAllAt(piece.fd, piece.data, piece.size, piece.offset);
    lock.lock();
    failed_ = failed_ || !ok;
    writing_ = false;
    if (piece.copy.capacity() > 0) spare_.push_back(std::move(piece.copy));
    changed_.notify_all();
  }
}

}  // namespace kestramo

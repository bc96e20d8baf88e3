// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>

#include "storage/zip/group_packer.h"

namespace kestramo::zip {

// Hands the files of groups, each as soon as it is packed, from the pool to the thread
// that writes the archive, so that no group's files wait whole in memory.
class GroupMailbox {
 public:
  struct Letter {
    size_t group = 0;
    GroupFile file;
    bool done = false;  // the group's last letter; `error` says why it failed, if it did
    std::exception_ptr error;
  };

  // Waits while the letters not yet taken hold more than kHeldBytes of data and the writing
  // thread is taking them: a writer slowed down never makes them pile up.
  void Post(Letter letter) {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [this] { return held_ <= kHeldBytes || !taking_; });
    held_ += letter.file.data.size();
    letters_.push_back(std::move(letter));
    posted_.notify_one();
  }

  // The next letter; waits for one when `wait`, else false when there is none.
  bool Take(Letter& letter, bool wait) {
    std::unique_lock lock(mutex_);
    if (wait) posted_.wait(lock, [this] { return !letters_.empty(); });
    if (letters_.empty()) return false;
    letter = std::move(letters_.front());
    letters_.pop_front();
    held_ -= letter.file.data.size();
    room_.notify_all();
    return true;
  }

  // Off while the writing thread waits for something else than letters: none waits for it.
  void Taking(bool on) {
    std::lock_guard lock(mutex_);
    taking_ = on;
    room_.notify_all();
  }

 private:
  static constexpr size_t kHeldBytes = 4 << 20;
  std::mutex mutex_;
  std::condition_variable posted_, room_;
  std::deque<Letter> letters_;
  size_t held_ = 0;
  bool taking_ = true;
};

}  // namespace kestramo::zip

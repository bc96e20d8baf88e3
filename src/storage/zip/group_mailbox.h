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

  void Post(Letter letter) {
    {
      std::lock_guard lock(mutex_);
      letters_.push_back(std::move(letter));
    }
    posted_.notify_one();
  }

  // The next letter; waits for one when `wait`, else false when there is none.
  bool Take(Letter& letter, bool wait) {
    std::unique_lock lock(mutex_);
    if (wait) posted_.wait(lock, [this] { return !letters_.empty(); });
    if (letters_.empty()) return false;
    letter = std::move(letters_.front());
    letters_.pop_front();
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<Letter> letters_;
};

}  // namespace kestramo::zip

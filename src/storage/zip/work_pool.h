// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kestramo::zip {

// A fixed set of threads running queued jobs; jobs report back through their own futures.
class WorkPool {
 public:
  explicit WorkPool(unsigned threads);
  ~WorkPool();
  WorkPool(const WorkPool&) = delete;
  WorkPool& operator=(const WorkPool&) = delete;

  void Submit(std::function<void()> job);
  unsigned Size() const { return static_cast<unsigned>(threads_.size()); }

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace kestramo::zip

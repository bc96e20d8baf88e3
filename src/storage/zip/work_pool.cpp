// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/work_pool.h"

namespace kestramo::zip {

WorkPool::WorkPool(unsigned threads) {
  if (threads == 0) threads = 1;
  for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { Run(); });
}

WorkPool::~WorkPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& t : threads_) t.join();
}

void WorkPool::Submit(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
}

void WorkPool::Run() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
}

}  // namespace kestramo::zip

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace kestramo::cli {

// Turns Ctrl-C into a call of `onInterrupt` on a thread of its own, for as long as the
// watch lives, so that an interrupted operation cancels itself like a Cancel button.
class InterruptWatch {
 public:
  explicit InterruptWatch(std::function<void()> onInterrupt);
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  bool Interrupted() const { return interrupted_; }

 private:
  std::function<void()> onInterrupt_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> interrupted_{false};
  std::thread thread_;
};

}  // namespace kestramo::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

namespace kestramo::zip {

// Whole percentages of bytes done out of a running total, rounded to nearest, never above
// 100 and never going back.
class ProgressMeter {
 public:
  explicit ProgressMeter(const std::function<void(int)>& sink) : sink_(sink) {}

  void Start(uint64_t total) {
    total_ = total;
    done_ = 0;
    last_ = 0;
  }
  void Add(uint64_t bytes) {
    done_ += bytes;
    Report(Percent());
  }
  void DropFromTotal(uint64_t bytes) { total_ -= bytes < total_ ? bytes : total_; }
  void Report(int percent) {
    if (percent < last_) percent = last_;
    last_ = percent;
    if (sink_) sink_(percent);
  }

 private:
  int Percent() const {
    if (total_ == 0) return 0;
    const uint64_t p = (done_ * 100 + total_ / 2) / total_;
    return p > 100 ? 100 : static_cast<int>(p);
  }

  const std::function<void(int)>& sink_;
  uint64_t total_ = 0;
  uint64_t done_ = 0;
  int last_ = 0;
};

}  // namespace kestramo::zip

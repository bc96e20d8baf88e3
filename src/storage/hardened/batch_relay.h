// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kestramo {

// Runs one stage of a byte pipeline on a thread of its own, a few batches ahead of the
// caller's stage, so that sealing or opening an item keeps both cores busy while each
// stream's own order is kept. The batches are wiped when the relay is done with them.
class BatchRelay {
 public:
  // Fills the empty batch with the next bytes (no more than its capacity); false on a
  // failure. A batch left empty ends the run.
  using Produce = std::function<bool(std::vector<uint8_t>& batch)>;

  BatchRelay(std::size_t batchSize, Produce produce);
  ~BatchRelay();  // stops the producing stage, whatever it was doing
  BatchRelay(const BatchRelay&) = delete;
  BatchRelay& operator=(const BatchRelay&) = delete;

  // The next batch, once filled: empty at the end, nullptr after a failure. It stays the
  // caller's, to change as it likes, until the next call.
  std::vector<uint8_t>* Next();

 private:
  void Run();

  Produce produce_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<uint8_t>> filled_;
  std::vector<std::vector<uint8_t>> empty_;
  std::vector<uint8_t> taken_;  // the batch the caller holds
  bool ended_ = false;
  bool failed_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace kestramo

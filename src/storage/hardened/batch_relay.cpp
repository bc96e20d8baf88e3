// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/hardened/batch_relay.h"

#include <sodium.h>

namespace kestramo {

namespace {

constexpr std::size_t kBatches = 3;  // one being filled, one waiting, one with the caller

void Wipe(std::vector<uint8_t>& batch) {
  sodium_memzero(batch.data(), batch.size());
  batch.clear();
}

}  // namespace

BatchRelay::BatchRelay(std::size_t batchSize, Produce produce) : produce_(std::move(produce)) {
  for (std::size_t i = 0; i < kBatches; ++i) {
    empty_.emplace_back();
    empty_.back().reserve(batchSize);
  }
  thread_ = std::thread([this] { Run(); });
}

BatchRelay::~BatchRelay() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
  Wipe(taken_);
  for (auto& batch : filled_) Wipe(batch);
}

std::vector<uint8_t>* BatchRelay::Next() {
  std::unique_lock lock(mutex_);
  if (taken_.capacity() > 0) {
    Wipe(taken_);
    empty_.push_back(std::move(taken_));
    taken_ = {};
    changed_.notify_all();
  }
  changed_.wait(lock, [this] { return !filled_.empty() || failed_ || ended_; });
  if (filled_.empty()) {
    taken_.clear();
    return failed_ ? nullptr : &taken_;
  }
  taken_ = std::move(filled_.front());
  filled_.pop_front();
  return &taken_;
}

void BatchRelay::Run() {
  std::unique_lock lock(mutex_);
  while (!ended_ && !failed_) {
    changed_.wait(lock, [this] { return stopping_ || !empty_.empty(); });
    if (stopping_) return;
    std::vector<uint8_t> batch = std::move(empty_.back());
    empty_.pop_back();
    lock.unlock();
    const bool ok = produce_(batch);
    lock.lock();
    if (!ok) {
      Wipe(batch);
      failed_ = true;
    } else if (batch.empty()) {
      ended_ = true;
    } else {
      filled_.push_back(std::move(batch));
    }
    changed_.notify_all();
  }
}

}  // namespace kestramo

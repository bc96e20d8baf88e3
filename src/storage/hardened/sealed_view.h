// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kestramo/status.h"
#include "storage/hardened/key_bytes.h"
#include "storage/hardened/sealed_item.h"
#include "storage/zip/archive_view.h"

namespace kestramo {

// A hardened item file read in place: each read opens only the segments that hold the bytes
// asked for, and checks each of them, so the archive never goes through temp/. The file is
// held open from the check of its ends on; a segment moved, cut, changed or sealed under
// another key fails its read, and the last one must be the segment sealed as last.
class SealedItemView : public ArchiveView {
 public:
  // Damaged when the file is not this record's or its end is not the end it was sealed with;
  // IoError or Damaged when it cannot be read.
  static api::Result<std::unique_ptr<SealedItemView>> Open(const std::filesystem::path& item, const KeyBytes& key,
                                                           const ItemBinding& binding);
  ~SealedItemView() override;
  SealedItemView(const SealedItemView&) = delete;
  SealedItemView& operator=(const SealedItemView&) = delete;

  // `fd` is ignored: the bytes come from the file checked when opened.
  bool ReadAt(int fd, void* data, std::size_t size, uint64_t offset) override;
  uint64_t Size() const override { return size_; }

 private:
  SealedItemView(int fd, const KeyBytes& key, const ItemHeader& header);
  bool Load(uint64_t segment);

  int fd_;
  KeyBytes key_;
  ItemHeader header_;
  uint64_t segments_ = 0;
  uint64_t size_ = 0;
  std::mutex mutex_;
  uint64_t loaded_ = UINT64_MAX;  // the segment now in plain_
  std::vector<uint8_t> sealed_;
  std::vector<uint8_t> plain_;
};

}  // namespace kestramo

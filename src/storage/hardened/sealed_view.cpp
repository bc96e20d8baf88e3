// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/hardened/sealed_view.h"

#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "storage/disk/regular_file.h"
#include "storage/hardened/sealed_pieces.h"

namespace kestramo {

SealedItemView::SealedItemView(int fd, const KeyBytes& key, const ItemHeader& header)
    : fd_(fd), key_(key), header_(header), sealed_(kSealedSegment), plain_(kSealedChunk) {}

SealedItemView::~SealedItemView() {
  ::close(fd_);
  sodium_memzero(plain_.data(), plain_.size());
}

api::Result<std::unique_ptr<SealedItemView>> SealedItemView::Open(const std::filesystem::path& item,
                                                                  const KeyBytes& key, const ItemBinding& binding) {
  auto fail = [&item](const std::string& text) { return api::Status::Fail(api::Code::Damaged, text, item); };
  RequireSodium();
  const auto opened = OpenRegularFile(item);
  if (!opened.ok()) return UnopenedItem(item, opened.status());
  const int fd = *opened;
  ItemHeader header{};
  const int64_t total = FileSizeOf(fd);
  if (total < static_cast<int64_t>(kItemHeaderSize) ||
      ReadFull(fd, header.data(), header.size()) != static_cast<ssize_t>(header.size())) {
    ::close(fd);
    return fail("its file is cut short");
  }
  std::unique_ptr<SealedItemView> view(new SealedItemView(fd, key, header));
  if (const std::string unfit = ItemHeaderProblem(header, binding); !unfit.empty()) return fail(unfit);
  // Every segment but the last is whole: the file's length says how many there are, and the
  // last of them must open as the last one sealed.
  const uint64_t body = static_cast<uint64_t>(total) - kItemHeaderSize;
  view->segments_ = std::max<uint64_t>(1, (body + kSealedSegment - 1) / kSealedSegment);
  if (!view->Load(view->segments_ - 1)) return fail("its file is not whole, or not this key's");
  return view;
}

bool SealedItemView::Load(uint64_t segment) {
  if (segment == loaded_) return true;
  loaded_ = UINT64_MAX;
  const bool last = segment + 1 == segments_;
  const uint64_t at = kItemHeaderSize + segment * kSealedSegment;
  const ssize_t got = ReadFullAt(fd_, sealed_.data(), kSealedSegment, at);
  const std::size_t n = got < 0 ? 0 : static_cast<std::size_t>(got);  // a failed read opens nothing
  std::size_t length = 0;
  // A segment before the last is whole; the last one's length is what remains of the file.
  if ((!last && n != kSealedSegment) ||
      !OpenItemSegment(header_, key_, segment, last, sealed_.data(), n, plain_.data(), &length)) {
    return false;
  }
  if (!last && length != kSealedChunk) return false;
  if (last) size_ = segment * kSealedChunk + length;
  loaded_ = segment;
  return true;
}

bool SealedItemView::ReadAt(int, void* data, std::size_t size, uint64_t offset) {
  std::lock_guard lock(mutex_);
  if (offset > size_ || size > size_ - offset) return false;
  auto* out = static_cast<uint8_t*>(data);
  while (size > 0) {
    const uint64_t segment = offset / kSealedChunk;
    if (!Load(segment)) return false;
    const std::size_t from = static_cast<std::size_t>(offset % kSealedChunk);
    const std::size_t take = std::min(size, kSealedChunk - from);
    std::memcpy(out, plain_.data() + from, take);
    out += take;
    offset += take;
    size -= take;
  }
  return true;
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace kestramo::zip {

// Entries of a hardened item's inner archive, which no other program reads, are packed with
// zstd (ZIP method 93): each piece of a file is a frame of its own, so pieces are packed in
// parallel and their frames concatenate into the entry's data.
inline constexpr int kZstdLevel = 3;
// Already-compressed pieces are passed through quickly rather than searched for matches.
inline constexpr int kZstdPassLevel = -8;

// Small files are packed in groups: the files of a group make one frame between them, so
// that each finds matches in the files before it, as in one long stream. A group holds at
// most kZstdGroupBytes, which its window covers, and no file larger than kZstdGroupFileBytes.
inline constexpr size_t kZstdGroupBytes = 11 * 1024 * 1024;
inline constexpr size_t kZstdGroupFileBytes = 2 * 1024 * 1024;
// Larger files are cut into pieces of this size, each a frame of its own packed in parallel:
// smaller than deflate's, so that fewer bytes wait in memory for their turn to be written.
inline constexpr size_t kZstdPieceBytes = 1024 * 1024;

// Replaces `out` with the piece's frame; false when the frame is not smaller than the piece.
bool ZstdCompressPiece(const unsigned char* data, size_t size, int level, std::vector<unsigned char>& out);

// Packs the files of one group, one after the other, into one frame. Each file's bytes are
// flushed at its end, so that they decode in full from the frame's bytes up to there. The
// files are held in a buffer of the thread's until the group ends, as the frame's window.
class ZstdGroupWriter {
 public:
  // `groupBytes`: what the files of the group add up to, at most kZstdGroupBytes.
  explicit ZstdGroupWriter(size_t groupBytes);
  ZstdGroupWriter(const ZstdGroupWriter&) = delete;
  ZstdGroupWriter& operator=(const ZstdGroupWriter&) = delete;
  // Where the next file's `size` bytes go; null when the group has no room left for them.
  unsigned char* Room(size_t size);
  // Packs the `size` bytes put at Room(), appending their packed bytes to `out`.
  void Add(size_t size, std::vector<unsigned char>& out);
  // Ends the frame, appending its last bytes to `out` (the last file's).
  void End(std::vector<unsigned char>& out);

 private:
  void Run(size_t size, int mode, std::vector<unsigned char>& out);
  unsigned char* buffer_;
  size_t used_ = 0;
};

// Decodes the frames of a whole entry into exactly `plainSize` bytes, never writing past
// them; false for damaged data or data that decode to another size.
bool ZstdDecodeWhole(const unsigned char* packed, size_t packedSize, unsigned char* plain, size_t plainSize);

// Decodes an entry too large to hold, piece by piece, with a bounded window.
class ZstdStream {
 public:
  enum class Step { Going, FrameEnd, Damaged };
  ZstdStream();
  ~ZstdStream();
  ZstdStream(const ZstdStream&) = delete;
  ZstdStream& operator=(const ZstdStream&) = delete;
  // Consumes from `in` and fills `out`, moving both forward.
  Step Decode(const unsigned char*& in, size_t& inSize, unsigned char* out, size_t& outSize);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace kestramo::zip

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

// Replaces `out` with the piece's frame; false when the frame is not smaller than the piece.
bool ZstdCompressPiece(const unsigned char* data, size_t size, int level, std::vector<unsigned char>& out);

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

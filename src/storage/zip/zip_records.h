#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestramo::zip {

inline constexpr uint32_t kLocalSignature = 0x04034B50;
inline constexpr uint32_t kCentralSignature = 0x02014B50;
inline constexpr uint32_t kEndSignature = 0x06054B50;
inline constexpr size_t kLocalHeaderSize = 30;
inline constexpr size_t kCentralHeaderSize = 46;
inline constexpr size_t kEndRecordSize = 22;

inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflate = 8;
inline constexpr uint16_t kFlagUtf8Name = 1u << 11;
inline constexpr uint16_t kFlagEncrypted = 1u;
inline constexpr uint16_t kVersionDos = 20;
inline constexpr uint16_t kVersionUnix = (3u << 8) | 20u;

// One archive entry. Sizes and offsets are kept wide so that values the
// 32-bit fields cannot hold are caught when encoding instead of wrapping.
struct EntryInfo {
  uint16_t versionMadeBy = kVersionDos;
  uint16_t versionNeeded = 20;
  uint16_t flags = 0;
  uint16_t method = kMethodDeflate;
  uint32_t dosDateTime = 0;  // time in the low 16 bits, date in the high 16 bits
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  uint16_t internalAttributes = 2;  // undecided until the first block is seen
  uint32_t externalAttributes = 0;
  uint64_t localHeaderOffset = 0;
  std::string rawName;  // the name bytes as stored, '/' separated
};

// Encoders throw ZipError(kTooLargeForArchive) when a value does not fit its field.
std::string EncodeLocalHeader(const EntryInfo& e);
std::string EncodeCentralHeader(const EntryInfo& e);
std::string EncodeEndRecord(size_t entryCount, uint64_t directorySize, uint64_t directoryOffset);

inline uint16_t ReadLe16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadLe32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace kestramo::zip

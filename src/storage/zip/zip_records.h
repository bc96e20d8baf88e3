// SPDX-License-Identifier: GPL-3.0-or-later
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
inline constexpr uint32_t kZip64EndSignature = 0x06064B50;
inline constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
inline constexpr size_t kZip64EndSize = 56;
inline constexpr size_t kZip64LocatorSize = 20;
inline constexpr uint16_t kZip64ExtraTag = 0x0001;
// An entry of a zstd group (see zstd_group.h): 8 bytes, the local header offset of the
// group's first entry. Central headers only.
inline constexpr uint16_t kGroupExtraTag = 0x474B;
inline constexpr uint64_t kNoGroup = UINT64_MAX;
inline constexpr uint16_t kVersionZip64 = 45;
// A field holding its largest value says the real one is in the ZIP64 records.
inline constexpr uint64_t kMax16 = 0xFFFF;
inline constexpr uint64_t kMax32 = 0xFFFFFFFF;

inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflate = 8;
inline constexpr uint16_t kMethodZstd = 93;  // only in hardened items' archives
inline constexpr uint16_t kFlagUtf8Name = 1u << 11;
inline constexpr uint16_t kFlagEncrypted = 1u;
// The local header's crc and sizes are zero; a data descriptor after the data holds them.
inline constexpr uint16_t kFlagDataDescriptor = 1u << 3;
inline constexpr uint32_t kDataDescriptorSignature = 0x08074B50;
inline constexpr uint16_t kVersionDos = 20;
inline constexpr uint16_t kVersionUnix = (3u << 8) | 20u;

// One archive entry. Sizes and offsets are 64-bit; those the 32-bit fields cannot hold
// go into a ZIP64 extra field, written only for the entries that need one.
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
  // The local header carries both sizes in a ZIP64 extra field. It is written before the
  // data, so this is decided from what the sizes might become, not from what they are.
  bool zip64Local = false;
  // Its zstd data continue the frame that the group starting at this offset began.
  uint64_t zstdGroup = kNoGroup;
};

// A local header without zip64Local throws ZipError(ZipFault::TooLargeForArchive) for sizes that
// do not fit it.
std::string EncodeLocalHeader(const EntryInfo& e);
std::string EncodeCentralHeader(const EntryInfo& e);
// The descriptor that follows the data of an entry flagged kFlagDataDescriptor: 64-bit
// sizes when its local header has the ZIP64 extra field.
std::string EncodeDataDescriptor(const EntryInfo& e);
// The end record, preceded by the ZIP64 end record and its locator when a count, size or
// offset does not fit it. The directory ends where these records begin.
std::string EncodeEndRecords(uint64_t entryCount, uint64_t directorySize, uint64_t directoryOffset);

inline uint16_t ReadLe16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadLe32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t ReadLe64(const unsigned char* p) {
  return ReadLe32(p) | (static_cast<uint64_t>(ReadLe32(p + 4)) << 32);
}

}  // namespace kestramo::zip

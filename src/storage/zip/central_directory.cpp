// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/central_directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "storage/disk/read_full.h"
#include "storage/zip/archive_view.h"
#include "storage/zip/zip_error.h"

namespace kestramo::zip {
namespace {

constexpr uint64_t kMaxEndScan = kEndRecordSize + 0xFFFF;
// Reading a directory costs memory in proportion to its size; none of ours comes near this.
constexpr uint64_t kMaxDirectory = uint64_t{256} << 20;

struct EndRecord {
  uint64_t position = 0;  // where the records after the directory begin
  uint64_t entries = 0;
  uint64_t directorySize = 0;
  uint64_t directoryOffset = 0;
};

EndRecord FindEndRecord(int fd, uint64_t fileSize, ArchiveView* mask) {
  if (fileSize < kEndRecordSize) throw ZipError(ZipFault::DamagedDirectory);
  const uint64_t scan = std::min(fileSize, kMaxEndScan);
  std::vector<unsigned char> tail(static_cast<size_t>(scan));
  if (!ReadAt(fd, tail.data(), tail.size(), fileSize - scan, mask)) throw ZipError(ZipFault::DamagedDirectory);
  for (size_t i = tail.size() - kEndRecordSize + 1; i-- > 0;) {
    const unsigned char* p = tail.data() + i;
    if (ReadLe32(p) != kEndSignature) continue;
    EndRecord end;
    end.position = fileSize - scan + i;
    end.entries = ReadLe16(p + 10);
    end.directorySize = ReadLe32(p + 12);
    end.directoryOffset = ReadLe32(p + 16);
    return end;
  }
  throw ZipError(ZipFault::DamagedDirectory);
}

// The ZIP64 end record, when a locator before the end record points at one; else the end
// record stays as it is (a name may end in the locator's signature by chance).
EndRecord WithZip64(int fd, const EndRecord& end, ArchiveView* mask) {
  unsigned char locator[kZip64LocatorSize];
  if (end.position < kZip64LocatorSize + kZip64EndSize) return end;
  const uint64_t locatorAt = end.position - kZip64LocatorSize;
  if (!ReadAt(fd, locator, sizeof locator, locatorAt, mask) || ReadLe32(locator) != kZip64LocatorSignature) return end;
  const uint64_t recordAt = ReadLe64(locator + 8);
  unsigned char record[kZip64EndSize];
  if (recordAt > locatorAt - kZip64EndSize || !ReadAt(fd, record, sizeof record, recordAt, mask) ||
      ReadLe32(record) != kZip64EndSignature)
    return end;
  EndRecord wide;
  wide.position = recordAt;
  wide.entries = ReadLe64(record + 32);
  wide.directorySize = ReadLe64(record + 40);
  wide.directoryOffset = ReadLe64(record + 48);
  return wide;
}

// Takes the values that the header marks as too large for it from its ZIP64 extra field.
// A header without that field keeps its 32-bit values, as archives written before did.
void ApplyZip64Extra(EntryInfo& e, const unsigned char* p, size_t left) {
  for (uint64_t* field : {&e.uncompressedSize, &e.compressedSize, &e.localHeaderOffset}) {
    if (*field != kMax32) continue;
    if (left < 8) throw ZipError(ZipFault::DamagedDirectory);
    *field = ReadLe64(p);
    p += 8;
    left -= 8;
  }
}

void ApplyExtraFields(EntryInfo& e, const unsigned char* extra, size_t size) {
  bool wide = false;
  for (size_t pos = 0; size - pos >= 4;) {
    const uint16_t tag = ReadLe16(extra + pos);
    const size_t length = ReadLe16(extra + pos + 2);
    if (length > size - pos - 4) throw ZipError(ZipFault::DamagedDirectory);
    const unsigned char* p = extra + pos + 4;
    if (tag == kZip64ExtraTag && !wide) ApplyZip64Extra(e, p, length), wide = true;
    if (tag == kGroupExtraTag) {
      if (length != 8) throw ZipError(ZipFault::DamagedDirectory);
      e.zstdGroup = ReadLe64(p);
    }
    pos += 4 + length;
  }
  // A group starts at its first entry, never after the entry itself.
  if (e.zstdGroup != kNoGroup && e.zstdGroup > e.localHeaderOffset) throw ZipError(ZipFault::DamagedDirectory);
}

EntryInfo ParseHeader(const std::vector<unsigned char>& dir, size_t& pos) {
  if (dir.size() - pos < kCentralHeaderSize) throw ZipError(ZipFault::DamagedDirectory);
  const unsigned char* p = dir.data() + pos;
  if (ReadLe32(p) != kCentralSignature) throw ZipError(ZipFault::DamagedDirectory);
  EntryInfo e;
  e.versionMadeBy = ReadLe16(p + 4);
  e.versionNeeded = ReadLe16(p + 6);
  e.flags = ReadLe16(p + 8);
  e.method = ReadLe16(p + 10);
  e.dosDateTime = ReadLe32(p + 12);
  e.crc = ReadLe32(p + 16);
  e.compressedSize = ReadLe32(p + 20);
  e.uncompressedSize = ReadLe32(p + 24);
  const size_t nameLength = ReadLe16(p + 28);
  const size_t extraLength = ReadLe16(p + 30);
  const size_t variable = nameLength + extraLength + ReadLe16(p + 32);
  e.internalAttributes = ReadLe16(p + 36);
  e.externalAttributes = ReadLe32(p + 38);
  e.localHeaderOffset = ReadLe32(p + 42);
  if (dir.size() - pos - kCentralHeaderSize < variable) throw ZipError(ZipFault::DamagedDirectory);
  e.rawName.assign(reinterpret_cast<const char*>(p + kCentralHeaderSize), nameLength);
  ApplyExtraFields(e, p + kCentralHeaderSize + nameLength, extraLength);
  pos += kCentralHeaderSize + variable;
  return e;
}

}  // namespace

bool ReadAt(int fd, void* data, size_t size, uint64_t offset, ArchiveView* mask) {
  if (mask) return mask->ReadAt(fd, data, size, offset);
  return ReadFullAt(fd, data, size, offset) == static_cast<ssize_t>(size);
}

CentralDirectory ReadCentralDirectory(int fd, ArchiveView* mask) {
  struct stat st {};
  if (fstat(fd, &st) != 0) throw ZipError(ZipFault::DamagedDirectory);
  const EndRecord end =
      WithZip64(fd, FindEndRecord(fd, mask ? mask->Size() : static_cast<uint64_t>(st.st_size), mask), mask);
  if (end.directorySize > end.position || end.directoryOffset > end.position - end.directorySize ||
      end.entries > end.directorySize / kCentralHeaderSize || end.directorySize > kMaxDirectory)
    throw ZipError(ZipFault::DamagedDirectory);
  std::vector<unsigned char> dir(static_cast<size_t>(end.directorySize));
  if (!ReadAt(fd, dir.data(), dir.size(), end.directoryOffset, mask)) throw ZipError(ZipFault::DamagedDirectory);
  CentralDirectory out;
  out.directoryOffset = end.directoryOffset;
  out.entries.reserve(static_cast<size_t>(end.entries));
  size_t pos = 0;
  for (uint64_t i = 0; i < end.entries; ++i) out.entries.push_back(ParseHeader(dir, pos));
  return out;
}

}  // namespace kestramo::zip

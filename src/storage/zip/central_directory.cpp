#include "storage/zip/central_directory.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "storage/hardened/scratch_mask.h"
#include "storage/zip/zip_error.h"

namespace kestramo::zip {
namespace {

constexpr uint64_t kMaxEndScan = kEndRecordSize + 0xFFFF;

struct EndRecord {
  uint64_t position = 0;
  uint16_t entries = 0;
  uint32_t directorySize = 0;
  uint32_t directoryOffset = 0;
};

EndRecord FindEndRecord(int fd, uint64_t fileSize, const ScratchMask* mask) {
  if (fileSize < kEndRecordSize) throw ZipError(kDamagedDirectory);
  const uint64_t scan = std::min(fileSize, kMaxEndScan);
  std::vector<unsigned char> tail(static_cast<size_t>(scan));
  if (!ReadAt(fd, tail.data(), tail.size(), fileSize - scan, mask)) throw ZipError(kDamagedDirectory);
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
  throw ZipError(kDamagedDirectory);
}

EntryInfo ParseHeader(const std::vector<unsigned char>& dir, size_t& pos) {
  if (dir.size() - pos < kCentralHeaderSize) throw ZipError(kDamagedDirectory);
  const unsigned char* p = dir.data() + pos;
  if (ReadLe32(p) != kCentralSignature) throw ZipError(kDamagedDirectory);
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
  const size_t variable = nameLength + ReadLe16(p + 30) + ReadLe16(p + 32);
  e.internalAttributes = ReadLe16(p + 36);
  e.externalAttributes = ReadLe32(p + 38);
  e.localHeaderOffset = ReadLe32(p + 42);
  if (dir.size() - pos - kCentralHeaderSize < variable) throw ZipError(kDamagedDirectory);
  e.rawName.assign(reinterpret_cast<const char*>(p + kCentralHeaderSize), nameLength);
  pos += kCentralHeaderSize + variable;
  return e;
}

}  // namespace

bool ReadAt(int fd, void* data, size_t size, uint64_t offset, const ScratchMask* mask) {
  auto* p = static_cast<unsigned char*>(data);
  if (mask) {
    if (!ReadAt(fd, data, size, offset)) return false;
    mask->Apply(p, size, offset);
    return true;
  }
  while (size > 0) {
    const ssize_t n = pread(fd, p, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

CentralDirectory ReadCentralDirectory(int fd, const ScratchMask* mask) {
  struct stat st {};
  if (fstat(fd, &st) != 0) throw ZipError(kDamagedDirectory);
  const EndRecord end = FindEndRecord(fd, static_cast<uint64_t>(st.st_size), mask);
  if (uint64_t{end.directoryOffset} + end.directorySize > end.position ||
      uint64_t{end.entries} * kCentralHeaderSize > end.directorySize)
    throw ZipError(kDamagedDirectory);
  std::vector<unsigned char> dir(end.directorySize);
  if (!ReadAt(fd, dir.data(), dir.size(), end.directoryOffset, mask)) throw ZipError(kDamagedDirectory);
  CentralDirectory out;
  out.directoryOffset = end.directoryOffset;
  out.entries.reserve(end.entries);
  size_t pos = 0;
  for (size_t i = 0; i < end.entries; ++i) out.entries.push_back(ParseHeader(dir, pos));
  return out;
}

}  // namespace kestramo::zip

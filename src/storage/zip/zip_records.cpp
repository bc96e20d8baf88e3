// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/zip_records.h"

#include <vector>

#include "storage/zip/zip_error.h"

namespace kestramo::zip {
namespace {

void Put16(std::string& out, uint64_t v) {
  if (v > kMax16) throw ZipError(ZipFault::TooLargeForArchive);
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, uint64_t v) {
  if (v > kMax32) throw ZipError(ZipFault::TooLargeForArchive);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

void Put64(std::string& out, uint64_t v) {
  Put32(out, v & kMax32);
  Put32(out, v >> 32);
}

// A 32-bit field, or its largest value when the real one goes into the ZIP64 extra field.
uint64_t Field32(uint64_t v) { return v >= kMax32 ? kMax32 : v; }

bool CentralNeedsZip64(const EntryInfo& e) {
  return e.uncompressedSize >= kMax32 || e.compressedSize >= kMax32 || e.localHeaderOffset >= kMax32;
}

uint16_t VersionNeeded(const EntryInfo& e) {
  return e.zip64Local || CentralNeedsZip64(e) ? kVersionZip64 : e.versionNeeded;
}

// The fields shared by the local and the central header, from "version needed" to the name length.
void PutCommon(std::string& out, const EntryInfo& e, uint64_t compressed, uint64_t uncompressed) {
  Put16(out, VersionNeeded(e));
  Put16(out, e.flags);
  Put16(out, e.method);
  Put32(out, e.dosDateTime);
  Put32(out, e.crc);
  Put32(out, compressed);
  Put32(out, uncompressed);
  Put16(out, e.rawName.size());
}

std::string Zip64Extra(const std::vector<uint64_t>& values) {
  std::string out;
  Put16(out, kZip64ExtraTag);
  Put16(out, 8 * values.size());
  for (uint64_t v : values) Put64(out, v);
  return out;
}

}  // namespace

std::string EncodeLocalHeader(const EntryInfo& e) {
  const bool fits = e.uncompressedSize < kMax32 && e.compressedSize < kMax32;
  if (!e.zip64Local && !fits) throw ZipError(ZipFault::TooLargeForArchive);
  // Both sizes, in this order, whenever the extra field is there.
  const std::string extra = e.zip64Local ? Zip64Extra({e.uncompressedSize, e.compressedSize}) : std::string();
  std::string out;
  out.reserve(kLocalHeaderSize + e.rawName.size() + extra.size());
  Put32(out, kLocalSignature);
  PutCommon(out, e, e.zip64Local ? kMax32 : e.compressedSize, e.zip64Local ? kMax32 : e.uncompressedSize);
  Put16(out, extra.size());
  out += e.rawName;
  out += extra;
  return out;
}

std::string EncodeDataDescriptor(const EntryInfo& e) {
  std::string out;
  Put32(out, kDataDescriptorSignature);
  Put32(out, e.crc);
  if (e.zip64Local) {
    Put64(out, e.compressedSize);
    Put64(out, e.uncompressedSize);
  } else {
    Put32(out, e.compressedSize);
    Put32(out, e.uncompressedSize);
  }
  return out;
}

std::string EncodeCentralHeader(const EntryInfo& e) {
  // Only the values that do not fit, in the order the format gives them.
  std::vector<uint64_t> wide;
  for (uint64_t v : {e.uncompressedSize, e.compressedSize, e.localHeaderOffset})
    if (v >= kMax32) wide.push_back(v);
  std::string extra = wide.empty() ? std::string() : Zip64Extra(wide);
  if (e.zstdGroup != kNoGroup) {
    Put16(extra, kGroupExtraTag);
    Put16(extra, 8);
    Put64(extra, e.zstdGroup);
  }
  uint16_t madeBy = e.versionMadeBy;
  if (VersionNeeded(e) > (madeBy & 0xFF)) madeBy = static_cast<uint16_t>((madeBy & 0xFF00) | VersionNeeded(e));
  std::string out;
  out.reserve(kCentralHeaderSize + e.rawName.size() + extra.size());
  Put32(out, kCentralSignature);
  Put16(out, madeBy);
  PutCommon(out, e, Field32(e.compressedSize), Field32(e.uncompressedSize));
  Put16(out, extra.size());
  Put16(out, 0);  // comment length
  Put16(out, 0);  // starting disk
  Put16(out, e.internalAttributes);
  Put32(out, e.externalAttributes);
  Put32(out, Field32(e.localHeaderOffset));
  out += e.rawName;
  out += extra;
  return out;
}

std::string EncodeEndRecords(uint64_t entryCount, uint64_t directorySize, uint64_t directoryOffset) {
  const bool zip64 = entryCount >= kMax16 || directorySize >= kMax32 || directoryOffset >= kMax32;
  std::string out;
  if (zip64) {
    const uint64_t recordOffset = directoryOffset + directorySize;
    Put32(out, kZip64EndSignature);
    Put64(out, kZip64EndSize - 12);  // the record's size counts neither its signature nor this field
    Put16(out, kVersionZip64);
    Put16(out, kVersionZip64);
    Put32(out, 0);  // this disk
    Put32(out, 0);  // disk where the directory starts
    Put64(out, entryCount);
    Put64(out, entryCount);
    Put64(out, directorySize);
    Put64(out, directoryOffset);
    Put32(out, kZip64LocatorSignature);
    Put32(out, 0);  // disk holding the ZIP64 end record
    Put64(out, recordOffset);
    Put32(out, 1);  // disks in total
  }
  Put32(out, kEndSignature);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, entryCount >= kMax16 ? kMax16 : entryCount);
  Put16(out, entryCount >= kMax16 ? kMax16 : entryCount);
  Put32(out, Field32(directorySize));
  Put32(out, Field32(directoryOffset));
  Put16(out, 0);
  return out;
}

}  // namespace kestramo::zip

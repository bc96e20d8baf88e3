#include "storage/zip/zip_records.h"

#include "storage/zip/zip_error.h"

namespace kestramo::zip {
namespace {

void Put16(std::string& out, uint64_t v) {
  if (v > 0xFFFF) throw ZipError(kTooLargeForArchive);
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void Put32(std::string& out, uint64_t v) {
  if (v > 0xFFFFFFFFull) throw ZipError(kTooLargeForArchive);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// The fields shared by the local and the central header, from "version needed" to the name length.
void PutCommon(std::string& out, const EntryInfo& e) {
  Put16(out, e.versionNeeded);
  Put16(out, e.flags);
  Put16(out, e.method);
  Put32(out, e.dosDateTime);
  Put32(out, e.crc);
  Put32(out, e.compressedSize);
  Put32(out, e.uncompressedSize);
  Put16(out, e.rawName.size());
}

}  // namespace

std::string EncodeLocalHeader(const EntryInfo& e) {
  std::string out;
  out.reserve(kLocalHeaderSize + e.rawName.size());
  Put32(out, kLocalSignature);
  PutCommon(out, e);
  Put16(out, 0);  // extra field length
  out += e.rawName;
  return out;
}

std::string EncodeCentralHeader(const EntryInfo& e) {
  std::string out;
  out.reserve(kCentralHeaderSize + e.rawName.size());
  Put32(out, kCentralSignature);
  Put16(out, e.versionMadeBy);
  PutCommon(out, e);
  Put16(out, 0);  // extra field length
  Put16(out, 0);  // comment length
  Put16(out, 0);  // starting disk
  Put16(out, e.internalAttributes);
  Put32(out, e.externalAttributes);
  Put32(out, e.localHeaderOffset);
  out += e.rawName;
  return out;
}

std::string EncodeEndRecord(size_t entryCount, uint64_t directorySize, uint64_t directoryOffset) {
  if (entryCount > 0xFFFF) throw ZipError(kTooManyEntries);
  std::string out;
  out.reserve(kEndRecordSize);
  Put32(out, kEndSignature);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, entryCount);
  Put16(out, entryCount);
  Put32(out, directorySize);
  Put32(out, directoryOffset);
  Put16(out, 0);
  return out;
}

}  // namespace kestramo::zip

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>
#include <zstd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "temp_dir.h"
#include "test_files.h"

namespace kestramo::ziptest {

namespace fs = std::filesystem;

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

inline uint32_t Crc(const std::string& data) {
  return static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

inline std::string RawDeflate(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(out.size() - z.avail_out);
  deflateEnd(&z);
  return out;
}

// A raw deflate stream inflated by zlib; empty unless it is exactly one whole stream.
inline std::string Inflate(const std::string& stream, size_t maxSize) {
  z_stream z{};
  inflateInit2(&z, -15);
  std::string out(maxSize, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const bool whole = inflate(&z, Z_FINISH) == Z_STREAM_END && z.avail_in == 0;
  out.resize(whole ? out.size() - z.avail_out : 0);
  inflateEnd(&z);
  return out;
}

// Archive bytes written by hand, so that tests can state anything, including lies.
struct RawEntry {
  std::string name;
  std::string payload;  // bytes as stored in the archive
  uint16_t method = 0;
  uint32_t crc = 0;
  uint32_t uncompressedSize = 0;
  uint16_t flags = 0;
};

inline RawEntry StoredEntry(const std::string& name, const std::string& data) {
  return {name, data, 0, Crc(data), static_cast<uint32_t>(data.size()), 0};
}

inline RawEntry DeflatedEntry(const std::string& name, const std::string& data) {
  return {name, RawDeflate(data), 8, Crc(data), static_cast<uint32_t>(data.size()), 0};
}

// One zstd frame, as method 93 entries of hardened items' archives hold.
inline RawEntry ZstdEntry(const std::string& name, const std::string& data) {
  std::string frame(ZSTD_compressBound(data.size()), '\0');
  frame.resize(ZSTD_compress(frame.data(), frame.size(), data.data(), data.size(), 3));
  return {name, frame, 93, Crc(data), static_cast<uint32_t>(data.size()), 0};
}

class ByteWriter {
 public:
  ByteWriter& U16(uint32_t v) { return Put(v, 2); }
  ByteWriter& U32(uint32_t v) { return Put(v, 4); }
  ByteWriter& U64(uint64_t v) { return Put(v, 8); }
  ByteWriter& Bytes(const std::string& s) {
    out += s;
    return *this;
  }
  std::string out;

 private:
  ByteWriter& Put(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    return *this;
  }
};

inline std::string BuildArchive(const std::vector<RawEntry>& entries) {
  ByteWriter w, central;
  for (const auto& e : entries) {
    const auto offset = static_cast<uint32_t>(w.out.size());
    w.U32(0x04034B50).U16(20).U16(e.flags).U16(e.method).U16(0x6000).U16(0x5A21).U32(e.crc);
    w.U32(static_cast<uint32_t>(e.payload.size())).U32(e.uncompressedSize).U16(static_cast<uint32_t>(e.name.size()));
    w.U16(0).Bytes(e.name).Bytes(e.payload);
    central.U32(0x02014B50).U16(20).U16(20).U16(e.flags).U16(e.method).U16(0x6000).U16(0x5A21).U32(e.crc);
    central.U32(static_cast<uint32_t>(e.payload.size())).U32(e.uncompressedSize);
    central.U16(static_cast<uint32_t>(e.name.size())).U16(0).U16(0).U16(0).U16(0).U32(0x20).U32(offset);
    central.Bytes(e.name);
  }
  const auto dirOffset = static_cast<uint32_t>(w.out.size());
  w.Bytes(central.out);
  w.U32(0x06054B50).U16(0).U16(0).U16(static_cast<uint32_t>(entries.size()));
  w.U16(static_cast<uint32_t>(entries.size())).U32(static_cast<uint32_t>(central.out.size())).U32(dirOffset).U16(0);
  return w.out;
}

inline uint16_t Le16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8);
}
inline uint32_t Le32(const std::string& s, size_t at) {
  return Le16(s, at) | static_cast<uint32_t>(Le16(s, at + 2)) << 16;
}

inline bool HaveTool(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace kestramo::ziptest

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>

namespace kestramo::testing {

// Writes a file, creating its folders.
inline void WriteFile(const std::filesystem::path& p, const std::string& content) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << content;
}

inline std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every entry below a folder (links and special files as such), with the contents of its
// regular files: what a change anywhere below would alter.
inline std::map<std::string, std::string> Contents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
    const auto type = e.symlink_status().type();
    entries[e.path().string()] =
        type == std::filesystem::file_type::regular ? ReadFile(e.path()) : "(type " + std::to_string(int(type)) + ")";
  }
  return entries;
}

// Damages a file at `at` by flipping one bit: the byte always changes, whatever it held.
inline void FlipBit(const std::filesystem::path& p, std::size_t at) {
  std::string bytes = ReadFile(p);
  bytes.at(at) = static_cast<char>(bytes[at] ^ 1);
  WriteFile(p, bytes);
}

// Incompressible bytes, the same for the same seed.
inline std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(rng());
  return s;
}

// Whether the file system of `p` has `gib` GiB free: the largest cases need real room.
inline bool HasFreeGiB(const std::filesystem::path& p, unsigned gib) {
  std::error_code ec;
  const auto space = std::filesystem::space(p, ec);
  return !ec && space.available >= (uint64_t{gib} << 30);
}

}  // namespace kestramo::testing

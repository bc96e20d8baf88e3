// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/mixed_folder.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace kestramo::bench {

namespace fs = std::filesystem;

namespace {

class ContentGenerator {
 public:
  std::string Text(size_t size) {
    static const char* const kWords[] = {
        "vault",  "box",     "item",    "report", "sales", "quarter", "north", "south", "total",  "amount",
        "client", "invoice", "date",    "the",    "of",    "and",     "to",    "in",    "for",    "with",
        "is",     "on",      "budget",  "plan",   "team",  "review",  "note",  "draft", "final",  "copy",
        "2003",   "2004",    "figures", "table",  "index", "summary", "cost",  "price", "volume", "market"};
    std::string out;
    out.reserve(size + 16);
    std::uniform_int_distribution<size_t> word(0, std::size(kWords) - 1);
    std::uniform_int_distribution<int> number(0, 99999);
    int column = 0;
    while (out.size() < size) {
      if (rng_() % 7 == 0) out += std::to_string(number(rng_));
      else out += kWords[word(rng_)];
      column += 6;
      if (column > 70) {
        out += "\r\n";
        column = 0;
      } else {
        out += ' ';
      }
    }
    out.resize(size);
    return out;
  }

  std::string Random(size_t size) {
    std::string out(size, '\0');
    for (size_t i = 0; i < size; i += 8) {
      const uint64_t v = rng_();
      std::memcpy(out.data() + i, &v, std::min<size_t>(8, size - i));
    }
    return out;
  }

  // Already compressed content: a text deflated at a fast level.
  std::string Compressed(size_t size) {
    std::string out;
    while (out.size() < size) {
      const std::string plain = Text(std::max<size_t>(size * 3, 64 * 1024));
      uLongf len = compressBound(plain.size());
      std::string packed(len, '\0');
      compress2(reinterpret_cast<Bytef*>(packed.data()), &len, reinterpret_cast<const Bytef*>(plain.data()),
                plain.size(), 1);
      out += packed.substr(0, len);
    }
    out.resize(size);
    return out;
  }

  size_t SizeClass() {
    const int pick = static_cast<int>(rng_() % 100);
    if (pick < 60) return 2048 + rng_() % (62 * 1024);
    if (pick < 90) return 64 * 1024 + rng_() % (2 * 1024 * 1024);
    return 4 * 1024 * 1024 + rng_() % (20 * 1024 * 1024);
  }

 private:
  std::mt19937_64 rng_{20031207};
};

std::string Numbered(const char* prefix, int n, const char* suffix = "") {
  char text[64];
  std::snprintf(text, sizeof text, "%s%d%s", prefix, n, suffix);
  return text;
}

}  // namespace

uint64_t GenerateMixedFolder(const fs::path& root, uint64_t targetBytes) {
  ContentGenerator gen;
  uint64_t total = 0;
  uint64_t perKind[3] = {0, 0, 0};  // text, random, compressed: kept about equal
  for (int n = 0; total < targetBytes; ++n) {
    const int kind = static_cast<int>(std::min_element(perKind, perKind + 3) - perKind);
    const fs::path dir = root / Numbered("d", n % 8) / Numbered("sub", n % 3);
    fs::create_directories(dir);
    const size_t size = static_cast<size_t>(std::min<uint64_t>(gen.SizeClass(), targetBytes - total + 1024));
    std::string data;
    const char* ext = "";
    switch (kind) {
      case 0:
        data = gen.Text(size);
        ext = ".txt";
        break;
      case 1:
        data = gen.Random(size);
        ext = ".bin";
        break;
      default:
        data = gen.Compressed(size);
        ext = ".gz";
        break;
    }
    std::ofstream(dir / Numbered("file", n, ext), std::ios::binary).write(data.data(), data.size());
    total += data.size();
    perKind[kind] += data.size();
  }
  return total;
}

void GenerateTextFile(const fs::path& path, uint64_t bytes) {
  ContentGenerator gen;
  std::ofstream out(path, std::ios::binary);
  constexpr uint64_t kPiece = 8 << 20;
  for (uint64_t done = 0; done < bytes; done += kPiece) {
    const std::string text = gen.Text(static_cast<size_t>(std::min(kPiece, bytes - done)));
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
}

double MedianOf(int runs, const std::function<void()>& prepare, const std::function<void()>& run) {
  std::vector<double> seconds;
  for (int i = 0; i < runs; ++i) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    run();
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  return seconds[seconds.size() / 2];
}

}  // namespace kestramo::bench

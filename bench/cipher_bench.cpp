// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the cipher envelope against openssl in the same run: the envelope's CBC
// routine on 16 KiB buffers in memory (fed in its 4096-byte chunks) against
// `openssl speed -evp aes-256-cbc` on 16 KiB blocks, and the file operations against
// `openssl enc` on the same file. Usage: cipher_bench [MiB] (or KESTRAMO_BENCH_MIB);
// default 256 MiB.
#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "storage/cipher/cipher_manager.h"
#include "storage/cipher/rijndael_cipher.h"
#include "storage/cipher/rijndael_engine.h"
#include "storage/cipher/ripemd256.h"
#include "support/bench_args.h"

namespace fs = std::filesystem;
using kestramo::CipherManager;

namespace {

constexpr int kRuns = 3;
constexpr int kSpeedRuns = 5;
constexpr size_t kSpeedBlock = 16384;
constexpr const char* kKeyText = "vendralipass1234";

size_t SizeMiB(int argc, char** argv) {
  const char* env = std::getenv("KESTRAMO_BENCH_MIB");
  const uint64_t fallback = env && std::strtoull(env, nullptr, 10) > 0 ? std::strtoull(env, nullptr, 10) : 256;
  return kestramo::bench::BenchNumbers(argc, argv, "Usage: cipher_bench [MiB] (default 256, or KESTRAMO_BENCH_MIB)\n",
                                       {fallback})[0];
}

std::string CpuName() {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  }
  return "unknown";
}

void WriteRandomFile(const fs::path& path, size_t bytes) {
  std::mt19937_64 rng(42);
  std::vector<uint64_t> block(1 << 17);  // 1 MiB
  std::ofstream out(path, std::ios::binary);
  for (size_t done = 0; done < bytes; done += block.size() * 8) {
    for (auto& w : block) w = rng();
    out.write(reinterpret_cast<const char*>(block.data()),
              static_cast<std::streamsize>(std::min(bytes - done, block.size() * 8)));
  }
}

// Reads the file once so every run starts with a warm page cache.
void Warm(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buf(1 << 20);
  while (in.read(buf.data(), static_cast<std::streamsize>(buf.size())) || in.gcount() > 0) {
  }
}

bool SameContent(const fs::path& a, const fs::path& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  std::vector<char> ba(1 << 20), bb(1 << 20);
  while (true) {
    fa.read(ba.data(), static_cast<std::streamsize>(ba.size()));
    fb.read(bb.data(), static_cast<std::streamsize>(bb.size()));
    if (fa.gcount() != fb.gcount()) return false;
    if (fa.gcount() == 0) return true;
    if (std::memcmp(ba.data(), bb.data(), static_cast<size_t>(fa.gcount())) != 0) return false;
  }
}

// Best wall-clock seconds of kRuns; the output is removed before each run.
double BestSeconds(const fs::path& output, const std::function<bool()>& run) {
  double best = 1e300;
  for (int i = 0; i < kRuns; ++i) {
    fs::remove(output);
    const auto start = std::chrono::steady_clock::now();
    if (!run()) {
      std::fprintf(stderr, "run failed\n");
      std::exit(1);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

std::string Hex(const uint8_t* data, size_t n) {
  std::string out;
  char two[3];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(two, sizeof two, "%02x", data[i]);
    out += two;
  }
  return out;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Bytes per CPU second of the envelope's chunk routine over one 16 KiB buffer for about a
// second. CPU time, as `openssl speed` counts by default, so other work on the machine
// slows neither side's figure.
double EnvelopeSpeed(kestramo::RijndaelCipher& cipher, kestramo::RijndaelCipher::Action action) {
  std::vector<uint8_t> buffer(kSpeedBlock, 0x5a);
  const double start = CpuSeconds();
  size_t bytes = 0;
  double took = 0;
  do {
    for (int i = 0; i < 64; ++i) {
      for (size_t at = 0; at < kSpeedBlock; at += kestramo::RijndaelCipher::kChunk) {
        uint8_t* chunk = buffer.data() + at;
        if (action == kestramo::RijndaelCipher::Action::kEncrypt) {
          cipher.EncryptBuffer(chunk, chunk, kestramo::RijndaelCipher::kChunk);
        } else {
          cipher.DecryptBuffer(chunk, chunk, kestramo::RijndaelCipher::kChunk);
        }
      }
      bytes += kSpeedBlock;
    }
    took = CpuSeconds() - start;
  } while (took < 1.0);
  return static_cast<double>(bytes) / took;
}

// Bytes per second reported by `openssl speed` for 16 KiB blocks.
double OpensslSpeed(bool decrypt) {
  const std::string command = std::string("openssl speed -evp aes-256-cbc ") + (decrypt ? "-decrypt " : "") +
                              "-bytes 16384 -seconds 1 2>/dev/null | tail -1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return 0;
  char line[256] = {};
  const bool got = std::fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  const char* figure = got ? std::strrchr(line, ' ') : nullptr;
  return figure == nullptr ? 0 : std::strtod(figure, nullptr) * 1000.0;  // printed in thousands
}

}  // namespace

int main(int argc, char** argv) {
  const size_t mib = SizeMiB(argc, argv);
  const size_t bytes = mib << 20;
  char pattern[] = "/tmp/kestramo-cipher-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path dir = pattern;
  const fs::path plain = dir / "plain", ours_enc = dir / "ours.enc", ours_dec = dir / "ours.dec";
  const fs::path ossl_enc = dir / "ossl.enc", ossl_dec = dir / "ossl.dec";
  WriteRandomFile(plain, bytes);
  Warm(plain);

  kestramo::RijndaelCipher cipher;
  cipher.InitKey(kKeyText);
  std::vector<double> env_enc, env_dec, ssl_speed_enc, ssl_speed_dec;
  for (int i = 0; i < kSpeedRuns; ++i) {  // interleaved, so both sides see the same load
    env_enc.push_back(EnvelopeSpeed(cipher, kestramo::RijndaelCipher::Action::kEncrypt));
    ssl_speed_enc.push_back(OpensslSpeed(false));
    env_dec.push_back(EnvelopeSpeed(cipher, kestramo::RijndaelCipher::Action::kDecrypt));
    ssl_speed_dec.push_back(OpensslSpeed(true));
  }

  CipherManager manager;
  int64_t last_progress = 0;  // a cheap hook, as the status display would install
  manager.SetOnProgress([&](int64_t current, int64_t) { last_progress = current; });

  const double our_enc = BestSeconds(ours_enc, [&] { return manager.EncryptFile(plain, ours_enc, kKeyText).ok(); });
  const double our_dec = BestSeconds(ours_dec, [&] { return manager.DecryptFile(ours_enc, ours_dec, kKeyText).ok(); });
  const bool round_trip = SameContent(plain, ours_dec);

  const auto key = kestramo::RipeMD256::Of(kKeyText);
  const std::string openssl =
      "openssl enc -aes-256-cbc -nopad -K " + Hex(key.data(), key.size()) + " -iv " + Hex(key.data(), 16);
  const std::string enc_cmd = openssl + " -in " + plain.string() + " -out " + ossl_enc.string();
  const std::string dec_cmd = openssl + " -d -in " + ossl_enc.string() + " -out " + ossl_dec.string();
  const double ssl_enc = BestSeconds(ossl_enc, [&] { return std::system(enc_cmd.c_str()) == 0; });
  const double ssl_dec = BestSeconds(ossl_dec, [&] { return std::system(dec_cmd.c_str()) == 0; });

  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("cpu: %s\n", CpuName().c_str());
  std::printf("engine: %s, file: %zu MiB, best of %d, page cache warm\n", kestramo::RijndaelEngine::Select().Name(),
              mib, kRuns);
  std::printf("in memory, 16 KiB buffers, median of %d:\n", kSpeedRuns);
  std::printf("  envelope      encrypt %8.1f MB/s   decrypt %8.1f MB/s\n", Median(env_enc) / 1e6,
              Median(env_dec) / 1e6);
  std::printf("  openssl speed encrypt %8.1f MB/s   decrypt %8.1f MB/s\n", Median(ssl_speed_enc) / 1e6,
              Median(ssl_speed_dec) / 1e6);
  std::printf("  ratio envelope/openssl speed: encrypt %.2f (target >= 0.75), decrypt %.2f (target >= 0.70)\n",
              Median(env_enc) / Median(ssl_speed_enc), Median(env_dec) / Median(ssl_speed_dec));
  std::printf("files:\n");
  std::printf("ours    encrypt %8.1f MB/s   decrypt %8.1f MB/s   round trip %s\n", mb / our_enc, mb / our_dec,
              round_trip ? "ok" : "FAILED");
  std::printf("openssl encrypt %8.1f MB/s   decrypt %8.1f MB/s\n", mb / ssl_enc, mb / ssl_dec);
  std::printf("ratio ours/openssl enc: encrypt %.2f, decrypt %.2f\n", ssl_enc / our_enc, ssl_dec / our_dec);
  fs::remove_all(dir);
  return round_trip && last_progress >= 0 ? 0 : 1;
}

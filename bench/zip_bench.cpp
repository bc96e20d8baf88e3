// SPDX-License-Identifier: GPL-3.0-or-later
// Packs and unpacks a generated folder of mixed content with the vault's ZIP code and with
// the command-line zip tools, in the same run, and prints times, sizes and ratios; then
// packs one large text file on one core and on all, and prints the speed-up.
// Usage: zip_bench [MiB] [large file MiB] (default 256 and 512)
#include <zlib.h>

#include <sched.h>
#include <unistd.h>
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
#include <thread>
#include <vector>

#include "storage/zip/pack_path.h"
#include "support/bench_args.h"
#include "support/mixed_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 5;

int Shell(const std::string& command) { return std::system(command.c_str()); }

// Seconds of one packing of `file` with the packing threads confined to `cores` cores. The
// threads start with a new component, so they take the affinity set here.
double PackSeconds(const fs::path& file, const fs::path& archive, int cores) {
  cpu_set_t all, some;
  sched_getaffinity(0, sizeof all, &all);
  CPU_ZERO(&some);
  for (int cpu = 0, taken = 0; cpu < CPU_SETSIZE && taken < cores; ++cpu) {
    if (CPU_ISSET(cpu, &all)) CPU_SET(cpu, &some), ++taken;
  }
  sched_setaffinity(0, sizeof some, &some);
  kestramo::ZipComponent zip;
  const double seconds = kestramo::bench::MedianOf(
      1, [&] { fs::remove(archive); }, [&] { kestramo::PackPath(zip, file, archive, 6, false).bytes; });
  sched_setaffinity(0, sizeof all, &all);
  return seconds;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const auto numbers = kestramo::bench::BenchNumbers(
      argc, argv, "Usage: zip_bench [MiB] [large file MiB] (default 256 and 512)\n", {256, 512});
  const uint64_t mib = numbers[0];
  const uint64_t largeMib = numbers[1];
  const fs::path work = fs::temp_directory_path() / ("kestramo_zip_bench_" + std::to_string(getpid()));
  const fs::path folder = work / "src" / "Mixed";
  const fs::path ours = work / "ours.zip";
  const fs::path peer = work / "peer.zip";
  const fs::path outOurs = work / "out_ours";
  const fs::path outPeer = work / "out_peer";
  const uint64_t bytes = kestramo::bench::GenerateMixedFolder(folder, mib * 1024 * 1024);
  std::printf("content: %.1f MiB in %s\n", static_cast<double>(bytes) / 1048576.0, folder.c_str());
  Shell("cat -- $(find '" + folder.string() + "' -type f) > /dev/null");  // warm the cache

  kestramo::ZipComponent zip;
  uint64_t packed = 0;
  const double packOurs = kestramo::bench::MedianOf(
      kRuns, [&] { fs::remove(ours); }, [&] { packed = kestramo::PackPath(zip, folder, ours, 6, true).bytes; });
  const double packPeer = kestramo::bench::MedianOf(
      kRuns, [&] { fs::remove(peer); },
      [&] { Shell("cd '" + folder.parent_path().string() + "' && zip -r -6 -q '" + peer.string() + "' Mixed"); });
  if (packed != bytes) std::printf("WARNING: PackPath reported %llu bytes\n", static_cast<unsigned long long>(packed));

  int files = 0;
  const double unpackOurs = kestramo::bench::MedianOf(
      kRuns, [&] { fs::remove_all(outOurs); },
      [&] { files = kestramo::UnpackArchive(zip, ours, outOurs, true).count; });
  const double unpackPeer = kestramo::bench::MedianOf(
      kRuns, [&] { fs::remove_all(outPeer); },
      [&] { Shell("unzip -q -o '" + ours.string() + "' -d '" + outPeer.string() + "'"); });
  const bool same = Shell("diff -rq '" + folder.string() + "' '" + (outOurs / "Mixed").string() + "' >/dev/null") == 0;

  const auto sizeOurs = fs::file_size(ours), sizePeer = fs::file_size(peer);
  std::printf("pack   ours %.3f s  peer %.3f s  speed ratio %.2f\n", packOurs, packPeer, packPeer / packOurs);
  std::printf("size   ours %llu  peer %llu  size ratio %.4f\n", static_cast<unsigned long long>(sizeOurs),
              static_cast<unsigned long long>(sizePeer), static_cast<double>(sizeOurs) / static_cast<double>(sizePeer));
  std::printf("unpack ours %.3f s  peer %.3f s  speed ratio %.2f  (%d files, %s)\n", unpackOurs, unpackPeer,
              unpackPeer / unpackOurs, files, same ? "identical" : "DIFFERENT");

  const fs::path large = work / "large.txt";
  kestramo::bench::GenerateTextFile(large, largeMib << 20);
  std::vector<double> one, all;
  for (int i = 0; i < kRuns; ++i) {  // alternating, so that both see the same load
    one.push_back(PackSeconds(large, ours, 1));
    all.push_back(PackSeconds(large, ours, static_cast<int>(std::thread::hardware_concurrency())));
  }
  const double oneCore = Median(one), allCores = Median(all);
  std::printf("one text file of %llu MiB: one core %.3f s, %u cores %.3f s, speed-up %.2f (packed %.1f%%)\n",
              static_cast<unsigned long long>(largeMib), oneCore, std::thread::hardware_concurrency(), allCores,
              oneCore / allCores,
              100.0 * static_cast<double>(fs::file_size(ours)) / static_cast<double>(fs::file_size(large)));
  fs::remove_all(work);
  return same ? 0 : 1;
}

// Packs and unpacks a generated folder of mixed content with the vault's ZIP code and with
// the command-line zip tools, in the same run, and prints times, sizes and ratios.
// Usage: zip_bench [MiB] (default 256)
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "storage/zip/pack_path.h"
#include "support/mixed_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 3;

int Shell(const std::string& command) { return std::system(command.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  const uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256;
  const fs::path work = fs::temp_directory_path() / ("kestramo_zip_bench_" + std::to_string(getpid()));
  const fs::path folder = work / "src" / "Mixed";
  const fs::path ours = work / "ours.zip";
  const fs::path peer = work / "peer.zip";
  const fs::path outOurs = work / "out_ours";
  const fs::path outPeer = work / "out_peer";
  const uint64_t bytes = kestramo::bench::GenerateMixedFolder(folder, mib * 1024 * 1024);
  std::printf("content: %.1f MiB in %s\n", bytes / 1048576.0, folder.c_str());
  Shell("cat -- $(find '" + folder.string() + "' -type f) > /dev/null");  // warm the cache

  kestramo::ZipComponent zip;
  zip.SetOverwriteMode(kestramo::OverwriteMode::Always);
  uint64_t packed = 0;
  const double packOurs = kestramo::bench::BestOf(kRuns, [&] { fs::remove(ours); },
                                 [&] { packed = kestramo::PackPath(zip, folder, ours, 6, true); });
  const double packPeer = kestramo::bench::BestOf(kRuns, [&] { fs::remove(peer); }, [&] {
    Shell("cd '" + folder.parent_path().string() + "' && zip -r -6 -q '" + peer.string() + "' Mixed");
  });
  if (packed != bytes) std::printf("WARNING: PackPath reported %llu bytes\n", static_cast<unsigned long long>(packed));

  int files = 0;
  const double unpackOurs = kestramo::bench::BestOf(kRuns, [&] { fs::remove_all(outOurs); },
                                   [&] { files = kestramo::UnpackArchive(zip, ours, outOurs, true); });
  const double unpackPeer = kestramo::bench::BestOf(kRuns, [&] { fs::remove_all(outPeer); }, [&] {
    Shell("unzip -q -o '" + ours.string() + "' -d '" + outPeer.string() + "'");
  });
  const bool same = Shell("diff -rq '" + folder.string() + "' '" + (outOurs / "Mixed").string() + "' >/dev/null") == 0;

  const auto sizeOurs = fs::file_size(ours), sizePeer = fs::file_size(peer);
  std::printf("pack   ours %.3f s  peer %.3f s  speed ratio %.2f\n", packOurs, packPeer, packPeer / packOurs);
  std::printf("size   ours %llu  peer %llu  size ratio %.4f\n", static_cast<unsigned long long>(sizeOurs),
              static_cast<unsigned long long>(sizePeer), static_cast<double>(sizeOurs) / sizePeer);
  std::printf("unpack ours %.3f s  peer %.3f s  speed ratio %.2f  (%d files, %s)\n", unpackOurs, unpackPeer,
              unpackPeer / unpackOurs, files, same ? "identical" : "DIFFERENT");
  fs::remove_all(work);
  return same ? 0 : 1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Imports and exports a generated folder of mixed content through kestramo-cli, and through
// the command-line pipelines a user could build for the same work, in the same run: to
// store, `tar | pigz -6 -p 2 | openssl enc` and `zip -6` then `openssl enc`; to restore,
// `openssl enc -d | pigz -d | tar x` and `openssl enc -d` then `unzip`. Runs alternate
// between the contenders so that all see the same load; prints medians, sizes and ratios,
// of wall time and of processor time (user and system, all processes of a contender):
// the second does not depend on how many cores other work on the machine leaves free.
// Usage: cli_bench [MiB] [runs] (default 256 MiB, 5 runs)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/bench_args.h"
#include "support/mixed_folder.h"
#include "support/race.h"

namespace fs = std::filesystem;
using kestramo::bench::Contender;
using kestramo::bench::Quote;
using kestramo::bench::Shell;

namespace {

constexpr const char* kKey = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";
constexpr const char* kIv = "f0e0d0c0b0a090807060504030201000";

uint64_t ItemBytes(const fs::path& vault) {
  for (const auto& e : fs::directory_iterator(vault / "coffrel")) {
    if (e.path().filename().string().rfind("item", 0) == 0) return e.file_size();
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const auto args =
      kestramo::bench::BenchNumbers(argc, argv, "Usage: cli_bench [MiB] [runs] (default 256 MiB, 5 runs)\n", {256, 5});
  const uint64_t mib = args[0];
  const int runs = static_cast<int>(args[1]);
  const fs::path root = fs::temp_directory_path() / "kestramo-cli-bench";
  fs::remove_all(root);
  const fs::path folder = root / "Data";
  const uint64_t bytes = kestramo::bench::GenerateMixedFolder(folder, mib << 20);
  (void)Shell("cat $(find " + Quote(folder) + " -type f) > /dev/null");  // warm the page cache
  const fs::path vault = root / "vault";
  const std::string cli = std::string(KESTRAMO_CLI) + " --vault " + Quote(vault);
  const fs::path zip = root / "peer.zip", zipSealed = root / "peer-zip.enc", tgzSealed = root / "peer-tgz.enc";
  const fs::path outOurs = root / "out-ours", outZip = root / "out-zip", outTgz = root / "out-tgz";
  const std::string openssl = std::string("openssl enc -aes-256-cbc -K ") + kKey + " -iv " + kIv;

  std::vector<Contender> store{
      {"ours",
       [&] {
         fs::remove_all(vault);
         fs::create_directories(vault);
         (void)Shell(cli + " new-box Bench");
       },
       [&] { return Shell(cli + " add Bench " + Quote(folder)); }},
      {"tar|pigz|openssl", [&] { fs::remove(tgzSealed); },
       [&] {
         return Shell("cd " + Quote(root) + " && tar cf - Data | pigz -6 -p 2 | " + openssl + " -out " +
                      Quote(tgzSealed));
       }},
      {"zip+openssl", [&] { fs::remove(zip), fs::remove(zipSealed); },
       [&] {
         return Shell("cd " + Quote(root) + " && zip -r -6 -q " + Quote(zip) + " Data && " + openssl + " -in " +
                      Quote(zip) + " -out " + Quote(zipSealed) + " && rm " + Quote(zip));
       }},
  };
  const auto storeTimes = kestramo::bench::Race(store, runs);

  std::vector<Contender> restore{
      {"ours", [&] { fs::remove_all(outOurs); },
       [&] { return Shell(cli + " extract " + Quote(outOurs) + " 1 --overwrite always"); }},
      {"openssl+unzip", [&] { fs::remove_all(outZip), fs::remove(zip); },
       [&] {
         return Shell(openssl + " -d -in " + Quote(zipSealed) + " -out " + Quote(zip) + " && unzip -q -o " +
                      Quote(zip) + " -d " + Quote(outZip));
       }},
      {"openssl|pigz -d|tar", [&] { fs::remove_all(outTgz), fs::create_directories(outTgz); },
       [&] { return Shell(openssl + " -d -in " + Quote(tgzSealed) + " | pigz -d | tar xf - -C " + Quote(outTgz)); }},
  };
  const auto restoreTimes = kestramo::bench::Race(restore, runs);
  const bool same = std::system(("diff -r -q " + Quote(outOurs / "Data") + " " + Quote(folder)).c_str()) == 0;

  const double ours = static_cast<double>(ItemBytes(vault));
  const double tgz = static_cast<double>(fs::file_size(tgzSealed)),
               zipped = static_cast<double>(fs::file_size(zipSealed));
  std::printf("folder: %.1f MiB of mixed content, median of %d runs\n", static_cast<double>(bytes) / 1048576.0, runs);
  kestramo::bench::Report("import", store, storeTimes);
  kestramo::bench::Report("export", restore, restoreTimes);
  std::printf("stored size  ours %.0f   tar|pigz %.0f (ours %+.2f%%)   zip %.0f (ours %+.2f%%)\n", ours, tgz,
              (ours / tgz - 1) * 100, zipped, (ours / zipped - 1) * 100);
  std::printf("targets: import >= 2x tar|pigz|openssl at <= +1%% size, export >= 2x openssl+unzip\n");
  std::printf("exported tree identical to the source: %s\n", same ? "yes" : "NO");
  fs::remove_all(root);
  return same ? 0 : 1;
}

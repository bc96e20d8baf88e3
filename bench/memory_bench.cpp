// SPDX-License-Identifier: GPL-3.0-or-later
// Peak memory (maximum resident set) of kestramo-cli importing and exporting one large
// item, by default a text file of 1 GiB, which packs into many pieces and inflates as a
// stream. Usage: memory_bench [MiB]
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/bench_args.h"
#include "support/mixed_folder.h"

namespace fs = std::filesystem;
extern char** environ;

namespace {

// Runs kestramo-cli with `args` and returns its peak resident set in MiB.
double PeakMiB(const std::vector<std::string>& args) {
  std::vector<char*> argv{const_cast<char*>(KESTRAMO_CLI)};
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, KESTRAMO_CLI, nullptr, nullptr, argv.data(), environ) != 0) std::exit(1);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "kestramo-cli failed\n");
    std::exit(1);
  }
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  const uint64_t mib =
      kestramo::bench::BenchNumbers(argc, argv, "Usage: memory_bench [MiB] (default 1024)\n", {1024})[0];
  const fs::path root = fs::temp_directory_path() / "kestramo-memory-bench";
  fs::remove_all(root);
  fs::create_directories(root / "vault");
  const fs::path item = root / "large.txt";
  kestramo::bench::GenerateTextFile(item, mib << 20);
  const std::string vault = (root / "vault").string();
  PeakMiB({"--vault", vault, "new-box", "Bench"});
  const double import = PeakMiB({"--vault", vault, "add", "Bench", item.string()});
  const double exportPeak =
      PeakMiB({"--vault", vault, "extract", (root / "out").string(), "1", "--overwrite", "always"});
  std::printf("item of %llu MiB: peak resident memory  import %.1f MiB  export %.1f MiB\n",
              static_cast<unsigned long long>(mib), import, exportPeak);
  fs::remove_all(root);
  return 0;
}

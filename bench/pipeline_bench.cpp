// SPDX-License-Identifier: GPL-3.0-or-later
// Stores and restores real files nobody here wrote (copies of /usr/include and /usr/share/doc,
// capped) through kestramo-cli, into a classic and a hardened vault, and through the
// pipelines a user picks for the same work, in the same run: `tar | zstd -3 -T2 | age` (to a
// passphrase-less recipient key made for the run) and `tar | pigz -6 -p 2 | openssl enc`, and
// their reverses. Runs alternate between the contenders; prints medians of wall time,
// processor time and peak memory, the ratios, and the bytes each stores. The hardened vault
// uses the key derivation's lowest cost, so that its fixed price does not hide the pipeline's.
// Usage: pipeline_bench [MiB] [runs] (default 300 MiB, 5 runs)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/bench_args.h"
#include "support/race.h"

namespace fs = std::filesystem;
using namespace kestramo::bench;

namespace {

constexpr const char* kKey = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";
constexpr const char* kIv = "f0e0d0c0b0a090807060504030201000";
constexpr const char* kPassphrase = "bench passphrase";

// Copies the regular files below each source (links left out) until `cap` bytes are copied.
std::pair<uint64_t, uint64_t> CopyCorpus(const std::vector<fs::path>& sources, const fs::path& to, uint64_t cap) {
  uint64_t bytes = 0, files = 0;
  for (const fs::path& source : sources) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(source, fs::directory_options::skip_permission_denied, ec), end;
         it != end && bytes < cap; it.increment(ec)) {
      if (ec) break;
      if (it->is_symlink() || !it->is_regular_file()) continue;
      const fs::path target = to / source.filename() / fs::relative(it->path(), source);
      fs::create_directories(target.parent_path());
      if (!fs::copy_file(it->path(), target, ec)) continue;
      bytes += fs::file_size(target), ++files;
    }
  }
  return {bytes, files};
}

uint64_t ItemBytes(const fs::path& vault) {
  for (const auto& e : fs::directory_iterator(vault / "coffrel")) {
    if (e.path().filename().string().rfind("item", 0) == 0) return e.file_size();
  }
  return 0;
}

template <typename T>
std::vector<T> Pick(const std::vector<T>& all, std::initializer_list<size_t> which) {
  std::vector<T> picked;
  for (size_t i : which) picked.push_back(all[i]);
  return picked;
}

}  // namespace

int main(int argc, char** argv) {
  const auto args =
      BenchNumbers(argc, argv, "Usage: pipeline_bench [MiB] [runs] (default 300 MiB, 5 runs)\n", {300, 5});
  const int runs = static_cast<int>(args[1]);
  const fs::path root = fs::temp_directory_path() / "kestramo-pipeline-bench";
  fs::remove_all(root);
  const fs::path folder = root / "Data";
  const auto [bytes, files] = CopyCorpus({"/usr/include", "/usr/share/doc"}, folder, args[0] << 20);
  (void)Shell("find " + Quote(folder) + " -type f -exec cat {} + > /dev/null");  // warm the page cache
  ::setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);  // each fresh hardened vault is remembered there

  const fs::path classic = root / "classic", hardened = root / "hardened";
  const std::string cli = std::string(KESTRAMO_CLI) + " --password-stdin --vault ";
  const std::string passIn = std::string("printf '%s\\n' '") + kPassphrase + "' | ";
  const std::string passTwice = std::string("printf '%s\\n' '") + kPassphrase + "' '" + kPassphrase + "' | ";
  const fs::path ageKey = root / "age.key", zstdSealed = root / "peer.tar.zst.age", tgzSealed = root / "peer.tgz.enc";
  (void)Shell("age-keygen -o " + Quote(ageKey) + " 2>/dev/null");
  const std::string openssl = std::string("openssl enc -aes-256-cbc -K ") + kKey + " -iv " + kIv;
  auto freshVault = [&](const fs::path& vault) {
    fs::remove_all(vault), fs::remove_all(root / "state");
    fs::create_directories(vault);
    (void)Shell(cli + Quote(vault) + " new-box Bench >/dev/null");
  };

  const std::vector<Contender> store{
      {"classic", [&] { freshVault(classic); },
       [&] { return Shell(cli + Quote(classic) + " add Bench " + Quote(folder)); }},
      {"hardened",
       [&] {
         freshVault(hardened);
         (void)Shell(passTwice + cli + Quote(hardened) + " harden --yes --kdf-memory 8 --kdf-passes 1 >/dev/null 2>&1");
       },
       [&] { return Shell(passIn + cli + Quote(hardened) + " add Bench " + Quote(folder)); }},
      {"tar|zstd -3 -T2|age", [&] { fs::remove(zstdSealed); },
       [&] {
         return Shell("cd " + Quote(root) + " && tar cf - Data | zstd -q -3 -T2 | age -e -i " + Quote(ageKey) + " -o " +
                      Quote(zstdSealed));
       }},
      {"tar|pigz -6 -p2|openssl", [&] { fs::remove(tgzSealed); },
       [&] {
         return Shell("cd " + Quote(root) + " && tar cf - Data | pigz -6 -p 2 | " + openssl + " -out " +
                      Quote(tgzSealed));
       }},
  };
  const auto storeResults = Race(store, runs);

  // Each run restores into a folder never used before, and none is deleted until the end: a
  // file system without a journal makes new files slow for a while after a mass deletion,
  // which would measure the last clean-up rather than the restore.
  fs::path out;
  int outCount = 0;
  auto freshOut = [&] {
    out = root / ("out" + std::to_string(++outCount));
    fs::create_directories(out);
  };
  const std::vector<Contender> restore{
      {"classic", freshOut, [&] { return Shell(cli + Quote(classic) + " extract " + Quote(out) + " 1"); }},
      {"hardened", freshOut, [&] { return Shell(passIn + cli + Quote(hardened) + " extract " + Quote(out) + " 1"); }},
      {"age -d|zstd -d|tar x", freshOut,
       [&] {
         return Shell("age -d -i " + Quote(ageKey) + " " + Quote(zstdSealed) + " | zstd -q -d -T2 | tar xf - -C " +
                      Quote(out));
       }},
      {"openssl -d|pigz -d|tar x", freshOut,
       [&] { return Shell(openssl + " -d -in " + Quote(tgzSealed) + " | pigz -d | tar xf - -C " + Quote(out)); }},
  };
  const auto restoreResults = Race(restore, runs);
  // The last run restored the last contender; check that ours restore the same tree.
  bool same = true;
  for (const auto& [name, vault] : {std::pair{"classic", classic}, std::pair{"hardened", hardened}}) {
    freshOut();
    (void)Shell(passIn + cli + Quote(vault) + " extract " + Quote(out) + " 1");
    if (std::system(("diff -r -q " + Quote(out / "Data") + " " + Quote(folder)).c_str()) != 0) {
      std::printf("%s: the restored tree differs from the source\n", name);
      same = false;
    }
  }

  std::printf("corpus: %.1f MiB in %llu files from /usr/include and /usr/share/doc, median of %d runs\n",
              static_cast<double>(bytes) / 1048576.0, static_cast<unsigned long long>(files), runs);
  Report("add (hardened)    ", Pick(store, {1, 2, 3}), Pick(storeResults, {1, 2, 3}));
  Report("add (classic)     ", Pick(store, {0, 3, 2}), Pick(storeResults, {0, 3, 2}));
  Report("extract (hardened)", Pick(restore, {1, 2, 3}), Pick(restoreResults, {1, 2, 3}));
  Report("extract (classic) ", Pick(restore, {0, 3, 2}), Pick(restoreResults, {0, 3, 2}));
  const double zst = static_cast<double>(fs::file_size(zstdSealed)),
               tgz = static_cast<double>(fs::file_size(tgzSealed));
  for (const auto& [name, vault] : {std::pair{"classic", classic}, std::pair{"hardened", hardened}}) {
    const double ours = static_cast<double>(ItemBytes(vault));
    std::printf("stored (%s) %.0f bytes: %.3fx tar|zstd|age (%.0f), %.3fx tar|pigz|openssl (%.0f)\n", name, ours,
                ours / zst, zst, ours / tgz, tgz);
  }
  std::printf(
      "targets: hardened add and extract >= tar|zstd|age and its reverse at <= its bytes; classic extract\n"
      "         >= openssl|pigz|tar; classic add ahead of tar|pigz|openssl; peak < 64 MiB + derivation\n");
  std::printf("restored trees identical to the source: %s\n", same ? "yes" : "NO");
  fs::remove_all(root);
  return same ? 0 : 1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// Imports and exports the same generated folder into a classic and a hardened vault in one
// run and prints the hardened/classic ratios, then times the passphrase's key derivation at
// its default cost. Usage: hardened_bench [MiB] (default 128)
#include <sodium.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "storage/hardened/passphrase_kdf.h"
#include "storage/vault/item_export.h"
#include "storage/vault/vault_hardening.h"
#include "support/bench_args.h"
#include "support/mixed_folder.h"

namespace fs = std::filesystem;
using namespace kestramo;

namespace {

class PlainShell : public api::ShellInfo {
 public:
  api::ShellIcon IconOf(const fs::path&) override { return {}; }
  std::string TypeOf(const fs::path&) override { return "Folder"; }
  api::ShellIcon PsdIcon() override { return {}; }
};

struct Timing {
  double import = 0, exported = 0;
};

// The median of three imports into a fresh vault of the given format, and of three exports.
Timing Measure(const fs::path& root, const fs::path& folder, bool hardened) {
  QuietStatus sink;
  WorkStatus work;
  PlainShell shell;
  Timing t;
  std::unique_ptr<Vault> vault;
  t.import = bench::MedianOf(
      3,
      [&] {
        fs::remove_all(root / "vault");
        fs::create_directories(root / "vault");
        vault = std::make_unique<Vault>(root / "vault");
        vault->LoadIndex();
        if (hardened && !HardenVault(*vault, "bench passphrase", {1, kMinKdfMemory}).ok()) std::exit(1);
      },
      [&] {
        work.Reset();
        if (!AddItem(*vault, folder, "Bench", {sink, work}, shell).ok()) std::exit(1);
      });
  vault->Items().MoveTo(vault->Items().RecordCount());
  t.exported = bench::MedianOf(
      3, [&] { fs::remove_all(root / "out"), fs::create_directories(root / "out"); },
      [&] {
        work.Reset();
        if (ExtractItem(*vault, vault->Items().Field(ItemField::Index).AsInteger(), root / "out", {sink, work},
                        [](const std::string&) { return true; })
                .code != api::Code::Ok) {
          std::exit(1);
        }
      });
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  const uint64_t mib = bench::BenchNumbers(argc, argv, "Usage: hardened_bench [MiB] (default 128)\n", {128})[0];
  const fs::path root = fs::temp_directory_path() / "kestramo-hardened-bench";
  fs::remove_all(root);
  const fs::path folder = root / "Data";
  bench::GenerateMixedFolder(folder, mib << 20);
  const Timing classic = Measure(root, folder, false);
  const Timing hardened = Measure(root, folder, true);
  std::printf("import  classic %.3f s  hardened %.3f s  hardened/classic %.2f\n", classic.import, hardened.import,
              hardened.import / classic.import);
  std::printf("export  classic %.3f s  hardened %.3f s  hardened/classic %.2f\n", classic.exported, hardened.exported,
              hardened.exported / classic.exported);

  const KdfParams params = FreshKdfParams();
  const auto begin = std::chrono::steady_clock::now();
  if (!DeriveKek("bench passphrase", params)) return 1;
  const double kdf = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  std::printf("key derivation  %s  %.3f s\n", DescribeKdf(params).c_str(), kdf);
  fs::remove_all(root);
  return 0;
}

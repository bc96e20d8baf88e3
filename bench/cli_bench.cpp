// Imports and exports a generated folder of mixed content through kestramo-cli, and through
// the command-line peers doing the same work (zip then openssl to store; openssl then unzip
// to restore), in the same run; prints times and ratios. Usage: cli_bench [MiB] (default 256)
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/mixed_folder.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 3;
constexpr const char* kKey = "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f";
constexpr const char* kIv = "f0e0d0c0b0a090807060504030201000";

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

}  // namespace

int main(int argc, char** argv) {
  const uint64_t mib = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 256;
  const fs::path root = fs::temp_directory_path() / "kestramo-cli-bench";
  fs::remove_all(root);
  const fs::path folder = root / "Data";
  const uint64_t bytes = kestramo::bench::GenerateMixedFolder(folder, mib << 20);
  const fs::path vault = root / "vault";
  const std::string cli = std::string(KESTRAMO_CLI) + " --vault " + Quote(vault);
  const fs::path zip = root / "peer.zip", sealed = root / "peer.enc";
  const fs::path outOurs = root / "out-ours", outPeer = root / "out-peer";
  const std::string openssl = std::string("openssl enc -aes-256-cbc -K ") + kKey + " -iv " + kIv;

  auto freshVault = [&] {
    fs::remove_all(vault);
    fs::create_directories(vault);
    Shell(cli + " new-box Bench");
  };
  const double importOurs = kestramo::bench::BestOf(kRuns, freshVault, [&] { Shell(cli + " add Bench " + Quote(folder)); });
  const double importPeer = kestramo::bench::BestOf(
      kRuns, [&] { fs::remove(zip), fs::remove(sealed); },
      [&] {
        Shell("cd " + Quote(root) + " && zip -r -6 -q " + Quote(zip) + " Data");
        Shell(openssl + " -in " + Quote(zip) + " -out " + Quote(sealed));
        fs::remove(zip);
      });
  const double exportOurs = kestramo::bench::BestOf(kRuns, [&] { fs::remove_all(outOurs); },
                                                    [&] { Shell(cli + " extract " + Quote(outOurs) + " 1 --overwrite always"); });
  const double exportPeer = kestramo::bench::BestOf(
      kRuns, [&] { fs::remove_all(outPeer), fs::remove(zip); },
      [&] {
        Shell(openssl + " -d -in " + Quote(sealed) + " -out " + Quote(zip));
        Shell("unzip -q -o " + Quote(zip) + " -d " + Quote(outPeer));
      });
  const bool same = std::system(("diff -r -q " + Quote(outOurs / "Data") + " " + Quote(folder)).c_str()) == 0;

  std::printf("folder: %.1f MiB of mixed content, best of %d runs\n", bytes / 1048576.0, kRuns);
  std::printf("import  ours %.3f s   zip+openssl   %.3f s   speed ratio %.2fx (target >= 1.6x)\n", importOurs,
              importPeer, importPeer / importOurs);
  std::printf("export  ours %.3f s   openssl+unzip %.3f s   speed ratio %.2fx (target >= 1.2x)\n", exportOurs,
              exportPeer, exportPeer / exportOurs);
  std::printf("exported tree identical to the source: %s\n", same ? "yes" : "NO");
  fs::remove_all(root);
  return same ? 0 : 1;
}

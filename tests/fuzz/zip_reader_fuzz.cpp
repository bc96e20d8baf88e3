// SPDX-License-Identifier: GPL-3.0-or-later
// An archive planted as an item: its directory is read and every entry extracted into a
// private folder. Nothing may escape that folder and memory stays bounded (the run's
// -rss_limit_mb and the sanitizers watch).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "storage/zip/zip_component.h"

namespace fs = std::filesystem;

namespace {

// A private working folder for the whole run, removed at exit; in memory when the system
// offers it, since creating files on a real disk slows the run down a hundredfold.
struct WorkFolder {
  fs::path path;
  WorkFolder() {
    const fs::path parent = ::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path();
    path = parent / ("kestramo-zip-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(path);
  }
  ~WorkFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

const fs::path& WorkDir() {
  static const WorkFolder folder;
  return folder.path;
}

// True when the folder holds anything outside "dest" besides the archive itself.
bool SomethingEscaped(const fs::path& work) {
  for (const auto& e : fs::directory_iterator(work)) {
    const std::string name = e.path().filename().string();
    if (name != "dest" && name != "in.zip") return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fs::path& work = WorkDir();
  const fs::path archive = work / "in.zip";
  const fs::path dest = work / "dest" / "inner";
  fs::remove_all(work / "dest");
  fs::create_directories(dest);
  std::ofstream(archive, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

  kestramo::ZipComponent zip;
  zip.SetZstdEntries(true);  // as in a hardened vault, whose reader knows one method more
  kestramo::UnpackOptions options;
  options.zipName = archive.string();
  options.destDir = dest.string();
  options.recreateDirs = true;
  options.overwriteMode = kestramo::OverwriteMode::Always;
  // Refused archives are fine; only crashes and escapes are not.
  (void)zip.ExtractEntries(options);
  for (const auto& e : fs::directory_iterator(work / "dest")) {
    if (e.path() != dest) __builtin_trap();
  }
  if (SomethingEscaped(work)) __builtin_trap();
  return 0;
}

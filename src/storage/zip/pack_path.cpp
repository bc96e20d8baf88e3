// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/pack_path.h"

namespace kestramo {

ZipRun PackPath(ZipComponent& zip, const std::filesystem::path& source, const std::filesystem::path& archive, int level,
                bool isFolder, Stream* sink, int sinkFd) {
  PackOptions options;
  options.zipName = archive.string();
  std::string path = source.lexically_normal().string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (isFolder) {
    options.filesList.push_back(path + "/*.*");
    const auto slash = path.find_last_of('/');
    options.rootDir = slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
    if (!options.rootDir.empty() && options.rootDir.back() != '/') options.rootDir += '/';
    options.relativePaths = options.storePaths = options.recurse = true;
    options.addDirEntriesOnRecurse = true;  // empty subfolders come back too
  } else {
    options.filesList.push_back(path);
  }
  options.packLevel = level;
  return sink ? zip.MakeArchiveInto(options, *sink, sinkFd) : zip.MakeArchive(options);
}

ZipRun UnpackArchive(ZipComponent& zip, const std::filesystem::path& archive, const std::filesystem::path& dest,
                     bool isFolder, UnpackOptions choices) {
  choices.zipName = archive.string();
  choices.doAll = true;
  choices.destDir = dest.string();
  choices.recreateDirs = isFolder;
  choices.retainAttributes = true;
  return zip.ExtractEntries(choices);
}

}  // namespace kestramo

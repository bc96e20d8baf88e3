#include "storage/zip/pack_path.h"

namespace kestramo {

uint64_t PackPath(ZipComponent& zip, const std::filesystem::path& source, const std::filesystem::path& archive,
                  int level, bool isFolder, Stream* sink, int sinkFd) {
  try {
    zip.SetZipName(archive.string());
    zip.FilesList().clear();
    std::string path = source.lexically_normal().string();
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    if (isFolder) {
      zip.FilesList().push_back(path + "/*.*");
      const auto slash = path.find_last_of('/');
      zip.SetRootDir(slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash));
      zip.SetRelativePaths(true);
      zip.SetAddDirEntriesOnRecurse(true);  // empty subfolders come back too
    } else {
      zip.FilesList().push_back(path);
      zip.SetRelativePaths(false);
      zip.SetRecurse(false);
      zip.SetStorePaths(false);
      zip.SetAddDirEntriesOnRecurse(false);
    }
    zip.SetPackLevel(level);
    if (sink) zip.MakeArchiveInto(*sink, sinkFd);
    else zip.MakeArchive();
    uint64_t total = 0;
    for (int i = 0; i < zip.EntryCount(); ++i) total += zip.EntrySize(i);
    return total;
  } catch (...) {
    return 0;
  }
}

int UnpackArchive(ZipComponent& zip, const std::filesystem::path& archive, const std::filesystem::path& dest,
                  bool isFolder) {
  try {
    zip.SetZipName(archive.string());
    zip.SetDoAll(true);
    zip.SetDestDir(dest.string());
    zip.SetRecreateDirs(isFolder);
    zip.SetRetainAttributes(true);
    return zip.ExtractEntries();
  } catch (...) {
    return 0;
  }
}

}  // namespace kestramo

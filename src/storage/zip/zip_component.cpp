// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/zip_component.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "storage/disk/file_handle.h"
#include "storage/hardened/scratch_file.h"
#include "storage/zip/archive_builder.h"
#include "storage/zip/central_directory.h"
#include "storage/zip/entry_extractor.h"
#include "storage/zip/entry_name.h"
#include "storage/zip/files_list_expander.h"
#include "storage/zip/progress_meter.h"
#include "storage/zip/work_pool.h"
#include "storage/zip/zip_error.h"

namespace kestramo {
namespace {

// The directory part of a stored name: components joined by '/', with a trailing '/'.
// Empty, "." and ".." components are dropped so that no stored name can climb.
std::string CleanDirectoryPart(const std::string& dir) {
  std::string out, part;
  auto flush = [&] {
    if (!part.empty() && part != "." && part != "..") out += part + "/";
    part.clear();
  };
  for (char c : dir) {
    if (c == '/') flush();
    else part.push_back(c);
  }
  flush();
  return out;
}

// Creates path with its missing parents, recording each directory made.
void CreateMissingDirectories(const std::string& path, std::vector<std::string>& created) {
  std::string prefix;
  for (size_t pos = 0; pos != std::string::npos;) {
    const size_t slash = path.find('/', pos + 1);
    prefix = path.substr(0, slash);
    pos = slash;
    if (prefix.empty()) continue;
    struct stat st {};
    if (stat(prefix.c_str(), &st) == 0) continue;
    if (mkdir(prefix.c_str(), 0777) != 0)
      throw ZipError(ZipFault::CantUseDestination, prefix + " (" + std::strerror(errno) + ")");
    created.push_back(prefix);
  }
}

bool IsDirectoryName(const std::string& name) { return !name.empty() && (name.back() == '/' || name.back() == '\\'); }

using NamedEntries = std::vector<std::pair<const zip::EntryInfo*, std::string>>;

// The entries `wanted` by their names, in the order they are decoded in, and the sum of
// their stated sizes. The entries of a zstd group may lie between another's, but decode only
// one after the other: each group is taken whole, in its order, where its first entry lies.
NamedEntries DecodingOrder(const std::vector<zip::EntryInfo>& entries, bool oemConvert,
                           const std::function<bool(const std::string&)>& wanted, uint64_t& total) {
  NamedEntries selected;
  total = 0;
  for (const auto& e : entries) {
    std::string name = zip::DecodeEntryName(e.rawName, e.flags, oemConvert);
    if (!wanted(name)) continue;
    total = e.uncompressedSize > UINT64_MAX - total ? UINT64_MAX : total + e.uncompressedSize;  // sizes may lie
    selected.emplace_back(&e, std::move(name));
  }
  auto place = [](const zip::EntryInfo* e) {
    return std::pair(e->zstdGroup != zip::kNoGroup ? e->zstdGroup : e->localHeaderOffset, e->localHeaderOffset);
  };
  std::stable_sort(selected.begin(), selected.end(),
                   [&](const auto& a, const auto& b) { return place(a.first) < place(b.first); });
  return selected;
}

}  // namespace

ZipComponent::ZipComponent() = default;
ZipComponent::~ZipComponent() = default;

void ZipComponent::CheckCancel() {
  if (cancel_.exchange(false)) throw ZipAborted();
}

namespace {

// A failure raised inside the component, as its run reports it.
void Fail(ZipRun& run, const std::exception& e) {
  const auto* zipError = dynamic_cast<const ZipError*>(&e);
  run.error = e.what();
  run.detail = zipError ? zipError->Detail() : std::string();
  run.fault = zipError ? zipError->Fault() : ZipFault::Other;
}

// Runs `body`, turning whatever it raises into the run's failure; memory runs out as a
// failure like any other, never as a crash of the caller.
template <typename Body>
ZipRun Guarded(Body&& body) {
  ZipRun run;
  try {
    body(run);
  } catch (const std::exception& e) {
    Fail(run, e);
  } catch (...) {
    run.fault = ZipFault::Other;
    run.error = "an unexpected failure";
  }
  return run;
}

}  // namespace

zip::WorkPool& ZipComponent::Pool() {
  if (!pool_) pool_ = std::make_unique<zip::WorkPool>(std::clamp(std::thread::hardware_concurrency(), 2u, 4u));
  return *pool_;
}

namespace {

std::string EntryNameFor(const PackOptions& options, const std::string& path) {
  const auto slash = path.find_last_of('/');
  const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!(options.storePaths || options.relativePaths) || slash == std::string::npos) return file;
  std::string dir = path.substr(0, slash + 1);
  const std::string& root = options.rootDir;
  if (options.relativePaths && dir.compare(0, root.size(), root) == 0) dir.erase(0, root.size());
  return CleanDirectoryPart(dir) + file;
}

std::vector<std::pair<uint64_t, uint64_t>> Identities(const std::vector<std::string>& paths) {
  std::vector<std::pair<uint64_t, uint64_t>> found;
  for (const std::string& path : paths) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) found.emplace_back(st.st_dev, st.st_ino);
  }
  return found;
}

}  // namespace

ZipRun ZipComponent::MakeArchive(const PackOptions& options) {
  const std::string& zipName = options.zipName;
  // Private to the user: the archive holds the plain contents of an item. Readable too: a
  // sealed archive reads back the blocks that a write completes or a header patch changes.
  FileHandle archive(open(zipName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW, 0600));
  ZipRun run = Guarded([&](ZipRun&) {
    if (archive.Get() < 0) throw ZipError("Cannot create the archive " + zipName);
    struct stat self {};
    if (fstat(archive.Get(), &self) != 0 || !S_ISREG(self.st_mode)) {
      archive.Close();  // a device or pipe: never written to, never deleted
      throw ZipError("Cannot create the archive " + zipName);
    }
    RenewScratch();
    BuildArchive(options, {archive.Get(), mask_.get(), nullptr}, self);
    if (archive.Close() != 0) throw ZipError(ZipFault::NoRoomToWrite);
  });
  if (!run.ok()) {
    // Only a file this run created is removed; one it could not open is not ours to delete.
    if (archive.Get() >= 0) {
      archive.Close();
      unlink(zipName.c_str());
    }
    entries_.clear();
  }
  return Packed(std::move(run));
}

ZipRun ZipComponent::MakeArchiveInto(const PackOptions& options, Stream& sink, int sinkFd) {
  ZipRun run = Guarded([&](ZipRun&) {
    struct stat self {};
    if (fstat(sinkFd, &self) != 0) throw ZipError("Cannot create the archive " + options.zipName);
    BuildArchive(options, {-1, nullptr, &sink}, self);
  });
  if (!run.ok()) entries_.clear();
  return Packed(std::move(run));
}

ZipRun ZipComponent::Packed(ZipRun run) const {
  if (!run.ok()) return run;
  run.count = static_cast<int>(entries_.size());
  for (const auto& entry : entries_) run.bytes += entry.uncompressedSize;
  return run;
}

void ZipComponent::BuildArchive(const PackOptions& options, const zip::ArchiveTarget& target, const struct stat& self) {
  cancel_.store(false);
  entries_.clear();
  leftOutPaths_.clear();
  auto leaveOut = [this](const std::string& path) { leftOutPaths_.push_back(path); };
  const bool recurse = options.recurse || options.relativePaths;
  zip::ExpandOptions expand{options.rootDir,
                            recurse,
                            self.st_dev,
                            self.st_ino,
                            [this] { CheckCancel(); },
                            leaveOut,
                            options.addDirEntriesOnRecurse};
  auto files = zip::ExpandFilesList(options.filesList, expand);

  zip::ProgressMeter progress(OnTotalPercentDone);
  uint64_t total = 0;
  std::vector<zip::SourceFile> sources;
  sources.reserve(files.size());
  for (const auto& f : files) {
    total += f.size;
    sources.push_back({f.path, EntryNameFor(options, f.path) + (f.directory ? "/" : ""), f.directory, f.size});
  }
  progress.Start(total);
  std::vector<zip::ExpandedFile>().swap(files);  // the sources say it all now
  const int level = std::clamp(options.packLevel, 0, 9);
  const size_t leftOutBefore = leftOutPaths_.size();
  zip::ArchiveBuilder builder(target, Pool(), level, zstdEntries_,
                              {[&](uint64_t n) { progress.Add(n); }, [this] { CheckCancel(); }, leaveOut});
  entries_ = builder.Build(sources);
  // Every source listed is in the archive or named as left out: an archive that silently
  // holds less than it was given must never pass for whole.
  const size_t accounted = entries_.size() + (leftOutPaths_.size() - leftOutBefore);
  if (accounted != sources.size()) {
    throw ZipError("The archive holds " + std::to_string(entries_.size()) + " of the " +
                   std::to_string(sources.size()) + " files and folders listed");
  }
  progress.Report(100);
}

ZipRun ZipComponent::ExtractEntries(const UnpackOptions& options) {
  cancel_.store(false);
  createdPaths_.clear();
  replacedPaths_.clear();
  keptPaths_.clear();
  entries_.clear();
  int count = 0;
  ZipRun run = Guarded([&](ZipRun& partial) { count = RunExtraction(options, partial); });
  run.count = count;
  return run;
}

ZipRun ZipComponent::ReadEntries(const std::string& zipName) {
  entries_.clear();
  ZipRun run = Guarded([&](ZipRun&) {
    FileHandle archive(open(zipName.c_str(), O_RDONLY | O_CLOEXEC));
    if (archive.Get() < 0) throw ZipError("Cannot open the archive " + zipName);
    entries_ = zip::ReadCentralDirectory(archive.Get(), ReadView()).entries;
  });
  if (run.ok()) run.count = static_cast<int>(entries_.size());
  return run;
}

ZipRun ZipComponent::TestEntries(const std::string& zipName) {
  cancel_.store(false);
  entries_.clear();
  int damaged = 0;
  ZipRun run = Guarded([&](ZipRun& firstDamage) {
    FileHandle archive(open(zipName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (archive.Get() < 0) throw ZipError("Cannot open the archive " + zipName);
    struct stat st {};
    if (fstat(archive.Get(), &st) != 0) throw ZipError("Cannot open the archive " + zipName);
    ArchiveView* view = ReadView();
    entries_ = zip::ReadCentralDirectory(archive.Get(), view).entries;
    uint64_t total = 0;
    const auto selected = DecodingOrder(
        entries_, oemConvert_, [](const std::string&) { return true; }, total);
    zip::ProgressMeter progress(OnTotalPercentDone);
    progress.Start(total);
    zip::ExtractSettings settings;
    settings.acceptZstd = zstdEntries_;
    settings.writeNothing = true;
    // The first damaged entry is the one the run tells of.
    zip::ExtractHooks hooks{[this] { CheckCancel(); },
                            [&](uint64_t n) { progress.Add(n); },
                            [&](uint64_t n) { progress.DropFromTotal(n); },
                            [&](const ZipError& error) {
                              if (damaged++ == 0) Fail(firstDamage, error);
                            },
                            {},
                            {}};
    std::vector<std::string> created;
    zip::EntryExtractor extractor(archive.Get(), view ? view->Size() : static_cast<uint64_t>(st.st_size), view,
                                  settings, hooks, created);
    extractor.KnowGroups(entries_);
    for (const auto& [entry, name] : selected) extractor.Test(*entry, name);
  });
  run.count = damaged;
  return run;
}

int ZipComponent::RunExtraction(const UnpackOptions& options, ZipRun& run) {
  std::string destDir = options.destDir;
  if (destDir.size() > 1 && destDir.back() == '/') destDir.pop_back();
  if (!destDir.empty()) CreateMissingDirectories(destDir, createdPaths_);
  FileHandle archive(open(options.zipName.c_str(), O_RDONLY | O_CLOEXEC));
  if (archive.Get() < 0) throw ZipError("Cannot open the archive " + options.zipName);
  struct stat st {};
  fstat(archive.Get(), &st);
  ArchiveView* view = ReadView();
  entries_ = zip::ReadCentralDirectory(archive.Get(), view).entries;

  uint64_t total = 0;
  const auto selected = DecodingOrder(
      entries_, oemConvert_,
      [&](const std::string& name) { return options.doAll && (!IsDirectoryName(name) || options.recreateDirs); },
      total);

  zip::ProgressMeter progress(OnTotalPercentDone);
  progress.Start(total);
  zip::ExtractSettings settings{destDir,
                                options.recreateDirs,
                                options.retainAttributes,
                                options.overwriteMode,
                                options.replaceReadOnly,
                                options.overwritePrompt,
                                Identities(options.protectedPaths),
                                zstdEntries_};
  zip::ExtractHooks hooks{[this] { CheckCancel(); },
                          [&](uint64_t n) { progress.Add(n); },
                          [&](uint64_t n) { progress.DropFromTotal(n); },
                          [&run](const ZipError& error) { Fail(run, error); },
                          [this](const std::string& path) { replacedPaths_.push_back(path); },
                          [this](const std::string& path, bool declined) {
                            keptPaths_.push_back({path, declined});
                          }};
  zip::EntryExtractor extractor(archive.Get(), view ? view->Size() : static_cast<uint64_t>(st.st_size), view, settings,
                                hooks, createdPaths_);
  extractor.KnowGroups(entries_);
  int count = 0;
  for (const auto& [entry, name] : selected)
    if (extractor.Extract(*entry, name)) ++count;
  return count;
}

ArchiveView* ZipComponent::ReadView() const { return view_ ? view_.get() : mask_.get(); }

void ZipComponent::SetScratchSealing(bool on) {
  masking_ = on;
  RenewScratch();
}

void ZipComponent::RenewScratch() {
  mask_ = masking_ ? std::make_shared<ScratchFile>() : nullptr;
  view_ = nullptr;
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "storage/zip/extract_settings.h"
#include "storage/zip/zip_records.h"

namespace kestramo {

class ArchiveView;
class ScratchFile;
class Stream;

namespace zip {
class WorkPool;
struct ArchiveTarget;
}  // namespace zip

// What one packing run packs, and how; nothing of it outlives the call.
struct PackOptions {
  std::string zipName;
  std::vector<std::string> filesList;  // files, folders, or "folder/*.*" patterns
  std::string rootDir;                 // with its trailing '/': stripped from names when relativePaths
  bool relativePaths = false;
  bool storePaths = false;
  bool recurse = false;
  int packLevel = 6;                    // 0 stores, 1..9 deflates
  bool addDirEntriesOnRecurse = false;  // empty subfolders get entries of their own
};

// What one extraction run writes, and where; nothing of it outlives the call.
struct UnpackOptions {
  std::string zipName;
  bool doAll = true;    // false selects no entry
  std::string destDir;  // made when missing; empty means the working directory
  bool recreateDirs = false;
  bool retainAttributes = true;
  OverwriteMode overwriteMode = OverwriteMode::Prompt;
  bool replaceReadOnly = false;
  OverwritePrompt overwritePrompt;
  // Folders that extraction must never write into and files it must never replace, by
  // whatever path (links included); an entry that would is abandoned with an error. Those
  // that do not exist are ignored.
  std::vector<std::string> protectedPaths;
};

// How one run of the ZIP component ended. A failed run says which failure and why; an
// extraction may fail on some entries and still have extracted others (`count`).
struct [[nodiscard]] ZipRun {
  int count = 0;  // entries packed or read, files extracted, or entries found damaged
  ZipFault fault = ZipFault::None;
  std::string error;   // the failure's text
  std::string detail;  // the path at fault and why, when the text does not say (may be empty)
  uint64_t bytes = 0;  // packing: the total size of what was packed

  bool ok() const { return fault == ZipFault::None; }
  // The text with its detail, as a report shows it.
  std::string Described() const { return detail.empty() ? error : error + ": " + detail; }
};

// Packs files into one ZIP archive and extracts them again. Each run takes its options with
// the call and returns how it ended; no run throws.
class ZipComponent {
 public:
  ZipComponent();
  ~ZipComponent();
  ZipComponent(const ZipComponent&) = delete;
  ZipComponent& operator=(const ZipComponent&) = delete;

  bool OEMConvert() const { return oemConvert_; }
  // On: every archive is written and read through a sealed scratch (a throw-away key, each
  // block checked when it is read back), so that its plain bytes never reach the disk and a
  // change made on the disk is refused. Each new archive gets a new one.
  void SetScratchSealing(bool on);
  // A new sealed scratch for the archive about to be written (none while sealing is off),
  // read through from now on.
  void RenewScratch();
  ScratchFile* ScratchInUse() const { return mask_.get(); }
  // While set, archives are read through this view (a sealed item read in place) instead of
  // the scratch; nullptr goes back to the scratch.
  void ReadThrough(std::shared_ptr<ArchiveView> view) { view_ = std::move(view); }
  // On: compressed entries are packed with zstd (ZIP method 93), and extraction accepts it.
  // Off, for the archives of classic items that other programs read: method 93 is refused.
  void SetZstdEntries(bool on) { zstdEntries_ = on; }

  std::function<void(int percent)> OnTotalPercentDone;

  // Builds options.zipName from options.filesList; counts the entries.
  ZipRun MakeArchive(const PackOptions& options);
  // Builds the archive into a stream that only appends (one that seals as it goes) instead
  // of options.zipName; `sinkFd` is the file it fills, never packed into itself.
  ZipRun MakeArchiveInto(const PackOptions& options, Stream& sink, int sinkFd);
  // Extracts every entry of options.zipName below options.destDir; counts the files
  // extracted. A damaged entry fails the run, and the others still come out.
  ZipRun ExtractEntries(const UnpackOptions& options);
  // Reads the entries of an archive without extracting any; counts them.
  ZipRun ReadEntries(const std::string& zipName);
  // Decodes every entry of an archive as extraction would, writing nothing; counts those
  // that would not come out whole, and tells of the first.
  ZipRun TestEntries(const std::string& zipName);

  const std::vector<zip::EntryInfo>& Entries() const { return entries_; }

  // Callable from another thread: the running operation stops at its next check.
  void CancelOperation() { cancel_.store(true); }
  void CloseArchive() { entries_.clear(); }

  // What the last ExtractEntries created (did not exist before), in creation order.
  const std::vector<std::string>& CreatedPaths() const { return createdPaths_; }
  // Files that existed and were replaced by the last extraction: they cannot be undone.
  const std::vector<std::string>& ReplacedPaths() const { return replacedPaths_; }
  // Files that existed and that the last extraction left as they were.
  struct KeptFile {
    std::string path;
    bool declined;  // the overwrite mode or the answer said so; else it could not be replaced
  };
  const std::vector<KeptFile>& KeptPaths() const { return keptPaths_; }
  // What the last MakeArchive could not pack (unreadable, or not a file or folder).
  const std::vector<std::string>& LeftOutPaths() const { return leftOutPaths_; }

 private:
  void CheckCancel();
  // Extracts as ExtractEntries says, counting the files; a damaged entry fails `run`.
  int RunExtraction(const UnpackOptions& options, ZipRun& run);
  // A finished packing run with its count of entries and bytes.
  ZipRun Packed(ZipRun run) const;
  // `self`: the archive's file, left out of what is packed.
  void BuildArchive(const PackOptions& options, const zip::ArchiveTarget& target, const struct stat& self);
  zip::WorkPool& Pool();

  bool oemConvert_ = true;
  bool zstdEntries_ = false;

  std::atomic<bool> cancel_{false};
  std::vector<zip::EntryInfo> entries_;
  std::vector<std::string> createdPaths_;
  std::vector<std::string> replacedPaths_;
  std::vector<KeptFile> keptPaths_;
  std::vector<std::string> leftOutPaths_;
  std::unique_ptr<zip::WorkPool> pool_;
  bool masking_ = false;
  std::shared_ptr<ScratchFile> mask_;
  std::shared_ptr<ArchiveView> view_;
  ArchiveView* ReadView() const;
};

}  // namespace kestramo

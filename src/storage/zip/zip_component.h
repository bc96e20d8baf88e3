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

// The text and title of the question asked before an existing file is replaced.
std::string ReplaceFileQuestion(const std::string& fileName);
inline constexpr const char* kFileExistsTitle = "File Exists Alert";

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

// Packs files into one ZIP archive and extracts them again. Each run takes its options with
// the call; the properties below are a convenience that fills them for the calls without
// options, and persist between those calls. Failures raise ZipError and leave their text in
// LastError().
class ZipComponent {
 public:
  ZipComponent();
  ~ZipComponent();
  ZipComponent(const ZipComponent&) = delete;
  ZipComponent& operator=(const ZipComponent&) = delete;

  const std::string& ZipName() const { return zipName_; }
  void SetZipName(std::string v) { zipName_ = std::move(v); }
  std::vector<std::string>& FilesList() { return filesList_; }
  const std::string& RootDir() const { return rootDir_; }
  void SetRootDir(std::string v);  // adds the trailing '/' when missing
  bool RelativePaths() const { return relativePaths_; }
  void SetRelativePaths(bool v);  // false -> true also sets StorePaths and Recurse
  bool StorePaths() const { return storePaths_; }
  void SetStorePaths(bool v);  // true -> false also clears RelativePaths
  bool Recurse() const { return recurse_; }
  void SetRecurse(bool v) { recurse_ = v; }
  int PackLevel() const { return packLevel_; }
  void SetPackLevel(int v) { packLevel_ = v < 0 ? 0 : (v > 9 ? 9 : v); }
  bool DoAll() const { return doAll_; }
  void SetDoAll(bool v) { doAll_ = v; }
  const std::string& DestDir() const { return destDir_; }
  void SetDestDir(std::string v);  // one trailing '/' removed
  bool RecreateDirs() const { return recreateDirs_; }
  void SetRecreateDirs(bool v) { recreateDirs_ = v; }
  bool RetainAttributes() const { return retainAttributes_; }
  void SetRetainAttributes(bool v) { retainAttributes_ = v; }
  kestramo::OverwriteMode OverwriteMode() const { return overwriteMode_; }
  void SetOverwriteMode(kestramo::OverwriteMode v) { overwriteMode_ = v; }
  bool ReplaceReadOnly() const { return replaceReadOnly_; }
  void SetReplaceReadOnly(bool v) { replaceReadOnly_ = v; }
  bool OEMConvert() const { return oemConvert_; }
  bool AddDirEntriesOnRecurse() const { return addDirEntriesOnRecurse_; }
  void SetAddDirEntriesOnRecurse(bool v) { addDirEntriesOnRecurse_ = v; }
  // Folders that extraction must never write into and files it must never replace, by
  // whatever path (links included); an entry that would is abandoned with an error. Those
  // that do not exist are ignored.
  void SetProtectedPaths(const std::vector<std::string>& paths);
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
  OverwritePrompt OnOverwritePrompt;

  // Builds options.zipName from options.filesList; returns the number of entries.
  int MakeArchive(const PackOptions& options);
  // Builds the archive into a stream that only appends (one that seals as it goes) instead
  // of options.zipName; `sinkFd` is the file it fills, never packed into itself.
  int MakeArchiveInto(const PackOptions& options, Stream& sink, int sinkFd);
  // Extracts every entry of options.zipName below options.destDir; returns the number of
  // files extracted.
  int ExtractEntries(const UnpackOptions& options);
  // The same from the properties (FilesList is emptied afterwards).
  int MakeArchive();
  int ExtractEntries();
  PackOptions PackProperties() const;
  UnpackOptions UnpackProperties() const;
  // Reads the entries of an archive without extracting any; returns their number.
  int ReadEntries(const std::string& zipName);
  int ReadEntries() { return ReadEntries(zipName_); }
  // Decodes every entry of an archive as extraction would, writing nothing; returns the
  // number that would not come out whole (LastError() tells of the first). Throws as
  // ExtractEntries does, for an archive that cannot be read at all.
  int TestEntries(const std::string& zipName);

  int EntryCount() const { return static_cast<int>(entries_.size()); }
  uint64_t EntrySize(int index) const;  // throws "Index %d is out of range"
  const std::vector<zip::EntryInfo>& Entries() const { return entries_; }

  // Callable from another thread: the running operation stops at its next check.
  void CancelOperation() { cancel_.store(true); }
  void CloseArchive() { entries_.clear(); }

  const std::string& LastError() const { return lastError_; }
  // Which failure LastError() is: None after a success, Other for one without a text of its own.
  ZipFault LastFault() const { return lastFault_; }
  // The path at fault for LastError() and why, when its text does not say (may be empty).
  const std::string& LastErrorDetail() const { return lastErrorDetail_; }
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
  // The failure of the last operation, kept for LastError(), LastErrorDetail() and LastFault().
  void Remember(const std::exception& e);
  void Forget();
  int RunExtraction(const UnpackOptions& options);
  // `self`: the archive's file, left out of what is packed.
  void BuildArchive(const PackOptions& options, const zip::ArchiveTarget& target, const struct stat& self);
  zip::WorkPool& Pool();

  std::string zipName_;
  std::vector<std::string> filesList_;
  std::string rootDir_;
  bool relativePaths_ = false;
  bool storePaths_ = false;
  bool recurse_ = false;
  int packLevel_ = 6;
  bool doAll_ = false;
  std::string destDir_;
  bool recreateDirs_ = false;
  bool retainAttributes_ = true;
  kestramo::OverwriteMode overwriteMode_ = kestramo::OverwriteMode::Prompt;
  bool replaceReadOnly_ = false;
  bool oemConvert_ = true;
  bool addDirEntriesOnRecurse_ = false;
  bool zstdEntries_ = false;
  std::vector<std::string> protectedPaths_;

  std::atomic<bool> cancel_{false};
  std::vector<zip::EntryInfo> entries_;
  std::vector<std::string> createdPaths_;
  std::vector<std::string> replacedPaths_;
  std::vector<KeptFile> keptPaths_;
  std::vector<std::string> leftOutPaths_;
  std::string lastError_;
  std::string lastErrorDetail_;
  ZipFault lastFault_ = ZipFault::None;
  std::unique_ptr<zip::WorkPool> pool_;
  bool masking_ = false;
  std::shared_ptr<ScratchFile> mask_;
  std::shared_ptr<ArchiveView> view_;
  ArchiveView* ReadView() const;
};

}  // namespace kestramo

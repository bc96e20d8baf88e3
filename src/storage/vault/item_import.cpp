// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/item_import.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>

#include "storage/text/named_list.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/free_space.h"
#include "storage/vault/progress_translator.h"
#include "storage/vault/unrecorded_files.h"
#include "storage/zip/pack_path.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

std::string UpperExt(const std::string& name) {
  const auto dot = name.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
  return ext;
}

struct SourceEntry {
  fs::path path;  // absolute and normal
  std::string name;
  api::LocalDateTime date;
  bool isFolder = false;
  std::string ext;  // upper case with its dot; files only
};

// The entry of the source itself, as a directory listing would show it; or what is wrong with
// the path (NotFound when nothing is there, else InvalidArgument).
api::Result<SourceEntry> FindSource(const fs::path& source) {
  using api::Code;
  using api::Status;
  if (source.empty()) return Status::Fail(Code::InvalidArgument, "the path is empty", source);
  std::error_code ec;
  fs::path p = fs::absolute(source, ec).lexically_normal();
  if (ec) return Status::Fail(Code::InvalidArgument, ec.message(), source);
  if (!p.has_filename()) p = p.parent_path();
  const Status nothingOwn = Status::Fail(Code::InvalidArgument, "it names no file or folder of its own", source);
  struct stat st {};
  if (p == p.root_path()) return nothingOwn;
  if (::stat(p.c_str(), &st) != 0) {
    const int error = errno;
    // A link that leads nowhere is there, but is no file or folder.
    const bool nothing = error == ENOENT && ::lstat(p.c_str(), &st) != 0;
    return Status::Fail(nothing ? Code::NotFound : Code::InvalidArgument, std::strerror(error), source);
  }
  SourceEntry e;
  e.path = p;
  e.name = p.filename().string();
  if (e.name.empty() || e.name == "." || e.name == "..") return nothingOwn;
  if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {  // a pipe, socket or device
    return Status::Fail(Code::InvalidArgument, "it is not a plain file or folder", source);
  }
  e.isFolder = S_ISDIR(st.st_mode);
  e.date = api::LocalDateTime::FromUnixTime(st.st_mtime);
  e.date.seconds -= e.date.seconds % 2;  // the two-second resolution of archive times
  if (!e.isFolder) e.ext = UpperExt(e.name);
  return e;
}

// Adds up the plain files below an open folder (links to files count, links to folders are
// not followed), looking each entry up in its folder rather than down its whole path.
void AddUpFiles(int folder, uint64_t& bytes, uint64_t& files) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(folder), closedir);
  if (!dir) {
    ::close(folder);
    return;
  }
  while (const dirent* d = readdir(dir.get())) {
    if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
    struct stat st {};
    if (fstatat(dirfd(dir.get()), d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      const int inner = openat(dirfd(dir.get()), d->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (inner >= 0) AddUpFiles(inner, bytes, files);
      continue;
    }
    if (S_ISLNK(st.st_mode) && fstatat(dirfd(dir.get()), d->d_name, &st, 0) != 0) continue;
    if (S_ISREG(st.st_mode)) bytes += static_cast<uint64_t>(st.st_size), ++files;
  }
}

// The room that packing and sealing the source may take, to refuse it before packing
// when the disk cannot hold it.
uint64_t RoomFor(const fs::path& source, bool isFolder) {
  std::error_code ec;
  if (!isFolder) {
    const uint64_t size = fs::file_size(source, ec);
    return RoomToStore(ec ? 0 : size, 1);
  }
  uint64_t total = 0, files = 0;
  const int folder = ::open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) AddUpFiles(folder, total, files);
  return RoomToStore(total, files);
}

// What the exception in flight says, inside a catch block.
std::string CurrentErrorText() {
  try {
    throw;
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "an unexpected error occurred";
  }
}

std::string NotStoredMessage(const std::string& name, const std::string& why) {
  return "\"" + name + "\" could not be stored: " + why + ". Nothing was added to the vault.";
}

// Names what packing left out, relative to the folder that holds the source.
std::string LeftOutMessage(const std::string& name, const fs::path& src, const std::vector<std::string>& paths,
                           bool stored) {
  std::vector<std::string> relative;
  for (const std::string& path : paths)
    relative.push_back(fs::path(path).lexically_relative(src.parent_path()).string());
  const std::string what = " that cannot be read or are not plain files or folders: " + NamedList(relative, 5) + ".";
  if (!stored) return "\"" + name + "\" could not be stored: it holds nothing readable, only entries" + what;
  return "\"" + name + "\" was stored without " + std::to_string(paths.size()) + " of its entries" + what;
}

}  // namespace

api::Status CheckSourcePath(const fs::path& source) {
  const api::Result<SourceEntry> found = FindSource(source);
  return found.ok() ? api::Status::Ok() : found.status();
}

int PackLevelFor(const std::string& name, bool isFolder) {
  static const std::array<const char*, 9> kStored = {".RAR", ".ZIP", ".CAB", ".ARJ", ".TGZ",
                                                     ".LZH", ".TAR", ".HQX", ".GZ"};
  if (isFolder) return 6;
  const std::string ext = UpperExt(name);
  return std::find(kStored.begin(), kStored.end(), ext) != kStored.end() ? 0 : 6;
}

namespace {

// This import's scratch files in temp/ (the archive, the sealed copy) go once, on whichever
// way the import ends; a success clears them before the index is saved into temp/.
class ImportScratch {
 public:
  explicit ImportScratch(Vault& vault) : vault_(vault) {}
  ImportScratch(const ImportScratch&) = delete;
  ImportScratch& operator=(const ImportScratch&) = delete;
  ~ImportScratch() { Clear(); }
  void Clear() {
    if (cleared_) return;
    cleared_ = true;
    vault_.Zip().CloseArchive();
    DeleteMatchingFiles(vault_.Layout().TempDir());
  }

 private:
  Vault& vault_;
  bool cleared_ = false;
};

// Moves a whole sealed item to its number in coffrel/; empty, or why it could not.
std::string MoveIntoVault(Vault& vault, const fs::path& sealed, int32_t n) {
  const fs::path itemFile = vault.Layout().ItemFile(n);
  // A file already bearing the new number has no record: it may be an item whose record
  // was lost with a damaged index, so it is kept under another name, never overwritten.
  // One whose record was just deleted, with the save still to come, simply goes.
  std::error_code ec;
  if (vault.TakePendingRemoval(n)) ForceDeleteFile(itemFile);
  if (fs::exists(fs::symlink_status(itemFile, ec)) && SetAsideFile(itemFile, kUnrecordedLabel).empty()) {
    return "the file " + itemFile.string() + " is in the way";
  }
  fs::rename(sealed, itemFile, ec);
  if (ec) return "it could not be moved into the vault (" + ec.message() + ")";
  // The file's new name is on the disk before any index that lists it: after a power cut
  // a recorded item must never lack its file, nor find a stale one under its number.
  SyncDirectory(vault.Layout().CoffrelDir(), vault.Unsynced());
  return {};
}

void AppendItemRecord(ItemTable& items, int32_t n, const SourceEntry& entry, uint64_t size, const std::string& type,
                      const api::ShellIcon& icon, const std::string& box, const std::string& itemKey) {
  items.Append();
  items.SetField(ItemField::Index, FieldValue::Integer(n));
  items.SetField(ItemField::Name, FieldValue::Text(entry.name));
  items.SetField(ItemField::Size, FieldValue::Integer(static_cast<int64_t>(size)));
  items.SetField(ItemField::Type, FieldValue::Text(type));
  items.SetField(ItemField::Date, FieldValue::DateTime(entry.date));
  items.SetField(ItemField::Icon, FieldValue::Image(icon.icon));
  items.SetField(ItemField::IconMask, FieldValue::Image(icon.mask));
  items.SetField(ItemField::Box, FieldValue::Text(box));
  items.SetField(ItemField::Folder, FieldValue::Boolean(entry.isFolder));
  items.SetField(ItemField::Password, FieldValue::Text(itemKey));
  items.Post();
}

}  // namespace

api::Status AddItem(Vault& vault, const fs::path& source, const std::string& box, WorkContext ctx,
                    api::ShellInfo& shell) {
  using api::Code;
  using api::Status;
  StatusCloser closer(ctx.status, ctx.work);
  const fs::path tempDir = vault.Layout().TempDir();
  try {
    const auto entry = FindSource(source);
    if (!entry.ok()) {
      closer.CloseWithMessage(kInvalidPathMessage);
      return Status::Fail(Code::InvalidArgument, kInvalidPathMessage, source);
    }
    const fs::path& src = entry->path;
    auto notStored = [&](const std::string& reason, Code code = Code::IoError) {
      if (ctx.work.Cancelled()) return Status::Fail(Code::Cancelled, {}, source);
      const std::string message = NotStoredMessage(entry->name, reason);
      closer.CloseWithMessage(message);
      return Status::Fail(code, message, source);
    };
    const std::string shortfall = SpaceShortfall(tempDir, RoomFor(src, entry->isFolder));
    if (!shortfall.empty()) return notStored(shortfall, Code::NoSpace);

    ProgressTranslator progress(ctx.status);
    ProgressBinding binding(vault, progress);
    ctx.status.SetStatusText("Now is compressing:\r" + entry->name);
    ctx.work.SetPhase(api::Phase::Compressing);
    ctx.status.SetPhase(api::Phase::Compressing);

    const int32_t n = vault.NextItemIndex();
    const fs::path archive = vault.Layout().TempArchive(n);
    const fs::path sealed = vault.Layout().TempEncrypted(n);
    ctx.status.EnableCancel();
    // Whatever bears the working names now is stale or planted: gone, links not followed.
    ForceDeleteFile(archive);
    ForceDeleteFile(sealed);
    ImportScratch scratch(vault);

    // A hardened vault packs straight into the sealed file, in one pass; a classic one packs
    // into temp/ first and encrypts that. Either way the item file moves in only when whole.
    std::optional<Vault::ItemSealer> sealer = vault.StartSealedItem(sealed, n);
    if (sealer && !sealer->stream->Opened()) return notStored("its sealed copy cannot be created in temp/");
    const int level = PackLevelFor(entry->name, entry->isFolder);
    const ZipRun packed = sealer ? PackPath(vault.Zip(), src, archive, level, entry->isFolder, sealer->stream.get(),
                                            sealer->stream->Descriptor())
                                 : PackPath(vault.Zip(), src, archive, level, entry->isFolder);
    const uint64_t size = packed.bytes;
    const std::vector<std::string> leftOut = vault.Zip().LeftOutPaths();
    if (!packed.ok() || size == 0 || ctx.work.Cancelled()) {
      // Nothing to pack is no error, but a failed pack (a full disk) must not look like one,
      // nor may what could not be read.
      if (!packed.ok())
        return notStored(packed.error, packed.fault == ZipFault::NoRoomToWrite ? Code::NoSpace : Code::IoError);
      if (ctx.work.Cancelled()) return Status::Fail(Code::Cancelled, {}, source);
      if (leftOut.empty()) return Status::Fail(Code::InvalidArgument, "it holds no data", source);
      const std::string message = LeftOutMessage(entry->name, src, leftOut, false);
      closer.CloseWithMessage(message);
      return Status::Fail(Code::IoError, message, source);
    }
    ctx.status.SetStatusText("Now is crypting:\r" + entry->name);
    ctx.work.SetPhase(api::Phase::Encrypting);
    ctx.status.SetPhase(api::Phase::Encrypting);
    const api::Result<std::string> itemKey =
        sealer ? vault.FinishSealedItem(*sealer, n) : vault.SealItem(archive, sealed, n);
    if (!itemKey.ok() || ctx.work.Cancelled()) return notStored(itemKey.status().message, itemKey.status().code);
    if (std::string moveWhy = MoveIntoVault(vault, sealed, n); !moveWhy.empty()) return notStored(moveWhy);
    scratch.Clear();

    api::ShellIcon icon = entry->ext == ".PSD" ? shell.PsdIcon() : api::ShellIcon{};
    if (!icon.icon) icon = shell.IconOf(src);  // no skin picture: the desktop's own icon
    AppendItemRecord(vault.Items(), n, *entry, size, shell.TypeOf(src), icon, box, *itemKey);

    progress.SetEnabled(false);
    const bool saved = vault.SaveIndex();
    progress.SetEnabled(true);
    if (!saved) {
      closer.CloseWithMessage("\"" + entry->name + "\" was stored, but the index could not be saved" +
                              (vault.SaveProblem().empty() ? "" : " (" + vault.SaveProblem() + ")") +
                              ". Free some disk space: the next change saves it.");
    }
    if (!leftOut.empty()) closer.CloseWithMessage(LeftOutMessage(entry->name, src, leftOut, true));
    return Status::Ok();
  } catch (...) {
    vault.Zip().CloseArchive();
    DeleteMatchingFiles(tempDir);
    const std::string message = NotStoredMessage(source.filename().string(), CurrentErrorText());
    closer.CloseWithMessage(message);
    return Status::Fail(Code::IoError, message, source);
  }
}

}  // namespace kestramo

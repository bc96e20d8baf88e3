// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/classic_leftovers.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "storage/cipher/cipher_error.h"
#include "storage/cipher/file_stream.h"
#include "storage/hardened/hardened_index.h"
#include "storage/hardened/sealed_item.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/index_file.h"
#include "storage/vault/unrecorded_files.h"
#include "storage/vault/vault.h"

namespace kestramo {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kTail = 65536 + 22;  // an end record and the longest comment it may carry

// Keeps the first bytes and the tail of what is written to it, and nothing else.
class ArchiveShapeProbe : public Stream {
 public:
  ~ArchiveShapeProbe() override { sodium_memzero(tail_.data(), tail_.size()); }
  size_t Read(void*, size_t) override { return 0; }
  bool Write(const void* data, size_t n) override {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n && head_.size() < 4; ++i) head_.push_back(p[i]);
    tail_.insert(tail_.end(), p, p + n);
    if (tail_.size() > 2 * kTail) tail_.erase(tail_.begin(), tail_.end() - static_cast<std::ptrdiff_t>(kTail));
    size_ += static_cast<int64_t>(n);
    return true;
  }
  bool Seek(int64_t pos) override { return pos == size_; }
  int64_t Position() const override { return size_; }
  int64_t Size() const override { return size_; }

  // Starts with a local header (or is an empty archive) and ends with an end record.
  bool LooksLikeArchive() const {
    static const uint8_t kLocal[] = {'P', 'K', 3, 4}, kEnd[] = {'P', 'K', 5, 6};
    if (head_.size() < 4 || (std::memcmp(head_.data(), kLocal, 4) != 0 && std::memcmp(head_.data(), kEnd, 4) != 0)) {
      return false;
    }
    return std::search(tail_.begin(), tail_.end(), std::begin(kEnd), std::end(kEnd)) != tail_.end();
  }

 private:
  std::vector<uint8_t> head_, tail_;
  int64_t size_ = 0;
};

bool IsIndexCopy(const std::string& name) { return name.rfind("index.dat.", 0) == 0; }

}  // namespace

namespace {

enum class Shape { Archive, Other, Unreadable };

Shape ShapeOf(Vault& vault, const fs::path& itemFile, const std::string& key) {
  try {
    FileStream in(itemFile, FileStream::Mode::kRead);
    ArchiveShapeProbe probe;
    const CipherRun run = vault.Cipher().DecryptStream(in, probe, key);
    if (run.ok()) return probe.LooksLikeArchive() ? Shape::Archive : Shape::Other;
    // A read that failed says nothing of what the file holds.
    return run.fault == CipherFault::Source ? Shape::Unreadable : Shape::Other;
  } catch (...) {
    return Shape::Unreadable;
  }
}

}  // namespace

bool OpensAsArchive(Vault& vault, const fs::path& itemFile, const std::string& key) {
  return ShapeOf(vault, itemFile, key) == Shape::Archive;
}

ClassicLeftovers FindClassicLeftovers(Vault& vault) {
  ClassicLeftovers found;
  const VaultLayout& layout = vault.Layout();
  bool listed = true;
  for (const fs::path& file : UnrecordedItemFiles(vault, &listed)) {
    const Shape shape = ShapeOf(vault, file, vault.MasterKey());
    (shape == Shape::Archive ? found.recoverable
     : shape == Shape::Other ? found.doomed
                             : found.unreadable)
        .push_back(file);
  }
  // A folder that cannot be listed whole may hide leftovers: it counts as unreadable.
  if (!listed) found.unreadable.push_back(layout.CoffrelDir());
  for (const fs::path& dir : {layout.CoffrelDir(), layout.BackupDir(), layout.TempDir()}) {
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      const bool scratch = dir == layout.TempDir() && it->is_regular_file(ec) && !FileLooksHardened(it->path());
      if (IsIndexCopy(name) || scratch) found.doomed.push_back(it->path());
    }
    if (ec && ec != std::errc::no_such_file_or_directory) found.unreadable.push_back(dir);
  }
  std::sort(found.doomed.begin(), found.doomed.end());
  return found;
}

std::vector<fs::path> RemoveListedLeftovers(Vault& vault) {
  if (vault.Seal().leftovers.empty()) return {};
  const VaultLayout& layout = vault.Layout();
  std::set<fs::path> recorded;
  for (const ItemRecord& row : vault.Items().AllRecords()) {
    if (!FieldOf(row, ItemField::Name).IsNull())
      recorded.insert(layout.ItemFile(FieldOf(row, ItemField::Index).AsInteger()));
  }
  std::vector<fs::path> kept;
  std::error_code ec;
  for (const std::string& below : vault.Seal().leftovers) {
    const auto file = layout.FromBelowBase(below);
    if (!file || recorded.count(*file) || !fs::exists(fs::symlink_status(*file, ec))) continue;
    // Never a file that a later save or item put there under the same name.
    if (FileLooksHardened(*file) || FileLooksLikeSealedItem(*file)) continue;
    if (!ForceDeleteFile(*file)) kept.push_back(*file);
  }
  // A removal that a power cut undoes would bring the classic material back.
  for (const fs::path& dir : {layout.CoffrelDir(), layout.BackupDir(), layout.TempDir()}) {
    if (!SyncDirectory(dir)) kept.push_back(dir);
  }
  return kept;
}

std::vector<fs::path> ClassicFilesIn(const Vault& vault) {
  std::vector<fs::path> found;
  const VaultLayout& layout = vault.Layout();
  std::error_code ec;
  for (const fs::path& file : UnrecordedItemFiles(vault)) {
    if (fs::file_size(file, ec) > 0 && !FileLooksLikeSealedItem(file)) found.push_back(file);
  }
  // An index copy counts when it opens as a classic index; a staging file cut short does not.
  CipherManager cipher;
  for (const fs::path& dir : {layout.CoffrelDir(), layout.BackupDir(), layout.TempDir()}) {
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (name != "index.dat" && !IsIndexCopy(name)) continue;
      const auto bytes = ReadWholeFile(it->path(), kMaxIndexFileBytes);
      if (bytes.ok() && DecodeIndexFile(cipher, *bytes).ok()) found.push_back(it->path());
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace kestramo

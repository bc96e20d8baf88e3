// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/archive_builder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <optional>

#include "storage/zip/archive_file_writer.h"
#include "storage/zip/block_deflater.h"
#include "storage/zip/entry_name.h"
#include "storage/zip/file_stamp.h"
#include "storage/zip/group_mailbox.h"
#include "storage/zip/group_packer.h"
#include "storage/zip/work_pool.h"
#include "storage/zip/zip_error.h"
#include "storage/zip/zstd_codec.h"

namespace kestramo::zip {
namespace {

// Pieces share no history, so each costs a little compression at its start: at this size
// a large text file packs within a percent of one unbroken stream, while it still gives
// every core plenty to do.
constexpr size_t kBlockSize = 2 * 1024 * 1024;
constexpr size_t kReadPiece = 32 * 1024;
// A deflated entry's size is known only after its local header is written; below this,
// even data that deflate cannot shrink stay under the 32-bit fields.
constexpr uint64_t kDeflateFitsBelow = uint64_t{1} << 31;

struct Job {
  size_t source = 0;
  bool first = false;
  struct stat st {};
  std::shared_ptr<BlockInput> input;
  std::future<BlockOutput> output;
  // Or a group of small files, read and packed on the pool, whose files come by mail.
  bool isGroup = false;
  std::vector<GroupFile> group;
  uint64_t groupBytes = 0;
  size_t groupId = 0;
  uint64_t frameStart = kNoGroup;  // where its first file in the frame went
};

// Reads the sources one after the other, cut into pieces of kBlockSize, or hands out runs
// of small ones as groups of at most `groupBytes` (none when 0). With groups, the large
// files come last, in pieces of kZstdPieceBytes.
class SourceReader {
 public:
  SourceReader(const std::vector<SourceFile>& sources, int level, bool zstd, uint64_t groupBytes,
               const BuildHooks& hooks)
      : sources_(sources), level_(level), zstd_(zstd), groupBytes_(groupBytes), hooks_(hooks) {}
  ~SourceReader() { CloseCurrent(); }

  bool Next(Job& job) {
    while (fd_ < 0 && !directory_) {
      if (next_ < sources_.size() && Groups(next_)) return TakeGroup(job);
      // Large files wait for the groups to be done, and never hold their memory beside them.
      if (next_ < sources_.size() && groupBytes_ > 0 && !sources_[next_].directory) {
        later_.push_back(next_++);
        continue;
      }
      if (next_ < sources_.size()) {
        OpenSource(next_++);
        continue;
      }
      if (later_.empty()) return false;
      OpenSource(later_.front());
      later_.pop_front();
    }
    job.source = index_;
    job.first = first_;
    job.st = st_;
    job.input = std::make_shared<BlockInput>();
    BlockInput& in = *job.input;
    in.level = level_;
    in.classify = first_;
    in.zstd = zstd_;
    ReadPiece(in.data);
    in.last = remaining_ == 0;
    if (in.last) CloseCurrent();
    first_ = false;
    return true;
  }

  // Packs a source in pieces after all, with the other large files.
  void Defer(size_t source) { later_.push_back(source); }

  // Whether every source was handed out: no file open, none listed or deferred left.
  bool Exhausted() const { return fd_ < 0 && !directory_ && next_ >= sources_.size() && later_.empty(); }

 private:
  bool Groups(size_t index) const {
    return groupBytes_ > 0 && !sources_[index].directory && sources_[index].size <= kZstdGroupFileBytes;
  }

  bool TakeGroup(Job& job) {
    job.isGroup = true;
    while (next_ < sources_.size() && Groups(next_) &&
           (job.group.empty() || job.groupBytes + sources_[next_].size <= groupBytes_)) {
      GroupFile file;
      file.source = next_;
      file.path = sources_[next_].path;
      job.group.push_back(std::move(file));
      job.groupBytes += sources_[next_++].size;
    }
    return true;
  }

  void OpenSource(size_t index) {
    if (sources_[index].directory) {  // an entry without data
      if (lstat(sources_[index].path.c_str(), &st_) != 0 || !S_ISDIR(st_.st_mode)) {
        if (hooks_.onLeftOut) hooks_.onLeftOut(sources_[index].path);
        return;
      }
      directory_ = true;
      index_ = index;
      remaining_ = 0;
      first_ = true;
      return;
    }
    const int fd = OpenSourceFile(AT_FDCWD, sources_[index].path.c_str(), st_);
    if (fd < 0) {  // unreadable, or vanished since it was listed: skipped, and said to be
      if (hooks_.onLeftOut) hooks_.onLeftOut(sources_[index].path);
      return;
    }
    fd_ = fd;
    index_ = index;
    remaining_ = static_cast<uint64_t>(st_.st_size);
    first_ = true;
  }

  void ReadPiece(std::vector<unsigned char>& data) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining_, zstd_ ? kZstdPieceBytes : kBlockSize));
    data.resize(want);
    size_t got = 0;
    while (got < want) {
      const ssize_t n = read(fd_, data.data() + got, std::min(kReadPiece, want - got));
      if (n < 0 && errno == EINTR) continue;
      // Its header is written already: a file that cannot be read through fails the archive
      // rather than be stored in part.
      if (n < 0) throw ZipError("Cannot read " + sources_[index_].path + " (" + std::strerror(errno) + ")");
      if (n == 0) {  // the file shrank: it ends here
        remaining_ = got;
        break;
      }
      got += static_cast<size_t>(n);
      if (hooks_.onRead) hooks_.onRead(static_cast<uint64_t>(n));
      // Reading runs pieces ahead of the writing: a cancel must stop it here too.
      if (hooks_.checkCancel) hooks_.checkCancel();
    }
    data.resize(got);
    remaining_ -= got;
  }

  void CloseCurrent() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    directory_ = false;
  }

  const std::vector<SourceFile>& sources_;
  int level_;
  bool zstd_;
  uint64_t groupBytes_;
  const BuildHooks& hooks_;
  std::deque<size_t> later_;
  size_t next_ = 0;
  int fd_ = -1;
  bool directory_ = false;
  size_t index_ = 0;
  struct stat st_ {};
  uint64_t remaining_ = 0;
  bool first_ = false;
};

std::future<BlockOutput> Schedule(WorkPool& pool, std::shared_ptr<BlockInput> input) {
  auto promise = std::make_shared<std::promise<BlockOutput>>();
  auto future = promise->get_future();
  pool.Submit([promise, input] {
    try {
      promise->set_value(DeflateBlock(*input));
    } catch (...) {
      promise->set_exception(std::current_exception());
    }
  });
  return future;
}

void SchedulePack(WorkPool& pool, Job& job, std::shared_ptr<GroupMailbox> mailbox) {
  pool.Submit([files = std::move(job.group), bytes = job.groupBytes, id = job.groupId, mailbox]() mutable {
    GroupMailbox::Letter last{id, {}, true, nullptr};
    try {
      PackGroup(std::move(files), bytes, [&](GroupFile&& file) {
        mailbox->Post({id, std::move(file), false, nullptr});
      });
    } catch (...) {
      last.error = std::current_exception();
    }
    mailbox->Post(std::move(last));
  });
}

std::string BaseName(const std::string& name) {
  const auto slash = name.find_last_of('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

EntryInfo StartEntry(const SourceFile& source, const struct stat& st, uint64_t offset) {
  EntryInfo e;
  const EncodedName name = EncodeEntryName(source.entryName);
  e.rawName = name.bytes;
  e.flags = name.flags;
  e.versionMadeBy = kVersionUnix;
  e.dosDateTime = ToDosDateTime(st.st_mtime);
  e.externalAttributes = ExternalAttributesOf(st, BaseName(source.entryName));
  e.localHeaderOffset = offset;
  return e;
}

// Small enough for a group to be worth its while, large enough to give every worker some.
uint64_t GroupBytesFor(const std::vector<SourceFile>& sources, unsigned workers) {
  uint64_t total = 0;
  for (const SourceFile& s : sources) total += s.size;
  return std::clamp<uint64_t>(total / (2 * workers), 1 << 20, kZstdGroupBytes);
}

}  // namespace

ArchiveBuilder::ArchiveBuilder(ArchiveTarget target, WorkPool& pool, int level, bool zstd, BuildHooks hooks)
    : target_(target), pool_(pool), level_(std::clamp(level, 0, 9)), zstd_(zstd), hooks_(std::move(hooks)) {}

std::vector<EntryInfo> ArchiveBuilder::Build(const std::vector<SourceFile>& sources) {
  std::optional<ArchiveFileWriter> output;
  if (target_.sink) output.emplace(*target_.sink);
  else output.emplace(target_.fd, target_.mask);
  ArchiveFileWriter& out = *output;
  SourceReader reader(sources, level_, zstd_, zstd_ && level_ > 0 ? GroupBytesFor(sources, pool_.Size()) : 0, hooks_);
  std::vector<EntryInfo> entries;
  entries.reserve(sources.size());  // grown late, it would hold two copies at the peak
  std::deque<Job> inFlight;
  // With zstd, only large files come in pieces, and they compress more slowly than deflate's
  // are read: fewer wait, holding less memory.
  const size_t maxInFlight = zstd_ ? pool_.Size() + 1 : 2 * pool_.Size() + 2;
  // A group being packed holds its window: no more of them than the pool runs, and one more.
  const size_t maxGroups = pool_.Size() + 1;
  size_t groups = 0, groupIds = 0;
  auto mailbox = std::make_shared<GroupMailbox>();
  // However packing ends, the groups still being packed must not wait for their letters.
  struct StopTaking {
    GroupMailbox& mailbox;
    ~StopTaking() { mailbox.Taking(false); }
  } stopTaking{*mailbox};
  EntryInfo current;
  bool entryOpen = false;  // a file in pieces is being written: nothing may come between them

  auto afterWrite = [&] {
    if (hooks_.checkCancel) hooks_.checkCancel();
  };
  // Files of groups are written as they come, in any order between groups; a group's own
  // files come in order, so its frame continues from one to the next.
  auto deliver = [&](GroupMailbox::Letter& letter) {
    const auto at = std::find_if(inFlight.begin(), inFlight.end(),
                                 [&](const Job& j) { return j.isGroup && j.groupId == letter.group; });
    Job& job = *at;
    if (letter.error) std::rethrow_exception(letter.error);
    if (letter.done) {  // it makes room for the next group at once, wherever it stands
      inFlight.erase(at);
      --groups;
      return;
    }
    GroupFile& file = letter.file;
    if (file.status == GroupFile::Status::LeftOut && hooks_.onLeftOut) hooks_.onLeftOut(file.path);
    if (file.status == GroupFile::Status::Grown) reader.Defer(file.source);
    if (file.status != GroupFile::Status::Packed) return;
    EntryInfo e = StartEntry(sources[file.source], file.st, out.Position());
    e.internalAttributes = 0;
    e.crc = file.crc;
    e.uncompressedSize = file.size;
    e.compressedSize = file.data.size();
    e.method = file.compressed ? kMethodZstd : kMethodStored;
    if (file.inFrame) {
      if (job.frameStart == kNoGroup) job.frameStart = e.localHeaderOffset;
      e.zstdGroup = job.frameStart;
    }
    out.Write(EncodeLocalHeader(e));
    out.Write(file.data.data(), file.data.size());
    if (hooks_.onRead) hooks_.onRead(file.size);
    afterWrite();
    entries.push_back(std::move(e));
  };

  for (;;) {
    while (inFlight.size() < maxInFlight && groups < maxGroups) {
      Job job;
      if (!reader.Next(job)) break;
      if (job.isGroup) {
        job.groupId = groupIds++;
        ++groups;
        SchedulePack(pool_, job, mailbox);
      } else {
        job.output = Schedule(pool_, job.input);
      }
      inFlight.push_back(std::move(job));
    }
    GroupMailbox::Letter letter;
    while (!entryOpen && mailbox->Take(letter, false)) deliver(letter);
    // The groups in flight may all have ended in the letters just taken, while sources
    // remain: the archive ends only once the reader has nothing left.
    if (inFlight.empty()) {
      if (reader.Exhausted()) break;
      continue;
    }
    if (inFlight.front().isGroup) {
      mailbox->Take(letter, true);
      deliver(letter);
      continue;
    }
    Job job = std::move(inFlight.front());
    inFlight.pop_front();
    // Nothing takes the letters while a piece is awaited: the pool must not wait for them.
    mailbox->Taking(false);
    BlockOutput result = job.output.get();
    const BlockInput& in = *job.input;

    if (job.first) {
      current = StartEntry(sources[job.source], job.st, out.Position());
      current.internalAttributes = level_ == 0 ? 0 : result.internalAttributes;
      current.crc = result.crc;
      const auto size = static_cast<uint64_t>(job.st.st_size);
      current.zip64Local = size >= (level_ == 0 ? kMax32 : kDeflateFitsBelow);
      if (!in.last && out.AppendsOnly()) current.flags |= kFlagDataDescriptor;
    } else {
      current.crc = static_cast<uint32_t>(crc32_combine(current.crc, result.crc, static_cast<z_off_t>(in.data.size())));
    }
    current.uncompressedSize += in.data.size();
    // A file held in one piece is stored when compressing does not make it smaller.
    const bool stored = level_ == 0 || (job.first && in.last && result.deflateLarger);
    current.method = stored ? kMethodStored : zstd_ ? kMethodZstd : kMethodDeflate;
    const auto& bytes = stored ? in.data : result.data;
    current.compressedSize += bytes.size();
    if (job.first) {
      // A file in one piece is known whole here: its header is right at once.
      EntryInfo header = current;
      if (header.flags & kFlagDataDescriptor) header.crc = 0, header.compressedSize = header.uncompressedSize = 0;
      out.Write(EncodeLocalHeader(header));
      afterWrite();
    }
    out.Write(bytes.data(), bytes.size());
    afterWrite();
    entryOpen = !in.last;
    mailbox->Taking(!entryOpen);
    if (in.last) {
      if (current.flags & kFlagDataDescriptor) out.Write(EncodeDataDescriptor(current));
      else if (!job.first) out.Patch(current.localHeaderOffset, EncodeLocalHeader(current));
      entries.push_back(current);
    }
  }

  const uint64_t directoryOffset = out.Position();
  for (const auto& e : entries) out.Write(EncodeCentralHeader(e));
  out.Write(EncodeEndRecords(entries.size(), out.Position() - directoryOffset, directoryOffset));
  out.Flush();
  return entries;
}

}  // namespace kestramo::zip

#include "storage/zip/archive_builder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <future>
#include <memory>
#include <optional>

#include "storage/zip/archive_file_writer.h"
#include "storage/zip/block_deflater.h"
#include "storage/zip/entry_name.h"
#include "storage/zip/file_stamp.h"
#include "storage/zip/work_pool.h"

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
};

// Reads the sources one after the other, cut into pieces of kBlockSize.
class SourceReader {
 public:
  SourceReader(const std::vector<SourceFile>& sources, int level, bool zstd, const BuildHooks& hooks)
      : sources_(sources), level_(level), zstd_(zstd), hooks_(hooks) {}
  ~SourceReader() { CloseCurrent(); }

  bool Next(Job& job) {
    while (fd_ < 0 && !directory_) {
      if (next_ >= sources_.size()) return false;
      OpenSource(next_++);
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

 private:
  void OpenSource(size_t index) {
    if (sources_[index].directory) {  // an entry without data
      if (lstat(sources_[index].path.c_str(), &st_) != 0 || !S_ISDIR(st_.st_mode)) return;
      directory_ = true;
      index_ = index;
      remaining_ = 0;
      first_ = true;
      return;
    }
    const int fd = open(sources_[index].path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {  // unreadable, or vanished: skipped without entry
      if (errno != ENOENT && hooks_.onLeftOut) hooks_.onLeftOut(sources_[index].path);
      return;
    }
    if (fstat(fd, &st_) != 0 || !S_ISREG(st_.st_mode)) {
      close(fd);
      if (hooks_.onLeftOut) hooks_.onLeftOut(sources_[index].path);
      return;
    }
    fd_ = fd;
    index_ = index;
    remaining_ = static_cast<uint64_t>(st_.st_size);
    first_ = true;
  }

  void ReadPiece(std::vector<unsigned char>& data) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(remaining_, kBlockSize));
    data.resize(want);
    size_t got = 0;
    while (got < want) {
      const ssize_t n = read(fd_, data.data() + got, std::min(kReadPiece, want - got));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {  // the file shrank or failed: it ends here
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
  const BuildHooks& hooks_;
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

std::string BaseName(const std::string& name) {
  const auto slash = name.find_last_of('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

}  // namespace

ArchiveBuilder::ArchiveBuilder(ArchiveTarget target, WorkPool& pool, int level, bool zstd, BuildHooks hooks)
    : target_(target), pool_(pool), level_(std::clamp(level, 0, 9)), zstd_(zstd), hooks_(std::move(hooks)) {}

std::vector<EntryInfo> ArchiveBuilder::Build(const std::vector<SourceFile>& sources) {
  std::optional<ArchiveFileWriter> output;
  if (target_.sink) output.emplace(*target_.sink);
  else output.emplace(target_.fd, target_.mask);
  ArchiveFileWriter& out = *output;
  SourceReader reader(sources, level_, zstd_, hooks_);
  std::vector<EntryInfo> entries;
  std::deque<Job> inFlight;
  const size_t maxInFlight = 2 * pool_.Size() + 2;
  EntryInfo current;

  auto afterWrite = [&] {
    if (hooks_.checkCancel) hooks_.checkCancel();
  };

  for (;;) {
    while (inFlight.size() < maxInFlight) {
      Job job;
      if (!reader.Next(job)) break;
      job.output = Schedule(pool_, job.input);
      inFlight.push_back(std::move(job));
    }
    if (inFlight.empty()) break;
    Job job = std::move(inFlight.front());
    inFlight.pop_front();
    BlockOutput result = job.output.get();
    const BlockInput& in = *job.input;

    if (job.first) {
      current = EntryInfo{};
      const EncodedName name = EncodeEntryName(sources[job.source].entryName);
      current.rawName = name.bytes;
      current.flags = name.flags;
      current.versionMadeBy = kVersionUnix;
      current.dosDateTime = ToDosDateTime(job.st.st_mtime);
      current.externalAttributes = ExternalAttributesOf(job.st, BaseName(sources[job.source].entryName));
      current.localHeaderOffset = out.Position();
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

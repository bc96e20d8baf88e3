// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <memory>

#include "storage/cipher/stream.h"
#include "storage/disk/write_behind.h"

namespace kestramo {

// A file opened through a POSIX descriptor. Opening failures and read errors throw
// CipherError (the Stream interface has no other way to tell a read error from the end).
// A created file is written on a thread of its own while the caller goes on; a failed
// write shows at a later Write(), at TruncateHere() or at Close().
class FileStream : public Stream {
 public:
  enum class Mode {
    kRead,       // existing file, read only
    kReadWrite,  // existing file, read and write in place
    kCreate,     // created or truncated, write only
  };

  FileStream(const std::filesystem::path& path, Mode mode);
  ~FileStream() override;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  size_t Read(void* buf, size_t n) override;
  bool Write(const void* buf, size_t n) override;
  bool Seek(int64_t pos) override;
  int64_t Position() const override { return pos_; }
  int64_t Size() const override;

  // Cuts the file at the current position, once every write has reached it.
  bool TruncateHere();
  // Closes the descriptor; false when the system reports a failure (e.g. delayed write errors).
  bool Close();

 private:
  bool WritesDone();

  int fd_ = -1;
  int64_t pos_ = 0;
  std::unique_ptr<WriteBehind> behind_;  // only for a created file
  bool writeFailed_ = false;
  int64_t queuedEnd_ = 0;  // end of the bytes handed to behind_
};

}  // namespace kestramo

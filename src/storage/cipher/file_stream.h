#pragma once

#include <filesystem>

#include "storage/cipher/stream.h"

namespace kestramo {

// A file opened through a POSIX descriptor. Opening failures and read errors throw
// CipherError (the Stream interface has no other way to tell a read error from the end).
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

  // Cuts the file at the current position.
  bool TruncateHere();
  // Closes the descriptor; false when the system reports a failure (e.g. delayed write errors).
  bool Close();

 private:
  int fd_ = -1;
  int64_t pos_ = 0;
};

}  // namespace kestramo

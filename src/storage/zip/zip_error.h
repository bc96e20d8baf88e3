// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace kestramo {

// Failure texts of the ZIP component, shown as they stand; callers tell failures apart by
// their ZipFault, never by the text.
inline constexpr const char* kUserAborted = "User Aborted Operation";
inline constexpr const char* kNoRoomToWrite = "Not enough room to write archive";
inline constexpr const char* kPrematureEnd = "Premature end of file reached";
inline constexpr const char* kLargerThanStated = "File is larger than uncompressed size!";
inline constexpr const char* kCantWriteOutput = "Cant write uncompressed file";
inline constexpr const char* kCantCreateOutput = "Cannot create an output file or folder";
inline constexpr const char* kCantUseDestination = "Cannot create or open the destination folder";
inline constexpr const char* kProtectedOutput = "An output path lies in a protected folder";
inline constexpr const char* kDamagedDirectory = "Archive directory is damaged";
inline constexpr const char* kDamagedEntryData = "Entry data are damaged";
inline constexpr const char* kTooLargeForArchive = "A size does not fit its field in the archive";

// Which of the texts above a failure is; Other is any failure without a text of its own.
enum class ZipFault {
  None,
  Other,
  UserAborted,
  NoRoomToWrite,
  PrematureEnd,
  LargerThanStated,
  CantWriteOutput,
  CantCreateOutput,
  CantUseDestination,
  ProtectedOutput,
  DamagedDirectory,
  DamagedEntryData,
  TooLargeForArchive,
};

// The text of a fault (empty for None and Other).
const char* FaultText(ZipFault fault);

class ZipError : public std::runtime_error {
 public:
  // `detail` names what was at fault when the text alone does not (a path and the reason).
  explicit ZipError(ZipFault fault, std::string detail = {})
      : std::runtime_error(FaultText(fault)), fault_(fault), detail_(std::move(detail)) {}
  explicit ZipError(const std::string& text, std::string detail = {})
      : std::runtime_error(text), detail_(std::move(detail)) {}
  ZipFault Fault() const { return fault_; }
  const std::string& Detail() const { return detail_; }

 private:
  ZipFault fault_ = ZipFault::Other;
  std::string detail_;
};

// Raised when a cancel request takes effect.
class ZipAborted : public ZipError {
 public:
  ZipAborted() : ZipError(ZipFault::UserAborted) {}
};

}  // namespace kestramo

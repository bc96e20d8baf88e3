// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/zip_error.h"

namespace kestramo {

const char* FaultText(ZipFault fault) {
  switch (fault) {
    case ZipFault::None:
    case ZipFault::Other: return "";
    case ZipFault::UserAborted: return kUserAborted;
    case ZipFault::NoRoomToWrite: return kNoRoomToWrite;
    case ZipFault::PrematureEnd: return kPrematureEnd;
    case ZipFault::LargerThanStated: return kLargerThanStated;
    case ZipFault::CantWriteOutput: return kCantWriteOutput;
    case ZipFault::CantCreateOutput: return kCantCreateOutput;
    case ZipFault::CantUseDestination: return kCantUseDestination;
    case ZipFault::ProtectedOutput: return kProtectedOutput;
    case ZipFault::DamagedDirectory: return kDamagedDirectory;
    case ZipFault::DamagedEntryData: return kDamagedEntryData;
    case ZipFault::TooLargeForArchive: return kTooLargeForArchive;
  }
  return "";
}

}  // namespace kestramo

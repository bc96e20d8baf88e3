// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "kestramo/status.h"

namespace kestramo {

// Opens an existing file of the vault for reading, but only a regular file of this user's:
// a link at its last component is never followed, and a FIFO or device is never waited on
// (it is opened non-blocking and looked at before anything is read). The descriptor (blocking
// again); else NotFound, IoError for a failure of the disk or the system (which says nothing
// of the file), or Refused for what was found there; the message says which, the path is the
// file's.
api::Result<int> OpenRegularFile(const std::filesystem::path& file);

// Why an open descriptor may not be used as a vault's file (or, with `folder`, as a vault's
// folder); empty when it may.
std::string UnfitFileProblem(int fd, bool folder = false);
// What a file of this mode is, in words ("a symbolic link, which is never followed", "a FIFO").
std::string KindText(mode_t mode);
// What a failed open(2) of a vault's file or folder says: IoError for the disk's and the
// system's failures (which tell nothing of the file), NotFound, or Refused for what is there.
api::Code OpenFailureCode(int error);
// The failure of one file: its code, the path at fault, and "PATH: PROBLEM" as its message.
api::Status FileFault(api::Code code, const std::filesystem::path& path, const std::string& problem);

// The words for an open(2) or fstatat(2) failure on a vault's file: a link found where
// O_NOFOLLOW was asked reads as one.
std::string OpenErrorText(int error);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

#include "kestramo/shell_info.h"
#include "storage/vault/status_sink.h"
#include "storage/vault/vault.h"

namespace kestramo {

inline constexpr const char* kInvalidPathMessage = "Invalid file or path name.";

// Everything one import or export talks to besides the vault.
struct WorkContext {
  api::StatusSink& status;
  WorkStatus& work;
};

// Packs a file or folder, seals it under the master key as the next item of `box`,
// records it and saves the index. Always closes the status display before returning. Ok
// when the item was recorded (the display may still have told of a failed save or of files
// left out); else why not: Cancelled, NoSpace, InvalidArgument (nothing to store) or IoError.
api::Status AddItem(Vault& vault, const std::filesystem::path& source, const std::string& box, WorkContext ctx,
                    api::ShellInfo& shell);

// Whether a path can be stored as an item: NotFound when nothing is there, InvalidArgument
// when it names no file or folder of its own, or is a device, pipe or socket.
api::Status CheckSourcePath(const std::filesystem::path& source);

// The pack level of a file name: stored (0) for archives that are already compressed.
int PackLevelFor(const std::string& name, bool isFolder);

}  // namespace kestramo

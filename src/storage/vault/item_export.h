// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "storage/vault/item_import.h"
#include "storage/zip/extract_settings.h"

namespace kestramo {

// Asked when an extracted file already exists; true replaces it.
using OverwriteQuestion = OverwritePrompt;

// Decrypts the item with this Index with the key it was sealed under and unpacks it into
// `destDir`. A cancelled or failed export removes what it created there, and only that; an
// Index no item has fails. An existing file is replaced only when `ask` says so, and a
// read-only one only with `replaceReadOnly` too. Always closes the status display before
// returning, with the message of a failure, which the Status carries with its code and the
// path at fault (the item's file, or the destination).
api::Status ExtractItem(Vault& vault, int32_t index, const std::filesystem::path& destDir, WorkContext ctx,
                        const OverwriteQuestion& ask, bool replaceReadOnly = false);

}  // namespace kestramo

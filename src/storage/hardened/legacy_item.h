// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include "kestramo/status.h"
#include "storage/hardened/key_bytes.h"
#include "storage/hardened/scratch_file.h"
#include "storage/hardened/sealed_item.h"

namespace kestramo {

// Opens an item file sealed before item files carried a header: a bare stream of 64 KiB
// chunks, the last one marked final. Kept so that vaults hardened then still open.
api::Status OpenLegacyItemFile(const std::filesystem::path& item, const KeyBytes& key,
                               const std::filesystem::path& archive, ScratchFile* scratch, const ChunkWatch& watch);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kestramo {

// What storing an item of `bytes` in `files` files may take at worst: its archive and the
// sealed copy of it side by side, each as large as the data with their headers.
uint64_t RoomToStore(uint64_t bytes, uint64_t files);

// Why the file system holding `folder` cannot take `needed` more bytes, for a message;
// empty when it can, or when its free space cannot be told.
std::string SpaceShortfall(const std::filesystem::path& folder, uint64_t needed);

// A number of bytes for a message, in KB, MB or GB, whichever shows it.
std::string Amount(uint64_t bytes);

}  // namespace kestramo

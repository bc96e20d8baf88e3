// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestramo {

class Vault;

struct MissingItem {
  int32_t index = 0;
  std::string name;
};

// The listed items whose file is not in coffrel/, as a vault copied or synced file by file
// while an item was added leaves them. One listing of the folder, so that every open can
// afford it.
std::vector<MissingItem> MissingItemFiles(const Vault& vault);

// What the user is told of them on open; empty when there are none.
std::string MissingItemsWarning(const std::vector<MissingItem>& missing);

}  // namespace kestramo

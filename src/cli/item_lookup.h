// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kestramo/item_info.h"
#include "kestramo/vault.h"

namespace kestramo::cli {

// The existing box a typed name means: exactly, else ignoring case and how accented letters
// are spelt; fails when there is none.
std::string FindBox(const std::vector<std::string>& boxes, const std::string& typed);

// Fails when the vault has no item with this Index.
void RequireItem(const api::Vault& vault, int32_t index);

// An item number from the command line; fails with a usage error when it is not one.
int32_t ParseIndex(const std::string& text);

// One line of `list`: Index, Box, Name, Size, Type, Date, Folder and Comment, tab-separated.
std::string ListLine(const api::ItemInfo& item);

}  // namespace kestramo::cli

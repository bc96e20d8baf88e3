#pragma once

#include <optional>
#include <string>
#include <vector>

#include "storage/table/item_table.h"
#include "storage/vault/vault.h"

namespace kestramo {

inline constexpr int kMaxBoxes = 32;
inline constexpr const char* kTooManyBoxesMessage = "You can create at most 32 COFFRELes with KESTRAMO version 1.0.";
inline constexpr const char* kEmptyBoxNameMessage = "Please input the name of box.";
inline constexpr std::size_t kMaxBoxNameChars = 80;  // the Box field's size
inline constexpr const char* kLongBoxNameMessage = "A box name has at most 80 characters.";
inline constexpr const char* kDuplicateBoxMessage = "The COFFREL already exists, please input another name.";
inline constexpr const char* kLastBoxMessage = "You can't delete the last coffrel.";

// The boxes of the table: every distinct Box value, box records and items alike, in
// record order at first appearance, compared ignoring case.
std::vector<std::string> BoxNames(const ItemTable& table);

// Why a typed box name is refused, or nothing when it may be used: an empty name (or one
// of blanks only), or one that matches an existing box ignoring case and outer blanks.
std::optional<std::string> CheckBoxName(const std::vector<std::string>& boxes, const std::string& typed);

// Appends the box record of a new box (its name trimmed).
void AddBoxRecord(Vault& vault, const std::string& name);
// Moves every record of the box `from` (compared exactly) to `to`.
void RenameBoxRecords(Vault& vault, const std::string& from, const std::string& to);

}  // namespace kestramo

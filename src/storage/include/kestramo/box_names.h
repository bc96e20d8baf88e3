// SPDX-License-Identifier: GPL-3.0-or-later
// The rules of box names, shared by every front end that lets the user name a box.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace kestramo::api {

inline constexpr int kMaxBoxes = 32;
inline constexpr const char* kTooManyBoxesMessage = "You can create at most 32 COFFRELes with KESTRAMO version 1.0.";
inline constexpr const char* kEmptyBoxNameMessage = "Please input the name of box.";
inline constexpr std::size_t kMaxBoxNameChars = 80;  // the Box field's size
inline constexpr const char* kLongBoxNameMessage = "A box name has at most 80 characters.";
inline constexpr const char* kDuplicateBoxMessage = "The COFFREL already exists, please input another name.";
inline constexpr const char* kLastBoxMessage = "You can't delete the last coffrel.";

// Why a typed box name is refused, or nothing when it may be used: an empty name (or one
// of blanks only), or one that matches an existing box ignoring case and outer blanks.
std::optional<std::string> CheckBoxName(const std::vector<std::string>& boxes, const std::string& typed);

}  // namespace kestramo::api

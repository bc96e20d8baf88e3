// SPDX-License-Identifier: GPL-3.0-or-later
// What a health check of a vault finds: the front ends put the findings into words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kestramo::api {

enum class ItemProblem {
  Missing,       // the item's file is not there
  Unreadable,    // the file does not decipher (detail: why, for a hardened item)
  Damaged,       // its archive is damaged (detail: the archive's error)
  NotThisItem,   // the file holds another item (detail: what differs)
  NoRoom,        // not checked: no room in temp/ to unpack it
  TempUnusable,  // not checked: temp/ cannot take its files (detail: why)
};

struct ItemFinding {
  int32_t index = 0;
  std::string box, name;
  ItemProblem problem = ItemProblem::Damaged;
  std::string detail;
  // Not a fault of the item: the vault's own disk or temp/ kept it from being checked.
  bool Unchecked() const { return problem == ItemProblem::NoRoom || problem == ItemProblem::TempUnusable; }
};

struct VaultHealth {
  std::size_t items = 0;
  bool stopped = false;  // the check was stopped before its end
  std::vector<ItemFinding> findings;
  std::vector<std::filesystem::path> unrecorded;  // item files no record lists (kept)
  std::vector<std::filesystem::path> classic;     // hardened vaults: files readable without the passphrase

  std::size_t Damaged() const;
  std::size_t Unchecked() const;
  bool Healthy() const { return !stopped && findings.empty() && classic.empty(); }
};

}  // namespace kestramo::api

// SPDX-License-Identifier: GPL-3.0-or-later
// What telling the items without a file costs the open of a large vault: a classic vault of
// many items (records and one-byte item files) is opened the way the programs open it, and
// the check for missing item files is timed alone on the same vault.
// Usage: open_bench [items] [runs] (default 64000 items, 9 runs)
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "kestramo/vault.h"
#include "storage/vault/missing_items.h"
#include "storage/vault/vault.h"
#include "support/bench_args.h"
#include "support/mixed_folder.h"

namespace fs = std::filesystem;

namespace {

void MakeVault(const fs::path& base, int32_t items) {
  kestramo::Vault vault(base);
  vault.LoadIndex();
  auto& table = vault.Items();
  using kestramo::FieldValue;
  using kestramo::ItemField;
  table.Append();
  table.SetField(ItemField::Box, FieldValue::Text("Bench"));
  table.Post();
  for (int32_t index = 1; index <= items; ++index) {
    table.Append();
    table.SetField(ItemField::Index, FieldValue::Integer(index));
    table.SetField(ItemField::Name, FieldValue::Text("file " + std::to_string(index) + ".txt"));
    table.SetField(ItemField::Box, FieldValue::Text("Bench"));
    table.SetField(ItemField::Size, FieldValue::Integer(1));
    table.Post();
    std::ofstream(base / "coffrel" / (kestramo::VaultLayout::ItemBaseName(index) + ".dat")) << 'x';
  }
  if (!vault.SaveIndex()) std::fprintf(stderr, "the bench vault could not be saved\n");
}

}  // namespace

int main(int argc, char** argv) {
  const auto args = kestramo::bench::BenchNumbers(
      argc, argv, "Usage: open_bench [items] [runs] (default 64000 items, 9 runs)\n", {64000, 9});
  const auto items = static_cast<int32_t>(args[0]);
  const int runs = static_cast<int>(args[1]);
  const fs::path base = fs::temp_directory_path() / "kestramo-open-bench";
  fs::remove_all(base);
  fs::create_directories(base);
  MakeVault(base, items);

  const double open = kestramo::bench::MedianOf(
      runs, [] {},
      [&] {
        kestramo::api::Vault vault;
        if (!vault.Open({.base = base}).ok()) std::fprintf(stderr, "the bench vault does not open\n");
      });
  kestramo::Vault loaded(base);
  loaded.LoadIndex();
  std::size_t missing = 0;
  const double check = kestramo::bench::MedianOf(
      runs, [] {}, [&] { missing = kestramo::MissingItemFiles(loaded).size(); });
  std::printf("%d items: open %.1f ms, of which the missing-file check %.1f ms (%.1f %%; %zu missing)\n", items,
              open * 1000, check * 1000, 100 * check / open, missing);
  fs::remove_all(base);
  return 0;
}

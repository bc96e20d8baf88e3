// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "helper/import_content.h"
#include "pipeline_fakes.h"
#include "storage/vault/item_export.h"

namespace kestramo::testing {

// Extracts item `row` (1-based) and compares it with what the loop imported.
inline void ExpectExtractsWhole(Vault& vault, int row, const std::filesystem::path& dest) {
  RecordingSink sink;
  WorkStatus work;
  vault.Items().MoveTo(row);
  const int n = vault.Items().Field(ItemField::Index).AsInteger();
  std::filesystem::remove_all(dest);
  std::filesystem::create_directories(dest);
  ASSERT_EQ(ExtractItem(vault, vault.Items().Field(ItemField::Index).AsInteger(), dest, {sink, work},
                        [](const std::string&) { return true; })
                .code,
            api::Code::Ok)
      << "item " << n << ": " << (sink.messages.empty() ? "" : sink.messages.front());
  ASSERT_EQ(vault.Items().Field(ItemField::Name).AsString(), ImportedName(n));
  ASSERT_EQ(ReadFile(dest / ImportedName(n)), ImportedBytes(n)) << "item " << n;
}

}  // namespace kestramo::testing

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/vault_health.h"

#include <algorithm>

#include "storage/vault/classic_leftovers.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/file_helpers.h"
#include "storage/vault/item_contents.h"
#include "storage/vault/unrecorded_files.h"
#include "storage/vault/vault.h"
#include "storage/zip/pack_path.h"
#include "storage/zip/zip_error.h"

namespace kestramo {

namespace {

namespace fs = std::filesystem;

struct Judgement {
  bool ok = true;
  api::ItemProblem problem = api::ItemProblem::Damaged;
  std::string detail;
  bool stopped = false;  // cancelled before it could be judged
};

Judgement Problem(api::ItemProblem problem, std::string detail = {}) { return {false, problem, std::move(detail)}; }

// Judges an item from how its archive read, and from what its directory lists.
// Nothing is written while an item is checked: every fault of its archive is damage.
Judgement JudgeArchive(const ZipComponent& zip, const ZipRun& run, const ItemRecord& r) {
  if (!run.ok()) return Problem(api::ItemProblem::Damaged, run.Described());
  if (std::string mismatch = ContentsMismatch(zip, r); !mismatch.empty()) {
    return Problem(api::ItemProblem::NotThisItem, std::move(mismatch));
  }
  return {};
}

// The item is deciphered (a hardened one's seal checked throughout), then every entry is
// decoded and checked against its size and CRC as extraction would, with nothing written:
// an item passes only when it can be taken out whole. Quick: only its directory is read.
Judgement CheckItem(Vault& vault, const ItemRecord& r, bool quick) {
  const int32_t index = FieldOf(r, ItemField::Index).AsInteger();
  const fs::path itemFile = vault.Layout().ItemFile(index);
  std::error_code ec;
  if (!fs::is_regular_file(itemFile, ec)) return Problem(api::ItemProblem::Missing, itemFile.filename().string());
  const fs::path archive = vault.Layout().TempArchive(index);
  const std::string key = FieldOf(r, ItemField::Password).AsString();
  Judgement judgement;
  if (const api::Status opened = vault.OpenItem(itemFile, key, index, archive); !opened.ok()) {
    const bool hardened = vault.Format() == api::Format::Hardened;
    judgement = opened.code == api::Code::NoSpace
                    ? Problem(api::ItemProblem::NoRoom)
                    : Problem(api::ItemProblem::Unreadable, hardened ? opened.message : std::string());
  } else {
    ZipComponent& zip = vault.Zip();
    const ZipRun run = quick ? zip.ReadEntries(archive.string()) : zip.TestEntries(archive.string());
    judgement = run.fault == ZipFault::UserAborted ? Judgement{false, api::ItemProblem::Damaged, {}, true}
                                                   : JudgeArchive(zip, run, r);
    zip.CloseArchive();
  }
  DeleteMatchingFiles(vault.Layout().TempDir());
  return judgement;
}

}  // namespace

std::size_t api::VaultHealth::Damaged() const {
  return static_cast<std::size_t>(
      std::count_if(findings.begin(), findings.end(), [](const api::ItemFinding& f) { return !f.Unchecked(); }));
}

std::size_t api::VaultHealth::Unchecked() const { return findings.size() - Damaged(); }

api::VaultHealth CheckVaultHealth(Vault& vault, const std::function<bool(std::size_t, std::size_t)>& beforeItem,
                                  bool quick) {
  api::VaultHealth health;
  std::vector<const ItemRecord*> items;
  for (const ItemRecord& r : vault.Items().AllRecords()) {
    if (!FieldOf(r, ItemField::Name).IsNull()) items.push_back(&r);
  }
  for (const ItemRecord* r : items) {
    if (beforeItem && !beforeItem(health.items, items.size())) {
      health.stopped = true;
      break;
    }
    ++health.items;
    Judgement j = CheckItem(vault, *r, quick);
    if (j.stopped) {
      --health.items;
      health.stopped = true;
      break;
    }
    if (j.ok) continue;
    health.findings.push_back({FieldOf(*r, ItemField::Index).AsInteger(), FieldOf(*r, ItemField::Box).AsString(),
                               FieldOf(*r, ItemField::Name).AsString(), j.problem, std::move(j.detail)});
  }
  health.unrecorded = UnrecordedItemFiles(vault);
  // In a hardened vault, a file in the classic format gives away what it holds.
  if (vault.Format() == api::Format::Hardened) health.classic = ClassicFilesIn(vault);
  return health;
}

std::vector<fs::path> RemoveUnrecordedFiles(Vault& vault, const std::vector<fs::path>& files) {
  std::vector<fs::path> kept;
  for (const fs::path& file : files) {
    if (!ForceDeleteFile(file)) kept.push_back(file);
  }
  SyncDirectory(vault.Layout().CoffrelDir(), vault.Unsynced());  // removed for good, power cut or not
  return kept;
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
// Opening a vault through the interface, and what it shows of the index.
#include "kestramo/vault.h"

#include "storage/hardened/hardened_index.h"
#include "storage/hardened/passphrase_kdf.h"
#include "storage/table/filter_expression.h"
#include "storage/vault/box_rules.h"
#include "storage/vault/durable_file.h"
#include "storage/vault/index_file.h"
#include "storage/vault/missing_items.h"
#include "storage/vault/vault_handle.h"
#include "storage/vault/vault_witness.h"

namespace kestramo::api {

namespace fs = std::filesystem;

namespace {

bool IsItem(const ItemRecord& r) { return !FieldOf(r, ItemField::Name).IsNull(); }

ItemInfo InfoOf(const ItemRecord& r) {
  ItemInfo info;
  info.index = FieldOf(r, ItemField::Index).AsInteger();
  info.box = FieldOf(r, ItemField::Box).AsString();
  info.name = FieldOf(r, ItemField::Name).AsString();
  info.size = FieldOf(r, ItemField::Size).AsInteger64();
  info.type = FieldOf(r, ItemField::Type).AsString();
  info.date = FieldOf(r, ItemField::Date).AsDateTime();
  info.folder = FieldOf(r, ItemField::Folder).AsBoolean();
  info.comment = FieldOf(r, ItemField::Comment).AsString();
  info.icon = FieldOf(r, ItemField::Icon).AsPicture();
  info.iconMask = FieldOf(r, ItemField::IconMask).AsPicture();
  return info;
}

// Tells the listed items whose file is missing, after whatever else the notice says.
void ReportMissingItems(const kestramo::Vault& v, OpenReport& r) {
  const std::vector<MissingItem> missing = MissingItemFiles(v);
  for (const MissingItem& item : missing) r.missingItems.push_back(item.index);
  if (const std::string warning = MissingItemsWarning(missing); !warning.empty())
    r.notice += (r.notice.empty() ? "" : " ") + warning;
}

OpenReport::Outcome OutcomeOf(IndexLoadReport::Outcome outcome) {
  using In = IndexLoadReport::Outcome;
  using Out = OpenReport::Outcome;
  switch (outcome) {
    case In::Loaded: return Out::Loaded;
    case In::Created: return Out::Created;
    case In::Restored: return Out::Restored;
    case In::Unreadable: return Out::Unreadable;
    case In::Locked: return Out::Locked;
    case In::Downgraded: return Out::Downgraded;
    case In::RolledBack: return Out::RolledBack;
    case In::Unsafe:
    case In::ReadFailed: return Out::Unreadable;
  }
  return Out::Unreadable;
}

}  // namespace

Vault::Vault() = default;
Vault::~Vault() = default;

Status Vault::Open(const OpenOptions& options, OpenReport* report) {
  OpenReport local;
  OpenReport& r = report ? *report : local;
  r = {};
  // Another try on the same vault keeps its lock: no other program may take it in between.
  if (!impl_ || !impl_->lock.Held() || impl_->lockedBase != options.base) impl_ = std::make_unique<Impl>();
  impl_->vault.reset();
  impl_->olderOrRestored = false;
  if (!options.create && !HoldsVault(options.base)) return Status::Fail(Code::NotFound, {}, options.base);
  auto vault = std::make_unique<kestramo::Vault>(options.base);
  kestramo::Vault& v = *vault;
  if (!options.witness.empty() || options.recordRollbacks) v.UseWitness(options.witness);
  if (options.acceptOlderIndex) v.AcceptOlderIndex();
  if (!options.passphrase.empty()) v.OfferPassphrase(options.passphrase);
  // The folder is opened once, before anything in it is touched: the lock and every file after
  // it are reached through it, and a link or device planted in it is refused here.
  if (Status opened = v.OpenFolder(); !opened.ok()) return opened;
  if (options.create) {
    if (std::string vanished = v.VanishedHardenedVault(); !vanished.empty())
      return Status::Fail(Code::Refused, std::move(vanished), options.base);
  }

  if (impl_->lock.Held() || impl_->lock.TryAcquireIn(v.Layout().BaseFd())) {
    impl_->lockedBase = options.base;
    const IndexLoadReport load = v.LoadIndex();
    r.outcome = OutcomeOf(load.outcome);
    r.detail = load.detail;
    r.setAside = load.setAside;
    r.hardened = load.hardened;
    r.notice = load.Message();
    r.olderOrRestored = load.outcome == IndexLoadReport::Outcome::Restored || v.OpenedOlderIndex();
    if (load.outcome == IndexLoadReport::Outcome::Locked) return Status::Fail(Code::Locked, load.detail);
    if (load.outcome == IndexLoadReport::Outcome::ReadFailed) return Status::Fail(Code::IoError, load.detail);
    if (load.Refused()) return Status::Fail(Code::Refused, load.detail);
    impl_->olderOrRestored = r.olderOrRestored;
    if (load.outcome == IndexLoadReport::Outcome::Unreadable) {
      // A classic vault stays open, empty, for a caller that chooses to start afresh; an
      // empty vault must never take a hardened one's place.
      if (!load.hardened) impl_->vault = std::move(vault);
      return Status::Fail(Code::Damaged, load.detail,
                          impl_->vault ? v.Layout().Shown(v.Layout().IndexFile()) : options.base);
    }
    ReportMissingItems(v, r);
    impl_->vault = std::move(vault);
    return Status::Ok();
  }
  if (options.write) {
    if (impl_->lock.HeldElsewhere()) return Status::Fail(Code::Busy, {}, options.base);
    return Status::Fail(Code::IoError, impl_->lock.Problem(), VaultLock::LockFileOf(options.base));
  }
  r.readAsIs = true;
  if (Status read = v.ReadIndex(); !read.ok()) {
    read.path = v.Layout().Shown(v.Layout().IndexFile());
    return read;
  }
  ReportMissingItems(v, r);
  impl_->vault = std::move(vault);
  return Status::Ok();
}

void Vault::Close() { impl_.reset(); }

bool Vault::IsOpen() const { return impl_ && impl_->vault; }

bool Vault::HoldsLock() const { return impl_ && impl_->lock.Held(); }

Status Vault::Opened() const {
  return IsOpen() ? Status::Ok() : Status::Fail(Code::InvalidArgument, "no vault is open");
}

fs::path Vault::Base() const { return IsOpen() ? impl_->vault->Layout().Base() : fs::path(); }

Format Vault::VaultFormat() const {
  return IsOpen() && impl_->vault->Format() == api::Format::Hardened ? Format::Hardened : Format::Classic;
}

bool Vault::HasPassword() const { return IsOpen() && impl_->vault->HasPassword(); }

Status Vault::CheckPassword(std::string_view typed) const {
  if (Status s = Opened(); !s.ok()) return s;
  if (std::string(kMasterKeyPrefix).append(typed) != impl_->vault->MasterKey()) return Status::Fail(Code::Locked);
  return Status::Ok();
}

Status Vault::Boxes(std::vector<std::string>* names) const {
  if (Status s = Opened(); !s.ok()) return s;
  *names = BoxNames(impl_->vault->Items());
  return Status::Ok();
}

Status Vault::Items(const ListOptions& options, std::vector<ItemInfo>* items) const {
  if (Status s = Opened(); !s.ok()) return s;
  items->clear();
  for (const ItemRecord& r : impl_->vault->Items().AllRecords()) {
    if (IsItem(r) && (!options.box || FieldOf(r, ItemField::Box).AsString() == *options.box))
      items->push_back(InfoOf(r));
  }
  return Status::Ok();
}

Status Vault::Item(int32_t index, ItemInfo* item) const {
  if (Status s = Opened(); !s.ok()) return s;
  for (const ItemRecord& r : impl_->vault->Items().AllRecords()) {
    if (IsItem(r) && FieldOf(r, ItemField::Index).AsInteger() == index) {
      if (item) *item = InfoOf(r);
      return Status::Ok();
    }
  }
  return Status::Fail(Code::NotFound, "there is no item " + std::to_string(index));
}

Status Vault::Find(const FindOptions& options, std::vector<ItemInfo>* items) const {
  if (Status s = Opened(); !s.ok()) return s;
  const auto spelt = [&options](const std::string& text) { return options.spelling ? options.spelling(text) : text; };
  if (options.text.empty()) return Status::Fail(Code::InvalidArgument, "nothing to find");
  auto parsed = FilterExpression::Parse(FindFilterFor(spelt(options.text)), true);
  if (!parsed.ok()) return parsed.status();
  const FilterExpression& filter = **parsed;
  items->clear();
  for (const ItemRecord& r : impl_->vault->Items().AllRecords()) {
    if (!IsItem(r)) continue;
    ItemRecord respelt = r;
    for (const ItemField f : {ItemField::Name, ItemField::Comment}) {
      auto& value = respelt[static_cast<std::size_t>(f)];
      if (!value.IsNull()) value = FieldValue::Text(spelt(value.AsString()));
    }
    if (filter.MatchesRecord(respelt)) items->push_back(InfoOf(r));
  }
  return Status::Ok();
}

bool HoldsVault(const fs::path& base) { return VaultLayout(base).HoldsVault(); }

bool IsUnusedFolder(const fs::path& base) { return VaultLayout(base).IsUnused(); }

Status ReadFormat(const fs::path& base, Format* format, std::string* kdf) {
  VaultLayout layout(base);
  if (Status opened = layout.Open(false); !opened.ok()) return opened;
  std::string why;
  const fs::path file = layout.IndexFile();
  // Only what the key wrap is checked on is read, but a file larger than any index is not one.
  const auto bytes = ReadFileHead(file, kMaxIndexFileBytes, kHardenedHeaderSize + kAeadTagSize);
  if (!bytes.ok()) return Status::Fail(Code::NotFound, bytes.status().message, layout.Shown(file));
  if (!LooksHardened(*bytes)) {
    *format = Format::Classic;
    return Status::Ok();
  }
  const auto wrap = ReadKeyWrap(*bytes);
  if (!wrap.ok()) return Status::Fail(Code::Damaged, wrap.status().message, layout.Shown(file));
  *format = Format::Hardened;
  if (kdf) *kdf = DescribeKdf(wrap->kdf);
  return Status::Ok();
}

fs::path DefaultWitnessFile() { return VaultWitness::DefaultFile(); }

Status CheckPassphrase(std::string_view passphrase) {
  const std::string problem = PassphraseProblem(passphrase);
  return problem.empty() ? Status::Ok() : Status::Fail(Code::InvalidArgument, problem);
}

Status CheckKdfCost(const KdfCost& cost) {
  const std::string problem = KdfParamsProblem(FreshKdfParams(cost.passes, cost.memoryBytes));
  return problem.empty() ? Status::Ok() : Status::Fail(Code::InvalidArgument, problem);
}

}  // namespace kestramo::api

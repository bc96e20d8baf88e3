// SPDX-License-Identifier: GPL-3.0-or-later
// The interface's operations on boxes and items: they change the index and save it.
#include <system_error>

#include "kestramo/vault.h"
#include "storage/vault/box_rules.h"
#include "storage/vault/item_export.h"
#include "storage/vault/item_import.h"
#include "storage/vault/item_removal.h"
#include "storage/vault/vault_handle.h"
#include "storage/zip/zip_component.h"
#include "storage/zip/zip_error.h"

namespace kestramo::api {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Spelt(const std::vector<std::string>& names, const Spelling& spelling) {
  if (!spelling) return names;
  std::vector<std::string> spelt;
  for (const std::string& name : names) spelt.push_back(spelling(name));
  return spelt;
}

// The name a box gets: spelt as asked, refused like the desktop program refuses it, and also
// when it only looks like another box's name under that spelling.
Status CheckNewName(const std::vector<std::string>& boxes, const std::string& typed, const Spelling& spelling,
                    std::string* name) {
  *name = spelling ? spelling(typed) : typed;
  if (const auto refusal = api::CheckBoxName(Spelt(boxes, spelling), *name))
    return Status::Fail(Code::InvalidArgument, *refusal);
  return Status::Ok();
}

bool HasBox(const std::vector<std::string>& boxes, const std::string& box) {
  for (const std::string& b : boxes) {
    if (b == box) return true;
  }
  return false;
}

// Passes every call on to the caller's sink (if any) and keeps the last message, which
// becomes the operation's Status message.
class RecordingSink : public api::StatusSink {
 public:
  RecordingSink(api::StatusSink* inner, const VaultLayout& layout) : inner_(inner), layout_(layout) {}
  void SetStatusText(const std::string& text) override {
    if (inner_) inner_->SetStatusText(text);
  }
  void SetPhase(api::Phase phase) override {
    if (inner_) inner_->SetPhase(phase);
  }
  void EnableCancel() override {
    if (inner_) inner_->EnableCancel();
  }
  void SetProgress(int position, int maximum) override {
    if (inner_) inner_->SetProgress(position, maximum);
  }
  void Close() override {
    if (inner_) inner_->Close();
  }
  void ShowMessage(const std::string& text) override {
    message = layout_.ShownText(text);
    if (inner_) inner_->ShowMessage(message);
  }
  std::string message;

 private:
  api::StatusSink* inner_;
  const VaultLayout& layout_;
};

}  // namespace

std::string ReplaceFileQuestion(const std::string& fileName) { return "Replace existing file " + fileName + "?"; }

Status Vault::NewBox(const NewBoxOptions& options) {
  if (Status s = Opened(); !s.ok()) return s;
  kestramo::Vault& v = *impl_->vault;
  const std::vector<std::string> boxes = BoxNames(v.Items());
  if (static_cast<int>(boxes.size()) >= api::kMaxBoxes)
    return Status::Fail(Code::InvalidArgument, api::kTooManyBoxesMessage);
  std::string name;
  if (Status s = CheckNewName(boxes, options.name, options.spelling, &name); !s.ok()) return s;
  AddBoxRecord(v, name);
  return Saved(v);
}

Status Vault::RenameBox(const RenameBoxOptions& options) {
  if (Status s = Opened(); !s.ok()) return s;
  kestramo::Vault& v = *impl_->vault;
  const std::vector<std::string> boxes = BoxNames(v.Items());
  if (!HasBox(boxes, options.from)) return Status::Fail(Code::NotFound, options.from);
  std::string name;
  if (Status s = CheckNewName(boxes, options.to, options.spelling, &name); !s.ok()) return s;
  RenameBoxRecords(v, options.from, name);
  return Saved(v);
}

Status Vault::DeleteBox(const DeleteBoxOptions& options) {
  if (Status s = Opened(); !s.ok()) return s;
  kestramo::Vault& v = *impl_->vault;
  const std::vector<std::string> boxes = BoxNames(v.Items());
  if (!HasBox(boxes, options.name)) return Status::Fail(Code::NotFound, options.name);
  if (boxes.size() == 1) return Status::Fail(Code::InvalidArgument, api::kLastBoxMessage);
  DeleteItems(v, options.name, {}, true);
  return Saved(v);
}

Status Vault::Remove(const RemoveOptions& options) {
  for (const int32_t index : options.items) {
    if (Status s = Item(index, nullptr); !s.ok()) return s;
  }
  for (const int32_t index : options.items) DeleteItemByIndex(*impl_->vault, index);
  return Saved(*impl_->vault);
}

Status Vault::Comment(const CommentOptions& options) {
  if (Status s = Item(options.item, nullptr); !s.ok()) return s;
  SetItemComment(*impl_->vault, options.item, options.text);
  return Saved(*impl_->vault);
}

Status Vault::Import(const ImportOptions& options) {
  if (Status s = Opened(); !s.ok()) return s;
  kestramo::Vault& v = *impl_->vault;
  RecordingSink sink(options.status, v.Layout());
  api::NoShellInfo noShell;
  WorkBinding binding(options.control, v);
  const Status added =
      AddItem(v, options.source, options.box, {sink, binding.Work()}, options.shell ? *options.shell : noShell);
  if (binding.Work().Cancelled() && !added.ok()) return Status::Fail(Code::Cancelled, {}, options.source);
  if (added.ok() && sink.message.empty()) return RecordedSave(v);
  // Stored but not whole or not saved: the sink has shown why.
  if (added.ok()) return Status::Fail(Code::IoError, sink.message, options.source);
  if (Status refused = CheckSource(options.source); !refused.ok()) return refused;
  // Not stored: the code says why, in the words the sink showed (paths as the vault shows them).
  return Status::Fail(added.code, sink.message.empty() ? added.message : sink.message, options.source);
}

bool Vault::HasUnsavedChanges() const { return IsOpen() && impl_->vault->HasUnsavedChanges(); }

Status Vault::SaveChanges() {
  if (Status s = Opened(); !s.ok()) return s;
  if (!impl_->vault->HasUnsavedChanges()) return Status::Ok();
  return Saved(*impl_->vault);
}

Status CheckSource(const fs::path& source) { return CheckSourcePath(source); }

Status Vault::Export(const ExportOptions& options, ExportReport* report) {
  if (Status s = Opened(); !s.ok()) return s;
  kestramo::Vault& v = *impl_->vault;
  const fs::path itemFile = v.Layout().ItemFile(options.item);
  RecordingSink sink(options.status, v.Layout());
  WorkBinding binding(options.control, v);
  ZipComponent& zip = v.Zip();
  const OverwriteQuestion& ask = options.ask;
  const Status result = ExtractItem(
      v, options.item, options.destination, {sink, binding.Work()},
      [&ask](const OverwriteCase& existing) {
        return ask &&
               ask(ExistingFile{existing.fileName, existing.pathInArchive, existing.target, existing.existingSize,
                                existing.existingTime, existing.newSize, existing.newTime});
      },
      options.replaceReadOnly);
  if (report) {
    report->kept.clear();
    for (const auto& kept : zip.KeptPaths()) report->kept.push_back({kept.path, kept.declined});
  }
  if (result.ok() || result.code == Code::Cancelled) return result;
  if (Status missing = Item(options.item, nullptr); !missing.ok()) return missing;
  // The words the sink showed, with the item's file named as the vault shows it.
  return Status::Fail(result.code, sink.message, result.path == itemFile ? v.Layout().Shown(itemFile) : result.path);
}

}  // namespace kestramo::api

// SPDX-License-Identifier: GPL-3.0-or-later
// The interface's operations on the vault as a whole: its health, its unrecorded files, its
// format and its secrets.
#include "kestramo/text.h"
#include "kestramo/vault.h"
#include "storage/hardened/passphrase_kdf.h"
#include "storage/vault/classic_leftovers.h"
#include "storage/vault/index_file.h"
#include "storage/vault/unrecorded_files.h"
#include "storage/vault/vault_handle.h"
#include "storage/vault/vault_hardening.h"
#include "storage/vault/vault_health.h"

namespace kestramo::api {

static_assert(KdfCost::kDefaultPasses == kDefaultKdfPasses && KdfCost::kDefaultMemoryBytes == kDefaultKdfMemory);
static_assert(api::kMaxPasswordChars == kestramo::api::kMaxPasswordChars);
static_assert(api::kMinPassphraseChars == kestramo::kMinPassphraseChars &&
              api::kMaxPassphraseChars == kestramo::api::kMaxPassphraseChars);
static_assert(std::string_view(api::kRecoveryBox) == kestramo::kRecoveryBox);

namespace fs = std::filesystem;

namespace {

kestramo::KdfCost CostOf(const KdfCost& cost) { return {cost.passes, cost.memoryBytes}; }

// The vault's own files as the user spells them.
std::vector<fs::path> Shown(const kestramo::Vault& v, std::vector<fs::path> files) {
  for (fs::path& file : files) file = v.Layout().Shown(file);
  return files;
}

}  // namespace

Status Vault::Verify(const VerifyOptions& options, api::VaultHealth* health) {
  if (Status s = Opened(); !s.ok()) return s;
  WorkBinding binding(options.control, *impl_->vault);
  *health = CheckVaultHealth(*impl_->vault, options.beforeItem, options.quick);
  health->unrecorded = Shown(*impl_->vault, std::move(health->unrecorded));
  health->classic = Shown(*impl_->vault, std::move(health->classic));
  for (api::ItemFinding& finding : health->findings) finding.detail = impl_->vault->Layout().ShownText(finding.detail);
  if (health->stopped) return Status::Fail(Code::Cancelled);
  if (health->Damaged()) return Status::Fail(Code::Damaged);
  return Status::Ok();
}

Status Vault::Clean(const CleanOptions& options, CleanReport* report) {
  if (Status s = Opened(); !s.ok()) return s;
  *report = {};
  // Records added after a restored copy was made are gone, but their files may be the only
  // trace of those items: nothing is removed from such a vault.
  if (impl_->olderOrRestored) return Status::Fail(Code::Refused);
  const std::vector<fs::path> files = UnrecordedItemFiles(*impl_->vault);
  report->files = Shown(*impl_->vault, files);
  if (files.empty()) return Status::Ok();
  if (options.confirm && !options.confirm(report->files)) return Status::Fail(Code::Cancelled);
  report->kept = Shown(*impl_->vault, RemoveUnrecordedFiles(*impl_->vault, files));
  if (!report->kept.empty()) return Status::Fail(Code::IoError, {}, report->kept.front());
  return Durable(*impl_->vault);
}

Status Vault::FindLeftovers(Leftovers* leftovers) {
  if (Status s = Opened(); !s.ok()) return s;
  ClassicLeftovers found = FindClassicLeftovers(*impl_->vault);
  *leftovers = {Shown(*impl_->vault, std::move(found.recoverable)), Shown(*impl_->vault, std::move(found.doomed))};
  return Status::Ok();
}

Status Vault::Harden(const HardenOptions& options) {
  if (Status s = Opened(); !s.ok()) return s;
  kestramo::Vault& v = *impl_->vault;
  if (v.Format() == api::Format::Hardened) return Status::Fail(Code::InvalidArgument, "the vault is hardened already");
  if (Status s = CheckKdfCost(options.cost); !s.ok()) return s;
  if (Status s = CheckPassphrase(options.passphrase.View()); !s.ok()) return s;
  if (Status hardened = HardenVault(v, options.passphrase.View(), CostOf(options.cost), options.onItem);
      !hardened.ok()) {
    hardened.message = v.Layout().ShownText(hardened.message);
    return hardened;
  }
  return RecordedSave(v);
}

Status Vault::ChangePassphrase(const PassphraseOptions& options) {
  if (Status s = Opened(); !s.ok()) return s;
  kestramo::Vault& v = *impl_->vault;
  if (v.Format() != api::Format::Hardened)
    return Status::Fail(Code::InvalidArgument, "the vault has a password, not a passphrase");
  if (Status s = CheckKdfCost(options.cost); !s.ok()) return s;
  if (Status s = CheckPassphrase(options.passphrase.View()); !s.ok()) return s;
  if (!v.ChangePassphrase(options.passphrase.View(), CostOf(options.cost))) return Status::Fail(Code::NoMemory);
  if (options.resealItems) {
    if (Status resealed = v.ResealItems(options.onItem); !resealed.ok()) {
      resealed.message = v.Layout().ShownText(resealed.message);
      return resealed;
    }
    return RecordedSave(v);
  }
  return Saved(v);
}

Status Vault::ChangePassword(const PasswordOptions& options) {
  if (Status s = Opened(); !s.ok()) return s;
  kestramo::Vault& v = *impl_->vault;
  if (v.Format() != api::Format::Classic)
    return Status::Fail(Code::InvalidArgument, "a hardened vault has a passphrase, not a password");
  if (api::Utf8Length(options.password.View()) > kMaxPasswordChars)
    return Status::Fail(Code::InvalidArgument, "a password has at most 8 characters");
  v.SetPassword(std::string(options.password.View()));
  return Saved(v);
}

}  // namespace kestramo::api

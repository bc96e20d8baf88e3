// SPDX-License-Identifier: GPL-3.0-or-later
// The storage engine's interface for the front ends: a vault opened once, then operations
// that each take their options per call and return a Status. Nothing set for one call is
// remembered for the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kestramo/format.h"
#include "kestramo/health.h"
#include "kestramo/item_info.h"
#include "kestramo/secret.h"
#include "kestramo/shell_info.h"
#include "kestramo/status.h"
#include "kestramo/status_sink.h"
#include "kestramo/work_control.h"

namespace kestramo::api {

// How a text is spelt for comparison (a Unicode normal form, say); none compares as stored.
using Spelling = std::function<std::string(const std::string&)>;
// Hears of each item done in a long operation: (done, total).
using ItemProgress = std::function<void(std::size_t done, std::size_t total)>;

// The cost of deriving a hardened vault's key from its passphrase.
struct KdfCost {
  static constexpr uint32_t kDefaultPasses = 3;
  static constexpr uint64_t kDefaultMemoryBytes = 256ull << 20;
  uint32_t passes = kDefaultPasses;
  uint64_t memoryBytes = kDefaultMemoryBytes;
};

struct OpenOptions {
  std::filesystem::path base{};  // the folder holding coffrel/, backup/ and temp/
  // Read: only the index is needed; when another program holds the vault, it is read as it
  // is. Write: the vault's files too, under its lock.
  bool write = true;
  bool create = false;              // a folder without a vault gets a new one (the caller chose the folder)
  Secret passphrase{};              // tried on a hardened index; empty offers none
  bool acceptOlderIndex = false;    // open an index older than this user has seen all the same
  std::filesystem::path witness{};  // this user's record of hardened vaults; empty checks nothing
  // The programs' own opens: without a witness file (no state folder), a hardened vault's
  // notice says that its rollbacks cannot be detected.
  bool recordRollbacks = false;
};

// What opening found, besides the Status.
struct OpenReport {
  enum class Outcome { Loaded, Created, Restored, Unreadable, Locked, Downgraded, RolledBack };
  Outcome outcome = Outcome::Loaded;
  bool readAsIs = false;                // held by another program: the index was read, nothing written
  bool olderOrRestored = false;         // records added since may be missing: their files look unrecorded
  bool hardened = false;                // Unreadable: a hardened vault lives here, so nothing may replace it
  std::string notice{};                 // what the user should hear about the index; empty when nothing
  std::string detail{};                 // why the index could not be read or was refused
  std::filesystem::path setAside{};     // the damaged index, kept under another name
  std::vector<int32_t> missingItems{};  // listed items without a file (the notice names them)
};

struct ListOptions {
  std::optional<std::string> box{};  // only this box's items (compared exactly)
};

struct FindOptions {
  std::string text{};  // contained in the name or comment, ignoring case; '%' and '_' are wildcards
  Spelling spelling{};
};

struct NewBoxOptions {
  std::string name{};
  Spelling spelling{};  // names that only look alike under it are the same box
};

struct RenameBoxOptions {
  std::string from{};  // an existing box, spelt exactly
  std::string to{};
  Spelling spelling{};
};

struct DeleteBoxOptions {
  std::string name{};  // an existing box, spelt exactly; its items go with it
};

struct RemoveOptions {
  std::vector<int32_t> items{};  // every number must exist, or nothing is removed
};

struct CommentOptions {
  int32_t item = 0;
  std::string text{};  // empty clears the comment
};

struct ImportOptions {
  std::filesystem::path source{};  // a file or folder
  std::string box{};
  StatusSink* status = nullptr;  // none shows nothing
  ShellInfo* shell = nullptr;    // none records no icon and the type "File"
  WorkControl* control = nullptr;
};

// Asked when an extracted file already exists; true replaces it.
struct ExistingFile {
  std::string fileName{};
  std::string pathInItem{};  // '/' separated
  std::filesystem::path target{};
  uint64_t existingSize = 0;
  int64_t existingTime = 0;  // seconds since the epoch
  uint64_t newSize = 0;
  int64_t newTime = 0;
};
using OverwriteQuestion = std::function<bool(const ExistingFile&)>;
// The question's text, for a file name (as the front end spells it).
std::string ReplaceFileQuestion(const std::string& fileName);

struct ExportOptions {
  int32_t item = 0;
  std::filesystem::path destination{};  // made when missing
  OverwriteQuestion ask{};              // none keeps every existing file
  bool replaceReadOnly = false;         // a read-only file is replaced too when the answer says so
  StatusSink* status = nullptr;
  WorkControl* control = nullptr;
};

struct ExportReport {
  struct Kept {
    std::filesystem::path path{};
    bool declined = false;  // the answer said so; else it could not be replaced
  };
  std::vector<Kept> kept{};  // existing files that still hold what they held
};

struct VerifyOptions {
  // Called before each item; returning false stops the check there.
  std::function<bool(std::size_t done, std::size_t total)> beforeItem{};
  WorkControl* control = nullptr;  // its Cancel also cuts short the item under way
  // Only deciphers each item (checking a hardened item's seal) and reads its directory,
  // instead of decoding every file in it.
  bool quick = false;
};

struct CleanOptions {
  // Shown the item files no record lists; false keeps them (Cancelled).
  std::function<bool(const std::vector<std::filesystem::path>& files)> confirm{};
};

struct CleanReport {
  std::vector<std::filesystem::path> files{};  // what was found
  std::vector<std::filesystem::path> kept{};   // what could not be removed
};

struct HardenOptions {
  Secret passphrase{};
  KdfCost cost{};
  ItemProgress onItem{};
};

// Files besides the recorded items that hold what the classic format keeps: hardening
// re-seals the first into the box kRecoveryBox and removes the rest.
struct Leftovers {
  std::vector<std::filesystem::path> recovered{};
  std::vector<std::filesystem::path> removed{};
};

struct PassphraseOptions {
  Secret passphrase{};
  KdfCost cost{};
  bool resealItems = false;  // every item sealed again under a new key of its own
  ItemProgress onItem{};
};

struct PasswordOptions {
  Secret password{};  // at most 8 characters; empty removes it
};

// The box that hardening re-seals unrecorded item files into.
inline constexpr const char* kRecoveryBox = "Recovered";
inline constexpr std::size_t kMaxPasswordChars = 8;
inline constexpr std::size_t kMinPassphraseChars = 8;
inline constexpr std::size_t kMaxPassphraseChars = 64;

class Vault {
 public:
  Vault();
  ~Vault();
  Vault(const Vault&) = delete;
  Vault& operator=(const Vault&) = delete;

  // Opens the vault in options.base, loading its index (and, for writing, taking its lock).
  // Busy: another program holds it for writing. Locked: a hardened index the passphrase
  // does not open. Refused: a downgraded or rolled-back index. Damaged: no copy of the
  // index can be read; a classic vault is then open all the same, empty, with nothing
  // overwritten, for the caller to go on with or Close. NotFound: the folder holds no vault.
  // After a failure the lock stays taken for another try (another passphrase, say).
  Status Open(const OpenOptions& options, OpenReport* report = nullptr);
  // Lets the vault go (and its lock); operations fail with InvalidArgument until it opens again.
  void Close();
  bool IsOpen() const;
  // Whether this program holds the vault's lock (no other program of ours may write it).
  bool HoldsLock() const;

  std::filesystem::path Base() const;
  Format VaultFormat() const;
  // The access password of a classic vault (checked by the front ends before any command).
  bool HasPassword() const;
  Status CheckPassword(std::string_view typed) const;  // Locked when wrong

  Status Boxes(std::vector<std::string>* names) const;
  Status Items(const ListOptions& options, std::vector<ItemInfo>* items) const;
  Status Item(int32_t index, ItemInfo* item) const;  // NotFound
  Status Find(const FindOptions& options, std::vector<ItemInfo>* items) const;

  // These change the index and save it: IoError when the save failed (the change is then in
  // memory only, for the next save). InvalidArgument carries the box-name rule's own text.
  Status NewBox(const NewBoxOptions& options);
  Status RenameBox(const RenameBoxOptions& options);
  Status DeleteBox(const DeleteBoxOptions& options);
  Status Remove(const RemoveOptions& options);
  Status Comment(const CommentOptions& options);

  // One item in or out, on the caller's thread (a worker, for a window). The status sink is
  // always closed before the call returns, and shown the message the Status carries.
  Status Import(const ImportOptions& options);
  Status Export(const ExportOptions& options, ExportReport* report = nullptr);
  // Changes that an earlier save could not keep (a full disk, say), and a save of them.
  bool HasUnsavedChanges() const;
  Status SaveChanges();

  // Damaged when an item cannot be taken out whole; Cancelled when stopped before the end.
  Status Verify(const VerifyOptions& options, VaultHealth* health);
  // Refused right after the index was restored or found older than one seen before: the
  // files it would remove may be the only trace of items added since.
  Status Clean(const CleanOptions& options, CleanReport* report);
  // What Harden would leave behind otherwise: for the user to see before.
  Status FindLeftovers(Leftovers* leftovers);
  Status Harden(const HardenOptions& options);
  Status ChangePassphrase(const PassphraseOptions& options);
  Status ChangePassword(const PasswordOptions& options);

  struct Impl;

 private:
  Status Opened() const;  // InvalidArgument until Open succeeded

  std::unique_ptr<Impl> impl_;
};

// Whether a folder holds a vault, and whether it is empty enough to make one in.
bool HoldsVault(const std::filesystem::path& base);
bool IsUnusedFolder(const std::filesystem::path& base);
// The format of the vault in `base` and, for a hardened one, how its key is derived,
// read from the index's head alone (no passphrase needed).
Status ReadFormat(const std::filesystem::path& base, Format* format, std::string* kdf);
// This user's record of hardened vaults (empty when there is no place for it).
std::filesystem::path DefaultWitnessFile();
// Why a path cannot be stored as an item (NotFound, or InvalidArgument for one that names
// no file or folder of its own, or a device, pipe or socket); Ok when it can.
Status CheckSource(const std::filesystem::path& source);
// InvalidArgument, with why, for a passphrase or a derivation cost a vault would refuse.
Status CheckPassphrase(std::string_view passphrase);
Status CheckKdfCost(const KdfCost& cost);

}  // namespace kestramo::api

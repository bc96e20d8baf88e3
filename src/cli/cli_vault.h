#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "cli/cli_args.h"
#include "storage/vault/vault.h"
#include "storage/vault/vault_lock.h"

namespace kestramo::cli {

// The vault a command works on: beside the executable, or --vault DIR.
class CliVault {
 public:
  enum class Access { Read, Write };

  // Opens the vault. Writers take the vault's lock and refuse when another program of
  // ours holds it; readers read the index as it is when the vault is held elsewhere.
  // When the vault has a password, it is asked for first: with the doors of the desktop
  // program shut, nothing in the vault is seen or changed without it.
  CliVault(const CliArgs& args, Access access);

  Vault& Get() { return *vault_; }
  // Saves the index or fails with a clear message.
  void Save();
  // Reads one line of a password: from the terminal without echo, or from standard input.
  std::string ReadSecret(const std::string& prompt);

  static std::filesystem::path DefaultBase();

 private:
  void RequirePassword();

  const CliArgs& args_;
  std::unique_ptr<Vault> vault_;
  VaultLock lock_;
};

}  // namespace kestramo::cli

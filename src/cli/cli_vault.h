// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

#include "cli/cli_args.h"
#include "kestramo/vault.h"

namespace kestramo::cli {

// The vault a command works on: beside the executable, or --vault DIR.
class CliVault {
 public:
  // Read: the index only. Write: the vault's files too. Create: may also make a new vault,
  // in a folder that is empty (or the program's own folder).
  enum class Access { Read, Write, Create };

  // Opens the vault, or fails when the folder holds none (Create: unless it is empty) or its
  // index cannot be read at all: an emptied vault must never pass for a good one.
  // Writers take the vault's lock and refuse when another program of ours holds it; readers
  // read the index as it is when the vault is held elsewhere.
  // When the vault has a password, it is asked for first: with the doors of the desktop
  // program shut, nothing in the vault is seen or changed without it.
  CliVault(const CliArgs& args, Access access);

  api::Vault& Get() { return vault_; }
  std::vector<std::string> Boxes() const;
  // Reads one line of a password: from the terminal without echo, or from standard input.
  api::Secret ReadSecret(const std::string& prompt);

  // The folder of this executable, and the vault used when none is named.
  static std::filesystem::path ExeDir();
  static std::filesystem::path DefaultBase();
  // The folder of the vault a command works on; fails when it holds none that the command
  // may use, or when --vault names none.
  static std::filesystem::path Folder(const CliArgs& args, Access access);

 private:
  void RequirePassword();

  const CliArgs& args_;
  api::Vault vault_;
};

// Fails with the words for what kept a command that changes the index from its end; each such
// command saves the index, so an IoError is a save that failed.
void Require(const api::Status& status);

}  // namespace kestramo::cli

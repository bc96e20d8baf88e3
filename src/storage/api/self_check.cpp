// SPDX-License-Identifier: GPL-3.0-or-later
#include "kestramo/self_check.h"

#include <stdlib.h>

#include <fstream>
#include <random>

#include "storage/vault/item_export.h"
#include "storage/vault/item_import.h"

namespace kestramo::api {

namespace {

namespace fs = std::filesystem;

std::string Content(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

bool RunSelfCheck(std::ostream& out) {
  bool ok = true;
  auto check = [&](const char* what, bool passed) {
    out << (passed ? "ok      " : "FAILED  ") << what << "\n";
    ok = ok && passed;
  };

  // A folder of its own, made new (0700) under a name nobody could prepare: a folder at a
  // name known in advance may be another user's, with links planted in it.
  std::error_code ec;
  std::string pattern = (fs::temp_directory_path(ec) / "kestramo-self-check-XXXXXX").string();
  if (ec || ::mkdtemp(pattern.data()) == nullptr) {
    out << "self-check FAILED: no scratch folder can be made in the temporary folder\n";
    return false;
  }
  const fs::path dir = pattern;
  fs::create_directories(dir / "source/Folder/sub");
  std::mt19937 rng(7);
  std::string data(200000, '\0');
  for (char& c : data) c = static_cast<char>(rng() % 7 == 0 ? rng() : 'a' + rng() % 4);
  std::ofstream(dir / "source/file.bin", std::ios::binary) << data;
  std::ofstream(dir / "source/Folder/sub/note.txt", std::ios::binary) << "a note\n";

  {
    kestramo::Vault vault(dir / "vault");
    fs::create_directories(dir / "vault");
    check("a new vault gets an index", vault.LoadIndex().outcome == IndexLoadReport::Outcome::Created);
    check("the master key wraps to the known text", vault.Cipher().EncryptText("vendrali", "zqvt") == "RxBuEOkDsGk=");
    QuietStatus status;
    WorkStatus work;
    api::NoShellInfo shell;
    check("a file is stored", AddItem(vault, dir / "source/file.bin", "Box", {status, work}, shell).ok());
    check("a folder is stored", AddItem(vault, dir / "source/Folder", "Box", {status, work}, shell).ok());
    for (int r = 1; r <= 2; ++r) {
      vault.Items().MoveTo(r);
      check("an item is extracted", ExtractItem(vault, vault.Items().Field(ItemField::Index).AsInteger(), dir / "out",
                                                {status, work}, [](const std::string&) { return false; })
                                        .ok());
    }
    check("the file comes back whole", Content(dir / "out/file.bin") == data);
    check("the folder comes back whole", Content(dir / "out/Folder/sub/note.txt") == "a note\n");
    check("the scratch directory is left empty", fs::is_empty(vault.Layout().TempDir()));
  }
  kestramo::Vault reopened(dir / "vault");
  check("the index reads back",
        reopened.LoadIndex().outcome == IndexLoadReport::Outcome::Loaded && reopened.Items().RecordCount() == 2);
  fs::remove_all(dir, ec);
  out << (ok ? "self-check passed\n" : "self-check FAILED\n");
  return ok;
}

}  // namespace kestramo::api

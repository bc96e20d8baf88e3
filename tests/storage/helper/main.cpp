// A child process for crash-safety tests: it changes a vault in a loop and reports
// each committed step on stdout, so that the test can kill it at any moment.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "storage/vault/vault.h"

namespace {

void Report(int n) {
  char line[32];
  const int len = std::snprintf(line, sizeof line, "%d\n", n);
  (void)!::write(1, line, static_cast<size_t>(len));
}

// Appends items numbered after the last one and saves after each.
int SaveLoop(const char* dir) {
  kestramo::Vault vault(dir);
  vault.LoadIndex();
  for (;;) {
    const int32_t index = vault.NextItemIndex();
    auto& items = vault.Items();
    items.Append();
    items.SetField(kestramo::ItemField::Index, kestramo::FieldValue::Integer(index));
    items.SetField(kestramo::ItemField::Name, kestramo::FieldValue::Text("file" + std::to_string(index)));
    items.SetField(kestramo::ItemField::Box, kestramo::FieldValue::Text("Box"));
    items.SetField(kestramo::ItemField::Comment, kestramo::FieldValue::Text(std::string(static_cast<size_t>(index) * 37 % 5000, 'c')));
    items.Post();
    if (!vault.SaveIndex()) return 2;
    Report(index);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "save-loop") == 0) return SaveLoop(argv[2]);
  std::fprintf(stderr, "usage: storage_test_helper save-loop DIR\n");
  return 1;
}

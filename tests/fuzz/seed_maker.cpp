// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed inputs of the index, hardened index and table fuzz targets: the byte forms
// of a few small tables, as the program itself writes them. Usage: fuzz_seed_maker CORPUS_DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "storage/hardened/hardened_index.h"
#include "storage/table/table_codec.h"
#include "storage/vault/index_file.h"

namespace fs = std::filesystem;
using namespace kestramo;

namespace {

void Put(const fs::path& file, const std::vector<uint8_t>& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A table of `count` items spread over two boxes, sharing one picture.
ItemTable SampleTable(int count) {
  ItemTable table;
  const api::Picture icon = std::make_shared<const api::PictureBytes>(32, 7);
  for (int n = 1; n <= count; ++n) {
    table.Append();
    table.SetField(ItemField::Index, FieldValue::Integer(n));
    table.SetField(ItemField::Name, FieldValue::Text("file" + std::to_string(n) + ".txt"));
    table.SetField(ItemField::Size, FieldValue::Integer(n * 100));
    table.SetField(ItemField::Box, FieldValue::Text(n % 2 ? "Work" : "Photos"));
    table.SetField(ItemField::Folder, FieldValue::Boolean(n % 3 == 0));
    table.SetField(ItemField::Icon, FieldValue::Image(icon));
    table.SetField(ItemField::Comment, FieldValue::Text(n == 2 ? "a note" : ""));
    table.Post();
  }
  return table;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seed_maker CORPUS_DIR\n");
    return 1;
  }
  const fs::path corpus = argv[1];
  CipherManager cipher;
  for (const int count : {0, 1, 3}) {
    const ItemTable table = SampleTable(count);
    Put(corpus / "table_bytes" / ("items" + std::to_string(count)), SaveTableBytes(table));
    const std::string key = std::string(kMasterKeyPrefix) + (count == 3 ? "secret" : "");
    Put(corpus / "index_file" / ("items" + std::to_string(count)), EncodeIndexFile(cipher, table, key));
    // Sealed under the fixed keys that the hardened index target uses: key-encryption key
    // 0, 1, 2, ... and a vault key of the same bytes.
    KeyBytes fixed;
    for (std::size_t i = 0; i < fixed.size(); ++i) fixed.data()[i] = static_cast<uint8_t>(i);
    const KdfParams params{1u + static_cast<uint32_t>(count), kMinKdfMemory, {}};
    Put(corpus / "hardened_index" / ("items" + std::to_string(count)),
        EncodeHardenedIndex(WrapVaultKey(fixed, fixed, params), fixed, table));
  }
  return 0;
}

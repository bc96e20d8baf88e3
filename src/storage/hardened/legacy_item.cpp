// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/hardened/legacy_item.h"

#include <fcntl.h>
#include <sodium.h>
#include <unistd.h>

#include "storage/disk/file_handle.h"
#include "storage/disk/regular_file.h"
#include "storage/hardened/sealed_pieces.h"

namespace kestramo {

api::Status OpenLegacyItemFile(const std::filesystem::path& item, const KeyBytes& key,
                               const std::filesystem::path& archive, ScratchFile* scratch, const ChunkWatch& watch) {
  auto fail = [&item](const std::string& text) { return api::Status::Fail(api::Code::Damaged, text, item); };
  const auto opened = OpenRegularFile(item);
  if (!opened.ok()) return UnopenedItem(item, opened.status());
  FileHandle in(*opened);
  const int64_t total = FileSizeOf(in.Get());
  uint8_t header[crypto_secretstream_xchacha20poly1305_HEADERBYTES];
  crypto_secretstream_xchacha20poly1305_state state;
  if (ReadFull(in.Get(), header, sizeof header) != static_cast<ssize_t>(sizeof header)) {
    return fail("its file is cut short");
  }
  if (crypto_secretstream_xchacha20poly1305_init_pull(&state, header, key.data()) != 0) {
    return fail("its file's header is damaged");
  }
  PieceOpener open = [&state](const uint8_t* sealed, std::size_t n, bool, uint8_t* plain, std::size_t* length,
                              bool* final) {
    unsigned long long got = 0;
    unsigned char tag = 0;
    if (crypto_secretstream_xchacha20poly1305_pull(&state, plain, &got, &tag, sealed, n, nullptr, 0) != 0) {
      return false;
    }
    *length = static_cast<std::size_t>(got);
    *final = tag == crypto_secretstream_xchacha20poly1305_TAG_FINAL;
    return true;
  };
  api::Status opening =
      OpenPieces(item, in.Get(), sizeof header, total, kSealedChunk + crypto_secretstream_xchacha20poly1305_ABYTES,
                 open, archive, scratch, watch);
  sodium_memzero(&state, sizeof state);
  return opening;
}

}  // namespace kestramo

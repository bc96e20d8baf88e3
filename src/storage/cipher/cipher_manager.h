// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "storage/cipher/cipher_error.h"
#include "storage/cipher/rijndael_cipher.h"
#include "storage/cipher/stream.h"

namespace kestramo {

// How one file or stream operation ended: which side failed, and the cipher's own account.
struct [[nodiscard]] CipherRun {
  CipherFault fault = CipherFault::None;
  std::string failure;

  bool ok() const { return fault == CipherFault::None; }
  explicit operator bool() const { return ok(); }
};

// The cipher envelope: every operation sets up the key anew from the key text, and no
// failure escapes as an exception (a failed run or an empty text instead). One operation at
// a time; the ContinueFlag may be cleared from another thread to cancel.
class CipherManager {
 public:
  using ProgressHook = std::function<void(int64_t current, int64_t maximal)>;

  void SetOnProgress(ProgressHook hook);                           // called on the thread running the operation
  const ProgressHook& OnProgress() const { return on_progress_; }  // shared with the hardened item seal
  std::atomic<bool>& ContinueFlag();                               // set false from another thread to cancel

  CipherRun EncryptFile(const std::filesystem::path& src, const std::filesystem::path& dst, const std::string& key);
  CipherRun DecryptFile(const std::filesystem::path& src, const std::filesystem::path& dst, const std::string& key);
  CipherRun EncryptStream(Stream& src, Stream& dst, const std::string& key);  // whole source from position 0
  CipherRun DecryptStream(Stream& src, Stream& dst, const std::string& key);
  std::string EncryptText(const std::string& plain, const std::string& key);   // MIME base64; "" on failure
  std::string DecryptText(const std::string& base64, const std::string& key);  // "" on failure

 private:
  using Action = RijndaelCipher::Action;

  CipherRun RunFile(const std::filesystem::path& src, const std::filesystem::path& dst, const std::string& key,
                    Action action);
  CipherRun RunStream(Stream& src, Stream& dst, const std::string& key, Action action);
  std::string RunText(const std::string& text, const std::string& key, Action action);
  // Key setup, then `body` with the progress hook attached (if `reports`).
  template <typename Body>
  CipherRun Run(const std::string& key, bool reports, Body&& body);

  RijndaelCipher cipher_;
  ProgressHook on_progress_;
};

}  // namespace kestramo

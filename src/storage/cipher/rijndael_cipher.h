// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "storage/cipher/rijndael_engine.h"
#include "storage/cipher/rijndael_key_schedule.h"
#include "storage/cipher/ripemd256.h"
#include "storage/cipher/stream.h"

namespace kestramo {

// The vault's block cipher object: key setup from a key text, CBC with a residual tail,
// and the chunked processing of streams, files and texts. Failures throw CipherError.
class RijndaelCipher {
 public:
  enum class Action { kEncrypt, kDecrypt };
  using ProgressHook = std::function<void(int64_t current, int64_t maximal)>;
  using Block = std::array<uint8_t, 16>;
  using Key = std::array<uint8_t, 32>;

  static constexpr size_t kChunk = 4096;  // unit of progress reports and of cancelling

  RijndaelCipher();
  ~RijndaelCipher();
  RijndaelCipher(const RijndaelCipher&) = delete;
  RijndaelCipher& operator=(const RijndaelCipher&) = delete;

  // Key = RIPEMD-256 of the text's bytes; leaves the chain at the initialisation vector.
  void InitKey(std::string_view key_text);
  // Round keys from raw key bytes; the initialisation vector becomes E_K(16 x 0xFF).
  void Init(const Key& key);
  void ResetChain();

  // CBC over whole blocks, then the residual tail: S = E_K(F), tail XOR S, F ^= S.
  // `in` and `out` may be the same buffer.
  void EncryptBuffer(const uint8_t* in, uint8_t* out, size_t n);
  void DecryptBuffer(const uint8_t* in, uint8_t* out, size_t n);

  // `count` bytes from the source's current position (negative: the whole source from 0)
  // to the destination's current position, in chunks of kChunk with a progress report
  // and a ContinueFlag check after each. `source` and `dest` may be the same stream.
  void ProcessStream(Stream& source, Stream& dest, int64_t count, Action action);
  // A separate destination is created or truncated and cut at the bytes written; a blank
  // destination or one naming the source file means in place.
  void ProcessFile(const std::filesystem::path& source, const std::filesystem::path& dest, Action action);
  // Encrypt: bytes -> MIME base64. Decrypt: MIME base64 -> bytes.
  std::string ProcessText(std::string_view text, Action action);

  std::atomic<bool>& ContinueFlag() { return continue_flag_; }
  void SetProgressHook(ProgressHook hook) { progress_ = std::move(hook); }

  const Block& InitVector() const { return iv_; }
  const Block& ChainBlock() const { return chain_; }
  const RijndaelRoundKeys& RoundKeys() const { return keys_; }
  const RijndaelEngine& Engine() const { return *engine_; }

 private:
  void CheckInitialized() const;
  void Wipe();
  void Crypt(const uint8_t* in, uint8_t* out, size_t n, Action action);
  void Report(int64_t current, int64_t maximal) const;
  void XorTail(const uint8_t* in, uint8_t* out, size_t n);

  const RijndaelEngine* engine_;
  RijndaelRoundKeys keys_;
  Block iv_{};
  Block chain_{};
  Block scratch_{};
  bool initialized_ = false;
  std::atomic<bool> continue_flag_{false};
  ProgressHook progress_;
  RipeMD256 hash_;
};

}  // namespace kestramo

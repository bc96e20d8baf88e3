// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cipher/rijndael_cipher.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <exception>
#include <vector>

#include "storage/cipher/cipher_error.h"
#include "storage/cipher/file_stream.h"
#include "storage/cipher/mime64.h"

namespace kestramo {
namespace {

constexpr size_t kBlock = RijndaelEngine::kBlock;
// Files are read and written in large pieces; progress and cancelling still work per chunk.
constexpr size_t kIoBuffer = 1 << 20;

bool IsBlank(const std::filesystem::path& p) {
  const std::string& s = p.native();
  return std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isspace(c) != 0; });
}

// Same file under another name (links, "./", a case-insensitive volume) must not be
// truncated as a destination while it is being read as the source.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  return std::filesystem::absolute(a, ec).lexically_normal() == std::filesystem::absolute(b, ec).lexically_normal();
}

}  // namespace

RijndaelCipher::RijndaelCipher() : engine_(&RijndaelEngine::Select()) {}

RijndaelCipher::~RijndaelCipher() { Wipe(); }

void RijndaelCipher::Wipe() {
  keys_.Wipe();
  iv_.fill(0);
  chain_.fill(0);
  scratch_.fill(0);
  initialized_ = false;
}

void RijndaelCipher::InitKey(std::string_view key_text) {
  hash_.Update(key_text.data(), key_text.size());
  RipeMD256::Digest digest = hash_.Final();
  Init(digest);
  // Enciphering the digest only scrambles this copy of it; the chain is reset below.
  EncryptBuffer(digest.data(), digest.data(), digest.size());
  ResetChain();
  digest.fill(0);
}

void RijndaelCipher::Init(const Key& key) {
  Wipe();
  engine_ = &RijndaelEngine::Select();
  RijndaelRoundKeys::Words words = RijndaelRoundKeys::ExpandVaultKey(key.data());
  keys_ = RijndaelRoundKeys(words);
  words.fill(0);
  iv_.fill(0xff);
  engine_->EncryptBlock(keys_, iv_.data(), iv_.data());
  chain_ = iv_;
  initialized_ = true;
}

void RijndaelCipher::ResetChain() { chain_ = iv_; }

void RijndaelCipher::CheckInitialized() const {
  if (!initialized_) {
    throw CipherError("RijndaelCipher is not initialized call Init() or InitKey() before.");
  }
}

void RijndaelCipher::XorTail(const uint8_t* in, uint8_t* out, size_t n) {
  engine_->EncryptBlock(keys_, chain_.data(), scratch_.data());
  for (size_t i = 0; i < n; ++i) out[i] = in[i] ^ scratch_[i];
  for (size_t i = 0; i < kBlock; ++i) chain_[i] ^= scratch_[i];
}

void RijndaelCipher::EncryptBuffer(const uint8_t* in, uint8_t* out, size_t n) { Crypt(in, out, n, Action::kEncrypt); }

void RijndaelCipher::DecryptBuffer(const uint8_t* in, uint8_t* out, size_t n) { Crypt(in, out, n, Action::kDecrypt); }

void RijndaelCipher::Crypt(const uint8_t* in, uint8_t* out, size_t n, Action action) {
  CheckInitialized();
  const size_t whole = n / kBlock * kBlock;
  if (out != in) std::memmove(out, in, whole);
  if (action == Action::kEncrypt) {
    engine_->EncryptCbc(keys_, out, whole / kBlock, chain_.data());
  } else {
    engine_->DecryptCbc(keys_, out, whole / kBlock, chain_.data());
  }
  // The residual tail is enciphered the same way in both directions.
  if (n > whole) XorTail(in + whole, out + whole, n - whole);
}

void RijndaelCipher::Report(int64_t current, int64_t maximal) const {
  if (progress_) progress_(current, maximal);
}

void RijndaelCipher::ProcessStream(Stream& source, Stream& dest, int64_t count, Action action) {
  if (count < 0) {
    if (!source.Seek(0)) throw CipherError("cannot seek the source");
    count = source.Size();
  }
  CheckInitialized();
  ResetChain();
  Report(0, count);

  // The finish runs on every path, failures included.
  struct Finish {
    RijndaelCipher& cipher;
    ~Finish() {
      cipher.ResetChain();
      try {
        cipher.Report(0, 0);
      } catch (...) {
        // A throwing hook must not escape a destructor; the operation's result stands.
      }
    }
  } finish{*this};

  const size_t buffer_size = static_cast<size_t>(std::min<int64_t>(kIoBuffer, (count + kChunk - 1) / kChunk * kChunk));
  std::vector<uint8_t> buffer(std::max(buffer_size, kChunk));
  int64_t source_pos = source.Position();
  int64_t dest_pos = dest.Position();
  int64_t remaining = count;
  bool go_on = true;
  while (remaining > 0 && go_on) {
    if (!source.Seek(source_pos)) throw CipherError("cannot seek the source");
    const size_t got = source.Read(buffer.data(), static_cast<size_t>(std::min<int64_t>(remaining, buffer.size())));
    if (got == 0) break;
    source_pos += static_cast<int64_t>(got);

    size_t done = 0;
    while (done < got && go_on) {
      const size_t chunk = std::min(kChunk, got - done);
      Crypt(buffer.data() + done, buffer.data() + done, chunk, action);
      done += chunk;
      remaining -= static_cast<int64_t>(chunk);
      Report(count - remaining, count);
      go_on = continue_flag_.load(std::memory_order_acquire);
    }
    if (!dest.Seek(dest_pos) || !dest.Write(buffer.data(), done)) {
      throw CipherError("write error", CipherFault::Destination);
    }
    dest_pos += static_cast<int64_t>(done);
  }
}

void RijndaelCipher::ProcessFile(const std::filesystem::path& source, const std::filesystem::path& dest,
                                 Action action) {
  if (IsBlank(dest) || SameFile(source, dest)) {
    FileStream file(source, FileStream::Mode::kReadWrite);
    ProcessStream(file, file, file.Size(), action);
    if (!file.Close()) throw CipherError("cannot close " + source.string(), CipherFault::Destination);
    return;
  }
  FileStream in(source, FileStream::Mode::kRead);  // throws before a destination exists
  FileStream out(dest, FileStream::Mode::kCreate);
  std::exception_ptr failure;
  try {
    ProcessStream(in, out, in.Size(), action);
  } catch (...) {
    failure = std::current_exception();
  }
  in.Close();
  // Cut and close also after a failure, so the destination holds exactly the bytes written.
  const bool cut = out.TruncateHere();
  const bool closed = out.Close();
  if (failure) std::rethrow_exception(failure);
  if (!cut || !closed) throw CipherError("cannot finish " + dest.string(), CipherFault::Destination);
}

std::string RijndaelCipher::ProcessText(std::string_view text, Action action) {
  if (text.empty()) return {};
  MemoryStream memory;
  if (action == Action::kEncrypt) {
    memory.Data().assign(text.begin(), text.end());
  } else {
    auto bytes = Mime64::Decode(text);
    if (!bytes) throw CipherError("Input is not an valid MIME Base 64 Format.");
    memory.Data() = std::move(*bytes);
  }
  ProcessStream(memory, memory, memory.Size(), action);
  const auto& data = memory.Data();
  if (action == Action::kEncrypt) return Mime64::Encode(data.data(), data.size());
  return std::string(data.begin(), data.end());
}

}  // namespace kestramo

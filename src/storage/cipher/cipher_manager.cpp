// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/cipher/cipher_manager.h"

namespace kestramo {

void CipherManager::SetOnProgress(ProgressHook hook) { on_progress_ = std::move(hook); }

std::atomic<bool>& CipherManager::ContinueFlag() { return cipher_.ContinueFlag(); }

template <typename Body>
CipherRun CipherManager::Run(const std::string& key, bool reports, Body&& body) {
  CipherRun run;
  try {
    if (reports) cipher_.SetProgressHook(on_progress_);
    cipher_.InitKey(key);
    cipher_.ContinueFlag().store(true);
    body();
  } catch (const CipherError& e) {
    run = {e.Fault(), e.what()};
  } catch (const std::exception& e) {
    run = {CipherFault::Other, e.what()};
  } catch (...) {
    run = {CipherFault::Other, "an unexpected failure"};
  }
  cipher_.SetProgressHook(nullptr);
  return run;
}

CipherRun CipherManager::RunFile(const std::filesystem::path& src, const std::filesystem::path& dst,
                                 const std::string& key, Action action) {
  return Run(key, true, [&] { cipher_.ProcessFile(src, dst, action); });
}

CipherRun CipherManager::RunStream(Stream& src, Stream& dst, const std::string& key, Action action) {
  return Run(key, true, [&] { cipher_.ProcessStream(src, dst, -1, action); });
}

std::string CipherManager::RunText(const std::string& text, const std::string& key, Action action) {
  std::string result;
  if (!Run(key, false, [&] { result = cipher_.ProcessText(text, action); }).ok()) return {};
  return result;
}

CipherRun CipherManager::EncryptFile(const std::filesystem::path& src, const std::filesystem::path& dst,
                                     const std::string& key) {
  return RunFile(src, dst, key, Action::kEncrypt);
}

CipherRun CipherManager::DecryptFile(const std::filesystem::path& src, const std::filesystem::path& dst,
                                     const std::string& key) {
  return RunFile(src, dst, key, Action::kDecrypt);
}

CipherRun CipherManager::EncryptStream(Stream& src, Stream& dst, const std::string& key) {
  return RunStream(src, dst, key, Action::kEncrypt);
}

CipherRun CipherManager::DecryptStream(Stream& src, Stream& dst, const std::string& key) {
  return RunStream(src, dst, key, Action::kDecrypt);
}

std::string CipherManager::EncryptText(const std::string& plain, const std::string& key) {
  return RunText(plain, key, Action::kEncrypt);
}

std::string CipherManager::DecryptText(const std::string& base64, const std::string& key) {
  return RunText(base64, key, Action::kDecrypt);
}

}  // namespace kestramo

#include "storage/cipher/cipher_manager.h"

namespace kestramo {

void CipherManager::SetOnProgress(ProgressHook hook) { on_progress_ = std::move(hook); }

std::atomic<bool>& CipherManager::ContinueFlag() { return cipher_.ContinueFlag(); }

template <typename Body>
bool CipherManager::Run(const std::string& key, bool reports, Body&& body) {
  lastFault_ = CipherFault::None;
  lastFailure_.clear();
  try {
    if (reports) cipher_.SetProgressHook(on_progress_);
    cipher_.InitKey(key);
    cipher_.ContinueFlag().store(true);
    body();
  } catch (const CipherError& e) {
    lastFault_ = e.Fault();
    lastFailure_ = e.what();
  } catch (const std::exception& e) {
    lastFault_ = CipherFault::Other;
    lastFailure_ = e.what();
  } catch (...) {
    lastFault_ = CipherFault::Other;
    lastFailure_ = "an unexpected failure";
  }
  cipher_.SetProgressHook(nullptr);
  return lastFault_ == CipherFault::None;
}

bool CipherManager::RunFile(const std::filesystem::path& src, const std::filesystem::path& dst, const std::string& key,
                            Action action) {
  return Run(key, true, [&] { cipher_.ProcessFile(src, dst, action); });
}

bool CipherManager::RunStream(Stream& src, Stream& dst, const std::string& key, Action action) {
  return Run(key, true, [&] { cipher_.ProcessStream(src, dst, -1, action); });
}

std::string CipherManager::RunText(const std::string& text, const std::string& key, Action action) {
  std::string result;
  if (!Run(key, false, [&] { result = cipher_.ProcessText(text, action); })) return {};
  return result;
}

bool CipherManager::EncryptFile(const std::filesystem::path& src, const std::filesystem::path& dst,
                                const std::string& key) {
  return RunFile(src, dst, key, Action::kEncrypt);
}

bool CipherManager::DecryptFile(const std::filesystem::path& src, const std::filesystem::path& dst,
                                const std::string& key) {
  return RunFile(src, dst, key, Action::kDecrypt);
}

bool CipherManager::EncryptStream(Stream& src, Stream& dst, const std::string& key) {
  return RunStream(src, dst, key, Action::kEncrypt);
}

bool CipherManager::DecryptStream(Stream& src, Stream& dst, const std::string& key) {
  return RunStream(src, dst, key, Action::kDecrypt);
}

std::string CipherManager::EncryptText(const std::string& plain, const std::string& key) {
  return RunText(plain, key, Action::kEncrypt);
}

std::string CipherManager::DecryptText(const std::string& base64, const std::string& key) {
  return RunText(base64, key, Action::kDecrypt);
}

}  // namespace kestramo

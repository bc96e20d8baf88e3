// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/vault/progress_translator.h"

#include "storage/vault/vault.h"

namespace kestramo {

void ProgressTranslator::ZipPercent(int percent) {
  maximum_ = 100;
  Show(percent);
}

void ProgressTranslator::CipherProgress(int64_t current, int64_t maximal) {
  if (!enabled_) return;
  if (maximal <= 0) {
    Show(0);
    return;
  }
  Show(static_cast<int>(static_cast<double>(maximum_) / static_cast<double>(maximal) * static_cast<double>(current)));
}

void ProgressTranslator::Show(int position) {
  if (position == position_) return;
  position_ = position;
  sink_.SetProgress(position, maximum_);
}

ProgressBinding::ProgressBinding(Vault& vault, ProgressTranslator& translator) : vault_(vault) {
  vault.Zip().OnTotalPercentDone = [&translator](int percent) { translator.ZipPercent(percent); };
  vault.Cipher().SetOnProgress(
      [&translator](int64_t current, int64_t maximal) { translator.CipherProgress(current, maximal); });
}

ProgressBinding::~ProgressBinding() {
  vault_.Zip().OnTotalPercentDone = nullptr;
  vault_.Cipher().SetOnProgress(nullptr);
}

}  // namespace kestramo

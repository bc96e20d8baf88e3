// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_harden.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

#include "controls/region_button.h"
#include "controls/skin_progress_bar.h"
#include "dialogs/frm_message.h"
#include "kestramo/vault.h"

namespace kestramo {

namespace {

constexpr int kWidth = 380, kHeight = 270;

}  // namespace

FrmHarden::FrmHarden(QWidget* parent) : SkinnedDialog(QStringLiteral("harden"), QSize(kWidth, kHeight), parent) {
  QLabel* about =
      AddLabel(QStringLiteral("A classic vault keeps out people who use KESTRAMO, not anyone who copies its folder. "
                              "A hardened vault seals everything under a key made from a passphrase: a copy of the "
                              "folder gives nothing away. A forgotten passphrase cannot be recovered; a few unrelated "
                              "words make a good one."),
               90, 30);
  FitWrapped(about, QSize(kWidth - 100, 70));
  AddLabel(QStringLiteral("New passphrase (8 to 64 characters):"), 90, 104);
  edtPassphrase_ = AddEdit(90, 120, 280, 21, static_cast<int>(api::kMaxPassphraseChars), true);
  edtPassphrase_->setObjectName(QStringLiteral("edtPassphrase"));
  AddLabel(QStringLiteral("Confirm the passphrase:"), 90, 146);
  edtConfirm_ = AddEdit(90, 162, 280, 21, static_cast<int>(api::kMaxPassphraseChars), true);
  edtConfirm_->setObjectName(QStringLiteral("edtConfirm"));
  lblStrength_ = AddLabel(QString(), 90, 188);
  lblStrength_->setObjectName(QStringLiteral("lblStrength"));
  progress_ = new SkinProgressBar(this);
  progress_->setGeometry(90, 212, 280, 14);
  progress_->SetColor(QColor(0, 128, 192));
  progress_->hide();
  setTabOrder(edtPassphrase_, edtConfirm_);
  connect(edtPassphrase_, &QLineEdit::textChanged, this, &FrmHarden::ShowStrength);
  connect(AddButton(QStringLiteral("ok"), kWidth - 129, kHeight - 26), &RegionButton::clicked, this,
          &FrmHarden::btnOkClick);
  connect(AddButton(QStringLiteral("cancel"), kWidth - 64, kHeight - 26), &RegionButton::clicked, this,
          [this] { done(kResultCancel); });
}

QString FrmHarden::StrengthOf(const QString& passphrase) {
  const auto chars = passphrase.toUcs4();
  int kinds = 0;
  kinds += std::any_of(chars.begin(), chars.end(), [](char32_t c) { return QChar::isLower(c); }) ? 1 : 0;
  kinds += std::any_of(chars.begin(), chars.end(), [](char32_t c) { return QChar::isUpper(c); }) ? 1 : 0;
  kinds += std::any_of(chars.begin(), chars.end(), [](char32_t c) { return QChar::isDigit(c); }) ? 1 : 0;
  kinds += std::any_of(chars.begin(), chars.end(), [](char32_t c) { return !QChar::isLetterOrNumber(c); }) ? 1 : 0;
  const auto length = chars.size();
  if (length >= 20 || (length >= 14 && kinds >= 3)) return QStringLiteral("strong");
  if (length >= 12 || (length >= 10 && kinds >= 3)) return QStringLiteral("fair");
  return QStringLiteral("weak");
}

void FrmHarden::ShowStrength() {
  const QString text = edtPassphrase_->text();
  lblStrength_->setText(text.isEmpty() ? QString() : QStringLiteral("Strength: %1").arg(StrengthOf(text)));
  lblStrength_->adjustSize();
}

void FrmHarden::Restart() {
  edtPassphrase_->clear();
  edtConfirm_->clear();
  edtPassphrase_->setFocus();
}

void FrmHarden::btnOkClick() {
  if (edtPassphrase_->text() != edtConfirm_->text()) {
    ShowMessageDialog(QStringLiteral("The new and confirmed passphrases do not match. Please type them again."), this);
    Restart();
    return;
  }
  std::string passphrase = edtPassphrase_->text().toStdString();
  if (const api::Status checked = api::CheckPassphrase(passphrase); !checked.ok()) {
    ShowMessageDialog(AsSentence(checked.message), this);  // "a passphrase has ..."
    Restart();
    return;
  }
  setEnabled(false);
  progress_->show();
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);  // a key is derived, then every item re-sealed
  std::string error;
  const bool converted = conversion_ && conversion_(
                                            passphrase,
                                            [this](std::size_t item, std::size_t total) {
                                              progress_->SetMax(static_cast<int>(total));
                                              progress_->SetPosition(static_cast<int>(item));
                                              QCoreApplication::processEvents();
                                            },
                                            &error);
  QGuiApplication::restoreOverrideCursor();
  std::fill(passphrase.begin(), passphrase.end(), '\0');
  Restart();
  setEnabled(true);
  progress_->hide();
  if (!converted) {
    ShowMessageDialog(QStringLiteral("The vault was not hardened: %1.").arg(QString::fromStdString(error)), this);
    return;
  }
  done(kResultOk);
}

bool FrmHarden::PreviewKey(int key, QWidget* focused) {
  // Enter in the first field moves on to the confirmation, in the second it converts.
  if (IsEnterKey(key) && focused == edtPassphrase_) {
    edtConfirm_->setFocus();
    return true;
  }
  return EscCancelsEnterConfirms(key, focused == edtConfirm_, [this] { btnOkClick(); });
}

void FrmHarden::showEvent(QShowEvent* event) {
  CentreOverMainWindow();
  SkinnedDialog::showEvent(event);
  Restart();
  lblStrength_->clear();
  progress_->hide();
}

}  // namespace kestramo

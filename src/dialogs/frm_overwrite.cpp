// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_overwrite.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>

#include "controls/region_button.h"
#include "controls/view_texts.h"

namespace kestramo {

namespace {

constexpr int kTextLeft = 90, kTextWidth = 300;

QString Copy(const char* which, uint64_t size, int64_t time) {
  // Dated as the safe's list dates items, so that the two read alike.
  return QStringLiteral("%1 %2 bytes, %3")
      .arg(QString::fromLatin1(which), QLocale().toString(static_cast<qulonglong>(size)),
           DateText(api::LocalDateTime::FromUnixTime(time)));
}

}  // namespace

FrmOverwrite::FrmOverwrite(QWidget* parent) : SkinnedDialog(QStringLiteral("overwrite"), QSize(400, 150), parent) {
  AddLabel(QStringLiteral("This file exists already. Replace it?"), kTextLeft, 36);
  lblPath_ = AddLabel(QString(), kTextLeft, 54);
  lblPath_->setObjectName(QStringLiteral("lblPath"));
  QFont bold = DialogFont();
  bold.setBold(true);
  lblPath_->setFont(bold);
  lblExisting_ = AddLabel(QString(), kTextLeft, 78);
  lblNew_ = AddLabel(QString(), kTextLeft, 95);
  const struct {
    const char* caption;
    int x;
    Answer answer;
    const char* hint;
  } buttons[] = {
      {"yes", 12, Yes, "Replace this file (Y)"},
      {"no", 68, No, "Keep the existing file (N)"},
      {"yesall", 124, YesToAll, "Replace this and every further file (A)"},
      {"noall", 217, NoToAll, "Keep every existing file"},
      {"cancel", 310, Cancel, "Stop extracting (Esc)"},
  };
  for (const auto& b : buttons) {
    const Answer answer = b.answer;
    connect(AddButton(QString::fromLatin1(b.caption), b.x, 124, false, QString::fromLatin1(b.hint)),
            &RegionButton::clicked, this, [this, answer] { done(answer); });
  }
}

void FrmOverwrite::SetCase(const api::ExistingFile& existing) {
  const QString path = QString::fromStdString(existing.pathInItem);
  lblPath_->setText(lblPath_->fontMetrics().elidedText(path, Qt::ElideMiddle, kTextWidth));
  lblPath_->setToolTip(QString::fromStdString(existing.target.string()));
  lblPath_->adjustSize();
  lblExisting_->setText(Copy("On disk:", existing.existingSize, existing.existingTime));
  lblExisting_->adjustSize();
  lblNew_->setText(Copy("In the item:", existing.newSize, existing.newTime));
  lblNew_->adjustSize();
}

QString FrmOverwrite::Text() const {
  return lblPath_->toolTip() + QLatin1Char('\n') + lblExisting_->text() + QLatin1Char('\n') + lblNew_->text();
}

void FrmOverwrite::showEvent(QShowEvent* event) {
  CentreOverMainWindow();
  SkinnedDialog::showEvent(event);
}

bool FrmOverwrite::PreviewKey(int key, QWidget*) {
  switch (key) {
    case Qt::Key_Escape: done(Cancel); return true;
    case Qt::Key_Y: done(Yes); return true;
    case Qt::Key_N: done(No); return true;
    case Qt::Key_A: done(YesToAll); return true;
    default: return IsEnterKey(key);  // swallowed: a replacement is never the default
  }
}

bool OverwriteAnswers::Ask(FrmOverwrite& dialog, const api::ExistingFile& existing) {
  if (stopped_) return false;
  if (forAll_ != 0) return forAll_ == FrmOverwrite::YesToAll;
  dialog.SetCase(existing);
  const int answer = dialog.exec();
  if (answer == FrmOverwrite::YesToAll || answer == FrmOverwrite::NoToAll) forAll_ = answer;
  stopped_ = answer == FrmOverwrite::Cancel || answer == 0;
  return answer == FrmOverwrite::Yes || answer == FrmOverwrite::YesToAll;
}

}  // namespace kestramo

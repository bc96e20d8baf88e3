// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_confirm.h"

#include <QLabel>
#include <algorithm>

#include "controls/region_button.h"
#include "dialogs/frm_message.h"

namespace kestramo {

namespace {

const QSize kDesign(315, 101);

}  // namespace

FrmConfirm::FrmConfirm(QWidget* parent) : SkinnedDialog(QStringLiteral("confirm"), kDesign, parent) {
  lblInfo_ = AddLabel(QStringLiteral("Are you sure to delete the file box: xxxx?"), 90, 40);
  lblInfo_->setObjectName(QStringLiteral("lblInfo"));
  btnYes_ = AddButton(QStringLiteral("yes"), 127, 75, false, QStringLiteral("Yes (Y, Enter)"));
  connect(btnYes_, &RegionButton::clicked, this, [this] { done(kResultOk); });
  connect(AddButton(QStringLiteral("no"), 199, 75, false, QStringLiteral("No (N, Esc)")), &RegionButton::clicked, this,
          [this] { done(kResultCancel); });
}

void FrmConfirm::SetQuestion(const QString& text) {
  // Sized to its text; only a line wider than the room beside the picture wraps, and a
  // question too long for the room makes the dialog taller, above its buttons.
  const QSize room(kDesign.width() - 90 - 4, 75 - 40);
  GrowAtBand(kPlainBandTop, kPlainBandBottom, 0);
  lblInfo_->setWordWrap(false);
  lblInfo_->setFont(DialogFont());
  lblInfo_->setText(DisplayLines(text));
  lblInfo_->adjustSize();
  if (lblInfo_->width() <= room.width()) return;
  const int needed = WrappedHeight(lblInfo_, room);
  GrowAtBand(kPlainBandTop, kPlainBandBottom, std::max(0, needed - room.height()));
  lblInfo_->setGeometry(90, 40, room.width(), std::max(needed, room.height()));  // it grows down from where it was
}

QString FrmConfirm::Question() const { return lblInfo_->text(); }

void FrmConfirm::showEvent(QShowEvent* event) {
  CentreOverMainWindow();
  SkinnedDialog::showEvent(event);
  btnYes_->setFocus();  // Enter answers the question the user asked for; Tab moves to No
}

bool FrmConfirm::PreviewKey(int key, QWidget*) {
  if (key == Qt::Key_Escape || key == Qt::Key_N) {
    done(kResultCancel);
    return true;
  }
  if (key == Qt::Key_Y) {
    done(kResultOk);
    return true;
  }
  return false;
}

QString DeleteItemsQuestion(int count) {
  return count == 1 ? QStringLiteral("Are you sure to delete the chosen item?")
                    : QStringLiteral("Are you sure to delete the %1 chosen items?").arg(count);
}

QString DeleteBoxQuestion(const QString& box, int items) {
  return QStringLiteral("Are you sure to delete the coffrel:\r") + box + QStringLiteral("?\r") +
         (items == 0 ? QStringLiteral("It holds no items.")
                     : (items == 1 ? QStringLiteral("Its item goes with it.")
                                   : QStringLiteral("Its %1 items go with it.").arg(items)));
}

}  // namespace kestramo

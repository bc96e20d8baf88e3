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
  connect(AddButton(QStringLiteral("yes"), 127, 75), &RegionButton::clicked, this, [this] { done(kResultOk); });
  connect(AddButton(QStringLiteral("no"), 199, 75), &RegionButton::clicked, this, [this] { done(kResultCancel); });
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
}

bool FrmConfirm::PreviewKey(int key, QWidget*) {
  if (key == Qt::Key_Escape) {
    done(kResultCancel);
    return true;
  }
  return IsEnterKey(key);  // swallowed: only Yes, No or Esc answer
}

}  // namespace kestramo

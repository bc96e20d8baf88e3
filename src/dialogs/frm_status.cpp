// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frm_status.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPainter>

#include "controls/picture_ops.h"
#include "controls/region_button.h"
#include "controls/skin_progress_bar.h"
#include "dialogs/frm_message.h"
#include "dialogs/status_hand_over.h"

namespace kestramo {

namespace {

const QSize kSize(317, 92);
const QPoint kAnimAt(10, 14);
const QSize kAnimArea(64, 53);
constexpr int kEncLast = 30;
constexpr int kZipLast = 19;

QImage ComposeBack(const QImage& background) {
  const qreal scale = background.isNull() ? 1.0 : background.devicePixelRatio();
  QImage back((QSizeF(kSize) * scale).toSize(), QImage::Format_ARGB32_Premultiplied);
  back.setDevicePixelRatio(scale);
  back.fill(QColor(36, 38, 44));
  QPainter p(&back);
  if (!background.isNull()) p.drawImage(0, 0, background);
  return back;
}

}  // namespace

FrmStatus::FrmStatus(QWidget* parent)
    : SkinnedDialog(QStringLiteral("status"), kSize, parent),
      back_(ComposeBack(Background())),
      animBackground_(LogicalCopy(back_, QRect(kAnimAt, kAnimArea))),
      zipStrip_(QStringLiteral("zip"), QStringLiteral("zipmask"), QSize(64, 42), kZipLast + 1),
      encStrip_(QStringLiteral("enc"), QStringLiteral("encmask"), QSize(57, 53), kEncLast + 1),
      handOver_(std::make_unique<StatusHandOver>(*this)) {
  lblStatus_ = AddLabel(QStringLiteral("Status info..."), 85, 10);
  lblStatus_->setObjectName(QStringLiteral("lblStatus"));
  lblStatus_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblStatus_->setFixedSize(220, 27);

  progressBar_ = new SkinProgressBar(this);
  progressBar_->setGeometry(85, 39, 220, 17);
  progressBar_->SetColor(QColor(0, 128, 192));
  progressBar_->SetContrast(80);

  btnCancel_ = AddButton(QStringLiteral("cancel"), 168, 64, true, QStringLiteral("Cancel the work under way (Esc)"));
  connect(btnCancel_, &RegionButton::clicked, this, &FrmStatus::btnCancelClick);
  // The whole command beside Cancel: which item, how far by percent and by megabytes.
  QFont small = DialogFont();
  small.setPointSize(7);
  for (QLabel** label : {&lblItem_, &lblBytes_}) {
    *label = AddLabel(QString(), 0, 0);
    (*label)->setFont(small);
  }
  lblItem_->setObjectName(QStringLiteral("lblItem"));
  lblItem_->setGeometry(10, 70, 154, 14);
  lblItem_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  lblBytes_->setGeometry(223, 64, 90, 14);
  connect(&timerAnim_, &QTimer::timeout, this, &FrmStatus::TimerAnimTimer);
}

FrmStatus::~FrmStatus() = default;

void FrmStatus::PrepareForWork() {
  work_.Reset();
  finished_ = false;
  handOver_->TakeMessages();
}

api::StatusSink& FrmStatus::Sink() { return *handOver_; }

std::vector<std::string> FrmStatus::TakeMessages() { return handOver_->TakeMessages(); }

void FrmStatus::SetStatusText(const QString& text) {
  statusText_ = DisplayLines(text);
  // A long name loses its middle, never its end: the end tells one file from the next.
  QStringList lines = statusText_.split(QLatin1Char('\n'));
  for (QString& line : lines) line = lblStatus_->fontMetrics().elidedText(line, Qt::ElideMiddle, lblStatus_->width());
  lblStatus_->setText(lines.join(QLatin1Char('\n')));
  lblStatus_->setToolTip(statusText_);
}

QString FrmStatus::StatusText() const { return statusText_; }

void FrmStatus::SetPhase(api::Phase phase) {
  animPhase_ = phase;
  StartAnimation();
}

void FrmStatus::EnableCancel() {
  btnCancel_->SetEnabled(true);
  repaint();
}

void FrmStatus::SetProgress(int position, int maximum) {
  progressBar_->SetMin(0);
  if (progressBar_->Max() != maximum) progressBar_->SetMax(maximum);
  progressBar_->SetPosition(position);
  // Each item passes two phases, each with its own run of the bar.
  const bool second = animPhase_ == api::Phase::Encrypting || animPhase_ == api::Phase::Decompressing;
  ShowOverall(((second ? 1.0 : 0.0) + static_cast<double>(position) / std::max(maximum, 1)) / 2);
}

void FrmStatus::SetOverall(const OverallProgress& overall) {
  overall_ = overall;
  ShowOverall(0);
}

void FrmStatus::ShowOverall(double fraction) {
  if (overall_.items == 0) {
    lblItem_->clear();
    lblBytes_->clear();
    return;
  }
  lblItem_->setText(overall_.ItemText(fraction));
  lblBytes_->setText(overall_.BytesText(fraction));
}

QString FrmStatus::OverallText() const { return lblItem_->text() + QLatin1Char('\n') + lblBytes_->text(); }

void FrmStatus::FinishWork() {
  work_.MarkClosable();
  finished_ = true;
  CloseIfFinished();
}

void FrmStatus::CloseIfFinished() {
  if (finished_ && isVisible()) done(kResultOk);
}

const AnimStrip& FrmStatus::StripOf(api::Phase phase) const {
  return phase == api::Phase::Encrypting || phase == api::Phase::Decrypting ? encStrip_ : zipStrip_;
}

void FrmStatus::StartAnimation() {
  timerAnim_.stop();
  switch (animPhase_) {
    case api::Phase::Encrypting: animFrame_ = 0; break;
    case api::Phase::Decrypting: animFrame_ = kEncLast; break;
    case api::Phase::Compressing: animFrame_ = 0; break;
    case api::Phase::Decompressing: animFrame_ = kZipLast; break;
  }
  const bool cipher = animPhase_ == api::Phase::Encrypting || animPhase_ == api::Phase::Decrypting;
  timerAnim_.setInterval(cipher ? 60 : 100);
  DrawAnimFrame(StripOf(animPhase_), animFrame_);
  timerAnim_.start();
}

void FrmStatus::DrawAnimFrame(const AnimStrip& strip, int frame) {
  QPainter p(&back_);
  p.setCompositionMode(QPainter::CompositionMode_Source);
  p.drawImage(kAnimAt, animBackground_);
  strip.DrawFrame(p, frame, kAnimAt);
  p.end();
  update(QRect(kAnimAt, kAnimArea));
}

void FrmStatus::TimerAnimTimer() {
  switch (animPhase_) {
    case api::Phase::Encrypting: animFrame_ = animFrame_ >= kEncLast ? 0 : animFrame_ + 1; break;
    case api::Phase::Decrypting: animFrame_ = animFrame_ <= 0 ? kEncLast : animFrame_ - 1; break;
    case api::Phase::Compressing: animFrame_ = animFrame_ >= kZipLast ? 0 : animFrame_ + 1; break;
    case api::Phase::Decompressing: animFrame_ = animFrame_ <= 0 ? kZipLast : animFrame_ - 1; break;
  }
  DrawAnimFrame(StripOf(animPhase_), animFrame_);
}

void FrmStatus::btnCancelClick() {
  // The button raises no click while disabled; without a running operation there is nothing to stop.
  work_.Cancel();
}

bool FrmStatus::PreviewKey(int key, QWidget*) {
  if (key != Qt::Key_Escape) return false;
  btnCancel_->Press();  // as the button: nothing while there is nothing to stop
  return true;
}

void FrmStatus::reject() {
  if (work_.CanClose()) SkinnedDialog::reject();
}

void FrmStatus::showEvent(QShowEvent* event) {
  CentreOverMainWindow();
  btnCancel_->SetEnabled(false);
  SkinnedDialog::showEvent(event);
  // A close handed over before the dialog was on screen ends the modal loop once it runs.
  QMetaObject::invokeMethod(this, &FrmStatus::CloseIfFinished, Qt::QueuedConnection);
}

void FrmStatus::hideEvent(QHideEvent* event) {
  timerAnim_.stop();
  SkinnedDialog::hideEvent(event);
}

void FrmStatus::closeEvent(QCloseEvent* event) {
  if (!work_.CanClose()) {
    event->ignore();
    return;
  }
  SkinnedDialog::closeEvent(event);
}

void FrmStatus::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, back_);
}

}  // namespace kestramo

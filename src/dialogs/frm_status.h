// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/anim_strip.h"
#include "dialogs/overall_progress.h"
#include "dialogs/skinned_dialog.h"
#include "kestramo/status_sink.h"
#include "kestramo/work_control.h"

class QLabel;

namespace kestramo {

class RegionButton;
class SkinProgressBar;
class StatusHandOver;
namespace api {
class StatusSink;
}  // namespace api

// The modal window in front of the main window while one import or export runs: what is
// being done, a progress bar, an animation per kind of work and Cancel. Only the work
// closes it.
class FrmStatus : public SkinnedDialog {
  Q_OBJECT

 public:
  explicit FrmStatus(QWidget* parent = nullptr);
  ~FrmStatus() override;

  // The starting state of one operation, set before its worker starts: not closable, not
  // cancelled, no close pending; Cancel stops the operation given Work().
  void PrepareForWork();
  // For the worker thread: the status protocol, handed over to this dialog.
  api::StatusSink& Sink();
  // The flags shared with the worker.
  api::WorkControl& Work() { return work_; }
  bool Cancelled() const { return work_.Cancelled(); }
  bool CanClose() const { return work_.CanClose(); }
  // The pipeline's messages since the last call, to show after the dialog closed.
  std::vector<std::string> TakeMessages();

  // The protocol's changes, on the main thread.
  void SetStatusText(const QString& text);
  void SetPhase(api::Phase phase);
  void EnableCancel();
  void SetProgress(int position, int maximum);
  // The command's items as a whole; an empty one (the default) shows nothing of it.
  void SetOverall(const OverallProgress& overall);
  QString OverallText() const;
  // The work is over: closable, and closed now or as soon as the dialog is on screen.
  void FinishWork();

  void StartAnimation();
  void DrawAnimFrame(const AnimStrip& strip, int frame);
  api::Phase AnimPhase() const { return animPhase_; }
  int AnimFrame() const { return animFrame_; }
  int AnimInterval() const { return timerAnim_.interval(); }
  bool Animating() const { return timerAnim_.isActive(); }
  QString StatusText() const;
  RegionButton* CancelButton() const { return btnCancel_; }
  SkinProgressBar* ProgressBar() const { return progressBar_; }

  void btnCancelClick();
  void TimerAnimTimer();
  void reject() override;

 protected:
  bool PreviewKey(int key, QWidget* focused) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  const AnimStrip& StripOf(api::Phase phase) const;
  void CloseIfFinished();

  QLabel* lblStatus_;
  QString statusText_;  // whole, as given; the label shows it shortened to its room
  SkinProgressBar* progressBar_;
  RegionButton* btnCancel_;
  QLabel* lblItem_;
  QLabel* lblBytes_;
  OverallProgress overall_;
  void ShowOverall(double fraction);  // of the present item
  QTimer timerAnim_;
  QImage back_;
  QImage animBackground_;
  AnimStrip zipStrip_;
  AnimStrip encStrip_;
  api::Phase animPhase_ = api::Phase::Compressing;
  int animFrame_ = 0;
  api::WorkControl work_;
  bool finished_ = false;
  std::unique_ptr<StatusHandOver> handOver_;
};

}  // namespace kestramo

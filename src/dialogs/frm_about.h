// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dialogs/skinned_dialog.h"

namespace kestramo {

// The about box: a picture and the platform the program was built for; any click, Esc or
// Enter closes it.
class FrmAbout : public SkinnedDialog {
  Q_OBJECT

 public:
  explicit FrmAbout(QWidget* parent = nullptr);
  // "for <system> with Qt <major>.<minor>".
  static QString PlatformText();

  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool PreviewKey(int key, QWidget* focused) override;
};

}  // namespace kestramo

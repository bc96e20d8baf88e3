// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>
#include <functional>

class QLabel;
class QPainter;
class QLineEdit;
class QPlainTextEdit;

namespace kestramo {

class RegionButton;

// Modal results of every skinned dialog.
inline constexpr int kResultOk = 1;      // OK or Yes
inline constexpr int kResultCancel = 2;  // Cancel or No

// The frame every skinned dialog shares: a borderless window whose face is one picture of
// the skin, cut to a six-corner outline, with white labels, light-blue fields and picture
// buttons. It sees each key before the focused field does (PreviewKey).
class SkinnedDialog : public QDialog {
  Q_OBJECT

 public:
  // `picture` names the background in the resource library; `size` is the design size,
  // which also gives the outline.
  SkinnedDialog(const QString& picture, QSize size, QWidget* parent);

  // The outline with the bottom-left and top-right corners cut by 4 pixels.
  static QRegion Outline(QSize size);
  // The program's dialog font: the platform's sans-serif at 8 points.
  static QFont DialogFont();

  // Result 2 from the window's own close request; dialogs that close otherwise override it.
  void reject() override;
  // Closes with `result` and gives the keyboard back to the window beneath, which the
  // window system alone does not do for a window that was not the last one clicked.
  void done(int result) override;

 protected:
  // Called with every key press, for the dialog itself and for each of its fields, before
  // the field sees it; true when the dialog used the key.
  virtual bool PreviewKey(int key, QWidget* focused);
  static bool IsEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }
  // The keys of the entry dialogs: Esc cancels at once (2); Enter in a field where
  // `enterConfirms` is true runs `ok`, as the OK button would.
  bool EscCancelsEnterConfirms(int key, bool enterConfirms, const std::function<void()>& ok);
  // Centres over the main window (the outermost parent), or on the desktop without one.
  void CentreOverMainWindow();
  void CentreOnDesktop();

  QLabel* AddLabel(const QString& text, int x, int y);
  // Word-wraps the label within `room`, taking a smaller font (down to 6 points) when the
  // text would not fit otherwise: this platform's sans-serif is wider than the font the
  // pictures were laid out for, and a message cut off at the edge could not be read.
  static void FitWrapped(QLabel* label, QSize room);
  // Wraps the label as FitWrapped does when that keeps it within `room`; otherwise at the
  // dialog's own font. Returns the height it then needs at the room's width.
  static int WrappedHeight(QLabel* label, QSize room);
  QLineEdit* AddEdit(int x, int y, int w, int h, int maxLength, bool password);
  QPlainTextEdit* AddMemo(int x, int y, int w, int h);
  // A skin button "btn_<caption>" with its idle, pressed and (if wanted) disabled faces. Its
  // tooltip names it and its key: `hint`, or what the caption's button does in most dialogs.
  RegionButton* AddButton(const QString& caption, int x, int y, bool withDisabledFace = false,
                          const QString& hint = QString());

  // Makes the dialog `extra` pixels taller than its design size by repeating the plain band
  // of rows [`bandTop`, `bandBottom`) of its picture; the fields and buttons below the band
  // move down with the picture. Called again, it sets the growth anew.
  void GrowAtBand(int bandTop, int bandBottom, int extra);
  // The plain rows between the header's rule and the emblem in every picture with a header.
  static constexpr int kPlainBandTop = 30, kPlainBandBottom = 37;

  // The dialog's picture, decoded when first needed: a dialog that is never opened costs
  // nothing at start-up.
  const QImage& Background() const;

  void paintEvent(QPaintEvent* event) override;
  // Orders Tab through the fields and buttons as they are read: top to bottom, left to right.
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PaintGrown(QPainter& painter);
  void LabelFields();

  QString pictureName_;
  QSize designSize_;
  int bandTop_ = 0, bandBottom_ = 0, growth_ = 0;
  mutable QImage background_;
  mutable bool backgroundLoaded_ = false;
};

}  // namespace kestramo

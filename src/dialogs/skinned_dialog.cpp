// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/skinned_dialog.h"

#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <algorithm>

#include "controls/region_button.h"
#include "controls/region_button_accessible.h"
#include "dialogs/button_faces.h"
#include "platform/resource_library.h"
#include "platform/window_shape.h"

namespace kestramo {

namespace {

const QColor kFallbackBackground(36, 38, 44);
const char* const kFieldStyle = "background: rgb(193, 228, 249); color: black;";

}  // namespace

SkinnedDialog::SkinnedDialog(const QString& picture, QSize size, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), pictureName_(picture), designSize_(size) {
  setFixedSize(size);
  ShapeWindow(*this, Outline(size));
  setFont(DialogFont());
  setModal(true);
  // What a screen reader calls the dialog; the pictures name them only by their emblem.
  static const QHash<QString, QString> kTitles = {
      {"name", "Box name"},
      {"login", "Password"},
      {"password", "New password"},
      {"confirm", "Question"},
      {"message", "Message"},
      {"comment", "Comment"},
      {"find", "Find"},
      {"browse", "Choose a folder"},
      {"overwrite", "Replace the file?"},
      {"note", "Note"},
      {"harden", "Harden the vault"},
      {"status", "Working"},
      {"about", "About KESTRAMO"},
  };
  setAccessibleName(kTitles.value(picture, QStringLiteral("KESTRAMO")));
  InstallAccessibleFactory();
}

const QImage& SkinnedDialog::Background() const {
  if (!backgroundLoaded_) {
    background_ = ResourceLibrary::Picture(pictureName_);
    backgroundLoaded_ = true;
  }
  return background_;
}

QRegion SkinnedDialog::Outline(QSize size) {
  const int w = size.width(), h = size.height();
  const QPolygon outline({QPoint(0, 0), QPoint(0, h - 4), QPoint(4, h), QPoint(w, h), QPoint(w, 4), QPoint(w - 4, 0)});
  return QRegion(outline, Qt::WindingFill);
}

QFont SkinnedDialog::DialogFont() {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSize(8);
  return font;
}

void SkinnedDialog::reject() { done(kResultCancel); }

void SkinnedDialog::done(int result) {
  QWidget* beneath = parentWidget() ? parentWidget()->window() : nullptr;
  QDialog::done(result);
  if (!beneath || !beneath->isVisible()) return;
  beneath->activateWindow();
  if (QWidget* field = beneath->focusWidget()) field->setFocus(Qt::ActiveWindowFocusReason);
}

bool SkinnedDialog::PreviewKey(int, QWidget*) { return false; }

bool SkinnedDialog::EscCancelsEnterConfirms(int key, bool enterConfirms, const std::function<void()>& ok) {
  if (key == Qt::Key_Escape) {
    done(kResultCancel);
    return true;
  }
  if (!enterConfirms || !IsEnterKey(key)) return false;
  ok();
  return true;
}

void SkinnedDialog::CentreOverMainWindow() {
  QWidget* main = parentWidget();
  while (main && main->parentWidget()) main = main->parentWidget();
  if (!main) {
    CentreOnDesktop();
    return;
  }
  const QRect m = main->frameGeometry();
  move(m.left() + (m.width() - width()) / 2, m.top() + (m.height() - height()) / 2);
}

void SkinnedDialog::CentreOnDesktop() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect d = screen->geometry();
  move(d.left() + (d.width() - width()) / 2, d.top() + (d.height() - height()) / 2);
}

QLabel* SkinnedDialog::AddLabel(const QString& text, int x, int y) {
  auto* label = new QLabel(this);
  label->setTextFormat(Qt::PlainText);  // names typed by the user are never markup
  label->setText(text);
  QPalette pal = label->palette();
  pal.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(pal);
  label->setAutoFillBackground(false);
  label->move(x, y);
  label->adjustSize();
  return label;
}

void SkinnedDialog::FitWrapped(QLabel* label, QSize room) {
  label->setWordWrap(true);
  QFont font = DialogFont();
  for (int points = font.pointSize(); points >= 6; --points) {
    font.setPointSize(points);
    label->setFont(font);
    if (label->heightForWidth(room.width()) <= room.height()) break;
  }
  label->resize(room);
}

int SkinnedDialog::WrappedHeight(QLabel* label, QSize room) {
  FitWrapped(label, room);
  int needed = label->heightForWidth(room.width());
  if (needed > room.height()) {
    label->setFont(DialogFont());
    needed = label->heightForWidth(room.width());
  }
  return needed;
}

QLineEdit* SkinnedDialog::AddEdit(int x, int y, int w, int h, int maxLength, bool password) {
  auto* edit = new QLineEdit(this);
  edit->setGeometry(x, y, w, h);
  edit->setStyleSheet(QString("QLineEdit { %1 lineedit-password-character: 42; }").arg(kFieldStyle));
  if (maxLength > 0) edit->setMaxLength(maxLength);
  if (password) edit->setEchoMode(QLineEdit::Password);
  edit->installEventFilter(this);
  return edit;
}

QPlainTextEdit* SkinnedDialog::AddMemo(int x, int y, int w, int h) {
  auto* memo = new QPlainTextEdit(this);
  memo->setGeometry(x, y, w, h);
  memo->setStyleSheet(QString("QPlainTextEdit { %1 }").arg(kFieldStyle));
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setTabChangesFocus(true);
  memo->installEventFilter(this);
  return memo;
}

namespace {

QString UsualHint(const QString& caption) {
  static const QHash<QString, QString> kHints = {
      {"ok", "OK (Enter)"},
      {"cancel", "Cancel (Esc)"},
      {"yes", "Yes"},
      {"no", "No (Esc)"},
      {"close", "Close (Esc)"},
      {"findnow", "Find now (Enter)"},
      {"export", "Extract the chosen items to a folder"},
      {"delete", "Delete the chosen items"},
      {"comment", "Comment the chosen item"},
  };
  return kHints.value(caption, caption);
}

// The words on a button's face.
QString FaceCaption(const QString& caption) {
  static const QHash<QString, QString> kCaptions = {
      {"ok", "OK"},           {"cancel", "Cancel"},     {"yes", "Yes"},         {"no", "No"},
      {"close", "Close"},     {"findnow", "Find Now"},  {"export", "Export"},   {"delete", "Delete"},
      {"comment", "Comment"}, {"yesall", "Yes to All"}, {"noall", "No to All"}, {"newfolder", "New Folder"},
      {"home", "Home"},
  };
  return kCaptions.value(caption, caption);
}

}  // namespace

RegionButton* SkinnedDialog::AddButton(const QString& caption, int x, int y, bool withDisabledFace,
                                       const QString& hint) {
  auto* button = new RegionButton(this);
  button->setToolTip(hint.isEmpty() ? UsualHint(caption) : hint);
  button->move(x, y);
  button->SetPicIdle(ButtonFace(caption, FaceState::Idle));
  button->SetPicDown(ButtonFace(caption, FaceState::Down));
  button->SetPicUp(ButtonFace(caption, FaceState::Hover));  // the face under the pointer
  if (withDisabledFace) button->SetPicDsbld(ButtonFace(caption, FaceState::Disabled));
  button->SetPaintMode(RegionButton::PaintMode::Crop);
  button->SetCursorSlot(1);
  button->setObjectName(QStringLiteral("btn_") + caption);
  button->setAccessibleName(FaceCaption(caption));
  return button;
}

void SkinnedDialog::GrowAtBand(int bandTop, int bandBottom, int extra) {
  const int moved = extra - growth_;
  bandTop_ = bandTop;
  bandBottom_ = bandBottom;
  growth_ = extra;
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (child->y() >= bandBottom) child->move(child->x(), child->y() + moved);
  const QSize size(designSize_.width(), designSize_.height() + extra);
  setFixedSize(size);
  ShapeWindow(*this, Outline(size));
  update();
}

void SkinnedDialog::PaintGrown(QPainter& painter) {
  // Source rows in the picture's own pixels: it may be drawn for a denser screen.
  const qreal density = background_.devicePixelRatio();
  const int w = designSize_.width();
  const auto from = [&](int top, int height) { return QRectF(0, top * density, w * density, height * density); };
  painter.drawImage(QRectF(0, 0, w, bandBottom_), background_, from(0, bandBottom_));
  const int band = bandBottom_ - bandTop_;
  for (int y = 0; y < growth_; y += band) {
    const int rows = std::min(band, growth_ - y);
    painter.drawImage(QRectF(0, bandBottom_ + y, w, rows), background_, from(bandTop_, rows));
  }
  const int below = designSize_.height() - bandBottom_;
  painter.drawImage(QRectF(0, bandBottom_ + growth_, w, below), background_, from(bandBottom_, below));
}

void SkinnedDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (Background().isNull()) {
    painter.fillRect(rect(), kFallbackBackground);
  } else if (growth_ > 0) {
    PaintGrown(painter);
  } else {
    painter.drawImage(0, 0, background_);
  }
}

void SkinnedDialog::LabelFields() {
  // Each field is named by the label just above it (or on its left), as a reader sees it.
  const auto labels = findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  for (QWidget* field : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!qobject_cast<QLineEdit*>(field) && !qobject_cast<QPlainTextEdit*>(field)) continue;
    QLabel* nearest = nullptr;
    for (QLabel* label : labels) {
      if (label->text().isEmpty() || label->y() > field->y() || label->buddy()) continue;
      if (!nearest || label->y() > nearest->y()) nearest = label;
    }
    if (nearest) nearest->setBuddy(field);
  }
}

void SkinnedDialog::showEvent(QShowEvent* event) {
  QList<QWidget*> stops;
  for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (child->focusPolicy() & Qt::TabFocus) stops << child;
  // Rows a few pixels apart are one line of the dialog.
  constexpr int kRowBand = 10;
  std::stable_sort(stops.begin(), stops.end(), [](const QWidget* a, const QWidget* b) {
    const int rowA = a->y() / kRowBand, rowB = b->y() / kRowBand;
    return rowA != rowB ? rowA < rowB : a->x() < b->x();
  });
  for (qsizetype n = 1; n < stops.size(); ++n) setTabOrder(stops[n - 1], stops[n]);
  LabelFields();
  QDialog::showEvent(event);
}

void SkinnedDialog::keyPressEvent(QKeyEvent* event) {
  if (!PreviewKey(event->key(), focusWidget())) event->ignore();
}

bool SkinnedDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (PreviewKey(key->key(), qobject_cast<QWidget*>(watched))) return true;
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace kestramo

// The skinned dialogs: frame, checks, messages, keys and modal results.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QtTest>

#include "controls/region_button.h"
#include "dialogs/dlg_about.h"
#include "dialogs/dlg_comment.h"
#include "dialogs/dlg_confirm.h"
#include "dialogs/dlg_login.h"
#include "dialogs/dlg_message.h"
#include "dialogs/dlg_new.h"
#include "dialogs/dlg_password.h"
#include "modal_watch.h"
#include "skin_session.h"
#include "platform/resource_library.h"

using namespace kestramo;
using kestramo::testing::ModalWatch;

namespace {

void Click(QDialog& dialog, const char* button) {
  auto* b = dialog.findChild<RegionButton*>(button);
  QVERIFY2(b, button);
  QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(25, 7));
}

template <typename T>
T* Child(QDialog& dialog, const char* name) {
  return dialog.findChild<T*>(name);
}

// Shows a dialog as its caller does and waits until it is on screen.
void Open(QDialog& dialog) {
  dialog.setResult(0);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

void Type(QWidget* field, const QString& text) {
  field->setFocus();
  QTest::keyClicks(field, text);
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

 private:
  QWidget* main_ = nullptr;

 private slots:
  void initTestCase() { main_ = kestramo::testing::OpenMainWindowStandIn(); }
  void cleanupTestCase() { delete main_; }

  void FrameHasTheOutlineSizeAndPlacement() {
    struct Case {
      QDialog* dialog;
      QSize size;
    };
    FrmNew name(main_);
    FrmLogin login(main_);
    FrmPassword password(main_);
    FrmConfirm confirm(main_);
    FrmMessage message(main_);
    FrmComment comment(main_);
    FrmAbout about(main_);
    for (const Case& c : {Case{&name, {301, 112}}, Case{&login, {279, 112}}, Case{&password, {282, 152}},
                          Case{&confirm, {315, 101}}, Case{&message, {301, 100}}, Case{&comment, {316, 186}},
                          Case{&about, {320, 240}}}) {
      QCOMPARE(c.dialog->size(), c.size);
      QVERIFY(c.dialog->windowFlags() & Qt::FramelessWindowHint);
      const int w = c.size.width(), h = c.size.height();
      const QRegion outline = c.dialog->mask();
      QVERIFY(outline.contains(QPoint(0, 0)));
      QVERIFY(outline.contains(QPoint(w - 1, h - 1)));
      QVERIFY(outline.contains(QPoint(0, h - 5)));
      QVERIFY(!outline.contains(QPoint(0, h - 1)));   // bottom-left cut
      QVERIFY(!outline.contains(QPoint(w - 1, 0)));   // top-right cut
      QVERIFY(!outline.contains(QPoint(w - 2, 1)));
      Open(*c.dialog);
      if (c.dialog == &login) {
        const QRect desk = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(c.dialog->pos(), QPoint(desk.left() + (desk.width() - w) / 2, desk.top() + (desk.height() - h) / 2));
      } else {
        QCOMPARE(c.dialog->pos(), QPoint(100 + (560 - w) / 2, 100 + (420 - h) / 2));
      }
      c.dialog->done(kResultCancel);
    }
    // Controls where the dialogs put them, in the skin's colours.
    QCOMPARE(Child<RegionButton>(name, "btn_ok")->geometry(), QRect(173, 86, 51, 14));
    QCOMPARE(Child<RegionButton>(name, "btn_cancel")->geometry(), QRect(240, 86, 51, 14));
    QCOMPARE(Child<QLineEdit>(name, "edtBoxName")->geometry(), QRect(90, 58, 202, 21));
    QCOMPARE(Child<QLineEdit>(password, "edtConfirm")->geometry(), QRect(90, 98, 180, 21));
    QCOMPARE(Child<QPlainTextEdit>(comment, "edtComment")->geometry(), QRect(90, 56, 215, 97));
    QCOMPARE(Child<RegionButton>(confirm, "btn_no")->geometry(), QRect(199, 75, 51, 14));
    QCOMPARE(Child<RegionButton>(message, "btn_ok")->geometry(), QRect(154, 73, 51, 14));
    QCOMPARE(Child<QLabel>(about, "lblOS")->pos(), QPoint(68, 178));
    const QImage field = Child<QLineEdit>(name, "edtBoxName")->grab().toImage();
    QCOMPARE(QColor(field.pixel(100, 10)), QColor(193, 228, 249));
    QCOMPARE(Child<QLabel>(message, "lblMessage")->palette().color(QPalette::WindowText), QColor(Qt::white));
    QCOMPARE(name.font().pointSize(), 8);
  }

  void NewBoxRefusesEmptyAndExistingNames() {
    FrmNew dlg(main_);
    dlg.SetBoxNames({"Photos", "Letters"});
    auto* edit = Child<QLineEdit>(dlg, "edtBoxName");
    ModalWatch watch;
    struct Case {
      QString typed;
      QString message;
    };
    const QString duplicate = QStringLiteral("The COFFREL already exists, please input another name.");
    const QString empty = QStringLiteral("Please input the name of box.");
    for (const Case& c : {Case{"", empty}, Case{"   ", empty}, Case{"pHOTOS", duplicate},
                          Case{"  letters ", duplicate}}) {
      dlg.SetBoxName(c.typed);
      Open(dlg);
      Click(dlg, "btn_ok");
      QCOMPARE(watch.messages.value(watch.messages.size() - 1), c.message);
      QVERIFY(dlg.isVisible());
      QCOMPARE(dlg.focusWidget(), edit);
    }
    QCOMPARE(watch.messages.size(), 4);
    // Renaming to the unchanged name is a duplicate too.
    dlg.SetBoxName("Letters");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(watch.messages.size(), 5);
    QVERIFY(dlg.isVisible());
    // A new name closes with 1 on Enter and comes back as typed.
    dlg.SetBoxName(" Music");
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(!dlg.isVisible());
    QCOMPARE(dlg.result(), kResultOk);
    QCOMPARE(dlg.BoxName(), QStringLiteral(" Music"));
  }

  void NewBoxNameHoldsEightyCharacters() {
    FrmNew dlg(main_);
    dlg.SetBoxName(QString());
    Open(dlg);
    auto* edit = Child<QLineEdit>(dlg, "edtBoxName");
    Type(edit, QString(81, QChar('k')));
    QCOMPARE(dlg.BoxName(), QString(80, QChar('k')));
    Click(dlg, "btn_ok");
    QCOMPARE(dlg.result(), kResultOk);
    // Esc and Cancel give 2 without any check.
    dlg.SetBoxName(QString());
    Open(dlg);
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(dlg.result(), kResultCancel);
    Open(dlg);
    Click(dlg, "btn_cancel");
    QCOMPARE(dlg.result(), kResultCancel);
    QVERIFY(!dlg.isVisible());
  }

  void LoginComparesWithLetterCase() {
    FrmLogin dlg(main_);
    dlg.SetMasterKey("vendraliSecret");
    ModalWatch watch;
    Open(dlg);
    auto* edit = Child<QLineEdit>(dlg, "edtPassword");
    QCOMPARE(dlg.focusWidget(), edit);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(watch.messages, QStringList{"Please input password."});
    Type(edit, "secret");
    QCOMPARE(edit->displayText(), QStringLiteral("******"));
    Click(dlg, "btn_ok");
    QCOMPARE(watch.messages.value(1), QStringLiteral("Uncorrect password."));
    QVERIFY(dlg.isVisible());
    QCOMPARE(edit->text(), QStringLiteral("secret"));  // the typed text stays
    edit->clear();
    Type(edit, "Secret");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(dlg.result(), kResultOk);
    QCOMPARE(watch.messages.size(), 2);
    // Showing again starts empty; the field takes eight characters.
    Open(dlg);
    QVERIFY(edit->text().isEmpty());
    Type(edit, "abcdefghij");
    QCOMPARE(edit->text(), QStringLiteral("abcdefgh"));
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(dlg.result(), kResultCancel);
  }

  void PasswordNeedsTwoEqualTexts() {
    FrmPassword dlg(main_);
    ModalWatch watch;
    auto* first = Child<QLineEdit>(dlg, "edtPassword");
    auto* second = Child<QLineEdit>(dlg, "edtConfirm");
    Open(dlg);
    Type(first, "abcdefghi");
    Type(second, "abcdefgX");
    QCOMPARE(first->text(), QStringLiteral("abcdefgh"));
    QCOMPARE(second->displayText(), QStringLiteral("********"));
    QTest::keyClick(second, Qt::Key_Return);
    QCOMPARE(watch.messages,
             QStringList{"The new and confirmed passwords do not match. Please type them again."});
    QVERIFY(dlg.isVisible());
    QVERIFY(first->text().isEmpty());
    QVERIFY(second->text().isEmpty());
    QCOMPARE(dlg.focusWidget(), first);
    // Two empty fields agree: the success message, then 1 with an empty password.
    Click(dlg, "btn_ok");
    QCOMPARE(watch.messages.value(1), QStringLiteral("The password has been successfully changed."));
    QCOMPARE(dlg.result(), kResultOk);
    QVERIFY(dlg.Password().isEmpty());
    // Each showing starts from empty fields.
    first->setText("old");
    Open(dlg);
    QVERIFY(first->text().isEmpty());
    Type(first, "Kx9");
    Type(second, "Kx9");
    QTest::keyClick(first, Qt::Key_Enter);
    QCOMPARE(dlg.result(), kResultOk);
    QCOMPARE(dlg.Password(), QStringLiteral("Kx9"));
  }

  void ConfirmAnswersOnlyWithYesNoOrEsc() {
    FrmConfirm dlg(main_);
    dlg.SetQuestion("Are you sure to delete the file box:\rOld letters?");
    auto* info = Child<QLabel>(dlg, "lblInfo");
    QCOMPARE(info->text(), QStringLiteral("Are you sure to delete the file box:\nOld letters?"));
    QVERIFY(info->height() >= 2 * info->fontMetrics().height());
    Open(dlg);
    QTest::keyClick(&dlg, Qt::Key_Return);
    QTest::keyClick(&dlg, Qt::Key_Enter);
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QCOMPARE(dlg.result(), kResultCancel);
    Open(dlg);
    Click(dlg, "btn_yes");
    QCOMPARE(dlg.result(), kResultOk);
    Open(dlg);
    Click(dlg, "btn_no");
    QCOMPARE(dlg.result(), kResultCancel);
  }

  void MessageClosesWithOkEnterAndEsc() {
    FrmMessage dlg(main_);
    dlg.SetMessage("Invalid file or path name.");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
      Open(dlg);
      QTest::keyClick(&dlg, key);
      QCOMPARE(dlg.result(), kResultOk);
      QVERIFY(!dlg.isVisible());
    }
    Open(dlg);
    Click(dlg, "btn_ok");
    QCOMPARE(dlg.result(), kResultOk);
    // ShowMessageDialog is modal and returns once the message is closed.
    ModalWatch watch;
    ShowMessageDialog(QStringLiteral("first line\rsecond line"), main_);
    QCOMPARE(watch.messages, QStringList{"first line\nsecond line"});
  }

  void LongTextsStayReadableInsideTheirRoom() {
    FrmMessage message(main_);
    message.SetMessage("The new and confirmed passwords do not match. Please type them again.");
    auto* text = Child<QLabel>(message, "lblMessage");
    QCOMPARE(text->geometry(), QRect(90, 37, 202, 31));
    QVERIFY(text->heightForWidth(202) <= 31);
    FrmConfirm confirm(main_);
    confirm.SetQuestion("Are you sure to delete the selected items?");
    auto* info = Child<QLabel>(confirm, "lblInfo");
    QVERIFY(info->geometry().right() < confirm.width());
    QVERIFY(info->geometry().bottom() < 75);
    // A short question keeps the dialog's own font.
    confirm.SetQuestion("Delete?");
    QCOMPARE(info->font().pointSize(), 8);
  }

  void CommentAcceptsAnyTextButNone() {
    FrmComment dlg(main_);
    ModalWatch watch;
    auto* memo = Child<QPlainTextEdit>(dlg, "edtComment");
    dlg.SetComment(QString());
    Open(dlg);
    Click(dlg, "btn_ok");
    QCOMPARE(watch.messages, QStringList{"Please input the comment."});
    QCOMPARE(dlg.focusWidget(), memo);
    // Enter makes a new line; a lone line break is a comment.
    QTest::keyClick(memo, Qt::Key_Return);
    QVERIFY(dlg.isVisible());
    Click(dlg, "btn_ok");
    QCOMPARE(dlg.result(), kResultOk);
    QCOMPARE(dlg.Comment(), QStringLiteral("\r\n"));
    // The caller's text stays; line breaks come back as stored.
    dlg.SetComment("two\r\nlines");
    Open(dlg);
    QCOMPARE(memo->toPlainText(), QStringLiteral("two\nlines"));
    QTest::keyClick(memo, Qt::Key_Escape);
    QCOMPARE(dlg.result(), kResultCancel);
    QCOMPARE(dlg.Comment(), QStringLiteral("two\r\nlines"));
  }

  void AboutClosesOnClickOrKey() {
    FrmAbout dlg(main_);
    QVERIFY(Child<QLabel>(dlg, "lblOS")->text().startsWith("for Linux"));
    Open(dlg);
    QTest::mouseClick(Child<QLabel>(dlg, "lblOS"), Qt::LeftButton);
    QCOMPARE(dlg.result(), kResultOk);
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
      Open(dlg);
      QTest::keyClick(&dlg, key);
      QCOMPARE(dlg.result(), kResultOk);
    }
  }

  // Pictures of every dialog as it shows, for a look at the skin.
  void RendersEachDialog() {
    const QString dir = QDir::temp().filePath("kestramo-dialog-shots");
    QDir().mkpath(dir);
    FrmNew name(main_);
    name.SetBoxName("Letters 2026");
    FrmLogin login(main_);
    FrmPassword password(main_);
    FrmConfirm confirm(main_);
    confirm.SetQuestion("Are you sure to delete the selected items?");
    FrmMessage message(main_);
    message.SetMessage("The new and confirmed passwords do not match. Please type them again.");
    FrmComment comment(main_);
    comment.SetComment("Scans of the 2025 tax papers\r\nand the receipts.");
    FrmAbout about(main_);
    const QList<QPair<QDialog*, const char*>> all = {{&name, "name"},       {&login, "login"},
                                                     {&password, "password"}, {&confirm, "confirm"},
                                                     {&message, "message"}, {&comment, "comment"},
                                                     {&about, "about"}};
    for (const auto& [dialog, picture] : all) {
      Open(*dialog);
      const QImage shot = dialog->grab().toImage();
      QCOMPARE(shot.size(), dialog->size());
      const QImage skin = ResourceLibrary::Picture(picture);
      if (!skin.isNull()) QCOMPARE(skin.size(), dialog->size());
      QVERIFY(shot.save(dir + "/" + picture + ".png"));
      dialog->done(kResultCancel);
    }
  }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"

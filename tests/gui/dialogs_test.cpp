// SPDX-License-Identifier: GPL-3.0-or-later
// The skinned dialogs: frame, checks, messages, keys and modal results.
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include "controls/picture_ops.h"
#include "controls/region_button.h"
#include "dialogs/frm_about.h"
#include "dialogs/frm_comment.h"
#include "dialogs/frm_confirm.h"
#include "dialogs/frm_harden.h"
#include "dialogs/frm_login.h"
#include "dialogs/frm_message.h"
#include "dialogs/frm_new.h"
#include "dialogs/frm_password.h"
#include "modal_watch.h"
#include "skin_session.h"
#include "storage/vault/vault_hardening.h"
#include "vault_fixture.h"

using namespace kestramo;
using kestramo::testing::ModalWatch;

namespace {

template <typename T = QLineEdit>
T* Child(QDialog& dialog, const char* name) {
  T* child = dialog.findChild<T*>(name);
  if (!child) qFatal("no child %s", name);
  return child;
}

void Click(QDialog& dialog, const char* button) {
  QTest::mouseClick(Child<RegionButton>(dialog, button), Qt::LeftButton, {}, QPoint(25, 7));
}

// Shows a dialog as its caller does.
void Open(QDialog& dialog) {
  dialog.setResult(0);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

QString LastMessage(const ModalWatch& watch) { return watch.messages.value(watch.messages.size() - 1); }

void Type(QWidget* field, const QString& text) {
  field->setFocus();
  QTest::keyClicks(field, text);
}

}  // namespace

class DialogsTest : public QObject {
  Q_OBJECT

  QWidget* main_ = nullptr;

 private slots:
  void initTestCase() { main_ = kestramo::testing::OpenMainWindowStandIn(); }
  void cleanupTestCase() { delete main_; }

  // Size, outline and placement of every dialog; a picture of each for a look at the skin.
  void FrameOfEveryDialog() {
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
    const QString shots = kestramo::testing::ShotsDir();
    const QRect desk = QGuiApplication::primaryScreen()->geometry();
    for (const auto& [dialog, picture, size] : {std::tuple<QDialog*, const char*, QSize>{&name, "name", {301, 112}},
                                                {&login, "login", {279, 112}},
                                                {&password, "password", {282, 152}},
                                                {&confirm, "confirm", {315, 101}},
                                                {&message, "message", {301, 100}},
                                                {&comment, "comment", {316, 186}},
                                                {&about, "about", {320, 240}}}) {
      const int w = size.width(), h = size.height();
      QCOMPARE(dialog->size(), size);
      QVERIFY(dialog->windowFlags() & Qt::FramelessWindowHint);
      const QRegion outline = dialog->mask();
      QVERIFY(outline.contains(QPoint(0, 0)) && outline.contains(QPoint(w - 1, h - 1)));
      QVERIFY(outline.contains(QPoint(0, h - 5)) && !outline.contains(QPoint(0, h - 1)));
      QVERIFY(!outline.contains(QPoint(w - 1, 0)) && !outline.contains(QPoint(w - 2, 1)));
      Open(*dialog);
      const QRect over = dialog == &login ? desk : main_->geometry();
      QCOMPARE(dialog->pos(), over.topLeft() + QPoint((over.width() - w) / 2, (over.height() - h) / 2));
      const QImage skin = ResourceLibrary::Picture(picture);
      if (!skin.isNull()) QCOMPARE(LogicalSize(skin), size);
      QVERIFY(dialog->grab().save(shots + "/" + picture + ".png"));
      dialog->done(kResultCancel);
    }
    const QImage field = Child(name, "edtBoxName")->grab().toImage();
    QCOMPARE(QColor(field.pixel((QPointF(150, 10) * field.devicePixelRatio()).toPoint())), QColor(193, 228, 249));
    QCOMPARE(Child<QLabel>(message, "lblMessage")->palette().color(QPalette::WindowText), QColor(Qt::white));
    // A text of a few lines wraps inside the design's room.
    auto* text = Child<QLabel>(message, "lblMessage");
    QCOMPARE(Child<QScrollArea>(message, "scrMessage")->geometry(), QRect(90, 37, 202, 31));
    QVERIFY(text->heightForWidth(202) <= 31);
    auto* info = Child<QLabel>(confirm, "lblInfo");
    QVERIFY(info->geometry().right() < confirm.width() && info->geometry().bottom() < 75);
  }

  void NewBoxRefusesEmptyAndExistingNames() {
    ModalWatch watch;
    FrmNew dlg(main_);
    dlg.SetBoxNames({"Photos", "Letters"});
    auto* edit = Child(dlg, "edtBoxName");
    const QString duplicate = "The COFFREL already exists, please input another name.";
    const QString empty = "Please input the name of box.";
    // Case and outer blanks do not make a new name; renaming to the same name is a duplicate.
    for (const auto& [typed, message] : {std::pair<QString, QString>{"", empty},
                                         {"   ", empty},
                                         {"pHOTOS", duplicate},
                                         {"  letters ", duplicate},
                                         {"Letters", duplicate}}) {
      dlg.SetBoxName(typed);
      Open(dlg);
      Click(dlg, "btn_ok");
      QCOMPARE(LastMessage(watch), message);
      QVERIFY(dlg.isVisible());
      // Typing goes on in the dialog beneath, without a click on it first.
      QTRY_COMPARE(QApplication::activeWindow(), &dlg);
      QCOMPARE(QApplication::focusWidget(), edit);
    }
    dlg.SetBoxName(QString());
    Type(edit, QString(81, QChar('k')));  // the field takes 80 characters
    QCOMPARE(dlg.BoxName(), QString(80, QChar('k')));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(dlg.result(), kResultOk);
    QCOMPARE(watch.messages.size(), 5);
    dlg.SetBoxName(" Music");
    Open(dlg);
    Click(dlg, "btn_ok");
    QCOMPARE(dlg.BoxName(), QStringLiteral(" Music"));  // as typed; the caller trims
    // Esc and Cancel give 2 without any check.
    Open(dlg);
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(dlg.result(), kResultCancel);
    Open(dlg);
    Click(dlg, "btn_cancel");
    QCOMPARE(dlg.result(), kResultCancel);
  }

  void LoginComparesWithLetterCase() {
    ModalWatch watch;
    FrmLogin dlg(main_);
    dlg.SetPasswordCheck([](const std::string& typed) { return typed == "Secret"; });
    Open(dlg);
    auto* edit = Child(dlg, "edtPassword");
    QCOMPARE(dlg.focusWidget(), edit);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(LastMessage(watch), QStringLiteral("Please input password."));
    Type(edit, "secret");
    QCOMPARE(edit->displayText(), QStringLiteral("******"));
    Click(dlg, "btn_ok");
    QCOMPARE(LastMessage(watch), QStringLiteral("Uncorrect password."));
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
    ModalWatch watch;
    FrmPassword dlg(main_);
    auto* first = Child(dlg, "edtPassword");
    auto* second = Child(dlg, "edtConfirm");
    first->setText("old");
    Open(dlg);
    QVERIFY(first->text().isEmpty());
    Type(first, "abcdefghi");
    Type(second, "abcdefgX");
    QCOMPARE(first->text(), QStringLiteral("abcdefgh"));
    QCOMPARE(second->displayText(), QStringLiteral("********"));
    QTest::keyClick(second, Qt::Key_Return);
    QCOMPARE(LastMessage(watch),
             QStringLiteral("The new and confirmed passwords do not match. Please type them again."));
    QVERIFY(dlg.isVisible() && first->text().isEmpty() && second->text().isEmpty());
    QCOMPARE(dlg.focusWidget(), first);
    // Two empty fields agree: the success message, then 1 with an empty password.
    Click(dlg, "btn_ok");
    QCOMPARE(LastMessage(watch), QStringLiteral("The password has been successfully changed."));
    QCOMPARE(dlg.result(), kResultOk);
    QVERIFY(dlg.Password().isEmpty());
    Open(dlg);
    Type(first, "Kx9");
    Type(second, "Kx9");
    QTest::keyClick(first, Qt::Key_Enter);
    QCOMPARE(dlg.Password(), QStringLiteral("Kx9"));
  }

  // A hardened vault's dialogs speak of a passphrase, and a wrong one is called wrong.
  void PassphraseDialogsSayPassphrase() {
    ModalWatch watch;
    FrmLogin login(main_);
    login.SetPassphraseCheck([](const std::string& typed) { return typed == "long passphrase"; }, 64);
    Open(login);
    auto* edit = Child(login, "edtPassword");
    Type(edit, "long passphrasE");
    Click(login, "btn_ok");
    QCOMPARE(LastMessage(watch), QStringLiteral("The passphrase is wrong, or the vault's index is damaged."));
    edit->clear();
    Type(edit, "long passphrase");
    Click(login, "btn_ok");
    QCOMPARE(login.result(), kResultOk);

    FrmPassword change(main_);
    change.SetLimits(8, 64);
    change.SetPassphrase(true);
    Open(change);
    Type(Child(change, "edtPassword"), "a new passphrase");
    Type(Child(change, "edtConfirm"), "a new passphrasX");
    Click(change, "btn_ok");
    QCOMPARE(LastMessage(watch),
             QStringLiteral("The new and confirmed passphrases do not match. Please type them again."));
    Type(Child(change, "edtPassword"), "a new passphrase");
    Type(Child(change, "edtConfirm"), "a new passphrase");
    const qsizetype before = watch.messages.size();
    Click(change, "btn_ok");
    QCOMPARE(change.result(), kResultOk);
    QCOMPARE(watch.messages.size(), before);  // success is told by the caller, once saved
  }

  // Hardening from the window: the passphrase twice with a hint of its strength, the items
  // re-sealed under the progress bar, result 1 only once the vault is hardened.
  void HardenDialogConvertsTheVaultAndSaysWhy() {
    kestramo::testing::VaultFixture fixture;
    fixture.Fill({"Work"}, 2);
    Vault vault(fixture.Base());
    vault.LoadIndex();
    std::size_t lastDone = 0, lastTotal = 0;
    ModalWatch watch;
    FrmHarden dlg(main_);
    dlg.SetConversion([&](const std::string& passphrase, const auto& onItem, std::string* error) {
      const api::Status hardened =
          HardenVault(vault, passphrase, {1, kMinKdfMemory}, [&](std::size_t done, std::size_t total) {
            lastDone = done, lastTotal = total;
            onItem(done, total);
          });
      *error = hardened.message;
      return hardened.ok();
    });
    Open(dlg);
    Type(Child(dlg, "edtPassphrase"), "abcdefgh");
    QCOMPARE(Child<QLabel>(dlg, "lblStrength")->text(), QStringLiteral("Strength: weak"));
    Type(Child(dlg, "edtConfirm"), "abcdefgX");
    Click(dlg, "btn_ok");
    QCOMPARE(LastMessage(watch),
             QStringLiteral("The new and confirmed passphrases do not match. Please type them again."));
    Type(Child(dlg, "edtPassphrase"), "short");
    Type(Child(dlg, "edtConfirm"), "short");
    Click(dlg, "btn_ok");
    QCOMPARE(LastMessage(watch), QStringLiteral("A passphrase has at least 8 characters."));
    QCOMPARE(vault.Format(), api::Format::Classic);
    const QString phrase = QStringLiteral("four unrelated words here");
    Type(Child(dlg, "edtPassphrase"), phrase);
    QCOMPARE(Child<QLabel>(dlg, "lblStrength")->text(), QStringLiteral("Strength: strong"));
    Type(Child(dlg, "edtConfirm"), phrase);
    QVERIFY(dlg.grab().save(kestramo::testing::ShotsDir() + "/harden.png"));
    Click(dlg, "btn_ok");
    QCOMPARE(dlg.result(), kResultOk);
    QCOMPARE(vault.Format(), api::Format::Hardened);
    QCOMPARE(lastDone, std::size_t{2});
    QCOMPARE(lastTotal, std::size_t{2});
    Vault reopened(fixture.Base());
    reopened.OfferPassphrase(phrase.toStdString());
    QCOMPARE(static_cast<int>(reopened.LoadIndex().outcome), static_cast<int>(IndexLoadReport::Outcome::Loaded));
  }

  // The question answers from the keyboard as from the pointer: Enter on the focused Yes, Tab
  // then Space on No, Y, N and Esc.
  void ConfirmAnswersFromKeysAndButtons() {
    FrmConfirm dlg(main_);
    dlg.SetQuestion("Are you sure to delete the coffrel:\rOld letters?");
    auto* info = Child<QLabel>(dlg, "lblInfo");
    QCOMPARE(info->text(), QStringLiteral("Are you sure to delete the coffrel:\nOld letters?"));
    QVERIFY(info->height() >= 2 * info->fontMetrics().height());
    const struct {
      QList<Qt::Key> keys;
      int result;
    } cases[] = {
        {{Qt::Key_Return}, kResultOk},
        {{Qt::Key_Tab, Qt::Key_Space}, kResultCancel},
        {{Qt::Key_Tab, Qt::Key_Return}, kResultCancel},
        {{Qt::Key_Y}, kResultOk},
        {{Qt::Key_N}, kResultCancel},
        {{Qt::Key_Escape}, kResultCancel},
    };
    for (const auto& c : cases) {
      Open(dlg);
      if (c.keys.size() == 2) QVERIFY(dlg.grab().save(kestramo::testing::ShotsDir() + "/confirm-focus.png"));
      for (Qt::Key key : c.keys) QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dlg, key);
      QVERIFY(!dlg.isVisible());
      QCOMPARE(dlg.result(), c.result);
    }
    for (const auto& [button, result] : {std::pair{"btn_yes", kResultOk}, {"btn_no", kResultCancel}}) {
      Open(dlg);
      Click(dlg, button);
      QCOMPARE(dlg.result(), result);
    }
  }

  // A button under the pointer shows its lighter hover face, and only there.
  void ButtonsLightUpUnderThePointer() {
    FrmConfirm dlg(main_);
    Open(dlg);
    auto* no = Child<RegionButton>(dlg, "btn_no");
    const QImage idle = ResourceLibrary::Picture("btn_no_idle"), hover = ResourceLibrary::Picture("btn_no_hover");
    QVERIFY(!hover.isNull() && hover.size() == idle.size());
    const QSize face = LogicalSize(idle);
    const QPoint mid(face.width() / 2, face.height() / 2 - 3);             // on the face, above the caption
    const QPoint px = (QPointF(mid) * idle.devicePixelRatio()).toPoint();  // the same spot in the pictures
    QVERIFY(qGray(hover.pixel(px)) > qGray(idle.pixel(px)));
    // Moves as the window system reports them, to the dialog's window.
    QTest::mouseMove(dlg.windowHandle(), QPoint(5, 5));
    QCOMPARE(no->grab().toImage().pixel(px), idle.pixel(px));
    QTest::mouseMove(dlg.windowHandle(), no->mapTo(&dlg, mid));
    QCOMPARE(no->grab().toImage().pixel(px), hover.pixel(px));
    QVERIFY(dlg.grab().save(kestramo::testing::ShotsDir() + "/button-hover.png"));
    QTest::mouseMove(dlg.windowHandle(), QPoint(5, 5));
    QCOMPARE(no->grab().toImage().pixel(px), idle.pixel(px));
    dlg.done(kResultCancel);
  }

  // News of a success shows the sign of information; only a problem the exclamation mark.
  void SuccessesAndProblemsShowTheirOwnEmblem() {
    const QRect emblem(10, 30, 70, 60);
    QList<QImage> seen;
    for (const auto& [kind, picture] :
         {std::pair{FrmMessage::Kind::Success, "inform"}, {FrmMessage::Kind::Problem, "message"}}) {
      FrmMessage dlg(main_, kind);
      dlg.SetMessage("The passphrase has been successfully changed.");
      Open(dlg);
      const QImage shown = dlg.grab().toImage(), drawn = ResourceLibrary::Picture(picture);
      const auto area = [&](const QImage& img) {
        const qreal d = img.devicePixelRatio();
        return img.copy(QRect((QPointF(emblem.topLeft()) * d).toPoint(), emblem.size() * d))
            .convertToFormat(QImage::Format_RGB32);
      };
      QCOMPARE(area(shown), area(drawn));
      seen << area(shown);
      dlg.done(kResultOk);
    }
    QVERIFY(seen[0] != seen[1]);
  }

  void MessageAndAboutCloseWithOkEnterAndEsc() {
    FrmMessage message(main_);
    FrmAbout about(main_);
    QVERIFY(Child<QLabel>(about, "lblOS")->text().startsWith("for Linux"));
    for (QDialog* dlg : {static_cast<QDialog*>(&message), static_cast<QDialog*>(&about)}) {
      for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        Open(*dlg);
        QTest::keyClick(dlg, key);
        QCOMPARE(dlg->result(), kResultOk);
      }
    }
    Open(message);
    Click(message, "btn_ok");
    QCOMPARE(message.result(), kResultOk);
    Open(about);
    QTest::mouseClick(Child<QLabel>(about, "lblOS"), Qt::LeftButton);
    QCOMPARE(about.result(), kResultOk);
    // ShowMessageDialog is modal and returns once the message is closed.
    ModalWatch watch;
    ShowMessageDialog(QStringLiteral("first line\rsecond line"), main_);
    QCOMPARE(watch.messages, QStringList{"first line\nsecond line"});
  }

  // A long message is shown whole in a taller dialog, above its button; only one taller than
  // most of the screen scrolls.
  void LongMessagesShowWhole() {
    const QString line = QStringLiteral("The index was refused: this folder held another hardened vault.\r");
    const int screen = QGuiApplication::primaryScreen()->availableGeometry().height();
    for (const auto& [lines, scrolls] : {std::pair{1, false}, {4, false}, {400, true}}) {
      FrmMessage message(main_);
      message.SetMessage(line.repeated(lines));
      Open(message);
      const auto* area = Child<QScrollArea>(message, "scrMessage");
      const auto* text = Child<QLabel>(message, "lblMessage");
      QCOMPARE(area->verticalScrollBar()->isVisible(), scrolls);
      if (!scrolls) QVERIFY(text->height() <= area->viewport()->height());
      QVERIFY(message.height() <= std::max(100, int(screen * 0.7) + 1));
      QVERIFY(area->geometry().bottom() < Child<QWidget>(message, "btn_ok")->y());
      QCOMPARE(message.mask().boundingRect().height(), message.height());
      if (lines == 4) QVERIFY(message.grab().save(kestramo::testing::ShotsDir() + "/message-long.png"));
      message.done(kResultOk);
    }
  }

  // Every label of the dialogs shows its whole text, inside the dialog and clear of its buttons,
  // with the longest texts the program gives them (run at scales 1, 1.5 and 2).
  void EveryTextShowsWhole() {
    FrmLogin login(main_);
    login.SetPassphraseCheck([](const std::string&) { return true; }, 64);
    FrmPassword password(main_);
    password.SetPassphrase(true);
    FrmConfirm harden(main_);
    harden.SetQuestion(
        "Hardening also re-seals 12 item files that no record lists into the box \"Recovered\", and removes 3 "
        "other files the classic format left (index copies, scratch files). Go on?");
    FrmConfirm remove(main_);
    remove.SetQuestion(DeleteBoxQuestion("Letters and scans of the year 2026 from the bank", 32));
    FrmLogin current(main_);
    current.SetPassphraseCheck([](const std::string&) { return true; }, 64, "Current passphrase:");
    for (QDialog* dialog : std::initializer_list<QDialog*>{&login, &password, &harden, &remove, &current}) {
      Open(*dialog);
      const QList<RegionButton*> buttons = dialog->findChildren<RegionButton*>();
      for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty()) continue;
        const QString what = dialog->objectName() + ": " + label->text();
        const QRect r = label->geometry();
        QVERIFY2(dialog->rect().contains(r), qPrintable(what));
        if (label->wordWrap()) {
          QVERIFY2(label->heightForWidth(r.width()) <= r.height(), qPrintable(what));
        } else {
          QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= r.width(), qPrintable(what));
        }
        for (const RegionButton* button : buttons)
          QVERIFY2(!r.intersects(button->geometry()), qPrintable(what + " runs into a button"));
      }
      if (dialog == &harden) QVERIFY(dialog->grab().save(kestramo::testing::ShotsDir() + "/confirm-long.png"));
      dialog->done(kResultCancel);
    }
  }

  void CommentAcceptsAnyTextButNone() {
    ModalWatch watch;
    FrmComment dlg(main_);
    auto* memo = Child<QPlainTextEdit>(dlg, "edtComment");
    Open(dlg);
    Click(dlg, "btn_ok");
    QCOMPARE(LastMessage(watch), QStringLiteral("Please input the comment."));
    QCOMPARE(dlg.focusWidget(), memo);
    QTest::keyClick(memo, Qt::Key_Return);  // a new line, and a lone line break is a comment
    QVERIFY(dlg.isVisible());
    Click(dlg, "btn_ok");
    QCOMPARE(dlg.result(), kResultOk);
    QCOMPARE(dlg.Comment(), QStringLiteral("\r\n"));
    dlg.SetComment("two\r\nlines");
    Open(dlg);
    QCOMPARE(memo->toPlainText(), QStringLiteral("two\nlines"));
    QTest::keyClick(memo, Qt::Key_Escape);
    QCOMPARE(dlg.result(), kResultCancel);
  }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"

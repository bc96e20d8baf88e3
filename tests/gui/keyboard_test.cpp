// SPDX-License-Identifier: GPL-3.0-or-later
// Every command of the safe from the keyboard: its shortcut, Tab to its button and Space,
// and the arrows through a box's items.
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

#include "dialog_script.h"
#include "dialogs/frm_login.h"
#include "dialogs/frm_message.h"
#include "dialogs/frm_password.h"
#include "main_window_pointer.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/scene_layers.h"
#include "vault_fixture.h"

using namespace kestramo;
using namespace kestramo::testing;

namespace {

struct Press {
  Qt::Key key;
  Qt::KeyboardModifiers mods = Qt::NoModifier;
};

// Presses keys on the safe; the first window of class `expected` that comes up in front (a
// dialog, or a menu) is recorded and closed with Esc. Messages are closed and recorded.
struct Opened {
  QString cls;
  QStringList messages;
};
Opened OpenedBy(FrmMain& w, const QList<Press>& keys, const char* expected) {
  Opened seen;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* top =
        QApplication::activePopupWidget() ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
    if (!top || !top->isVisible()) return;
    if (auto* message = qobject_cast<FrmMessage*>(top)) {
      seen.messages << message->Message();
      message->done(1);
    } else if (seen.cls.isEmpty() && QString::fromLatin1(top->metaObject()->className()).endsWith(expected)) {
      seen.cls = QString::fromLatin1(expected);
      QTest::keyClick(top, Qt::Key_Escape);
    }
  });
  poll.start();
  for (const Press& p : keys) QTest::keyClick(&w, p.key, p.mods);
  if (!QTest::qWaitFor([] { return !QApplication::activeModalWidget() && !QApplication::activePopupWidget(); }, 10000))
    seen.cls = QStringLiteral("(left open)");
  QTest::qWait(20);
  return seen;
}

struct Safe {
  Safe() {
    vault.Fill({"Work", "Home", "Misc"}, 6);
    w = std::make_unique<FrmMain>(vault.Base());
    w->show();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
  }
  BoxView& Box(int n) { return w->Views().Boxes[static_cast<std::size_t>(n)]; }
  std::vector<int> Chosen(int box) {
    std::vector<int> rows;
    for (std::size_t n = 0; n < Box(box).Selected.size(); ++n)
      if (Box(box).Selected[n]) rows.push_back(static_cast<int>(n));
    return rows;
  }
  void Keys(const QList<Press>& keys) {
    for (const Press& p : keys) {
      QTest::keyClick(w.get(), p.key, p.mods);
      QTRY_VERIFY_WITH_TIMEOUT(!w->DoorsMoving(), 10000);
    }
  }
  VaultFixture vault;
  std::unique_ptr<FrmMain> w;
};

constexpr auto Ctrl = Qt::ControlModifier;
const Qt::KeyboardModifiers CtrlShift = Qt::ControlModifier | Qt::ShiftModifier;

}  // namespace

class KeyboardTest : public QObject {
  Q_OBJECT

 private slots:

  // Each command's shortcut opens what its button opens.
  void shortcutsRunEveryCommand() {
    Safe s;
    s.Keys({{Qt::Key_D, CtrlShift}, {Qt::Key_D, Ctrl}});  // the safe's doors, then the box's
    QVERIFY(s.Box(0).DoorsOpen);
    bool folderMode = false;
    int chooserCalls = 0;
    s.w->ChooseFiles = [&] {
      ++chooserCalls;
      return QStringList();
    };
    s.w->ChooseDirectory = [&](const QString&, bool addFolder) {
      ++chooserCalls;
      folderMode = addFolder;
      return QString();
    };
    const struct {
      QList<Press> keys;
      const char* opens;
    } cases[] = {
        {{{Qt::Key_N, Ctrl}}, "FrmNew"},
        {{{Qt::Key_F2}}, "FrmNew"},
        {{{Qt::Key_Delete, Ctrl}}, "FrmConfirm"},
        {{{Qt::Key_Down}, {Qt::Key_Delete}}, "FrmConfirm"},
        {{{Qt::Key_M, Ctrl}}, "FrmComment"},
        {{{Qt::Key_F, Ctrl}}, "FrmFind"},
        {{{Qt::Key_P, Ctrl}}, "FrmPassword"},
        {{{Qt::Key_H, CtrlShift}}, "FrmHarden"},
        {{{Qt::Key_Tab}, {Qt::Key_Tab}, {Qt::Key_Tab}, {Qt::Key_Tab}, {Qt::Key_Space}}, "QMenu"},  // the key button
    };
    for (const auto& c : cases) QCOMPARE(OpenedBy(*s.w, c.keys, c.opens).cls, QString::fromLatin1(c.opens));
    const Opened check = OpenedBy(*s.w, {{Qt::Key_K, CtrlShift}}, "none");
    QVERIFY2(check.messages.value(0).contains("18 items"), qPrintable(check.messages.join('|')));
    for (const auto& [keys, folder] : std::vector<std::pair<QList<Press>, bool>>{
             {{{Qt::Key_O, Ctrl}}, false}, {{{Qt::Key_O, CtrlShift}}, true}, {{{Qt::Key_E, Ctrl}}, false}}) {
      const int before = chooserCalls;
      OpenedBy(*s.w, keys, "none");
      QCOMPARE(chooserCalls, before + 1);
      QCOMPARE(folderMode, folder);
    }
    s.Keys({{Qt::Key_L, Ctrl}});
    QVERIFY(s.Box(0).LightOn);
    s.Keys({{Qt::Key_D, Ctrl}});
    QVERIFY(!s.Box(0).DoorsOpen);
  }

  // A hardened vault's passphrase changes only after the current one: a wrong one is refused
  // and the new one never asked for.
  void passphraseChangeAsksTheCurrentOneFirst() {
    VaultFixture vault;
    vault.Fill({"Work"}, 1);
    QCOMPARE(vault.Harden("correct horse"), std::string());
    const auto typed = [](const char* text) {
      return [text](FrmLogin* d) {
        auto* field = d->findChild<QLineEdit*>("edtPassword");
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
      };
    };
    DialogScript start;
    start.Then<FrmLogin>(typed("correct horse"));
    FrmMain w(vault.Base());
    QVERIFY(start.Done());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QStringList prompts;
    DialogScript script;
    script.Then<FrmLogin>([&](FrmLogin* d) {
      prompts << d->findChild<QLabel*>()->text();
      typed("wrong horse")(d);
    });
    script.Then<FrmLogin>([](FrmLogin* d) { QTest::keyClick(d, Qt::Key_Escape); });
    QTest::keyClick(&w, Qt::Key_P, Qt::ControlModifier);
    QTRY_VERIFY(script.Done());
    QCOMPARE(prompts, QStringList{"Current passphrase:"});
    QCOMPARE(script.messages, QStringList{"The passphrase is wrong, or the vault's index is damaged."});
    DialogScript right;
    bool asked = false;
    right.Then<FrmLogin>(typed("correct horse")).Then<FrmPassword>([&](FrmPassword* d) {
      asked = true;
      QTest::keyClick(d, Qt::Key_Escape);
    });
    QTest::keyClick(&w, Qt::Key_P, Qt::ControlModifier);
    QTRY_VERIFY(right.Done());
    QVERIFY(asked);
  }

  // Tab walks the safe's parts in reading order and a ring shows where it is; Shift+Tab goes
  // back; Space presses the part as a click does.
  void tabWalksTheSafeAndSpacePresses() {
    Safe s;
    QList<int> walked;
    for (int n = 0; n < 12; ++n) {
      QTest::keyClick(s.w.get(), Qt::Key_Tab);
      walked << s.w->FocusLayer();
    }
    // Shut, the safe offers its top row and its handle.
    QCOMPARE(walked.mid(0, 9),
             (QList<int>{layer::kNewBox, layer::kDeleteBox, layer::kFind, layer::kKeyButton, layer::kHelp,
                         layer::kAbout, layer::kMinimise, layer::kExit, layer::kBigHandle}));
    QCOMPARE(walked[9], layer::kNewBox);
    const QRectF handle = s.w->Image().Layer(s.w->FocusLayer())->Location();
    const QImage shown = s.w->grab().toImage();
    const QPoint ringAt = (QPointF(handle.center().x(), handle.top() - 3) * shown.devicePixelRatio()).toPoint();
    const QColor ring(shown.pixel(ringAt));
    QVERIFY2(ring.red() > 200 && ring.green() > 160 && ring.blue() < 150, qPrintable(ring.name()));
    for (int n = 0; n < 3; ++n) QTest::keyClick(s.w.get(), Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(s.w->FocusLayer(), layer::kBigHandle);
    s.Keys({{Qt::Key_Space}});  // the doors open: the panels' parts join the walk
    walked.clear();
    for (int n = 0; n < 16; ++n) {
      QTest::keyClick(s.w.get(), Qt::Key_Tab);
      walked << s.w->FocusLayer();
    }
    // From the big handle, now at the right edge, on to the box's handle below it, round the
    // top row, then the box's light switch and buttons.
    QCOMPARE(walked.first(), layer::kHandle);
    QCOMPARE(walked.mid(9), (QList<int>{layer::kLightSwitch, layer::kAddFiles, layer::kAddFolder, layer::kExtract,
                                        layer::kDeleteItems, layer::kComment, layer::kBigHandle}));
    QCOMPARE(OpenedBy(*s.w, {{Qt::Key_Tab, Qt::ShiftModifier}, {Qt::Key_Return}}, "FrmComment").cls,
             QString());  // nothing chosen: the message says so instead
  }

  // The arrows, pages, Home and End choose items (Shift extends), scrolling them into sight;
  // Ctrl+Page Down and Up move between boxes.
  void arrowsChooseItemsAndBoxes() {
    Safe s;
    const struct {
      QList<Press> keys;
      std::vector<int> chosen;
      int selectedBox;
    } steps[] = {
        {{{Qt::Key_Down}}, {0}, 0},
        {{{Qt::Key_Down}, {Qt::Key_Down}}, {2}, 0},
        {{{Qt::Key_Down, Qt::ShiftModifier}}, {2, 3}, 0},
        {{{Qt::Key_End}}, {5}, 0},
        {{{Qt::Key_PageUp}}, {1}, 0},
        {{{Qt::Key_Home}, {Qt::Key_PageDown, Qt::ShiftModifier}}, {0, 1, 2, 3, 4}, 0},
        {{{Qt::Key_PageDown, Ctrl}, {Qt::Key_PageDown, Ctrl}, {Qt::Key_Up}}, {0}, 2},
        {{{Qt::Key_PageUp, Ctrl}}, {}, 1},
    };
    for (const auto& step : steps) {
      s.Keys(step.keys);
      QCOMPARE(s.w->Views().SelectedBox, step.selectedBox);
      if (!step.chosen.empty()) QCOMPARE(s.Chosen(step.selectedBox), step.chosen);
      const BoxView& box = s.Box(step.selectedBox);
      if (!step.chosen.empty()) QVERIFY(box.FirstRow <= step.chosen.back() && step.chosen.back() < box.FirstRow + 4);
      QVERIFY(s.w->Views().TopBox <= step.selectedBox && step.selectedBox <= s.w->Views().TopBox + 1);
    }
  }
};

QTEST_MAIN(KeyboardTest)
#include "keyboard_test.moc"

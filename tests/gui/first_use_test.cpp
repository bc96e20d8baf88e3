// SPDX-License-Identifier: GPL-3.0-or-later
// What a newcomer meets with the pointer alone: the empty safe's hint, add buttons that say
// why they cannot work yet, the help button on a desktop without a browser, and files
// dropped from a file manager onto a box.
#include <QDialog>
#include <QMimeData>
#include <QtTest>

#include "dialog_script.h"
#include "dialogs/frm_login.h"
#include "main_window_pointer.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/scene_layers.h"
#include "modal_watch.h"
#include "platform/resource_library.h"
#include "skin_session.h"
#include "storage/vault/vault_hardening.h"
#include "test_files.h"
#include "vault_fixture.h"

using namespace kestramo;
using namespace kestramo::testing;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Names(const ItemTable& t) {
  std::vector<std::string> names;
  for (const ItemRecord& r : t.AllRecords()) names.push_back(r[static_cast<std::size_t>(ItemField::Name)].AsString());
  return names;
}

QMimeData* FileDrag(const std::vector<fs::path>& paths) {
  auto* data = new QMimeData;
  QList<QUrl> urls;
  for (const fs::path& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p.string()));
  data->setUrls(urls);
  return data;
}

// Hands a drag event to the window itself. The application would pass moves and drops only
// to a target its own drag machinery chose, which the offscreen platform has none of; the
// real window system's path is taken by the test under the X server.
void Deliver(FrmMain& w, QEvent* event) { static_cast<QObject&>(w).event(event); }

// A drag from a file manager that enters the window, moves to `at` and drops there when
// `drop`; true when the window accepted the last step.
bool DragOnto(FrmMain& w, QMimeData* data, QPoint at, bool drop) {
  const std::unique_ptr<QMimeData> owned(data);
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
  Deliver(w, &enter);
  QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
  Deliver(w, &move);
  if (!drop) return move.isAccepted();
  QDropEvent dropped(QPointF(at), Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
  Deliver(w, &dropped);
  return dropped.isAccepted() && dropped.dropAction() == Qt::CopyAction;
}

QWidget* HelpWindow() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->windowTitle() == QStringLiteral("KESTRAMO Help")) return w;
  }
  return nullptr;
}

}  // namespace

class FirstUseTest : public QObject {
  Q_OBJECT

 private slots:
  void theEmptySafeSaysWhatToDo() {
    VaultFixture vault;
    FrmMain w(vault.Base());
    w.show();
    // The closed safe says how to begin, on its left door; opening it takes the plate away.
    // The plate's letters are the panels' light yellow, which the doors' steel never is.
    auto plateShows = [&] {
      const QImage seen = w.Image().Composed();
      int letters = 0;
      for (int y = 175; y < 240; ++y)
        for (int x = 25; x < 255; ++x) {
          const QColor c(seen.pixel(x, y));
          letters += c.red() > 230 && c.green() > 230 && c.blue() < 170;
        }
      return letters > 120;
    };
    QVERIFY(plateShows());
    QVERIFY(w.Image().Composed().save(kestramo::testing::ShotsDir() + "/first-start-closed.png"));
    OpenDoors(w, layer::kBigHandle);
    QVERIFY(!plateShows());
    // The name strip of the first panel carries the hint; elsewhere it is the plain panel.
    const QImage panel = w.Image().Layer(layer::kPanel)->picture;
    const QImage plain = ResourceLibrary::Picture(QStringLiteral("sbox"));
    int changed = 0;
    for (int y = 9; y < 34; ++y)
      for (int x = 70; x < 402; ++x) changed += panel.pixel(x, y) != plain.pixel(x, y);
    QVERIFY2(changed > 200, qPrintable(QString::number(changed)));
    QCOMPARE(panel.copy(0, 60, 474, 291), plain.copy(0, 60, 474, 291));
    QVERIFY(w.Image().Composed().save(kestramo::testing::ShotsDir() + "/first-start.png"));
    // The add buttons refuse with a word instead of doing nothing.
    ModalWatch watch;
    for (int button : {6, 7}) {
      ClickLayer(w, button);
      QTRY_COMPARE(watch.messages.size(), button - 5);
      QVERIFY(watch.messages.last().contains(QStringLiteral("Make one first")));
    }
  }

  // A box without items says in its list how things come into it; the hint goes with the
  // first item.
  void anEmptyBoxSaysHowToAdd() {
    VaultFixture vault;
    vault.Fill({"Work"}, 0);
    testing::WriteFile(vault.dir / "in" / "a.txt", "alpha");
    FrmMain w(vault.Base());
    w.show();
    OpenDoors(w, layer::kBigHandle);
    OpenDoors(w, layer::kHandle);
    const QImage plain = ResourceLibrary::Picture(QStringLiteral("sbox")).copy(17, 60, 395, 277);
    auto list = [&] { return w.Image().Layer(layer::kPanel)->picture.copy(17, 60, 395, 277); };
    QVERIFY(list() != plain);
    QVERIFY(w.Image().Composed().save(kestramo::testing::ShotsDir() + "/empty-box.png"));
    w.ChooseFiles = [&] { return QStringList{QString::fromStdString((vault.dir / "in" / "a.txt").string())}; };
    ClickLayer(w, layer::kAddFiles);
    QTRY_COMPARE(w.Views().Boxes[0].ItemCount(), 1);
    QCOMPARE(list().copy(0, 100, 395, 177), plain.copy(0, 100, 395, 177));  // below the one row: plain
  }

  void helpShowsTheManualWhereTheDesktopHasNoBrowser() {
    VaultFixture vault;
    const QByteArray path = qgetenv("PATH"), browser = qgetenv("BROWSER");
    qputenv("PATH", QByteArray::fromStdString((vault.dir / "no-programs").string()));
    qunsetenv("BROWSER");
    FrmMain w(vault.Base());
    w.show();
    ClickLayer(w, 32);
    QTRY_VERIFY(HelpWindow());
    qputenv("PATH", path);
    if (!browser.isEmpty()) qputenv("BROWSER", browser);
    HelpWindow()->close();
  }

  void filesDroppedOnABoxBecomeItsItems() {
    VaultFixture vault;
    vault.Fill({"Work", "Home"}, 0);
    WriteFile(vault.dir / "in/one.txt", "one");
    WriteFile(vault.dir / "in/sub/two.txt", "two");
    FrmMain w(vault.Base());
    w.show();
    const QPoint onPanel = (w.Image().Layer(layer::kPanel)->pos + QPointF(200, 150)).toPoint();
    // The big doors shut: nothing can be dropped, and a drop adds nothing.
    QVERIFY(!DragOnto(w, FileDrag({vault.dir / "in/one.txt"}), onPanel, false));
    QVERIFY(!DragOnto(w, FileDrag({vault.dir / "in/one.txt"}), onPanel, true));
    OpenDoors(w, layer::kBigHandle);
    // Not a local file, or a point off the panels (the row of buttons): refused.
    auto* web = new QMimeData;
    web->setUrls({QUrl("https://example.org/a.txt")});
    QVERIFY(!DragOnto(w, web, onPanel, false));
    QVERIFY(!DragOnto(w, FileDrag({vault.dir / "in/one.txt"}), QPoint(300, 20), false));
    // Over a panel the drag is taken; the panel's light and framed name show where it goes.
    const QImage idle = w.Image().Layer(layer::kPanel)->picture.copy();
    QVERIFY(DragOnto(w, FileDrag({vault.dir / "in/one.txt"}), onPanel, false));
    QVERIFY(w.Image().Layer(layer::kLight)->visible);
    QVERIFY(w.Image().Layer(layer::kPanel)->picture != idle);
    QVERIFY(w.Image().Composed().save(kestramo::testing::ShotsDir() + "/drop-in-progress.png"));
    QDragLeaveEvent leave;
    Deliver(w, &leave);
    QVERIFY(!w.Image().Layer(layer::kLight)->visible);
    QCOMPARE(w.Image().Layer(layer::kPanel)->picture, idle);
    QVERIFY(std::filesystem::is_empty(LayoutOf(w.GetVault()).TempDir()));
    QCOMPARE(Names(SavedTable(w.GetVault())).size(), std::size_t(2));  // nothing added so far

    // A file and a folder dropped go into the box under the pointer, one item each, in order.
    const int box = w.Views().TopBox;
    const std::string key = w.Views().Boxes[static_cast<std::size_t>(box)].Key;
    QVERIFY(DragOnto(w, FileDrag({vault.dir / "in/sub", vault.dir / "in/one.txt"}), onPanel, true));
    QTRY_COMPARE(Names(SavedTable(w.GetVault())), (std::vector<std::string>{"", "", "sub", "one.txt"}));
    QCOMPARE(w.Views().SelectedBox, box);
    QCOMPARE(w.Views().Boxes[static_cast<std::size_t>(box)].ItemCount(), 2);
    const ItemTable saved = SavedTable(w.GetVault());
    for (const ItemRecord& r : saved.AllRecords()) {
      if (!r[static_cast<std::size_t>(ItemField::Name)].AsString().empty())
        QCOMPARE(r[static_cast<std::size_t>(ItemField::Box)].AsString(), key);
    }
    QVERIFY(fs::exists(vault.dir / "in/one.txt"));  // the source stays where it was
  }

  // A hardened vault cannot be read without its passphrase: the window asks for it before
  // anything shows, lets a wrong one be typed again, and leaves when the user gives up.
  void aHardenedVaultAsksItsPassphraseFirst() {
    VaultFixture vault;
    vault.Fill({"Work"}, 1);
    QCOMPARE(vault.Harden("correct horse"), std::string());
    for (const bool giveUp : {false, true}) {
      DialogScript script;
      auto typeAndConfirm = [](const QString& typed) {
        return [typed](FrmLogin* d) {
          QTest::keyClick(d->findChild<QLineEdit*>("edtPassword"), Qt::Key_A, Qt::ControlModifier);
          QTest::keyClicks(d->findChild<QLineEdit*>("edtPassword"), typed);
          QTest::keyClick(d->findChild<QLineEdit*>("edtPassword"), Qt::Key_Return);
        };
      };
      script.Then<FrmLogin>(typeAndConfirm("wrong horse"));
      if (giveUp) {
        script.Then<FrmLogin>([](FrmLogin* d) { QTest::keyClick(d, Qt::Key_Escape); });
      } else {
        script.Then<FrmLogin>(typeAndConfirm("correct horse"));
      }
      FrmMain w(vault.Base());
      QVERIFY(script.Done());
      QCOMPARE(script.messages.size(), 1);  // the wrong one was refused
      QCOMPARE(w.Declined(), giveUp);
      QCOMPARE(w.Views().BoxCount(), giveUp ? 0 : 1);
    }
  }
};

QTEST_MAIN(FirstUseTest)
#include "first_use_test.moc"

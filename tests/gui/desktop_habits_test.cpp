// SPDX-License-Identifier: GPL-3.0-or-later
// What desktop users expect of the safe beyond its own buttons, by wheel, keys and menus.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolTip>
#include <QtTest>
#include <fstream>
#include <map>

#include "controls/region_button.h"
#include "dialog_script.h"
#include "dialogs/frm_comment.h"
#include "dialogs/frm_confirm.h"
#include "dialogs/frm_find.h"
#include "dialogs/frm_harden.h"
#include "dialogs/frm_note.h"
#include "dialogs/frm_overwrite.h"
#include "dialogs/frm_status.h"
#include "main_window_pointer.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/scene_layers.h"
#include "modal_watch.h"
#include "platform/raise_request.h"
#include "skin_session.h"
#include "storage/vault/item_lookup.h"
#include "test_files.h"
#include "vault_fixture.h"

using namespace kestramo;
using namespace kestramo::testing;

namespace {

QPoint Row(FrmMain& w, int n) {
  return (w.Image().Layer(layer::kPanel)->pos + QPointF(200, 60 + n * 60 + 30)).toPoint();
}

void Wheel(FrmMain& w, QPoint at, int notches) {
  QWheelEvent wheel(at, w.mapToGlobal(at), QPoint(), QPoint(0, notches * QWheelEvent::DefaultDeltasPerStep),
                    Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&w, &wheel);
}

// The safe with three boxes of six items, big doors and the first panel's doors open.
// Clicks entry `n` of the menu about to open, recording what it offered (without key hints).
void PickFromNextMenu(int n, QStringList* offered) {
  QTimer::singleShot(50, [n, offered] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    for (QAction* a : menu->actions()) *offered << a->text().section('\t', 0, 0);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().at(n)).center());
  });
}

struct OpenSafe {
  OpenSafe() {
    vault.Fill({"Work", "Home", "Misc"}, 6);
    w = std::make_unique<FrmMain>(vault.Base());
    w->show();
    OpenDoors(*w, layer::kBigHandle);
    OpenDoors(*w, layer::kHandle);
  }
  BoxView& Box(int n) { return w->Views().Boxes[static_cast<std::size_t>(n)]; }
  double Top(int number) { return w->Image().Layer(number)->pos.y(); }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    const ItemTable saved = SavedTable(w->GetVault());
    for (const ItemRecord& r : saved.AllRecords()) {
      if (const std::string n = r[static_cast<std::size_t>(ItemField::Name)].AsString(); !n.empty()) names.push_back(n);
    }
    return names;
  }

  VaultFixture vault;
  std::unique_ptr<FrmMain> w;
};

// Answers each overwrite question with the next button of `answers` by a click on it, and
// records what it said; a question beyond the list is cancelled and recorded as unexpected.
class OverwriteClicks {
 public:
  explicit OverwriteClicks(QStringList answers) : answers_(std::move(answers)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* q = qobject_cast<FrmOverwrite*>(QApplication::activeModalWidget());
      if (!q || !q->isVisible()) return;
      if (asked.isEmpty()) q->grab().save(ShotsDir() + "/overwrite.png");
      asked << q->Text();
      const QString button = answers_.isEmpty() ? QStringLiteral("cancel") : answers_.takeFirst();
      if (button == "cancel" && answers_.isEmpty() && asked.size() > total_) asked << "unexpected";
      if (button == "esc") return QTest::keyClick(q, Qt::Key_Escape);
      if (button == "close") return (void)q->windowHandle()->close();  // as the window manager closes it
      QTest::mouseClick(q->findChild<QWidget*>("btn_" + button), Qt::LeftButton, {}, QPoint(25, 7));
    });
    total_ = static_cast<int>(answers_.size());
    timer_.start();
  }
  QStringList asked;

 private:
  QStringList answers_;
  int total_ = 0;
  QTimer timer_;
};

std::string Read(const std::filesystem::path& p) {
  std::ifstream in(p);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

class DesktopHabitsTest : public QObject {
  Q_OBJECT

  TempDir temp_;

 private slots:
  void initTestCase() {
    // The settings that remember folders go to a folder of the test's own.
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((temp_ / "config").string()));
  }

  // Over a list the wheel scrolls its items and the slider follows; over the rest of the
  // box area it moves a whole box at a time.
  void theWheelScrollsItemsAndBoxes() {
    OpenSafe s;
    const QPoint list = Row(*s.w, 1);
    Wheel(*s.w, list, -1);
    QVERIFY(s.Box(0).SliderOffset > 0);
    Wheel(*s.w, list, -4);
    QCOMPARE(s.Box(0).SliderOffset, kSliderTravel);
    QCOMPARE(s.Box(0).FirstRow, 2);
    QCOMPARE(s.Top(layer::kItemSlider), s.Top(layer::kPanel) + 66 + kSliderTravel);
    QCOMPARE(s.w->Views().TopBox, 0);
    Wheel(*s.w, list, 5);
    QCOMPARE(s.Box(0).SliderOffset, 0.0f);
    QCOMPARE(s.Top(layer::kItemSlider), s.Top(layer::kPanel) + 66);

    const QPoint header = (s.w->Image().Layer(layer::kPanel)->pos + QPointF(30, 45)).toPoint();
    for (const int expected : {1, 2, 2}) {
      Wheel(*s.w, header, -1);
      QCOMPARE(s.w->Views().TopBox, expected);
      QCOMPARE(s.Top(layer::kPanel), 60.0);  // each box stands at its home
    }
    QCOMPARE(s.Top(layer::kBigSlider), 356.0);
    Wheel(*s.w, Center(*s.w, layer::kBigSlider), 1);
    QCOMPARE(s.w->Views().TopBox, 1);
    QCOMPARE(s.Top(layer::kBigSlider), 66.0 + 145);
  }

  // Delete asks the design's question; Ctrl+A chooses the whole box; Enter and a double click
  // extract; Ctrl+F finds and Esc closes the dialog on top.
  void keysAndDoubleClickRunTheCommands() {
    OpenSafe s;
    DialogScript script;
    Click(*s.w, Row(*s.w, 1));
    script.Then<FrmConfirm>([](FrmConfirm* d) {
      QCOMPARE(d->Question(), QStringLiteral("Are you sure to delete the chosen item?"));
      QTest::keyClick(d, Qt::Key_Escape);
    });
    QTest::keyClick(s.w.get(), Qt::Key_Delete);
    QTRY_VERIFY(script.Done());
    QCOMPARE(s.Box(0).ItemCount(), 6);
    script.Then<FrmConfirm>(
        [](FrmConfirm* d) { QTest::mouseClick(d->findChild<QWidget*>("btn_yes"), Qt::LeftButton, {}, QPoint(25, 7)); });
    QTest::keyClick(s.w.get(), Qt::Key_Delete);
    QTRY_VERIFY(script.Done());
    QCOMPARE(s.Box(0).ItemCount(), 5);
    const std::vector<std::string> left = s.Names();
    QVERIFY(std::find(left.begin(), left.end(), "Work file 2.txt") == left.end());

    QTest::keyClick(s.w.get(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(s.Box(0).CountSelected(), 5);
    QStringList asked;
    const QString out = QString::fromStdString((s.vault.dir / "out").string());
    std::filesystem::create_directories(s.vault.dir / "out");
    s.w->ChooseDirectory = [&](const QString& hint, bool) {
      asked << hint;
      return out;
    };
    QTest::keyClick(s.w.get(), Qt::Key_Return);
    QCOMPARE(asked.size(), 1);
    QVERIFY(std::filesystem::exists(s.vault.dir / "out" / "Work file 6.txt"));
    std::filesystem::remove_all(s.vault.dir / "out");
    std::filesystem::create_directories(s.vault.dir / "out");

    // A double click extracts the row clicked, alone.
    const QPoint row = Row(*s.w, 2);
    Click(*s.w, row);
    QTest::mouseDClick(s.w.get(), Qt::LeftButton, Qt::NoModifier, row);
    QTest::mouseRelease(s.w.get(), Qt::LeftButton, Qt::NoModifier, row);
    QCOMPARE(asked.size(), 2);
    QCOMPARE(std::distance(std::filesystem::directory_iterator(s.vault.dir / "out"), {}), 1);
    QVERIFY(std::filesystem::exists(s.vault.dir / "out" / "Work file 4.txt"));

    script.Then<FrmFind>([](FrmFind* d) { QTest::keyClick(d, Qt::Key_Escape); });
    QTest::keyClick(s.w.get(), Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(script.Done());
    QVERIFY(!QApplication::activeModalWidget());
  }

  // The key button's menu checks every item under the status dialog, and the report names
  // the damaged one alone.
  void theHealthCheckNamesTheDamagedItem() {
    OpenSafe s;
    DialogScript script;
    const std::vector<std::string> names = s.Names();
    const ItemRecord victim = SavedTable(s.w->GetVault()).AllRecords()[3];
    const auto file =
        LayoutOf(s.w->GetVault()).ItemFile(victim[static_cast<std::size_t>(ItemField::Index)].AsInteger());
    FlipBit(file, std::filesystem::file_size(file) / 2);
    QStringList offered;
    PickFromNextMenu(2, &offered);
    QTest::mouseClick(s.w.get(), Qt::RightButton, {}, Center(*s.w, layer::kKeyButton));
    QTRY_VERIFY_WITH_TIMEOUT(script.messages.size() == 1, 20000);
    const QString report = script.messages.first();
    QVERIFY2(report.startsWith(QStringLiteral("18 items checked: 1 damaged")), qPrintable(report));
    const QString damaged = QString::fromStdString(victim[static_cast<std::size_t>(ItemField::Name)].AsString());
    QVERIFY(report.contains(QStringLiteral("Damaged: \"") + damaged + QLatin1Char('"')));
    for (const std::string& name : names) {
      if (QString::fromStdString(name) != damaged)
        QVERIFY(!report.contains(QString::fromStdString(name) + QLatin1Char('"')));
    }
  }

  // A right click on the key button offers hardening: the dialog converts the vault, and the
  // menu then offers it no more.
  void theKeyMenuHardensTheVault() {
    OpenSafe s;
    DialogScript script;
    QStringList offered;
    PickFromNextMenu(1, &offered);
    script.Then<FrmHarden>([](FrmHarden* d) {
      for (const char* field : {"edtPassphrase", "edtConfirm"}) {
        QTest::keyClicks(d->findChild<QWidget*>(field), "four unrelated words here");
      }
      QTest::mouseClick(d->findChild<QWidget*>("btn_ok"), Qt::LeftButton, {}, QPoint(25, 7));
    });
    QTest::mouseClick(s.w.get(), Qt::RightButton, {}, Center(*s.w, layer::kKeyButton));
    QTRY_VERIFY_WITH_TIMEOUT(script.Done() && !script.messages.isEmpty(), 20000);
    QCOMPARE(offered, (QStringList{"Change the password…", "Harden the vault…", "Check every item…"}));
    QVERIFY(s.w->GetVault().VaultFormat() == api::Format::Hardened);
    QVERIFY(script.messages.last().startsWith(QStringLiteral("The vault is hardened.")));
    Vault reopened(s.vault.Base());
    reopened.OfferPassphrase("four unrelated words here");
    QCOMPARE(static_cast<int>(reopened.LoadIndex().outcome), static_cast<int>(IndexLoadReport::Outcome::Loaded));
    std::vector<api::ItemInfo> shown;
    QVERIFY(s.w->GetVault().Items({}, &shown).ok());
    const auto& records = reopened.Items().AllRecords();
    QCOMPARE(static_cast<std::size_t>(std::count_if(
                 records.begin(), records.end(),
                 [](const ItemRecord& r) { return !r[static_cast<std::size_t>(ItemField::Name)].IsNull(); })),
             shown.size());
  }

  // A right click on an item offers its commands; the choice acts on the item clicked.
  void theItemMenuOffersExtractDeleteAndComment() {
    OpenSafe s;
    DialogScript script;
    QStringList offered;
    PickFromNextMenu(2, &offered);
    QString named;
    script.Then<FrmComment>([&](FrmComment* d) {
      named = d->ItemName();
      QTest::keyClicks(d->findChild<QWidget*>("edtComment"), "tax papers");
      QTest::mouseClick(d->findChild<QWidget*>("btn_ok"), Qt::LeftButton, {}, QPoint(25, 7));
    });
    QTest::mouseClick(s.w.get(), Qt::RightButton, {}, Row(*s.w, 3));
    QTRY_VERIFY(script.Done());
    QCOMPARE(offered, (QStringList{"Extract…", "Delete", "Comment…"}));
    QVERIFY(s.Box(0).Selected[3]);
    ItemTable items = SavedTable(s.w->GetVault());
    QVERIFY(MoveToItem(items, s.Box(0).ItemIndex[3]));
    QCOMPARE(QString::fromStdString(items.Field(ItemField::Comment).AsString()), QStringLiteral("tax papers"));
    QCOMPARE(named, QStringLiteral("Work file 4.txt"));
    // The commented item carries a mark at its top right, and its tooltip shows the comment.
    const QImage panel = s.w->Image().Layer(layer::kPanel)->picture;
    auto mark = [&](int row) { return QColor(panel.pixel(397, 60 + row * 60 + 6)); };
    QVERIFY(mark(3) != mark(2));
    QTest::mouseMove(s.w.get(), Row(*s.w, 3));
    QTRY_VERIFY(QToolTip::isVisible() && QToolTip::text() == QStringLiteral("Work file 4.txt\n\ntax papers"));
    QVERIFY(s.w->Image().Composed().save(ShotsDir() + "/comment-mark.png"));
  }

  // After an add the list ends on the new item, whole, and the row just below the buttons is
  // the same from its top line to its bottom line: no row lies half under them.
  void anAddShowsWholeRows() {
    OpenSafe s;
    std::ofstream(s.vault.dir / "new.txt") << "new";
    s.w->ChooseFiles = [&] { return QStringList{QString::fromStdString((s.vault.dir / "new.txt").string())}; };
    ClickLayer(*s.w, layer::kAddFiles);
    s.w->findChild<FrmNote*>()->hide();
    const SceneLayer* button = s.w->Image().Layer(layer::kAddFiles);
    const int listTop = static_cast<int>(s.Top(layer::kPanel)) + 60;
    QVERIFY(button->Location().bottom() <= listTop);  // the buttons above the list end where it starts
    auto chosenAt = [&](int y) {
      Click(*s.w, QPoint(Row(*s.w, 0).x(), y));
      const auto& chosen = s.Box(0).Selected;
      return s.Box(0).CountSelected() == 1
                 ? static_cast<int>(std::find(chosen.begin(), chosen.end(), 1) - chosen.begin())
                 : -1;
    };
    for (const int notches : {0, 1}) {  // as the add left it, and a wheel notch up
      Wheel(*s.w, Row(*s.w, 1), notches);
      QVERIFY(chosenAt(listTop) >= 0);
      QCOMPARE(chosenAt(listTop + 59), chosenAt(listTop));
    }
    Wheel(*s.w, Row(*s.w, 1), -1);
    int whole = 0;
    for (int top = listTop; top + 60 <= listTop + 277; top += 60)
      whole += chosenAt(top) == 6 && chosenAt(top + 59) == 6;
    QCOMPARE(whole, 1);
  }

  // Extracting over files that exist asks about each with the path and both copies' size and
  // date; "to all" answers hold for the rest of the command and Cancel stops it.
  void theOverwriteQuestionNamesBothCopiesAndAnswersForAll() {
    OpenSafe s;
    const std::filesystem::path out = s.vault.dir / "out";
    std::filesystem::create_directories(out);
    s.w->ChooseDirectory = [&](const QString&, bool) { return QString::fromStdString(out.string()); };
    Click(*s.w, Row(*s.w, 0));
    Click(*s.w, Row(*s.w, 1), Qt::ControlModifier);
    QTest::keyClick(s.w.get(), Qt::Key_Return);
    const std::string first = Read(out / "Work file 1.txt"), second = Read(out / "Work file 2.txt");
    auto edit = [&] {
      for (const char* f : {"Work file 1.txt", "Work file 2.txt"}) std::ofstream(out / f, std::ios::trunc) << "edited";
    };
    // The note counts what was written: a kept file is no extraction, and a question closed
    // without an answer (Esc, or by the window manager) stops as Cancel does, and says so.
    struct Round {
      QStringList answers;
      int asked;
      std::string one, two;
      QString note;
    };
    const QString to = QStringLiteral(" extracted to %1.").arg(ShortFolder(QString::fromStdString(out.string())));
    for (const Round& r : {
             Round{{"yes", "no"}, 2, first, "edited", "1 of 2 items" + to + " 1 existing file was kept."},
             Round{{"yesall"}, 1, first, second, "2 items" + to},
             Round{{"noall"}, 1, "edited", "edited", "Nothing was extracted. 2 existing files were kept."},
             Round{{"no", "cancel"},
                   2,
                   "edited",
                   "edited",
                   "Cancelled: nothing was extracted. 2 existing files were kept."},
             Round{{"esc"}, 1, "edited", "edited", "Cancelled: nothing was extracted. 1 existing file was kept."},
             Round{{"close"}, 1, "edited", "edited", "Cancelled: nothing was extracted. 1 existing file was kept."},
         }) {
      edit();
      OverwriteClicks clicks(r.answers);
      QTest::keyClick(s.w.get(), Qt::Key_Return);
      QCOMPARE(s.w->findChild<FrmNote*>()->Note(), r.note);
      QCOMPARE(clicks.asked.size(), r.asked);
      // Both copies dated as the list dates items.
      static const QRegularExpression kListDate(
          R"(On disk: 6 bytes, \d{1,2}/\d{1,2}/\d\d \d{1,2}:\d\d [AP]M\n)"
          R"(In the item: [\d,.]+ bytes, \d{1,2}/\d{1,2}/\d\d( \d{1,2}:\d\d [AP]M)?$)");
      QVERIFY2(kListDate.match(clicks.asked[0]).hasMatch(), qPrintable(clicks.asked[0]));
      QVERIFY2(clicks.asked[0].contains("Work file 1.txt") && clicks.asked[0].contains("On disk: 6 bytes") &&
                   clicks.asked[0].contains(QStringLiteral("In the item: %L1 bytes").arg(first.size())),
               qPrintable(clicks.asked[0]));
      QCOMPARE(Read(out / "Work file 1.txt"), r.one);
      QCOMPARE(Read(out / "Work file 2.txt"), r.two);
    }
  }

  // A file that cannot be added is named with the reason, in a message that waits to be read.
  void whatCannotBeAddedIsNamedWithItsReason() {
    OpenSafe s;
    std::ofstream(s.vault.dir / "empty.txt").close();
    std::ofstream(s.vault.dir / "full.txt") << "full";
    s.w->ChooseFiles = [&] {
      return QStringList{QString::fromStdString((s.vault.dir / "empty.txt").string()),
                         QString::fromStdString((s.vault.dir / "full.txt").string())};
    };
    DialogScript script;
    QTest::keyClick(s.w.get(), Qt::Key_O, Qt::ControlModifier);
    QTRY_COMPARE(script.messages,
                 QStringList{"1 of 2 items added to Work.\nempty.txt was not added: it holds no data."});
  }

  // A shut door answers as its handle: the wheel over it moves between boxes, a click on it or
  // on the big doors' latch bar opens it.
  void shutDoorsTurnTheWheelAndOpenOnAClick() {
    OpenSafe s;
    OpenDoors(*s.w, layer::kHandle);  // shut again
    QVERIFY(!s.Box(0).DoorsOpen);
    Wheel(*s.w, Center(*s.w, layer::kLeftDoor), -1);
    QCOMPARE(s.w->Views().TopBox, 1);
    Wheel(*s.w, Center(*s.w, layer::kRightDoor), 1);
    QCOMPARE(s.w->Views().TopBox, 0);
    OpenDoors(*s.w, layer::kLeftDoor);
    QVERIFY(s.Box(0).DoorsOpen);
    OpenDoors(*s.w, layer::kBigHandle);  // the safe shut
    const double shutAt = s.w->Image().Layer(layer::kBigRightDoor)->pos.x();
    Click(*s.w, QPoint(265, 120));  // the latch bar, above the handle
    QTRY_VERIFY_WITH_TIMEOUT(!s.w->DoorsMoving(), 10000);
    QVERIFY(s.w->Image().Layer(layer::kBigRightDoor)->pos.x() > shutAt);
  }

  // After each command a note says what happened. It stands where the status dialog's Cancel
  // was: a late click meant for Cancel closes the note and changes nothing beneath.
  void notesSayWhatHappenedAndCatchLateClicks() {
    OpenSafe s;
    auto* note = s.w->findChild<FrmNote*>();
    auto* status = s.w->findChild<FrmStatus*>();
    for (const char* f : {"x.txt", "y.txt"}) std::ofstream(s.vault.dir / f) << f;
    s.w->ChooseFiles = [&] {
      return QStringList{QString::fromStdString((s.vault.dir / "x.txt").string()),
                         QString::fromStdString((s.vault.dir / "y.txt").string())};
    };
    ClickLayer(*s.w, layer::kAddFiles);
    QVERIFY(note->isVisible());
    QCOMPARE(note->Note(), QStringLiteral("2 items added to Work."));
    QVERIFY(note->grab().save(ShotsDir() + "/note.png"));
    const QPoint cancel = status->CancelButton()->mapToGlobal(status->CancelButton()->rect().center());
    QVERIFY(note->frameGeometry().contains(cancel));
    // Delivered to the safe (the window system chose it before the note was up): swallowed.
    const int selected = s.Box(0).CountSelected();
    QTest::mouseClick(s.w.get(), Qt::LeftButton, {}, s.w->mapFromGlobal(cancel));
    QVERIFY(!note->isVisible());
    QCOMPARE(s.Box(0).CountSelected(), selected);

    const std::filesystem::path out = s.vault.dir / "out";
    std::filesystem::create_directories(out);
    s.w->ChooseDirectory = [&](const QString&, bool) { return QString::fromStdString(out.string()); };
    Click(*s.w, Row(*s.w, 0));
    QTest::keyClick(s.w.get(), Qt::Key_Return);
    QCOMPARE(note->Note(),
             QStringLiteral("1 item extracted to %1.").arg(ShortFolder(QString::fromStdString(out.string()))));
    // Delivered to the note, the window on top there: it closes.
    QCOMPARE(QApplication::widgetAt(cancel)->window(), note);
    QTest::mouseClick(QApplication::widgetAt(cancel), Qt::LeftButton, {},
                      QApplication::widgetAt(cancel)->mapFromGlobal(cancel));
    QVERIFY(!note->isVisible());
    {
      OverwriteClicks clicks({"cancel"});
      QTest::keyClick(s.w.get(), Qt::Key_Return);
    }
    QCOMPARE(note->Note(), QStringLiteral("Cancelled: nothing was extracted. 1 existing file was kept."));
    note->hide();
    DialogScript script;
    script.Then<FrmConfirm>(
        [](FrmConfirm* d) { QTest::mouseClick(d->findChild<QWidget*>("btn_yes"), Qt::LeftButton, {}, QPoint(25, 7)); });
    QTest::keyClick(s.w.get(), Qt::Key_Delete);
    QTRY_VERIFY(script.Done());
    QCOMPARE(note->Note(), QStringLiteral("1 item deleted from Work."));
  }

  // While several items go in, the status dialog tells which one of how many and how far
  // through all of them the work is, by percent and by megabytes.
  void theStatusDialogShowsTheWholeCommand() {
    OpenSafe s;
    QStringList paths;
    for (int n = 1; n <= 3; ++n) {
      const auto p = s.vault.dir / ("big" + std::to_string(n) + ".bin");
      std::ofstream(p) << std::string(2 << 20, static_cast<char>('a' + n));
      paths << QString::fromStdString(p.string());
    }
    s.w->ChooseFiles = [&] { return paths; };
    auto* status = s.w->findChild<FrmStatus*>();
    QStringList seen;
    ModalWatch watch;
    watch.onTick = [&] {
      if (!status->isVisible() || status->OverallText().trimmed().isEmpty()) return;
      if (seen.isEmpty()) status->grab().save(ShotsDir() + "/status-overall.png");
      if (!seen.contains(status->OverallText())) seen << status->OverallText();
    };
    ClickLayer(*s.w, layer::kAddFiles);
    for (int n = 1; n <= 3; ++n)
      QVERIFY2(seen.filter(QStringLiteral("Item %1 of 3").arg(n)).size() > 0, qPrintable(seen.join(" | ")));
    QVERIFY2(seen.filter(" of 6.0 MB").size() == seen.size(), qPrintable(seen.join(" | ")));
    QVERIFY(status->OverallText().trimmed().isEmpty());  // a single item later shows none of it
  }

  // A second start asks the running program to show itself: a minimised safe comes back.
  void aSecondStartRaisesTheWindow() {
    OpenSafe s;
    const QString name = QStringLiteral("kestramo-raise-test-%1").arg(QCoreApplication::applicationPid());
    RaiseRequests running(name);
    QVERIFY(running.Listen());
    QObject::connect(&running, &RaiseRequests::RaiseRequested, s.w.get(), &FrmMain::BringForward);
    ClickLayer(*s.w, 36);  // the minimise button
    QTRY_VERIFY(s.w->isMinimized());
    QVERIFY(RaiseRequests(name).AskRunning());
    QTRY_VERIFY(!s.w->isMinimized() && s.w->isVisible());
    QVERIFY(!RaiseRequests(name + "-none").AskRunning());  // nobody listening: the asker just ends
  }

  // Files opens the chooser in Home at first, and afterwards, in this run or the next, in
  // the folder the user last took files from.
  void filesStartsWhereTheUserLastTookFiles() {
    const QString folder = QString::fromStdString((temp_ / "papers").string());
    std::filesystem::create_directories(temp_ / "papers");
    std::ofstream(temp_ / "papers" / "a.txt") << "alpha";
    QStringList opened;
    QTimer answer;
    answer.setInterval(5);
    QObject::connect(&answer, &QTimer::timeout, [&] {
      auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!chooser || !chooser->isVisible() || chooser->property("answered").toBool()) return;
      chooser->setProperty("answered", true);
      opened << chooser->directory().absolutePath();
      // As a user types: the folder and Enter (the chooser goes there), then the file and Enter.
      auto* name = chooser->findChild<QLineEdit*>("fileNameEdit");
      QTimer::singleShot(0, chooser, [&, name] {
        if (opened.size() > 1) return QTest::keyClick(name, Qt::Key_Escape);
        for (const QString& typed : {folder, QStringLiteral("a.txt")}) {
          QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);  // what is typed replaces it
          QTest::keyClicks(name, typed);
          if (QWidget* completion = QApplication::activePopupWidget()) QTest::keyClick(completion, Qt::Key_Escape);
          QTest::keyClick(name, Qt::Key_Return);
        }
      });
    });
    answer.start();
    for (int run = 0; run < 2; ++run) {
      OpenSafe s;
      ClickLayer(*s.w, layer::kAddFiles);
      QTRY_COMPARE(opened.size(), run + 1);
    }
    QCOMPARE(opened, (QStringList{QDir::homePath(), folder}));
  }

  // Every control says what it does and its key; the button under the pointer lights up.
  void controlsExplainThemselvesAndLightUp() {
    OpenSafe s;
    std::map<int, QColor> idle;
    for (const int number : {30, 32, layer::kAddFiles + 2}) idle[number] = SeenAt(*s.w, Center(*s.w, number));
    for (const auto& [number, hint] : std::vector<std::pair<int, QString>>{
             {30, "Find items by name or comment (Ctrl+F)"},
             {32, "Help (F1)"},
             {layer::kAddFiles + 2, "Extract the chosen items (Ctrl+E, Enter, double click)"}}) {
      const QPoint at = Center(*s.w, number);
      QTest::mouseMove(s.w.get(), at);
      QTRY_VERIFY(QToolTip::isVisible() && QToolTip::text() == hint);
      QVERIFY2(SeenAt(*s.w, at).lightness() > idle[number].lightness() + 15, qPrintable(QString::number(number)));
      QToolTip::hideText();
    }
    QTest::mouseMove(s.w.get(), QPoint(530, 200));  // off every button: all faces idle again
    QCOMPARE(SeenAt(*s.w, Center(*s.w, 30)), idle[30]);
    QVERIFY(s.w->Image().Composed().save(ShotsDir() + "/hover.png"));
    // Every dialog button has its tooltip, and shows it under the pointer.
    const QList<RegionButton*> buttons = s.w->findChildren<RegionButton*>();
    QVERIFY(buttons.size() >= 18);
    for (RegionButton* b : buttons) QVERIFY2(!b->toolTip().isEmpty(), qPrintable(b->objectName()));
    DialogScript script;
    QString shown;
    script.Then<FrmConfirm>([&](FrmConfirm* d) {
      QWidget* no = d->findChild<QWidget*>("btn_no");
      d->activateWindow();  // as the window manager does for a new dialog: tooltips are the active window's
      QVERIFY(QTest::qWaitForWindowActive(d));
      QTest::mouseMove(d->windowHandle(), no->mapTo(d, QPoint(25, 7)));
      QTRY_VERIFY(QToolTip::isVisible());
      shown = QToolTip::text();
      QTest::keyClick(d, Qt::Key_Escape);
    });
    Click(*s.w, Row(*s.w, 0));
    QTest::keyClick(s.w.get(), Qt::Key_Delete);
    QTRY_VERIFY(script.Done());
    QCOMPARE(shown, QStringLiteral("No (N, Esc)"));
  }
};

QTEST_MAIN(DesktopHabitsTest)
#include "desktop_habits_test.moc"

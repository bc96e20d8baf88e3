// SPDX-License-Identifier: GPL-3.0-or-later
// The destination folder dialog: which selections it accepts in each mode, its keys, where
// it opens, and the folders it makes.
#include <unistd.h>
#include <QDir>
#include <QLabel>
#include <QtTest>
#include <filesystem>

#include "controls/folder_tree.h"
#include "controls/region_button.h"
#include "dialog_script.h"
#include "dialogs/frm_new.h"
#include "dialogs/frm_select_dir.h"
#include "platform/qt_shell_info.h"
#include "skin_session.h"
#include "temp_dir.h"
#include "test_files.h"
#include "tree_pointer.h"

using namespace kestramo;
namespace fs = std::filesystem;

namespace {

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

// The dialog over a desktop and a volume made for the test, shown as its callers show it.
struct Chooser {
  explicit Chooser(QWidget* main) : dlg(main) {
    fs::create_directories(dir / "desk" / "Letters");
    fs::create_directories(dir / "vol" / "photos" / "2026");
    kestramo::testing::WriteFile(dir / "vol" / "readme.txt", "a file");
    dlg.Tree().SetActive(false);
    dlg.Tree().Namespace().SetDesktopPath(Q(dir / "desk"));
    dlg.Tree().Namespace().SetVolumeSource([this] {
      return QList<Volume>{{"/", "File System"}, {Q(dir / "vol"), "Stick"}};
    });
    dlg.Tree().SetActive(true);
  }
  void Open(bool addFolderMode) {
    dlg.SetHint(addFolderMode ? "Add folder" : "Please select the destination directory:");
    dlg.SetDirectory(QString());
    dlg.SetAddFolderMode(addFolderMode);
    dlg.setResult(0);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  }
  // As a user does: a click on the node's row, the folders on the way opened first.
  void Select(QTreeWidgetItem* node) {
    kestramo::testing::ClickNode(dlg.Tree(), node);
    QCOMPARE(dlg.Tree().currentItem(), node);
  }
  void Select(const fs::path& p) {
    QTreeWidgetItem* node = dlg.Tree().LocatePath(Q(p), false);
    QVERIFY(node && dlg.Tree().NodePath(node) == Q(p));
    Select(node);
  }
  bool OkEnabled() { return dlg.OkButton().Enabled(); }
  QString Shown() { return dlg.findChild<QLabel*>("lblDirectory")->toolTip(); }

  kestramo::testing::TempDir dir;
  FrmSelectDir dlg;
};

}  // namespace

class SelectDirTest : public QObject {
  Q_OBJECT

  QWidget* main_ = nullptr;
  kestramo::testing::TempDir home_;  // the user's home, with the remembered folders' settings

 private slots:
  void initTestCase() {
    for (const char* folder : {"Desktop", "Documents", "Downloads", ".config"}) fs::create_directories(home_ / folder);
    qputenv("HOME", QByteArray::fromStdString(home_.Path().string()));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((home_ / ".config").string()));
    QtShellInfo::UseDesktopIconTheme();  // as the program does, for the picture
    main_ = kestramo::testing::OpenMainWindowStandIn();
  }
  void cleanupTestCase() { delete main_; }

  void FrameAndLook() {
    Chooser c(main_);
    c.Open(false);
    c.Select(c.dir / "vol" / "photos");
    QCOMPARE(c.dlg.pos(), main_->geometry().topLeft() + QPoint((560 - 341) / 2, (420 - 307) / 2));
    QCOMPARE(c.dlg.Tree().geometry(), QRect(10, 73, 320, 200));
    QCOMPARE(c.dlg.focusWidget(), &c.dlg.Tree());
    const QImage tree = c.dlg.Tree().grab().toImage();
    QCOMPARE(QColor(tree.pixel(tree.width() - 30, tree.height() - 8)), QColor(193, 228, 249));
    QVERIFY(c.dlg.grab().save(kestramo::testing::ShotsDir() + "/browse.png"));
    c.dlg.done(kResultCancel);
  }

  // A folder to add must not be a whole volume; a destination must take files.
  void OkFollowsTheSelectionInEachMode() {
    Chooser c(main_);
    FolderTree& tree = c.dlg.Tree();
    for (const bool add : {true, false}) {
      c.Open(add);
      c.Select(tree.DrivesNode());
      QVERIFY(c.Shown().isEmpty() && !c.OkEnabled());
      c.Select(tree.RootNode());
      QCOMPARE(c.Shown(), Q(c.dir / "desk"));
      QVERIFY(c.OkEnabled());
      c.Select(c.dir / "vol" / "photos" / "2026");
      QCOMPARE(c.dlg.Directory(), Q(c.dir / "vol" / "photos" / "2026"));
      QVERIFY(c.OkEnabled());
      c.Select(c.dir / "vol");
      QCOMPARE(c.OkEnabled(), !add);
      c.Select(tree.DrivesNode()->child(0));
      QCOMPARE(c.Shown(), QStringLiteral("/"));
      QCOMPARE(c.OkEnabled(), !add && ::access("/", W_OK) == 0);
      c.dlg.done(kResultCancel);
    }
    c.dlg.SetAddFolderMode(true);  // a change of mode checks the selection again
    QVERIFY(!c.OkEnabled());
    // A file, or a folder gone since it was selected, is no directory in either mode.
    for (const bool add : {true, false}) {
      QVERIFY(!SuitableDirectory(Q(c.dir / "vol" / "readme.txt"), add, tree.Namespace()));
      QVERIFY(!SuitableDirectory(QString(), add, tree.Namespace()));
    }
    QVERIFY(tree.SelectPath(Q(c.dir / "vol" / "photos" / "2026")));  // chosen at an earlier use
    fs::remove(c.dir / "vol" / "photos" / "2026");
    c.Open(true);
    QVERIFY(!c.OkEnabled());
    c.dlg.done(kResultCancel);
  }

  void ReadOnlyFolderIsNoDestination() {
    if (::geteuid() == 0) QSKIP("permissions do not keep the superuser from writing");
    Chooser c(main_);
    fs::permissions(c.dir / "vol" / "photos", fs::perms::owner_read | fs::perms::owner_exec);
    c.Open(false);
    c.Select(c.dir / "vol" / "photos");
    QVERIFY(!c.OkEnabled());
    c.dlg.SetAddFolderMode(true);  // it can still be put into a box
    QVERIFY(c.OkEnabled());
    c.dlg.done(kResultCancel);
    fs::permissions(c.dir / "vol" / "photos", fs::perms::owner_all);
  }

  // On first use no row looks chosen while OK is grey; the first arrow key chooses the top row.
  void TheHighlightedRowIsTheChosenOne() {
    Chooser c(main_);
    c.Open(false);
    FolderTree& tree = c.dlg.Tree();
    QVERIFY(!tree.currentItem() || tree.currentItem()->isSelected());
    QVERIFY(!c.OkEnabled());
    QTest::keyClick(&tree, Qt::Key_Down);
    QVERIFY(tree.currentItem() && tree.currentItem()->isSelected());
    QCOMPARE(c.dlg.Directory(), tree.NodePath(tree.currentItem()));
    c.dlg.done(kResultCancel);
  }

  // Home and the usual folders stand at the top. Each purpose opens where it last went, in
  // this run or the next, else in Home, with that row chosen and OK lit.
  void OpensWhereEachPurposeLastWent() {
    const QString home = Q(home_.Path());
    QStringList opened;
    auto choose = [&](FrmSelectDir& dlg, bool add, const QString& caption) {
      QTimer::singleShot(0, &dlg, [&dlg, &opened, caption] {
        FolderTree& tree = dlg.Tree();
        QTreeWidgetItem* current = tree.currentItem();
        const bool shown = current && tree.viewport()->rect().contains(tree.visualItemRect(current).center());
        opened << (shown && current->isSelected() && dlg.OkButton().Enabled() ? dlg.Directory() : "nothing chosen");
        for (int i = 0; i < tree.topLevelItemCount(); ++i) {
          if (tree.topLevelItem(i)->text(0) == caption) kestramo::testing::ClickRow(tree, tree.topLevelItem(i));
        }
        QTest::mouseClick(&dlg.OkButton(), Qt::LeftButton, {}, QPoint(25, 7));
      });
      return dlg.Choose("Where?", add);
    };
    {
      FrmSelectDir dlg(main_);
      QStringList top;
      for (int i = 0; i < dlg.Tree().topLevelItemCount(); ++i) top << dlg.Tree().topLevelItem(i)->text(0);
      QCOMPARE(top, (QStringList{"Home", "Documents", "Downloads", "Desktop"}));
      QCOMPARE(choose(dlg, false, "Downloads"), home + "/Downloads");
      QCOMPARE(choose(dlg, true, "Documents"), home + "/Documents");
    }
    FrmSelectDir next(main_);
    QCOMPARE(choose(next, false, "Home"), home);
    QCOMPARE(choose(next, true, "Desktop"), home + "/Desktop");
    QCOMPARE(opened, (QStringList{home, home, home + "/Downloads", home + "/Documents"}));
  }

  // New Folder asks a name, makes the folder in the chosen one and chooses it; a name that
  // cannot be made is refused with the reason and asked again.
  void NewFolderMakesAndChoosesIt() {
    Chooser c(main_);
    fs::create_directories(c.dir / "desk" / "Letters" / "Old");
    c.dlg.Tree().SetActive(false);
    c.dlg.Tree().SetActive(true);
    c.Open(false);
    c.Select(c.dir / "desk" / "Letters");
    QTest::keyClick(&c.dlg.Tree(), Qt::Key_Right);  // open, it lists what it held before
    kestramo::testing::DialogScript script;
    for (const char* typed : {"a/b", "Old", "Sent 2026"}) {
      script.Then<FrmNew>([typed](FrmNew* d) {
        auto* edit = d->findChild<QWidget*>("edtBoxName");
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, typed);
        if (QString(typed) == "Old") QVERIFY(d->grab().save(kestramo::testing::ShotsDir() + "/new-folder.png"));
        QTest::keyClick(edit, Qt::Key_Return);
      });
    }
    QTest::mouseClick(&c.dlg.NewFolderButton(), Qt::LeftButton, {}, QPoint(44, 7));
    QVERIFY(script.Done());
    QCOMPARE(script.messages.size(), 2);
    QVERIFY2(script.messages[0].contains("\"/\"") && script.messages[1].contains("already exists"),
             qPrintable(script.messages.join('|')));
    const fs::path made = c.dir / "desk" / "Letters" / "Sent 2026";
    QVERIFY(fs::is_directory(made) && !fs::exists(c.dir / "desk" / "Letters" / "a"));
    FolderTree& tree = c.dlg.Tree();
    QCOMPARE(c.dlg.Directory(), Q(made));
    QVERIFY(tree.currentItem()->isSelected() && c.OkEnabled());
    QVERIFY(tree.viewport()->rect().contains(tree.visualItemRect(tree.currentItem()).center()));
    c.Select(tree.DrivesNode());  // nowhere to make a folder
    QVERIFY(!c.dlg.NewFolderButton().Enabled());
    c.dlg.done(kResultCancel);
  }

  void KeysButtonsAndTheLastChoice() {
    Chooser c(main_);
    c.Open(true);
    c.Select(c.dir / "vol");
    // Enter and a click on a disabled OK leave the dialog open.
    QTest::keyClick(&c.dlg.Tree(), Qt::Key_Return);
    QTest::mouseClick(&c.dlg.OkButton(), Qt::LeftButton, {}, QPoint(25, 7));
    QVERIFY(c.dlg.isVisible() && c.dlg.result() == 0);
    c.Select(c.dir / "vol" / "photos");
    QTest::keyClick(&c.dlg.Tree(), Qt::Key_Enter);
    QCOMPARE(c.dlg.result(), kResultOk);
    QCOMPARE(c.dlg.Directory(), Q(c.dir / "vol" / "photos"));
    // The next use opens on it; Esc and Cancel give 2.
    c.Open(false);
    QCOMPARE(c.dlg.Directory(), Q(c.dir / "vol" / "photos"));
    QTest::keyClick(&c.dlg.Tree(), Qt::Key_Escape);
    QVERIFY(c.dlg.result() == kResultCancel && !c.dlg.isVisible());
    c.Open(false);
    QTest::mouseClick(c.dlg.findChild<RegionButton*>("btn_cancel"), Qt::LeftButton, {}, QPoint(25, 7));
    QCOMPARE(c.dlg.result(), kResultCancel);
    c.Open(false);
    QTest::mouseClick(&c.dlg.OkButton(), Qt::LeftButton, {}, QPoint(25, 7));
    QCOMPARE(c.dlg.result(), kResultOk);
  }

  // Folders made on disk while the dialog is open, above, beside and below the chosen one and
  // inside it, move neither the row under the pointer nor the choice: a click that was aimed
  // at a row still lands on it.
  void RowsStayUnderThePointerWhileFoldersArrive() {
    Chooser c(main_);
    for (const char* name : {"Documents", "Downloads", "Music", "Pictures", "Restored", "Videos", "Work"})
      fs::create_directories(c.dir / "desk" / name);
    c.dlg.Tree().SetActive(false);
    c.dlg.Tree().SetActive(true);
    c.Open(false);
    FolderTree& tree = c.dlg.Tree();
    c.Select(c.dir / "desk" / "Restored");
    QTreeWidgetItem* chosen = tree.currentItem();
    const QPoint pointer = tree.visualItemRect(chosen).center();
    QTest::mouseMove(tree.viewport(), pointer);
    const QRect row = tree.visualItemRect(chosen);
    for (const char* made : {"Aardvark", "Restore", "Restored 2", "Zebra", "Restored/inner", "Apples", "Bags"}) {
      fs::create_directories(c.dir / "desk" / made);
      QTRY_VERIFY(tree.LocatePath(Q(c.dir / "desk" / made), true) || QString(made).contains('/'));
      QCOMPARE(tree.itemAt(pointer), chosen);
      QCOMPARE(tree.visualItemRect(chosen), row);
      QCOMPARE(c.dlg.Directory(), Q(c.dir / "desk" / "Restored"));
    }
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, pointer);
    QTest::mouseClick(&c.dlg.OkButton(), Qt::LeftButton, {}, QPoint(25, 7));
    QCOMPARE(c.dlg.result(), kResultOk);
    QCOMPARE(c.dlg.Directory(), Q(c.dir / "desk" / "Restored"));
  }
};

QTEST_MAIN(SelectDirTest)
#include "select_dir_test.moc"

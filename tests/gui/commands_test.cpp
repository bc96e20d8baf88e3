// SPDX-License-Identifier: GPL-3.0-or-later
#include <QtTest>

#include "controls/region_button.h"
#include "dialog_script.h"
#include "dialogs/frm_comment.h"
#include "dialogs/frm_confirm.h"
#include "dialogs/frm_login.h"
#include "dialogs/frm_new.h"
#include "dialogs/frm_note.h"
#include "dialogs/frm_password.h"
#include "dialogs/frm_status.h"
#include "main_window_pointer.h"
#include "mainwindow/frm_main.h"
#include "mainwindow/scene_layers.h"
#include "test_files.h"
#include "vault_fixture.h"

using namespace kestramo;
using namespace kestramo::testing;

namespace {

QPoint Row(FrmMain& w, int panelLayer, int n) {
  return (w.Image().Layer(panelLayer)->pos + QPointF(200, 60 + n * 60 + 30)).toPoint();
}

std::vector<std::string> Names(const ItemTable& t) {
  std::vector<std::string> names;
  for (const ItemRecord& r : t.AllRecords()) names.push_back(r[static_cast<std::size_t>(ItemField::Name)].AsString());
  return names;
}

void NameTheBox(DialogScript& script, const QString& name) {
  script.Then<FrmNew>([name](FrmNew* d) {
    Type<QLineEdit>(d, "edtBoxName", name);
    d->btnOkClick();
  });
}

}  // namespace

class CommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void boxesAreCreatedRenamedAndDeletedByPointer() {
    testing::VaultFixture vault;
    FrmMain w(vault.Base());
    w.show();
    DialogScript script;
    NameTheBox(script, QStringLiteral("  Work  "));
    ClickLayer(w, 28);
    QTRY_VERIFY(script.Done());
    QCOMPARE(w.Views().BoxCount(), 1);
    QCOMPARE(w.Views().Boxes[0].Name, QStringLiteral("Work"));  // created trimmed
    QCOMPARE(w.Image().Layer(layer::kBigSlider)->pos.y(), 356.0);

    NameTheBox(script, QStringLiteral("Home"));
    ClickLayer(w, 28);
    QTRY_VERIFY(script.Done());
    QCOMPARE(w.Views().BoxCount(), 2);
    QCOMPARE(w.Views().TopBox, 1);  // the new box comes into view

    // No box selected yet: deleting one is refused.
    ClickLayer(w, 29);
    QCOMPARE(script.messages.last(), QStringLiteral("Please select a coffrel to delete."));

    // A double click on the name strip renames; the new name keeps its blanks.
    OpenDoors(w, layer::kBigHandle);
    const QPoint strip = (w.Image().Layer(layer::kPanel)->pos + QPointF(200, 20)).toPoint();
    script.Then<FrmNew>([](FrmNew* d) {
      Type<QLineEdit>(d, "edtBoxName", QStringLiteral(" Family "));
      d->btnOkClick();
    });
    // As the platform delivers it: press, release, double click (for the second press), release.
    Click(w, strip);
    QTest::mouseDClick(&w, Qt::LeftButton, Qt::NoModifier, strip);
    QTest::mouseRelease(&w, Qt::LeftButton, Qt::NoModifier, strip);
    QTRY_VERIFY(script.Done());
    QCOMPARE(w.Views().Boxes[1].Name, QStringLiteral(" Family "));
    QCOMPARE(w.Views().SelectedBox, 1);

    script.Then<FrmConfirm>([](FrmConfirm* d) {
      QCOMPARE(d->Question(), QStringLiteral("Are you sure to delete the coffrel:\n Family ?\nIt holds no items."));
      d->done(1);
    });
    ClickLayer(w, 29);
    QTRY_VERIFY(script.Done());
    QCOMPARE(w.Views().BoxCount(), 1);
    QCOMPARE(w.Views().SelectedBox, -1);

    Vault reread(vault.Base());
    reread.LoadIndex();
    QCOMPARE(BoxNames(reread.Items()), std::vector<std::string>{"Work"});
  }

  // A name of 50 characters beyond the basic plane is 100 UTF-16 units: what the panel shows
  // is cut, but the box is still found, filled and deleted by the name it is stored under.
  void boxesAreWorkedOnByTheirStoredNames() {
    testing::VaultFixture vault;
    std::string wide;
    for (int i = 0; i < 50; ++i) wide += "\xF0\x9F\x94\x91";
    vault.Fill({"Work", wide}, 0);
    testing::WriteFile(vault.dir / "in/a.txt", "alpha");
    FrmMain w(vault.Base());
    w.show();
    OpenDoors(w, layer::kBigHandle);
    OpenDoors(w, layer::kSecondPanel + layer::kHandle);  // the second panel shows the wide box
    QCOMPARE(w.Views().Boxes[1].Key, wide);
    const QString in = QString::fromStdString((vault.dir / "in").string());
    w.ChooseFiles = [in] { return QStringList{in + "/a.txt"}; };
    ClickLayer(w, layer::kSecondPanel + layer::kAddFiles);
    QCOMPARE(BoxNames(SavedTable(w.GetVault())), (std::vector<std::string>{"Work", wide}));
    QCOMPARE(w.Views().Boxes[1].ItemCount(), 1);

    DialogScript script;
    script.Then<FrmConfirm>([](FrmConfirm* d) { d->done(1); });
    w.Views().SelectedBox = 1;
    ClickLayer(w, 29);
    QTRY_VERIFY(script.Done());
    QCOMPARE(BoxNames(SavedTable(w.GetVault())), std::vector<std::string>{"Work"});
    QCOMPARE(SavedTable(w.GetVault()).RecordCount(), 1);
  }

  void theThirtyThirdBoxIsRefusedBeforeTheDialog() {
    testing::VaultFixture vault;
    std::vector<std::string> boxes;
    for (int i = 1; i <= 32; ++i) boxes.push_back("Box " + std::to_string(i));
    vault.Fill(boxes, 0);
    FrmMain w(vault.Base());
    w.show();
    DialogScript script;
    ClickLayer(w, 28);
    QTRY_COMPARE(script.messages.size(), 1);
    QCOMPARE(script.messages[0], QStringLiteral("You can create at most 32 COFFRELes with KESTRAMO version 1.0."));
  }

  void filesGoInComeOutAreCommentedAndDeleted() {
    testing::VaultFixture vault;
    vault.Fill({"Work"}, 0);
    testing::WriteFile(vault.dir / "in/a.txt", "alpha");
    testing::WriteFile(vault.dir / "in/b.txt", "beta");
    testing::WriteFile(vault.dir / "in/c.txt", "gamma");
    FrmMain w(vault.Base());
    w.show();
    OpenDoors(w, layer::kBigHandle);
    OpenDoors(w, layer::kHandle);
    const QString in = QString::fromStdString((vault.dir / "in").string());
    w.ChooseFiles = [in] { return QStringList{in + "/a.txt", in + "/b.txt", in + "/c.txt"}; };
    ClickLayer(w, 6);
    QCOMPARE(Names(SavedTable(w.GetVault())), (std::vector<std::string>{"", "a.txt", "b.txt", "c.txt"}));
    QCOMPARE(w.Views().Boxes[0].ItemCount(), 3);
    QCOMPARE(w.Views().Boxes[0].SliderOffset, 222.0f);  // scrolled to the new items

    DialogScript script;
    ClickLayer(w, 8);  // nothing selected
    QTRY_COMPARE(script.messages.size(), 1);
    QCOMPARE(script.messages[0], QStringLiteral("Please select some items first."));

    w.Views().Boxes[0].SliderOffset = 0;
    w.Scene().PlacePanels(0);
    // Selecting items changes nothing stored: the index and its backup stay as they are.
    const std::string index = testing::ReadFile(LayoutOf(w.GetVault()).IndexFile());
    const std::string backup = testing::ReadFile(LayoutOf(w.GetVault()).BackupIndexFile());
    Click(w, Row(w, layer::kPanel, 0));
    Click(w, Row(w, layer::kPanel, 2), Qt::ControlModifier);
    QCOMPARE(w.Views().Boxes[0].CountSelected(), 2);
    QCOMPARE(testing::ReadFile(LayoutOf(w.GetVault()).BackupIndexFile()), backup);
    QCOMPARE(testing::ReadFile(LayoutOf(w.GetVault()).IndexFile()), index);
    const QString out = QString::fromStdString((vault.dir / "out").string());
    w.ChooseDirectory = [out](const QString&, bool addFolder) { return addFolder ? QString() : out; };
    ClickLayer(w, 8);
    QCOMPARE(QString::fromStdString(testing::ReadFile(vault.dir / "out/a.txt")), QStringLiteral("alpha"));
    QCOMPARE(QString::fromStdString(testing::ReadFile(vault.dir / "out/c.txt")), QStringLiteral("gamma"));
    QVERIFY(!std::filesystem::exists(vault.dir / "out/b.txt"));

    ClickLayer(w, 10);  // two selected
    QTRY_COMPARE(script.messages.last(), QStringLiteral("Please only select one item to comment."));
    // The extraction's note stands over the list until a click closes it.
    QTest::mouseClick(w.findChild<FrmNote*>(), Qt::LeftButton, {}, QPoint(150, 40));
    Click(w, Row(w, layer::kPanel, 1));
    script.Then<FrmComment>([](FrmComment* d) {
      Type<QPlainTextEdit>(d, "edtComment", QStringLiteral("first line\nsecond"));
      d->btnOkClick();
    });
    ClickLayer(w, 10);
    QTRY_VERIFY(script.Done());
    ItemTable saved = SavedTable(w.GetVault());
    saved.MoveTo(3);
    QVERIFY(saved.Field(ItemField::Comment).AsString().find("second") != std::string::npos);

    // A refresh keeps the doors open and the selection.
    script.Then<FrmConfirm>([](FrmConfirm* d) { d->done(1); });
    Click(w, Row(w, layer::kPanel, 0), Qt::ControlModifier);
    ClickLayer(w, 9);
    QTRY_VERIFY(script.Done());
    QCOMPARE(Names(SavedTable(w.GetVault())), (std::vector<std::string>{"", "c.txt"}));
    QVERIFY(w.Views().Boxes[0].DoorsOpen);
    QVERIFY(!std::filesystem::exists(LayoutOf(w.GetVault()).ItemFile(1)));
  }

  void cancellingTheSecondOfThreeFilesSkipsTheThird() {
    testing::VaultFixture vault;
    vault.Fill({"Work"}, 0);
    testing::WriteFile(vault.dir / "in/one.txt", "one");
    testing::WriteFile(vault.dir / "in/two.bin", testing::RandomBytes(48 << 20, 5));
    testing::WriteFile(vault.dir / "in/three.txt", "three");
    FrmMain w(vault.Base());
    w.show();
    OpenDoors(w, layer::kBigHandle);
    const QString in = QString::fromStdString((vault.dir / "in").string());
    w.ChooseFiles = [in] { return QStringList{in + "/one.txt", in + "/two.bin", in + "/three.txt"}; };
    // Cancel is pressed as soon as the second file's packing shows on the status dialog.
    QTimer watch;
    watch.setInterval(2);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      auto* status = qobject_cast<FrmStatus*>(QApplication::activeModalWidget());
      if (status && status->StatusText().contains(QStringLiteral("two.bin")) && status->CancelButton()->Enabled()) {
        status->btnCancelClick();
      }
    });
    watch.start();
    ClickLayer(w, 6);
    watch.stop();
    QCOMPARE(Names(SavedTable(w.GetVault())), (std::vector<std::string>{"", "one.txt"}));
    QVERIFY(std::filesystem::is_empty(LayoutOf(w.GetVault()).TempDir()));
  }

  void theLoginIsAskedOncePerRun() {
    testing::VaultFixture vault;
    vault.Fill({"Work"}, 0);
    {
      Vault v(vault.Base());
      v.LoadIndex();
      v.SetPassword("pw");
      v.SaveIndex();
    }
    FrmMain w(vault.Base());
    w.show();
    DialogScript script;
    script.Then<FrmLogin>([](FrmLogin* d) { d->done(2); });
    ClickLayer(w, layer::kBigHandle);
    QTRY_VERIFY(script.Done());
    QVERIFY(!w.DoorsMoving());  // a cancelled login leaves the doors shut
    QCOMPARE(w.Image().Layer(layer::kBigLeftDoor)->pos.x(), 9.0);

    script.Then<FrmLogin>([](FrmLogin* d) {
      Type<QLineEdit>(d, "edtPassword", QStringLiteral("pw"));
      d->btnOkClick();
    });
    ClickLayer(w, layer::kBigHandle);
    QTRY_VERIFY(script.Done());
    QVERIFY(w.Commands().LoggedIn);
    QTRY_VERIFY_WITH_TIMEOUT(!w.DoorsMoving(), 10000);
    NameTheBox(script, QStringLiteral("Second"));
    ClickLayer(w, 28);  // no second login
    QTRY_VERIFY(script.Done());
    QCOMPARE(w.Views().BoxCount(), 2);
  }
};

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"

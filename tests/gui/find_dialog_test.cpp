// SPDX-License-Identifier: GPL-3.0-or-later
// The find dialog over a vault filled through the real pipeline: what a search lists, and
// export, delete and comment of the items found, with the vault itself left whole.
#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QtTest>

#include "controls/folder_tree.h"
#include "controls/region_button.h"
#include "dialogs/frm_comment.h"
#include "dialogs/frm_confirm.h"
#include "dialogs/frm_find.h"
#include "dialogs/frm_select_dir.h"
#include "dialogs/frm_status.h"
#include "modal_watch.h"
#include "platform/qt_shell_info.h"
#include "skin_session.h"
#include "storage/vault/item_removal.h"
#include "test_files.h"
#include "vault_fixture.h"

using namespace kestramo;
using kestramo::testing::FakeShell;
using kestramo::testing::ModalWatch;
namespace fs = std::filesystem;

namespace {

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

api::Picture Png(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return std::make_shared<const api::PictureBytes>(bytes.begin(), bytes.end());
}

const FieldValue& Get(const ItemRecord& r, ItemField f) { return r[static_cast<std::size_t>(f)]; }

// Answers the dialogs the find dialog opens: the destination dialog with `destination`
// (Cancel when empty), the question with `yes`, the comment dialog with `comment` (Cancel
// when empty). Messages are answered by a ModalWatch beside it.
struct Answers {
  Answers() {
    timer.setInterval(2);
    QObject::connect(&timer, &QTimer::timeout, [this] { Poll(); });
    timer.start();
  }
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* dir = qobject_cast<FrmSelectDir*>(modal)) {
      ++selectDirShown;
      hint = dir->Hint();
      addFolderMode = dir->AddFolderMode();
      if (destination.isEmpty() || !dir->Tree().SelectPath(destination)) {
        QTest::keyClick(&dir->Tree(), Qt::Key_Escape);
      } else {
        QTest::keyClick(&dir->Tree(), Qt::Key_Return);
      }
    } else if (auto* confirm = qobject_cast<FrmConfirm*>(modal)) {
      question = confirm->Question();
      confirm->done(yes ? kResultOk : kResultCancel);
    } else if (auto* memo = qobject_cast<FrmComment*>(modal)) {
      shownComment = memo->Comment();
      if (comment.isEmpty()) {
        memo->done(kResultCancel);
      } else {
        memo->findChild<QPlainTextEdit*>("edtComment")->setPlainText(comment);
        memo->btnOkClick();
      }
    }
  }

  QString destination, comment, hint, question, shownComment;
  bool yes = true, addFolderMode = true;
  int selectDirShown = 0;
  QTimer timer;
};

// Counts the times a window is shown.
struct ShowCounter : QObject {
  int shows = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) ++shows;
    return false;
  }
};

// Two boxes of three items each; "Photos file 2.txt" carries a comment in mixed case, and
// "Papers file 3.txt" one with a quote.
struct FindBench {
  explicit FindBench(QWidget* main)
      : status(main),
        selectDir(main),
        confirm(main),
        comment(main),
        find(
            vault, shell, status, selectDir, confirm, comment, [this] { ++refreshes; }, main) {
    fixture.Fill({"Papers", "Photos"}, 3);
    EditSaved([this](Vault& v) {
      SetItemComment(v, IndexOf("Photos file 2.txt"), "Tax Receipts of 2025");
      SetItemComment(v, IndexOf("Papers file 3.txt"), "Bob's copy");
    });
  }
  // Changes the saved index behind the dialog's back, then opens the vault for it again.
  void EditSaved(const std::function<void(Vault&)>& edit) {
    vault.Close();
    Vault v(fixture.Base());
    v.LoadIndex();
    edit(v);
    v.SaveIndex();
    api::OpenOptions options;
    options.base = fixture.Base();
    QVERIFY(vault.Open(options).ok());
  }
  // The items the vault lists, whatever is searched.
  std::size_t ItemCount() const {
    std::vector<api::ItemInfo> items;
    if (!vault.Items({}, &items).ok()) return 0;
    return items.size();
  }
  VaultLayout Layout() const { return VaultLayout(fixture.Base()); }
  int32_t IndexOf(const std::string& name) const {
    for (const ItemRecord& r : SavedRecords()) {
      if (Get(r, ItemField::Name).AsString() == name) return Get(r, ItemField::Index).AsInteger();
    }
    return -1;
  }
  void Open() {
    find.show();
    QVERIFY(QTest::qWaitForWindowExposed(&find));
  }
  void Search(const QString& text) {
    find.FilterEdit()->setText(text);
    QTest::keyClick(find.FilterEdit(), Qt::Key_Return);
  }
  QStringList Listed() const {
    QStringList names;
    for (int i = 0; i < find.ResultList()->count(); ++i)
      names << find.ResultList()->item(i)->text().section('\n', 0, 0);
    return names;
  }
  void Select(const QStringList& names) {
    find.ResultList()->clearSelection();
    for (int i = 0; i < find.ResultList()->count(); ++i) {
      if (names.contains(find.ResultList()->item(i)->text().section('\n', 0, 0)))
        find.ResultList()->item(i)->setSelected(true);
    }
  }
  void Click(const char* button) {
    QTest::mouseClick(find.findChild<RegionButton*>(button), Qt::LeftButton, {}, QPoint(44, 7));
  }
  // The index as saved, read by a second reader.
  std::vector<ItemRecord> SavedRecords() const {
    Vault reader(fixture.Base());
    if (!reader.ReadIndex().ok()) return {};
    return reader.Items().AllRecords();
  }

  kestramo::testing::VaultFixture fixture;
  api::Vault vault;
  FakeShell shell;
  FrmStatus status;
  FrmSelectDir selectDir;
  FrmConfirm confirm;
  FrmComment comment;
  int refreshes = 0;
  FrmFind find;
};

const QStringList kEveryItem{"Papers file 1.txt", "Papers file 2.txt", "Papers file 3.txt",
                             "Photos file 1.txt", "Photos file 2.txt", "Photos file 3.txt"};

}  // namespace

class FindDialogTest : public QObject {
  Q_OBJECT

  QWidget* main_ = nullptr;
  kestramo::testing::TempDir settings_;

 private slots:
  void initTestCase() {
    // The destination chosen is remembered in settings of the test's own.
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((settings_ / "config").string()));
    main_ = kestramo::testing::OpenMainWindowStandIn();
  }
  void cleanupTestCase() { delete main_; }

  void FrameIconsAndLook() {
    FindBench b(main_);
    // One item with a real icon: red, opaque on its left half only. The mask's dark grey
    // is not black, so the list shows that half fully opaque.
    QImage red(32, 32, QImage::Format_RGB32), mask(32, 32, QImage::Format_RGB32);
    red.fill(Qt::red);
    mask.fill(Qt::black);
    QPainter(&mask).fillRect(0, 0, 16, 32, QColor(0x40, 0x40, 0x40));
    // The others with the desktop's own icons, for the picture.
    QtShellInfo::UseDesktopIconTheme();
    QtShellInfo desktop;
    b.EditSaved([&](Vault& v) {
      ItemTable& items = v.Items();
      for (int r = 1; r <= items.RecordCount(); ++r) {
        items.MoveTo(r);
        const std::string name = items.Field(ItemField::Name).AsString();
        if (name.empty()) continue;
        const api::ShellIcon real = desktop.IconOf(b.fixture.dir / "src" / name);
        const bool first = name == "Papers file 1.txt";
        items.Edit();
        items.SetField(ItemField::Icon, FieldValue::Image(first ? Png(red) : real.icon));
        items.SetField(ItemField::IconMask, FieldValue::Image(first ? Png(mask) : real.mask));
        items.Post();
      }
    });
    b.Open();
    QCOMPARE(b.find.pos(), main_->geometry().topLeft() + QPoint((560 - 422) / 2, (420 - 264) / 2));
    QCOMPARE(b.find.ResultList()->geometry(), QRect(10, 97, 398, 135));
    QCOMPARE(b.find.focusWidget(), b.find.FilterEdit());
    b.Search("file");
    QCOMPARE(b.Listed(), kEveryItem);
    const QImage icon = b.find.ResultList()->item(0)->icon().pixmap(32, 32).toImage();
    QCOMPARE(QColor::fromRgba(icon.pixel(4, 16)), QColor(Qt::red));
    QCOMPARE(qAlpha(icon.pixel(28, 16)), 0);
    b.Select({"Papers file 2.txt", "Photos file 1.txt"});
    const QImage list = b.find.ResultList()->grab().toImage();
    QCOMPARE(QColor(list.pixel(list.width() - 40, 6)), QColor(193, 228, 249));  // an unchosen row
    QVERIFY(b.find.grab().save(kestramo::testing::ShotsDir() + "/find.png"));
    b.find.done(kResultCancel);
  }

  void SearchesNamesAndCommentsInEveryBox() {
    ModalWatch watch;
    FindBench b(main_);
    b.Open();
    // One or two asterisks alone list every item and no box.
    for (const char* all : {"*", "**"}) {
      b.Search(all);
      QCOMPARE(b.Listed(), kEveryItem);
      QCOMPARE(b.find.FoundCount(), 6);
    }
    // An asterisk at each end is dropped; of two leading ones, one stays and matches itself.
    b.Search("*file 2*");
    QCOMPARE(b.Listed(), (QStringList{"Papers file 2.txt", "Photos file 2.txt"}));
    b.Search("**file 2");
    QVERIFY(b.Listed().isEmpty());
    // Letter case is ignored, in the middle of a name and in a comment.
    b.Search("HOTOS FILE 1");
    QCOMPARE(b.Listed(), QStringList{"Photos file 1.txt"});
    b.Search("RECEIPTS");
    QCOMPARE(b.Listed(), QStringList{"Photos file 2.txt"});
    // Each result says its box, size and comment; an empty search says so.
    const QString facts = b.find.ResultList()->item(0)->text().section('\n', 1);
    QVERIFY2(
        facts.startsWith(QStringLiteral("Box: Photos · 1 KB · ")) && facts.contains("receipts", Qt::CaseInsensitive),
        qPrintable(facts));
    QVERIFY(!b.find.findChild<QLabel*>("lblNothing")->isVisible());
    // Positions and indexes stay together.
    QCOMPARE(b.find.FoundIndexes(), std::vector<int32_t>{b.IndexOf("Photos file 2.txt")});
    // A quote is searched for like any other character.
    b.Search("bob's");
    QCOMPARE(b.Listed(), QStringList{"Papers file 3.txt"});
    b.Search("'");
    QCOMPARE(b.Listed(), QStringList{"Papers file 3.txt"});
    b.Search("it's gone");
    QVERIFY(b.Listed().isEmpty());
    QVERIFY(b.find.findChild<QLabel*>("lblNothing")->isVisible());
    QVERIFY(b.find.grab().save(kestramo::testing::ShotsDir() + "/find-nothing.png"));
    QVERIFY(watch.messages.isEmpty());
    // An empty field is refused and the results stay.
    b.Search("Papers");
    b.Search("");
    QCOMPARE(watch.messages, QStringList{"Input what you want to find."});
    QCOMPARE(b.Listed().size(), 3);
    QCOMPARE(b.find.focusWidget(), b.find.FilterEdit());
    QCOMPARE(b.ItemCount(), 6u);
  }

  // A search narrows the list, never the vault the main window shows.
  void SearchingLeavesTheVaultWhole() {
    FindBench b(main_);
    b.Open();
    b.Search("Papers");
    QCOMPARE(b.Listed().size(), 3);
    QCOMPARE(b.ItemCount(), 6u);
    b.Click("btn_close");
    QVERIFY(!b.find.isVisible());
    QCOMPARE(b.ItemCount(), 6u);
    b.Open();
    QVERIFY(b.Listed().isEmpty() && b.find.FilterEdit()->text().isEmpty());
    QVERIFY(!b.find.LastSearch().empty());  // the last search is remembered
    b.Search("Photos");
    QTest::keyClick(b.find.ResultList(), Qt::Key_Escape);
    QVERIFY(!b.find.isVisible());
    QCOMPARE(b.ItemCount(), 6u);
  }

  void DeleteRemovesRecordsAndFilesAndRefills() {
    ModalWatch watch;
    Answers answers;
    FindBench b(main_);
    b.Open();
    b.Search("file");
    b.Click("btn_delete");  // grey while nothing is chosen: no question, no message
    QVERIFY(watch.messages.isEmpty() && answers.question.isEmpty());
    // No keeps everything.
    b.Select({"Papers file 1.txt"});
    answers.yes = false;
    b.Click("btn_delete");
    QCOMPARE(answers.question, QStringLiteral("Are you sure to delete the chosen item?"));
    QCOMPARE(b.Listed().size(), 6);
    QCOMPARE(b.refreshes, 0);
    // Yes deletes the records and their item files; the list shows what still matches.
    answers.yes = true;
    const int32_t gone1 = b.IndexOf("Papers file 1.txt"), gone2 = b.IndexOf("Photos file 3.txt");
    QVERIFY(fs::exists(b.Layout().ItemFile(gone1)) && fs::exists(b.Layout().ItemFile(gone2)));
    b.Select({"Papers file 1.txt", "Photos file 3.txt"});
    b.Click("btn_delete");
    QCOMPARE(b.Listed(),
             (QStringList{"Papers file 2.txt", "Papers file 3.txt", "Photos file 1.txt", "Photos file 2.txt"}));
    QCOMPARE(b.find.FoundIndexes().size(), 4u);
    QVERIFY(!fs::exists(b.Layout().ItemFile(gone1)) && !fs::exists(b.Layout().ItemFile(gone2)));
    QCOMPARE(b.IndexOf("Papers file 1.txt"), -1);
    QCOMPARE(b.ItemCount(), 4u);
    QCOMPARE(b.refreshes, 1);
    QCOMPARE(b.SavedRecords().size(), 6u);  // two boxes, four items
    // Further actions find the remaining items by their Index in the unfiltered table.
    b.Select({"Photos file 2.txt"});
    b.Click("btn_delete");
    QCOMPARE(b.Listed().size(), 3);
    QCOMPARE(b.SavedRecords().size(), 5u);
    QVERIFY(watch.messages.isEmpty());
  }

  void CommentOneItem() {
    ModalWatch watch;
    Answers answers;
    FindBench b(main_);
    b.Open();
    b.Search("Photos");
    b.Click("btn_comment");
    b.Select({"Photos file 1.txt", "Photos file 2.txt"});
    b.Click("btn_comment");
    QCOMPARE(watch.messages, QStringList{"Please only select one item to comment."});
    QVERIFY(answers.shownComment.isNull());
    // Cancel changes nothing.
    b.Select({"Photos file 2.txt"});
    b.Click("btn_comment");
    QCOMPARE(answers.shownComment, QStringLiteral("Tax Receipts of 2025"));
    QCOMPARE(b.ItemCount(), 6u);
    // OK stores the text and saves.
    answers.comment = "Filed\nwith the bank";
    b.Click("btn_comment");
    QCOMPARE(b.ItemCount(), 6u);
    const int32_t index = b.IndexOf("Photos file 2.txt");
    bool saved = false;
    for (const ItemRecord& r : b.SavedRecords()) {
      if (Get(r, ItemField::Index).AsInteger() == index && !Get(r, ItemField::Name).IsNull()) {
        saved = Get(r, ItemField::Comment).AsString() == "Filed\r\nwith the bank";
      }
    }
    QVERIFY(saved);
    QCOMPARE(watch.messages.size(), 1);
    // A comment that cannot be saved is not passed over in silence.
    fs::create_directories(b.Layout().TempIndexFile() / "in the way");
    b.Click("btn_comment");
    QCOMPARE(watch.messages.size(), 2);
    QVERIFY(watch.messages.last().startsWith(QStringLiteral("The index could not be saved. Is the disk full?\n")));
  }

  void ExportSelectedItemsIntoTheChosenDirectory() {
    ModalWatch watch;
    Answers answers;
    FindBench b(main_);
    const fs::path out = b.fixture.dir / "out";
    fs::create_directories(out);
    b.selectDir.Tree().SelectPath(Q(out));
    ShowCounter statusShows;
    b.status.installEventFilter(&statusShows);
    b.Open();
    b.Search("file");
    b.Click("btn_export");
    QVERIFY(watch.messages.isEmpty());
    QCOMPARE(statusShows.shows, 0);
    // Cancel in the destination dialog exports nothing.
    b.Select({"Papers file 2.txt", "Photos file 1.txt", "Photos file 3.txt"});
    b.Click("btn_export");
    QCOMPARE(answers.selectDirShown, 1);
    QVERIFY(fs::is_empty(out));
    // Three items: the destination dialog once, the status dialog three times.
    answers.destination = Q(out);
    b.Click("btn_export");
    QCOMPARE(answers.selectDirShown, 2);
    QCOMPARE(answers.hint, QStringLiteral("Please select the destination directory:"));
    QVERIFY(!answers.addFolderMode);
    QCOMPARE(statusShows.shows, 3);
    for (const char* name : {"Papers file 2.txt", "Photos file 1.txt", "Photos file 3.txt"}) {
      QCOMPARE(kestramo::testing::ReadFile(out / name), kestramo::testing::ReadFile(b.fixture.dir / "src" / name));
    }
    QVERIFY(!fs::exists(out / "Papers file 1.txt"));
    QVERIFY(watch.messages.isEmpty());
    QCOMPARE(b.Listed().size(), 6);  // exporting changes no record
  }
};

QTEST_MAIN(FindDialogTest)
#include "find_dialog_test.moc"

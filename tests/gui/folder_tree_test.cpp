// SPDX-License-Identifier: GPL-3.0-or-later
// The folder tree over a desktop and volumes made for each test: first view, lazy listing,
// order, paths, finding a path, and following folders and media as they come and go.
#include <sys/stat.h>
#include <unistd.h>
#include <QtTest>
#include <filesystem>

#include "controls/folder_tree.h"
#include "temp_dir.h"
#include "test_files.h"
#include "tree_pointer.h"

using namespace kestramo;
namespace fs = std::filesystem;

namespace {

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

QStringList Captions(const QTreeWidgetItem* node) {
  QStringList captions;
  for (int i = 0; node && i < node->childCount(); ++i) captions << node->child(i)->text(0);
  return captions;
}

QTreeWidgetItem* Child(const QTreeWidgetItem* node, const QString& caption) {
  for (int i = 0; i < node->childCount(); ++i) {
    if (node->child(i)->text(0) == caption) return node->child(i);
  }
  return nullptr;
}

bool ShowsExpandButton(const QTreeWidgetItem* node) {
  return node->childCount() > 0 || node->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
}

// A desktop with folders, a file and a pipe, and a volume "Stick" beside the file-system
// root; a test mounts and unmounts volumes by changing `volumes`.
struct Desk {
  Desk() {
    for (const char* folder : {"desk/beta", "desk/Alpha", "desk/.hidden", "vol/a/b/c", "vol/.cache", "vol/empty"})
      fs::create_directories(dir / folder);
    kestramo::testing::WriteFile(dir / "desk" / "notes.txt", "not a folder");
    ::mkfifo((dir / "desk" / "pipe").c_str(), 0600);
    volumes = {{"/", "File System"}, {Q(dir / "vol"), "Stick"}};
    tree.Namespace().SetDesktopPath(Q(dir / "desk"));
    tree.Namespace().SetVolumeSource([this] { return volumes; });
    tree.Namespace().SetVolumePollInterval(20);
    tree.resize(320, 400);
    tree.show();
    tree.SetActive(true);
  }
  QTreeWidgetItem* Stick() const { return tree.DrivesNode()->child(1); }
  bool Watching(const fs::path& p) { return tree.Namespace().Watching(Q(p)); }

  kestramo::testing::TempDir dir;
  QList<Volume> volumes;
  FolderTree tree;
};

const QStringList kDesktop{"Computer", "Alpha", "beta"};

}  // namespace

class FolderTreeTest : public QObject {
  Q_OBJECT

 private slots:
  void FirstViewAndPaths() {
    Desk d;
    QTreeWidgetItem* root = d.tree.RootNode();
    QCOMPARE(root->text(0), QStringLiteral("Desktop"));
    // The drives node first, open on the volumes; then the desktop's folders without regard
    // to case; no files, no dot-folders.
    QCOMPARE(Captions(root), kDesktop);
    QVERIFY(root->isExpanded() && d.tree.DrivesNode()->isExpanded());
    QCOMPARE(Captions(d.tree.DrivesNode()), (QStringList{"File System", "Stick"}));
    QCOMPARE(d.tree.NodePath(root), Q(d.dir / "desk"));
    QCOMPARE(d.tree.NodePath(d.tree.DrivesNode()->child(0)), QStringLiteral("/"));
    QCOMPARE(d.tree.NodePath(d.Stick()), Q(d.dir / "vol"));
    d.tree.setCurrentItem(d.tree.DrivesNode());
    QVERIFY(d.tree.SelectedPath().isEmpty());
    d.tree.setCurrentItem(Child(root, "Alpha"));
    QCOMPARE(d.tree.SelectedPath(), Q(d.dir / "desk" / "Alpha"));
    d.tree.clearSelection();
    QVERIFY(d.tree.SelectedPath().isEmpty());
    // Display modes change captions, never paths, for nodes listed before and after.
    d.tree.SetDisplayMode(DisplayMode::Uppercase);
    QCOMPARE(Captions(root), (QStringList{"COMPUTER", "ALPHA", "BETA"}));
    d.tree.expandItem(d.Stick());
    QCOMPARE(Captions(d.Stick()), (QStringList{"A", "EMPTY"}));
    QCOMPARE(d.tree.NodePath(Child(root, "ALPHA")), Q(d.dir / "desk" / "Alpha"));
    d.tree.SetDisplayMode(DisplayMode::Lowercase);
    QCOMPARE(root->text(0), QStringLiteral("desktop"));
  }

  void FoldersAreListedWhenFirstOpened() {
    Desk d;
    QTreeWidgetItem* stick = d.Stick();
    QVERIFY(stick->childCount() == 0 && ShowsExpandButton(stick) && !d.Watching(d.dir / "vol"));
    d.tree.expandItem(stick);
    QCOMPARE(Captions(stick), (QStringList{"a", "empty"}));
    QVERIFY(stick->isExpanded() && d.Watching(d.dir / "vol"));
    QVERIFY(Child(stick, "a")->childCount() == 0 && ShowsExpandButton(Child(stick, "a")));  // one level at a time
    // A folder without folders shows no expand button and does not open.
    QTreeWidgetItem* empty = Child(stick, "empty");
    QVERIFY(!ShowsExpandButton(empty));
    d.tree.expandItem(empty);
    QVERIFY(!empty->isExpanded());
  }

  // Dot-folders stay out of sight until Ctrl+H, except on the way to a chosen path.
  void HiddenFoldersShowOnRequest() {
    Desk d;
    fs::create_directories(d.dir / "vol" / "empty" / ".only");
    fs::create_directories(d.dir / "desk" / ".hidden" / "inner");
    QTreeWidgetItem* root = d.tree.RootNode();
    kestramo::testing::OpenNode(d.tree, d.Stick());
    QVERIFY(!ShowsExpandButton(Child(d.Stick(), "empty")));  // it holds a dot-folder only
    QTest::keyClick(&d.tree, Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(Captions(root), (QStringList{"Computer", ".hidden", "Alpha", "beta"}));
    QCOMPARE(Captions(d.Stick()), (QStringList{".cache", "a", "empty"}));
    QVERIFY(ShowsExpandButton(Child(d.Stick(), "empty")));
    // A dot-folder opened while shown goes with all it listed when they are hidden again.
    kestramo::testing::OpenNode(d.tree, Child(root, ".hidden"));
    QVERIFY(Child(Child(root, ".hidden"), "inner"));
    kestramo::testing::ClickNode(d.tree, Child(d.Stick(), ".cache"));
    QTest::keyClick(&d.tree, Qt::Key_H, Qt::ControlModifier);
    QCOMPARE(Captions(root), kDesktop);
    QCOMPARE(Captions(d.Stick()), (QStringList{".cache", "a", "empty"}));  // the selection stays
    QCOMPARE(d.tree.SelectedPath(), Q(d.dir / "vol" / ".cache"));
    // A path chosen before through a dot-folder is found and shown, below it or the folder itself.
    QVERIFY(d.tree.SelectPath(Q(d.dir / "desk" / ".hidden" / "inner")));
    QCOMPARE(d.tree.SelectedPath(), Q(d.dir / "desk" / ".hidden" / "inner"));
    QVERIFY(d.tree.SelectPath(Q(d.dir / "desk" / ".hidden")));
    QCOMPARE(Captions(root), (QStringList{"Computer", ".hidden", "Alpha", "beta"}));
    QVERIFY(!d.tree.ShowsHidden());
  }

  void LocatePathFindsOpensOrRefuses() {
    Desk d;
    const QString deep = Q(d.dir / "vol" / "a" / "b" / "c");
    QCOMPARE(d.tree.LocatePath(deep, true), nullptr);  // not listed yet, and not opened
    QTreeWidgetItem* c = d.tree.LocatePath(deep + "/", false);
    QVERIFY(c);
    QCOMPARE(d.tree.NodePath(c), deep);
    QCOMPARE(d.tree.LocatePath(deep, true), c);
    // A missing folder ends at its deepest existing ancestor, or gives none.
    QCOMPARE(d.tree.LocatePath(deep + "/gone/deeper", false), c);
    QCOMPARE(d.tree.LocatePath(deep + "/gone", true), nullptr);
    QCOMPARE(d.tree.LocatePath(Q(d.dir / "vol" / "A"), true), nullptr);  // letter case counts here
    QCOMPARE(d.tree.LocatePath("relative", false), nullptr);
    // Paths on the desktop are found below the desktop node.
    QCOMPARE(d.tree.LocatePath(Q(d.dir / "desk" / "Alpha"), true)->parent(), d.tree.RootNode());
    QVERIFY(d.tree.SelectPath(Q(d.dir / "vol" / "a" / "b")));
    QCOMPARE(d.tree.SelectedPath(), Q(d.dir / "vol" / "a" / "b"));
    QVERIFY(Child(d.Stick(), "a")->isExpanded());
  }

  void CreatedRemovedAndRenamedFolders() {
    Desk d;
    QTreeWidgetItem* stick = d.Stick();
    d.tree.expandItem(stick);
    QTreeWidgetItem* a = Child(stick, "a");
    d.tree.expandItem(a);
    fs::create_directories(d.dir / "vol" / "Middle");
    kestramo::testing::WriteFile(d.dir / "vol" / "file.txt", "x");
    QTRY_COMPARE(Captions(stick), (QStringList{"a", "empty", "Middle"}));
    // The open sibling keeps its node, its state and its children.
    QCOMPARE(Child(stick, "a"), a);
    QVERIFY(a->isExpanded());
    QCOMPARE(Captions(a), QStringList{"b"});
    fs::rename(d.dir / "vol" / "Middle", d.dir / "vol" / "zeta");
    QTRY_COMPARE(Captions(stick), (QStringList{"a", "empty", "zeta"}));
    // A removed folder's node goes, and so do the watches of all that was listed below it.
    d.tree.expandItem(Child(a, "b"));
    QVERIFY(d.Watching(d.dir / "vol" / "a" / "b"));
    fs::remove_all(d.dir / "vol" / "a");
    QTRY_COMPARE(Captions(stick), (QStringList{"empty", "zeta"}));
    QVERIFY(!d.Watching(d.dir / "vol" / "a") && !d.Watching(d.dir / "vol" / "a" / "b"));
    // A folder made in one that was shown without an expand button opens at a double click.
    QTreeWidgetItem* empty = Child(stick, "empty");
    fs::create_directories(d.dir / "vol" / "empty" / "inner");
    const QPoint at = d.tree.visualItemRect(empty).center();
    QTest::mouseClick(d.tree.viewport(), Qt::LeftButton, {}, at);  // a double click's first press
    QTest::mouseDClick(d.tree.viewport(), Qt::LeftButton, {}, at);
    QTRY_VERIFY(empty->isExpanded());
    QCOMPARE(Captions(empty), QStringList{"inner"});
    fs::create_directories(d.dir / "desk" / "Gamma");
    QTRY_COMPARE(Captions(d.tree.RootNode()), kDesktop + QStringList{"Gamma"});
  }

  void UnreadableFolderKeepsItsButtonAndRefusesToOpen() {
    if (::geteuid() == 0) QSKIP("permissions do not stop the superuser from listing a folder");
    Desk d;
    fs::create_directories(d.dir / "vol" / "locked" / "inside");
    fs::permissions(d.dir / "vol" / "locked", fs::perms::none);
    d.tree.expandItem(d.Stick());
    QTreeWidgetItem* locked = Child(d.Stick(), "locked");
    d.tree.expandItem(locked);
    QVERIFY(!locked->isExpanded() && locked->childCount() == 0 && ShowsExpandButton(locked));
    fs::permissions(d.dir / "vol" / "locked", fs::perms::owner_all);
    d.tree.expandItem(locked);
    QCOMPARE(Captions(locked), QStringList{"inside"});
  }

  // The drives stay within reach when the desktop folder is removed, and when it cannot be read.
  void RootKeepsTheDrivesWhenTheDesktopGoes() {
    Desk d;
    fs::remove_all(d.dir / "desk");
    QTRY_COMPARE(Captions(d.tree.RootNode()), QStringList{"Computer"});
    QVERIFY(d.tree.RootNode()->isExpanded() && d.tree.DrivesNode()->isExpanded());
    d.tree.collapseItem(d.tree.RootNode());
    d.tree.expandItem(d.tree.RootNode());
    QVERIFY(d.tree.RootNode()->isExpanded());
    QVERIFY(d.tree.LocatePath(Q(d.dir / "vol" / "a"), false));

    FolderTree home;
    home.Namespace().SetDesktopPath(QDir::homePath());
    home.SetActive(true);
    QCOMPARE(home.RootNode()->text(0), QStringLiteral("Home"));

    FolderTree unreadable;
    unreadable.Namespace().SetDesktopPath(Q(d.dir / "no such desk"));
    unreadable.Namespace().SetVolumeSource([&d] { return d.volumes; });
    unreadable.SetActive(true);
    QVERIFY(unreadable.RootNode()->isExpanded());
    QCOMPARE(Captions(unreadable.RootNode()), QStringList{"Computer"});
  }

  void MediaInsertedAndRemoved() {
    Desk d;
    fs::create_directories(d.dir / "disc" / "photos");
    fs::create_directories(d.dir / "vol" / "mnt");
    QTreeWidgetItem* stick = d.Stick();
    d.tree.SelectPath(Q(d.dir / "vol" / "a"));
    // A new drive in the volumes' order; the drives shown stay as they were.
    d.volumes.insert(1, {Q(d.dir / "disc"), "Holiday"});
    QTRY_COMPARE(Captions(d.tree.DrivesNode()), (QStringList{"File System", "Holiday", "Stick"}));
    QVERIFY(d.tree.DrivesNode()->child(2) == stick && stick->isExpanded());
    QCOMPARE(d.tree.SelectedPath(), Q(d.dir / "vol" / "a"));
    d.tree.expandItem(d.tree.DrivesNode()->child(1));
    QVERIFY(d.Watching(d.dir / "disc"));
    d.volumes.removeAt(1);
    QTRY_COMPARE(Captions(d.tree.DrivesNode()), (QStringList{"File System", "Stick"}));
    QVERIFY(!d.Watching(d.dir / "disc"));
    // A listed folder that becomes a mount point is read again when next opened.
    QTreeWidgetItem* mnt = Child(stick, "mnt");
    d.tree.expandItem(mnt);
    QVERIFY(!ShowsExpandButton(mnt));
    fs::create_directories(d.dir / "vol" / "mnt" / "on medium");  // as the medium's folders would show
    d.volumes.append({Q(d.dir / "vol" / "mnt"), "Card"});
    QTRY_VERIFY(ShowsExpandButton(mnt));
    d.tree.expandItem(mnt);
    QCOMPARE(Captions(mnt), QStringList{"on medium"});
    d.volumes.swapItemsAt(1, 2);  // a new order shows each drive once
    QTRY_COMPARE(Captions(d.tree.DrivesNode()), (QStringList{"File System", "Card", "Stick"}));
    // Hidden, the tree does not look for media; shown again, it is up to date at once.
    d.tree.hide();
    d.volumes.removeAt(1);
    QTest::qWait(80);
    QCOMPARE(Captions(d.tree.DrivesNode()).size(), 3);
    d.tree.show();
    QCOMPARE(Captions(d.tree.DrivesNode()), (QStringList{"File System", "Stick"}));
    // Deactivating empties the tree and ends every watch.
    d.tree.SetActive(false);
    QVERIFY(d.tree.topLevelItemCount() == 0 && !d.Watching(d.dir / "vol") && !d.Watching(d.dir / "desk"));
  }

  void OnlyRealVolumes() {
    QVERIFY(IsRealFileSystem("ext4", "/dev/sda1") && IsRealFileSystem("nfs4", "server:/export"));
    QVERIFY(!IsRealFileSystem("proc", "proc") && !IsRealFileSystem("tmpfs", "tmpfs"));
    QVERIFY(!IsRealFileSystem("squashfs", "/dev/loop3"));
    const QList<Volume> volumes = MountedVolumes();
    QCOMPARE(volumes.value(0).rootPath, QStringLiteral("/"));
    for (const Volume& v : volumes)
      QVERIFY2(QFileInfo(v.rootPath).isDir() && !v.rootPath.startsWith("/proc"), qPrintable(v.rootPath));
  }
};

QTEST_MAIN(FolderTreeTest)
#include "folder_tree_test.moc"

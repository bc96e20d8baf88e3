// The folder tree over a desktop and volumes made for each test: first view, lazy listing,
// order, paths, finding a path, and following folders and media as they come and go.
#include <QtTest>
#include <filesystem>
#include <unistd.h>

#include "controls/folder_tree.h"
#include "platform/mounted_volumes.h"
#include "temp_dir.h"
#include "test_files.h"

using namespace kestramo;
using kestramo::testing::TempDir;
namespace fs = std::filesystem;

namespace {

QString Q(const fs::path& p) { return QString::fromStdString(p.string()); }

QStringList Captions(const QTreeWidgetItem* node) {
  QStringList captions;
  for (int i = 0; node && i < node->childCount(); ++i) captions << node->child(i)->text(0);
  return captions;
}

QTreeWidgetItem* ChildNamed(const QTreeWidgetItem* node, const QString& caption) {
  for (int i = 0; node && i < node->childCount(); ++i) {
    if (node->child(i)->text(0) == caption) return node->child(i);
  }
  return nullptr;
}

bool ShowsExpandButton(const QTreeWidgetItem* node) {
  return node->childCount() > 0 || node->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
}

// A desktop and one extra volume under a temporary directory; the volumes are the file
// system root and that volume until a test mounts or unmounts one.
struct Desk {
  Desk() {
    fs::create_directories(dir / "desk" / "beta");
    fs::create_directories(dir / "desk" / "Alpha");
    fs::create_directories(dir / "desk" / ".hidden");
    kestramo::testing::WriteFile(dir / "desk" / "notes.txt", "not a folder");
    fs::create_directories(dir / "vol" / "a" / "b" / "c");
    fs::create_directories(dir / "vol" / ".cache");
    fs::create_directories(dir / "vol" / "empty");
    volumes = {{"/", "File System"}, {Q(dir / "vol"), "Stick"}};
    tree.Namespace().SetDesktopPath(Q(dir / "desk"));
    tree.Namespace().SetVolumeSource([this] { return volumes; });
    tree.Namespace().SetVolumePollInterval(20);
    tree.resize(320, 400);
    tree.show();
    tree.SetActive(true);
  }
  QTreeWidgetItem* Volume() const { return tree.DrivesNode()->child(1); }

  TempDir dir;
  QList<kestramo::Volume> volumes;
  FolderTree tree;
};

}  // namespace

class FolderTreeTest : public QObject {
  Q_OBJECT

 private slots:
  void FirstViewShowsDesktopDrivesAndDesktopFolders() {
    Desk d;
    QTreeWidgetItem* root = d.tree.RootNode();
    QCOMPARE(d.tree.topLevelItemCount(), 1);
    QCOMPARE(root->text(0), QStringLiteral("Desktop"));
    QVERIFY(root->isExpanded());
    // The drives node first and open on the volumes in their order; then the desktop's
    // folders, hidden ones included, without regard to case; files are not listed.
    QCOMPARE(Captions(root), (QStringList{"Computer", ".hidden", "Alpha", "beta"}));
    QTreeWidgetItem* drives = d.tree.DrivesNode();
    QVERIFY(drives->isExpanded());
    QCOMPARE(Captions(drives), (QStringList{"File System", "Stick"}));
    // Paths: the desktop's own directory, a drive's root, nothing for the drives node.
    QCOMPARE(d.tree.NodePath(root), Q(d.dir / "desk"));
    QCOMPARE(d.tree.NodePath(drives->child(0)), QStringLiteral("/"));
    QCOMPARE(d.tree.NodePath(d.Volume()), Q(d.dir / "vol"));
    QVERIFY(d.tree.NodePath(drives).isEmpty());
    QVERIFY(d.tree.NodePath(nullptr).isEmpty());
    d.tree.setCurrentItem(drives);
    QVERIFY(d.tree.SelectedPath().isEmpty());
    d.tree.setCurrentItem(ChildNamed(root, "Alpha"));
    QCOMPARE(d.tree.SelectedPath(), Q(d.dir / "desk" / "Alpha"));
    d.tree.clearSelection();
    QVERIFY(d.tree.SelectedPath().isEmpty());
  }

  void FoldersAreListedWhenFirstOpened() {
    Desk d;
    QTreeWidgetItem* vol = d.Volume();
    QCOMPARE(vol->childCount(), 0);
    QVERIFY(ShowsExpandButton(vol));
    QVERIFY(!d.tree.Namespace().Watching(Q(d.dir / "vol")));
    d.tree.expandItem(vol);
    QVERIFY(vol->isExpanded());
    QCOMPARE(Captions(vol), (QStringList{".cache", "a", "empty"}));
    QVERIFY(d.tree.Namespace().Watching(Q(d.dir / "vol")));
    QTreeWidgetItem* a = ChildNamed(vol, "a");
    QCOMPARE(a->childCount(), 0);  // one level at a time
    QVERIFY(ShowsExpandButton(a));
    // A folder without folders shows no expand button and does not open.
    QTreeWidgetItem* empty = ChildNamed(vol, "empty");
    QVERIFY(!ShowsExpandButton(empty));
    d.tree.expandItem(empty);
    QVERIFY(!empty->isExpanded());
  }

  void DisplayModesChangeCaptionsNotPaths() {
    Desk d;
    fs::create_directories(d.dir / "vol" / "a" / "Mixed Case");
    d.tree.SetDisplayMode(DisplayMode::Uppercase);
    QTreeWidgetItem* root = d.tree.RootNode();
    QCOMPARE(root->text(0), QStringLiteral("DESKTOP"));
    QCOMPARE(Captions(root), (QStringList{"COMPUTER", ".HIDDEN", "ALPHA", "BETA"}));
    QCOMPARE(d.tree.NodePath(root->child(2)), Q(d.dir / "desk" / "Alpha"));
    // Folders listed later follow the mode too.
    QTreeWidgetItem* a = d.tree.LocatePath(Q(d.dir / "vol" / "a"), false);
    d.tree.expandItem(a);
    QCOMPARE(Captions(a), (QStringList{"B", "MIXED CASE"}));
    d.tree.SetDisplayMode(DisplayMode::Lowercase);
    QCOMPARE(Captions(a), (QStringList{"b", "mixed case"}));
    d.tree.SetDisplayMode(DisplayMode::Asis);
    QCOMPARE(Captions(a), (QStringList{"b", "Mixed Case"}));
  }

  void LocatePathFindsOpensOrRefuses() {
    Desk d;
    const QString deep = Q(d.dir / "vol" / "a" / "b" / "c");
    // Without opening, folders not yet listed are not searched.
    QCOMPARE(d.tree.LocatePath(deep, true), nullptr);
    QCOMPARE(d.Volume()->childCount(), 0);
    QTreeWidgetItem* c = d.tree.LocatePath(deep + "/", false);
    QVERIFY(c);
    QCOMPARE(d.tree.NodePath(c), deep);
    QCOMPARE(d.tree.LocatePath(deep, true), c);
    // A path that does not exist ends at its deepest existing folder, or gives none.
    QCOMPARE(d.tree.LocatePath(deep + "/gone/deeper", false), c);
    QCOMPARE(d.tree.LocatePath(deep + "/gone", true), nullptr);
    // Letter case matters on this file system.
    QCOMPARE(d.tree.LocatePath(Q(d.dir / "vol" / "A"), true), nullptr);
    QCOMPARE(d.tree.LocatePath("relative/path", false), nullptr);
    QCOMPARE(d.tree.LocatePath(QString(), false), nullptr);
    // Paths on the desktop are found below the desktop node, the deepest start there is.
    QTreeWidgetItem* alpha = d.tree.LocatePath(Q(d.dir / "desk" / "Alpha"), true);
    QVERIFY(alpha);
    QCOMPARE(alpha->parent(), d.tree.RootNode());
    QCOMPARE(d.tree.LocatePath(Q(d.dir / "desk"), true), d.tree.RootNode());
    // Selecting opens the way to the node.
    QVERIFY(d.tree.SelectPath(Q(d.dir / "vol" / "a" / "b")));
    QCOMPARE(d.tree.SelectedPath(), Q(d.dir / "vol" / "a" / "b"));
    QVERIFY(d.Volume()->isExpanded() && ChildNamed(d.Volume(), "a")->isExpanded());
  }

  void CreatedAndRemovedFoldersAppearAndDisappear() {
    Desk d;
    QTreeWidgetItem* vol = d.Volume();
    d.tree.expandItem(vol);
    QTreeWidgetItem* a = ChildNamed(vol, "a");
    d.tree.expandItem(a);
    fs::create_directories(d.dir / "vol" / "Middle");
    QTRY_COMPARE(Captions(vol), (QStringList{".cache", "a", "empty", "Middle"}));
    // A file changes no node; the open sibling keeps its state and its children.
    kestramo::testing::WriteFile(d.dir / "vol" / "file.txt", "x");
    fs::create_directories(d.dir / "vol" / "0first");
    QTRY_COMPARE(Captions(vol), (QStringList{".cache", "0first", "a", "empty", "Middle"}));
    QCOMPARE(ChildNamed(vol, "a"), a);
    QVERIFY(a->isExpanded());
    QCOMPARE(Captions(a), QStringList{"b"});
    // Renaming is a removal and a creation.
    fs::rename(d.dir / "vol" / "Middle", d.dir / "vol" / "zeta");
    QTRY_COMPARE(Captions(vol), (QStringList{".cache", "0first", "a", "empty", "zeta"}));
    // Removing a listed folder drops its node and stops watching it and what was below.
    d.tree.expandItem(ChildNamed(a, "b"));
    QVERIFY(d.tree.Namespace().Watching(Q(d.dir / "vol" / "a" / "b")));
    fs::remove_all(d.dir / "vol" / "a");
    QTRY_COMPARE(Captions(vol), (QStringList{".cache", "0first", "empty", "zeta"}));
    QVERIFY(!d.tree.Namespace().Watching(Q(d.dir / "vol" / "a")));
    QVERIFY(!d.tree.Namespace().Watching(Q(d.dir / "vol" / "a" / "b")));
    // A folder made inside one that showed no expand button is offered at a double click.
    QTreeWidgetItem* empty = ChildNamed(vol, "empty");
    fs::create_directories(d.dir / "vol" / "empty" / "inner");
    const QRect at = d.tree.visualItemRect(empty);
    QTest::mouseClick(d.tree.viewport(), Qt::LeftButton, {}, at.center());  // a double click's first press
    QTest::mouseDClick(d.tree.viewport(), Qt::LeftButton, {}, at.center());
    QTRY_VERIFY(empty->isExpanded());
    QCOMPARE(Captions(empty), QStringList{"inner"});
    // The desktop itself is followed as well.
    fs::create_directories(d.dir / "desk" / "Gamma");
    QTRY_COMPARE(Captions(d.tree.RootNode()), (QStringList{"Computer", ".hidden", "Alpha", "beta", "Gamma"}));
  }

  void UnreadableFolderKeepsItsButtonAndRefusesToOpen() {
    if (::geteuid() == 0) QSKIP("permissions do not stop the superuser from listing a folder");
    Desk d;
    fs::create_directories(d.dir / "vol" / "locked" / "inside");
    fs::permissions(d.dir / "vol" / "locked", fs::perms::none);
    d.tree.expandItem(d.Volume());
    QTreeWidgetItem* locked = ChildNamed(d.Volume(), "locked");
    QVERIFY(ShowsExpandButton(locked));
    d.tree.expandItem(locked);
    QVERIFY(!locked->isExpanded());
    QCOMPARE(locked->childCount(), 0);
    QVERIFY(ShowsExpandButton(locked));
    fs::permissions(d.dir / "vol" / "locked", fs::perms::owner_all);
    d.tree.expandItem(locked);
    QCOMPARE(Captions(locked), QStringList{"inside"});
  }

  void MediaInsertedAndRemovedRefreshTheDrives() {
    Desk d;
    fs::create_directories(d.dir / "media" / "disc" / "photos");
    fs::create_directories(d.dir / "vol" / "mnt");
    d.tree.expandItem(d.Volume());
    QTreeWidgetItem* stick = d.Volume();
    d.tree.SelectPath(Q(d.dir / "vol" / "a" / "b"));
    // Inserted: a new drive in the volumes' order; the drives already shown stay as they are.
    d.volumes.insert(1, {Q(d.dir / "media" / "disc"), "Holiday"});
    QTRY_COMPARE(Captions(d.tree.DrivesNode()), (QStringList{"File System", "Holiday", "Stick"}));
    QCOMPARE(d.tree.DrivesNode()->child(2), stick);
    QVERIFY(stick->isExpanded());
    QCOMPARE(d.tree.SelectedPath(), Q(d.dir / "vol" / "a" / "b"));
    QTreeWidgetItem* disc = d.tree.DrivesNode()->child(1);
    QVERIFY(ShowsExpandButton(disc));
    d.tree.expandItem(disc);
    QCOMPARE(Captions(disc), QStringList{"photos"});
    // Removed: its node goes with everything below it.
    d.volumes.removeAt(1);
    QTRY_COMPARE(Captions(d.tree.DrivesNode()), (QStringList{"File System", "Stick"}));
    QVERIFY(!d.tree.Namespace().Watching(Q(d.dir / "media" / "disc")));
    // A listed folder on which a medium is mounted is read again when next opened.
    QTreeWidgetItem* mnt = ChildNamed(stick, "mnt");
    d.tree.expandItem(mnt);
    QVERIFY(!mnt->isExpanded());
    QVERIFY(!ShowsExpandButton(mnt));
    fs::create_directories(d.dir / "vol" / "mnt" / "on medium");  // as if the medium's folders showed
    d.volumes.append({Q(d.dir / "vol" / "mnt"), "Card"});
    QTRY_COMPARE(Captions(d.tree.DrivesNode()).size(), 3);
    QVERIFY(ShowsExpandButton(mnt));
    d.tree.expandItem(mnt);
    QCOMPARE(Captions(mnt), QStringList{"on medium"});
  }

  void RealVolumesOnly() {
    QVERIFY(IsRealFileSystem("ext4", "/dev/sda1"));
    QVERIFY(IsRealFileSystem("nfs4", "server:/export"));
    QVERIFY(!IsRealFileSystem("proc", "proc"));
    QVERIFY(!IsRealFileSystem("tmpfs", "tmpfs"));
    QVERIFY(!IsRealFileSystem("squashfs", "/dev/loop3"));
    const QList<Volume> volumes = MountedVolumes();
    QVERIFY(!volumes.isEmpty());
    QCOMPARE(volumes.first().rootPath, QStringLiteral("/"));
    for (const Volume& v : volumes) {
      QVERIFY2(!v.rootPath.startsWith("/proc") && !v.rootPath.startsWith("/sys"), qPrintable(v.rootPath));
      QVERIFY(QFileInfo(v.rootPath).isDir());
    }
  }

  void DeactivatingEmptiesAndStopsFollowing() {
    Desk d;
    d.tree.expandItem(d.Volume());
    QVERIFY(d.tree.Namespace().Watching(Q(d.dir / "vol")));
    QSignalSpy changed(&d.tree, &FolderTree::Changed);
    d.tree.SetActive(false);
    QCOMPARE(d.tree.topLevelItemCount(), 0);
    QVERIFY(!d.tree.Namespace().Watching(Q(d.dir / "vol")));
    QVERIFY(!d.tree.Namespace().Watching(Q(d.dir / "desk")));
    QCOMPARE(changed.count(), 0);
    d.tree.SetActive(true);
    QCOMPARE(Captions(d.tree.RootNode()), (QStringList{"Computer", ".hidden", "Alpha", "beta"}));
  }
};

QTEST_MAIN(FolderTreeTest)
#include "folder_tree_test.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>
#include <unistd.h>

#include <QtTest>

#include "platform/raise_request.h"
#include "platform/single_instance.h"
#include "temp_dir.h"

using namespace kestramo;

// Puts the two variables back however a test row ends: the next row's folder is made in TMPDIR.
struct EnvironmentKept {
  const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), temp = qgetenv("TMPDIR");
  ~EnvironmentKept() {
    runtime.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", runtime);
    temp.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", temp);
  }
};

// The lock that keeps to one running copy lives only in a folder of the user's alone: one that
// the user's group or others can reach could let them take or block it.
class SingleInstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void theLockFolderIsPrivateOrPassedOver_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("used");
    QTest::newRow("the user's alone") << 0700 << true;
    QTest::newRow("the group may read") << 0750 << false;
    QTest::newRow("the group may write") << 0770 << false;
    QTest::newRow("others may enter") << 0701 << false;
  }

  void theLockFolderIsPrivateOrPassedOver() {
    QFETCH(int, mode);
    QFETCH(bool, used);
    testing::TempDir dir;
    const std::string name = "kestramo-" + std::to_string(::getuid());
    for (const std::string& folder : {std::string("runtime"), name}) {
      QVERIFY(::mkdir((dir / folder).c_str(), 0700) == 0);
      QVERIFY(::chmod((dir / folder).c_str(), static_cast<mode_t>(mode)) == 0);
    }
    const EnvironmentKept kept;
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString((dir / "runtime").string()));
    qputenv("TMPDIR", QByteArray::fromStdString(dir.Path().string()));
    const QString lock = QStringLiteral("kestramo-test.lock");
    {
      SingleInstance instance(QStringLiteral("kestramo-test"));
      QVERIFY2(instance.Problem().isEmpty(), qPrintable(instance.Problem()));
      const bool inRuntime = QFile::exists(QString::fromStdString((dir / "runtime").string()) + "/" + lock);
      const bool inTemp = QFile::exists(QString::fromStdString((dir / name).string()) + "/" + lock);
      const bool inNext = QFile::exists(QString::fromStdString((dir / (name + ".1")).string()) + "/" + lock);
      QCOMPARE(inRuntime, used);
      QCOMPARE(inTemp, false);  // a folder others can reach is never used, whoever made it
      QCOMPARE(inNext, !used);
      // The raise socket lives beside the lock, never under a name another user could take.
      const std::string socketDir = used ? "runtime" : name + ".1";
      QCOMPARE(RaiseRequests(QStringLiteral("kestramo-test-raise")).SocketPath(),
               QString::fromStdString((dir / socketDir / "kestramo-test-raise").string()));
    }
  }
};

QTEST_GUILESS_MAIN(SingleInstanceTest)
#include "single_instance_test.moc"

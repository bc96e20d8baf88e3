// SPDX-License-Identifier: GPL-3.0-or-later
#include <QImage>
#include <QtTest>
#include <fstream>

#include "platform/qt_shell_info.h"
#include "storage/text/utf8.h"
#include "temp_dir.h"

using namespace kestramo;

class ShellInfoTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QtShellInfo::UseDesktopIconTheme(); }

  void iconsAreThemedAndTheMaskFollowsTheirAlpha() {
    testing::TempDir dir;
    std::ofstream(dir / "notes.md") << "# text";
    QtShellInfo shell;
    const api::ShellIcon icon = shell.IconOf(dir / "notes.md");  // a type without an icon of its own
    QVERIFY(icon.icon && icon.mask);
    const QImage picture = QImage::fromData(icon.icon->data(), static_cast<int>(icon.icon->size()));
    const QImage mask = QImage::fromData(icon.mask->data(), static_cast<int>(icon.mask->size()));
    QCOMPARE(picture.size(), QSize(32, 32));
    QCOMPARE(mask.size(), QSize(32, 32));
    int opaque = 0;
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const bool visible = qAlpha(picture.pixel(x, y)) > 0;
        opaque += visible;
        QCOMPARE(mask.pixel(x, y), visible ? 0xFFFFFFFFu : 0xFF000000u);
      }
    }
    QVERIFY2(opaque > 100, "the icon theme gave no icon");
  }

  void typeDescriptionsComeFromTheMimeDatabase() {
    testing::TempDir dir;
    std::ofstream(dir / "notes.txt") << "text";
    QtShellInfo shell;
    QCOMPARE(QString::fromStdString(shell.TypeOf(dir / "notes.txt")), QStringLiteral("plain text document"));
    QVERIFY(!shell.TypeOf(dir.Path()).empty());
    QVERIFY(api::Utf8Length(shell.TypeOf(dir / "notes.txt")) <= 79);
  }
};

QTEST_MAIN(ShellInfoTest)
#include "shell_info_test.moc"

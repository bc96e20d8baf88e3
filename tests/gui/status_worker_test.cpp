// SPDX-License-Identifier: GPL-3.0-or-later
// The status dialog and the worker: animation order, refusal to close, the hand-over
// from a worker thread, and real imports and exports through StartWork with Cancel.
#include <QLabel>
#include <QtTest>
#include <fstream>
#include <random>
#include <thread>

#include "controls/region_button.h"
#include "controls/skin_progress_bar.h"
#include "dialogs/frm_status.h"
#include "dialogs/start_work.h"
#include "kestramo/vault.h"
#include "modal_watch.h"
#include "pipeline_fakes.h"
#include "skin_session.h"
#include "storage/vault/vault_layout.h"
#include "temp_dir.h"

using namespace kestramo;
using kestramo::testing::FakeShell;
using kestramo::testing::ModalWatch;
using kestramo::testing::TempDir;
namespace fs = std::filesystem;

namespace {

void WriteRandom(const fs::path& file, std::size_t bytes, unsigned seed) {
  std::mt19937_64 rng(seed);
  std::vector<uint64_t> data(bytes / 8);
  for (auto& word : data) word = rng();
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size() * 8);
}

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<int> Frames(FrmStatus& status, int ticks) {
  std::vector<int> frames{status.AnimFrame()};
  for (int i = 0; i < ticks; ++i) {
    status.TimerAnimTimer();
    frames.push_back(status.AnimFrame());
  }
  return frames;
}

std::vector<int> Run(int from, int step, int count, int last) {
  std::vector<int> frames;
  for (int i = 0, f = from; i < count; ++i, f = (f + step + last + 1) % (last + 1)) frames.push_back(f);
  return frames;
}

int ItemCount(const api::Vault& vault) {
  std::vector<api::ItemInfo> items;
  if (!vault.Items({}, &items).ok()) return -1;
  return static_cast<int>(items.size());
}

bool TempIsEmpty(const api::Vault& vault) {
  std::error_code ec;
  const fs::path temp = VaultLayout(vault.Base()).TempDir();
  return !fs::exists(temp, ec) || fs::is_empty(temp, ec);
}

// Notes the threads it is asked on: the desktop's icon machinery belongs to the GUI thread.
struct ThreadNotingShell : FakeShell {
  api::ShellIcon IconOf(const fs::path& p) override { return Note(), FakeShell::IconOf(p); }
  std::string TypeOf(const fs::path& p) override { return Note(), FakeShell::TypeOf(p); }
  void Note() {
    ++calls;
    if (QThread::currentThread() != qApp->thread()) ++offGuiThread;
  }
  std::atomic<int> calls{0}, offGuiThread{0};
};

// A fresh vault beside the files a test imports, with the status dialog that watches its work.
struct Bench {
  explicit Bench(QWidget* mainWindow) : status(mainWindow) {
    std::filesystem::create_directories(dir / "vault");
    api::OpenOptions options;
    options.base = dir / "vault";
    options.create = true;
    if (!vault.Open(options).ok()) qFatal("the test vault cannot be made");
    std::filesystem::create_directories(dir / "out");
  }
  bool Import(const std::string& file, const std::function<void()>& repaint = {}) {
    return StartWork(status, vault, shell, {dir / file, "Papers", {}, true}, repaint);
  }
  // Exports the newest item into dir/out.
  bool ExportNewest() {
    std::vector<api::ItemInfo> items;
    if (!vault.Items({}, &items).ok()) return false;
    return StartWork(status, vault, shell, {{}, {}, dir / "out", false, items.empty() ? 0 : items.back().index});
  }

  TempDir dir;
  api::Vault vault;
  ThreadNotingShell shell;
  FrmStatus status;
};

}  // namespace

class StatusWorkerTest : public QObject {
  Q_OBJECT

  QWidget* main_ = nullptr;

  // Presses Cancel once the dialog shows `phase` with the bar moved past its start.
  static void CancelDuring(ModalWatch& watch, FrmStatus& status, api::Phase phase) {
    watch.onTick = [&status, phase] {
      if (status.isVisible() && status.AnimPhase() == phase && status.ProgressBar()->Position() > 0 &&
          status.CancelButton()->Enabled() && !status.Cancelled()) {
        QTest::mouseClick(status.CancelButton(), Qt::LeftButton, {}, QPoint(25, 7));
      }
    };
  }

 private slots:
  void initTestCase() { main_ = kestramo::testing::OpenMainWindowStandIn(); }
  void cleanupTestCase() { delete main_; }

  void AnimationFramesRunByPhase() {
    FrmStatus status(main_);
    status.SetPhase(api::Phase::Decrypting);
    QCOMPARE(status.AnimInterval(), 60);
    QVERIFY(status.Animating());
    QCOMPARE(Frames(status, 32), Run(30, -1, 33, 30));
    status.SetPhase(api::Phase::Encrypting);
    QCOMPARE(Frames(status, 32), Run(0, 1, 33, 30));
    status.SetPhase(api::Phase::Compressing);
    QCOMPARE(status.AnimInterval(), 100);
    QCOMPARE(Frames(status, 21), Run(0, 1, 22, 19));
    status.SetPhase(api::Phase::Decompressing);
    QCOMPARE(Frames(status, 21), Run(19, -1, 22, 19));
    // A new phase starts at its first frame, even on the same strip.
    Frames(status, 4);
    status.SetPhase(api::Phase::Decompressing);
    QCOMPARE(status.AnimFrame(), 19);
  }

  void RefusesToCloseWhileWorkRuns() {
    FrmStatus status(main_);
    status.CancelButton()->SetEnabled(true);
    status.PrepareForWork();
    status.setResult(0);
    status.show();
    QVERIFY(QTest::qWaitForWindowExposed(&status));
    QVERIFY(status.CancelButton()->Disabled());  // grey and inert from the start
    QCOMPARE(status.pos(), QPoint(100 + (560 - 317) / 2, 100 + (420 - 92) / 2));
    QTest::mouseClick(status.CancelButton(), Qt::LeftButton, {}, QPoint(25, 7));
    QVERIFY(!status.Cancelled());
    QVERIFY(!status.close());
    QTest::keyClick(&status, Qt::Key_Escape);
    status.reject();
    QVERIFY(status.isVisible());
    // Cancel asks the work to stop; the dialog stays until the work closes it.
    status.EnableCancel();
    QTest::mouseClick(status.CancelButton(), Qt::LeftButton, {}, QPoint(25, 7));
    QVERIFY(status.Cancelled());
    QVERIFY(status.isVisible());

    // A long name is cut in its middle to the label's room; its end stays.
    const QString longName = "Scans of the tax papers of 2025 with every receipt and the letters from the office.pdf";
    status.SetStatusText("Now is crypting:\r" + longName);
    auto* label = status.findChild<QLabel*>("lblStatus");
    const QStringList shown = label->text().split('\n');
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown[1].contains(QChar(0x2026)) && shown[1].endsWith("office.pdf"));
    QVERIFY(label->fontMetrics().horizontalAdvance(shown[1]) <= label->width());
    QCOMPARE(status.StatusText(), "Now is crypting:\n" + longName);
    QVERIFY(status.grab().save(kestramo::testing::ShotsDir() + "/status-long.png"));
    status.SetStatusText("Now is crypting:\rTax papers 2025");
    status.SetPhase(api::Phase::Encrypting);
    status.SetProgress(64, 100);
    QVERIFY(status.grab().save(kestramo::testing::ShotsDir() + "/status.png"));
    status.FinishWork();
    QVERIFY(!status.isVisible());
    QVERIFY(!status.Animating());
  }

  void HandOverKeepsOrderAndACloseBeforeShowing() {
    FrmStatus status(main_);
    status.PrepareForWork();
    std::thread worker([&status] {
      api::StatusSink& sink = status.Sink();
      sink.SetStatusText("Now is decompressing:\rletters.txt");
      sink.SetPhase(api::Phase::Decompressing);
      sink.EnableCancel();
      for (int p = 1; p <= 40; ++p) sink.SetProgress(p, 100);
      sink.SetProgress(7, 100);
      status.Work().MarkClosable();
      sink.Close();
      sink.ShowMessage("Invalid file or path name.");
    });
    worker.join();  // everything is handed over before the dialog is even shown
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, &status, [&status] { status.done(99); });
    guard.start(5000);
    QCOMPARE(status.exec(), kResultOk);
    QCOMPARE(status.StatusText(), QStringLiteral("Now is decompressing:\nletters.txt"));
    QCOMPARE(status.AnimPhase(), api::Phase::Decompressing);
    QCOMPARE(status.ProgressBar()->Position(), 7);
    QVERIFY(status.CancelButton()->Enabled());
    QCOMPARE(status.TakeMessages(), std::vector<std::string>{"Invalid file or path name."});

    // A close handled before the modal loop starts still ends it.
    status.PrepareForWork();
    status.FinishWork();
    guard.start(5000);
    QCOMPARE(status.exec(), kResultOk);
  }

  void ImportsAndExportsOnAWorker() {
    Bench b(main_);
    WriteRandom(b.dir / "report.bin", 3 << 20, 1);
    int repaints = 0;
    ModalWatch watch(QMessageBox::No);

    QVERIFY(b.Import("report.bin", [&] { ++repaints; }));
    QVERIFY(!b.status.Cancelled());
    QCOMPARE(repaints, 1);
    QCOMPARE(ItemCount(b.vault), 1);
    QVERIFY(b.shell.calls > 0);
    QCOMPARE(b.shell.offGuiThread.load(), 0);
    QVERIFY(b.status.StatusText().startsWith("Now is crypting:\n"));
    QCOMPARE(b.status.ProgressBar()->Position(), 0);  // back to 0 after encryption
    QVERIFY(TempIsEmpty(b.vault));

    QVERIFY(b.ExportNewest());
    QCOMPARE(ReadAll(b.dir / "out" / "report.bin"), ReadAll(b.dir / "report.bin"));
    QVERIFY(watch.questions.isEmpty());

    // Exporting again over a changed copy asks on the main thread; No keeps it.
    std::ofstream(b.dir / "out" / "report.bin", std::ios::trunc) << "edited";
    b.ExportNewest();
    QCOMPARE(watch.questions.size(), 1);
    QVERIFY2(watch.questions[0].startsWith(QString::fromStdString((b.dir / "out" / "report.bin").string())) &&
                 watch.questions[0].contains("On disk: 6 bytes") &&
                 watch.questions[0].contains("In the item: 3,145,728 bytes"),
             qPrintable(watch.questions[0]));
    QCOMPARE(ReadAll(b.dir / "out" / "report.bin"), std::string("edited"));
    QVERIFY(watch.messages.isEmpty());

    // A pipeline's message comes after the dialog closed, through the message dialog.
    QVERIFY(!b.Import("missing.bin"));
    QCOMPARE(watch.messages, QStringList{"Invalid file or path name."});
    QVERIFY(!b.status.isVisible());
  }

  void CancelStopsTheItemInProgress_data() {
    QTest::addColumn<api::Phase>("phase");
    QTest::addColumn<bool>("exporting");
    QTest::newRow("packing") << api::Phase::Compressing << false;
    QTest::newRow("encryption") << api::Phase::Encrypting << false;
    QTest::newRow("decryption") << api::Phase::Decrypting << true;
    QTest::newRow("unpacking") << api::Phase::Decompressing << true;
  }
  void CancelStopsTheItemInProgress() {
    QFETCH(api::Phase, phase);
    QFETCH(bool, exporting);
    Bench b(main_);
    // Unpacking a stored archive runs at copying speed: it needs more bytes to be caught at it.
    WriteRandom(b.dir / "big.bin", (phase == api::Phase::Decompressing ? 128 : 32) << 20, 2);
    ModalWatch watch;
    if (exporting) QVERIFY(b.Import("big.bin"));
    CancelDuring(watch, b.status, phase);
    QVERIFY(!(exporting ? b.ExportNewest() : b.Import("big.bin")));
    QVERIFY(b.status.Cancelled());
    QCOMPARE(ItemCount(b.vault), exporting ? 1 : 0);
    QVERIFY(!fs::exists(VaultLayout(b.vault.Base()).ItemFile(exporting ? 2 : 1)));
    QVERIFY(fs::is_empty(b.dir / "out"));
    QVERIFY(TempIsEmpty(b.vault));
    QVERIFY(watch.messages.isEmpty());
    // The next operation starts afresh and runs to its end.
    watch.onTick = nullptr;
    QVERIFY(exporting ? b.ExportNewest() : b.Import("big.bin"));
    QVERIFY(!b.status.Cancelled());
  }
};

QTEST_MAIN(StatusWorkerTest)
#include "status_worker_test.moc"

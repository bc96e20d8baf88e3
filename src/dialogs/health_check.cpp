// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/health_check.h"

#include <QCoreApplication>
#include <QThread>

#include "dialogs/frm_status.h"
#include "platform/health_words.h"

namespace kestramo {

namespace {

QString Counted(std::size_t n, const char* what) {
  return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(what)).arg(n == 1 ? "" : "s");
}

// Ends the status display on every path out of the check, an unexpected failure included.
class ClosesAtEnd {
 public:
  explicit ClosesAtEnd(FrmStatus& status) : status_(status) {}
  ~ClosesAtEnd() {
    status_.Work().MarkClosable();
    status_.Sink().Close();
  }
  ClosesAtEnd(const ClosesAtEnd&) = delete;
  ClosesAtEnd& operator=(const ClosesAtEnd&) = delete;

 private:
  FrmStatus& status_;
};

}  // namespace

api::VaultHealth RunHealthCheck(FrmStatus& status, api::Vault& vault) {
  status.PrepareForWork();
  api::VaultHealth health;
  QThread* worker = QThread::create([&] {
    api::StatusSink& sink = status.Sink();
    const ClosesAtEnd closer(status);
    sink.EnableCancel();
    api::VerifyOptions options;
    options.control = &status.Work();
    options.beforeItem = [&](std::size_t done, std::size_t total) {
      if (status.Work().Cancelled()) return false;
      sink.SetStatusText("Checking\r" + std::to_string(done + 1) + " of " + std::to_string(total));
      return true;
    };
    (void)vault.Verify(options, &health);  // the health report holds all it says
  });
  worker->start();
  status.exec();
  worker->wait();  // done with the vault before anyone else uses it
  delete worker;
  QCoreApplication::sendPostedEvents(&status, QEvent::MetaCall);
  return health;
}

QString HealthReport(const api::VaultHealth& health) {
  QStringList lines;
  if (health.stopped) lines << QStringLiteral("The check was cancelled after %1.").arg(Counted(health.items, "item"));
  for (const api::ItemFinding& f : health.findings) {
    lines << QStringLiteral("%1 \"%2\" in \"%3\": %4")
                 .arg(f.Unchecked() ? QStringLiteral("Not checked:") : QStringLiteral("Damaged:"),
                      QString::fromStdString(f.name), QString::fromStdString(f.box),
                      QString::fromStdString(ProblemText(f)));
  }
  for (const auto& file : health.classic) {
    lines
        << QStringLiteral("Readable without the passphrase: %1").arg(QString::fromStdString(file.filename().string()));
  }
  if (!health.unrecorded.empty()) {
    lines
        << QStringLiteral("%1 in coffrel/ that no record lists (kept).").arg(Counted(health.unrecorded.size(), "file"));
  }
  if (health.Healthy() && health.items == 0)
    lines.prepend(QStringLiteral("The vault holds no items yet: there is nothing to check."));
  else if (health.Healthy())
    lines.prepend(QStringLiteral("All %1 can be taken out whole.").arg(Counted(health.items, "item")));
  else if (!health.stopped)
    lines.prepend(
        QStringLiteral("%1 checked: %2 damaged or missing.").arg(Counted(health.items, "item")).arg(health.Damaged()));
  return lines.join(QLatin1Char('\r'));
}

}  // namespace kestramo

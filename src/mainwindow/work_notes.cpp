// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/work_notes.h"

#include "dialogs/frm_note.h"

namespace kestramo {

namespace {

// "a.txt was not added: it holds no data." for each failure, on lines of their own.
QString Failures(const QStringList& failures, const QString& verb) {
  QStringList lines;
  for (const QString& failure : failures) {
    const qsizetype colon = failure.indexOf(QStringLiteral(": "));
    lines << failure.left(colon) + QStringLiteral(" was not ") + verb +
                 (colon < 0 ? QStringLiteral(".") : failure.mid(colon) + QLatin1Char('.'));
  }
  return lines.isEmpty() ? QString() : QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}

QString OutOf(int done, int of) {
  return done == of ? ItemCount(of) : QStringLiteral("%1 of %2").arg(done).arg(ItemCount(of));
}

}  // namespace

QString AddNote(const AddTally& tally, const QString& box) {
  const QString into = QStringLiteral(" added to ") + box + QLatin1Char('.');
  QString note;
  if (tally.cancelled) {
    note = tally.added == 0 ? QStringLiteral("Cancelled: nothing was stored.")
                            : QStringLiteral("Cancelled after ") + ItemCount(tally.added) + into;
  } else {
    note = tally.added == 0 && tally.tried > 0 ? QStringLiteral("Nothing was added to ") + box + QLatin1Char('.')
                                               : OutOf(tally.added, tally.tried) + into;
  }
  return note + Failures(tally.failures, QStringLiteral("added"));
}

QString ExtractNote(const ExtractTally& tally, const QString& folder) {
  QString note;
  if (tally.extracted == 0) {
    note = tally.cancelled ? QStringLiteral("Cancelled: nothing was extracted.")
                           : QStringLiteral("Nothing was extracted.");
  } else {
    note = (tally.cancelled ? QStringLiteral("Cancelled: ") : QString()) + OutOf(tally.extracted, tally.chosen) +
           QStringLiteral(" extracted to ") + folder + QLatin1Char('.');
  }
  if (tally.keptFiles > 0)
    note += QLatin1Char(' ') + Counted(tally.keptFiles, QStringLiteral("existing file")) +
            (tally.keptFiles == 1 ? QStringLiteral(" was kept.") : QStringLiteral(" were kept."));
  return note + Failures(tally.failures, QStringLiteral("extracted"));
}

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

namespace kestramo {

// What a command that adds items came to, as it is told to the user: how many were tried and
// added, whether the user cancelled, and each failure with its name and reason.
struct AddTally {
  int tried = 0;
  int added = 0;
  bool cancelled = false;
  QStringList failures;  // "name: reason"
};
QString AddNote(const AddTally& tally, const QString& box);

// What an extraction came to: the items chosen, those that wrote what they hold (an item whose
// one file the user chose to keep wrote nothing), the existing files kept on the user's answer,
// and whether it was cancelled (by the status dialog or the overwrite question).
struct ExtractTally {
  int chosen = 0;
  int extracted = 0;
  int keptFiles = 0;
  bool cancelled = false;
  QStringList failures;
};
QString ExtractNote(const ExtractTally& tally, const QString& folder);

}  // namespace kestramo

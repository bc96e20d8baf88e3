// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace kestramo {

// A folder found inside another one.
struct FolderEntry {
  QString path;  // absolute
  QString name;  // as it appears in its parent
  bool hasSubFolders = false;
};

// Which folders count, given their path and name; none given takes every folder.
using FolderFilter = std::function<bool(const QString& path, const QString& name)>;

// The folders directly inside `path` that `accept` takes, hidden ones included, in no
// particular order; nothing when the folder cannot be read (gone, no permission, no medium).
std::optional<QList<FolderEntry>> ListFolders(const QString& path, const FolderFilter& accept = {});

// Whether `path` holds at least one folder that `accept` takes. A folder that cannot be read
// counts as having some, so that it keeps its expand button and the refusal shows when it
// is opened.
bool HasSubFolders(const QString& path, const FolderFilter& accept = {});

// Whether a destination can take new files: the folder exists and may be written and searched.
bool IsWritableDirectory(const QString& path);

// Makes the folder `name` inside `parent`: nothing when it was made, else why not, in words
// for the user (no name, a name that is not one folder's, one already there, the system's
// refusal).
std::optional<QString> MakeFolder(const QString& parent, const QString& name);

// "/a/b" for "/a/b/" and "/a/b"; "/" stays "/".
QString WithoutTrailingSlash(QString path);

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

namespace kestramo {

// A volume the folder tree offers as a drive: the file-system root or a mounted medium.
struct Volume {
  QString rootPath;  // absolute, without a trailing slash except for "/"
  QString name;      // the caption: the medium's label, else its mount folder's name

  friend bool operator==(const Volume&, const Volume&) = default;
};

// Whether a mount is a file system a person keeps folders on, as opposed to the kernel's
// pseudo file systems, read-only package images and mounts of single files.
bool IsRealFileSystem(const QString& type, const QString& device);

// The file-system root first, then every other real mounted volume ordered by path.
QList<Volume> MountedVolumes();

}  // namespace kestramo

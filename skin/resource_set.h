// SPDX-License-Identifier: GPL-3.0-or-later
// The named pictures of the skin, written as PNG files and listed in kqxres.qrc.
#pragma once

#include <QImage>
#include <QString>
#include <map>

namespace skin {

class ResourceSet {
 public:
  void Add(const QString& name, const QImage& picture);
  // A picture with soft edges: stored opaque, its alpha as the grey mask `maskName`.
  // Pictures sharing one mask must share one shape; the first one defines it.
  void AddMasked(const QString& name, const QString& maskName, const QImage& picture);
  void AddCursor(const QString& name, const QImage& picture, QPoint hotSpot);

  const QImage& Get(const QString& name) const;
  bool Has(const QString& name) const { return pictures_.count(name) != 0; }
  const std::map<QString, QImage>& All() const { return pictures_; }

  // Writes NAME.png for every picture and the resource list; false on any failure.
  bool Write(const QString& dir) const;

 private:
  std::map<QString, QImage> pictures_;
};

}  // namespace skin

// SPDX-License-Identifier: GPL-3.0-or-later
#include "resource_set.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include "materials.h"

namespace skin {

void ResourceSet::Add(const QString& name, const QImage& picture) {
  pictures_[name] = picture.convertToFormat(QImage::Format_ARGB32);
}

void ResourceSet::AddMasked(const QString& name, const QString& maskName, const QImage& picture) {
  Add(name, Opaque(picture));
  if (!Has(maskName)) Add(maskName, MaskOf(picture));
}

void ResourceSet::AddCursor(const QString& name, const QImage& picture, QPoint hotSpot) {
  QImage img = picture.convertToFormat(QImage::Format_ARGB32);
  img.setText("HotSpot", QString("%1,%2").arg(hotSpot.x()).arg(hotSpot.y()));
  pictures_[name] = img;
}

const QImage& ResourceSet::Get(const QString& name) const {
  static const QImage none;
  const auto it = pictures_.find(name);
  return it == pictures_.end() ? none : it->second;
}

bool ResourceSet::Write(const QString& dir) const {
  if (!QDir().mkpath(dir)) return false;
  QFile qrc(dir + "/kqxres.qrc");
  if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  QTextStream out(&qrc);
  out << "<RCC>\n<qresource prefix=\"/\">\n";
  for (const auto& [name, picture] : pictures_) {
    if (!picture.save(dir + "/" + name + ".png", "PNG")) return false;
    out << "  <file alias=\"" << name << "\">" << name << ".png</file>\n";
  }
  out << "</qresource>\n</RCC>\n";
  return out.status() == QTextStream::Ok;
}

}  // namespace skin

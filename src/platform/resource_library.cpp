// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/resource_library.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QResource>
#include <array>
#include <thread>
#include <vector>

#include "platform/program_files.h"

namespace kestramo {

namespace {

constexpr const char* kRoot = "/kqx";
std::array<QCursor, 4> g_cursors;
// Decoded pictures by resource path: many windows and buttons share one face or mask, and a
// dense picture costs four times the decoding. Pictures are used from the GUI thread only.
QHash<QString, QImage> g_decoded;

QImage Decode(const QString& path, qreal scale) {
  QImage image(path);
  if (!image.isNull()) {
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);  // before it is shared: changing it later copies the pixels
  }
  return image;
}

QImage Decoded(const QString& path, qreal scale = 1) {
  const auto it = g_decoded.constFind(path);
  if (it != g_decoded.constEnd()) return *it;
  const QImage image = Decode(path, scale);
  g_decoded.insert(path, image);
  return image;
}

QString PlainPath(const QString& name) { return QStringLiteral(":/kqx/") + name; }
QString DensePath(const QString& name, qreal scale) { return QStringLiteral(":/kqx/%1@%2x").arg(name).arg(scale); }

}  // namespace

QString ResourceLibrary::loadedPath_;
qreal ResourceLibrary::scale_ = 1;

QString ResourceLibrary::DefaultPath() { return ProgramFile(QStringLiteral("kqxres.rcc")); }

bool ResourceLibrary::Load(const QString& rccPath) {
  if (!loadedPath_.isEmpty()) return true;
  if (!QFileInfo::exists(rccPath) || !QResource::registerResource(rccPath, kRoot)) return false;
  loadedPath_ = rccPath;
  // The densest screen decides: on a less dense one the painter reduces the pictures.
  if (qGuiApp) SetScale(qGuiApp->devicePixelRatio());
  return true;
}

void ResourceLibrary::Unload() {
  if (loadedPath_.isEmpty()) return;
  QResource::unregisterResource(loadedPath_, kRoot);
  loadedPath_.clear();
  g_decoded.clear();
}

bool ResourceLibrary::IsLoaded() { return !loadedPath_.isEmpty(); }

void ResourceLibrary::SetScale(qreal devicePixelRatio) {
  scale_ = devicePixelRatio <= 1.01 ? 1.0 : devicePixelRatio <= 1.51 ? 1.5 : 2.0;
}

QImage ResourceLibrary::Picture(const QString& name) {
  if (scale_ != 1) {
    const QImage dense = Decoded(DensePath(name, scale_), scale_);
    if (!dense.isNull()) return dense;
  }
  return PlainPicture(name);
}

QImage ResourceLibrary::PlainPicture(const QString& name) { return Decoded(PlainPath(name)); }

void ResourceLibrary::Prefetch(const QStringList& names) {
  // QImage decodes safely off the GUI thread; only the cache is filled here, afterwards.
  const qreal scale = scale_;
  std::vector<std::pair<QString, QImage>> done(static_cast<std::size_t>(names.size()));
  const auto decode = [&](std::size_t first) {
    for (std::size_t i = first; i < done.size(); i += 2) {
      const QString& name = names[static_cast<qsizetype>(i)];
      done[i] = {DensePath(name, scale), scale == 1 ? QImage() : Decode(DensePath(name, scale), scale)};
      if (done[i].second.isNull()) done[i] = {PlainPath(name), Decode(PlainPath(name), 1)};
    }
  };
  std::thread second(decode, 1);
  decode(0);
  second.join();
  for (const auto& [path, image] : done) {
    if (!image.isNull()) g_decoded.insert(path, image);
  }
}

QCursor ResourceLibrary::Cursor(const QString& name) {
  const QImage image(QStringLiteral(":/kqx/") + name);
  if (image.isNull()) return QCursor(Qt::PointingHandCursor);
  const QStringList hot = image.text(QStringLiteral("HotSpot")).split(',');
  const int x = hot.size() == 2 ? hot[0].toInt() : image.width() / 2;
  const int y = hot.size() == 2 ? hot[1].toInt() : image.height() / 2;
  return QCursor(QPixmap::fromImage(image), x, y);
}

void CursorSlots::Install() {
  g_cursors[1] = ResourceLibrary::Cursor(QStringLiteral("hand1"));
  g_cursors[2] = ResourceLibrary::Cursor(QStringLiteral("hand2"));
  g_cursors[3] = ResourceLibrary::Cursor(QStringLiteral("hand3"));
}

QCursor CursorSlots::Get(int slot) {
  if (slot < 1 || slot > 3) return QCursor(Qt::ArrowCursor);
  return g_cursors[static_cast<std::size_t>(slot)];
}

}  // namespace kestramo

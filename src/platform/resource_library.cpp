#include "platform/resource_library.h"

#include <QGuiApplication>
#include <QFileInfo>
#include <QResource>
#include <array>

#include "platform/program_files.h"

namespace kestramo {

namespace {

constexpr const char* kRoot = "/kqx";
std::array<QCursor, 4> g_cursors;

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
}

bool ResourceLibrary::IsLoaded() { return !loadedPath_.isEmpty(); }

void ResourceLibrary::SetScale(qreal devicePixelRatio) {
  scale_ = devicePixelRatio <= 1.01 ? 1.0 : devicePixelRatio <= 1.51 ? 1.5 : 2.0;
}

QImage ResourceLibrary::Picture(const QString& name) {
  if (scale_ != 1) {
    QImage dense(QStringLiteral(":/kqx/%1@%2x").arg(name).arg(scale_));
    if (!dense.isNull()) {
      dense.setDevicePixelRatio(scale_);
      return dense.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }
  }
  return PlainPicture(name);
}

QImage ResourceLibrary::PlainPicture(const QString& name) {
  const QImage image(QStringLiteral(":/kqx/") + name);
  return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
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

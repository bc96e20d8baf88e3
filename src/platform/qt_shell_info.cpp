// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt_shell_info.h"

#include <QAbstractFileIconProvider>
#include <QBuffer>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>

#include "kestramo/text.h"
#include "platform/resource_library.h"

namespace kestramo {

namespace {

constexpr int kIconSize = 32;

api::Picture ToPicture(const QImage& image) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return std::make_shared<const api::PictureBytes>(png.begin(), png.end());
}

// White where the icon is opaque, black where it is transparent.
QImage MaskOf(const QImage& icon) {
  QImage mask(icon.size(), QImage::Format_RGB32);
  for (int y = 0; y < icon.height(); ++y) {
    for (int x = 0; x < icon.width(); ++x) {
      mask.setPixel(x, y, qAlpha(icon.pixel(x, y)) > 0 ? 0xFFFFFFFF : 0xFF000000);
    }
  }
  return mask;
}

// The most specific icon the theme has for a type: its own, its generic one, then its ancestors'.
QIcon ThemeIconOf(const QMimeType& type) {
  QStringList names{type.iconName(), type.genericIconName()};
  const QMimeDatabase db;
  for (const QString& parent : type.allAncestors()) {
    const QMimeType t = db.mimeTypeForName(parent);
    names << t.iconName() << t.genericIconName();
  }
  for (const QString& name : names) {
    if (QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
  }
  return {};
}

api::ShellIcon FromImage(const QImage& icon) { return {ToPicture(icon), ToPicture(MaskOf(icon))}; }

}  // namespace

void QtShellInfo::UseDesktopIconTheme() {
  if (!QIcon::themeName().isEmpty() && QIcon::themeName() != QLatin1String("hicolor")) return;
  QStringList paths = QIcon::themeSearchPaths();
  if (!paths.contains(QStringLiteral("/usr/share/icons"))) paths << QStringLiteral("/usr/share/icons");
  QIcon::setThemeSearchPaths(paths);
  QIcon::setThemeName(QStringLiteral("Adwaita"));
}

api::ShellIcon QtShellInfo::IconOf(const std::filesystem::path& path) {
  const QFileInfo info(QString::fromStdString(path.string()));
  // The MIME type names the theme icon; the platform's own provider is the fallback.
  const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
  QIcon icon = ThemeIconOf(type);
  if (icon.isNull()) icon = QAbstractFileIconProvider().icon(info);
  QImage image(kIconSize, kIconSize, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  icon.paint(&painter, QRect(0, 0, kIconSize, kIconSize));
  painter.end();
  return FromImage(image);
}

std::string QtShellInfo::TypeOf(const std::filesystem::path& path) {
  const QMimeType type = QMimeDatabase().mimeTypeForFile(QString::fromStdString(path.string()));
  return api::Utf8Truncate(type.comment().toStdString(), 79);
}

api::ShellIcon QtShellInfo::PsdIcon() {
  const QImage icon = ResourceLibrary::PlainPicture(QStringLiteral("psd"));
  const QImage mask = ResourceLibrary::PlainPicture(QStringLiteral("psdmask"));
  if (icon.isNull() || mask.isNull()) return {};
  return {ToPicture(icon.convertToFormat(QImage::Format_ARGB32)),
          ToPicture(mask.convertToFormat(QImage::Format_RGB32))};
}

}  // namespace kestramo

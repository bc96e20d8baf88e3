// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/item_icons.h"

#include <QImage>
#include <QPixmap>

#include "controls/picture_ops.h"

namespace kestramo {

namespace {

constexpr int kIconSize = 32;

}  // namespace

QIcon ItemIcons::IconOf(const api::Picture& icon, const api::Picture& mask) {
  const auto key = std::make_pair(icon.get(), mask.get());
  if (const auto found = cache_.find(key); found != cache_.end()) return found->second;
  const QImage picture = DecodeItemPicture(icon), alpha = DecodeItemPicture(mask);
  QImage face;
  if (picture.isNull()) {
    face = QImage(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    face.fill(Qt::transparent);
  } else {
    face = alpha.isNull() ? picture : WithCutoutFromMask(picture, alpha);
  }
  return cache_.emplace(key, QIcon(QPixmap::fromImage(face))).first->second;
}

}  // namespace kestramo

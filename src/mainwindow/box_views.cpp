// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/box_views.h"

#include <algorithm>
#include <unordered_map>

#include "controls/picture_ops.h"
#include "controls/view_texts.h"

namespace kestramo {

namespace {

QString Q(const std::string& s, int max) { return QString::fromStdString(s).left(max); }

// The mask inverted (black where the icon is), with the mask's intensity as alpha.
QImage ShadowOf(const QImage& mask) {
  QImage inverted = mask.convertToFormat(QImage::Format_RGB32);
  inverted.invertPixels();
  return WithAlphaFromMask(inverted, mask);
}

}  // namespace

int BoxView::CountSelected() const { return static_cast<int>(std::count(Selected.begin(), Selected.end(), 1)); }

int BoxViews::IconFor(const api::Picture& icon, const api::Picture& mask) {
  if (!icon || !mask) return -1;
  const auto key = std::make_pair(icon.get(), mask.get());
  if (const auto it = Icons.byPictures.find(key); it != Icons.byPictures.end()) return it->second;
  const QImage picture = DecodeItemPicture(icon), maskImage = DecodeItemPicture(mask);
  if (picture.isNull() || maskImage.isNull()) return -1;
  const int slot = static_cast<int>(Icons.icons.size());
  Icons.icons.push_back(WithAlphaFromMask(picture, maskImage));
  Icons.shadows.push_back(ShadowOf(maskImage));
  Icons.byPictures.emplace(key, slot);
  return slot;
}

void BoxViews::BuildViews(const std::vector<std::string>& boxes, const std::vector<api::ItemInfo>& items) {
  FreeViews();
  for (const std::string& name : boxes) {
    BoxView box;
    box.Key = name;
    box.Name = Q(name, 80);
    Boxes.push_back(std::move(box));
  }
  for (const api::ItemInfo& item : items) {
    ItemView v;
    v.Index = item.index;
    v.BoxKey = item.box;
    v.Name = Q(item.name, 255);
    v.SizeText = SizeText(item.size).left(32);
    v.Comment = QString::fromStdString(item.comment).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    v.TypeText = Q(item.type, 80);
    v.DateText = DateText(item.date).left(32);
    v.icon = IconFor(item.icon, item.iconMask);
    Items.push_back(std::move(v));
  }
  CollectBoxItems();
}

void BoxViews::CollectBoxItems() {
  std::unordered_map<std::string, BoxView*> byName;
  for (BoxView& box : Boxes) byName.emplace(box.Key, &box);
  for (std::size_t k = 0; k < Items.size(); ++k) {
    const auto it = byName.find(Items[k].BoxKey);  // exact: letter case and length count
    if (it == byName.end()) continue;
    it->second->ItemSlot.push_back(static_cast<int32_t>(k));
    it->second->ItemIndex.push_back(Items[k].Index);
    it->second->Selected.push_back(0);
  }
}

void BoxViews::FreeViews() {
  Boxes.clear();
  Items.clear();
  Icons = IconCache{};
  TopBox = 0;
  SelectedBox = -1;
}

}  // namespace kestramo

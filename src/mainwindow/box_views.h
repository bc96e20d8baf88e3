// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "kestramo/vault.h"

namespace kestramo {

// What the panels show of one item record.
struct ItemView {
  int32_t Index = 0;
  std::string BoxKey;  // the Box field as stored, byte for byte
  QString Name, SizeText, TypeText, DateText;
  QString Comment;  // with plain line breaks; empty when the item has none
  int icon = -1;    // position in the icon cache, -1 for none
};

// What the panels show of one box, and its state on screen. A box may hold any number of
// items: the slots grow with it.
struct BoxView {
  // The name as stored: every table operation uses it, since the shown name may be cut or
  // re-encoded on its way to the screen.
  std::string Key;
  QString Name;
  int32_t FirstRow = 0;
  int32_t FirstRowTop = 60;
  bool LightLatched = false;
  bool LightOn = false;
  bool DoorsOpen = false;
  float SliderOffset = 0.0f;       // 0 to kSliderTravel below the slider's home
  std::vector<int32_t> ItemSlot;   // position in ItemViews of the box's n-th item
  std::vector<int32_t> ItemIndex;  // its Index
  std::vector<char> Selected;      // its selection flag

  int32_t ItemCount() const { return static_cast<int32_t>(ItemSlot.size()); }
  int CountSelected() const;
};

inline constexpr float kSliderTravel = 222.0f;

// Each distinct icon once: thousands of items with the same picture share one entry.
struct IconCache {
  std::vector<QImage> icons;    // with the mask as alpha
  std::vector<QImage> shadows;  // black silhouettes with the same alpha
  std::map<std::pair<const api::PictureBytes*, const api::PictureBytes*>, int> byPictures;  // (icon, mask)
};

// The view of the index table that the panels draw.
class BoxViews {
 public:
  // Rebuilds boxes, items and icons from the vault's boxes (in box order) and items (in
  // record order); the top box is 0 and none is selected.
  void BuildViews(const std::vector<std::string>& boxes, const std::vector<api::ItemInfo>& items);
  void FreeViews();

  std::vector<BoxView> Boxes;
  std::vector<ItemView> Items;
  IconCache Icons;
  int TopBox = 0;
  int SelectedBox = -1;

  int BoxCount() const { return static_cast<int>(Boxes.size()); }

 private:
  // Fills every box's item slots, in record order, in one pass over the items.
  void CollectBoxItems();
  int IconFor(const api::Picture& icon, const api::Picture& mask);
};

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <map>
#include <utility>

#include "kestramo/picture.h"

namespace kestramo {

// Items' 32x32 icons cut out by their two-colour masks, each distinct pair of stored pictures
// decoded once (thousands of items of one type share their pictures).
class ItemIcons {
 public:
  // A transparent square for an item without readable pictures, so the list stays aligned.
  QIcon IconOf(const api::Picture& icon, const api::Picture& mask);
  void Clear() { cache_.clear(); }

 private:
  std::map<std::pair<const api::PictureBytes*, const api::PictureBytes*>, QIcon> cache_;
};

}  // namespace kestramo

// SPDX-License-Identifier: GPL-3.0-or-later
#include "skin_set.h"

#include "body.h"
#include "buttons.h"
#include "dialogs.h"
#include "icons.h"
#include "materials.h"
#include "panel.h"
#include "strips.h"

namespace skin {

ResourceSet DrawSkin(qreal scale) {
  SetDrawScale(scale);
  ResourceSet set;
  AddBody(set);
  AddPanel(set);
  AddDialogs(set);
  AddDialogButtons(set);
  AddStrips(set);
  if (scale == 1) AddIcons(set);
  SetDrawScale(1);
  return set;
}

ResourceSet DrawAllScales() {
  ResourceSet all = DrawSkin(1);
  for (const qreal scale : kDenseScales) {
    const QString suffix = QStringLiteral("@%1x").arg(scale);
    const ResourceSet dense = DrawSkin(scale);
    for (const auto& [name, picture] : dense.All()) all.Add(name + suffix, picture);
  }
  return all;
}

}  // namespace skin

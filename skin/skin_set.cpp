#include "skin_set.h"

#include "body.h"
#include "buttons.h"
#include "dialogs.h"
#include "icons.h"
#include "panel.h"
#include "strips.h"

namespace skin {

ResourceSet DrawSkin() {
  ResourceSet set;
  AddBody(set);
  AddPanel(set);
  AddDialogs(set);
  AddDialogButtons(set);
  AddStrips(set);
  AddIcons(set);
  return set;
}

}  // namespace skin

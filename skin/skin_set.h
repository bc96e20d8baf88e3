// Every picture of the skin, drawn in one go.
#pragma once

#include "resource_set.h"

namespace skin {

ResourceSet DrawSkin();

}  // namespace skin

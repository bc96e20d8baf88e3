// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

#include "kestramo/local_date_time.h"
#include "kestramo/picture.h"

namespace kestramo::api {

// One item of the vault as the front ends show it (a copy: it does not follow later changes).
struct ItemInfo {
  int32_t index = 0;
  std::string box{};
  std::string name{};
  int64_t size = 0;
  std::string type{};
  LocalDateTime date{};
  bool folder = false;
  std::string comment{};
  Picture icon{};      // 32x32, as the shell gave it when the item was added
  Picture iconMask{};  // white where the icon is opaque
};

}  // namespace kestramo::api

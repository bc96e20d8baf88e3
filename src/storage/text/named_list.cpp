// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/text/named_list.h"

namespace kestramo {

std::string NamedList(const std::vector<std::string>& names, std::size_t shown) {
  std::string list;
  for (std::size_t i = 0; i < names.size() && i < shown; ++i) list += (i ? ", " : "") + names[i];
  if (names.size() > shown) list += " and " + std::to_string(names.size() - shown) + " more";
  return list;
}

}  // namespace kestramo

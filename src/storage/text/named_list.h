// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kestramo {

// "a, b, c" — or, past `shown` names, the first ones then "and N more".
std::string NamedList(const std::vector<std::string>& names, std::size_t shown);

}  // namespace kestramo

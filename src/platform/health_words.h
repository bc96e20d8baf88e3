// SPDX-License-Identifier: GPL-3.0-or-later
// The words both front ends use for what a health check found wrong with an item.
#pragma once

#include <string>

#include "kestramo/health.h"

namespace kestramo {

std::string ProblemText(const api::ItemFinding& finding);

}  // namespace kestramo

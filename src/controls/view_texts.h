// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <cstdint>

#include "kestramo/local_date_time.h"

namespace kestramo {

// An item's size as the panels show it: whole kilobytes with thousands separators,
// 1 to 1023 bytes counting as 1 KB ("0 KB", "1 KB", "2 KB" for 1536, "1,024 KB").
QString SizeText(int64_t bytes);

// A date as the panels show it: "1/5/05 9:07 PM"; at exactly midnight the date alone.
QString DateText(const api::LocalDateTime& when);

}  // namespace kestramo

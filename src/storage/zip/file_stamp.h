// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <string>

namespace kestramo::zip {

// DOS date and time of a moment in local time: time in the low 16 bits, date in the high 16 bits.
// Moments before 1980 are written as 1980-01-01 00:00:00 (the earliest the format holds).
uint32_t ToDosDateTime(std::time_t t);

// The local moment of a DOS date and time; fields out of range are clamped
// (hour <= 23, minute <= 59, seconds <= 58, month 1..12, day >= 1).
std::time_t FromDosDateTime(uint32_t dosDateTime);

// External attributes: DOS bits in the low byte and the Unix mode in the high 16 bits.
uint32_t ExternalAttributesOf(const struct stat& st, const std::string& fileName);

// The permission bits an extracted file gets, or -1 when the entry carries nothing to apply.
int PermissionsFrom(uint16_t versionMadeBy, uint32_t externalAttributes);

inline constexpr uint32_t kDosReadOnly = 0x01;
inline constexpr uint32_t kDosHidden = 0x02;
inline constexpr uint32_t kDosDirectory = 0x10;
inline constexpr uint32_t kDosArchive = 0x20;

}  // namespace kestramo::zip

// SPDX-License-Identifier: GPL-3.0-or-later
#include "storage/zip/file_stamp.h"

#include <algorithm>
#include <cstdint>

namespace kestramo::zip {

uint32_t ToDosDateTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  if (tm.tm_year < 80) return (1u << 5 | 1u) << 16;  // 1980-01-01
  if (tm.tm_year > 207) {                            // the date field ends in 2107
    tm.tm_year = 207;
    tm.tm_mon = 11;
    tm.tm_mday = 31;
    tm.tm_hour = 23;
    tm.tm_min = 59;
    tm.tm_sec = 58;
  }
  const uint32_t date = static_cast<uint32_t>((tm.tm_year - 80) << 9 | (tm.tm_mon + 1) << 5 | tm.tm_mday);
  const uint32_t time = static_cast<uint32_t>(tm.tm_hour << 11 | tm.tm_min << 5 | std::min(tm.tm_sec, 59) / 2);
  return date << 16 | time;
}

std::time_t FromDosDateTime(uint32_t dosDateTime) {
  const uint32_t time = dosDateTime & 0xFFFF;
  const uint32_t date = dosDateTime >> 16;
  // Each conversion through the time zone reads its file again: entries packed together
  // mostly share their hour, which is converted once and the minutes added.
  thread_local uint32_t cachedHour = UINT32_MAX;
  thread_local std::time_t hourStart = 0;
  if (dosDateTime >> 11 != cachedHour) {
    std::tm tm{};
    tm.tm_year = static_cast<int>(date >> 9) + 80;
    tm.tm_mon = std::clamp(static_cast<int>((date >> 5) & 0x0F), 1, 12) - 1;
    tm.tm_mday = std::max(static_cast<int>(date & 0x1F), 1);
    tm.tm_hour = std::min(static_cast<int>(time >> 11), 23);
    tm.tm_isdst = -1;
    hourStart = std::mktime(&tm);
    cachedHour = dosDateTime >> 11;
  }
  const int minutes = std::min(static_cast<int>((time >> 5) & 0x3F), 59);
  const int seconds = std::min(static_cast<int>(time & 0x1F) * 2, 58);
  return hourStart + minutes * 60 + seconds;
}

uint32_t ExternalAttributesOf(const struct stat& st, const std::string& fileName) {
  uint32_t dos = 0;
  if (!(st.st_mode & S_IWUSR)) dos |= kDosReadOnly;
  if (!fileName.empty() && fileName[0] == '.') dos |= kDosHidden;
  if (S_ISDIR(st.st_mode)) dos |= kDosDirectory;
  else dos |= kDosArchive;
  return (static_cast<uint32_t>(st.st_mode & 0xFFFF) << 16) | dos;
}

int PermissionsFrom(uint16_t versionMadeBy, uint32_t externalAttributes) {
  const uint32_t mode = externalAttributes >> 16;
  // Only the permission bits: set-id and sticky bits from an archive are never applied.
  if ((versionMadeBy >> 8) == 3 && mode != 0) return static_cast<int>(mode & 0777);
  if (externalAttributes & kDosReadOnly) return 0444;
  return -1;
}

}  // namespace kestramo::zip

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace kestramo::api {

// A wall-clock (local) date and time, as the index records it: seconds since
// 1970-01-01 00:00 of the civil calendar, with no time zone attached.
struct LocalDateTime {
  int64_t seconds = 0;

  struct Civil {
    int year, month, day, hour, minute, second;
  };

  static LocalDateTime FromCivil(const Civil& c);
  Civil ToCivil() const;
  // The local wall-clock time of a Unix timestamp, in this machine's time zone.
  static LocalDateTime FromUnixTime(int64_t unixSeconds);
  // The Unix timestamp of this wall-clock time in this machine's time zone.
  int64_t ToUnixTime() const;

  friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

}  // namespace kestramo::api

#pragma once
// MS-DOS date and time stamps: local time, no zone, two-second steps, years
// 1980 to 2107. Archive formats born on DOS (BGA, ARJ, LHA level 0/1, ZIP)
// store them.

#include <cstdint>
#include <optional>

namespace ks {

struct DosDateTime {
  std::uint16_t date = 0;  // bits 15-9 year - 1980, 8-5 month, 4-0 day
  std::uint16_t time = 0;  // bits 15-11 hour, 10-5 minute, 4-0 seconds / 2
};

// Seconds since 1970 of a stamp read as local time; nullopt when the stamp
// holds no date (date 0, as many archivers write for folders) or an
// impossible one (month 13, day 0, hour 24 ...).
std::optional<std::int64_t> DosToUnixTime(DosDateTime stamp);

// The stamp of a moment in local time, odd seconds rounded down. Moments
// before 1980 give the first stamp of 1980, moments after 2107 the last one.
DosDateTime UnixToDosTime(std::int64_t seconds);

}  // namespace ks

#include "archivers/builtin/common/DosTime.h"

#include <ctime>

namespace ks {

std::optional<std::int64_t> DosToUnixTime(DosDateTime stamp) {
  const int year = 1980 + (stamp.date >> 9);
  const int month = (stamp.date >> 5) & 0x0F;
  const int day = stamp.date & 0x1F;
  const int hour = stamp.time >> 11;
  const int minute = (stamp.time >> 5) & 0x3F;
  const int second = (stamp.time & 0x1F) * 2;
  if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59)
    return std::nullopt;
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  // The stamp read as UTC, then moved by the local zone's offset at that
  // moment; asked a second time at the moment found, so a stamp beside a
  // daylight-saving change gets the offset in force then. mktime would do
  // the same, but it looks for a changed zone file on every call, which in
  // an archive of thousands of small entries is much of the reading's work.
  const std::time_t wall = timegm(&tm);
  // 31 February would roll into March: such a day is not a date.
  if (wall == static_cast<std::time_t>(-1) || tm.tm_mday != day || tm.tm_mon != month - 1)
    return std::nullopt;
  std::time_t t = wall;
  for (int i = 0; i < 2; ++i) {
    std::tm local{};
    if (!localtime_r(&t, &local)) return std::nullopt;
    t = wall - local.tm_gmtoff;
  }
  return static_cast<std::int64_t>(t);
}

DosDateTime UnixToDosTime(std::int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (!localtime_r(&t, &tm) || tm.tm_year < 80) return {(0 << 9) | (1 << 5) | 1, 0};
  if (tm.tm_year > 80 + 127)
    return {static_cast<std::uint16_t>((127 << 9) | (12 << 5) | 31),
            static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29)};
  DosDateTime stamp;
  stamp.date = static_cast<std::uint16_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) |
                                          tm.tm_mday);
  stamp.time = static_cast<std::uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) |
                                          (tm.tm_sec > 59 ? 29 : tm.tm_sec / 2));
  return stamp;
}

}  // namespace ks

// DOS packed dates and times, as NetWare records them: date = (year - 1980) << 9 | month << 5 |
// day, time = hour << 11 | minute << 5 | second / 2. A stamp is date << 16 | time.
#pragma once

#include <ctime>

#include "netclient/types.h"

namespace nw::sim {

inline nuint32 dosStamp(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                        unsigned second) {
    if (year < 1980)
        return (0u << 9 | 1u << 5 | 1u) << 16;  // 1980-01-01 00:00:00
    if (year > 2107)
        year = 2107;
    auto date = static_cast<nuint32>((year - 1980) << 9 | month << 5 | day);
    auto time = static_cast<nuint32>(hour << 11 | minute << 5 | second / 2);
    return date << 16 | time;
}

// The local time t as a stamp (clamped to 1980 to 2107).
inline nuint32 dosStamp(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    return dosStamp(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                    static_cast<unsigned>(local.tm_mday), static_cast<unsigned>(local.tm_hour),
                    static_cast<unsigned>(local.tm_min),
                    static_cast<unsigned>(local.tm_sec > 59 ? 59 : local.tm_sec));
}

inline nuint16 dosDate(nuint32 stamp) {
    return static_cast<nuint16>(stamp >> 16);
}
inline nuint16 dosTime(nuint32 stamp) {
    return static_cast<nuint16>(stamp & 0xFFFF);
}

// The local time of a stamp; -1 for a date that is no date.
inline std::time_t timeOfStamp(nuint32 stamp) {
    nuint16 date = dosDate(stamp);
    nuint16 time = dosTime(stamp);
    std::tm local{};
    local.tm_year = (date >> 9) + 80;
    local.tm_mon = ((date >> 5) & 0x0F) - 1;
    local.tm_mday = date & 0x1F;
    local.tm_hour = time >> 11;
    local.tm_min = (time >> 5) & 0x3F;
    local.tm_sec = (time & 0x1F) * 2;
    local.tm_isdst = -1;
    if (local.tm_mon < 0 || local.tm_mon > 11 || local.tm_mday == 0)
        return -1;
    return std::mktime(&local);
}

}  // namespace nw::sim

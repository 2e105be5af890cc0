#include "volctl/tables.h"

namespace volmarra {

std::u16string_view nameSpaceName(std::uint8_t nameSpace) {
    switch (nameSpace) {
        case 0:
            return u"DOS";
        case 1:
            return u"Macintosh";
        case 2:
            return u"NFS";
        case 3:
            return u"FTAM";
        case 4:
            return u"Long Filename";
        default:
            return u"Unknown";
    }
}

std::optional<vnk::com::Date> dosDateTime(std::uint16_t date, std::uint16_t time) {
    if (date == 0) {
        return std::nullopt;
    }
    const int year = 1980 + (date >> 9);
    const int month = (date >> 5) & 0x0F;
    const int day = date & 0x1F;
    const int hour = time >> 11;
    const int minute = (time >> 5) & 0x3F;
    const int second = (time & 0x1F) * 2;
    if (hour > 23 || minute > 59 || second > 59) {
        return vnk::com::Date::fromParts(year, month, day);
    }
    return vnk::com::Date::fromParts(year, month, day, hour, minute, second);
}

}  // namespace volmarra

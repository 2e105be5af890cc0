// Stations of the connection table: 23/28 and 23/22 (logged info), 123/4 (user information),
// 23/229 (usage statistics), 23/26 and 23/19 (internet address).
#include "handlers.h"
#include "server.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;

// The name a station that is not logged in shows, as the in-process client reports it.
constexpr const char* kNotLoggedIn = "NOT_LOGGED_IN";

// 123/4 status bits.
constexpr std::uint16_t kStatusLoggedIn = 0x0001;
constexpr std::uint16_t kStatusBindery = 0x0400;

std::uint8_t stationInfo(Session& s, std::uint32_t number, call::StationInfo& rp) {
    const sim::Station* station = s.server().station(number);
    if (station == nullptr)
        return completionOf(BAD_STATION_NUMBER);
    const sim::BinderyObject* object = station->object;
    rp.objectId = object != nullptr ? object->id : 0;
    rp.objectType = object != nullptr ? object->type : 0;
    rp.objectName = object != nullptr ? object->name : kNotLoggedIn;
    rp.loginTime = station->loginTime;
    return completion::kOk;
}

}  // namespace

void addConnectionCalls(CallDispatcher& d) {
    d.on<call::GetStationInfo>(
        [](Session& s, const auto& rq, auto& rp) { return stationInfo(s, rq.connection, rp); });
    d.on<call::GetStationInfoOld>(
        [](Session& s, const auto& rq, auto& rp) { return stationInfo(s, rq.connection, rp); });
    d.on<call::UserInformation>([](Session& s, const auto& rq, auto& rp) {
        const sim::Station* station = s.server().station(rq.connection);
        if (station == nullptr)
            return completionOf(BAD_STATION_NUMBER);
        if (station->authenticated)
            return completionOf(USER_INFO_AUTHENTICATED);
        const sim::BinderyObject* object = station->object;
        rp.serverUpTime = s.ncpServer().upTicks();
        rp.consoleVersion = s.server().version[0];
        rp.consoleRevision = s.server().version[1];
        rp.connection = station->number;
        rp.useCount = 1;
        rp.loginTime = station->loginTime;
        rp.status = object != nullptr ? (kStatusLoggedIn | kStatusBindery) : 0;
        // The type's two bytes hi-lo, as NWUSER_INFO holds it.
        rp.objectType = object != nullptr ? swapBytes(object->type) : 0;
        rp.fileLockCount =
            static_cast<std::uint16_t>(std::min<std::size_t>(station->openFiles.size(), 0xFFFF));
        rp.recordLockCount = station->lockCount;
        rp.bytesRead = station->bytesRead;
        rp.bytesWritten = station->bytesWritten;
        rp.userName = object != nullptr ? object->name : kNotLoggedIn;
        return completion::kOk;
    });
    d.on<call::GetConnectionUsage>([](Session& s, const auto& rq, auto& rp) {
        const sim::Station* station = s.server().station(rq.connection);
        if (station == nullptr)
            return completionOf(BAD_STATION_NUMBER);
        rp.bytesRead = station->bytesRead;
        rp.bytesWritten = station->bytesWritten;
        return completion::kOk;
    });
    d.on<call::GetInternetAddress>([](Session& s, const auto& rq, auto& rp) {
        const sim::Station* station = s.server().station(rq.connection);
        if (station == nullptr)
            return completionOf(BAD_STATION_NUMBER);
        rp.address = station->address;
        rp.connectionType = station->overIp ? call::address_type::kIp : call::address_type::kIpx;
        return completion::kOk;
    });
    d.on<call::GetInternetAddressOld>([](Session& s, const auto& rq, auto& rp) {
        const sim::Station* station = s.server().station(rq.connection);
        if (station == nullptr)
            return completionOf(BAD_STATION_NUMBER);
        rp.address = station->address;
        return completion::kOk;
    });
}

}  // namespace nw::nwsimd

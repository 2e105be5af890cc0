// The server model's stations: who asks, attaching and removing stations, logins and intruder
// detection, the console operator actions and broadcast messages.
#include <algorithm>
#include <ctime>

#include "servermodel.h"
#include "store.h"

namespace nw::sim {

namespace {

std::array<nuint8, 7> loginTimeNow() {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    return {static_cast<nuint8>(local.tm_year % 100), static_cast<nuint8>(local.tm_mon + 1),
            static_cast<nuint8>(local.tm_mday),       static_cast<nuint8>(local.tm_hour),
            static_cast<nuint8>(local.tm_min),        static_cast<nuint8>(local.tm_sec % 60),
            static_cast<nuint8>(local.tm_wday)};
}

}  // namespace

ServerModel::ServerModel(std::unique_ptr<Network> net)
    : net_(std::move(net)), services_(std::make_unique<Services>(*net_)) {}

ServerModel::~ServerModel() = default;

// ---- Who asks -----------------------------------------------------------------------------------

Caller ServerModel::caller(Server& server, Station* station, bool consoleOperator) const {
    return callerOf(*net_, server, station, consoleOperator);
}

bool ServerModel::isConsoleOperator(const Server& server, const BinderyObject* object) const {
    return object != nullptr && (server.data.supervisors.count(object) != 0 ||
                                 server.consoleOperators.count(object) != 0);
}

NWCCODE ServerModel::mayWatch(const Caller& who) const {
    return who.object != nullptr ? SUCCESSFUL : NO_CONSOLE_PRIVILEGES;
}

// ---- Stations -----------------------------------------------------------------------------------

Station* ServerModel::attachStation(Server& server) {
    std::size_t limit = server.maxConnections;
    std::size_t number = 1;
    while (number < limit && number < server.slots.size() && server.slots[number] != nullptr)
        ++number;
    if (number >= limit)
        return nullptr;
    if (number >= server.slots.size())
        server.slots.resize(number + 1);
    auto station = std::make_unique<Station>();
    station->server = &server;
    station->number = static_cast<nuint16>(number);
    station->loginTime = loginTimeNow();
    Station* made = station.get();
    server.slots[number] = std::move(station);
    ++server.stationCount;
    server.peakStationCount = std::max(server.peakStationCount, server.stationCount);
    return made;
}

void ServerModel::removeStation(Station& station) {
    Server& server = *station.server;
    for (const OpenFile& open : station.openFiles) {
        FileUsage* usage = open.file->usage.get();
        if (usage == nullptr)
            continue;
        std::erase_if(usage->openers, [&](const Opener& o) { return o.station == &station; });
        std::erase_if(usage->locks, [&](const Lock& l) { return l.station == &station; });
    }
    services_->stationGone(station);
    if (station.workstation != nullptr) {
        station.workstation->ended = true;
        station.workstation->station = nullptr;
    }
    // The hook may end the session that owns the station; it runs last, with the station gone
    // from the table but not yet freed.
    std::function<void()> cleared = std::move(station.cleared);
    std::unique_ptr<Station> owned = std::move(server.slots[station.number]);
    --server.stationCount;
    if (cleared)
        cleared();
}

void ServerModel::dropWorkstationStations() {
    for (const auto& connection : net_->connections) {
        if (connection->station != nullptr)
            removeStation(*connection->station);
    }
}

NWCCODE ServerModel::clearStation(const Caller& who, nuint32 number) {
    if (!who.consoleOperator)
        return NO_CONSOLE_PRIVILEGES;
    Station* station = who.server->station(number);
    if (station == nullptr)
        return BAD_STATION_NUMBER;
    removeStation(*station);
    return SUCCESSFUL;
}

NWCCODE ServerModel::setLoginsEnabled(const Caller& who, bool enabled) {
    if (!who.consoleOperator)
        return NO_CONSOLE_PRIVILEGES;
    who.server->loginEnabled = enabled;
    return SUCCESSFUL;
}

NWCCODE ServerModel::broadcast(const Caller& who, std::string_view message,
                               std::span<const nuint32> numbers, std::span<nuint8> results) {
    Server& server = *who.server;
    if (numbers.empty() || results.size() < numbers.size() || message.empty() ||
        message.size() > server.broadcastLimit()) {
        return INVALID_PARAMETERS;
    }
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        Station* station = server.station(numbers[i]);
        if (station == nullptr) {
            results[i] = NW_BROADCAST_NO_SUCH_CONNECTION;
        } else if (station->object == nullptr) {
            results[i] = NW_BROADCAST_NOT_LOGGED_IN;
        } else if (station->refusesMessages) {
            results[i] = NW_BROADCAST_REFUSES_MESSAGES;
        } else if (station->pendingMessage) {
            results[i] = NW_BROADCAST_HAS_MESSAGE;
        } else {
            station->pendingMessage = std::string(message);
            results[i] = NW_BROADCAST_SENT;
        }
    }
    return SUCCESSFUL;
}

std::string ServerModel::takeMessage(Station& station) {
    std::string message = station.pendingMessage.value_or(std::string());
    station.pendingMessage.reset();
    return message;
}

// ---- Logins -------------------------------------------------------------------------------------

NWCCODE ServerModel::login(Station& station, const BinderyObject& object, bool passwordRight) {
    Server& server = *station.server;
    auto now = clock();
    auto found = server.loginFailures.find(&object);
    if (found != server.loginFailures.end() && now < found->second.lockedUntil)
        return LOGIN_LOCKED;
    if (!server.loginEnabled && !isConsoleOperator(server, &object))
        return LOGINS_DISABLED;
    if (!passwordRight) {
        LoginFailures& failures = server.loginFailures[&object];
        if (failures.count == 0 || now - failures.first > intruderDetection.window) {
            failures.count = 0;
            failures.first = now;
        }
        if (++failures.count >= intruderDetection.attempts) {
            failures.lockedUntil = now + intruderDetection.lockout;
            failures.count = 0;
        }
        return BAD_PASSWORD;
    }
    if (found != server.loginFailures.end())
        server.loginFailures.erase(found);
    station.object = &object;
    station.loginTime = loginTimeNow();
    return SUCCESSFUL;
}

void ServerModel::logout(Station& station) {
    station.object = nullptr;
}

// ---- Paths --------------------------------------------------------------------------------------

std::string directoryPath(const Volume& volume, const Entry* directory, nuint8 nameSpace) {
    std::string path = volume.name + ":";
    for (const std::string& name : pathNames(directory, nameSpace))
        path += "\\" + name;
    return path;
}

std::vector<std::string> pathNames(const Entry* entry, nuint8 nameSpace) {
    std::vector<std::string> names;
    for (; entry != nullptr && entry->parent != nullptr; entry = entry->parent)
        names.push_back(entry->name(nameSpace));
    std::reverse(names.begin(), names.end());
    return names;
}

}  // namespace nw::sim

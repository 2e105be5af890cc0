#include "core/serverwalks.h"

#include <array>
#include <cstring>

#include "core/strtext.h"
#include "core/textbuffers.h"

namespace varnook {

namespace {
// A user object, as the server reports its type (high-low byte order).
constexpr nw::nuint16 kUserObjectType = 0x0100;

nw::NWCCODE MaxConnections(nw::Client& client, nw::NWCONN_HANDLE conn, uint16_t& maxConns) {
    std::array<char, 49> serverName{};
    nw::nuint8 major = 0, minor = 0, revision = 0, sft = 0, tts = 0;
    nw::nuint16 used = 0, inUse = 0, volumes = 0;
    maxConns = 0;
    return client.NWGetFileServerInformation(conn, serverName.data(), &major, &minor, &revision,
                                             &maxConns, &used, &inUse, &volumes, &sft, &tts);
}

// The logged-in user on connection number n, or false for a number to skip.
bool UserOn(nw::Client& client, nw::NWCONN_HANDLE conn, uint16_t n, std::array<char, 256>& name) {
    name.fill('\0');
    nw::nuint16 type = 0;
    nw::nuint32 id = 0;
    std::array<nw::nuint8, 7> loginTime{};
    if (client.NWGetConnectionInformation(conn, n, name.data(), &type, &id, loginTime.data()) !=
        nw::SUCCESSFUL) {
        return false;
    }
    name.back() = '\0';
    return type == kUserObjectType && std::strstr(name.data(), "NOT_LOGGED_IN") == nullptr;
}

// Runs each(number, name) for every logged-in user connection of 0 .. maxConns - 1, asking the
// control before each number, until each answers false. Answers true when the control stopped
// the walk.
template <class Each>
bool ForEachUserConnection(nw::Client& client, nw::NWCONN_HANDLE conn, uint16_t maxConns,
                           ScanControl& control, Each each) {
    std::array<char, 256> name{};
    for (uint32_t n = 0; n < maxConns; ++n) {
        if (!control.keepGoing()) {
            return true;
        }
        const auto number = static_cast<uint16_t>(n);
        if (UserOn(client, conn, number, name) && !each(number, name)) {
            return false;
        }
    }
    return false;
}

class UserFiles : public OpenFilesSink {
public:
    UserFiles(AllOpenFilesSink& sink, const UserConnection& user) : sink_(sink), user_(user) {}
    void file(const OpenFileRow& row) override { sink_.file(user_, row); }

private:
    AllOpenFilesSink& sink_;
    const UserConnection& user_;
};
}  // namespace

AllOpenFilesResult WalkAllOpenFiles(nw::Client& client, nw::NWCONN_HANDLE conn,
                                    AllOpenFilesSink& sink, QueryLog& log, ScanControl& control) {
    AllOpenFilesResult result;
    result.code = MaxConnections(client, conn, result.maxConns);
    if (result.code != nw::SUCCESSFUL) {
        result.infoFailed = true;
        return result;
    }
    sink.begin(result.maxConns);
    if (log.debugOn()) {
        log.debug("Max conns: " + StrText(result.maxConns));
    }
    const bool controlStopped = ForEachUserConnection(
        client, conn, result.maxConns, control,
        [&](uint16_t number, const std::array<char, 256>& name) {
            const UserConnection user{number, TextUpToNul(name)};
            if (!sink.wantsFiles(user)) {
                return true;
            }
            if (log.debugOn()) {
                log.debug("Conn: " + StrText(number) + ", user: " + user.name);
            }
            UserFiles files(sink, user);
            const FilesByConnResult listed =
                GetFilesByConn(client, conn, number, files, log, control);
            ++result.users;
            result.files += static_cast<size_t>(listed.count);
            sink.userDone(user, listed);
            result.stopped = listed.stopped;
            return !listed.stopped;
        });
    result.stopped = result.stopped || controlStopped;
    return result;
}

const char* ConnectedUser::Separator() const {
    if (userInfoResult == nw::SUCCESSFUL) {
        return "   ";
    }
    return userInfoResult == nw::USER_INFO_AUTHENTICATED ? " * " : " ? ";
}

std::string ConnectedUser::RowText() const {
    return std::to_string(connNumber) + Separator() + name;
}

std::string ConnectedUser::OutputText() const {
    if (userInfoResult == nw::SUCCESSFUL) {
        return "\t" + name;
    }
    return (userInfoResult == nw::USER_INFO_AUTHENTICATED ? "\t*" : "\t? ") + name;
}

ConnectedUsersResult GetAllConnectedUsers(nw::Client& client, nw::NWCONN_HANDLE conn,
                                          ConnectedUsersSink& sink, QueryLog& log,
                                          ScanControl& control, size_t maxRows) {
    ConnectedUsersResult result;
    result.code = MaxConnections(client, conn, result.maxConns);
    if (result.code != nw::SUCCESSFUL) {
        result.infoFailed = true;
        return result;
    }
    result.stopped = ForEachUserConnection(
        client, conn, result.maxConns, control,
        [&](uint16_t number, const std::array<char, 256>& objectName) {
            // A failed lookup leaves the object name in the buffer, so the row still names the
            // user.
            std::array<char, 514> userName{};
            std::memcpy(userName.data(), objectName.data(), objectName.size());
            nw::NWUSER_INFO info{};
            ConnectedUser user;
            user.connNumber = number;
            user.userInfoResult = client.NWGetUserInfo(conn, number, userName.data(), &info);
            userName.back() = '\0';
            user.name = TextUpToNul(userName);
            if (log.outputOn()) {
                log.output(user.OutputText());
            }
            if (log.debugOn()) {
                log.debug("Conn no: " + StrText(number) + "   " + user.RowText());
            }
            sink.user(user);
            ++result.rows;
            result.reachedMax = maxRows != 0 && result.rows >= maxRows;
            return !result.reachedMax;
        });
    return result;
}

}  // namespace varnook

// The wire client's connections and handles: attaching, logging in, the reconnect rule, and
// the local answers (references, drives, code page).

// GCC 12 reports a write past the end of a vector that vector::insert has just grown, once the
// login request's encoder is inlined here (a known false positive of -Wstringop-overflow).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wstringop-overflow"
#endif

#include "wire/wireclient.h"

#include <unistd.h>

#include <cctype>
#include <cstring>

#include "ncp/login.h"
#include "wire/capture.h"
#include "wirecall.h"

namespace nw::wire {

namespace {

using State = detail::Connection::State;

bool copyText(void* out, std::size_t size, std::string_view text) {
    if (text.size() + 1 > size) {
        return false;
    }
    std::memcpy(out, text.data(), text.size());
    static_cast<char*>(out)[text.size()] = '\0';
    return true;
}

// The hash a bindery keeps for (object id, password), from the password upper-cased as
// servers expect, in secret memory; the copies made on the way are wiped.
Secret hashOf(std::uint32_t objectId, const Secret& password) {
    Secret upper(password.size() + 1);
    for (std::size_t i = 0; i < password.size(); ++i) {
        upper.push(static_cast<char>(std::toupper(password.data()[i])));
    }
    ncp::PasswordHash hash = ncp::passwordHash(objectId, upper.text());
    Secret out(hash.size());
    out.append(hash.data(), hash.size());
    ::explicit_bzero(hash.data(), hash.size());
    return out;
}

ncp::PasswordHash hashBytes(const Secret& secret) {
    ncp::PasswordHash hash{};
    std::memcpy(hash.data(), secret.data(), std::min(hash.size(), secret.size()));
    return hash;
}

}  // namespace

namespace {
template <class... T>
void unused(const T&...) {}
}  // namespace

#define NW_NOT_OVER_WIRE(name, params, args) \
    NWCCODE NotOverWire::name params {       \
        unused args;                         \
        return NWE_NOT_SUPPORTED_OVER_WIRE;  \
    }
NW_VOLUME_OPERATIONS(NW_NOT_OVER_WIRE)
#undef NW_NOT_OVER_WIRE

WireClient::WireClient(WorkstationConfig workstation, std::unique_ptr<PasswordSource> passwords,
                       WireOptions options)
    : workstation_(std::move(workstation)),
      passwords_(std::move(passwords)),
      options_(std::move(options)) {
    NWCONN_REF ref = 1;
    for (const WorkstationConnection& config : workstation_.connections) {
        auto connection = std::make_unique<Connection>();
        connection->ref = ref++;
        connection->config = config;
        connections_.push_back(std::move(connection));
    }
}

WireClient::~WireClient() {
    for (auto& [id, handle] : handles_) {
        releaseDirHandles(*handle);
    }
    handles_.clear();
    // Each session ends its service connection (0x5555) as it goes.
    connections_.clear();
}

std::size_t WireClient::openHandleCount() const {
    return handles_.size();
}

std::size_t WireClient::openDirHandleCount() const {
    std::size_t count = 0;
    for (const auto& [conn, handle] : handles_) {
        count += handle->dirHandles.size();
    }
    return count;
}

std::uint64_t WireClient::roundTrips() const {
    std::uint64_t total = 0;
    for (const auto& connection : connections_) {
        total += connection->pastRoundTrips;
        if (connection->session) {
            total += connection->session->roundTrips();
        }
    }
    return total;
}

std::string WireClient::failureText(NWCONN_REF ref) const {
    const Connection* connection = connectionByRef(ref);
    return connection != nullptr ? connection->failure.text : std::string();
}

nuint16 WireClient::ownConnectionNumber(NWCONN_REF ref) const {
    const Connection* connection = connectionByRef(ref);
    if (connection == nullptr || !connection->session || !connection->session->usable()) {
        return 0;
    }
    return connection->session->connectionNumber();
}

WireClient::Connection* WireClient::connectionByRef(NWCONN_REF ref) const {
    if (ref == 0 || ref > connections_.size()) {
        return nullptr;
    }
    return connections_[ref - 1].get();
}

// ---- Sessions ---------------------------------------------------------------------------------

void WireClient::settle(Connection& connection) {
    if (!connection.session) {
        return;
    }
    connection.pastRoundTrips += connection.session->roundTrips();
    connection.failure = connection.session->failure();
    if (connection.session->cleared()) {
        connection.state = State::Cleared;
    } else {
        connection.state = State::Failed;
        connection.failedAt = options_.clock();
    }
    connection.session.reset();
    connection.tap.reset();
}

NWCCODE WireClient::attach(Connection& connection) {
    Timeouts timeouts;
    timeouts.connect = options_.connectTimeout;
    timeouts.reply = options_.replyTimeout.value_or(workstation_.replyTimeout);
    connection.session.reset();  // before the tap it writes through
    connection.tap.reset();
    if (!options_.captureFolder.empty()) {
        connection.tap = std::make_unique<PcapTap>(
            options_.captureFolder / (connection.config.server + "-" + std::to_string(::getpid()) +
                                      "-" + std::to_string(++captures_) + ".pcap"));
    }
    Failure failure;
    connection.session = Session::attach(connection.config.server, connection.config.address,
                                         timeouts, connection.tap.get(), failure);
    if (!connection.session) {
        connection.tap.reset();
        connection.failure = failure;
        connection.state = State::Failed;
        connection.failedAt = options_.clock();
        return failure.code;
    }
    return SUCCESSFUL;
}

NWCCODE WireClient::login(Connection& connection) {
    const WorkstationConnection& config = connection.config;
    if (config.user.empty()) {
        return SUCCESSFUL;  // attached only, as a workstation before LOGIN
    }
    Session& session = *connection.session;
    const std::string who = config.user + " on " + config.server;
    // Ends the attempt: the session goes (logged out when still usable), the state stays.
    auto fail = [&](NWCCODE code, State state, const std::string& text) {
        if (!session.usable()) {
            settle(connection);  // the transport's own failure stands
            return connection.failure.code;
        }
        connection.pastRoundTrips += session.roundTrips();
        connection.session.reset();
        connection.tap.reset();
        connection.failure = {code, config.server + ": " + text};
        connection.state = state;
        connection.failedAt = options_.clock();
        return code;
    };

    const auto id =
        session.call<ncp::call::GetBinderyObjectId>({ncp::call::kObjectUser, config.user});
    if (!id.ok()) {
        return fail(id.code, State::Failed,
                    id.code == NO_SUCH_OBJECT ? "the server knows no user " + config.user
                                              : "cannot look up the user " + config.user);
    }
    const std::uint32_t objectId = id.reply.objectId;

    PasswordRequest request{config.server, config.user, connection.refusedHash.has_value(),
                            connection.refusedHash ? "The password was refused." : "", false};
    bool useKept =
        connection.hash && connection.hashObjectId == objectId && !connection.refusedHash;
    bool usedKept = false;
    // Three logins at most, and never one with a password the server refused.
    for (int sent = 0, asked = 0; sent < 3 && asked < 6;) {
        std::optional<Secret> hash;
        usedKept = useKept;
        if (useKept) {
            useKept = false;
            hash = Secret(16);
            hash->append(connection.hash->data(), connection.hash->size());
        } else {
            if (passwords_ == nullptr) {
                return fail(NWE_NO_PASSWORD, State::Refused, "no password for " + who);
            }
            ++asked;
            std::string missing;
            std::optional<Secret> password = passwords_->password(request, missing);
            if (!password) {
                connection.personGaveUp = passwords_->interactive();
                return fail(request.again ? connection.failure.code : NWE_NO_PASSWORD,
                            State::Refused,
                            (request.again ? "wrong password for " : "no password for ") + who +
                                (missing.empty() ? "" : ": " + missing));
            }
            hash = hashOf(objectId, *password);
            password->clear();
            if (connection.refusedHash && connection.hashObjectId == objectId &&
                connection.refusedHash->sameAs(*hash)) {
                // The password the server refused: only a person can give another one.
                if (!passwords_->interactive()) {
                    return fail(
                        connection.failure.code != 0 ? connection.failure.code : WRONG_PASSWORD,
                        State::Refused, "the server refused the password for " + who);
                }
                request.personOnly = true;
                continue;
            }
        }
        const auto key = session.call<ncp::call::GetLoginKey>({});
        if (!key.ok()) {
            return fail(key.code, State::Failed, "the server gave no login key");
        }
        ncp::PasswordHash bytes = hashBytes(*hash);
        ncp::call::KeyedObjectLogin::Request login;
        login.answer = ncp::loginAnswer(bytes, key.reply.key);
        ::explicit_bzero(bytes.data(), bytes.size());
        login.objectType = ncp::call::kObjectUser;
        login.objectName = config.user;
        const auto answer = session.call<ncp::call::KeyedObjectLogin>(login);
        ++sent;
        // 0xDF: the password has expired; the server lets this (grace) login in.
        if (answer.ok() || answer.code == serverCode(0xDF)) {
            connection.hash = std::move(hash);
            connection.hashObjectId = objectId;
            connection.refusedHash.reset();
            return SUCCESSFUL;
        }
        if (answer.code != WRONG_PASSWORD && answer.code != INTRUDER_LOCKOUT) {
            return fail(answer.code, State::Failed, "the server refused the login of " + who);
        }
        connection.refusedHash = std::move(hash);
        connection.hashObjectId = objectId;
        connection.hash.reset();
        const std::string why = answer.code == WRONG_PASSWORD
                                    ? "wrong password for " + who
                                    : "the account " + who + " is locked (intruder detection)";
        connection.failure = {answer.code, config.server + ": " + why};
        if (usedKept && answer.code == WRONG_PASSWORD) {
            // The hash kept from the last login is out of date (the password changed, the
            // server restarted with new ones): the password source may hold the new one.
            continue;
        }
        if (!passwords_ || !passwords_->interactive() || answer.code == INTRUDER_LOCKOUT) {
            return fail(answer.code, State::Refused, why);
        }
        request.again = true;
        request.refusal = answer.code == WRONG_PASSWORD ? "Wrong password." : why;
    }
    connection.personGaveUp = true;
    return fail(connection.failure.code != 0 ? connection.failure.code : WRONG_PASSWORD,
                State::Refused, "wrong password for " + who + ", three times");
}

NWCCODE WireClient::ensureLive(Connection& connection) {
    switch (connection.state) {
        case State::Cleared:
            return INVALID_CONNECTION;
        case State::Live:
            if (connection.session && connection.session->usable()) {
                return SUCCESSFUL;
            }
            settle(connection);
            if (connection.state == State::Cleared) {
                return INVALID_CONNECTION;
            }
            [[fallthrough]];
        case State::Failed:
            if (options_.clock() - connection.failedAt < options_.retryInterval) {
                return connection.failure.code != 0 ? connection.failure.code : NWE_CONNECTION_LOST;
            }
            break;
        case State::Refused:
            if (connection.personGaveUp && passwords_ != nullptr && passwords_->interactive()) {
                // Asked once and not answered (cancelled, no terminal): the refusal stands.
                return connection.failure.code != 0 ? connection.failure.code : NWE_NO_PASSWORD;
            }
            break;
        case State::Idle:
            break;
    }
    if (connection.state != State::Idle && options_.reloadWorkstation) {
        // The servers may have moved (a restarted demo server listens elsewhere).
        if (std::optional<WorkstationConfig> fresh = options_.reloadWorkstation();
            fresh && fresh->connections.size() == connections_.size()) {
            for (std::size_t i = 0; i < connections_.size(); ++i) {
                if (fresh->connections[i].server == connections_[i]->config.server) {
                    connections_[i]->config.address = fresh->connections[i].address;
                }
            }
        }
    }
    if (const NWCCODE rc = attach(connection); rc != SUCCESSFUL) {
        return rc;
    }
    if (const NWCCODE rc = login(connection); rc != SUCCESSFUL) {
        return rc;
    }
    connection.state = State::Live;
    connection.failure = {};
    ++connection.generation;
    return SUCCESSFUL;
}

NWCCODE WireClient::openHandle(Connection& connection, NWCONN_HANDLE* conn) {
    if (const NWCCODE rc = ensureLive(connection); rc != SUCCESSFUL) {
        return rc;
    }
    auto handle = std::make_unique<Handle>();
    handle->connection = &connection;
    handle->generation = connection.generation;
    const NWCONN_HANDLE id = nextHandle_++;
    handles_.emplace(id, std::move(handle));
    *conn = id;
    return SUCCESSFUL;
}

WireClient::Handle* WireClient::use(NWCONN_HANDLE conn, NWCCODE& code) {
    auto it = handles_.find(conn);
    if (it == handles_.end()) {
        code = INVALID_CONNECTION;
        return nullptr;
    }
    Handle& handle = *it->second;
    Connection& connection = *handle.connection;
    if (connection.state == State::Live && connection.session && !connection.session->usable()) {
        settle(connection);
    }
    if (connection.state == State::Cleared) {
        code = INVALID_CONNECTION;
        return nullptr;
    }
    if (connection.state != State::Live || handle.generation != connection.generation) {
        // The session this handle was opened on is gone; so is everything it held.
        code = connection.failure.code != 0 ? connection.failure.code : NWE_CONNECTION_LOST;
        return nullptr;
    }
    return &handle;
}

WireClient::Handle* WireClient::useWithPath(NWCONN_HANDLE conn, const char* path,
                                            ncp::HandlePath& wirePath, NWCCODE& code) {
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return nullptr;
    }
    std::optional<ncp::HandlePath> parsed = volumePath(path);
    if (!parsed) {
        code = INVALID_PATH;
        return nullptr;
    }
    wirePath = std::move(*parsed);
    return h;
}

// ---- Start-up, references and handles ----------------------------------------------------------

NWCCODE WireClient::NWCallsInit(nuint8*, nuint8*) {
    return SUCCESSFUL;
}

NWCCODE WireClient::GetWorkstationCodePage(std::string& name) {
    name = workstation_.codePage;
    return SUCCESSFUL;
}

NWCCODE WireClient::NWCCScanConnRefs(nuint32* scanIterator, NWCONN_REF* connRef) {
    if (scanIterator == nullptr || connRef == nullptr) {
        return NWE_PARAM_INVALID;
    }
    for (std::size_t i = *scanIterator; i < connections_.size(); ++i) {
        if (connections_[i]->state == State::Cleared) {
            continue;
        }
        *connRef = connections_[i]->ref;
        *scanIterator = static_cast<nuint32>(i + 1);
        return SUCCESSFUL;
    }
    *scanIterator = static_cast<nuint32>(connections_.size());
    return NWE_NO_MORE_ENTRIES;
}

NWCCODE WireClient::NWCCGetConnRefInfo(NWCONN_REF connRef, nuint32 infoType, nuint32 len,
                                       void* buffer) {
    const Connection* connection = connectionByRef(connRef);
    if (connection == nullptr || connection->state == State::Cleared) {
        return INVALID_CONNECTION;
    }
    if (infoType != NWCC_INFO_SERVER_NAME) {
        return NWE_INFO_TYPE_INVALID;
    }
    if (buffer == nullptr) {
        return NWE_PARAM_INVALID;
    }
    return copyText(buffer, len, connection->config.server) ? SUCCESSFUL : NWE_BUFFER_OVERFLOW;
}

NWCCODE WireClient::NWCCOpenConnByRef(NWCONN_REF connRef, nuint32 openState, nuint32,
                                      NWCONN_HANDLE* conn) {
    if (conn == nullptr || (openState != NWCC_OPEN_LICENSED && openState != NWCC_OPEN_UNLICENSED)) {
        return NWE_PARAM_INVALID;
    }
    Connection* connection = connectionByRef(connRef);
    if (connection == nullptr || connection->state == State::Cleared) {
        return INVALID_CONNECTION;
    }
    return openHandle(*connection, conn);
}

NWCCODE WireClient::NWCCCloseConn(NWCONN_HANDLE conn) {
    auto it = handles_.find(conn);
    if (it == handles_.end()) {
        return INVALID_CONNECTION;
    }
    releaseFiles(conn);
    releaseDirHandles(*it->second);
    handles_.erase(it);
    return SUCCESSFUL;
}

NWCCODE WireClient::GetConnRefFailure(NWCONN_REF connRef, std::string& text) {
    const Connection* connection = connectionByRef(connRef);
    if (connection == nullptr) {
        return INVALID_CONNECTION;
    }
    text = connection->state == State::Live ? std::string() : connection->failure.text;
    return SUCCESSFUL;
}

NWCCODE WireClient::OpenConnByName(const char* name, nuint32 nameFormat, nuint32 openState,
                                   NWCONN_HANDLE* conn) {
    if (name == nullptr || conn == nullptr ||
        (openState != NWCC_OPEN_LICENSED && openState != NWCC_OPEN_UNLICENSED)) {
        return NWE_PARAM_INVALID;
    }
    if (nameFormat != NWCC_NAME_FORMAT_BIND && nameFormat != NWCC_NAME_FORMAT_NDS) {
        return NWE_PARAM_INVALID;
    }
    std::string key = name;
    for (char& c : key) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    // A directory name may also be the server's name alone.
    for (const auto& connection : connections_) {
        if (connection->config.server == key && connection->state != State::Cleared) {
            return openHandle(*connection, conn);
        }
    }
    if (nameFormat == NWCC_NAME_FORMAT_NDS) {
        return openConnByDirectoryName(key, *conn);
    }
    // The workstation knows no other servers than those it is connected to.
    return NO_SUCH_OBJECT;
}

NWCCODE WireClient::GetConnAuthenticationState(NWCONN_HANDLE conn, nuint32* state) {
    NWCCODE code = SUCCESSFUL;
    Handle* h = use(conn, code);
    if (h == nullptr) {
        return code;
    }
    if (state == nullptr) {
        return NWE_PARAM_INVALID;
    }
    *state = h->connection->config.user.empty() ? NWCC_AUTHENT_STATE_NONE : NWCC_AUTHENT_STATE_BIND;
    return SUCCESSFUL;
}

// ---- Drives -----------------------------------------------------------------------------------

namespace {

const WorkstationDrive* driveOf(const WorkstationConfig& ws, nuint16 drive) {
    if (drive < 1 || drive > 26) {
        return nullptr;
    }
    const char letter = static_cast<char>('A' + drive - 1);
    for (const WorkstationDrive& d : ws.drives) {
        if (d.letter == letter) {
            return &d;
        }
    }
    return nullptr;
}

}  // namespace

NWCCODE WireClient::NWGetDriveInformation(nuint16 drive, nuint16, NWCONN_HANDLE* conn,
                                          nuint8* status, nuint32* rootOffset, char*) {
    const WorkstationDrive* d = driveOf(workstation_, drive);
    if (d == nullptr) {
        return INVALID_DRIVE;
    }
    const bool connected = std::any_of(
        connections_.begin(), connections_.end(),
        [&](const auto& c) { return c->config.server == d->server && c->state != State::Cleared; });
    if (!connected) {
        return INVALID_DRIVE;
    }
    if (conn != nullptr) {
        *conn = 0;
    }
    if (status != nullptr) {
        *status = NW_NETWARE_DRIVE;
    }
    if (rootOffset != nullptr) {
        *rootOffset = 0;
    }
    return SUCCESSFUL;
}

NWCCODE WireClient::GetDriveMapping(nuint16 drive, std::string& target, std::string& localFolder) {
    const NWCCODE rc = NWGetDriveInformation(drive, 0, nullptr, nullptr, nullptr, nullptr);
    if (rc != SUCCESSFUL) {
        return rc;
    }
    target = driveOf(workstation_, drive)->target;
    localFolder.clear();  // a drive on a server has no folder on this machine
    return SUCCESSFUL;
}

}  // namespace nw::wire

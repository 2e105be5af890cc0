// Loads and validates a network file into a fresh model. Every error names the file, the JSON
// path of the bad value and what was expected; the model is handed out only when the whole file
// is sound.
#include "loader.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "jsonnode.h"
#include "ncp/login.h"
#include "netclient/sim/loaderror.h"
#include "networkfile.h"

namespace nw::sim {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kForbiddenNameCharacters = " \\/:;,*?\"<>|=[]+.";

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Fills out with the bytes of a hex string of exactly 2 * out.size() digits.
void hexBytes(const Node& node, nuint8* out, std::size_t count) {
    std::string expected = std::to_string(2 * count) + " hexadecimal digits";
    const std::string& text = node.string(expected);
    if (text.size() != 2 * count)
        node.fail(expected);
    for (std::size_t i = 0; i < count; ++i) {
        int high = hexValue(text[2 * i]);
        int low = hexValue(text[2 * i + 1]);
        if (high < 0 || low < 0)
            node.fail(expected);
        out[i] = static_cast<nuint8>(high * 16 + low);
    }
}

// NetWare stores login times with a two-digit year: 80-99 mean 1980-1999, 0-79 mean 2000-2079.
std::array<nuint8, 7> packTime(int year, unsigned month, unsigned day, unsigned hour,
                               unsigned minute, unsigned second) {
    using namespace std::chrono;
    year_month_day date{std::chrono::year(year), std::chrono::month(month), std::chrono::day(day)};
    unsigned weekday = std::chrono::weekday(sys_days(date)).c_encoding();
    return {static_cast<nuint8>(year % 100), static_cast<nuint8>(month),
            static_cast<nuint8>(day),        static_cast<nuint8>(hour),
            static_cast<nuint8>(minute),     static_cast<nuint8>(second),
            static_cast<nuint8>(weekday)};
}

std::array<nuint8, 7> parseLoginTime(const Node& node) {
    LocalTime t = parseLocalTime(node, 1980, 2079);
    return packTime(t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::array<nuint8, 7> now() {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    int year = std::clamp(local.tm_year + 1900, 1980, 2079);
    return packTime(year, static_cast<unsigned>(local.tm_mon + 1),
                    static_cast<unsigned>(local.tm_mday), static_cast<unsigned>(local.tm_hour),
                    static_cast<unsigned>(local.tm_min), static_cast<unsigned>(local.tm_sec % 60));
}

class Loader {
public:
    Loader(std::string file, fs::path baseDir)
        : file_(std::move(file)), base_(std::move(baseDir)) {}

    std::unique_ptr<Network> load(std::string_view text) {
        JsonArena arena;  // outlives the document
        // The pending passwords hold nodes of the document: they go (wiped) before the arena,
        // however the load ends.
        struct DropPending {
            Loader& loader;
            ~DropPending() { loader.dropPendingPasswords(); }
        } dropPending{*this};
        json document;
        DomBuilder builder(document, file_);
        json::sax_parse(text, &builder);
        Node root(&document, file_);
        root.expectObject({"workstation", "servers", "trees", "state"});
        Node workstation = root["workstation"];
        workstation.expectObject({"drives", "connections", "codePage"});

        Node codePage = workstation["codePage"];
        std::string codePageName = codePage.present() ? codePage.string("an iconv code page name")
                                                      : std::string("WINDOWS-1252");
        try {
            net_ = std::make_unique<Network>(codePageName);
        } catch (const std::invalid_argument&) {
            codePage.fail(
                "an 8-bit code page that iconv knows, such as \"WINDOWS-1252\" or \"CP850\" "
                "(not UTF-8, UTF-16 or another multi-byte encoding, no //options)");
        }
        net_->file = file_;
        loginTimeDefault_ = now();

        for (const Node& tree : root["trees"].itemsOr())
            loadTree(tree);
        std::vector<Node> servers = root["servers"].items();
        net_->reserveServers(servers.size());
        for (const Node& server : servers)
            loadServer(server);
        for (std::size_t i = 0; i < servers.size(); ++i) {
            loadStations(*net_->servers[i], servers[i]["connections"]);
        }
        for (const Node& connection : workstation["connections"].itemsOr()) {
            loadWorkstationConnection(connection);
        }
        for (const Node& drive : workstation["drives"].itemsOr())
            loadDrive(drive);
        for (Tree& tree : net_->trees)
            completeTree(tree);
        for (auto& server : net_->servers)
            assignObjectIds(*server);
        loadVolumeData(*net_, root, base_);
        hashPasswords();
        return std::move(net_);
    }

private:
    // ---- Texts and names ----------------------------------------------------------------------

    std::string text(const Node& node, std::string_view expected = "a string") const {
        std::optional<std::string> converted = net_->codePage.fromUtf8(node.string(expected));
        if (!converted) {
            node.fail(std::string(expected) +
                      " whose characters exist in the workstation code page (" +
                      net_->codePage.name() + ")");
        }
        return *converted;
    }

    // A server or volume name: upper-cased, without blanks or the characters that separate
    // paths and directory names.
    std::string resourceName(const Node& node, std::size_t maxLength, const char* what) const {
        std::string expected = std::string(what) + " of 1 to " + std::to_string(maxLength) +
                               " characters without blanks or any of \\/:;,*?\"<>|=[]+.";
        std::string name = upperAscii(text(node, expected));
        if (name.empty() || name.size() > maxLength || hasControlCharacter(name) ||
            name.find_first_of(kForbiddenNameCharacters) != std::string::npos) {
            node.fail(expected);
        }
        return name;
    }

    std::string objectName(const Node& node) const {
        const std::string_view expected = "an object name of 1 to 47 characters";
        std::string name = upperAscii(text(node, expected));
        if (name.empty() || name.size() > NW_MAX_OBJECT_NAME_LEN || hasControlCharacter(name)) {
            node.fail(expected);
        }
        return name;
    }

    // ---- Servers ------------------------------------------------------------------------------

    void loadServer(const Node& node) {
        node.expectObject({"name", "version", "maxConnections", "sftLevel", "ttsLevel",
                           "loginEnabled", "tree", "directoryName", "users", "volumes",
                           "connections", "supervisors", "listen", "consoleOperators"});
        auto server = std::make_unique<Server>();
        server->name = resourceName(node["name"], NW_MAX_SERVER_NAME_LEN, "a server name");
        if (net_->serverNamed(server->name) != nullptr) {
            node["name"].fail("a server name not used by another server");
        }
        if (Node version = node["version"]; version.present()) {
            std::vector<Node> parts = version.items("an array of 3 integers");
            if (parts.size() != 3)
                version.fail("an array of 3 integers (major, minor, revision)");
            for (int i = 0; i < 3; ++i) {
                server->version[i] = static_cast<nuint8>(parts[i].integer(0, 255));
            }
        }
        server->maxConnections =
            static_cast<nuint16>(node["maxConnections"].integerOr(250, 1, 65535));
        server->sftLevel = static_cast<nuint8>(node["sftLevel"].integerOr(2, 0, 255));
        server->ttsLevel = static_cast<nuint8>(node["ttsLevel"].integerOr(1, 0, 255));
        server->loginEnabled = node["loginEnabled"].booleanOr(true);
        server->listen = listenAddress(node["listen"]);
        loadServerTree(*server, node);

        std::unordered_set<nuint32> ids;
        for (const Node& user : node["users"].itemsOr()) {
            Node name = user;
            std::optional<nuint32> id;
            if (!user.isString()) {
                user.expectObject({"name", "id", "password", "passwordHash"});
                name = user["name"];
                if (Node given = user["id"]; given.present()) {
                    id = static_cast<nuint32>(given.integer(1, 0xFFFFFFFF));
                    if (!ids.insert(*id).second)
                        given.fail("an id not used by another object");
                }
            }
            std::string upper = objectName(name);
            if (server->objectNamed(upper, OT_USER) != nullptr) {
                name.fail("a user name not listed twice");
            }
            BinderyObject* added = addObject(*server, upper, OT_USER, id);
            if (!user.isString())
                loadPassword(*added, user, id);
        }
        for (const Node& name : node["consoleOperators"].itemsOr()) {
            server->consoleOperators.insert(objectFor(*server, objectName(name), OT_USER));
        }

        std::vector<Node> volumes = node["volumes"].itemsOr();
        for (std::size_t i = 0; i < volumes.size(); ++i)
            loadVolume(*server, volumes[i], i);
        net_->addServer(std::move(server));
    }

    void loadServerTree(Server& server, const Node& node) {
        Node tree = node["tree"];
        Node directoryName = node["directoryName"];
        if (!tree.present() && !directoryName.present())
            return;
        if (!tree.present())
            tree.fail("the tree of the server, given with its directoryName");
        if (!directoryName.present()) {
            directoryName.fail("the server's dotted name in its tree, e.g. \"FS1.SALES.ACME\"");
        }
        std::string treeName = upperAscii(text(tree));
        Tree* found = net_->treeNamed(treeName);
        if (found == nullptr)
            tree.fail("the name of a tree in trees");
        server.tree = found->name;
        server.directoryName = dottedName(directoryName);
        if (upperAscii(server.directoryName.substr(0, server.directoryName.find('.'))) !=
            server.name) {
            directoryName.fail("a dotted name whose first part is the server's name");
        }
        addTreeObject(*found, server.directoryName, "NCP Server");
    }

    BinderyObject* addObject(Server& server, const std::string& name, nuint16 type,
                             std::optional<nuint32> id) {
        auto object = std::make_unique<BinderyObject>();
        object->name = name;
        object->type = type;
        object->id = id ? *id : 0;
        return &server.addObject(std::move(object));
    }

    // Objects without a given id get the next free one, in the order they were named.
    void assignObjectIds(Server& server) {
        std::unordered_set<nuint32> given;
        for (auto& object : server.objects)
            given.insert(object->id);
        nuint32 next = 0x10000001;
        for (auto& object : server.objects) {
            if (object->id != 0)
                continue;
            while (given.count(next) != 0)
                ++next;
            object->id = next++;
        }
    }

    // ---- Logins -------------------------------------------------------------------------------

    // "HOST:PORT" where the server listens for NCP: an IPv4 address or localhost, and a port (0:
    // a free one). Absent: 127.0.0.1 on a free port.
    std::string listenAddress(const Node& node) {
        if (!node.present())
            return {};
        const std::string expected =
            "\"HOST:PORT\": an IPv4 address (or localhost) and a port from 0 to 65535 (0: any free "
            "port), not used by another server of the file";
        const std::string& text = node.string(expected);
        std::size_t colon = text.rfind(':');
        if (colon == std::string::npos || colon == 0 || colon + 1 == text.size() ||
            colon + 6 < text.size())
            node.fail(expected);
        std::string host = text.substr(0, colon);
        if (host != "localhost") {
            unsigned parts[4];
            char end = 0;
            if (host.find_first_not_of("0123456789.") != std::string::npos ||
                std::sscanf(host.c_str(), "%3u.%3u.%3u.%3u%c", &parts[0], &parts[1], &parts[2],
                            &parts[3], &end) != 4 ||
                parts[0] > 255 || parts[1] > 255 || parts[2] > 255 || parts[3] > 255) {
                node.fail(expected);
            }
        }
        unsigned long port = 0;
        for (char c : text.substr(colon + 1)) {
            if (c < '0' || c > '9')
                node.fail(expected);
            port = port * 10 + static_cast<unsigned long>(c - '0');
        }
        if (port > 65535)
            node.fail(expected);
        std::string canonical =
            (host == "localhost" ? "127.0.0.1" : host) + ":" + std::to_string(port);
        if (port != 0 && !listenAddresses_.insert(canonical).second)
            node.fail(expected);
        return canonical;
    }

    // A user's password, kept as the bindery keeps it: the 16-byte hash salted with the object
    // id. A plain password is hashed once the ids are final (a user of a tree takes its User
    // object's id); a given hash needs a fixed id.
    void loadPassword(BinderyObject& object, const Node& user, std::optional<nuint32> id) {
        Node password = user["password"];
        Node hash = user["passwordHash"];
        if (password.present() && hash.present())
            hash.fail("either password or passwordHash, not both");
        if (password.present()) {
            // Clients upper-case a password before hashing it; the server stores it so.
            pendingPasswords_.push_back(
                {&object, upperAscii(text(password, "a password")), std::nullopt, password, 0});
        } else if (hash.present()) {
            if (!id)
                hash.fail("a passwordHash only for a user with an id (the hash is salted with it)");
            std::array<nuint8, 16> bytes{};
            hexBytes(hash, bytes.data(), bytes.size());
            pendingPasswords_.push_back({&object, {}, bytes, hash, *id});
        }
    }

    void hashPasswords() {
        for (PendingPassword& pending : pendingPasswords_) {
            BinderyObject& object = *pending.object;
            if (pending.hash) {
                if (object.id != pending.givenId) {
                    pending.node.fail("a passwordHash of a user whose id stays " +
                                      std::to_string(pending.givenId) + " (" + object.name +
                                      " takes the id of the tree's User object)");
                }
                object.passwordHash = pending.hash;
            } else {
                object.passwordHash = ncp::passwordHash(object.id, pending.password);
            }
        }
        dropPendingPasswords();
    }

    void dropPendingPasswords() {
        for (PendingPassword& pending : pendingPasswords_)
            std::fill(pending.password.begin(), pending.password.end(), '\0');
        pendingPasswords_.clear();
    }

    // ---- Volumes ------------------------------------------------------------------------------

    void loadVolume(Server& server, const Node& node, std::size_t index) {
        node.expectObject({"name", "number", "mounted", "nameSpaces", "folder", "blocks",
                           "removable", "entries", "userRestrictions", "deletedFiles"});
        auto volume = std::make_unique<Volume>();
        volume->server = &server;
        volume->name = resourceName(node["name"], NW_MAX_VOLUME_NAME_LEN, "a volume name");
        if (server.volumeNamed(volume->name) != nullptr) {
            node["name"].fail("a volume name not used twice on the server");
        }
        Node number = node["number"];
        volume->number =
            static_cast<nuint8>(number.integerOr(static_cast<std::int64_t>(index), 0, 255));
        if (server.volumeNumbered(volume->number) != nullptr) {
            number.fail("a volume number not used twice on the server");
        }
        volume->mounted = node["mounted"].booleanOr(true);
        volume->removable = node["removable"].booleanOr(false);

        if (Node spaces = node["nameSpaces"]; spaces.present()) {
            for (const Node& space : spaces.items("an array of name space numbers")) {
                unsigned bit = 1u << space.integer(0, 4);
                if ((volume->nameSpaces & bit) != 0)
                    space.fail("a name space not listed twice");
                volume->nameSpaces |= bit;
            }
            if (!volume->hasNameSpace(NW_NS_DOS)) {
                spaces.fail("name spaces that include 0 (DOS), which every volume has");
            }
        } else {
            volume->nameSpaces = 1u << NW_NS_DOS | 1u << NW_NS_LONG;
        }

        Node folder = node["folder"];
        fs::path relative = folder.present() ? fs::path(folder.string("a folder path"))
                                             : fs::path("volumes") / utf8Upper(server.name) /
                                                   utf8Upper(volume->name);
        volume->folder = base_ / relative;
        std::error_code ec;
        if (!fs::is_directory(volume->folder, ec)) {
            folder.fail(folder.present() ? "an existing folder (relative to the network file)"
                                         : "a folder for the volume: the default " +
                                               volume->folder.string() + " does not exist");
        }
        loadBlocks(*volume, node["blocks"]);
        initEntries(*volume);
        server.addVolume(std::move(volume));
    }

    std::string utf8Upper(const std::string& codePageName) const {
        return upperAscii(net_->codePage.toUtf8(codePageName).value_or(codePageName));
    }

    void loadBlocks(Volume& volume, const Node& node) {
        Blocks& blocks = volume.blocks;
        if (node.present()) {
            node.expectObject({"total", "free", "purgeable", "sectorsPerBlock", "badSectors"});
        }
        Node sectors = node.present() ? node["sectorsPerBlock"] : node;
        if (node.present() && sectors.present()) {
            blocks.sectorsPerBlock = static_cast<nuint32>(sectors.integer(1, 128));
            if ((blocks.sectorsPerBlock & (blocks.sectorsPerBlock - 1)) != 0) {
                sectors.fail("a power of 2 from 1 to 128");
            }
        }
        // Without figures, the folder's file system gives them.
        struct statvfs disk {};
        std::uint64_t blockBytes = blocks.sectorsPerBlock * 512ull;
        std::uint64_t total = 0, free = 0;
        if (statvfs(volume.folder.c_str(), &disk) == 0) {
            total = disk.f_blocks * disk.f_frsize / blockBytes;
            free = disk.f_bavail * disk.f_frsize / blockBytes;
        }
        blocks.total = static_cast<nuint32>(std::min<std::uint64_t>(total, 0xFFFFFFFF));
        blocks.free = static_cast<nuint32>(std::min<std::uint64_t>(free, blocks.total));
        if (!node.present())
            return;
        volume.blocksGiven = node["total"].present() || node["free"].present();
        blocks.total = static_cast<nuint32>(node["total"].integerOr(blocks.total, 0, 0xFFFFFFFF));
        blocks.free = static_cast<nuint32>(
            node["free"].integerOr(std::min(blocks.free, blocks.total), 0, blocks.total));
        blocks.purgeable =
            static_cast<nuint32>(node["purgeable"].integerOr(0, 0, blocks.total - blocks.free));
        blocks.badSectors = static_cast<nuint32>(node["badSectors"].integerOr(0, 0, 0xFFFFFFFF));
    }

    // ---- Connection tables --------------------------------------------------------------------

    void loadStations(Server& server, const Node& list) {
        for (const Node& node : list.itemsOr()) {
            node.expectObject({"number", "user", "type", "loginTime", "address", "bytesRead",
                               "bytesWritten", "status", "messages", "pendingMessage",
                               "openFiles"});
            auto station = std::make_unique<Station>();
            station->server = &server;
            Node number = node["number"];
            station->number = static_cast<nuint16>(number.integer(0, server.maxConnections - 1));
            if (server.station(station->number) != nullptr) {
                number.fail("a connection number not used twice on the server");
            }
            Node user = node["user"];
            Node type = node["type"];
            if (user.present()) {
                station->object = objectFor(server, objectName(user), objectType(type));
            } else if (type.present()) {
                type.fail("no type for a station that is not logged in (it has no user)");
            }
            Node loginTime = node["loginTime"];
            station->loginTime =
                loginTime.present() ? parseLoginTime(loginTime) : loginTimeDefault_;
            if (Node address = node["address"]; address.present()) {
                address.expectObject({"network", "node", "socket"});
                hexBytes(address["network"], station->address.data(), 4);
                hexBytes(address["node"], station->address.data() + 4, 6);
                hexBytes(address["socket"], station->address.data() + 10, 2);
            }
            constexpr std::int64_t kMax48 = (std::int64_t{1} << 48) - 1;
            station->bytesRead =
                static_cast<std::uint64_t>(node["bytesRead"].integerOr(0, 0, kMax48));
            station->bytesWritten =
                static_cast<std::uint64_t>(node["bytesWritten"].integerOr(0, 0, kMax48));
            station->authenticated = choice(node["status"], "normal", "authenticated");
            station->refusesMessages = choice(node["messages"], "accept", "refuse");
            if (Node message = node["pendingMessage"]; message.present()) {
                std::string expected =
                    "a message of 1 to " + std::to_string(server.broadcastLimit()) + " characters";
                std::string text = this->text(message, expected);
                if (text.empty() || text.size() > server.broadcastLimit())
                    message.fail(expected);
                station->pendingMessage = std::move(text);
            }
            Station* raw = &server.putStation(std::move(station));
            ++server.stationCount;
            for (const Node& open : node["openFiles"].itemsOr())
                loadOpenFile(*raw, open);
        }
        server.peakStationCount = server.stationCount;
    }

    // false for the first word (the default), true for the second.
    static bool choice(const Node& node, const char* first, const char* second) {
        if (!node.present())
            return false;
        std::string expected = std::string("\"") + first + "\" or \"" + second + "\"";
        const std::string& value = node.string(expected);
        if (value != first && value != second)
            node.fail(expected);
        return value == second;
    }

    nuint16 objectType(const Node& node) const {
        if (!node.present())
            return OT_USER;
        if (!node.isString())
            return static_cast<nuint16>(node.integer(0, 65535));
        static const std::pair<const char*, nuint16> kTypes[] = {{"user", OT_USER},
                                                                 {"group", OT_USER_GROUP},
                                                                 {"print queue", OT_PRINT_QUEUE},
                                                                 {"file server", OT_FILE_SERVER},
                                                                 {"job server", OT_JOB_SERVER},
                                                                 {"gateway", OT_GATEWAY},
                                                                 {"print server", OT_PRINT_SERVER}};
        for (const auto& [name, type] : kTypes) {
            if (node.string() == name)
                return type;
        }
        node.fail(
            "an object type number or one of \"user\", \"group\", \"print queue\", \"file "
            "server\", \"job server\", \"gateway\", \"print server\"");
    }

    BinderyObject* objectFor(Server& server, const std::string& name, nuint16 type) {
        if (BinderyObject* object = server.objectNamed(name, type))
            return object;
        return addObject(server, name, type, std::nullopt);
    }

    void loadOpenFile(Station& station, const Node& node) {
        node.expectObject({"path", "task", "locks"});
        Node path = node["path"];
        const std::string_view expected =
            "the path of a file of a mounted volume of the server, \"VOLUME:DIR\\FILE\"";
        ResolvedPath resolved;
        NWCCODE rc = resolvePath(*station.server, text(path, expected), NW_NS_LONG, net_->codePage,
                                 resolved, false);
        if (rc != SUCCESSFUL || resolved.entry->isDirectory)
            path.fail(expected);
        if (station.openFiles.size() >= 65534)
            node.fail("at most 65534 open files per station");
        OpenFile open;
        open.volume = resolved.volume;
        open.file = resolved.entry;
        open.task = static_cast<nuint16>(node["task"].integerOr(1, 0, 65535));
        station.openFiles.push_back(open);

        Entry& file = *resolved.entry;
        if (!file.usage)
            file.usage = std::make_unique<FileUsage>();
        FileUsage& usage = *file.usage;
        // A station's files are loaded one after the other, so an earlier open of this file by
        // the same station is the file's last opener.
        if (usage.openers.empty() || usage.openers.back().station != &station) {
            usage.openers.push_back({&station, open.task});
        }
        for (const Node& lockNode : node["locks"].itemsOr()) {
            lockNode.expectObject({"start", "end", "type", "task"});
            Lock lock;
            lock.station = &station;
            lock.start = static_cast<nuint32>(lockNode["start"].integer(0, 0xFFFFFFFF));
            lock.end = static_cast<nuint32>(lockNode["end"].integer(lock.start, 0xFFFFFFFF));
            lock.type = static_cast<nuint8>(lockNode["type"].integerOr(0, 0, 255));
            lock.task = static_cast<nuint16>(lockNode["task"].integerOr(open.task, 0, 65535));
            if (usage.locks.size() >= 65534)
                lockNode.fail("at most 65534 locks on one file");
            if (station.lockCount == 65535)
                lockNode.fail("at most 65535 locks per station");
            usage.locks.push_back(lock);
            ++station.lockCount;
        }
    }

    // ---- Workstation --------------------------------------------------------------------------

    void loadWorkstationConnection(const Node& node) {
        node.expectObject(
            {"server", "user", "station", "consoleOperator", "ref", "directoryAuthenticated"});
        auto connection = std::make_unique<WsConnection>();
        Node serverNode = node["server"];
        Server* server = net_->serverNamed(upperAscii(text(serverNode, "a server name")));
        if (server == nullptr)
            serverNode.fail("the name of a server in servers");
        connection->server = server;
        connection->consoleOperator = node["consoleOperator"].booleanOr(false);
        Node directory = node["directoryAuthenticated"];
        connection->directoryAuthenticated = directory.booleanOr(false);
        if (connection->directoryAuthenticated && server->tree.empty()) {
            directory.fail("false for a server that belongs to no tree");
        }
        Node ref = node["ref"];
        connection->ref = static_cast<NWCONN_REF>(
            ref.integerOr(static_cast<std::int64_t>(net_->connections.size() + 1), 1, 0xFFFFFFFF));
        if (net_->connectionByRef(connection->ref) != nullptr) {
            ref.fail(ref.present() ? "a connection reference not used by another connection"
                                   : "a ref: the default " + std::to_string(connection->ref) +
                                         " is used by another connection");
        }

        Node stationNode = node["station"];
        auto number = static_cast<nuint16>(stationNode.integer(0, server->maxConnections - 1));
        Node userNode = node["user"];
        const BinderyObject* user =
            userNode.present() ? objectFor(*server, objectName(userNode), OT_USER) : nullptr;
        Station* station = server->station(number);
        if (station == nullptr) {
            auto added = std::make_unique<Station>();
            added->server = server;
            added->number = number;
            added->object = user;
            added->loginTime = loginTimeDefault_;
            station = &server->putStation(std::move(added));
            ++server->stationCount;
            server->peakStationCount = server->stationCount;
        } else if (station->object != user) {
            userNode.fail("the object that the server's connection table shows on station " +
                          std::to_string(number) + " (" +
                          (station->object ? "\"" + station->object->name + "\"" : "none") + ")");
        }
        if (station->workstation != nullptr) {
            stationNode.fail("a station not used by another connection of the workstation");
        }
        station->workstation = connection.get();
        connection->station = station;
        net_->addConnection(std::move(connection));
    }

    void loadDrive(const Node& node) {
        node.expectObject({"letter", "target"});
        Node letterNode = node["letter"];
        const std::string& letter = letterNode.string("one letter A to Z");
        if (letter.size() != 1 || letter[0] < 'A' || letter[0] > 'Z') {
            letterNode.fail("one letter A to Z");
        }
        if (letter[0] == 'C')
            letterNode.fail("a letter other than C (the workstation's own disk)");
        std::size_t index = static_cast<std::size_t>(letter[0] - 'A' + 1);
        if (net_->drives[index])
            letterNode.fail("a letter not mapped twice");

        Node targetNode = node["target"];
        const std::string_view expected =
            "\"\\\\SERVER\\VOLUME\" or \"\\\\SERVER\\VOLUME\\DIR\\SUB\" naming a folder of a "
            "mounted volume of a server the workstation is connected to";
        std::string target = text(targetNode, expected);
        if (target.size() < 3 || target.compare(0, 2, "\\\\") != 0)
            targetNode.fail(expected);
        std::size_t cut = target.find('\\', 2);
        Server* server = net_->serverNamed(upperAscii(target.substr(2, cut - 2)));
        if (server == nullptr || cut == std::string::npos)
            targetNode.fail(expected);
        bool connected = std::any_of(net_->connections.begin(), net_->connections.end(),
                                     [&](const auto& c) { return c->server == server; });
        if (!connected)
            targetNode.fail(expected);
        std::string volumePath = target.substr(cut + 1);
        std::size_t volumeEnd = volumePath.find('\\');
        volumePath.insert(volumeEnd == std::string::npos ? volumePath.size() : volumeEnd, ":");
        ResolvedPath resolved;
        if (resolvePath(*server, volumePath, NW_NS_LONG, net_->codePage, resolved, false) !=
                SUCCESSFUL ||
            !resolved.entry->isDirectory) {
            targetNode.fail(expected);
        }
        Drive drive;
        drive.volume = resolved.volume;
        drive.directory = resolved.entry;
        drive.target = "\\\\" + server->name + "\\" + resolved.volume->name;
        std::vector<const Entry*> chain;
        for (const Entry* e = resolved.entry; e->parent != nullptr; e = e->parent) {
            chain.push_back(e);
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it)
            drive.target += "\\" + (*it)->longName;
        net_->drives[index] = std::move(drive);
    }

    // ---- Trees --------------------------------------------------------------------------------

    std::string dottedName(const Node& node) const {
        const std::string_view expected =
            "a dotted name of at most 256 characters such as \"SYS_VOL.SALES.ACME\"";
        std::string name = text(node, expected);
        if (name.empty() || name.size() > 256 || hasControlCharacter(name) || name.front() == '.' ||
            name.back() == '.' || name.find("..") != std::string::npos) {
            node.fail(expected);
        }
        return name;
    }

    void loadTree(const Node& node) {
        node.expectObject({"name", "objects"});
        Tree tree;
        Node name = node["name"];
        tree.name = text(name, "a tree name");
        if (tree.name.empty() || hasControlCharacter(tree.name))
            name.fail("a tree name");
        if (net_->treeNamed(tree.name) != nullptr)
            name.fail("a tree name not used twice");
        std::unordered_set<nuint32> ids;
        std::vector<Node> objects = node["objects"].itemsOr();
        tree.reserve(objects.size());
        for (const Node& objectNode : objects) {
            objectNode.expectObject({"name", "class", "id", "attributes"});
            TreeObject object;
            object.name = dottedName(objectNode["name"]);
            Node objectClass = objectNode["class"];
            static const char* const kClasses[] = {
                "Country",    "Locality", "Organization", "Organizational Unit",
                "NCP Server", "Volume",   "User"};
            const std::string_view expected =
                "one of \"Country\", \"Locality\", \"Organization\", \"Organizational Unit\", "
                "\"NCP Server\", \"Volume\", \"User\"";
            object.objectClass = objectClass.string(expected);
            if (std::find(std::begin(kClasses), std::end(kClasses), object.objectClass) ==
                std::end(kClasses)) {
                objectClass.fail(expected);
            }
            if (Node id = objectNode["id"]; id.present()) {
                object.id = static_cast<nuint32>(id.integer(1, 0xFFFFFFFF));
                if (!ids.insert(object.id).second)
                    id.fail("an id not used by another object");
            }
            if (Node attributes = objectNode["attributes"]; attributes.present()) {
                if (!attributes.json_().is_object())
                    attributes.fail("an object of strings");
                for (const auto& item : attributes.json_().items()) {
                    Node value = attributes.member(item.key(), &item.value());
                    std::optional<std::string> attribute = net_->codePage.fromUtf8(item.key());
                    if (!attribute)
                        value.refuse("expected an attribute name in the workstation code page");
                    object.attributes[*attribute] = text(value, "a string");
                }
            }
            if (tree.addObject(std::move(object)) == nullptr)
                objectNode["name"].fail("an object name not listed twice in the tree");
        }
        net_->addTree(std::move(tree));
    }

    // Adds an object unless the tree holds one of that name.
    static void addTreeObject(Tree& tree, std::string_view name, const char* objectClass) {
        if (tree.objectNamed(name) != nullptr)
            return;
        TreeObject object;
        object.name = std::string(name);
        object.objectClass = objectClass;
        tree.addObject(std::move(object));
    }

    // Adds the containers that dotted names name but the file does not list (the top one an
    // Organization, those below it Organizational Units), then gives ids to objects without.
    static void completeTree(Tree& tree) {
        for (std::size_t i = 0, listed = tree.objects.size(); i < listed; ++i) {
            std::string name = tree.objects[i].name;  // adding may move the objects
            for (std::size_t dot = name.find('.'); dot != std::string::npos;
                 dot = name.find('.', dot + 1)) {
                std::string_view container = std::string_view(name).substr(dot + 1);
                bool top = container.find('.') == std::string_view::npos;
                addTreeObject(tree, container, top ? "Organization" : "Organizational Unit");
            }
        }
        // Given ids stay; the others count up from 0x20000001, skipping given ones.
        std::unordered_set<nuint32> given;
        for (const TreeObject& object : tree.objects)
            given.insert(object.id);
        nuint32 next = 0x20000001;
        for (TreeObject& object : tree.objects) {
            if (object.id != 0)
                continue;
            while (given.count(next) != 0)
                ++next;
            object.id = next++;
        }
    }

    struct PendingPassword {
        BinderyObject* object = nullptr;
        std::string password;                        // upper case
        std::optional<std::array<nuint8, 16>> hash;  // given instead
        Node node;
        nuint32 givenId = 0;
    };

    std::string file_;
    fs::path base_;
    std::unique_ptr<Network> net_;
    std::vector<PendingPassword> pendingPasswords_;
    std::set<std::string> listenAddresses_;
    std::array<nuint8, 7> loginTimeDefault_{};
};

}  // namespace

std::unique_ptr<Network> loadNetwork(std::string_view json, const fs::path& baseDir,
                                     const std::string& fileName) {
    // JSON text holds no NUL; the parser would take one for the end of the text.
    if (std::size_t nul = json.find('\0'); nul != std::string_view::npos) {
        std::size_t line =
            1 + static_cast<std::size_t>(std::count(json.begin(), json.begin() + nul, '\n'));
        std::size_t lineStart = json.rfind('\n', nul);
        std::size_t column = nul - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;
        throw LoadError(fileName + ": not valid JSON: a NUL byte at line " + std::to_string(line) +
                        ", column " + std::to_string(column) + " (a network file is UTF-8 text)");
    }
    return Loader(fileName, baseDir).load(json);
}

std::unique_ptr<Network> loadNetworkFile(const fs::path& file) {
    return loadNetwork(readNetworkText(file), file.parent_path(), file.string());
}

}  // namespace nw::sim

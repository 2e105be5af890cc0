// The simulated network's model: servers with their bindery objects, volumes, directory entries
// and connection tables, the workstation's connections and drives, the directory trees.
//
// Texts are kept in the workstation's code page, as they cross the client interface; names on
// disk stay UTF-8. Every scan step is an index into a vector: an open file's connections, a
// station's open files, a file's locks, a server's connection slots.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "codepage.h"
#include "flatindex.h"
#include "netclient/types.h"
#include "uniquefd.h"
#include "volumedata.h"

namespace nw::sim {

struct Server;
struct Station;
struct Volume;

struct Lock {
    Station* station = nullptr;
    nuint32 start = 0;
    nuint32 end = 0;
    nuint8 type = 0;
    nuint16 task = 0;
};

struct Opener {
    Station* station = nullptr;
    nuint16 task = 0;  // the task of the station's first open of the file
};

// Who has a file open and which locks lie on it.
struct FileUsage {
    std::vector<Opener> openers;  // distinct stations, in the order they opened the file
    std::vector<Lock> locks;      // every physical lock on the file
};

// A file or directory of a volume. Directory entry numbers index Volume::entries and stay the
// same for the life of the network; a folder's children are read from disk on first use and
// again when a lookup misses (a file created meanwhile gets the next free number).
struct Entry {
    nuint32 number = 0;
    Entry* parent = nullptr;
    std::string diskName;  // UTF-8 name in the folder (empty for the root)
    std::string longName;  // code page
    std::string dosName;   // code page, 8.3, upper case
    bool isDirectory = false;
    bool scanned = false;
    bool gone = false;     // deleted, or moved away from its disk path (numbers are not reused)
    std::size_t slot = 0;  // its place in parent->children
    std::vector<Entry*> children;  // null where an entry went away, so places never shift
    std::unordered_map<std::string, Entry*> byLongKey;  // long name, ASCII upper-cased
    std::unordered_map<std::string, Entry*> byDosName;
    std::unordered_map<std::string, unsigned> dosHints;  // see deriveDosName(Entry&, ...)
    std::unique_ptr<FileUsage> usage;                    // created when the file is first opened

    const std::string& name(nuint8 nameSpace) const {
        return nameSpace == NW_NS_DOS ? dosName : longName;
    }
};

struct Blocks {
    nuint32 total = 0;
    nuint32 free = 0;
    nuint32 purgeable = 0;
    nuint32 sectorsPerBlock = 8;
    nuint32 badSectors = 0;
};

struct Volume {
    Server* server = nullptr;
    std::string name;  // code page, upper case
    nuint8 number = 0;
    bool mounted = true;
    unsigned nameSpaces = 0;  // bit n set: name space n is loaded
    std::filesystem::path folder;
    Blocks blocks;
    bool removable = false;
    bool blocksGiven = false;  // false: the figures come from the folder's file system
    VolumeData data;
    std::vector<std::unique_ptr<Entry>> entries;  // by directory entry number; [0] is the root
    mutable UniqueFd folderFd;  // the folder, opened on first access (volumedisk.h)

    bool hasNameSpace(unsigned nameSpace) const {
        return nameSpace < 32 && (nameSpaces >> nameSpace & 1u) != 0;
    }
    Entry* root() const { return entries.front().get(); }
    Entry* entry(nuint32 number) const {
        return number < entries.size() ? entries[number].get() : nullptr;
    }
    std::filesystem::path diskPath(const Entry* entry) const;
};

struct BinderyObject {
    std::string name;  // code page, upper case
    nuint16 type = OT_USER;
    nuint32 id = 0;
    // What the bindery keeps of the password: its 16-byte hash, salted with the id. None: the
    // object has no password (the empty password logs it in).
    std::optional<std::array<nuint8, 16>> passwordHash;
};

struct OpenFile {
    Volume* volume = nullptr;
    Entry* file = nullptr;
    nuint16 task = 1;
};

struct WsConnection;

struct Station {
    Server* server = nullptr;
    nuint16 number = 0;
    const BinderyObject* object = nullptr;  // null: attached, not logged in
    std::array<nuint8, 7> loginTime{};      // yy, mm, dd, hh, mi, ss, day of week
    std::array<nuint8, 12> address{};       // network (4), node (6), socket (2)
    bool overIp = false;  // an NCP client over TCP/IP: address holds its IPv4 address and port
    std::uint64_t bytesRead = 0;
    std::uint64_t bytesWritten = 0;
    bool authenticated = false;  // user information answers USER_INFO_AUTHENTICATED
    bool refusesMessages = false;
    std::optional<std::string> pendingMessage;
    std::vector<OpenFile> openFiles;
    nuint16 lockCount = 0;
    WsConnection* workstation = nullptr;  // set for the workstation's own stations
    // Told when the station goes (cleared, or its session ended); the NCP server's sessions
    // set it to learn that they were cleared.
    std::function<void()> cleared;
};

// A run of failed logins of one object (intruder detection).
struct LoginFailures {
    unsigned count = 0;
    std::chrono::steady_clock::time_point first{};  // the run's first failure
    std::chrono::steady_clock::time_point lockedUntil{};
};

struct Server {
    std::string name;  // code page, upper case
    std::array<nuint8, 3> version{4, 11, 0};
    nuint16 maxConnections = 250;
    nuint8 sftLevel = 2;
    nuint8 ttsLevel = 1;
    bool loginEnabled = true;
    std::string tree;           // code page; empty: not in a tree
    std::string directoryName;  // code page, dotted
    std::vector<std::unique_ptr<BinderyObject>> objects;
    std::vector<std::unique_ptr<Volume>> volumes;
    FlatIndex objectIndex;                // objects by name and type
    std::vector<Volume*> volumeByNumber;  // as long as the highest volume number needs
    // By connection number, as long as the highest number in use needs (at most maxConnections).
    std::vector<std::unique_ptr<Station>> slots;
    nuint16 stationCount = 0;
    nuint16 peakStationCount = 0;
    ServerData data;
    // Where the NCP server listens: "HOST:PORT"; empty: 127.0.0.1 on a free port.
    std::string listen;
    // Users with console operator rights over NCP, besides the supervisors.
    std::unordered_set<const BinderyObject*> consoleOperators;
    std::unordered_map<const BinderyObject*, LoginFailures> loginFailures;

    Station* station(nuint32 number) const {
        return number < slots.size() ? slots[number].get() : nullptr;
    }
    // Puts a station into the slot of its number (which must be free).
    Station& putStation(std::unique_ptr<Station> station);
    Volume* volumeNamed(std::string_view upperName) const;
    Volume* volumeNumbered(nuint32 number) const {
        return number < volumeByNumber.size() ? volumeByNumber[number] : nullptr;
    }
    // Adds a volume (its number free) and indexes it by number.
    Volume& addVolume(std::unique_ptr<Volume> volume);
    std::size_t broadcastLimit() const;
    // The bindery object of that upper-case name and type; null when there is none.
    BinderyObject* objectNamed(std::string_view upperName, nuint16 type) const;
    // Adds an object (its name upper case) and indexes it by name and type.
    BinderyObject& addObject(std::unique_ptr<BinderyObject> object);
};

struct WsConnection {
    NWCONN_REF ref = 0;
    Server* server = nullptr;
    Station* station = nullptr;
    bool consoleOperator = false;
    bool directoryAuthenticated = false;
    bool ended = false;  // its station was cleared
};

struct Drive {
    Volume* volume = nullptr;
    Entry* directory = nullptr;
    std::string target;  // code page, "\\SERVER\VOLUME[\DIR...]"
};

struct TreeObject {
    std::string name;  // code page, dotted, leaf first
    std::string objectClass;
    nuint32 id = 0;
    std::map<std::string, std::string> attributes;  // code page
};

struct Tree {
    std::string name;
    std::vector<TreeObject> objects;
    FlatIndex index;  // objects by upper-cased name

    // The object of that dotted name (any case); null when there is none.
    TreeObject* objectNamed(std::string_view name);
    const TreeObject* objectNamed(std::string_view name) const;
    // Adds an object; null (and nothing added) when the tree holds one of that name already.
    TreeObject* addObject(TreeObject object);
    void reserve(std::size_t count);
};

struct Network {
    explicit Network(const std::string& codePageName) : codePage(codePageName) {}

    CodePage codePage;
    std::filesystem::path file;
    std::vector<std::unique_ptr<Server>> servers;
    std::vector<std::unique_ptr<WsConnection>> connections;  // in scan order
    std::array<std::optional<Drive>, 27> drives;             // [1] = A ... [26] = Z
    std::vector<Tree> trees;
    std::filesystem::path stateFolder;  // the state store of the volumes' metadata

    Server* serverNamed(std::string_view upperName) const;
    WsConnection* connectionByRef(NWCONN_REF ref) const;
    // The tree of that name (any case); null when there is none or name is empty.
    Tree* treeNamed(std::string_view name);
    const Tree* treeNamed(std::string_view name) const;

    // Add to the lists above and to their indexes.
    Server& addServer(std::unique_ptr<Server> server);
    void reserveServers(std::size_t count);
    WsConnection& addConnection(std::unique_ptr<WsConnection> connection);
    Tree& addTree(Tree tree);

private:
    FlatIndex serverIndex_;  // by name
    std::unordered_map<NWCONN_REF, WsConnection*> connectionByRef_;
    FlatIndex treeIndex_;  // by upper-cased name
};

// ---- Directory entries (entries.cpp) ----------------------------------------------------------

// ASCII upper case, the case folding of names and lookups.
std::string upperAscii(std::string_view text);

// The child of a directory named name in the given name space (case-insensitive), reading the
// folder when needed. Null when there is none.
Entry* findChild(Volume& volume, Entry& directory, std::string_view name, nuint8 nameSpace,
                 const CodePage& codePage);

// Reads the folder of a directory again, adding the entries created on disk since (the first
// read when it was never read). 0, or an errno value when the folder cannot be read (gone, or no
// folder beneath the volume's any more).
int refreshDirectory(Volume& volume, Entry& directory, const CodePage& codePage);

// True for a name that is a DOS 8.3 name once upper-cased.
bool isDosName(std::string_view name);

// Makes a volume's root entry.
void initEntries(Volume& volume);

// The 8.3 DOS name derived from a long name: the first candidate isTaken says is free (names
// upper case). hints keep per family of names the lowest number that may still be free between
// calls, so that naming n entries costs O(n).
using DosNameTaken = std::function<bool(const std::string&)>;
std::string deriveDosName(std::string_view longName, const DosNameTaken& isTaken,
                          std::unordered_map<std::string, unsigned>& hints);
// The same for a new entry of a directory, among the DOS names of its entries.
std::string deriveDosName(Entry& directory, std::string_view longName);
// A derived DOS name of the directory is free again.
void releaseDosName(Entry& directory, const std::string& dosName);

// A parsed volume path "VOLUME:DIR\SUB\NAME".
struct ResolvedPath {
    Volume* volume = nullptr;
    Entry* entry = nullptr;
};

// Resolves a path in a name space on a server. Answers 0, VOLUME_DOES_NOT_EXIST,
// INVALID_NAME_SPACE or INVALID_PATH. checkNameSpace false looks names up in the given name
// space whether or not the volume has it loaded (the network file names files by their names on
// disk).
NWCCODE resolvePath(Server& server, std::string_view path, nuint8 nameSpace,
                    const CodePage& codePage, ResolvedPath& out, bool checkNameSpace = true);

}  // namespace nw::sim

// The client operations the volume control calls, in the objects' own terms: UTF-16 texts in and
// out (the workstation code page on the wire), plain records, NetWare completion codes as
// results (0 = success). Each member forwards to one operation of nw::Client.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "netclient/client.h"
#include "volctl/errors.h"

namespace volmarra {

using NWCONN = std::uint32_t;  // a connection handle, 0 = none
using NWDIR = std::uint8_t;    // a directory handle, 0 = none
using NWFILE = std::uint32_t;  // a file handle, 0 = none

// What the objects read of an entry's information.
struct EntryRecord {
    std::uint32_t attributes = 0;
    std::uint16_t creationDate = 0, creationTime = 0;
    std::uint32_t creatorId = 0;
    std::uint16_t modifyDate = 0, modifyTime = 0;
    std::uint16_t archiveDate = 0, archiveTime = 0;
    std::uint32_t archiverId = 0;
    std::uint16_t lastAccessDate = 0;
    std::uint16_t inheritedRightsMask = 0;
    std::uint64_t dataSize = 0;
    std::int32_t spaceRestriction = -1;  // directories: 4 KB units, negative = none
    std::u16string name;
};

// A deleted file as its scan reports it; `sequence` names that very deleted file.
struct DeletedRecord {
    std::uint32_t sequence = 0;
    EntryRecord entry;
};

struct VolumeFigures {
    std::uint32_t totalBlocks = 0;
    std::uint32_t freeBlocks = 0;
    std::uint32_t purgeableBlocks = 0;
    std::uint8_t sectorsPerBlock = 0;
    std::uint16_t removable = 0;
};

struct TrusteePair {
    std::uint32_t id = 0;
    std::uint16_t rights = 0;
};

struct RestrictionPair {
    std::uint32_t id = 0;
    std::uint32_t units = 0;  // 4 KB units
};

// Where a search of a directory stands.
struct SearchCursor {
    nw::SEARCH_SEQUENCE sequence;
};

class NetOps {
public:
    explicit NetOps(nw::Client& client) : client_(client) {}
    nw::Client& client() { return client_; }

    std::int32_t init();

    // Connections and the directory.
    std::int32_t openConnByName(std::u16string_view name, bool directoryName, NWCONN& conn);
    std::int32_t closeConn(NWCONN conn);
    std::int32_t authenticationState(NWCONN conn, std::uint32_t& state);
    std::int32_t treeName(NWCONN conn, std::u16string& tree);
    std::int32_t serverDirectoryName(NWCONN conn, std::u16string& name);
    std::int32_t licenseConn(NWCONN conn);
    std::int32_t authenticateConn(NWCONN conn);
    std::int32_t readDirectoryAttribute(std::u16string_view tree, std::u16string_view object,
                                        std::u16string_view attribute, std::u16string& value);
    std::int32_t directoryNameOfId(NWCONN conn, std::uint32_t id, std::u16string& dotted);
    std::int32_t idOfDirectoryName(NWCONN conn, std::u16string_view dotted, std::uint32_t& id);
    std::int32_t binderyNameOfId(NWCONN conn, std::uint32_t id, std::u16string& name);
    std::int32_t idOfBinderyUser(NWCONN conn, std::u16string_view name, std::uint32_t& id);

    // Volumes.
    std::int32_t volumeNumber(NWCONN conn, std::u16string_view volume, std::uint16_t& number);
    std::int32_t volumeFigures(NWCONN conn, std::uint16_t number, VolumeFigures& figures);
    std::int32_t badSectors(NWCONN conn, std::uint16_t number, std::uint32_t& sectors);
    std::int32_t nameSpaces(NWCONN conn, std::uint16_t number, std::vector<std::uint8_t>& list);
    std::int32_t mount(NWCONN conn, std::u16string_view volume, std::uint16_t& number);
    std::int32_t dismount(NWCONN conn, std::uint16_t number);

    // Entries.
    std::int32_t entryInfo(NWCONN conn, std::uint8_t ns, std::uint16_t searchAttrs,
                           std::u16string_view path, EntryRecord& record);
    std::int32_t modifyEntry(NWCONN conn, std::uint8_t ns, std::uint16_t searchAttrs,
                             std::u16string_view path, std::uint32_t mask,
                             const EntryRecord& record);
    std::int32_t allocDirHandle(NWCONN conn, std::uint8_t ns, std::u16string_view path,
                                NWDIR& handle);
    std::int32_t freeDirHandle(NWCONN conn, NWDIR handle);
    std::int32_t startSearch(NWCONN conn, NWDIR handle, std::uint8_t ns, SearchCursor& cursor);
    std::int32_t searchNext(NWCONN conn, SearchCursor& cursor, std::uint8_t ns,
                            std::uint16_t searchAttrs, EntryRecord& record);
    std::int32_t setDirRestriction(NWCONN conn, NWDIR handle, std::int32_t units);
    std::int32_t createDirectory(NWCONN conn, std::uint8_t ns, std::u16string_view path,
                                 std::uint8_t rightsMask);
    std::int32_t createFile(NWCONN conn, std::uint8_t ns, std::u16string_view path, NWFILE& file);
    std::int32_t deleteDirectory(NWCONN conn, std::uint8_t ns, std::u16string_view path);
    std::int32_t eraseFile(NWCONN conn, std::uint8_t ns, std::uint16_t searchAttrs,
                           std::u16string_view path);
    std::int32_t moveEntry(NWCONN conn, std::uint8_t ns, std::uint16_t searchAttrs,
                           std::u16string_view from, std::u16string_view to);
    // Copies count bytes at offset of `from` to the same offset of `to` on the server.
    std::int32_t copyData(NWCONN conn, NWFILE from, NWFILE to, std::uint64_t offset,
                          std::uint64_t count, std::uint64_t& copied);

    // Files.
    std::int32_t openFile(NWCONN conn, std::uint8_t ns, std::uint16_t searchAttrs,
                          std::u16string_view path, std::uint8_t rights, NWFILE& file);
    std::int32_t readFile(NWFILE file, std::uint32_t bytes, std::uint8_t* buffer,
                          std::uint32_t& read);
    std::int32_t writeFile(NWFILE file, const std::uint8_t* data, std::uint32_t bytes,
                           std::uint32_t& written);
    // origin 0 start, 1 current, 2 end
    std::int32_t seekFile(NWFILE file, std::int64_t offset, int origin, std::int64_t& position);
    std::int32_t closeFile(NWFILE file);

    // Trustees and restrictions.
    std::int32_t scanTrustees(NWCONN conn, std::uint8_t ns, std::u16string_view path,
                              std::uint32_t& iteration, std::vector<TrusteePair>& set);
    std::int32_t addTrustee(NWCONN conn, std::uint8_t ns, std::u16string_view path,
                            std::uint32_t id, std::uint16_t rights);
    std::int32_t deleteTrustee(NWCONN conn, std::uint8_t ns, std::u16string_view path,
                               std::uint32_t id);
    std::int32_t scanRestrictions(NWCONN conn, std::uint16_t volume, std::uint32_t sequence,
                                  std::vector<RestrictionPair>& answer);
    std::int32_t userRestriction(NWCONN conn, std::uint16_t volume, std::uint32_t id,
                                 std::uint32_t& units, std::uint32_t& inUseUnits);
    std::int32_t setUserRestriction(NWCONN conn, std::uint16_t volume, std::uint32_t id,
                                    std::uint32_t units);
    std::int32_t removeUserRestriction(NWCONN conn, std::uint16_t volume, std::uint32_t id);

    // Deleted files.
    std::int32_t scanDeleted(NWCONN conn, NWDIR handle, std::uint8_t ns, std::uint32_t& sequence,
                             DeletedRecord& record);
    std::int32_t purgeDeleted(NWCONN conn, NWDIR handle, std::uint32_t sequence);
    std::int32_t recoverDeleted(NWCONN conn, NWDIR handle, std::uint8_t ns, std::uint32_t sequence,
                                std::u16string_view name);

    // Browsing the network (the property page).
    // Opens a handle on the workstation's first connection (the default connection).
    std::int32_t openDefaultConn(NWCONN& conn);
    // The next file server of the connection's bindery; lastId starts at 0xFFFFFFFF.
    std::int32_t nextFileServer(NWCONN conn, std::uint32_t& lastId, std::u16string& name);
    std::int32_t serverVolumeCount(NWCONN conn, std::uint16_t& count);
    std::int32_t volumeName(NWCONN conn, std::uint16_t number, std::u16string& name);
    // The next directory tree; iteration starts at 0.
    std::int32_t nextTree(std::uint32_t& iteration, std::u16string& tree);
    // The next object directly below container ("[Root]" for the top); iteration starts at 0.
    std::int32_t nextObject(std::u16string_view tree, std::u16string_view container,
                            std::uint32_t& iteration, std::u16string& dottedName,
                            std::u16string& objectClass);

private:
    nw::Client& client_;
};

}  // namespace volmarra

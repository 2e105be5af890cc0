#include "netops.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace volmarra {
namespace {

// A text in the workstation's code page. False when the code page cannot spell every character
// (the '?' put in its place could match other names) or the text holds a NUL.
class Wire {
public:
    explicit Wire(std::u16string_view s) {
        bool lossy = false;
        text_ = vnk::text::wideToCodePage(s, &lossy);
        ok_ = !lossy && text_.find('\0') == std::string::npos;
    }
    explicit operator bool() const { return ok_; }
    const char* c_str() const { return text_.c_str(); }

private:
    std::string text_;
    bool ok_ = false;
};

std::u16string text(std::string_view s) {
    return vnk::text::codePageToWide(s.substr(0, s.find('\0')));
}

std::u16string fixedText(const char* buffer, std::size_t size) {
    return text(std::string_view(buffer, strnlen(buffer, size)));
}

// The fields an entry's information and a deleted file's record share.
template <class Info>
EntryRecord fromWire(const Info& i) {
    EntryRecord r;
    r.attributes = i.attributes;
    r.creationDate = i.creationDate;
    r.creationTime = i.creationTime;
    r.creatorId = i.creatorID;
    r.modifyDate = i.modifyDate;
    r.modifyTime = i.modifyTime;
    r.archiveDate = i.archiveDate;
    r.archiveTime = i.archiveTime;
    r.archiverId = i.archiverID;
    r.lastAccessDate = i.lastAccessDate;
    r.inheritedRightsMask = i.inheritedRightsMask;
    r.dataSize = i.dataSize;
    r.name = fixedText(i.entryName, sizeof i.entryName);
    return r;
}

// The fields ModifyEntryInfo may store; the rest of the record stays zero.
nw::NW_ENTRY_INFO toWire(const EntryRecord& r) {
    nw::NW_ENTRY_INFO i;
    i.attributes = r.attributes;
    i.creationDate = r.creationDate;
    i.creationTime = r.creationTime;
    i.creatorID = r.creatorId;
    i.modifyDate = r.modifyDate;
    i.modifyTime = r.modifyTime;
    i.archiveDate = r.archiveDate;
    i.archiveTime = r.archiveTime;
    i.archiverID = r.archiverId;
    i.lastAccessDate = r.lastAccessDate;
    i.inheritedRightsMask = r.inheritedRightsMask;
    i.dataSize = r.dataSize;
    i.spaceRestriction = r.spaceRestriction;
    return i;
}

}  // namespace

std::int32_t NetOps::init() {
    return client_.NWCallsInit(nullptr, nullptr);
}

// ---- Connections and the directory
// ----------------------------------------------------------------

std::int32_t NetOps::openConnByName(std::u16string_view name, bool directoryName, NWCONN& conn) {
    conn = 0;
    const Wire wName(name);
    if (!wName) {
        return kNwNoSuchObject;
    }
    return client_.OpenConnByName(
        wName.c_str(), directoryName ? nw::NWCC_NAME_FORMAT_NDS : nw::NWCC_NAME_FORMAT_BIND,
        nw::NWCC_OPEN_LICENSED, &conn);
}

std::int32_t NetOps::closeConn(NWCONN conn) {
    return client_.NWCCCloseConn(conn);
}

std::int32_t NetOps::authenticationState(NWCONN conn, std::uint32_t& state) {
    return client_.GetConnAuthenticationState(conn, &state);
}

std::int32_t NetOps::treeName(NWCONN conn, std::u16string& tree) {
    std::string s;
    const std::int32_t rc = client_.GetConnTreeName(conn, s);
    tree = text(s);
    return rc;
}

std::int32_t NetOps::serverDirectoryName(NWCONN conn, std::u16string& name) {
    std::string s;
    const std::int32_t rc = client_.GetServerDirectoryName(conn, s);
    name = text(s);
    return rc;
}

std::int32_t NetOps::licenseConn(NWCONN conn) {
    return client_.LicenseConn(conn);
}

std::int32_t NetOps::authenticateConn(NWCONN conn) {
    return client_.AuthenticateConnToDirectory(conn);
}

std::int32_t NetOps::readDirectoryAttribute(std::u16string_view tree, std::u16string_view object,
                                            std::u16string_view attribute, std::u16string& value) {
    const Wire wTree(tree);
    const Wire wObject(object);
    const Wire wAttribute(attribute);
    if (!wTree || !wObject || !wAttribute) {
        return nw::ERR_NO_SUCH_ENTRY;
    }
    std::string s;
    const std::int32_t rc =
        client_.ReadDirectoryAttribute(wTree.c_str(), wObject.c_str(), wAttribute.c_str(), s);
    value = text(s);
    return rc;
}

std::int32_t NetOps::directoryNameOfId(NWCONN conn, std::uint32_t id, std::u16string& dotted) {
    std::string s;
    const std::int32_t rc = client_.MapDirectoryIdToName(conn, id, s);
    dotted = text(s);
    return rc;
}

std::int32_t NetOps::idOfDirectoryName(NWCONN conn, std::u16string_view dotted, std::uint32_t& id) {
    const Wire wDotted(dotted);
    if (!wDotted) {
        return nw::ERR_NO_SUCH_ENTRY;
    }
    return client_.MapDirectoryNameToId(conn, wDotted.c_str(), &id);
}

std::int32_t NetOps::binderyNameOfId(NWCONN conn, std::uint32_t id, std::u16string& name) {
    std::string s;
    nw::nuint16 type = 0;
    const std::int32_t rc = client_.GetBinderyObjectName(conn, id, s, &type);
    name = text(s);
    return rc;
}

std::int32_t NetOps::idOfBinderyUser(NWCONN conn, std::u16string_view name, std::uint32_t& id) {
    const Wire wName(name);
    if (!wName) {
        return kNwNoSuchObject;
    }
    return client_.GetBinderyObjectID(conn, wName.c_str(), nw::BINDERY_USER, &id);
}

// ---- Volumes
// ----------------------------------------------------------------------------------------

std::int32_t NetOps::volumeNumber(NWCONN conn, std::u16string_view volume, std::uint16_t& number) {
    const Wire wVolume(volume);
    if (!wVolume) {
        return kNwVolumeDoesNotExist;
    }
    return client_.GetVolumeNumber(conn, wVolume.c_str(), &number);
}

std::int32_t NetOps::volumeFigures(NWCONN conn, std::uint16_t number, VolumeFigures& figures) {
    nw::VOLUME_STATS s;
    const std::int32_t rc = client_.GetVolumeStats(conn, number, &s);
    figures.totalBlocks = s.totalBlocks;
    figures.freeBlocks = s.freeBlocks;
    figures.purgeableBlocks = s.purgeableBlocks;
    figures.sectorsPerBlock = s.sectorsPerBlock;
    figures.removable = s.isRemovable;
    return rc;
}

std::int32_t NetOps::badSectors(NWCONN conn, std::uint16_t number, std::uint32_t& sectors) {
    nw::EXTENDED_VOLUME_INFO info;
    const std::int32_t rc = client_.GetExtendedVolumeInfo(conn, number, 1, &info);
    sectors = info.badSectors;
    return rc;
}

std::int32_t NetOps::nameSpaces(NWCONN conn, std::uint16_t number,
                                std::vector<std::uint8_t>& list) {
    nw::nuint8 count = 0;
    nw::nuint8 buffer[nw::NW_MAX_NAME_SPACE_LIST] = {};
    const std::int32_t rc = client_.GetVolumeNameSpaces(conn, number, &count, buffer);
    list.assign(buffer, buffer + (rc == 0 ? std::min<std::size_t>(count, sizeof buffer) : 0));
    return rc;
}

std::int32_t NetOps::mount(NWCONN conn, std::u16string_view volume, std::uint16_t& number) {
    const Wire wVolume(volume);
    if (!wVolume) {
        return kNwVolumeDoesNotExist;
    }
    return client_.MountVolume(conn, wVolume.c_str(), &number);
}

std::int32_t NetOps::dismount(NWCONN conn, std::uint16_t number) {
    return client_.DismountVolume(conn, number);
}

// ---- Entries
// ----------------------------------------------------------------------------------------

std::int32_t NetOps::entryInfo(NWCONN conn, std::uint8_t ns, std::uint16_t searchAttrs,
                               std::u16string_view path, EntryRecord& record) {
    const Wire wPath(path);
    if (!wPath) {
        return kNwInvalidEntryName;
    }
    nw::NW_ENTRY_INFO info;
    const std::int32_t rc = client_.GetEntryInfo(conn, ns, searchAttrs, wPath.c_str(), &info);
    if (rc == 0) {
        record = fromWire(info);
        record.spaceRestriction = info.spaceRestriction;
    }
    return rc;
}

std::int32_t NetOps::modifyEntry(NWCONN conn, std::uint8_t ns, std::uint16_t searchAttrs,
                                 std::u16string_view path, std::uint32_t mask,
                                 const EntryRecord& record) {
    const Wire wPath(path);
    if (!wPath) {
        return kNwInvalidEntryName;
    }
    const nw::NW_ENTRY_INFO info = toWire(record);
    return client_.ModifyEntryInfo(conn, ns, searchAttrs, wPath.c_str(), mask, &info);
}

std::int32_t NetOps::allocDirHandle(NWCONN conn, std::uint8_t ns, std::u16string_view path,
                                    NWDIR& handle) {
    const Wire wPath(path);
    if (!wPath) {
        return kNwInvalidEntryName;
    }
    handle = 0;
    const std::int32_t rc = client_.AllocTempDirHandle(conn, ns, wPath.c_str(), &handle);
    if (rc != 0) {
        handle = 0;
    }
    return rc;
}

std::int32_t NetOps::freeDirHandle(NWCONN conn, NWDIR handle) {
    return client_.DeallocDirHandle(conn, handle);
}

std::int32_t NetOps::startSearch(NWCONN conn, NWDIR handle, std::uint8_t ns, SearchCursor& cursor) {
    return client_.StartSearch(conn, handle, ns, &cursor.sequence);
}

std::int32_t NetOps::searchNext(NWCONN conn, SearchCursor& cursor, std::uint8_t ns,
                                std::uint16_t searchAttrs, EntryRecord& record) {
    nw::NW_ENTRY_INFO info;
    const std::int32_t rc = client_.SearchNext(conn, &cursor.sequence, ns, searchAttrs, "*", &info);
    if (rc == 0) {
        record = fromWire(info);
        record.spaceRestriction = info.spaceRestriction;
    }
    return rc;
}

std::int32_t NetOps::setDirRestriction(NWCONN conn, NWDIR handle, std::int32_t units) {
    return client_.SetDirSpaceRestriction(conn, handle, units);
}

std::int32_t NetOps::createDirectory(NWCONN conn, std::uint8_t ns, std::u16string_view path,
                                     std::uint8_t rightsMask) {
    const Wire wPath(path);
    if (!wPath) {
        return kNwInvalidEntryName;
    }
    return client_.CreateDirectory(conn, ns, wPath.c_str(), rightsMask);
}

std::int32_t NetOps::createFile(NWCONN conn, std::uint8_t ns, std::u16string_view path,
                                NWFILE& file) {
    const Wire wPath(path);
    if (!wPath) {
        return kNwInvalidEntryName;
    }
    file = 0;
    const std::int32_t rc = client_.CreateFile(conn, ns, wPath.c_str(), 0, false, &file);
    if (rc != 0) {
        file = 0;
    }
    return rc;
}

std::int32_t NetOps::deleteDirectory(NWCONN conn, std::uint8_t ns, std::u16string_view path) {
    const Wire wPath(path);
    if (!wPath) {
        return kNwInvalidEntryName;
    }
    return client_.DeleteDirectory(conn, ns, wPath.c_str());
}

std::int32_t NetOps::eraseFile(NWCONN conn, std::uint8_t ns, std::uint16_t searchAttrs,
                               std::u16string_view path) {
    const Wire wPath(path);
    if (!wPath) {
        return kNwInvalidEntryName;
    }
    return client_.EraseFile(conn, ns, searchAttrs, wPath.c_str());
}

std::int32_t NetOps::moveEntry(NWCONN conn, std::uint8_t ns, std::uint16_t searchAttrs,
                               std::u16string_view from, std::u16string_view to) {
    const Wire wFrom(from);
    const Wire wTo(to);
    if (!wFrom || !wTo) {
        return kNwInvalidEntryName;
    }
    return client_.MoveEntry(conn, ns, searchAttrs, wFrom.c_str(), wTo.c_str());
}

std::int32_t NetOps::copyData(NWCONN conn, NWFILE from, NWFILE to, std::uint64_t offset,
                              std::uint64_t count, std::uint64_t& copied) {
    copied = 0;
    return client_.CopyFileData(conn, from, to, offset, offset, count, &copied);
}

// ---- Files
// ------------------------------------------------------------------------------------------

std::int32_t NetOps::openFile(NWCONN conn, std::uint8_t ns, std::uint16_t searchAttrs,
                              std::u16string_view path, std::uint8_t rights, NWFILE& file) {
    const Wire wPath(path);
    if (!wPath) {
        return kNwInvalidEntryName;
    }
    file = 0;
    const std::int32_t rc = client_.OpenFile(conn, ns, searchAttrs, wPath.c_str(), rights, &file);
    if (rc != 0) {
        file = 0;
    }
    return rc;
}

std::int32_t NetOps::readFile(NWFILE file, std::uint32_t bytes, std::uint8_t* buffer,
                              std::uint32_t& read) {
    read = 0;
    return client_.ReadFile(file, bytes, &read, buffer);
}

std::int32_t NetOps::writeFile(NWFILE file, const std::uint8_t* data, std::uint32_t bytes,
                               std::uint32_t& written) {
    written = 0;
    return client_.WriteFile(file, bytes, data, &written);
}

std::int32_t NetOps::seekFile(NWFILE file, std::int64_t offset, int origin,
                              std::int64_t& position) {
    return client_.SeekFile(file, offset, static_cast<nw::nuint8>(origin), &position);
}

std::int32_t NetOps::closeFile(NWFILE file) {
    return client_.CloseFile(file);
}

// ---- Trustees and restrictions
// ----------------------------------------------------------------------

std::int32_t NetOps::scanTrustees(NWCONN conn, std::uint8_t ns, std::u16string_view path,
                                  std::uint32_t& iteration, std::vector<TrusteePair>& set) {
    const Wire wPath(path);
    if (!wPath) {
        return kNwInvalidEntryName;
    }
    nw::TRUSTEE_SET answer;
    const std::int32_t rc = client_.ScanEntryTrustees(conn, ns, wPath.c_str(), &iteration, &answer);
    if (rc == 0) {
        const std::size_t n = std::min<std::size_t>(answer.count, nw::NW_MAX_TRUSTEES_PER_SET);
        for (std::size_t i = 0; i < n; ++i) {
            set.push_back({answer.trustees[i].objectID, answer.trustees[i].objectRights});
        }
    }
    return rc;
}

std::int32_t NetOps::addTrustee(NWCONN conn, std::uint8_t ns, std::u16string_view path,
                                std::uint32_t id, std::uint16_t rights) {
    const Wire wPath(path);
    if (!wPath) {
        return kNwInvalidEntryName;
    }
    return client_.AddTrusteeToEntry(conn, ns, wPath.c_str(), id, rights);
}

std::int32_t NetOps::deleteTrustee(NWCONN conn, std::uint8_t ns, std::u16string_view path,
                                   std::uint32_t id) {
    const Wire wPath(path);
    if (!wPath) {
        return kNwInvalidEntryName;
    }
    return client_.DeleteTrusteeFromEntry(conn, ns, wPath.c_str(), id);
}

std::int32_t NetOps::scanRestrictions(NWCONN conn, std::uint16_t volume, std::uint32_t sequence,
                                      std::vector<RestrictionPair>& answer) {
    nw::VOLUME_RESTRICTIONS r;
    const std::int32_t rc = client_.ScanVolumeRestrictions(conn, volume, sequence, &r);
    if (rc == 0) {
        const std::size_t n =
            std::min<std::size_t>(r.numberOfEntries, nw::NW_MAX_RESTRICTIONS_PER_ANSWER);
        for (std::size_t i = 0; i < n; ++i) {
            answer.push_back({r.resInfo[i].objectID, r.resInfo[i].restriction});
        }
    }
    return rc;
}

std::int32_t NetOps::userRestriction(NWCONN conn, std::uint16_t volume, std::uint32_t id,
                                     std::uint32_t& units, std::uint32_t& inUseUnits) {
    return client_.GetObjectVolumeRestriction(conn, volume, id, &units, &inUseUnits);
}

std::int32_t NetOps::setUserRestriction(NWCONN conn, std::uint16_t volume, std::uint32_t id,
                                        std::uint32_t units) {
    return client_.SetObjectVolumeRestriction(conn, volume, id, units);
}

std::int32_t NetOps::removeUserRestriction(NWCONN conn, std::uint16_t volume, std::uint32_t id) {
    return client_.RemoveObjectVolumeRestriction(conn, volume, id);
}

// ---- Deleted files
// ----------------------------------------------------------------------------------

std::int32_t NetOps::scanDeleted(NWCONN conn, NWDIR handle, std::uint8_t ns,
                                 std::uint32_t& sequence, DeletedRecord& record) {
    nw::NW_DELETED_FILE d;
    const std::int32_t rc = client_.ScanSalvageableFiles(conn, handle, ns, &sequence, &d);
    if (rc == 0) {
        record.sequence = d.sequence;
        record.entry = fromWire(d);
    }
    return rc;
}

std::int32_t NetOps::purgeDeleted(NWCONN conn, NWDIR handle, std::uint32_t sequence) {
    return client_.PurgeSalvageableFile(conn, handle, sequence);
}

std::int32_t NetOps::recoverDeleted(NWCONN conn, NWDIR handle, std::uint8_t ns,
                                    std::uint32_t sequence, std::u16string_view name) {
    const Wire wName(name);
    if (!wName) {
        return kNwInvalidEntryName;
    }
    return client_.RecoverSalvageableFile(conn, handle, ns, sequence, wName.c_str());
}

}  // namespace volmarra

// ---- Browsing the network
// -------------------------------------------------------------------------

namespace volmarra {

std::int32_t NetOps::openDefaultConn(NWCONN& conn) {
    conn = 0;
    nw::nuint32 iteration = 0;
    nw::NWCONN_REF ref = 0;
    const std::int32_t rc = client_.NWCCScanConnRefs(&iteration, &ref);
    if (rc != 0) {
        return rc;
    }
    return client_.NWCCOpenConnByRef(ref, nw::NWCC_OPEN_UNLICENSED, 0, &conn);
}

std::int32_t NetOps::nextFileServer(NWCONN conn, std::uint32_t& lastId, std::u16string& name) {
    std::string s;
    nw::nuint16 type = 0;
    const std::int32_t rc =
        client_.ScanBinderyObjects(conn, "*", nw::BINDERY_FILE_SERVER, &lastId, s, &type);
    name = text(s);
    return rc;
}

std::int32_t NetOps::serverVolumeCount(NWCONN conn, std::uint16_t& count) {
    count = 0;
    return client_.NWGetFileServerInformation(conn, nullptr, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, &count, nullptr, nullptr);
}

std::int32_t NetOps::volumeName(NWCONN conn, std::uint16_t number, std::u16string& name) {
    char buffer[256] = {};
    const std::int32_t rc = client_.NWGetVolumeName(conn, number, buffer);
    name = rc == 0 ? fixedText(buffer, sizeof buffer) : std::u16string();
    return rc;
}

std::int32_t NetOps::nextTree(std::uint32_t& iteration, std::u16string& tree) {
    std::string s;
    const std::int32_t rc = client_.ScanDirectoryTrees(&iteration, s);
    tree = text(s);
    return rc;
}

std::int32_t NetOps::nextObject(std::u16string_view tree, std::u16string_view container,
                                std::uint32_t& iteration, std::u16string& dottedName,
                                std::u16string& objectClass) {
    const Wire wTree(tree);
    const Wire wContainer(container);
    if (!wTree || !wContainer) {
        return nw::ERR_NO_SUCH_ENTRY;
    }
    std::string name;
    std::string cls;
    const std::int32_t rc =
        client_.ScanDirectoryObjects(wTree.c_str(), wContainer.c_str(), &iteration, name, cls);
    dottedName = text(name);
    objectClass = text(cls);
    return rc;
}

}  // namespace volmarra

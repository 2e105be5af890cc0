// Entries made, changed and removed: 87/1 (open or create a file, create a directory), 87/8
// (erase a file or remove a directory), 87/4 (rename or move), 87/7 (modify the record), 87/29
// (effective rights), and the 22 family's directory handles for text paths (22/19, 22/18).
//
// Files a session opens or creates belong to it: functions 66 to 74 take them only from it, and
// they are closed when the session ends.
#include "handlers.h"
#include "wirepaths.h"
#include "wirerecords.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;

// NetWare's answer when a connection holds as many open files as it may.
constexpr std::uint8_t kOutOfFileHandles = 0x81;

// The record of an entry the caller has just opened or made (no further rights asked: the
// caller named it and was allowed to open or make it).
EntryInfo recordOf(Session& s, sim::Volume& volume, sim::Entry& entry, nuint8 nameSpace) {
    NW_ENTRY_INFO info;
    if (sim::entryRecord(s.server(), volume, entry, nameSpace, info) != SUCCESSFUL)
        return {};
    return wireRecord(info);
}

// 87/1 making a directory: the desired access word is its inherited rights mask.
template <class Request, class Reply>
std::uint8_t createDirectory(Session& s, const Request& rq, Reply& rp) {
    sim::Located parent;
    sim::NewName name;
    NWCCODE rc = locateNewBlock(s, rq.path, rq.nameSpace, parent, name);
    if (rc == SUCCESSFUL)
        rc = s.model().createDirectory(s.caller(), parent, name,
                                       static_cast<nuint8>(rq.desiredAccessRights));
    if (rc != SUCCESSFUL)
        return completionOf(rc);
    sim::Entry* made = sim::findChild(*parent.volume, *parent.entry, name.longName, rq.nameSpace,
                                      s.model().net().codePage);
    rp.action = call::open_action::kCreated;
    if (made != nullptr)
        rp.info = recordOf(s, *parent.volume, *made, rq.nameSpace);
    return completion::kOk;
}

// 87/1 on a file: opens it when it exists and the mode allows, else creates (or replaces) it.
template <class Request, class Reply>
std::uint8_t openOrCreateFile(Session& s, const Request& rq, Reply& rp) {
    const bool mayOpen = (rq.openCreateMode & call::open_mode::kOpen) != 0;
    const bool mayCreate = (rq.openCreateMode & call::open_mode::kCreate) != 0;
    const bool replace = (rq.openCreateMode & call::open_mode::kReplace) != 0;
    if (s.openFiles().size() >= Session::kMaxOpenFiles)
        return kOutOfFileHandles;
    NW_FILE_HANDLE handle = 0;
    sim::Located target;
    NWCCODE found = locateBlock(s, rq.path, rq.nameSpace, target);
    if (found == SUCCESSFUL && mayOpen && !replace) {
        auto access = static_cast<nuint8>(rq.desiredAccessRights & (AR_READ | AR_WRITE));
        if (access == 0)
            access = AR_READ;
        NWCCODE rc = s.model().openFile(s.caller(), s.owner(), target, rq.nameSpace,
                                        rq.searchAttributes, access, handle);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.action = call::open_action::kOpened;
    } else {
        if (!mayCreate && !replace)
            return completionOf(found != SUCCESSFUL ? found : INVALID_PARAMETERS);
        sim::Located parent;
        sim::NewName name;
        NWCCODE rc = locateNewBlock(s, rq.path, rq.nameSpace, parent, name);
        if (rc == SUCCESSFUL)
            rc = s.model().createFile(s.caller(), s.owner(), parent, name, rq.nameSpace,
                                      rq.createAttributes, replace, handle);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.action =
            name.existing != nullptr ? call::open_action::kReplaced : call::open_action::kCreated;
    }
    s.openFiles().insert(handle);
    rp.fileHandle = handle;
    const sim::OpenedFile& opened = s.model().services().files.at(handle);
    rp.info = recordOf(s, *opened.volume, *opened.entry, rq.nameSpace);
    return completion::kOk;
}

template <class Request, class Reply>
std::uint8_t dirHandleFor(Session& s, const Request& rq, Reply& rp) {
    sim::Located target;
    NWCCODE rc = locateText(s, rq.dirHandle, rq.path, NW_NS_DOS, target);
    if (rc == SUCCESSFUL)
        rc = sim::stillOnDisk(target);
    if (rc == SUCCESSFUL && !target.entry->isDirectory)
        rc = INVALID_PATH;
    NWDIR_HANDLE handle = 0;
    if (rc == SUCCESSFUL)
        rc = s.model().allocDirHandle(s.owner(), target, handle);
    if (rc != SUCCESSFUL)
        return completionOf(rc);
    rp.dirHandle = handle;
    rp.accessRights = static_cast<std::uint8_t>(
        sim::effectiveRights(s.caller(), *target.volume, target.entry) & 0xFF);
    return completion::kOk;
}

}  // namespace

void addEntryCalls(CallDispatcher& d) {
    d.on<call::OpenCreateEntry>([](Session& s, const auto& rq, auto& rp) {
        if ((rq.createAttributes & A_DIRECTORY) != 0 &&
            (rq.openCreateMode & call::open_mode::kCreate) != 0)
            return createDirectory(s, rq, rp);
        return openOrCreateFile(s, rq, rp);
    });
    d.on<call::DeleteEntry>([](Session& s, const auto& rq, auto&) {
        sim::Located target;
        NWCCODE rc = locateBlock(s, rq.path, rq.nameSpace, target);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        if (target.entry->isDirectory)
            return completionOf(s.model().deleteDirectory(s.caller(), target));
        return completionOf(
            s.model().eraseFile(s.caller(), target, rq.nameSpace, rq.searchAttributes));
    });
    d.on<call::RenameEntry>([](Session& s, const auto& rq, auto&) {
        sim::Located source;
        NWCCODE rc = locateBlock(s, rq.source, rq.nameSpace, source);
        NW_ENTRY_INFO record;
        if (rc == SUCCESSFUL)
            rc = s.model().moveSource(source, rq.nameSpace, rq.searchAttributes, record);
        sim::Located destination;
        sim::NewName name;
        if (rc == SUCCESSFUL)
            rc = locateNewBlock(s, rq.destination, rq.nameSpace, destination, name);
        if (rc == SUCCESSFUL && destination.volume != source.volume)
            rc = RENAMING_ACROSS_VOLUMES;
        if (rc == SUCCESSFUL)
            rc = s.model().moveEntry(s.caller(), source, rq.nameSpace, rq.searchAttributes,
                                     destination, name);
        return completionOf(rc);
    });

    d.on<call::ModifyEntryInfo>([](Session& s, const auto& rq, auto&) {
        sim::Located target;
        NWCCODE rc = locateBlock(s, rq.path, rq.nameSpace, target);
        NW_ENTRY_INFO current;
        if (rc == SUCCESSFUL)
            rc = sim::entryRecord(s.server(), *target.volume, *target.entry, rq.nameSpace, current);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        NW_ENTRY_INFO info = current;
        // The whole word: the model keeps the status bits (compressed, migrated) itself.
        info.attributes = rq.attributes;
        info.creationDate = rq.creationDate;
        info.creationTime = rq.creationTime;
        info.creatorID = rq.creatorId;
        info.modifyDate = rq.modifyDate;
        info.modifyTime = rq.modifyTime;
        info.modifierID = rq.modifierId;
        info.archiveDate = rq.archiveDate;
        info.archiveTime = rq.archiveTime;
        info.archiverID = rq.archiverId;
        info.lastAccessDate = rq.lastAccessDate;
        // The rights granted are added to the mask and the rights revoked taken from it.
        info.inheritedRightsMask = static_cast<nuint16>(
            (current.inheritedRightsMask & ~rq.inheritanceRevokeMask) | rq.inheritedRightsMask);
        info.spaceRestriction = static_cast<nint32>(rq.maximumSpace);
        return completionOf(s.model().modifyEntry(s.caller(), target, rq.nameSpace,
                                                  rq.searchAttributes, rq.modifyMask, info));
    });
    d.on<call::GetEffectiveRights>([](Session& s, const auto& rq, auto& rp) {
        sim::Located target;
        NWCCODE rc = locateBlock(s, rq.path, rq.nameSpace, target);
        if (rc == SUCCESSFUL && !target.volume->hasNameSpace(rq.destNameSpace))
            rc = INVALID_NAME_SPACE;
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.effectiveRights = sim::effectiveRights(s.caller(), *target.volume, target.entry);
        // The record only where the caller may see the entry; the rights in any case.
        NW_ENTRY_INFO info;
        if (s.model().entryInfo(s.caller(), target, rq.destNameSpace, SA_ALL | SA_FILES, info) ==
            SUCCESSFUL)
            rp.info = wireRecord(info);
        return completion::kOk;
    });

    d.on<call::AllocTempDirHandle>(
        [](Session& s, const auto& rq, auto& rp) { return dirHandleFor(s, rq, rp); });
    d.on<call::AllocPermDirHandle>(
        [](Session& s, const auto& rq, auto& rp) { return dirHandleFor(s, rq, rp); });
}

}  // namespace nw::nwsimd

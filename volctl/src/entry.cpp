// NWEntry: one directory, file or deleted file of the control's volume (INWEntry).
#include "objects.h"
#include "volctl/names.h"
#include "volctl/tables.h"

namespace volmarra {
namespace {

using vnk::win::S_OK;

enum DateKind { kCreated, kModified, kArchived };

constexpr std::uint64_t kCopyChunk = 1ull << 30;

// The directory part of an internal path; nullopt for the root.
std::optional<std::u16string> parentOf(std::u16string_view path) {
    const std::size_t at = path.rfind(u'\\');
    if (at == std::u16string_view::npos) {
        return std::nullopt;
    }
    return std::u16string(path.substr(0, at));
}

}  // namespace

std::int32_t NWEntry::record(ControlCore& core, EntryRecord& r) {
    if (type_ == kDeletedFile) {
        if (!held_) {
            return kEntryNotFound;  // purged or salvaged through this entry
        }
        r = held_->entry;
        return 0;
    }
    return core.net.entryInfo(core.conn, core.nameSpace, kSearchAny, netPathOf(path_), r);
}

HRESULT NWEntry::get_FullName(std::u16string* v) {
    return withCore([&](ControlCore& core) {
        const std::size_t at = path_.find(u'\\');
        *v = core.fullName + (at == std::u16string::npos ? std::u16string() : path_.substr(at));
        return S_OK;
    });
}

HRESULT NWEntry::get_ShortName(std::u16string* v) {
    *v = std::u16string(lastComponent(path_));
    return S_OK;
}

HRESULT NWEntry::readAttribute(std::uint32_t bit, bool* v) {
    return withCore([&](ControlCore& core) {
        EntryRecord r;
        if (const std::int32_t rc = record(core, r); rc != 0) {
            return fail(rc);
        }
        *v = (r.attributes & bit) != 0;
        return S_OK;
    });
}

HRESULT NWEntry::writeAttribute(std::uint32_t bit, bool v, std::uint16_t searchAttrs,
                                std::uint32_t alsoClear) {
    return withCore([&](ControlCore& core) {
        if (type_ == kDeletedFile) {
            return fail(kInvalidEntryType);
        }
        EntryRecord r;
        const std::u16string path = netPathOf(path_);
        std::int32_t rc = core.net.entryInfo(core.conn, core.nameSpace, kSearchAny, path, r);
        if (rc != 0) {
            return fail(rc);
        }
        r.attributes = withBit(r.attributes, bit, v) & ~(v ? alsoClear : 0u);
        rc = core.net.modifyEntry(core.conn, core.nameSpace, searchAttrs, path, kModifyAttributes,
                                  r);
        return rc != 0 ? fail(rc) : S_OK;
    });
}

HRESULT NWEntry::readDate(int which, Date* v) {
    return withCore([&](ControlCore& core) {
        EntryRecord r;
        if (const std::int32_t rc = record(core, r); rc != 0) {
            return fail(rc);
        }
        const auto d = which == kCreated    ? dosDateTime(r.creationDate, r.creationTime)
                       : which == kModified ? dosDateTime(r.modifyDate, r.modifyTime)
                                            : dosDateTime(r.archiveDate, r.archiveTime);
        *v = d.value_or(Date{});
        return S_OK;
    });
}

HRESULT NWEntry::get_Created(Date* v) {
    return readDate(kCreated, v);
}

HRESULT NWEntry::get_LastModified(Date* v) {
    return readDate(kModified, v);
}

HRESULT NWEntry::get_LastArchived(Variant* v) {
    Date d;
    if (const HRESULT hr = readDate(kArchived, &d); FAILED(hr)) {
        return hr;
    }
    // Never archived: Null rather than a made-up date.
    *v = d.value == 0 ? Variant::null() : Variant(d);
    return S_OK;
}

HRESULT NWEntry::readName(bool archiver, std::u16string* v) {
    return withCore([&](ControlCore& core) {
        EntryRecord r;
        std::int32_t rc = record(core, r);
        if (rc != 0) {
            return fail(rc);
        }
        const std::uint32_t id = archiver ? r.archiverId : r.creatorId;
        if (core.directoryMode()) {
            std::u16string dotted;
            rc = core.net.directoryNameOfId(core.conn, id, dotted);
            if (rc != 0) {
                return fail(rc);
            }
            *v = directoryPathName(core.treeName, dotted);
            return S_OK;
        }
        std::u16string name;
        rc = core.net.binderyNameOfId(core.conn, id, name);
        if (rc != 0) {
            return fail(rc == kNwNoSuchObject ? kOwnerElsewhere : rc);
        }
        *v = core.fullName.substr(0, core.fullName.rfind(u'\\') + 1) + name;
        return S_OK;
    });
}

HRESULT NWEntry::writeName(bool archiver, const std::u16string& v) {
    return withCore([&](ControlCore& core) {
        if (type_ == kDeletedFile) {
            return fail(kInvalidEntryType);
        }
        std::uint32_t id = 0;
        std::int32_t rc = core.idOfName(v, id);
        if (rc != 0) {
            return fail(rc);
        }
        EntryRecord r;
        const std::u16string path = netPathOf(path_);
        rc = core.net.entryInfo(core.conn, core.nameSpace, kSearchAny, path, r);
        if (rc != 0) {
            return fail(rc);
        }
        (archiver ? r.archiverId : r.creatorId) = id;
        rc = core.net.modifyEntry(core.conn, core.nameSpace, kSearchModifyFile, path,
                                  archiver ? kModifyArchiver : kModifyCreator, r);
        return rc != 0 ? fail(rc) : S_OK;
    });
}

HRESULT NWEntry::get_Children(ComPtr<IDispatch>* v) {
    return withCore([&](ControlCore& core) {
        if (type_ == kDeletedFile) {
            return failText(kNwInvalidPath, kTextInvalidDirectory);
        }
        return handOverFilled(
            new NWEntries(core_, path_), [&](NWEntries& l) { return l.fillChildren(core); }, v);
    });
}

HRESULT NWEntry::get_DeletedFiles(ComPtr<IDispatch>* v) {
    return withCore([&](ControlCore& core) {
        if (type_ == kDeletedFile) {
            return failText(kNwInvalidPath, kTextInvalidDirectory);
        }
        return handOverFilled(
            new NWEntries(core_, path_), [&](NWEntries& l) { return l.fillDeleted(core); }, v);
    });
}

HRESULT NWEntry::get_Trustees(ComPtr<IDispatch>* v) {
    return withCore([&](ControlCore& core) {
        return handOverFilled(
            new NWTrustees(core_, path_), [&](NWTrustees& l) { return l.fill(core); }, v);
    });
}

HRESULT NWEntry::get_File(ComPtr<IDispatch>* v) {
    if (type_ == NETWAREDIR) {
        v->reset();  // Nothing
        return S_OK;
    }
    return handOver(new NWFile(core_, ComPtr<NWEntry>(this)), v);
}

HRESULT NWEntry::get_InheritedRights(ComPtr<IDispatch>* v) {
    return handOver(new NWRights(core_, path_), v);
}

HRESULT NWEntry::get_Parent(ComPtr<IDispatch>* v) {
    const auto parent = parentOf(path_);
    if (!parent) {
        return fail(kNoParent);
    }
    return handOver(new NWEntry(core_, *parent, NETWAREDIR), v);
}

HRESULT NWEntry::get_Size(std::int32_t* v) {
    return withCore([&](ControlCore& core) {
        if (type_ == NETWAREDIR && !parentOf(path_)) {
            *v = saturate32(core.lastTotalKb);
            return S_OK;
        }
        EntryRecord r;
        if (const std::int32_t rc = record(core, r); rc != 0) {
            return fail(rc);
        }
        if (type_ != NETWAREDIR) {
            *v = saturate32(r.dataSize);
        } else {
            *v = r.spaceRestriction < 0 ? 0 : saturate32(std::int64_t{r.spaceRestriction} * 4);
        }
        return S_OK;
    });
}

HRESULT NWEntry::put_Size(std::int32_t v) {
    return withCore([&](ControlCore& core) {
        if (type_ != NETWAREDIR || !parentOf(path_)) {
            return S_OK;  // files and the root ignore the write
        }
        std::int32_t units = -1;  // no restriction
        if (v > 0) {
            const std::int64_t block = core.kbPerBlock;
            const std::int64_t kb = (std::int64_t{v} + block - 1) / block * block;
            units = static_cast<std::int32_t>(std::min<std::int64_t>(kbToUnits(kb), 0x7FFFFFFF));
        }
        DirHandle handle(core.net, core.conn);
        std::int32_t rc = handle.allocate(core.nameSpace, netPathOf(path_));
        if (rc == 0) {
            rc = core.net.setDirRestriction(core.conn, handle.get(), units);
        }
        return rc != 0 ? fail(rc) : S_OK;
    });
}

HRESULT NWEntry::get_EntryType(std::int32_t* v) {
    *v = type_;
    return S_OK;
}

HRESULT NWEntry::put_EntryType(std::int32_t v) {
    if (v != NETWAREDIR && v != NETWAREFILE) {
        return fail(kInvalidEntryType);
    }
    type_ = v;
    return S_OK;
}

HRESULT NWEntry::Move(std::u16string destination, bool* result) {
    return moveOrCopy(true, destination, result);
}

HRESULT NWEntry::Copy(std::u16string destination) {
    bool ignored = false;
    return moveOrCopy(false, destination, &ignored);
}

HRESULT NWEntry::moveOrCopy(bool move, const std::u16string& destination, bool* result) {
    return withCore([&](ControlCore& core) {
        *result = false;
        const std::vector<std::u16string> source = componentsOf(path_);
        if (source.empty()) {
            return fail(kSourceIsVolume);
        }
        if (destination.empty()) {
            return fail(kNwInvalidEntryName);
        }
        if (type_ == kDeletedFile) {
            // A deleted file has no live data: its path may name another file by now.
            return move ? S_OK : fail(kInvalidEntryType);
        }
        const std::vector<std::u16string> parent(source.begin(), source.end() - 1);
        Destination d =
            resolveDestination(core.fullName, core.volumeName, parent, destination, core.nameSpace);
        if (d.code != 0) {
            return fail(d.code);
        }
        auto check = [&]() -> std::int32_t {
            if (samePath(d.components, source)) {
                return kSameSourceAndDestination;
            }
            return isBelow(d.components, source) ? kDestinationInsideSource : 0;
        };
        if (const std::int32_t rc = check(); rc != 0) {
            return fail(rc);
        }
        // An existing directory receives the entry under its own name.
        EntryRecord target;
        const std::u16string targetPath = internalPathOf(core.volumeName, d.components);
        if (core.net.entryInfo(core.conn, core.nameSpace, kSearchAny, netPathOf(targetPath),
                               target) == 0 &&
            (target.attributes & kAttrDirectory) != 0) {
            d.components.push_back(source.back());
            if (const std::int32_t rc = check(); rc != 0) {
                return fail(rc);
            }
        }
        const std::u16string to = internalPathOf(core.volumeName, d.components);
        if (move) {
            const std::int32_t rc = core.net.moveEntry(
                core.conn, core.nameSpace, type_ == NETWAREDIR ? kSearchDirectories : kSearchFiles,
                netPathOf(path_), netPathOf(to));
            if (rc != 0) {
                return fail(rc == kNwNameExists ? kMoveTargetExists : rc);
            }
            path_ = to;
            *result = true;
            return S_OK;
        }
        const std::int32_t rc = copyEntry(core, path_, type_ == NETWAREDIR, to);
        if (rc != 0) {
            return fail(rc == kNwNameExists ? kFileExists : rc);
        }
        return S_OK;
    });
}

namespace {

// What a copy made so far, in the order it made it: a failed copy takes it away again.
struct Made {
    std::u16string path;
    bool directory = false;
};

std::int32_t copyTree(ControlCore& core, const std::u16string& from, bool directory,
                      const std::u16string& to, std::vector<Made>& made) {
    NetOps& net = core.net;
    if (!directory) {
        EntryRecord r;
        std::int32_t rc =
            net.entryInfo(core.conn, core.nameSpace, kSearchFiles, netPathOf(from), r);
        if (rc != 0) {
            return rc;
        }
        FileHandle source(net);
        FileHandle target(net);
        rc = net.openFile(core.conn, core.nameSpace, kSearchFiles, netPathOf(from), 1,
                          *source.put());
        if (rc != 0) {
            return rc;
        }
        rc = net.createFile(core.conn, core.nameSpace, netPathOf(to), *target.put());
        if (rc != 0) {
            return rc;
        }
        made.push_back({to, false});
        std::uint64_t offset = 0;
        while (offset < r.dataSize) {
            std::uint64_t copied = 0;
            rc = net.copyData(core.conn, source.get(), target.get(), offset,
                              std::min(kCopyChunk, r.dataSize - offset), copied);
            if (rc != 0) {
                return rc;
            }
            if (copied == 0) {
                break;  // the source shrank meanwhile
            }
            offset += copied;
        }
        source.close();
        return target.close();
    }
    std::int32_t rc =
        net.createDirectory(core.conn, core.nameSpace, netPathOf(to), kNewDirectoryRights);
    if (rc != 0) {
        return rc;
    }
    made.push_back({to, true});
    // The names first, with the handle released before going down.
    std::vector<std::pair<std::u16string, bool>> children;
    {
        DirHandle handle(net, core.conn);
        rc = handle.allocate(core.nameSpace, netPathOf(from));
        if (rc != 0) {
            return rc;
        }
        // One search for directories and files alike.
        SearchCursor cursor;
        rc = net.startSearch(core.conn, handle.get(), core.nameSpace, cursor);
        if (rc != 0) {
            return rc;
        }
        EntryRecord r;
        while ((rc = net.searchNext(core.conn, cursor, core.nameSpace, kSearchAny, r)) == 0) {
            children.emplace_back(r.name, (r.attributes & kAttrDirectory) != 0);
        }
        if (rc != kNwFailure) {
            return rc;
        }
    }
    for (const auto& [name, isDirectory] : children) {
        rc = copyTree(core, from + u"\\" + name, isDirectory, to + u"\\" + name, made);
        if (rc != 0) {
            return rc;
        }
    }
    return 0;
}

// Takes away what a failed copy made, newest first, so that nothing half copied stays behind and
// a retry does not meet "exists". The files go for good (Immediate Purge), not to the deleted
// files. What cannot be removed stays; the copy's own error is what the caller hears.
void removeMade(ControlCore& core, const std::vector<Made>& made) {
    for (auto it = made.rbegin(); it != made.rend(); ++it) {
        const std::u16string path = netPathOf(it->path);
        if (it->directory) {
            core.net.deleteDirectory(core.conn, core.nameSpace, path);
            continue;
        }
        EntryRecord purge;
        purge.attributes = kAttrImmediatePurge;
        core.net.modifyEntry(core.conn, core.nameSpace, kSearchModifyFile, path, kModifyAttributes,
                             purge);
        core.net.eraseFile(core.conn, core.nameSpace, kSearchFiles, path);
    }
}

}  // namespace

std::int32_t NWEntry::copyEntry(ControlCore& core, const std::u16string& from, bool directory,
                                const std::u16string& to) {
    std::vector<Made> made;
    const std::int32_t rc = copyTree(core, from, directory, to, made);
    if (rc != 0) {
        removeMade(core, made);
    }
    return rc;
}

HRESULT NWEntry::purgeOrSalvage(bool purge, bool* result, const std::u16string& newName) {
    return withCore([&](ControlCore& core) {
        *result = false;
        const auto directory = parentOf(path_);
        if (type_ != kDeletedFile || !held_ || !directory) {
            return S_OK;
        }
        DirHandle handle(core.net, core.conn);
        std::int32_t rc = handle.allocate(core.nameSpace, netPathOf(*directory));
        if (rc != 0) {
            return purge ? fail(rc) : S_OK;
        }
        if (purge) {
            rc = core.net.purgeDeleted(core.conn, handle.get(), held_->sequence);
            if (rc == kNwFailure) {
                return S_OK;  // no longer among the deleted files
            }
            if (rc != 0) {
                return fail(rc);
            }
            held_.reset();
        } else {
            const std::u16string name =
                newName.empty() ? std::u16string(lastComponent(path_)) : newName;
            rc = core.net.recoverDeleted(core.conn, handle.get(), core.nameSpace, held_->sequence,
                                         name);
            if (rc != 0) {
                lastResult_ = rc;
                return S_OK;
            }
            held_.reset();
            type_ = NETWAREFILE;
            path_ = *directory + u"\\" + name;
        }
        *result = true;
        return S_OK;
    });
}

const InterfaceDef<NWEntry>& NWEntry::dispatchInfo() {
    static const InterfaceDef<NWEntry> def = [] {
        using E = NWEntry;
        namespace id = dispid_entry;
        InterfaceDef<E> d(IID_INWEntry, u"INWEntry",
                          u"A directory, file or deleted file of the volume");
        d.readOnlyRaises = true;
        d.propget<&E::get_FullName>(id::FullName, u"FullName", {},
                                    u"The control's FullName followed by the entry's path");
        d.propget<&E::get_ShortName>(id::ShortName, u"ShortName", {}, u"The entry's own name");
        d.propget<&E::get_Owner>(id::Owner, u"Owner", {}, u"Name of the entry's creator");
        d.propput<&E::put_Owner>(id::Owner, u"Owner", {u"Owner"});
        d.propget<&E::get_Archiver>(id::Archiver, u"Archiver", {}, u"Name of the last archiver");
        d.propput<&E::put_Archiver>(id::Archiver, u"Archiver", {u"Archiver"});
        d.propget<&E::get_Created>(id::Created, u"Created", {}, u"Creation date and time");
        d.propget<&E::get_Children>(id::Children, u"Children", {}, u"Sub-directories, then files");
        d.propget<&E::get_Trustees>(id::Trustees, u"Trustees", {}, u"Trustees of the entry");
        d.propget<&E::get_File>(id::File, u"File", {},
                                u"File object of a file or deleted file; Nothing for a directory");
        d.propget<&E::get_InheritedRights>(id::InheritedRights, u"InheritanceFilter", {},
                                           u"The entry's inherited rights mask");
        d.propget<&E::get_InheritedRights>(id::InheritedRights, u"InheritedRights", {},
                                           u"The entry's inherited rights mask",
                                           vnk::com::FUNCFLAG_FHIDDEN);
        d.propget<&E::get_Parent>(id::Parent, u"Parent", {}, u"The directory that holds the entry");
        d.propget<&E::get_LastModified>(id::LastModified, u"LastModified", {},
                                        u"Modification date and time");
        d.propget<&E::getAttribute<kAttrReadOnly>>(id::ReadOnly, u"ReadOnly", {},
                                                   u"Read-only attribute");
        d.propput<&E::putAttribute<kAttrReadOnly>>(id::ReadOnly, u"ReadOnly", {u"ReadOnly"});
        d.propget<&E::getAttribute<kAttrArchive>>(id::Archive, u"Archive", {},
                                                  u"Archive-needed attribute");
        d.propput<&E::putAttribute<kAttrArchive>>(id::Archive, u"Archive", {u"Archive"});
        d.propget<&E::getAttribute<kAttrHidden>>(id::Hidden, u"Hidden", {}, u"Hidden attribute");
        d.propput<&E::putAttribute<kAttrHidden>>(id::Hidden, u"Hidden", {u"Hidden"});
        d.propget<&E::getAttribute<kAttrSystem>>(id::System, u"System", {}, u"System attribute");
        d.propput<&E::putAttribute<kAttrSystem>>(id::System, u"System", {u"System"});
        d.propget<&E::getAttribute<kAttrExecute>>(id::Execute, u"Execute", {},
                                                  u"Execute-only attribute");
        d.propput<&E::putAttribute<kAttrExecute>>(id::Execute, u"Execute", {u"Execute"});
        d.propget<&E::getAttribute<kAttrDeleteInhibit>>(id::DeleteInhibit, u"DeleteInhibit", {},
                                                        u"Delete-inhibit attribute");
        d.propput<&E::putAttribute<kAttrDeleteInhibit>>(id::DeleteInhibit, u"DeleteInhibit",
                                                        {u"DeleteInhibit"});
        d.propget<&E::get_DeletedFiles>(id::DeletedFiles, u"DeletedFiles", {},
                                        u"Salvageable deleted files of this directory");
        d.propget<&E::get_Size>(id::Size, u"Size", {},
                                u"File: size in bytes; directory: its space restriction in KB");
        d.propput<&E::put_Size>(id::Size, u"Size", {u"Size"});
        d.propget<&E::get_LastArchived>(id::LastArchived, u"LastArchived", {},
                                        u"Archive date and time; Null when never archived");
        d.propget<&E::get_Children>(id::Entries, u"Entries", {}, u"The same as Children");
        d.propget<&E::get_EntryType>(id::EntryType, u"EntryType", {},
                                     u"NWEntryType: NETWAREDIR (0) or NETWAREFILE (1); 2 for a "
                                     u"deleted file");
        d.propput<&E::put_EntryType>(id::EntryType, u"EntryType", {u"EntryType"});
        d.method<&E::Move>(id::Move, u"Move", {u"EntryName"},
                           u"Moves or renames the entry; true when done");
        d.method<&E::Copy>(id::Copy, u"Copy", {u"EntryName"},
                           u"Copies the entry (a directory with everything below it)");
        return d;
    }();
    return def;
}

}  // namespace volmarra

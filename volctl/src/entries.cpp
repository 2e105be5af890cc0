// NWEntries: the entries of one directory, or its deleted files (INWEntries).
#include <algorithm>
#include <iterator>

#include "objects.h"
#include "volctl/names.h"
#include "volctl/tables.h"

namespace volmarra {
namespace {

using vnk::win::S_OK;

}  // namespace

std::optional<std::int64_t> integerIndex(const Variant& index) {
    const Variant& v = index.deref();
    switch (v.vt()) {
        case vnk::com::VT_I1:
        case vnk::com::VT_UI1:
        case vnk::com::VT_I2:
        case vnk::com::VT_UI2:
        case vnk::com::VT_I4:
        case vnk::com::VT_UI4:
        case vnk::com::VT_I8:
        case vnk::com::VT_UI8:
            return v.intVal();
        default:
            return std::nullopt;
    }
}

HRESULT NWEntries::fillChildren(ControlCore& core) {
    items_.clear();
    DirHandle handle(core.net, core.conn);
    std::int32_t rc = handle.allocate(core.nameSpace, netPathOf(parent_));
    if (rc != 0) {
        return failText(rc, kTextInvalidDirectory);
    }
    // One search over the directory (hidden and system entries included), split as it goes:
    // sub-directories first, then files, each in the server's order.
    SearchCursor cursor;
    rc = core.net.startSearch(core.conn, handle.get(), core.nameSpace, cursor);
    if (rc != 0) {
        return failText(rc, kTextInvalidDirectory);
    }
    const std::u16string prefix = parent_ + u"\\";
    std::vector<ComPtr<NWEntry>> files;
    EntryRecord r;
    while ((rc = core.net.searchNext(core.conn, cursor, core.nameSpace, kSearchAny, r)) == 0) {
        if ((r.attributes & kAttrDirectory) != 0) {
            items_.emplace_back(new NWEntry(core_, prefix + r.name, NETWAREDIR));
        } else {
            files.emplace_back(new NWEntry(core_, prefix + r.name, NETWAREFILE));
        }
    }
    if (rc != kNwFailure) {  // a real error, not the end of the list
        items_.clear();
        return fail(rc);
    }
    items_.reserve(items_.size() + files.size());
    std::move(files.begin(), files.end(), std::back_inserter(items_));
    return S_OK;
}

HRESULT NWEntries::fillDeleted(ControlCore& core) {
    items_.clear();
    DirHandle handle(core.net, core.conn);
    std::int32_t rc = handle.allocate(core.nameSpace, netPathOf(parent_));
    if (rc != 0) {
        return failText(rc, kTextInvalidDirectory);
    }
    std::uint32_t sequence = 0xFFFFFFFF;
    DeletedRecord r;
    while ((rc = core.net.scanDeleted(core.conn, handle.get(), core.nameSpace, sequence, r)) == 0) {
        items_.emplace_back(new NWEntry(core_, parent_ + u"\\" + r.entry.name, r));
    }
    if (rc != kNwFailure) {
        items_.clear();
        return fail(rc);
    }
    return S_OK;
}

HRESULT NWEntries::get_Count(std::int32_t* v) {
    *v = static_cast<std::int32_t>(items_.size());
    return S_OK;
}

std::int64_t NWEntries::find(const Variant& index, bool& wasInteger) const {
    wasInteger = false;
    if (const auto i = integerIndex(index)) {
        wasInteger = true;
        return *i >= 0 && *i < static_cast<std::int64_t>(items_.size()) ? *i : -1;
    }
    const Variant& v = index.deref();
    if (v.vt() != vnk::com::VT_BSTR) {
        return -1;
    }
    const std::u16string_view name = lastComponent(v.bstr());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (equalsIgnoreCase(lastComponent(items_[i]->internalPath()), name)) {
            return static_cast<std::int64_t>(i);
        }
    }
    return -1;
}

HRESULT NWEntries::Item(Variant index, ComPtr<IDispatch>* item) {
    const vnk::com::VARTYPE vt = index.deref().vt();
    bool wasInteger = false;
    const std::int64_t at = find(index, wasInteger);
    if (!wasInteger && vt != vnk::com::VT_BSTR) {
        item->reset();  // any other type: Nothing
        return S_OK;
    }
    if (at < 0) {
        return failText(kNwFailure, kTextFileNotFound);
    }
    *item = ComPtr<IDispatch>(static_cast<IDispatch*>(items_[static_cast<std::size_t>(at)].get()));
    return S_OK;
}

HRESULT NWEntries::Add(std::u16string name, Variant type, ComPtr<IDispatch>* entry) {
    return withCore([&](ControlCore& core) {
        const std::int64_t t = integerIndex(type).value_or(NETWAREDIR);
        if (t != NETWAREDIR && t != NETWAREFILE) {
            return fail(kInvalidEntryType);
        }
        if (!validEntryName(name, core.nameSpace)) {
            return fail(kNwInvalidEntryName);
        }
        const std::u16string upper = upperAscii(name);
        const std::u16string internal = parent_ + u"\\" + upper;
        const std::u16string path = netPathOf(internal);
        std::int32_t rc = 0;
        if (t == NETWAREDIR) {
            rc = core.net.createDirectory(core.conn, core.nameSpace, path, kNewDirectoryRights);
        } else {
            FileHandle file(core.net);
            rc = core.net.createFile(core.conn, core.nameSpace, path, *file.put());
            if (rc == 0) {
                rc = file.close();
            }
        }
        if (rc != 0) {
            return fail(rc);
        }
        return handOver(new NWEntry(core_, internal, static_cast<int>(t)), entry);
    });
}

HRESULT NWEntries::Remove(Variant index) {
    return withCore([&](ControlCore& core) {
        bool wasInteger = false;
        const std::int64_t at = find(index, wasInteger);
        if (at < 0) {
            return wasInteger ? fail(kExceedsLimit) : S_OK;  // a name not in the list: nothing
        }
        NWEntry& e = *items_[static_cast<std::size_t>(at)];
        const std::u16string path = netPathOf(e.internalPath());
        std::int32_t rc = 0;
        switch (e.type()) {
            case NETWAREDIR:
                rc = core.net.deleteDirectory(core.conn, core.nameSpace, path);
                break;
            case NETWAREFILE:
                rc = core.net.eraseFile(core.conn, core.nameSpace, kSearchErase, path);
                break;
            default: {
                // A deleted file goes for good: that very one, never a live file of its name.
                bool purged = false;
                return e.purgeOrSalvage(true, &purged);
            }
        }
        return rc != 0 ? fail(rc) : S_OK;
    });
}

HRESULT NWEntries::NewEnum(ComPtr<vnk::com::IUnknown>* e) {
    *e = CEnumVariant(items_);
    return S_OK;
}

const InterfaceDef<NWEntries>& NWEntries::dispatchInfo() {
    static const InterfaceDef<NWEntries> def = collectionDef<NWEntries>(
        IID_INWEntries, u"INWEntries", u"The entries (or the deleted files) of one directory",
        {u"Name", u"EntryType"},
        {u"Number of entries", u"Creates a directory (NETWAREDIR) or an empty file (NETWAREFILE)",
         u"Deletes the entry at a position or of a name",
         u"The entry at a zero-based position, or by name"});
    return def;
}

}  // namespace volmarra

// NWTrustees, NWTrustee and NWRights: who may use an entry, and the rights of an assignment or
// of an entry's inherited rights mask.
#include "objects.h"
#include "volctl/tables.h"

namespace volmarra {
namespace {

using vnk::win::S_OK;

constexpr std::u16string_view kTextTrusteeNotFound = u"Trustee not found";

}  // namespace

// ---- NWTrustees ---------------------------------------------------------------------------------

HRESULT NWTrustees::fill(ControlCore& core) {
    items_.clear();
    const std::u16string path = netPathOf(entryPath_);
    std::uint32_t iteration = 0;
    std::vector<TrusteePair> set;
    for (;;) {
        set.clear();
        const std::int32_t rc =
            core.net.scanTrustees(core.conn, core.nameSpace, path, iteration, set);
        if (rc == kNwFailure) {
            break;
        }
        if (rc != 0) {  // a real error, not the end of the list
            items_.clear();
            return fail(rc);
        }
        if (set.empty()) {
            break;
        }
        for (const TrusteePair& t : set) {
            std::u16string full;
            std::u16string shortName;
            if (core.nameOfId(t.id, full, shortName) == 0) {
                items_.emplace_back(
                    new NWTrustee(core_, entryPath_, t.id, t.rights, full, shortName));
            }
        }
    }
    return S_OK;
}

HRESULT NWTrustees::get_Count(std::int32_t* v) {
    *v = static_cast<std::int32_t>(items_.size());
    return S_OK;
}

HRESULT NWTrustees::find(ControlCore& core, const Variant& index, ComPtr<NWTrustee>& out) {
    if (const auto i = integerIndex(index)) {
        if (*i >= 0 && *i < static_cast<std::int64_t>(items_.size())) {
            out = items_[static_cast<std::size_t>(*i)];
            return S_OK;
        }
    } else if (index.deref().vt() == vnk::com::VT_BSTR) {
        std::uint32_t id = 0;
        if (core.idOfName(index.deref().bstr(), id) == 0) {
            for (const ComPtr<NWTrustee>& t : items_) {
                if (t->id() == id) {
                    out = t;
                    return S_OK;
                }
            }
        }
    }
    return failText(kNwTrusteeNotFound, kTextTrusteeNotFound);
}

HRESULT NWTrustees::Item(Variant index, ComPtr<IDispatch>* item) {
    return withCore([&](ControlCore& core) {
        ComPtr<NWTrustee> t;
        if (const HRESULT hr = find(core, index, t); FAILED(hr)) {
            return hr;
        }
        *item = ComPtr<IDispatch>(static_cast<IDispatch*>(t.get()));
        return S_OK;
    });
}

HRESULT NWTrustees::Add(std::u16string name, ComPtr<IDispatch>* trustee) {
    return withCore([&](ControlCore& core) {
        std::uint32_t id = 0;
        std::int32_t rc = core.idOfName(name, id);
        if (rc != 0) {
            return fail(rc);
        }
        rc = core.net.addTrustee(core.conn, core.nameSpace, netPathOf(entryPath_), id,
                                 kNewTrusteeRights);
        if (rc != 0) {
            return fail(rc);
        }
        std::u16string full = name;
        std::u16string shortName = name;
        core.nameOfId(id, full, shortName);
        return handOver(new NWTrustee(core_, entryPath_, id, kNewTrusteeRights, full, shortName),
                        trustee);
    });
}

HRESULT NWTrustees::Remove(Variant index) {
    return withCore([&](ControlCore& core) {
        ComPtr<NWTrustee> t;
        if (const HRESULT hr = find(core, index, t); FAILED(hr)) {
            return hr;
        }
        const std::int32_t rc =
            core.net.deleteTrustee(core.conn, core.nameSpace, netPathOf(entryPath_), t->id());
        return rc != 0 ? fail(rc) : S_OK;
    });
}

HRESULT NWTrustees::NewEnum(ComPtr<vnk::com::IUnknown>* e) {
    *e = CEnumVariant(items_);
    return S_OK;
}

const InterfaceDef<NWTrustees>& NWTrustees::dispatchInfo() {
    static const InterfaceDef<NWTrustees> def = collectionDef<NWTrustees>(
        IID_INWTrustees, u"INWTrustees", u"The trustees of an entry", {u"TrusteeName"},
        {u"Number of trustees", u"Makes a user a trustee of the entry with Read and Scan rights",
         u"Removes the trustee at a position or of a name",
         u"The trustee at a zero-based position, or by name"});
    return def;
}

// ---- NWTrustee ----------------------------------------------------------------------------------

std::int32_t NWTrustee::assign(std::uint16_t rights) {
    const std::shared_ptr<ControlCore> core = core_.lock();
    if (!core) {
        return kNotInitialized;
    }
    const std::int32_t rc =
        core->net.addTrustee(core->conn, core->nameSpace, netPathOf(entryPath_), id_, rights);
    if (rc == 0) {
        rights_ = rights;
    }
    return rc;
}

HRESULT NWTrustee::get_EffectiveRights(ComPtr<IDispatch>* v) {
    return handOver(new NWRights(core_, ComPtr<NWTrustee>(this)), v);
}

HRESULT NWTrustee::get_FullName(std::u16string* v) {
    *v = fullName_;
    return S_OK;
}

HRESULT NWTrustee::get_ShortName(std::u16string* v) {
    *v = shortName_;
    return S_OK;
}

const InterfaceDef<NWTrustee>& NWTrustee::dispatchInfo() {
    static const InterfaceDef<NWTrustee> def = [] {
        using T = NWTrustee;
        namespace id = dispid_trustee;
        InterfaceDef<T> d(IID_INWTrustee, u"INWTrustee", u"One trustee of an entry");
        d.readOnlyRaises = true;
        d.propget<&T::get_EffectiveRights>(id::EffectiveRights, u"EffectiveRights", {},
                                           u"The rights assigned to the trustee on this entry");
        d.propget<&T::get_FullName>(id::FullName, u"FullName", {}, u"The trustee's full name");
        d.propget<&T::get_ShortName>(id::ShortName, u"ShortName", {}, u"The trustee's own name");
        return d;
    }();
    return def;
}

// ---- NWRights -----------------------------------------------------------------------------------

HRESULT NWRights::read(std::uint16_t bit, bool* v) {
    *v = false;
    if (trustee_) {
        *v = (trustee_->rights() & bit) != 0;
        return S_OK;
    }
    if (!inherited_) {
        return S_OK;
    }
    return withCore([&](ControlCore& core) {
        EntryRecord r;
        const std::int32_t rc =
            core.net.entryInfo(core.conn, core.nameSpace, kSearchAny, netPathOf(entryPath_), r);
        if (rc != 0) {
            return fail(rc);
        }
        *v = (r.inheritedRightsMask & bit) != 0;
        return S_OK;
    });
}

HRESULT NWRights::write(std::uint16_t bit, bool v) {
    if (trustee_) {
        const std::int32_t rc = trustee_->assign(withBit(trustee_->rights(), bit, v));
        return rc != 0 ? fail(rc) : S_OK;
    }
    if (!inherited_) {
        return S_OK;
    }
    if (bit == kRightSupervisor) {
        // The supervisor bit of an inherited rights mask cannot be cleared; setting it is moot.
        return v ? S_OK : failText(kSupervisorMaskFixed, kTextSupervisorMask);
    }
    return withCore([&](ControlCore& core) {
        EntryRecord r;
        const std::u16string path = netPathOf(entryPath_);
        std::int32_t rc = core.net.entryInfo(core.conn, core.nameSpace, kSearchAny, path, r);
        if (rc != 0) {
            return fail(rc);
        }
        r.inheritedRightsMask = withBit(r.inheritedRightsMask, bit, v);
        rc = core.net.modifyEntry(core.conn, core.nameSpace, kSearchModifyEntry, path,
                                  kModifyInheritedRights, r);
        return rc != 0 ? fail(rc) : S_OK;
    });
}

const InterfaceDef<NWRights>& NWRights::dispatchInfo() {
    static const InterfaceDef<NWRights> def = [] {
        using R = NWRights;
        InterfaceDef<R> d(IID_INWRights, u"INWRights",
                          u"Eight rights: a trustee's assignment or an entry's inherited rights");
        d.readOnlyRaises = true;
        // In the order of kRightsMembers: Supervisor, Read, Write, Create, Modify, Scan, Erase,
        // AccessControl.
        DISPID n = 1;
        auto both = [&]<std::uint16_t Bit>(std::u16string name, std::u16string help) {
            d.propget<&R::get<Bit>>(n, name, {}, help);
            d.propput<&R::put<Bit>>(n, name, {name});
            ++n;
        };
        both.operator()<kRightSupervisor>(u"Supervisor", u"Supervisor right");
        both.operator()<kRightRead>(u"Read", u"Read right");
        both.operator()<kRightWrite>(u"Write", u"Write right");
        both.operator()<kRightCreate>(u"Create", u"Create right");
        both.operator()<kRightModify>(u"Modify", u"Modify right");
        both.operator()<kRightScan>(u"Scan", u"File scan right");
        both.operator()<kRightErase>(u"Erase", u"Erase right");
        both.operator()<kRightAccessControl>(u"AccessControl", u"Access control right");
        return d;
    }();
    return def;
}

}  // namespace volmarra

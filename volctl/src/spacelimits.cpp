// NWSpaceLimits and NWSpaceLimit: the per-user space restrictions of the volume, in KB (the
// server counts 4 KB units).
#include "objects.h"
#include "volctl/tables.h"

namespace volmarra {
namespace {

using vnk::win::S_OK;

// A restriction answer holds at most this many users; a shorter answer is the last.
constexpr std::size_t kRestrictionsPerAnswer = 12;

std::int32_t unitsToKb(std::uint64_t units) {
    return saturate32(units * 4);
}

}  // namespace

// ---- NWSpaceLimits ------------------------------------------------------------------------------

HRESULT NWSpaceLimits::fill(ControlCore& core) {
    items_.clear();
    if (!core.loaded) {
        return fail(kNwVolumeDoesNotExist);
    }
    std::uint32_t sequence = 0;
    std::vector<RestrictionPair> answer;
    for (;;) {
        answer.clear();
        const std::int32_t rc =
            core.net.scanRestrictions(core.conn, core.volumeNumber, sequence, answer);
        if (rc == kNwFailure) {
            break;
        }
        if (rc != 0) {  // a real error, not the end of the list
            items_.clear();
            return fail(rc);
        }
        for (const RestrictionPair& p : answer) {
            std::u16string full;
            std::u16string shortName;
            if (core.nameOfId(p.id, full, shortName) == 0) {
                items_.emplace_back(
                    new NWSpaceLimit(core_, p.id, full, shortName, unitsToKb(p.units)));
            }
        }
        if (answer.size() < kRestrictionsPerAnswer) {
            break;
        }
        sequence += static_cast<std::uint32_t>(answer.size());
    }
    return S_OK;
}

HRESULT NWSpaceLimits::get_Count(std::int32_t* v) {
    *v = static_cast<std::int32_t>(items_.size());
    return S_OK;
}

HRESULT NWSpaceLimits::find(ControlCore& core, const Variant& index, std::size_t& at,
                            std::uint32_t& id) {
    at = items_.size();
    if (const auto i = integerIndex(index)) {
        if (*i < 0 || *i >= static_cast<std::int64_t>(items_.size())) {
            return fail(kExceedsLimit);
        }
        at = static_cast<std::size_t>(*i);
        id = items_[at]->id();
        return S_OK;
    }
    if (index.deref().vt() != vnk::com::VT_BSTR) {
        return fail(kExceedsLimit);
    }
    if (const std::int32_t rc = core.idOfName(index.deref().bstr(), id); rc != 0) {
        return fail(rc);
    }
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i]->id() == id) {
            at = i;
        }
    }
    return S_OK;
}

HRESULT NWSpaceLimits::Item(Variant index, ComPtr<IDispatch>* item) {
    return withCore([&](ControlCore& core) {
        std::size_t at = 0;
        std::uint32_t id = 0;
        if (const HRESULT hr = find(core, index, at, id); FAILED(hr)) {
            return hr;
        }
        if (at >= items_.size()) {
            return fail(kNwNoSuchObject);
        }
        *item = ComPtr<IDispatch>(static_cast<IDispatch*>(items_[at].get()));
        return S_OK;
    });
}

HRESULT NWSpaceLimits::Add(std::u16string user, std::int32_t totalSpace, ComPtr<IDispatch>* limit) {
    return withCore([&](ControlCore& core) {
        if (totalSpace < 0) {
            return fail(kNwInvalidParameter);
        }
        std::uint32_t id = 0;
        std::int32_t rc = core.idOfName(user, id);
        if (rc != 0) {
            return fail(rc);
        }
        const auto units = static_cast<std::uint32_t>(kbToUnits(totalSpace));
        rc = core.net.setUserRestriction(core.conn, core.volumeNumber, id, units);
        if (rc != 0) {
            return fail(rc);
        }
        std::u16string full = user;
        std::u16string shortName = user;
        core.nameOfId(id, full, shortName);
        return handOver(new NWSpaceLimit(core_, id, full, shortName, unitsToKb(units)), limit);
    });
}

HRESULT NWSpaceLimits::Remove(Variant index) {
    return withCore([&](ControlCore& core) {
        std::size_t at = 0;
        std::uint32_t id = 0;
        if (const HRESULT hr = find(core, index, at, id); FAILED(hr)) {
            return hr;
        }
        const std::int32_t rc = core.net.removeUserRestriction(core.conn, core.volumeNumber, id);
        return rc != 0 ? fail(rc) : S_OK;
    });
}

HRESULT NWSpaceLimits::NewEnum(ComPtr<vnk::com::IUnknown>* e) {
    *e = CEnumVariant(items_);
    return S_OK;
}

const InterfaceDef<NWSpaceLimits>& NWSpaceLimits::dispatchInfo() {
    static const InterfaceDef<NWSpaceLimits> def = collectionDef<NWSpaceLimits>(
        IID_INWSpaceLimits, u"INWSpaceLimits", u"The per-user space restrictions of the volume",
        {u"User", u"TotalSpace"},
        {u"Number of restricted users", u"Restricts a user to TotalSpace KB (rounded up to 4 KB)",
         u"Lifts the restriction at a position or of a user",
         u"The restriction at a zero-based position, or of a user"});
    return def;
}

// ---- NWSpaceLimit -------------------------------------------------------------------------------

HRESULT NWSpaceLimit::get_FullName(std::u16string* v) {
    *v = fullName_;
    return S_OK;
}

HRESULT NWSpaceLimit::get_ShortName(std::u16string* v) {
    *v = shortName_;
    return S_OK;
}

HRESULT NWSpaceLimit::get_UsedSpace(std::int32_t* v) {
    return withCore([&](ControlCore& core) {
        std::uint32_t units = 0;
        std::uint32_t inUse = 0;
        const std::int32_t rc =
            core.net.userRestriction(core.conn, core.volumeNumber, id_, units, inUse);
        if (rc != 0) {
            return fail(rc);
        }
        *v = unitsToKb(inUse);
        return S_OK;
    });
}

HRESULT NWSpaceLimit::get_TotalSpace(std::int32_t* v) {
    *v = totalKb_;
    return S_OK;
}

HRESULT NWSpaceLimit::put_TotalSpace(std::int32_t v) {
    return withCore([&](ControlCore& core) {
        if (v < 0) {
            return fail(kNwInvalidParameter);
        }
        const auto units = static_cast<std::uint32_t>(kbToUnits(v));
        const std::int32_t rc =
            core.net.setUserRestriction(core.conn, core.volumeNumber, id_, units);
        if (rc != 0) {
            return fail(rc);
        }
        totalKb_ = unitsToKb(units);
        return S_OK;
    });
}

HRESULT NWSpaceLimit::ChangeTotalSpace(std::int32_t amount, bool* result) {
    *result = false;
    if (amount < 0) {
        return S_OK;
    }
    if (const HRESULT hr = put_TotalSpace(amount); FAILED(hr)) {
        return hr;
    }
    *result = true;
    return S_OK;
}

const InterfaceDef<NWSpaceLimit>& NWSpaceLimit::dispatchInfo() {
    static const InterfaceDef<NWSpaceLimit> def = [] {
        using S = NWSpaceLimit;
        namespace id = dispid_spacelimit;
        InterfaceDef<S> d(IID_INWSpaceLimit, u"INWSpaceLimit",
                          u"The space restriction of one user on the volume");
        d.readOnlyRaises = true;
        d.propget<&S::get_FullName>(id::FullName, u"FullName", {}, u"The user's full name");
        d.propget<&S::get_ShortName>(id::ShortName, u"ShortName", {}, u"The user's own name");
        d.propget<&S::get_UsedSpace>(id::UsedSpace, u"UsedSpace", {},
                                     u"Space the user's files take on the volume, KB");
        d.propget<&S::get_TotalSpace>(id::TotalSpace, u"TotalSpace", {},
                                      u"The user's restriction, KB");
        d.propput<&S::put_TotalSpace>(id::TotalSpace, u"TotalSpace", {u"TotalSpace"});
        d.method<&S::ChangeTotalSpace>(id::ChangeTotalSpace, u"ChangeTotalSpace", {u"ChangeAmount"},
                                       u"Sets the restriction to ChangeAmount KB; false for a "
                                       u"negative amount");
        return d;
    }();
    return def;
}

}  // namespace volmarra

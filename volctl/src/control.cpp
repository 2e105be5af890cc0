// CVolmarraCtrl: the control object of one NetWare volume (_DVolmarra).
#include <algorithm>

#include "objects.h"
#include "volctl/names.h"
#include "volctl/tables.h"

namespace volmarra {
namespace {

using vnk::win::S_OK;

constexpr std::u16string_view kRootContext = u"[Root]";

}  // namespace

CVolmarraCtrl::CVolmarraCtrl() : CVolmarraCtrl(nw::processClient()) {}

CVolmarraCtrl::CVolmarraCtrl(nw::Client& client) : core_(std::make_shared<ControlCore>(client)) {
    core_->net.init();
}

CVolmarraCtrl::~CVolmarraCtrl() {
    resetAll();
}

HRESULT CVolmarraCtrl::queryExtra(const vnk::com::IID& iid, void** out) {
    if (iid == DIID_DVolmarra) {
        *out = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    if (interfaceHook_) {
        if (void* p = interfaceHook_(iid)) {
            *out = p;
            AddRef();
            return S_OK;
        }
    }
    return vnk::win::E_NOINTERFACE;
}

void CVolmarraCtrl::resetAll() {
    core_->reset();
    spaceLimits_.reset();
}

// ---- FullName -----------------------------------------------------------------------------------

HRESULT CVolmarraCtrl::get_FullName(std::u16string* v) {
    *v = core_->fullName;
    return S_OK;
}

HRESULT CVolmarraCtrl::put_FullName(std::u16string v) {
    ControlCore& c = *core_;
    c.fullName = std::move(v);
    c.shortName = shortNameOf(c.fullName);
    c.modified = true;
    const HRESULT hr = apply();
    if (changed_) {
        // The container may read the control again; what apply() raised must reach the caller.
        vnk::com::ExcepInfo raised;
        const bool hasRaised = vnk::com::GetErrorInfo(&raised) == S_OK;
        changed_();
        vnk::com::SetErrorInfo(hasRaised ? &raised : nullptr);
    }
    return hr;
}

void CVolmarraCtrl::LoadPersistedFullName(const std::u16string& fullName) {
    const bool was = core_->restoring;
    core_->restoring = true;
    put_FullName(fullName);
    vnk::com::SetErrorInfo(nullptr);
    core_->restoring = was;
}

// ---- Persistence -------------------------------------------------------------------------------

HRESULT CVolmarraCtrl::InitNew() {
    LoadPersistedFullName(u"");
    core_->modified = false;
    return S_OK;
}

HRESULT CVolmarraCtrl::Load(vnk::com::IPropertyBag* bag) {
    if (bag == nullptr) {
        return vnk::win::E_POINTER;
    }
    // A missing or unreadable FullName takes the default (empty); the version needs no
    // conversion while 1.3 is the only one.
    Variant stored;
    std::u16string fullName;
    if (bag->Read(u"FullName", &stored) == S_OK) {
        fullName = stored.asString().value_or(u"");
    }
    LoadPersistedFullName(fullName);
    core_->modified = false;
    return S_OK;
}

HRESULT CVolmarraCtrl::Save(vnk::com::IPropertyBag* bag, bool clearDirty, bool) {
    if (bag == nullptr) {
        return vnk::win::E_POINTER;
    }
    HRESULT hr = bag->Write(u"_Version", Variant(static_cast<std::int32_t>(kPersistVersion)));
    if (!FAILED(hr)) {
        hr = bag->Write(u"FullName", Variant(core_->fullName));
    }
    if (FAILED(hr)) {
        return hr;
    }
    if (clearDirty) {
        core_->modified = false;
    }
    return S_OK;
}

HRESULT CVolmarraCtrl::apply() {
    ControlCore& c = *core_;
    const FullNameParts parts = parseFullName(c.fullName);
    // Silently dropped: a bad name at design time or while restoring.
    auto drop = [&] {
        c.fullName.clear();
        c.shortName.clear();
        c.volumeName.clear();
        return S_OK;
    };
    if (!c.userMode) {
        // Nothing is resolved at design time; a name of the wrong form is not kept.
        return parts.form == NameForm::Invalid ? drop() : S_OK;
    }
    resetAll();
    if (parts.form == NameForm::Empty) {
        return S_OK;
    }
    c.isDirectory = startsWithIgnoreCase(c.fullName, stringResource(250));
    if (parts.form == NameForm::Invalid) {
        return c.restoring ? drop() : raiseResult(kInvalidNameFormat);
    }
    if (parts.form == NameForm::Directory) {
        std::int32_t rc = 0;
        resolveDirectoryName(parts, rc);
        if (rc != 0) {
            c.lastError = 0;
            if (c.restoring) {
                return drop();
            }
            return raiseText(rc, stringResource(kTextNoLicensedConnection));
        }
    } else {
        c.volumeName = upperAscii(parts.volume);
        c.hostServer = upperAscii(parts.server);
        const std::int32_t rc = c.net.openConnByName(c.hostServer, false, c.conn);
        if (rc != 0) {
            c.conn = 0;
            c.loaded = false;
            c.lastError = rc;
            if (c.restoring) {
                return drop();
            }
            return raiseResult(rc);
        }
        std::uint32_t state = 0;
        if (c.net.authenticationState(c.conn, state) == 0 && state == 2) {
            c.directoryAuthenticated = true;
            c.isDirectory = true;
            c.hasContext = true;
            std::u16string tree;
            if (c.net.treeName(c.conn, tree) == 0) {
                while (!tree.empty() && tree.back() == u'_') {
                    tree.pop_back();
                }
                c.treeName = tree;
            }
            std::u16string serverName;
            if (c.net.serverDirectoryName(c.conn, serverName) == 0) {
                const std::size_t dot = serverName.find(u'.');
                c.serverContext =
                    dot == std::u16string::npos ? std::u16string() : serverName.substr(dot + 1);
            }
        } else {
            c.directoryAuthenticated = false;
        }
    }
    // The volume: not mounted is no error.
    if (c.net.volumeNumber(c.conn, c.volumeName, c.volumeNumber) != 0) {
        c.volumeNumber = 0;
        c.loaded = false;
        c.lastError = 0;
        return S_OK;
    }
    VolumeFigures f;
    const std::int32_t rc = c.net.volumeFigures(c.conn, c.volumeNumber, f);
    if (rc != 0) {
        c.loaded = false;
        c.lastError = rc;
        return c.restoring ? S_OK : raiseResult(rc);
    }
    c.kbPerBlock = (f.sectorsPerBlock >> 1) & 0x7F;
    if (c.kbPerBlock == 0) {
        c.kbPerBlock = 1;
    }
    c.lastTotalKb = std::uint64_t{f.totalBlocks} * c.kbPerBlock;
    c.loaded = true;
    std::vector<std::uint8_t> spaces;
    c.net.nameSpaces(c.conn, c.volumeNumber, spaces);
    const auto has = [&](std::uint8_t ns) {
        return std::find(spaces.begin(), spaces.end(), ns) != spaces.end();
    };
    c.nameSpace = has(kNameSpaceLong)  ? kNameSpaceLong
                  : has(kNameSpaceDos) ? kNameSpaceDos
                                       : kNameSpaceFtam;
    return S_OK;
}

HRESULT CVolmarraCtrl::resolveDirectoryName(const FullNameParts& parts, std::int32_t& rc) {
    ControlCore& c = *core_;
    c.treeName = parts.tree;
    c.hasContext = true;
    std::vector<std::u16string> path = parts.containers;
    path.push_back(parts.volume);
    const std::u16string object = dottedFromPath(path);
    std::u16string hostServer;
    rc = c.net.readDirectoryAttribute(c.treeName, object, u"Host Server", hostServer);
    if (rc == -603) {  // no such attribute: the name stays empty and the connection fails
        hostServer.clear();
    } else if (rc != 0) {
        c.hasContext = false;
        return S_OK;
    }
    const std::u16string serverDirectoryName = hostServer;
    c.hostServer = hostServer.substr(0, hostServer.find(u'.'));
    rc = c.net.openConnByName(serverDirectoryName, true, c.conn);
    if (rc == 0 && serverDirectoryName.empty()) {
        rc = kNwNoSuchObject;
    }
    if (rc != 0) {
        c.conn = 0;
        c.hasContext = false;
        return S_OK;
    }
    auto giveUp = [&](std::int32_t code) {
        c.net.closeConn(c.conn);
        c.conn = 0;
        c.hasContext = false;
        rc = code;
        return S_OK;
    };
    if (c.net.authenticateConn(c.conn) != 0) {
        return giveUp(kNotAuthenticated);
    }
    c.directoryAuthenticated = true;
    if (const std::int32_t lic = c.net.licenseConn(c.conn); lic != 0) {
        return giveUp(lic);
    }
    std::u16string volume;
    c.net.readDirectoryAttribute(c.treeName, object, u"Host Resource Name", volume);
    c.volumeName = upperAscii(volume);
    const std::size_t dot = serverDirectoryName.find(u'.');
    c.serverContext =
        dot == std::u16string::npos ? std::u16string() : serverDirectoryName.substr(dot + 1);
    rc = 0;
    return S_OK;
}

// ---- Properties ---------------------------------------------------------------------------------

HRESULT CVolmarraCtrl::get_ShortName(std::u16string* v) {
    if (uninitialized()) {
        return raiseResult(kNotInitialized);
    }
    *v = core_->shortName;
    return S_OK;
}

HRESULT CVolmarraCtrl::get_HostServer(std::u16string* v) {
    if (uninitialized()) {
        return raiseResult(kNotInitialized);
    }
    *v = core_->hostServer;
    return S_OK;
}

HRESULT CVolmarraCtrl::get_Loaded(bool* v) {
    if (uninitialized()) {
        return raiseResult(kNotInitialized);
    }
    *v = core_->loaded;
    return S_OK;
}

template <class F>
HRESULT CVolmarraCtrl::volumeRead(bool needsMounted, F read) {
    if (uninitialized()) {
        return raiseResult(kNotInitialized);
    }
    ControlCore& c = *core_;
    // Not mounted: the volume's number would name another volume of the server.
    if (needsMounted && !c.loaded) {
        return raiseResult(kNwVolumeDoesNotExist);
    }
    const std::int32_t rc = read(c);
    c.lastError = rc;
    return rc != 0 ? raiseResult(rc) : S_OK;
}

template <class F>
HRESULT CVolmarraCtrl::withFigures(F use) {
    return volumeRead(true, [&](ControlCore& c) {
        VolumeFigures f;
        const std::int32_t rc = c.net.volumeFigures(c.conn, c.volumeNumber, f);
        if (rc == 0) {
            use(f, std::uint64_t{c.kbPerBlock});
        }
        return rc;
    });
}

HRESULT CVolmarraCtrl::get_TotalSpace(std::int32_t* v) {
    return withFigures(
        [&](const VolumeFigures& f, std::uint64_t kb) { *v = saturate32(f.totalBlocks * kb); });
}

HRESULT CVolmarraCtrl::get_UsedSpace(std::int32_t* v) {
    return withFigures([&](const VolumeFigures& f, std::uint64_t kb) {
        *v = saturate32((f.totalBlocks >= f.freeBlocks ? f.totalBlocks - f.freeBlocks : 0) * kb);
    });
}

HRESULT CVolmarraCtrl::get_PurgeableSpace(std::int32_t* v) {
    return withFigures(
        [&](const VolumeFigures& f, std::uint64_t kb) { *v = saturate32(f.purgeableBlocks * kb); });
}

HRESULT CVolmarraCtrl::get_Removable(bool* v) {
    return withFigures(
        [&](const VolumeFigures& f, std::uint64_t) { *v = (f.removable & 0xFFFF) != 0; });
}

HRESULT CVolmarraCtrl::get_UnusableSpace(std::int32_t* v) {
    return volumeRead(true, [&](ControlCore& c) {
        std::uint32_t sectors = 0;
        const std::int32_t rc = c.net.badSectors(c.conn, c.volumeNumber, sectors);
        *v = saturate32(std::uint64_t{sectors} / 2);  // sectors of 512 bytes
        return rc;
    });
}

HRESULT CVolmarraCtrl::get_LastModified(Date* v) {
    return volumeRead(false, [&](ControlCore& c) {
        EntryRecord r;
        const std::int32_t rc =
            c.net.entryInfo(c.conn, c.nameSpace, kSearchAny, netPathOf(c.volumeName), r);
        *v = dosDateTime(r.modifyDate, r.modifyTime).value_or(Date{});
        return rc;
    });
}

HRESULT CVolmarraCtrl::get_NameSpaces(Variant* v) {
    return volumeRead(true, [&](ControlCore& c) {
        std::vector<std::uint8_t> spaces;
        const std::int32_t rc = c.net.nameSpaces(c.conn, c.volumeNumber, spaces);
        std::vector<Variant> names;
        for (std::uint8_t ns : spaces) {
            names.emplace_back(std::u16string(nameSpaceName(ns)));
        }
        *v = Variant::array(std::move(names));
        return rc;
    });
}

HRESULT CVolmarraCtrl::get_SpaceLimits(ComPtr<IDispatch>* v) {
    if (uninitialized()) {
        return raiseResult(kNotInitialized);
    }
    if (!spaceLimits_) {
        spaceLimits_ = ComPtr<NWSpaceLimits>(new NWSpaceLimits(core_));
    }
    return handOverFilled(
        spaceLimits_.get(), [&](NWSpaceLimits& l) { return l.fill(*core_); }, v);
}

HRESULT CVolmarraCtrl::get_Root(ComPtr<IDispatch>* v) {
    if (uninitialized()) {
        return raiseResult(kNotInitialized);
    }
    return handOver(new NWEntry(core_, core_->volumeName, NETWAREDIR), v);
}

// ---- Methods ------------------------------------------------------------------------------------

HRESULT CVolmarraCtrl::Load(bool* result) {
    ControlCore& c = *core_;
    if (c.loaded) {
        *result = true;
        return S_OK;
    }
    std::uint16_t number = 0;
    const std::int32_t rc = c.net.mount(c.conn, c.volumeName, number);
    if (rc != 0) {
        c.volumeNumber = 255;
        c.lastError = rc;
        *result = false;
        return S_OK;
    }
    if (const HRESULT hr = apply(); FAILED(hr)) {
        return hr;
    }
    *result = true;
    return S_OK;
}

HRESULT CVolmarraCtrl::Unload(bool* result) {
    ControlCore& c = *core_;
    if (!c.loaded) {
        *result = true;
        return S_OK;
    }
    // A file open on the volume goes with it.
    c.closeOpenFile();
    const std::int32_t rc = c.net.dismount(c.conn, c.volumeNumber);
    if (rc != 0) {
        c.lastError = rc;
        *result = false;
        return S_OK;
    }
    c.loaded = false;
    *result = true;
    return S_OK;
}

HRESULT CVolmarraCtrl::FindEntry(std::u16string name, ComPtr<IDispatch>* entry) {
    ControlCore& c = *core_;
    if (!c.loaded) {
        return raiseResult(kNwVolumeDoesNotExist);
    }
    const std::u16string& full = c.fullName;
    if (name.size() < full.size()) {
        return raiseResult(kNwInvalidEntryName);
    }
    // The full name must be followed by the end or a separator: \\FS1\SYSX is not in \\FS1\SYS.
    if (!startsWithIgnoreCase(name, full) ||
        (name.size() > full.size() && name[full.size()] != u'\\')) {
        return raiseResult(kIncompatibleEntry);
    }
    std::u16string rest =
        upperAscii(std::u16string_view(name).substr(std::min(name.size(), full.size() + 1)));
    if (!rest.empty() && rest.back() == u'\\') {
        rest.pop_back();
    }
    const auto components = splitEntryPath(rest, c.nameSpace);
    if (!components) {
        return raiseResult(kEntryNotFound);
    }
    const std::u16string internal = internalPathOf(c.volumeName, *components);
    EntryRecord r;
    const std::int32_t rc =
        c.net.entryInfo(c.conn, c.nameSpace, kSearchAny, netPathOf(internal), r);
    if (rc != 0) {
        c.lastError = rc;
        return raiseResult(kEntryNotFound);
    }
    return handOver(new NWEntry(core_, internal,
                                (r.attributes & kAttrDirectory) != 0 ? NETWAREDIR : NETWAREFILE),
                    entry);
}

HRESULT CVolmarraCtrl::AboutBox() {
    if (aboutBox_) {
        aboutBox_();
    }
    return S_OK;
}

// ---- Dispatch description -----------------------------------------------------------------------

const InterfaceDef<CVolmarraCtrl>& CVolmarraCtrl::dispatchInfo() {
    static const InterfaceDef<CVolmarraCtrl> def = [] {
        using C = CVolmarraCtrl;
        namespace id = dispid_control;
        InterfaceDef<C> d(DIID_DVolmarra, u"_DVolmarra", u"Dispatch interface for Volmarra Control",
                          vnk::com::TYPEFLAG_FDISPATCHABLE | vnk::com::TYPEFLAG_FHIDDEN);
        d.readOnlyRaises = true;
        d.propget<&C::get_FullName>(id::FullName, u"FullName", {},
                                    u"Name of the volume: \\\\SERVER\\VOLUME or "
                                    u"NDS:\\\\TREE\\CONTAINER\\...\\VOLUME");
        d.propput<&C::put_FullName>(id::FullName, u"FullName", {u"FullName"});
        d.propget<&C::get_ShortName>(id::ShortName, u"ShortName", {},
                                     u"Volume part of the name, upper case");
        d.propget<&C::get_Loaded>(id::Loaded, u"Loaded", {},
                                  u"True if the volume is mounted on its server");
        d.propget<&C::get_TotalSpace>(id::TotalSpace, u"TotalSpace", {}, u"Total space, KB");
        d.propget<&C::get_UsedSpace>(id::UsedSpace, u"UsedSpace", {}, u"Used space, KB");
        d.propget<&C::get_PurgeableSpace>(id::PurgeableSpace, u"PurgeableSpace", {},
                                          u"Space held by deleted files that can be purged, KB");
        d.propget<&C::get_LastModified>(id::LastModified, u"LastModified", {},
                                        u"Last modification of the volume's root");
        d.propget<&C::get_Removable>(id::Removable, u"Removable", {},
                                     u"True if the volume can be removed");
        d.propget<&C::get_NameSpaces>(
            id::NameSpaces, u"NameSpaces", {},
            u"Array of the names of the name spaces loaded on the volume");
        d.propget<&C::get_SpaceLimits>(id::SpaceLimits, u"SpaceLimits", {},
                                       u"Per-user space restrictions of the volume");
        d.propget<&C::get_Root>(id::Root, u"Root", {}, u"Root entry of the volume");
        d.propget<&C::get_UnusableSpace>(id::UnusableSpace, u"UnusableSpace", {},
                                         u"Bad (unusable) space, KB");
        d.propget<&C::get_Root>(id::Entry, u"Entry", {}, u"Root entry of the volume (as Root)");
        d.propget<&C::get_HostServer>(id::HostServer, u"HostServer", {}, u"Host server name");
        d.method<static_cast<HRESULT (C::*)(bool*)>(&C::Load)>(
            id::Load, u"Load", {}, u"Mounts the volume; true when it is mounted");
        d.method<&C::Unload>(id::Unload, u"Unload", {},
                             u"Dismounts the volume; true when it is dismounted");
        d.method<&C::FindEntry>(id::FindEntry, u"FindEntry", {u"FullName"},
                                u"Entry for a full path name below the volume's FullName");
        d.method<&C::AboutBox>(id::AboutBox, u"AboutBox", {}, u"Shows the about box");
        return d;
    }();
    return def;
}

// ---- Creation -----------------------------------------------------------------------------------

ComPtr<IDispatch> createControl(nw::Client& client) {
    return ComPtr<IDispatch>(static_cast<IDispatch*>(new CVolmarraCtrl(client)));
}

HRESULT createVolmarraCtrl(const vnk::com::IID& iid, void** out) {
    return vnk::com::createInstanceOf<CVolmarraCtrl>(iid, out);
}

}  // namespace volmarra

// The classes of the volume control's object model. Internal: containers reach them through
// IDispatch (and the control also through IVolmarraControl, volmarra.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core.h"
#include "platform/dispatch.h"
#include "platform/persist.h"
#include "volctl/errors.h"
#include "volctl/ids.h"
#include "volctl/volmarra.h"

namespace volmarra {

using vnk::com::Date;
using vnk::com::Dispatchable;
using vnk::com::InterfaceDef;
using vnk::com::Variant;

// Answers QueryInterface for the class's own dispatch interface identifier with its IDispatch.
template <class Derived>
class DispatchObject : public Dispatchable<Derived, IDispatch> {
public:
    HRESULT queryExtra(const vnk::com::IID& iid, void** out) {
        if (iid == Derived::dispatchInfo().iid) {
            *out = static_cast<IDispatch*>(this);
            this->AddRef();
            return vnk::win::S_OK;
        }
        return vnk::win::E_NOINTERFACE;
    }
};

class NWSpaceLimits;

// ---- The control --------------------------------------------------------------------------------
class CVolmarraCtrl final : public Dispatchable<CVolmarraCtrl, IDispatch, IVolmarraControl,
                                                vnk::com::IPersistPropertyBag> {
public:
    CVolmarraCtrl();  // on the process's client
    explicit CVolmarraCtrl(nw::Client& client);
    ~CVolmarraCtrl();
    static const InterfaceDef<CVolmarraCtrl>& dispatchInfo();
    HRESULT queryExtra(const vnk::com::IID& iid, void** out);

    HRESULT get_FullName(std::u16string* v);
    HRESULT put_FullName(std::u16string v);
    HRESULT get_ShortName(std::u16string* v);
    HRESULT get_Loaded(bool* v);
    HRESULT get_TotalSpace(std::int32_t* v);
    HRESULT get_UsedSpace(std::int32_t* v);
    HRESULT get_PurgeableSpace(std::int32_t* v);
    HRESULT get_LastModified(Date* v);
    HRESULT get_Removable(bool* v);
    HRESULT get_NameSpaces(Variant* v);
    HRESULT get_SpaceLimits(ComPtr<IDispatch>* v);
    HRESULT get_Root(ComPtr<IDispatch>* v);
    HRESULT get_UnusableSpace(std::int32_t* v);
    HRESULT get_HostServer(std::u16string* v);
    HRESULT Load(bool* result);
    HRESULT Unload(bool* result);
    HRESULT FindEntry(std::u16string name, ComPtr<IDispatch>* entry);
    HRESULT AboutBox();

    // IVolmarraControl
    void SetUserMode(bool userMode) override { core_->userMode = userMode; }
    bool UserMode() override { return core_->userMode; }
    void SetRestoring(bool restoring) override { core_->restoring = restoring; }
    bool Restoring() override { return core_->restoring; }
    void LoadPersistedFullName(const std::u16string& fullName) override;
    std::u16string PersistedFullName() override { return core_->fullName; }
    bool IsModified() override { return core_->modified; }
    void SetModified(bool modified) override { core_->modified = modified; }
    void SetAboutBoxHandler(std::function<void()> handler) override {
        aboutBox_ = std::move(handler);
    }
    void SetChangeHandler(std::function<void()> handler) override { changed_ = std::move(handler); }
    void SetInterfaceHook(std::function<void*(const vnk::com::IID&)> hook) override {
        interfaceHook_ = std::move(hook);
    }

    // IPersistPropertyBag: "_Version" (kPersistVersion) and "FullName".
    HRESULT InitNew() override;
    HRESULT Load(vnk::com::IPropertyBag* bag) override;
    HRESULT Save(vnk::com::IPropertyBag* bag, bool clearDirty, bool saveAllProperties) override;

private:
    // Applies the stored FullName: resolves, connects and reads the volume (steps 3 to 10).
    HRESULT apply();
    HRESULT resolveDirectoryName(const struct FullNameParts& parts, std::int32_t& rc);
    void resetAll();
    // A read of the volume's state: raises 0xCE15 without a name at run time, 0x8998 when
    // needsMounted and the volume is not loaded, and the read's own failure.
    template <class F>
    HRESULT volumeRead(bool needsMounted, F read);
    // A read of the volume's figures: use(figures, KB per block).
    template <class F>
    HRESULT withFigures(F use);
    // 0xCE15 at run time when no name is set.
    bool uninitialized() const { return core_->userMode && core_->fullName.empty(); }

    std::shared_ptr<ControlCore> core_;
    ComPtr<NWSpaceLimits> spaceLimits_;
    std::function<void()> aboutBox_;
    std::function<void()> changed_;
    std::function<void*(const vnk::com::IID&)> interfaceHook_;
};

// ---- Entries ------------------------------------------------------------------------------------
class NWEntry final : public DispatchObject<NWEntry>, public ControlLink {
public:
    NWEntry(std::weak_ptr<ControlCore> core, std::u16string internalPath, int type)
        : ControlLink(std::move(core)), path_(std::move(internalPath)), type_(type) {}
    // A deleted file holding the record of its scan.
    NWEntry(std::weak_ptr<ControlCore> core, std::u16string internalPath, DeletedRecord held)
        : ControlLink(std::move(core)),
          path_(std::move(internalPath)),
          type_(kDeletedFile),
          held_(std::move(held)) {}
    static const InterfaceDef<NWEntry>& dispatchInfo();

    HRESULT get_FullName(std::u16string* v);
    HRESULT get_ShortName(std::u16string* v);
    HRESULT get_Owner(std::u16string* v) { return readName(false, v); }
    HRESULT put_Owner(std::u16string v) { return writeName(false, v); }
    HRESULT get_Archiver(std::u16string* v) { return readName(true, v); }
    HRESULT put_Archiver(std::u16string v) { return writeName(true, v); }
    HRESULT get_Created(Date* v);
    HRESULT get_Children(ComPtr<IDispatch>* v);
    HRESULT get_Trustees(ComPtr<IDispatch>* v);
    HRESULT get_File(ComPtr<IDispatch>* v);
    HRESULT get_InheritedRights(ComPtr<IDispatch>* v);
    HRESULT get_Parent(ComPtr<IDispatch>* v);
    HRESULT get_LastModified(Date* v);
    HRESULT get_DeletedFiles(ComPtr<IDispatch>* v);
    HRESULT get_Size(std::int32_t* v);
    HRESULT put_Size(std::int32_t v);
    HRESULT get_LastArchived(Variant* v);
    HRESULT get_EntryType(std::int32_t* v);
    HRESULT put_EntryType(std::int32_t v);
    HRESULT Move(std::u16string destination, bool* result);
    HRESULT Copy(std::u16string destination);
    template <std::uint32_t Bit>
    HRESULT getAttribute(bool* v) {
        return readAttribute(Bit, v);
    }
    template <std::uint32_t Bit>
    HRESULT putAttribute(bool v) {
        return writeAttribute(Bit, v);
    }

    // For the other objects of the model.
    const std::u16string& internalPath() const { return path_; }
    int type() const { return type_; }
    const std::optional<DeletedRecord>& held() const { return held_; }
    // The entry information (the held record for a deleted file). Codes of the server.
    std::int32_t record(ControlCore& core, EntryRecord& r);
    HRESULT readAttribute(std::uint32_t bit, bool* v);
    HRESULT writeAttribute(std::uint32_t bit, bool v, std::uint16_t searchAttrs = 0x8006,
                           std::uint32_t alsoClear = 0);
    // Purges (purge = true) or salvages the deleted file this entry holds; a salvaged file comes
    // back under newName when one is given, else under its old name.
    HRESULT purgeOrSalvage(bool purge, bool* result, const std::u16string& newName = {});
    // Copies the live entry at `from` (a file or directory) to the new path `to`.
    std::int32_t copyEntry(ControlCore& core, const std::u16string& from, bool directory,
                           const std::u16string& to);

private:
    HRESULT readDate(int which, Date* v);
    HRESULT readName(bool archiver, std::u16string* v);
    HRESULT writeName(bool archiver, const std::u16string& v);
    HRESULT moveOrCopy(bool move, const std::u16string& destination, bool* result);

    std::u16string path_;
    int type_;
    std::optional<DeletedRecord> held_;
};

class NWEntries final : public DispatchObject<NWEntries>, public ControlLink {
public:
    NWEntries(std::weak_ptr<ControlCore> core, std::u16string parentPath)
        : ControlLink(std::move(core)), parent_(std::move(parentPath)) {}
    static const InterfaceDef<NWEntries>& dispatchInfo();

    // Fills the list with the sub-directories, then the files of the parent directory.
    HRESULT fillChildren(ControlCore& core);
    // Fills the list with the parent directory's salvageable deleted files.
    HRESULT fillDeleted(ControlCore& core);

    HRESULT get_Count(std::int32_t* v);
    HRESULT Item(Variant index, ComPtr<IDispatch>* item);
    HRESULT Add(std::u16string name, Variant type, ComPtr<IDispatch>* entry);
    HRESULT Remove(Variant index);
    HRESULT NewEnum(ComPtr<vnk::com::IUnknown>* e);

private:
    // The position of the entry an index names; -1 when none.
    std::int64_t find(const Variant& index, bool& wasInteger) const;

    std::u16string parent_;
    std::vector<ComPtr<NWEntry>> items_;
};

class NWFile final : public DispatchObject<NWFile>, public ControlLink {
public:
    NWFile(std::weak_ptr<ControlCore> core, ComPtr<NWEntry> entry)
        : ControlLink(std::move(core)), entry_(std::move(entry)) {}
    static const InterfaceDef<NWFile>& dispatchInfo();

    HRESULT get_Length(std::int32_t* v);
    HRESULT put_ImmediateCompress(bool v);
    HRESULT get_LastAccessed(Date* v);
    HRESULT get_MarkedForDeletion(bool* v);
    HRESULT Close(bool* result);
    HRESULT Open(bool* result);
    HRESULT Purge(bool* result) { return entry_->purgeOrSalvage(true, result); }
    HRESULT Salvage(std::optional<std::u16string> newName, bool* result) {
        return entry_->purgeOrSalvage(false, result, newName.value_or(u""));
    }
    HRESULT Seek(std::int32_t bytes);
    HRESULT Read(vnk::com::OutOnly<Variant> data, std::int32_t bytes, std::int32_t* count);
    HRESULT Write(Variant* data, std::int32_t bytes, std::int32_t* count);
    template <std::uint32_t Bit>
    HRESULT getAttribute(bool* v) {
        return entry_->readAttribute(Bit, v);
    }
    template <std::uint32_t Bit>
    HRESULT putAttribute(bool v) {
        return entry_->writeAttribute(Bit, v, 0x8016);
    }

private:
    ComPtr<NWEntry> entry_;
};

// ---- Trustees, rights, space limits
// --------------------------------------------------------------
class NWTrustee final : public DispatchObject<NWTrustee>, public ControlLink {
public:
    NWTrustee(std::weak_ptr<ControlCore> core, std::u16string entryPath, std::uint32_t id,
              std::uint16_t rights, std::u16string fullName, std::u16string shortName)
        : ControlLink(std::move(core)),
          entryPath_(std::move(entryPath)),
          id_(id),
          rights_(rights),
          fullName_(std::move(fullName)),
          shortName_(std::move(shortName)) {}
    static const InterfaceDef<NWTrustee>& dispatchInfo();

    HRESULT get_EffectiveRights(ComPtr<IDispatch>* v);
    HRESULT get_FullName(std::u16string* v);
    HRESULT get_ShortName(std::u16string* v);

    std::uint32_t id() const { return id_; }
    std::uint16_t rights() const { return rights_; }
    // Assigns the trustee the new rights word on its entry; keeps it when that works.
    std::int32_t assign(std::uint16_t rights);

private:
    std::u16string entryPath_;
    std::uint32_t id_;
    std::uint16_t rights_;
    std::u16string fullName_;
    std::u16string shortName_;
};

class NWTrustees final : public DispatchObject<NWTrustees>, public ControlLink {
public:
    NWTrustees(std::weak_ptr<ControlCore> core, std::u16string entryPath)
        : ControlLink(std::move(core)), entryPath_(std::move(entryPath)) {}
    static const InterfaceDef<NWTrustees>& dispatchInfo();

    HRESULT fill(ControlCore& core);

    HRESULT get_Count(std::int32_t* v);
    HRESULT Add(std::u16string name, ComPtr<IDispatch>* trustee);
    HRESULT Remove(Variant index);
    HRESULT Item(Variant index, ComPtr<IDispatch>* item);
    HRESULT NewEnum(ComPtr<vnk::com::IUnknown>* e);

private:
    // Finds the trustee an index names (position or name); raises 0x89FE when there is none.
    HRESULT find(ControlCore& core, const Variant& index, ComPtr<NWTrustee>& out);

    std::u16string entryPath_;
    std::vector<ComPtr<NWTrustee>> items_;
};

class NWRights final : public DispatchObject<NWRights>, public ControlLink {
public:
    // Neither mode: reads false, ignores writes.
    NWRights() : ControlLink({}) {}
    // Trustee mode: the bits of the trustee's rights word.
    explicit NWRights(std::weak_ptr<ControlCore> core, ComPtr<NWTrustee> trustee)
        : ControlLink(std::move(core)), trustee_(std::move(trustee)) {}
    // Inherited mode: the bits of the entry's inherited rights mask.
    NWRights(std::weak_ptr<ControlCore> core, std::u16string entryPath)
        : ControlLink(std::move(core)), entryPath_(std::move(entryPath)), inherited_(true) {}
    static const InterfaceDef<NWRights>& dispatchInfo();

    template <std::uint16_t Bit>
    HRESULT get(bool* v) {
        return read(Bit, v);
    }
    template <std::uint16_t Bit>
    HRESULT put(bool v) {
        return write(Bit, v);
    }

private:
    HRESULT read(std::uint16_t bit, bool* v);
    HRESULT write(std::uint16_t bit, bool v);

    ComPtr<NWTrustee> trustee_;
    std::u16string entryPath_;
    bool inherited_ = false;
};

class NWSpaceLimit final : public DispatchObject<NWSpaceLimit>, public ControlLink {
public:
    NWSpaceLimit(std::weak_ptr<ControlCore> core, std::uint32_t id, std::u16string fullName,
                 std::u16string shortName, std::int32_t totalKb)
        : ControlLink(std::move(core)),
          id_(id),
          fullName_(std::move(fullName)),
          shortName_(std::move(shortName)),
          totalKb_(totalKb) {}
    static const InterfaceDef<NWSpaceLimit>& dispatchInfo();

    HRESULT get_FullName(std::u16string* v);
    HRESULT get_ShortName(std::u16string* v);
    HRESULT get_UsedSpace(std::int32_t* v);
    HRESULT get_TotalSpace(std::int32_t* v);
    HRESULT put_TotalSpace(std::int32_t v);
    HRESULT ChangeTotalSpace(std::int32_t amount, bool* result);

    std::uint32_t id() const { return id_; }

private:
    std::uint32_t id_;
    std::u16string fullName_;
    std::u16string shortName_;
    std::int32_t totalKb_;
};

class NWSpaceLimits final : public DispatchObject<NWSpaceLimits>, public ControlLink {
public:
    explicit NWSpaceLimits(std::weak_ptr<ControlCore> core) : ControlLink(std::move(core)) {}
    static const InterfaceDef<NWSpaceLimits>& dispatchInfo();

    HRESULT fill(ControlCore& core);

    HRESULT get_Count(std::int32_t* v);
    HRESULT Add(std::u16string user, std::int32_t totalSpace, ComPtr<IDispatch>* limit);
    HRESULT Remove(Variant index);
    HRESULT Item(Variant index, ComPtr<IDispatch>* item);
    HRESULT NewEnum(ComPtr<vnk::com::IUnknown>* e);

private:
    // The position an index names; raises 0xCE10 (position) or the lookup's error (name).
    HRESULT find(ControlCore& core, const Variant& index, std::size_t& at, std::uint32_t& id);

    std::vector<ComPtr<NWSpaceLimit>> items_;
};

// ---- Shared helpers -----------------------------------------------------------------------------

// CEnumVariant: the variant enumerator over one variant per object of a collection, each holding
// its own reference (the runtime's EnumVariant, which owns the array and clears it when the
// last enumerator goes).
template <class T>
ComPtr<vnk::com::IUnknown> CEnumVariant(const std::vector<ComPtr<T>>& items) {
    std::vector<Variant> array;
    array.reserve(items.size());
    for (const ComPtr<T>& item : items) {
        array.emplace_back(static_cast<IDispatch*>(item.get()));
    }
    ComPtr<vnk::com::IEnumVARIANT> e = vnk::com::EnumVariant::create(std::move(array));
    return ComPtr<vnk::com::IUnknown>(e.get());
}

// An integer index (any integer type, also by reference); nullopt for other types.
std::optional<std::int64_t> integerIndex(const Variant& index);

// Sets or clears `bit` in `word`.
template <class T>
T withBit(T word, T bit, bool on) {
    return on ? static_cast<T>(word | bit) : static_cast<T>(word & ~bit);
}

// Fills a new collection and hands it over with its one reference; a failing fill passes its
// error on and the collection goes.
template <class T, class Fill>
HRESULT handOverFilled(T* list, Fill fill, ComPtr<IDispatch>* out) {
    ComPtr<T> held(list);
    if (const HRESULT hr = fill(*held); FAILED(hr)) {
        return hr;
    }
    *out = ComPtr<IDispatch>(static_cast<IDispatch*>(held.get()));
    return vnk::win::S_OK;
}

// The members every collection of the control has: Count, Add, Remove, Item (also the default
// member) and the hidden _NewEnum.
struct CollectionHelp {
    std::u16string count, add, remove, item;
};
template <class L>
InterfaceDef<L> collectionDef(const vnk::com::IID& iid, std::u16string name, std::u16string help,
                              std::initializer_list<std::u16string> addParams,
                              const CollectionHelp& h) {
    namespace id = dispid_collection;
    InterfaceDef<L> d(iid, std::move(name), std::move(help));
    d.readOnlyRaises = true;
    d.template propget<&L::get_Count>(id::Count, u"Count", {}, h.count);
    d.template method<&L::Add>(id::Add, u"Add", addParams, h.add);
    d.template method<&L::Remove>(id::Remove, u"Remove", {u"Index"}, h.remove);
    d.template method<&L::Item>(id::Item, u"Item", {u"Index"}, h.item);
    d.template method<&L::Item>(vnk::com::DISPID_VALUE, u"Item", {u"Index"},
                                h.item + u" (default member)");
    d.template method<&L::NewEnum>(id::NewEnum, u"_NewEnum", {}, u"Enumerates the items (For Each)",
                                   vnk::com::FUNCFLAG_FHIDDEN);
    return d;
}

// Sets `*out` to a new object, handed over with its single reference.
template <class T>
HRESULT handOver(T* object, ComPtr<IDispatch>* out) {
    *out = ComPtr<IDispatch>(static_cast<IDispatch*>(object));
    return vnk::win::S_OK;
}

}  // namespace volmarra

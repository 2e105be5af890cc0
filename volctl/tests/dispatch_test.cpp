// The control's dispatch interfaces as scripts and containers see them, before any volume is
// reached: type information, read-only properties, the uninitialised control, design mode and
// restoring, objects that outlive their control.
#include <gtest/gtest.h>

#include <set>

#include "netclient/testing/doors.h"
#include "script.h"
#include "volctl/errors.h"
#include "volctl/volmarra.h"
#include "volume.h"

namespace volmarra {
namespace {

using namespace volmarra::testing;
using vnk::com::InterfaceInfo;
using vnk::com::InvokeKind;

constexpr const char* kNetwork = R"({
  "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
  "servers": [ { "name": "FS1", "users": ["ADMIN"], "volumes": [ { "name": "SYS" } ] } ]
})";

class ControlTest : public ::testing::TestWithParam<nw::testnet::Door> {
protected:
    void TearDown() override {
        container.reset();
        control.reset();
        expectAllReleased(*net);
    }
    std::unique_ptr<nw::testnet::DoorNetwork> net =
        nw::testnet::DoorNetwork::open(GetParam(), kNetwork, {"volumes/FS1/SYS/"});
    ComPtr<IDispatch> control = createControl(net->client());
    ComPtr<IVolmarraControl> container = control.as<IVolmarraControl>();
};

const InterfaceInfo* findInterface(std::u16string_view name) {
    for (const InterfaceInfo* i : typeLib().interfaces) {
        if (i->name == name) {
            return i;
        }
    }
    return nullptr;
}

TEST(TypeLibrary, MembersInDispatchIdentifierOrder) {
    const auto& lib = typeLib();
    EXPECT_EQ(lib.name, u"VolmarraLib");
    EXPECT_EQ(lib.major, 1);
    EXPECT_EQ(lib.minor, 3);
    const std::vector<std::pair<std::u16string_view, std::vector<std::u16string_view>>> expected{
        {u"_DVolmarra",
         {u"FullName", u"ShortName", u"Loaded", u"TotalSpace", u"UsedSpace", u"PurgeableSpace",
          u"LastModified", u"Removable", u"NameSpaces", u"SpaceLimits", u"Root", u"UnusableSpace",
          u"Entry", u"HostServer", u"Load", u"Unload", u"FindEntry"}},
        {u"INWEntry", {u"FullName",          u"ShortName",    u"Owner",        u"Archiver",
                       u"Created",           u"Children",     u"Trustees",     u"File",
                       u"InheritanceFilter", u"Parent",       u"LastModified", u"ReadOnly",
                       u"Archive",           u"Hidden",       u"System",       u"Execute",
                       u"DeleteInhibit",     u"DeletedFiles", u"Size",         u"LastArchived",
                       u"Entries",           u"EntryType",    u"Move",         u"Copy"}},
        {u"INWFile",
         {u"Length",
          u"Compressed",
          u"CopyInhibit",
          u"DontCompress",
          u"DontMigrate",
          u"DontSuballocate",
          u"ImmediateCompress",
          u"ImmediatePurge",
          u"LastAccessed",
          u"MarkedForDeletion",
          u"Migrated",
          u"RenameInhibit",
          u"Shareable",
          u"Transactional",
          u"CantCompress",
          u"Close",
          u"Open",
          u"Purge",
          u"Salvage",
          u"Seek",
          u"Read",
          u"Write"}},
        {u"INWTrustee", {u"EffectiveRights", u"FullName", u"ShortName"}},
        {u"INWRights",
         {u"Supervisor", u"Read", u"Write", u"Create", u"Modify", u"Scan", u"Erase",
          u"AccessControl"}},
        {u"INWSpaceLimit",
         {u"FullName", u"ShortName", u"UsedSpace", u"TotalSpace", u"ChangeTotalSpace"}},
        {u"INWEntries", {u"Count", u"Add", u"Remove", u"Item"}},
        {u"INWTrustees", {u"Count", u"Add", u"Remove", u"Item"}},
        {u"INWSpaceLimits", {u"Count", u"Add", u"Remove", u"Item"}},
    };
    for (const auto& [name, members] : expected) {
        const InterfaceInfo* info = findInterface(name);
        ASSERT_NE(info, nullptr) << utf8(name);
        // The visible, positively numbered members, once each, by identifier.
        std::vector<std::u16string_view> seen;
        std::set<vnk::com::DISPID> ids;
        for (const auto& m : info->members) {
            if (m.id > 0 && (m.flags & vnk::com::FUNCFLAG_FHIDDEN) == 0 &&
                ids.insert(m.id).second) {
                seen.push_back(m.name);
                EXPECT_EQ(m.id, static_cast<vnk::com::DISPID>(seen.size())) << utf8(m.name);
            }
            EXPECT_FALSE(m.help.empty() && m.kind != InvokeKind::PropertyPut &&
                         m.id != vnk::com::DISPID_NEWENUM)
                << utf8(m.name);
        }
        EXPECT_EQ(seen, members) << utf8(name);
    }
    EXPECT_EQ(findInterface(u"_DVolmarra")->idOfName(u"AboutBox"), -552);
    for (std::u16string_view collection : {u"INWEntries", u"INWTrustees", u"INWSpaceLimits"}) {
        const InterfaceInfo* info = findInterface(collection);
        EXPECT_EQ(info->idOfName(u"Item"), 4) << "the named form answers by name";
        EXPECT_EQ(info->idOfName(u"_NewEnum"), vnk::com::DISPID_NEWENUM);
        bool defaultItem = false;
        for (const auto& m : info->members) {
            defaultItem |= m.id == vnk::com::DISPID_VALUE && m.name == u"Item";
            if (m.id == vnk::com::DISPID_NEWENUM) {
                EXPECT_NE(m.flags & vnk::com::FUNCFLAG_FHIDDEN, 0);
            }
        }
        EXPECT_TRUE(defaultItem) << utf8(collection);
    }
    // The entry answers its inherited rights under both names.
    EXPECT_EQ(findInterface(u"INWEntry")->idOfName(u"InheritedRights"), 9);
    ASSERT_EQ(lib.coclasses.size(), 1u);
    EXPECT_EQ(lib.coclasses[0].name, u"Volmarra");
    EXPECT_EQ(lib.coclasses[0].interfaces.size(), 2u);
    ASSERT_EQ(lib.enums.size(), 1u);
    EXPECT_EQ(lib.enums[0].name, u"NWEntryType");
}

TEST_P(ControlTest, ReadOnlyPropertiesRefuseWrites) {
    for (std::u16string_view name :
         {u"ShortName", u"Loaded", u"TotalSpace", u"Root", u"HostServer", u"NameSpaces"}) {
        const Outcome o = tryPut(control, name, Variant(std::int32_t{1}));
        EXPECT_EQ(o.code(), vnk::win::CTL_E_SETNOTSUPPORTED) << utf8(name);
    }
}

TEST_P(ControlTest, WithoutANameEveryReadRaisesNotInitialized) {
    EXPECT_EQ(getText(control, u"FullName"), u"");
    for (std::u16string_view name :
         {u"ShortName", u"Loaded", u"TotalSpace", u"UsedSpace", u"PurgeableSpace", u"LastModified",
          u"Removable", u"NameSpaces", u"SpaceLimits", u"Root", u"UnusableSpace", u"Entry",
          u"HostServer"}) {
        const Outcome o = tryCall(control, name);
        EXPECT_EQ(o.code(), kNotInitialized) << utf8(name);
        EXPECT_EQ(o.text(), "Control not initialized.");
        EXPECT_EQ(o.excep.helpContext, -1);
    }
    EXPECT_EQ(tryCall(control, u"FindEntry", {Variant(u"\\\\FS1\\SYS\\A")}).code(),
              kNwVolumeDoesNotExist);
}

TEST_P(ControlTest, ADotIsRefusedAtRunTimeAndDroppedAtDesignTime) {
    const Outcome o = tryPut(control, u"FullName", Variant(u"\\\\FS1\\SYS.X"));
    EXPECT_EQ(o.code(), kInvalidNameFormat);
    EXPECT_EQ(o.text(), "Invalid name format");

    container->SetUserMode(false);
    put(control, u"FullName", Variant(u"\\\\FS1\\SYS.X"));
    EXPECT_EQ(getText(control, u"FullName"), u"");
    // Design mode: nothing is resolved, reads give what the control holds.
    put(control, u"FullName", Variant(u"\\\\fs1\\sys"));
    EXPECT_EQ(getText(control, u"FullName"), u"\\\\fs1\\sys");
    EXPECT_EQ(getText(control, u"ShortName"), u"SYS");
    EXPECT_FALSE(getBool(control, u"Loaded"));
    EXPECT_TRUE(container->IsModified());
}

TEST_P(ControlTest, RestoringDropsABadNameSilently) {
    int changes = 0;
    container->SetChangeHandler([&] { ++changes; });
    container->LoadPersistedFullName(u"\\\\FS1\\A.B");
    EXPECT_EQ(container->PersistedFullName(), u"");
    EXPECT_FALSE(container->Restoring());
    EXPECT_EQ(changes, 1);
    container->LoadPersistedFullName(u"\\\\NOSUCH\\SYS");
    EXPECT_EQ(container->PersistedFullName(), u"");
}

TEST_P(ControlTest, AChangeHandlerThatReadsTheControlKeepsTheRaisedError) {
    // The control's window reads FullName again after every write.
    container->SetChangeHandler([&] { get(control, u"FullName"); });
    const Outcome o = tryPut(control, u"FullName", Variant(u"\\\\FS1\\SYS.X"));
    EXPECT_EQ(o.code(), kInvalidNameFormat);
    EXPECT_EQ(o.text(), "Invalid name format");
    EXPECT_TRUE(tryPut(control, u"FullName", Variant(u"")).ok());
}

TEST_P(ControlTest, AboutBoxCallsTheContainer) {
    int shown = 0;
    EXPECT_TRUE(tryCall(control, u"AboutBox").ok());
    container->SetAboutBoxHandler([&] { ++shown; });
    EXPECT_TRUE(tryCall(control, u"AboutBox").ok());
    EXPECT_EQ(shown, 1);
}

// What the control's window adds: an interface whose IUnknown is the control's.
struct Extra : vnk::com::IUnknown {
    static constexpr vnk::com::IID iid =
        vnk::com::makeGuid("{0B6C7E1A-2F43-4C55-9E0D-6A1B2C3D4E5F}");
    IUnknown* owner = nullptr;
    vnk::win::HRESULT QueryInterface(const vnk::com::IID& i, void** out) override {
        return owner->QueryInterface(i, out);
    }
    vnk::com::ULONG AddRef() override { return owner->AddRef(); }
    vnk::com::ULONG Release() override { return owner->Release(); }
};

TEST_P(ControlTest, TheInterfaceHookAddsInterfacesOfTheSameObject) {
    Extra extra;
    extra.owner = control.get();
    container->SetInterfaceHook(
        [&](const vnk::com::IID& iid) -> void* { return iid == Extra::iid ? &extra : nullptr; });
    void* got = nullptr;
    ASSERT_EQ(control->QueryInterface(Extra::iid, &got), vnk::win::S_OK);
    EXPECT_EQ(got, &extra);
    ComPtr<vnk::com::IUnknown> back;
    ASSERT_EQ(extra.QueryInterface(vnk::com::IUnknown::iid, back.putVoid()), vnk::win::S_OK);
    ComPtr<vnk::com::IUnknown> identity;
    control->QueryInterface(vnk::com::IUnknown::iid, identity.putVoid());
    EXPECT_EQ(back.get(), identity.get()) << "one object, one identity";
    extra.Release();
    void* none = nullptr;
    EXPECT_EQ(control->QueryInterface(vnk::com::makeGuid("{11111111-2222-3333-4444-555555555555}"),
                                      &none),
              vnk::win::E_NOINTERFACE);
}

TEST_P(ControlTest, ObjectsThatOutliveTheControlRaiseNotInitialized) {
    container->SetUserMode(false);
    put(control, u"FullName", Variant(u"\\\\FS1\\SYS"));
    const ComPtr<IDispatch> root = getObject(control, u"Root");
    const ComPtr<IDispatch> rights = getObject(root, u"InheritedRights");
    const ComPtr<IDispatch> file = getObject(root, u"File");
    EXPECT_FALSE(file) << "a directory has no file object";
    container.reset();
    control.reset();
    for (std::u16string_view name : {u"FullName", u"Children", u"ReadOnly", u"Size", u"Trustees"}) {
        EXPECT_EQ(tryCall(root, name).code(), kNotInitialized) << utf8(name);
    }
    EXPECT_EQ(tryCall(rights, u"Read").code(), kNotInitialized);
    EXPECT_EQ(tryPut(root, u"Hidden", Variant(true)).code(), kNotInitialized);
    EXPECT_TRUE(tryCall(root, u"ShortName").ok()) << "what an entry keeps stays readable";
}

TEST_P(ControlTest, ContainersReachTheControlThroughItsInterfaces) {
    ComPtr<IDispatch> viaDiid;
    ASSERT_EQ(control->QueryInterface(DIID_DVolmarra, viaDiid.putVoid()), vnk::win::S_OK);
    EXPECT_EQ(viaDiid.get(), control.get());
    ASSERT_TRUE(container);
    EXPECT_TRUE(container->UserMode()) << "scripts get user mode";
}

INSTANTIATE_TEST_SUITE_P(Doors, ControlTest, nw::testnet::kBothDoors, nw::testnet::doorName);

}  // namespace
}  // namespace volmarra

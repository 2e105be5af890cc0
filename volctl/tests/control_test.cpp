// The control object on a simulated server: naming and connecting, the volume's figures, name
// spaces, mounting, FindEntry, and the directory form of the name.
#include <gtest/gtest.h>

#include "netclient/fault.h"
#include "platform/persist.h"
#include "volctl/errors.h"
#include "volume.h"

namespace volmarra {
namespace {

using namespace volmarra::testing;

using ControlOnVolume = VolumeFixture;

TEST_P(ControlOnVolume, ServerFormNamesServerAndVolume) {
    EXPECT_EQ(getText(control, u"ShortName"), u"SYS");
    EXPECT_EQ(getText(control, u"HostServer"), u"FS1");
    EXPECT_TRUE(getBool(control, u"Loaded"));
    const ComPtr<IDispatch> lower = named(u"\\\\fs1\\sys");
    EXPECT_EQ(getText(lower, u"ShortName"), u"SYS");
    EXPECT_EQ(getText(lower, u"HostServer"), u"FS1") << "server names are upper case";
    EXPECT_EQ(getText(lower, u"FullName"), u"\\\\fs1\\sys") << "kept as set";
}

TEST_P(ControlOnVolume, SpaceFiguresInKilobytes) {
    // 8 sectors of 512 bytes: 4 KB per block.
    EXPECT_EQ(getInt(control, u"TotalSpace"), 4000);
    EXPECT_EQ(getInt(control, u"UsedSpace"), 2400);
    EXPECT_GE(getInt(control, u"PurgeableSpace"), 40);
    EXPECT_EQ(getInt(control, u"UnusableSpace"), 3);
    EXPECT_TRUE(getBool(control, u"Removable"));
    EXPECT_EQ(getInt(entry(u""), u"Size"), 4000) << "the root's Size is the total space";
    const Variant spaces = get(control, u"NameSpaces");
    ASSERT_TRUE(spaces.isArray());
    ASSERT_EQ(spaces.arrayVal()->elements.size(), 2u);
    EXPECT_EQ(spaces.arrayVal()->elements[0].bstr(), u"DOS");
    EXPECT_EQ(spaces.arrayVal()->elements[1].bstr(), u"Long Filename");
    EXPECT_GT(get(control, u"LastModified").realVal(), 0.0);
}

TEST_P(ControlOnVolume, FiguresSaturateInsteadOfWrapping) {
    nw::FaultInjectingClient faulty(net->client());
    faulty.replace<nw::Op::GetVolumeStats>(
        [&](nw::NWCONN_HANDLE c, nw::nuint16 n, nw::VOLUME_STATS* s) {
            const nw::NWCCODE rc = faulty.inner().GetVolumeStats(c, n, s);
            s->totalBlocks = 0xFFFFFFFF;
            s->sectorsPerBlock = 128;  // 64 KB per block
            return rc;
        });
    ComPtr<IDispatch> big = createControl(faulty);
    put(big, u"FullName", Variant(u"\\\\FS1\\SYS"));
    EXPECT_EQ(getInt(big, u"TotalSpace"), 0x7FFFFFFF);
    EXPECT_EQ(getInt(big, u"UsedSpace"), 0x7FFFFFFF);
}

TEST_P(ControlOnVolume, UnmountedVolumeLoadsOnRequest) {
    const ComPtr<IDispatch> data = named(u"\\\\FS1\\DATA");
    EXPECT_FALSE(getBool(data, u"Loaded"));
    EXPECT_EQ(tryCall(data, u"TotalSpace").code(), kNwVolumeDoesNotExist)
        << "never the figures of another volume";
    EXPECT_EQ(tryCall(data, u"SpaceLimits").code(), kNwVolumeDoesNotExist);
    EXPECT_EQ(tryCall(data, u"FindEntry", {Variant(u"\\\\FS1\\DATA\\X")}).code(),
              kNwVolumeDoesNotExist);
    EXPECT_TRUE(getBool(data, u"Load"));
    EXPECT_TRUE(getBool(data, u"Loaded"));
    EXPECT_TRUE(getBool(data, u"Load")) << "loaded already";
    EXPECT_TRUE(getBool(data, u"Unload"));
    EXPECT_FALSE(getBool(data, u"Loaded"));
    EXPECT_TRUE(getBool(data, u"Unload")) << "not loaded already";
}

TEST_P(ControlOnVolume, NameSpaceFollowsTheVolume) {
    // DOS only: 8.3 names; the long name is not found.
    const ComPtr<IDispatch> dos = named(u"\\\\FS1\\DOSV");
    const ComPtr<IDispatch> readme =
        getObject(dos, u"FindEntry", {Variant(u"\\\\FS1\\DOSV\\README.TXT")});
    EXPECT_EQ(getInt(readme, u"EntryType"), 1);
    EXPECT_EQ(tryCall(dos, u"FindEntry", {Variant(u"\\\\FS1\\DOSV\\Long Name.txt")}).code(),
              kEntryNotFound);
    // Neither DOS nor long names: name space 3 for every path, which this volume refuses.
    nw::FaultInjectingClient macOnly(net->client());
    macOnly.replace<nw::Op::GetVolumeNameSpaces>(
        [](nw::NWCONN_HANDLE, nw::nuint16, nw::nuint8* count, nw::nuint8* list) {
            *count = 1;
            list[0] = nw::NW_NS_MAC;
            return nw::NWCCODE{0};
        });
    ComPtr<IDispatch> mac = createControl(macOnly);
    put(mac, u"FullName", Variant(u"\\\\FS1\\SYS"));
    EXPECT_TRUE(getBool(mac, u"Loaded"));
    EXPECT_EQ(tryCall(getObject(mac, u"Root"), u"Children").code(), 0x89BF);
    mac.reset();
    // Long names through the control's name space.
    EXPECT_EQ(getText(entry(u"PUBLIC\\Long Name Document.txt"), u"ShortName"),
              u"LONG NAME DOCUMENT.TXT");
}

TEST_P(ControlOnVolume, FindEntryChecksTheName) {
    EXPECT_EQ(getInt(entry(u"PUBLIC"), u"EntryType"), 0);
    EXPECT_EQ(getInt(entry(u"PUBLIC\\LOGIN.EXE"), u"EntryType"), 1);
    EXPECT_EQ(getText(entry(u"public\\login.exe"), u"FullName"),
              u"\\\\FS1\\SYS\\PUBLIC\\LOGIN.EXE");
    const auto find = [&](std::u16string_view name) {
        return tryCall(control, u"FindEntry", {Variant(name)});
    };
    EXPECT_EQ(find(u"\\\\FS1\\SY").code(), kNwInvalidEntryName) << "shorter than FullName";
    EXPECT_EQ(find(u"\\\\FS2\\SYS\\PUBLIC").code(), kIncompatibleEntry);
    EXPECT_EQ(find(u"\\\\FS1\\SYSX\\A").code(), kIncompatibleEntry) << "no separator after it";
    EXPECT_EQ(find(u"\\\\FS1\\SYS\\NOSUCH").code(), kEntryNotFound);
    EXPECT_EQ(find(u"\\\\FS1\\SYS\\..\\..\\etc").code(), kEntryNotFound);
    EXPECT_EQ(find(u"\\\\FS1\\SYS\\PUBLIC\\\\LOGIN.EXE").code(), kEntryNotFound);
    EXPECT_EQ(getText(getObject(control, u"FindEntry", {Variant(u"\\\\FS1\\SYS")}), u"FullName"),
              u"\\\\FS1\\SYS");
    EXPECT_EQ(getText(getObject(control, u"FindEntry", {Variant(u"\\\\fs1\\sys\\")}), u"FullName"),
              u"\\\\FS1\\SYS");
}

TEST_P(ControlOnVolume, ConnectionFailuresRaiseTheirCodes) {
    ComPtr<IDispatch> c = createControl(net->client());
    Outcome o = tryPut(c, u"FullName", Variant(u"\\\\NOSUCH\\SYS"));
    EXPECT_EQ(o.code(), kNwNoSuchObject);
    EXPECT_EQ(o.text(), "No such object available");
    EXPECT_EQ(o.excep.helpContext, -1);
    EXPECT_FALSE(getBool(c, u"Loaded"));
    // A volume the server does not have is no error: it is just not loaded.
    put(c, u"FullName", Variant(u"\\\\FS1\\NOVOL"));
    EXPECT_FALSE(getBool(c, u"Loaded"));
    EXPECT_FALSE(getBool(c, u"Load")) << "mounting a volume that does not exist fails quietly";
}

TEST_P(ControlOnVolume, ChangingTheNameResetsTheVolume) {
    put(control, u"FullName", Variant(u"\\\\FS1\\DATA"));
    EXPECT_FALSE(getBool(control, u"Loaded"));
    put(control, u"FullName", Variant(u""));
    EXPECT_EQ(tryCall(control, u"Loaded").code(), kNotInitialized);
    put(control, u"FullName", Variant(u"\\\\FS1\\SYS"));
    EXPECT_TRUE(getBool(control, u"Loaded"));
    EXPECT_EQ(net->openHandleCount(), 1u) << "one connection per control";
}

TEST_P(ControlOnVolume, RestoringAnUnreachableNameDropsIt) {
    ComPtr<IDispatch> c = createControl(net->client());
    c.as<IVolmarraControl>()->LoadPersistedFullName(u"\\\\NOSUCH\\SYS");
    EXPECT_EQ(getText(c, u"FullName"), u"");
    c.as<IVolmarraControl>()->LoadPersistedFullName(u"\\\\FS1\\SYS");
    EXPECT_TRUE(getBool(c, u"Loaded"));
}

// Saves the control's properties into a new bag.
ComPtr<vnk::com::PropertyBag> saved(const ComPtr<IDispatch>& c, bool clearDirty = true) {
    ComPtr<vnk::com::PropertyBag> bag(new vnk::com::PropertyBag);
    EXPECT_EQ(c.as<vnk::com::IPersistPropertyBag>()->Save(bag.get(), clearDirty, false),
              vnk::win::S_OK);
    return bag;
}

TEST_P(ControlOnVolume, FullNameIsSavedAndRestoredWithItsVersion) {
    const ComPtr<vnk::com::PropertyBag> bag = saved(control);
    Variant version;
    ASSERT_EQ(bag->Read(u"_version", &version), vnk::win::S_OK);
    EXPECT_EQ(version.asInt32().value_or(0), 0x10003);
    EXPECT_FALSE(control.as<IVolmarraControl>()->IsModified()) << "saving cleared the flag";

    ComPtr<IDispatch> restored = createControl(net->client());
    ASSERT_EQ(restored.as<vnk::com::IPersistPropertyBag>()->Load(bag.get()), vnk::win::S_OK);
    EXPECT_EQ(getText(restored, u"FullName"), u"\\\\FS1\\SYS");
    EXPECT_TRUE(getBool(restored, u"Loaded"));
    EXPECT_FALSE(restored.as<IVolmarraControl>()->Restoring());
    EXPECT_FALSE(restored.as<IVolmarraControl>()->IsModified()) << "as loaded, nothing to save";
}

TEST_P(ControlOnVolume, RestoringABadOrUnreachableNameDropsItSilently) {
    for (std::u16string_view bad : {u"\\\\FS1\\SYS.OLD", u"\\\\NOSUCH\\SYS", u"FS1/SYS"}) {
        ComPtr<vnk::com::PropertyBag> bag(new vnk::com::PropertyBag);
        bag->Write(u"_Version", Variant(std::int32_t{0x10003}));
        bag->Write(u"FullName", Variant(bad));
        ComPtr<IDispatch> c = createControl(net->client());
        EXPECT_EQ(c.as<vnk::com::IPersistPropertyBag>()->Load(bag.get()), vnk::win::S_OK);
        EXPECT_EQ(getText(c, u"FullName"), u"") << utf8(bad);
        EXPECT_EQ(tryCall(c, u"Loaded").code(), kNotInitialized) << "no connection kept";
    }
    EXPECT_EQ(net->openHandleCount(), 1u) << "only the fixture's control is connected";
}

TEST_P(ControlOnVolume, AnEmptyBagOrInitNewGiveTheDefaults) {
    ComPtr<vnk::com::PropertyBag> empty(new vnk::com::PropertyBag);
    ComPtr<IDispatch> c = createControl(net->client());
    put(c, u"FullName", Variant(u"\\\\FS1\\SYS"));
    EXPECT_EQ(c.as<vnk::com::IPersistPropertyBag>()->Load(empty.get()), vnk::win::S_OK);
    EXPECT_EQ(getText(c, u"FullName"), u"");
    put(c, u"FullName", Variant(u"\\\\FS1\\SYS"));
    EXPECT_EQ(c.as<vnk::com::IPersistPropertyBag>()->InitNew(), vnk::win::S_OK);
    EXPECT_EQ(getText(c, u"FullName"), u"");
    EXPECT_EQ(c.as<vnk::com::IPersistPropertyBag>()->Load(nullptr), vnk::win::E_POINTER);
    // Saving an empty name keeps the version, so it loads back as empty.
    Variant name(u"x");
    EXPECT_EQ(saved(c)->Read(u"FullName", &name), vnk::win::S_OK);
    EXPECT_EQ(name.asString().value_or(u"?"), u"");
}

using ControlAsUser = AsJsmith;

TEST_P(ControlAsUser, MountingNeedsConsoleRights) {
    const ComPtr<IDispatch> data = named(u"\\\\FS1\\DATA");
    EXPECT_FALSE(getBool(data, u"Load")) << "no error, just false";
    EXPECT_FALSE(getBool(data, u"Loaded"));
    EXPECT_FALSE(getBool(control, u"Unload"));
    EXPECT_TRUE(getBool(control, u"Loaded"));
}

TEST(ClassFactory, TheControlOfTheProcessClient) {
    // The component server's create function: a control on the program's own client, which
    // loads the network named by NWSIM_NETWORK.
    nw::testnet::ScratchFolder folder(volumeFiles());
    const auto file = folder.write("network.json", volumeNetwork("ADMIN"));
    ::setenv("NWSIM_NETWORK", file.c_str(), 1);
    ComPtr<IDispatch> c;
    ASSERT_EQ(createVolmarraCtrl(IDispatch::iid, c.putVoid()), vnk::win::S_OK);
    put(c, u"FullName", Variant(u"\\\\FS1\\SYS"));
    EXPECT_TRUE(getBool(c, u"Loaded"));
    EXPECT_TRUE(c.as<IVolmarraControl>());
}

// ---- Directory form
// ------------------------------------------------------------------------------

constexpr const char* kTreeNetwork = R"({
  "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1,
                                      "directoryAuthenticated": true } ] },
  "servers": [ { "name": "FS1", "tree": "ACME_TREE", "directoryName": "FS1.SALES.ACME",
                 "users": ["ADMIN", "JSMITH"],
                 "volumes": [ { "name": "SYS", "entries": [
                   { "path": "A.TXT", "owner": "JSMITH", "trustees": [
                     { "object": "JSMITH", "rights": "RF" } ] } ] } ] } ],
  "trees": [ { "name": "ACME_TREE", "objects": [
      { "name": "JSMITH.SALES.ACME", "class": "User" },
      { "name": "ADMIN.SALES.ACME", "class": "User" },
      { "name": "FS1_SYS.SALES.ACME", "class": "Volume",
        "attributes": { "Host Server": "FS1.SALES.ACME", "Host Resource Name": "SYS" } },
      { "name": "NOHOST.SALES.ACME", "class": "Volume" } ] } ]
})";

class DirectoryForm : public ::testing::TestWithParam<nw::testnet::Door> {
protected:
    void TearDown() override { expectAllReleased(*net); }
    bool overWire() const { return GetParam() == nw::testnet::Door::Wire; }
    std::unique_ptr<nw::testnet::DoorNetwork> net =
        nw::testnet::DoorNetwork::open(GetParam(), kTreeNetwork, {"volumes/FS1/SYS/A.TXT"});
};

// Over the wire there is no directory login: the volume object and its host server are found,
// and then the directory form gives up as not authenticated, keeping no connection.
TEST_P(DirectoryForm, ResolvesHostServerAndVolume) {
    ComPtr<IDispatch> c = createControl(net->client());
    if (overWire()) {
        const Outcome o =
            tryPut(c, u"FullName", Variant(u"NDS:\\\\ACME_TREE\\ACME\\SALES\\FS1_SYS"));
        EXPECT_EQ(o.code(), kNotAuthenticated);
        EXPECT_EQ(net->openHandleCount(), 0u);
        return;
    }
    put(c, u"FullName", Variant(u"NDS:\\\\ACME_TREE\\ACME\\SALES\\FS1_SYS"));
    EXPECT_EQ(getText(c, u"HostServer"), u"FS1");
    EXPECT_EQ(getText(c, u"ShortName"), u"FS1_SYS");
    EXPECT_TRUE(getBool(c, u"Loaded"));
    const ComPtr<IDispatch> a =
        getObject(c, u"FindEntry", {Variant(u"NDS:\\\\ACME_TREE\\ACME\\SALES\\FS1_SYS\\A.TXT")});
    EXPECT_EQ(getText(a, u"Owner"), u"NDS:\\\\ACME_TREE\\ACME\\SALES\\JSMITH");
    const ComPtr<IDispatch> trustee =
        getObject(getObject(a, u"Trustees"), u"Item", {Variant(std::int32_t{0})});
    EXPECT_EQ(getText(trustee, u"FullName"), u"NDS:\\\\ACME_TREE\\ACME\\SALES\\JSMITH");
    EXPECT_EQ(getText(trustee, u"ShortName"), u"JSMITH");
    // A name in path form and a bare name in the server's context both map back.
    put(a, u"Owner", Variant(u"NDS:\\\\ACME_TREE\\ACME\\SALES\\ADMIN"));
    EXPECT_EQ(getText(a, u"Owner"), u"NDS:\\\\ACME_TREE\\ACME\\SALES\\ADMIN");
    put(a, u"Owner", Variant(u"JSMITH"));
    EXPECT_EQ(getText(a, u"Owner"), u"NDS:\\\\ACME_TREE\\ACME\\SALES\\JSMITH");
}

// Over the wire the connection is a bindery login (no directory login): bindery names.
TEST_P(DirectoryForm, AServerNameOnAnAuthenticatedConnectionUsesDirectoryNames) {
    ComPtr<IDispatch> c = createControl(net->client());
    put(c, u"FullName", Variant(u"\\\\FS1\\SYS"));
    const ComPtr<IDispatch> a = getObject(c, u"FindEntry", {Variant(u"\\\\FS1\\SYS\\A.TXT")});
    EXPECT_EQ(getText(a, u"Owner"),
              overWire() ? u"\\\\FS1\\JSMITH" : u"NDS:\\\\ACME_TREE\\ACME\\SALES\\JSMITH");
}

TEST_P(DirectoryForm, AVolumeObjectWithoutHostLeavesNoConnection) {
    ComPtr<IDispatch> c = createControl(net->client());
    const Outcome o = tryPut(c, u"FullName", Variant(u"NDS:\\\\ACME_TREE\\ACME\\SALES\\NOHOST"));
    EXPECT_FALSE(o.ok());
    EXPECT_EQ(o.text(), "No licensed connection to the file server");
    EXPECT_EQ(net->openHandleCount(), 0u);
    EXPECT_FALSE(getBool(c, u"Loaded"));
    EXPECT_FALSE(tryPut(c, u"FullName", Variant(u"NDS:\\\\OTHER_TREE\\ACME\\SALES\\FS1_SYS")).ok());
    c.as<IVolmarraControl>()->LoadPersistedFullName(u"NDS:\\\\ACME_TREE\\ACME\\SALES\\NOHOST");
    EXPECT_EQ(getText(c, u"FullName"), u"");
}

constexpr const char* kUnauthenticatedTree = R"({
  "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
  "servers": [ { "name": "FS1", "tree": "T", "directoryName": "FS1.O", "users": ["ADMIN"],
                 "volumes": [ { "name": "SYS" } ] } ],
  "trees": [ { "name": "T", "objects": [
      { "name": "VOL.O", "class": "Volume",
        "attributes": { "Host Server": "FS1.O", "Host Resource Name": "SYS" } } ] } ]
})";

class DirectoryFormAuthentication : public ::testing::TestWithParam<nw::testnet::Door> {
protected:
    void TearDown() override { expectAllReleased(*net); }
    std::unique_ptr<nw::testnet::DoorNetwork> net =
        nw::testnet::DoorNetwork::open(GetParam(), kUnauthenticatedTree, {"volumes/FS1/SYS/"});
};

TEST_P(DirectoryFormAuthentication, NotAuthenticatedToTheTree) {
    ComPtr<IDispatch> c = createControl(net->client());
    const Outcome o = tryPut(c, u"FullName", Variant(u"NDS:\\\\T\\O\\VOL"));
    EXPECT_EQ(o.code(), kNotAuthenticated);
    EXPECT_EQ(net->openHandleCount(), 0u);
    // The server form still works, in bindery mode.
    put(c, u"FullName", Variant(u"\\\\FS1\\SYS"));
    EXPECT_TRUE(getBool(c, u"Loaded"));
}

INSTANTIATE_TEST_SUITE_P(Doors, ControlOnVolume, nw::testnet::kBothDoors, nw::testnet::doorName);
INSTANTIATE_TEST_SUITE_P(Doors, ControlAsUser, nw::testnet::kBothDoors, nw::testnet::doorName);
INSTANTIATE_TEST_SUITE_P(Doors, DirectoryForm, nw::testnet::kBothDoors, nw::testnet::doorName);
INSTANTIATE_TEST_SUITE_P(Doors, DirectoryFormAuthentication, nw::testnet::kBothDoors,
                         nw::testnet::doorName);

}  // namespace
}  // namespace volmarra

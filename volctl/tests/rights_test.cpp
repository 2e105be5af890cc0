// Trustees, rights and space limits, and what an ordinary user may not do.
#include <gtest/gtest.h>

#include "netclient/fault.h"
#include "volctl/errors.h"
#include "volume.h"

namespace volmarra {
namespace {

using namespace volmarra::testing;
using Names = std::vector<std::u16string>;

using Trustees = VolumeFixture;

std::u16string rightsOf(const ComPtr<IDispatch>& rights) {
    std::u16string out;
    for (const auto& [name, letter] :
         std::vector<std::pair<std::u16string, char16_t>>{{u"Supervisor", u'S'},
                                                          {u"Read", u'R'},
                                                          {u"Write", u'W'},
                                                          {u"Create", u'C'},
                                                          {u"Erase", u'E'},
                                                          {u"Modify", u'M'},
                                                          {u"Scan", u'F'},
                                                          {u"AccessControl", u'A'}}) {
        if (getBool(rights, name)) {
            out += letter;
        }
    }
    return out;
}

TEST_P(Trustees, ListAddAndRemove) {
    const ComPtr<IDispatch> public_ = entry(u"PUBLIC");
    const ComPtr<IDispatch> list = getObject(public_, u"Trustees");
    EXPECT_EQ(names(list), (Names{u"JSMITH"}));
    const ComPtr<IDispatch> jsmith = getObject(list, u"Item", {Variant(u"jsmith")});
    EXPECT_EQ(getText(jsmith, u"FullName"), u"JSMITH");
    EXPECT_EQ(rightsOf(getObject(jsmith, u"EffectiveRights")), u"RF");

    const ComPtr<IDispatch> guest = getObject(list, u"Add", {Variant(u"GUEST")});
    EXPECT_EQ(rightsOf(getObject(guest, u"EffectiveRights")), u"RF") << "exactly Read and Scan";
    EXPECT_EQ(names(getObject(public_, u"Trustees")), (Names{u"JSMITH", u"GUEST"}));
    EXPECT_EQ(tryCall(list, u"Add", {Variant(u"NOBODY")}).code(), kNwNoSuchObject);

    for (const Variant& missing : {Variant(std::int32_t{5}), Variant(u"GUEST")}) {
        const Outcome o = tryCall(list, u"Item", {missing});
        EXPECT_EQ(o.code(), kNwTrusteeNotFound) << "GUEST is not in this older list";
        EXPECT_EQ(o.text(), "Trustee not found");
    }
    const ComPtr<IDispatch> fresh = getObject(public_, u"Trustees");
    EXPECT_TRUE(tryCall(fresh, u"Remove", {Variant(u"GUEST")}).ok());
    EXPECT_TRUE(tryCall(fresh, u"Remove", {Variant(std::int32_t{0})}).ok());
    EXPECT_EQ(getInt(getObject(public_, u"Trustees"), u"Count"), 0);
    EXPECT_EQ(tryCall(fresh, u"Remove", {Variant(std::int32_t{0})}).code(), kNwTrusteeNotFound)
        << "removed already on the server";
}

TEST_P(Trustees, EffectiveRightsWriteTheAssignment) {
    const ComPtr<IDispatch> home = entry(u"HOME\\JSMITH");
    const ComPtr<IDispatch> rights =
        getObject(getObject(getObject(home, u"Trustees"), u"Item", {Variant(std::int32_t{0})}),
                  u"EffectiveRights");
    EXPECT_EQ(rightsOf(rights), u"RWCEMF");
    put(rights, u"AccessControl", Variant(true));
    put(rights, u"Write", Variant(false));
    const ComPtr<IDispatch> again = getObject(
        getObject(getObject(home, u"Trustees"), u"Item", {Variant(u"JSMITH")}), u"EffectiveRights");
    EXPECT_EQ(rightsOf(again), u"RCEMFA");
}

TEST_P(Trustees, InheritedRightsMask) {
    const ComPtr<IDispatch> docs = entry(u"DOCS");
    const ComPtr<IDispatch> mask = getObject(docs, u"InheritedRights");
    EXPECT_EQ(rightsOf(mask), u"SRWCEMFA");
    put(mask, u"Write", Variant(false));
    EXPECT_EQ(rightsOf(getObject(docs, u"InheritanceFilter")), u"SRCEMFA");
    const Outcome o = tryPut(mask, u"Supervisor", Variant(false));
    EXPECT_EQ(o.code(), kSupervisorMaskFixed);
    EXPECT_EQ(o.text(), "You cannot modify the supervisor flag for a inherited rights mask");
    EXPECT_TRUE(tryPut(mask, u"Supervisor", Variant(true)).ok()) << "setting it is ignored";
    EXPECT_TRUE(getBool(mask, u"Supervisor"));
}

// ---- Space limits
// ----------------------------------------------------------------------------------

using SpaceLimits = VolumeFixture;

TEST_P(SpaceLimits, ReadChangeAddRemove) {
    const ComPtr<IDispatch> limits = getObject(control, u"SpaceLimits");
    EXPECT_EQ(names(limits), (Names{u"JSMITH"}));
    const ComPtr<IDispatch> jsmith = getObject(limits, u"Item", {Variant(u"JSMITH")});
    EXPECT_EQ(getInt(jsmith, u"TotalSpace"), 1024);
    EXPECT_EQ(getText(jsmith, u"FullName"), u"JSMITH");
    EXPECT_GE(getInt(jsmith, u"UsedSpace"), 0);
    put(jsmith, u"TotalSpace", Variant(std::int32_t{10}));
    EXPECT_EQ(getInt(jsmith, u"TotalSpace"), 12) << "3 units of 4 KB";
    EXPECT_FALSE(getBool(jsmith, u"ChangeTotalSpace", {Variant(std::int32_t{-1})}));
    EXPECT_TRUE(getBool(jsmith, u"ChangeTotalSpace", {Variant(std::int32_t{2048})}));
    EXPECT_EQ(tryPut(jsmith, u"TotalSpace", Variant(std::int32_t{-4})).code(), kNwInvalidParameter);

    const ComPtr<IDispatch> guest =
        getObject(limits, u"Add", {Variant(u"GUEST"), Variant(std::int32_t{9})});
    EXPECT_EQ(getInt(guest, u"TotalSpace"), 12);
    // The control keeps one collection and refills it on every read.
    const ComPtr<IDispatch> again = getObject(control, u"SpaceLimits");
    EXPECT_EQ(again.get(), limits.get());
    EXPECT_EQ(names(again), (Names{u"JSMITH", u"GUEST"}));
    EXPECT_EQ(getInt(getObject(again, u"Item", {Variant(std::int32_t{0})}), u"TotalSpace"), 2048);

    EXPECT_EQ(tryCall(again, u"Item", {Variant(std::int32_t{2})}).code(), kExceedsLimit);
    EXPECT_EQ(tryCall(again, u"Remove", {Variant(std::int32_t{-1})}).code(), kExceedsLimit);
    EXPECT_TRUE(tryCall(again, u"Remove", {Variant(u"GUEST")}).ok());
    EXPECT_TRUE(tryCall(again, u"Remove", {Variant(std::int32_t{0})}).ok());
    EXPECT_EQ(getInt(getObject(control, u"SpaceLimits"), u"Count"), 0);
}

// Thirty users with a space limit on SYS.
std::string thirtyLimitsNetwork() {
    std::string users = R"("ADMIN")";
    std::string restrictions;
    for (int i = 0; i < 30; ++i) {
        const std::string name = "\"U" + std::to_string(i) + "\"";
        users += "," + name;
        restrictions += std::string(i ? "," : "") + R"({ "user": )" + name + R"(, "limit": )" +
                        std::to_string(4 * (i + 1)) + " }";
    }
    return R"({
      "workstation": { "connections": [ { "server": "FS1", "user": "ADMIN", "station": 1 } ] },
      "servers": [ { "name": "FS1", "users": [)" +
           users + R"(],
                     "volumes": [ { "name": "SYS", "userRestrictions": [)" +
           restrictions + R"(] } ] } ] })";
}

class SpaceLimitAnswers : public ::testing::TestWithParam<nw::testnet::Door> {
protected:
    ~SpaceLimitAnswers() override { expectAllReleased(*net); }
    std::unique_ptr<nw::testnet::DoorNetwork> net =
        nw::testnet::DoorNetwork::open(GetParam(), thirtyLimitsNetwork(), {"volumes/FS1/SYS/"});
};

TEST_P(SpaceLimitAnswers, ThirtyUsersComeInAnswersOfTwelve) {
    nw::FaultInjectingClient counting(net->client());
    ComPtr<IDispatch> c = createControl(counting);
    put(c, u"FullName", Variant(u"\\\\FS1\\SYS"));
    const ComPtr<IDispatch> limits = getObject(c, u"SpaceLimits");
    EXPECT_EQ(getInt(limits, u"Count"), 30);
    EXPECT_EQ(counting.calls(nw::Op::ScanVolumeRestrictions), 3);
    EXPECT_EQ(getInt(getObject(limits, u"Item", {Variant(std::int32_t{29})}), u"TotalSpace"), 120);
}

// ---- Rights of ordinary users
// -----------------------------------------------------------------------

TEST_P(AsGuest, NobodyChangesWhatTheyMayNot) {
    const ComPtr<IDispatch> docs = entry(u"DOCS");
    const ComPtr<IDispatch> a = entry(u"DOCS\\A.TXT");
    EXPECT_EQ(tryCall(docs, u"Children").code(), 0x89A8) << "no File Scan right";
    EXPECT_EQ(tryPut(a, u"Hidden", Variant(true)).code(), 0x898C);
    EXPECT_EQ(tryCall(getObject(a, u"File"), u"Open").code(), 0x89A8);
    EXPECT_EQ(tryCall(a, u"Copy", {Variant(u"B.TXT")}).code(), 0x89A8);
    EXPECT_EQ(tryCall(docs, u"Trustees").code(), 0x89A8) << "reading trustees needs Access Control";
    EXPECT_EQ(tryPut(getObject(docs, u"InheritedRights"), u"Read", Variant(false)).code(), 0x898C);
    EXPECT_EQ(tryPut(a, u"Owner", Variant(u"GUEST")).code(), 0x898C);
    EXPECT_EQ(tryCall(a, u"Move", {Variant(u"B.TXT")}).code(), 0x898C);
    EXPECT_EQ(tryPut(docs, u"Size", Variant(std::int32_t{4})).code(), 0x898C);
    EXPECT_EQ(tryCall(getObject(control, u"SpaceLimits"), u"Add",
                      {Variant(u"GUEST"), Variant(std::int32_t{4})})
                  .code(),
              0x898C);
    EXPECT_TRUE(std::filesystem::exists(disk("DOCS/A.TXT")));
    EXPECT_FALSE(std::filesystem::exists(disk("DOCS/B.TXT")));
}

TEST_P(AsJsmith, ATrusteeWorksWhereItHasRights) {
    // HOME\JSMITH: Read, Write, Create, Erase, Modify, Scan.
    const ComPtr<IDispatch> home = entry(u"HOME\\JSMITH");
    const ComPtr<IDispatch> created = getObject(getObject(home, u"Children"), u"Add",
                                                {Variant(u"NEW.TXT"), Variant(std::int32_t{1})});
    const ComPtr<IDispatch> f = getObject(created, u"File");
    EXPECT_TRUE(getBool(f, u"Open"));
    EXPECT_EQ(getInt(f, u"Write", {Variant(u"mine"), Variant(std::int32_t{4})}), 4);
    EXPECT_TRUE(getBool(f, u"Close"));
    put(created, u"Archive", Variant(true));
    EXPECT_TRUE(getBool(created, u"Move", {Variant(u"RENAMED.TXT")}));
    EXPECT_TRUE(tryCall(getObject(home, u"Children"), u"Remove", {Variant(u"RENAMED.TXT")}).ok());
    // Without Access Control it can neither read nor hand on rights; outside its home it may only
    // read.
    EXPECT_EQ(tryCall(home, u"Trustees").code(), 0x89A8);
    const ComPtr<IDispatch> login = getObject(entry(u"PUBLIC\\LOGIN.EXE"), u"File");
    EXPECT_EQ(tryCall(login, u"Open").code(), 0x8991) << "read-only, and no Write right";
    const ComPtr<IDispatch> public_ = getObject(entry(u"PUBLIC"), u"Children");
    EXPECT_EQ(tryCall(public_, u"Add", {Variant(u"X")}).code(), 0x8984);
    EXPECT_EQ(tryCall(public_, u"Remove", {Variant(u"LOGIN.EXE")}).code(), 0x898A);
    EXPECT_EQ(names(getObject(entry(u"PUBLIC"), u"Children")),
              (Names{u"LOGIN.EXE", u"Long Name Document.txt"}));
}

INSTANTIATE_TEST_SUITE_P(Doors, Trustees, nw::testnet::kBothDoors, nw::testnet::doorName);
INSTANTIATE_TEST_SUITE_P(Doors, SpaceLimits, nw::testnet::kBothDoors, nw::testnet::doorName);
INSTANTIATE_TEST_SUITE_P(Doors, SpaceLimitAnswers, nw::testnet::kBothDoors, nw::testnet::doorName);
INSTANTIATE_TEST_SUITE_P(Doors, AsGuest, nw::testnet::kBothDoors, nw::testnet::doorName);
INSTANTIATE_TEST_SUITE_P(Doors, AsJsmith, nw::testnet::kBothDoors, nw::testnet::doorName);

}  // namespace
}  // namespace volmarra

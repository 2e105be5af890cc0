// Stations and the bindery over the wire: 23/28 and 23/22, 123/4, 23/229, 23/26 and 23/19,
// 23/53, 23/54 and 23/55.
#include "servednetwork.h"
#include "testnetwork.h"

namespace nw::nwsimd::testing {
namespace {

using namespace ncp;

class WireConnections : public WireTest {
protected:
    void SetUp() override { serve(kNetwork, networkFiles()); }
};

TEST_F(WireConnections, StationInformation) {
    auto wire = client("JSMITH", "jpass");
    auto mbrown = wire->call<call::GetStationInfo>({2});
    ASSERT_TRUE(mbrown.ok());
    EXPECT_EQ(mbrown.reply->objectName, "MBROWN");
    EXPECT_EQ(mbrown.reply->objectType, call::kObjectUser);
    EXPECT_NE(mbrown.reply->objectId, 0u);
    EXPECT_EQ(mbrown.reply->loginTime, (LoginTime{26, 12, 7, 8, 15, 30, 1}));
    auto attached = wire->call<call::GetStationInfoOld>({6});
    ASSERT_TRUE(attached.ok());
    EXPECT_EQ(attached.reply->objectName, "NOT_LOGGED_IN");
    EXPECT_EQ(attached.reply->objectId, 0u);
    EXPECT_EQ(wire->call<call::GetStationInfo>({1000}).completion,
              completionOf(BAD_STATION_NUMBER));
    auto self = wire->call<call::GetStationInfo>({wire->connection()});
    ASSERT_TRUE(self.ok());
    EXPECT_EQ(self.reply->objectName, "JSMITH");
}

TEST_F(WireConnections, UserInformation) {
    auto wire = client("JSMITH", "jpass");
    auto info = wire->call<call::UserInformation>({2});
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info.reply->userName, "MBROWN");
    EXPECT_EQ(info.reply->connection, 2u);
    EXPECT_EQ(info.reply->objectType, 0x0100u);  // hi-lo, as NWUSER_INFO holds it
    EXPECT_EQ(info.reply->status, 0x0401);
    EXPECT_EQ(info.reply->fileLockCount, 2);
    EXPECT_EQ(info.reply->recordLockCount, 2);
    EXPECT_EQ(info.reply->bytesRead, 5368709120u);
    EXPECT_EQ(info.reply->bytesWritten, 1048576u);
    EXPECT_EQ(info.reply->loginTime, (LoginTime{26, 12, 7, 8, 15, 30, 1}));
    EXPECT_EQ(wire->call<call::UserInformation>({4}).completion,
              completionOf(USER_INFO_AUTHENTICATED));
    EXPECT_EQ(wire->call<call::UserInformation>({7}).completion, completionOf(BAD_STATION_NUMBER));
    auto usage = wire->call<call::GetConnectionUsage>({2});
    ASSERT_TRUE(usage.ok());
    EXPECT_EQ(usage.reply->bytesRead, 5368709120u);
}

TEST_F(WireConnections, AddressesOfWireAndFileStations) {
    auto wire = client("JSMITH", "jpass");
    auto own = wire->call<call::GetInternetAddress>({wire->connection()});
    ASSERT_TRUE(own.ok());
    EXPECT_EQ(own.reply->connectionType, call::address_type::kIp);
    EXPECT_EQ(own.reply->address[0], 127);
    auto file = wire->call<call::GetInternetAddress>({2});
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(file.reply->connectionType, call::address_type::kIpx);
    EXPECT_EQ(file.reply->address, (call::NetAddress{0x00, 0x00, 0xC0, 0xA8, 0x00, 0x00, 0x1B, 0x2C,
                                                     0x3D, 0x4E, 0x40, 0x03}));
    auto old = wire->call<call::GetInternetAddressOld>({2});
    ASSERT_TRUE(old.ok());
    EXPECT_EQ(old.reply->address, file.reply->address);
    EXPECT_EQ(wire->call<call::GetInternetAddress>({5}).completion,
              completionOf(BAD_STATION_NUMBER));
}

TEST_F(WireConnections, BinderyObjectsByNameIdAndScan) {
    auto wire = client();
    auto id = wire->call<call::GetBinderyObjectId>({call::kObjectUser, "jsmith"});
    ASSERT_TRUE(id.ok());
    EXPECT_EQ(id.reply->objectName, "JSMITH");
    EXPECT_EQ(id.reply->objectType, call::kObjectUser);
    auto name = wire->call<call::GetBinderyObjectName>({id.reply->objectId});
    ASSERT_TRUE(name.ok());
    EXPECT_EQ(name.reply->objectName, "JSMITH");
    EXPECT_EQ(name.reply->objectType, call::kObjectUser);
    EXPECT_EQ(wire->call<call::GetBinderyObjectId>({call::kObjectGroup, "JSMITH"}).completion,
              completionOf(NO_SUCH_OBJECT));
    EXPECT_EQ(wire->call<call::GetBinderyObjectName>({0x7FFFFFFF}).completion,
              completionOf(NO_SUCH_OBJECT));

    std::vector<std::string> users;
    std::uint32_t last = 0xFFFFFFFF;
    for (;;) {
        auto next = wire->call<call::ScanBinderyObject>({last, call::kObjectUser, "*"});
        if (next.completion != 0) {
            EXPECT_EQ(next.completion, 0xFC);
            break;
        }
        users.push_back(next.reply->object.objectName);
        last = next.reply->object.objectId;
    }
    EXPECT_EQ(users,
              (std::vector<std::string>{"ADMIN", "JSMITH", "OPER", "GUEST", "MBROWN", "LCHEN"}));
    auto server = wire->call<call::ScanBinderyObject>({0xFFFFFFFF, call::kObjectFileServer, "F*"});
    ASSERT_TRUE(server.ok());
    EXPECT_EQ(server.reply->object.objectName, "FS1");
}

}  // namespace
}  // namespace nw::nwsimd::testing

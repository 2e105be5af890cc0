#include "ncp/testing/samples.h"

namespace nw::ncp::testing {

using namespace call;

namespace {

constexpr std::uint32_t kJsmith = 0x0C000123;
constexpr std::uint32_t kAdmin = 0x01000001;
constexpr LoginTime kLoginTime = {26, 12, 8, 9, 41, 5, 2};

}  // namespace

EntryInfo sampleEntry(const std::string& name, bool directory, std::uint32_t entryNumber) {
    EntryInfo e;
    e.spaceAllocated = directory ? 0 : 8;
    e.attributes = directory ? 0x10 : 0x20;
    e.dataSize = directory ? 0 : 30'521;
    e.totalStreamsSize = e.spaceAllocated;
    e.dataStreams = directory ? 0 : 1;
    e.creationTime = 0x4D2A;
    e.creationDate = 0x5B88;
    e.creatorId = kJsmith;
    e.modifyTime = 0x6120;
    e.modifyDate = 0x5B88;
    e.modifierId = kJsmith;
    e.lastAccessDate = 0x5B88;
    e.inheritedRights = 0x01FF;
    e.entryNumber = entryNumber;
    e.dosEntryNumber = entryNumber;
    e.volumeNumber = 0;
    e.name = name;
    return e;
}

HandlePath samplePath(std::initializer_list<const char*> components) {
    HandlePath p;
    p.volume = 0;
    p.dirBase = 0;
    p.handleFlag = handle_flag::kNone;
    for (const char* c : components) {
        p.components.emplace_back(c);
    }
    return p;
}

nds::Message sampleResolveName() {
    nds::Message m;
    m.verb = nds::verb::kResolveName;
    m.replyBufferSize = 4096;
    Writer w(m.data);
    w.le32(1);       // version
    w.le32(0x2062);  // readable, walk tree, dereference aliases, prefer referrals
    w.le32(0);       // scope
    w.ndsString("FS1.SALES.ACME");
    w.le32(1);  // transports
    w.le32(9);  // TCP
    w.le32(1);  // tree walker transports
    w.le32(9);
    return m;
}

Bytes sampleResolveNameReply() {
    Bytes out;
    Writer w(out);
    w.le32(1);  // local entry
    w.le32(0x0100002A);
    w.le32(0);  // referrals
    return out;
}

NCP_SAMPLE_REQUEST(NegotiateBufferSize) {
    return {1024};
}
NCP_SAMPLE_REPLY(NegotiateBufferSize) {
    return {1024};
}
NCP_SAMPLE_REQUEST(GetBigPacketSize) {
    return {65024, 0};
}
NCP_SAMPLE_REPLY(GetBigPacketSize) {
    return {65024, 0, 0};
}
NCP_SAMPLE_REQUEST(ChangeConnectionState) {
    return {1};
}
NCP_SAMPLE_REPLY(GetLoginKey) {
    return {{0x3F, 0xB1, 0x7E, 0x62, 0xFC, 0x11, 0xF8, 0x6F}};
}
NCP_SAMPLE_REQUEST(KeyedObjectLogin) {
    return {{0x97, 0x78, 0xD5, 0x36, 0x73, 0x1D, 0x29, 0x74}, kObjectUser, "JSMITH"};
}
NCP_SAMPLE_REQUEST(GetBinderyObjectId) {
    return {kObjectUser, "JSMITH"};
}
NCP_SAMPLE_REPLY(GetBinderyObjectId) {
    return {kJsmith, kObjectUser, "JSMITH"};
}
NCP_SAMPLE_REQUEST(GetBinderyObjectName) {
    return {kAdmin};
}
NCP_SAMPLE_REPLY(GetBinderyObjectName) {
    return {kAdmin, kObjectUser, "ADMIN"};
}
NCP_SAMPLE_REQUEST(ScanBinderyObject) {
    return {0xFFFFFFFF, kObjectUser, "*"};
}
NCP_SAMPLE_REPLY(ScanBinderyObject) {
    return {{kAdmin, kObjectUser, "ADMIN"}, 0, 0x31, 0xFF};
}
NCP_SAMPLE_REPLY(GetBinderyAccessLevel) {
    return {0x33, kAdmin};
}

NCP_SAMPLE_REPLY(GetFileServerInfo) {
    GetFileServerInfo::Reply r;
    r.serverName = "FS1";
    r.osMajor = 6;
    r.osMinor = 50;
    r.maxConnections = 250;
    r.connectionsInUse = 14;
    r.maxVolumes = 255;
    r.osRevision = 8;
    r.sftLevel = 2;
    r.ttsLevel = 1;
    r.peakConnections = 31;
    r.accountingVersion = 1;
    r.queueingVersion = 1;
    r.printServerVersion = 1;
    r.virtualConsoleVersion = 1;
    r.securityRestrictionVersion = 1;
    r.internetBridgeVersion = 1;
    r.mixedModePathFlag = 1;
    r.productMajor = 6;
    r.productMinor = 5;
    r.productRevision = 8;
    r.support64Bit = 1;
    return r;
}
NCP_SAMPLE_REPLY(GetLoginStatus) {
    return {1};
}
NCP_SAMPLE_REQUEST(ClearConnection) {
    return {12};
}
NCP_SAMPLE_REQUEST(ClearConnectionOld) {
    return {12};
}
NCP_SAMPLE_REQUEST(SendBroadcast) {
    return {{12, 17}, "The server goes down at 18:00. Please log out."};
}
NCP_SAMPLE_REPLY(SendBroadcast) {
    return {{broadcast::kSent, broadcast::kAlreadyHasMessage}};
}
NCP_SAMPLE_REQUEST(SendBroadcastOld) {
    return {{12}, "Log out by 18:00"};
}
NCP_SAMPLE_REPLY(SendBroadcastOld) {
    return {{0}};
}
NCP_SAMPLE_REPLY(GetBroadcast) {
    return {"The server goes down at 18:00. Please log out."};
}
NCP_SAMPLE_REPLY(GetBroadcastOld) {
    return {"Log out by 18:00"};
}
NCP_SAMPLE_REQUEST(GetStationInfo) {
    return {12};
}
NCP_SAMPLE_REPLY(GetStationInfo) {
    return {kJsmith, kObjectUser, "JSMITH", kLoginTime};
}
NCP_SAMPLE_REQUEST(GetStationInfoOld) {
    return {12};
}
NCP_SAMPLE_REPLY(GetStationInfoOld) {
    return {kJsmith, kObjectUser, "JSMITH", kLoginTime};
}
NCP_SAMPLE_REQUEST(UserInformation) {
    return {12};
}
NCP_SAMPLE_REPLY(UserInformation) {
    UserInformation::Reply r;
    r.serverUpTime = 1'296'000;
    r.consoleVersion = 1;
    r.consoleRevision = 2;
    r.connection = 12;
    r.useCount = 1;
    r.serviceType = 2;
    r.loginTime = kLoginTime;
    r.status = 0x0401;
    r.objectType = 0x0100;
    r.fileLockCount = 3;
    r.recordLockCount = 1;
    r.bytesRead = 0x0000'0123'4567;
    r.bytesWritten = 0x89AB;
    r.totalRequests = 4711;
    r.userName = "JSMITH";
    return r;
}
NCP_SAMPLE_REQUEST(GetConnectionUsage) {
    return {12};
}
NCP_SAMPLE_REPLY(GetConnectionUsage) {
    return {0, 0x1234567, 0x89AB, 4711};
}
NCP_SAMPLE_REQUEST(GetInternetAddress) {
    return {12};
}
NCP_SAMPLE_REPLY(GetInternetAddress) {
    return {ipAddress(0x7F000001, 40112), address_type::kIp};
}
NCP_SAMPLE_REQUEST(GetInternetAddressOld) {
    return {12};
}
NCP_SAMPLE_REPLY(GetInternetAddressOld) {
    return {{0x00, 0x00, 0x0A, 0x01, 0x00, 0x1B, 0x21, 0x3C, 0x4D, 0x5E, 0x40, 0x03}};
}
NCP_SAMPLE_REQUEST(ConnectionsUsingFile) {
    return {0, 0, 0x1A2, 0};
}
NCP_SAMPLE_REPLY(ConnectionsUsingFile) {
    ConnectionsUsingFile::Reply r;
    r.usage = {2, 2, 2, 1, 0, 1};
    r.connections = {{12, 1, 0, 0x11, 0}, {17, 1, 0, 0x13, 0}};
    return r;
}
NCP_SAMPLE_REQUEST(ConnectionsUsingFileOld) {
    return {0, 0, "SYS:DATA\\REPORT.XLS"};
}
NCP_SAMPLE_REPLY(ConnectionsUsingFileOld) {
    ConnectionsUsingFileOld::Reply r;
    r.usage = {1, 1, 1, 0, 0, 0};
    r.connections = {{12, 1, 0, 0x11, 0}};
    return r;
}
NCP_SAMPLE_REQUEST(ConnectionOpenFiles) {
    return {12, 0};
}
NCP_SAMPLE_REPLY(ConnectionOpenFiles) {
    ConnectionOpenFiles::Reply r;
    r.files = {{1, 0, 0x11, 0, 0, 0x1A0, 0x1A2, 0, 0, "REPORT.XLS"},
               {1, 0, 0x01, 0, 1, 0x20, 0x31, 0, 0, "LOGIN.EXE"}};
    return r;
}
NCP_SAMPLE_REQUEST(ConnectionOpenFilesOld) {
    return {12, 0};
}
NCP_SAMPLE_REPLY(ConnectionOpenFilesOld) {
    ConnectionOpenFilesOld::Reply r;
    r.files = {{1, 0, 0x11, 0, 0, 0x1A2, "REPORT.XLS"}};
    return r;
}
NCP_SAMPLE_REQUEST(PhysicalLocksByFile) {
    return {0, 0, 0x1A2, 0};
}
NCP_SAMPLE_REPLY(PhysicalLocksByFile) {
    PhysicalLocksByFile::Reply r;
    r.locks = {{1, 0, 0, 511, 12, 1, 0}, {1, 0, 4096, 8191, 17, 1, 0}};
    return r;
}
NCP_SAMPLE_REQUEST(PhysicalLocksByFileOld) {
    return {0, 0, "SYS:DATA\\REPORT.XLS"};
}
NCP_SAMPLE_REPLY(PhysicalLocksByFileOld) {
    PhysicalLocksByFileOld::Reply r;
    r.locks = {{1, 0, 0, 511, 12, 1, 0}};
    return r;
}
NCP_SAMPLE_REQUEST(MapDirectoryNumberToPath) {
    return {0, 0x1A0, name_space::kDos};
}
NCP_SAMPLE_REPLY(MapDirectoryNumberToPath) {
    return {{"DATA", "REPORTS"}};
}
NCP_SAMPLE_REQUEST(GetVolumeName) {
    return {0};
}
NCP_SAMPLE_REPLY(GetVolumeName) {
    return {"SYS"};
}
NCP_SAMPLE_REQUEST(GetVolumeNumber) {
    return {"DATA"};
}
NCP_SAMPLE_REPLY(GetVolumeNumber) {
    return {1};
}
NCP_SAMPLE_REPLY(GetMountVolumeList) {
    GetMountVolumeList::Reply r = replyFor<GetMountVolumeList>(request);
    r.nextVolume = 0;
    r.volumes = {{0, "SYS"}, {1, "DATA"}};
    return r;
}
NCP_SAMPLE_REQUEST(GetVolumePurgeInfo) {
    return {1};
}
NCP_SAMPLE_REPLY(GetVolumePurgeInfo) {
    return {262144, 131072, 512, 64, 65536, 60000, 8, "DATA"};
}
NCP_SAMPLE_REQUEST(GetVolumeInfo) {
    return {1};
}
NCP_SAMPLE_REPLY(GetVolumeInfo) {
    return {0x1234, 1, 0, 4096, 0, 65535, 32768, 65535, 60000, 5535, 1, 1, 0, 1, "DATA"};
}
NCP_SAMPLE_REQUEST(GetVolumeInfoWithNumber) {
    return {1};
}
NCP_SAMPLE_REPLY(GetVolumeInfoWithNumber) {
    return {8, 65535, 32768, 65535, 60000, "DATA", 0};
}
NCP_SAMPLE_REQUEST(GetExtendedVolumeInfo) {
    return {1};
}
NCP_SAMPLE_REPLY(GetExtendedVolumeInfo) {
    GetExtendedVolumeInfo::Reply r;
    r.statusFlags = 0x80000000;
    r.sectorSize = 512;
    r.sectorsPerCluster = 8;
    r.clusters = 262144;
    r.freedClusters = 131072;
    r.dataStreams = 1200;
    r.totalDirEntries = 65536;
    r.unusedDirEntries = 60000;
    r.directoryServicesObjectId = 0x0100002B;
    r.volumeName = "DATA";
    return r;
}
NCP_SAMPLE_REQUEST(GetNameSpacesLoaded) {
    return {1};
}
NCP_SAMPLE_REPLY(GetNameSpacesLoaded) {
    return {{name_space::kDos, name_space::kLong}};
}
NCP_SAMPLE_REQUEST(MountVolume) {
    return {"ARCHIVE"};
}
NCP_SAMPLE_REPLY(MountVolume) {
    return {0, 2};
}
NCP_SAMPLE_REQUEST(DismountVolume) {
    return {"ARCHIVE"};
}
NCP_SAMPLE_REQUEST(GenerateDirBase) {
    return {name_space::kDos, name_space::kLong, 0, samplePath({"SYS", "DATA", "REPORT.XLS"})};
}
NCP_SAMPLE_REPLY(GenerateDirBase) {
    return {0x1A3, 0x1A2, 0};
}
NCP_SAMPLE_REQUEST(GetFullPath) {
    GetFullPath::Request r;
    r.sourceNameSpace = name_space::kDos;
    r.destNameSpace = name_space::kLong;
    r.path = {0, 0x1A2, handle_flag::kDirBase, {}};
    return r;
}
NCP_SAMPLE_REPLY(GetFullPath) {
    GetFullPath::Reply r;
    r.components = {"Quarterly Report.xls", "DATA", "SYS"};
    return r;
}
NCP_SAMPLE_REQUEST(ObtainEntryInfo) {
    ObtainEntryInfo::Request r;
    r.destNameSpace = name_space::kLong;
    r.searchAttributes = 0x8006;
    r.path = samplePath({"SYS", "DATA", "REPORT.XLS"});
    return r;
}
NCP_SAMPLE_REPLY(ObtainEntryInfo) {
    ObtainEntryInfo::Reply r = replyFor<ObtainEntryInfo>(request);
    r.info = sampleEntry("Quarterly Report.xls", false, 0x1A3);
    return r;
}
NCP_SAMPLE_REQUEST(ModifyEntryInfo) {
    ModifyEntryInfo::Request r;
    r.searchAttributes = 0x8006;
    r.modifyMask = modify::kAttributes | modify::kInheritance;
    r.attributes = 0x0021;
    r.inheritedRightsMask = 0x00FB;
    r.path = samplePath({"SYS", "DATA", "REPORT.XLS"});
    return r;
}
NCP_SAMPLE_REQUEST(GetEffectiveRights) {
    GetEffectiveRights::Request r;
    r.searchAttributes = 0x8006;
    r.path = samplePath({"SYS", "DATA"});
    return r;
}
NCP_SAMPLE_REPLY(GetEffectiveRights) {
    GetEffectiveRights::Reply r = replyFor<GetEffectiveRights>(request);
    r.effectiveRights = 0x00FB;
    r.info = sampleEntry("DATA", true, 0x1A0);
    return r;
}
NCP_SAMPLE_REQUEST(AllocShortDirHandle) {
    return {name_space::kDos, AllocShortDirHandle::kTemporary, samplePath({"SYS", "PUBLIC"})};
}
NCP_SAMPLE_REPLY(AllocShortDirHandle) {
    return {3, 0};
}
NCP_SAMPLE_REQUEST(AllocTempDirHandle) {
    return {0, 'Z', "SYS:PUBLIC"};
}
NCP_SAMPLE_REPLY(AllocTempDirHandle) {
    return {4, 0xFF};
}
NCP_SAMPLE_REQUEST(AllocPermDirHandle) {
    return {0, 'F', "SYS:"};
}
NCP_SAMPLE_REPLY(AllocPermDirHandle) {
    return {1, 0xFF};
}
NCP_SAMPLE_REQUEST(DeallocDirHandle) {
    return {3};
}
NCP_SAMPLE_REQUEST(GetDirectoryPath) {
    return {4};
}
NCP_SAMPLE_REPLY(GetDirectoryPath) {
    return {"SYS:PUBLIC"};
}
NCP_SAMPLE_REQUEST(InitializeSearch) {
    return {name_space::kLong, samplePath({"SYS", "DATA"})};
}
NCP_SAMPLE_REPLY(InitializeSearch) {
    return {0, 0x1A0, 0xFFFFFFFF};
}
NCP_SAMPLE_REQUEST(SearchEntry) {
    SearchEntry::Request r;
    r.nameSpace = name_space::kLong;
    r.searchAttributes = 0x8006;
    r.sequence = {0, 0x1A0, 0xFFFFFFFF};
    return r;
}
NCP_SAMPLE_REPLY(SearchEntry) {
    SearchEntry::Reply r = replyFor<SearchEntry>(request);
    r.sequence = {0, 0x1A0, 1};
    r.info = sampleEntry("Quarterly Report.xls", false, 0x1A3);
    return r;
}
NCP_SAMPLE_REQUEST(SearchEntrySet) {
    SearchEntrySet::Request r;
    r.nameSpace = name_space::kLong;
    r.sequence = {0, 0x1A0, 0xFFFFFFFF};
    return r;
}
NCP_SAMPLE_REPLY(SearchEntrySet) {
    SearchEntrySet::Reply r = replyFor<SearchEntrySet>(request);
    r.sequence = {0, 0x1A0, 3};
    r.more = 0;
    r.entries = {sampleEntry("REPORTS", true, 0x1A1),
                 sampleEntry("Quarterly Report.xls", false, 0x1A3),
                 sampleEntry("notes.txt", false, 0x1A4)};
    return r;
}
NCP_SAMPLE_REQUEST(OpenCreateEntry) {
    OpenCreateEntry::Request r;
    r.nameSpace = name_space::kLong;
    r.openCreateMode = open_mode::kOpen;
    r.searchAttributes = 0x8006;
    r.desiredAccessRights = 0x0001;
    r.path = samplePath({"SYS", "DATA", "notes.txt"});
    return r;
}
NCP_SAMPLE_REPLY(OpenCreateEntry) {
    OpenCreateEntry::Reply r = replyFor<OpenCreateEntry>(request);
    r.fileHandle = 0x00010007;
    r.action = open_action::kOpened;
    r.info = sampleEntry("notes.txt", false, 0x1A4);
    return r;
}
NCP_SAMPLE_REQUEST(DeleteEntry) {
    return {name_space::kLong, 0x8006, samplePath({"SYS", "DATA", "old.txt"})};
}
NCP_SAMPLE_REQUEST(RenameEntry) {
    RenameEntry::Request r;
    r.nameSpace = name_space::kLong;
    r.searchAttributes = 0x8006;
    r.source = samplePath({"SYS", "DATA", "notes.txt"});
    r.destination = {0, 0x1A1, handle_flag::kDirBase, {"notes-2026.txt"}};
    return r;
}
NCP_SAMPLE_REQUEST(GetDirSpaceLimits) {
    return {name_space::kDos, samplePath({"SYS", "DATA"})};
}
NCP_SAMPLE_REPLY(GetDirSpaceLimits) {
    return {{{0, 25600, 1200}, {1, 0x7FFFFFFF, 9000}}};
}
NCP_SAMPLE_REQUEST(GetDirSpaceLimitsOld) {
    return {4};
}
NCP_SAMPLE_REPLY(GetDirSpaceLimitsOld) {
    return {{{0, 25600, 1200}}};
}
NCP_SAMPLE_REQUEST(SetDirSpaceLimit) {
    return {4, 25600};
}
NCP_SAMPLE_REQUEST(ReadFile) {
    return {makeFileHandle(0x00010007), 4097, 512};
}
NCP_SAMPLE_REPLY(ReadFile) {
    ReadFile::Reply r = replyFor<ReadFile>(request);
    r.data = Bytes(37, 'x');
    return r;
}
NCP_SAMPLE_REQUEST(WriteFile) {
    return {makeFileHandle(0x00010007), 0, Bytes{'h', 'e', 'l', 'l', 'o', '\r', '\n'}};
}
NCP_SAMPLE_REQUEST(CloseFile) {
    return {makeFileHandle(0x00010007)};
}
NCP_SAMPLE_REQUEST(GetFileSize) {
    return {makeFileHandle(0x00010007)};
}
NCP_SAMPLE_REPLY(GetFileSize) {
    return {30'521};
}
NCP_SAMPLE_REQUEST(CopyFile) {
    return {makeFileHandle(0x00010007), makeFileHandle(0x00010008), 0, 0, 30'521};
}
NCP_SAMPLE_REPLY(CopyFile) {
    return {30'521};
}
NCP_SAMPLE_REQUEST(ScanTrustees) {
    return {name_space::kDos, 0x8006, 0, samplePath({"SYS", "DATA"})};
}
NCP_SAMPLE_REPLY(ScanTrustees) {
    return {1, {{kJsmith, 0x00FB}, {0x0C000200, 0x0041}}};
}
NCP_SAMPLE_REQUEST(AddTrustees) {
    return {name_space::kDos, 0x8006, 0x01FF, samplePath({"SYS", "DATA"}), {{kJsmith, 0x00FB}}};
}
NCP_SAMPLE_REQUEST(DeleteTrustees) {
    return {name_space::kDos, samplePath({"SYS", "DATA"}), {{kJsmith, 0}}};
}
NCP_SAMPLE_REQUEST(ScanVolumeRestrictions) {
    return {1, 0};
}
NCP_SAMPLE_REPLY(ScanVolumeRestrictions) {
    return {{{kJsmith, 25600}, {kAdmin, 0x40000000}}};
}
NCP_SAMPLE_REQUEST(SetObjectRestriction) {
    return {1, {kJsmith, 25600}};
}
NCP_SAMPLE_REQUEST(RemoveObjectRestriction) {
    return {1, kJsmith};
}
NCP_SAMPLE_REQUEST(GetObjectRestriction) {
    return {1, kJsmith};
}
NCP_SAMPLE_REPLY(GetObjectRestriction) {
    return {25600, 1200};
}
NCP_SAMPLE_REQUEST(ScanSalvageable) {
    ScanSalvageable::Request r;
    r.path = samplePath({"SYS", "DATA"});
    return r;
}
NCP_SAMPLE_REPLY(ScanSalvageable) {
    ScanSalvageable::Reply r = replyFor<ScanSalvageable>(request);
    r.sequence = 5;
    r.deletedTime = 0x6120;
    r.deletedDate = 0x5B88;
    r.deletorId = kJsmith;
    r.volume = 0;
    r.dirBase = 0x1A0;
    r.info = sampleEntry("OLD.TXT", false, 0x1A9);
    return r;
}
NCP_SAMPLE_REQUEST(RecoverSalvageable) {
    return {{name_space::kDos, 5, 0, 0x1A0}, "OLD.TXT"};
}
NCP_SAMPLE_REQUEST(PurgeSalvageable) {
    return {name_space::kDos, 5, 0, 0x1A0};
}
NCP_SAMPLE_REPLY(PingNds) {
    PingNds::Reply r;
    r.treeName = padTreeName("ACME");
    r.depth = 2;
    r.revision = 0x0A0B;
    return r;
}
NCP_SAMPLE_REPLY(ReturnBinderyContext) {
    return {"OU=SALES.O=ACME"};
}
NCP_SAMPLE_REQUEST(NdsFragment) {
    return nds::requestFragments(sampleResolveName(), 64176, 64000)[0];
}
NCP_SAMPLE_REPLY(NdsFragment) {
    nds::FragmentServer server(65536);
    (void)server.onFragment(request);
    return server.answer(0, sampleResolveNameReply());
}
NCP_SAMPLE_REQUEST(NdsFragmentClose) {
    return {7};
}
NCP_SAMPLE_REPLY(EnumerateServiceAddresses) {
    EnumerateServiceAddresses::Reply r;
    r.serverUpTime = 1'296'000;
    r.consoleVersion = 1;
    r.consoleRevision = 2;
    r.guid = {0x5A, 0x12, 0x9C, 0x44, 0x01, 0x02, 0x03, 0x04,
              0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C};
    r.addresses = {tcpServiceAddress(0x7F000001, 524), {5, {0x02, 0x0C, 0x7F, 0, 0, 1}}};
    return r;
}

namespace {

nds::EntryRecord sampleDirectoryEntry(const std::string& rdn, const std::string& baseClass,
                                      std::uint32_t id) {
    nds::EntryRecord e;
    e.flags = 0x381D;
    e.entryFlags = baseClass == "User" ? 0 : nds::kEntryContainer;
    e.subordinates = baseClass == "User" ? 0 : 3;
    e.modificationTime = 1'765'000'000;
    e.baseClass = baseClass;
    e.rdn = rdn;
    e.dn = rdn + ".SALES.ACME";
    (void)id;
    return e;
}

}  // namespace

template <>
nds::ResolveName::Request sampleVerbRequest<nds::ResolveName>() {
    nds::ResolveName::Request r;
    r.name = "JSMITH.SALES.ACME";
    return r;
}
template <>
nds::ResolveName::Reply sampleVerbReply<nds::ResolveName>() {
    return {1, 0x0100002A, {}};
}
template <>
nds::ReadEntryInfo::Request sampleVerbRequest<nds::ReadEntryInfo>() {
    nds::ReadEntryInfo::Request r;
    r.entryId = 0x0100002A;
    return r;
}
template <>
nds::ReadEntryInfo::Reply sampleVerbReply<nds::ReadEntryInfo>() {
    nds::EntryRecord e;
    e.flags = nds::info::kOutputFlags | nds::info::kDn;
    e.dn = "JSMITH.SALES.ACME";
    return e;
}
template <>
nds::Read::Request sampleVerbRequest<nds::Read>() {
    nds::Read::Request r;
    r.entryId = 0x0100002B;
    r.attributes = {"Host Server"};
    return r;
}
template <>
nds::Read::Reply sampleVerbReply<nds::Read>() {
    nds::Read::Reply r;
    r.attributes = {
        {nds::syntax::kDistinguishedName, "Host Server", {{nds::stringValue("FS1.SALES.ACME")}}}};
    return r;
}
template <>
nds::List::Request sampleVerbRequest<nds::List>() {
    nds::List::Request r;
    r.parentId = 0x01000010;
    return r;
}
template <>
nds::List::Reply sampleVerbReply<nds::List>() {
    nds::List::Reply r;
    r.entries = {sampleDirectoryEntry("JSMITH", "User", 0x0100002A),
                 sampleDirectoryEntry("ADMIN", "User", 0x01000001),
                 sampleDirectoryEntry("PROJECTS", "Organizational Unit", 0x01000030)};
    return r;
}
template <>
nds::Search::Request sampleVerbRequest<nds::Search>() {
    nds::Search::Request r;
    r.baseId = 0x01000000;
    r.filter = {{0, nds::kFilterNameTag, "*"}, {0, nds::kFilterClassTag, "User"}};
    return r;
}
template <>
nds::Search::Reply sampleVerbReply<nds::Search>() {
    nds::Search::Reply r;
    r.entries = {sampleDirectoryEntry("JSMITH", "User", 0x0100002A),
                 sampleDirectoryEntry("ADMIN", "User", 0x01000001)};
    return r;
}
template <>
nds::CloseIteration::Request sampleVerbRequest<nds::CloseIteration>() {
    return {0, 0x11, nds::verb::kSearch};
}
template <>
nds::GetServerAddress::Reply sampleVerbReply<nds::GetServerAddress>() {
    return {"FS1.SALES.ACME", {{9, {0x02, 0x0C, 0x7F, 0x00, 0x00, 0x01}}}};
}

}  // namespace nw::ncp::testing

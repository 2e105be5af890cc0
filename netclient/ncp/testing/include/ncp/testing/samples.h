// A realistic request and reply for every described call: what a client and a server of a small
// network would send. The codec tests encode and decode them, write them as a capture for
// Wireshark, and seed the fuzzers with them.
#pragma once

#include <cstdint>

#include "ncp/calls.h"
#include "ncp/nds.h"
#include "ncp/nds_verbs.h"

namespace nw::ncp::testing {

template <class C>
typename C::Request sampleRequest() {
    return {};
}

template <class C>
typename C::Reply sampleReply(const typename C::Request& request) {
    return replyFor<C>(request);
}

// The directory record of a file or a folder.
EntryInfo sampleEntry(const std::string& name, bool directory, std::uint32_t entryNumber);
HandlePath samplePath(std::initializer_list<const char*> components);

// A Resolve Name message for "FS1.SALES.ACME" and its reply (entry id 0x0100002A), for the
// fragment calls.
nds::Message sampleResolveName();
Bytes sampleResolveNameReply();

// A realistic request and reply of every directory-services verb.
template <class V>
typename V::Request sampleVerbRequest() {
    return {};
}
template <class V>
typename V::Reply sampleVerbReply() {
    return {};
}
template <>
nds::ResolveName::Request sampleVerbRequest<nds::ResolveName>();
template <>
nds::ResolveName::Reply sampleVerbReply<nds::ResolveName>();
template <>
nds::ReadEntryInfo::Request sampleVerbRequest<nds::ReadEntryInfo>();
template <>
nds::ReadEntryInfo::Reply sampleVerbReply<nds::ReadEntryInfo>();
template <>
nds::Read::Request sampleVerbRequest<nds::Read>();
template <>
nds::Read::Reply sampleVerbReply<nds::Read>();
template <>
nds::List::Request sampleVerbRequest<nds::List>();
template <>
nds::List::Reply sampleVerbReply<nds::List>();
template <>
nds::Search::Request sampleVerbRequest<nds::Search>();
template <>
nds::Search::Reply sampleVerbReply<nds::Search>();
template <>
nds::CloseIteration::Request sampleVerbRequest<nds::CloseIteration>();
template <>
nds::GetServerAddress::Reply sampleVerbReply<nds::GetServerAddress>();

#define NCP_SAMPLE_REQUEST(C) \
    template <>               \
    typename call::C::Request sampleRequest<call::C>()
#define NCP_SAMPLE_REPLY(C)                       \
    template <>                                   \
    typename call::C::Reply sampleReply<call::C>( \
        [[maybe_unused]] const typename call::C::Request& request)

NCP_SAMPLE_REQUEST(NegotiateBufferSize);
NCP_SAMPLE_REPLY(NegotiateBufferSize);
NCP_SAMPLE_REQUEST(GetBigPacketSize);
NCP_SAMPLE_REPLY(GetBigPacketSize);
NCP_SAMPLE_REQUEST(ChangeConnectionState);
NCP_SAMPLE_REPLY(GetLoginKey);
NCP_SAMPLE_REQUEST(KeyedObjectLogin);
NCP_SAMPLE_REQUEST(GetBinderyObjectId);
NCP_SAMPLE_REPLY(GetBinderyObjectId);
NCP_SAMPLE_REQUEST(GetBinderyObjectName);
NCP_SAMPLE_REPLY(GetBinderyObjectName);
NCP_SAMPLE_REQUEST(ScanBinderyObject);
NCP_SAMPLE_REPLY(ScanBinderyObject);
NCP_SAMPLE_REPLY(GetBinderyAccessLevel);
NCP_SAMPLE_REPLY(GetFileServerInfo);
NCP_SAMPLE_REPLY(GetLoginStatus);
NCP_SAMPLE_REQUEST(ClearConnection);
NCP_SAMPLE_REQUEST(ClearConnectionOld);
NCP_SAMPLE_REQUEST(SendBroadcast);
NCP_SAMPLE_REPLY(SendBroadcast);
NCP_SAMPLE_REQUEST(SendBroadcastOld);
NCP_SAMPLE_REPLY(SendBroadcastOld);
NCP_SAMPLE_REPLY(GetBroadcast);
NCP_SAMPLE_REPLY(GetBroadcastOld);
NCP_SAMPLE_REQUEST(GetStationInfo);
NCP_SAMPLE_REPLY(GetStationInfo);
NCP_SAMPLE_REQUEST(GetStationInfoOld);
NCP_SAMPLE_REPLY(GetStationInfoOld);
NCP_SAMPLE_REQUEST(UserInformation);
NCP_SAMPLE_REPLY(UserInformation);
NCP_SAMPLE_REQUEST(GetConnectionUsage);
NCP_SAMPLE_REPLY(GetConnectionUsage);
NCP_SAMPLE_REQUEST(GetInternetAddress);
NCP_SAMPLE_REPLY(GetInternetAddress);
NCP_SAMPLE_REQUEST(GetInternetAddressOld);
NCP_SAMPLE_REPLY(GetInternetAddressOld);
NCP_SAMPLE_REQUEST(ConnectionsUsingFile);
NCP_SAMPLE_REPLY(ConnectionsUsingFile);
NCP_SAMPLE_REQUEST(ConnectionsUsingFileOld);
NCP_SAMPLE_REPLY(ConnectionsUsingFileOld);
NCP_SAMPLE_REQUEST(ConnectionOpenFiles);
NCP_SAMPLE_REPLY(ConnectionOpenFiles);
NCP_SAMPLE_REQUEST(ConnectionOpenFilesOld);
NCP_SAMPLE_REPLY(ConnectionOpenFilesOld);
NCP_SAMPLE_REQUEST(PhysicalLocksByFile);
NCP_SAMPLE_REPLY(PhysicalLocksByFile);
NCP_SAMPLE_REQUEST(PhysicalLocksByFileOld);
NCP_SAMPLE_REPLY(PhysicalLocksByFileOld);
NCP_SAMPLE_REQUEST(MapDirectoryNumberToPath);
NCP_SAMPLE_REPLY(MapDirectoryNumberToPath);
NCP_SAMPLE_REQUEST(GetVolumeName);
NCP_SAMPLE_REPLY(GetVolumeName);
NCP_SAMPLE_REQUEST(GetVolumeNumber);
NCP_SAMPLE_REPLY(GetVolumeNumber);
NCP_SAMPLE_REPLY(GetMountVolumeList);
NCP_SAMPLE_REQUEST(GetVolumePurgeInfo);
NCP_SAMPLE_REPLY(GetVolumePurgeInfo);
NCP_SAMPLE_REQUEST(GetVolumeInfo);
NCP_SAMPLE_REPLY(GetVolumeInfo);
NCP_SAMPLE_REQUEST(GetVolumeInfoWithNumber);
NCP_SAMPLE_REPLY(GetVolumeInfoWithNumber);
NCP_SAMPLE_REQUEST(GetExtendedVolumeInfo);
NCP_SAMPLE_REPLY(GetExtendedVolumeInfo);
NCP_SAMPLE_REQUEST(GetNameSpacesLoaded);
NCP_SAMPLE_REPLY(GetNameSpacesLoaded);
NCP_SAMPLE_REQUEST(MountVolume);
NCP_SAMPLE_REPLY(MountVolume);
NCP_SAMPLE_REQUEST(DismountVolume);
NCP_SAMPLE_REQUEST(GenerateDirBase);
NCP_SAMPLE_REPLY(GenerateDirBase);
NCP_SAMPLE_REQUEST(GetFullPath);
NCP_SAMPLE_REPLY(GetFullPath);
NCP_SAMPLE_REQUEST(ObtainEntryInfo);
NCP_SAMPLE_REPLY(ObtainEntryInfo);
NCP_SAMPLE_REQUEST(ModifyEntryInfo);
NCP_SAMPLE_REQUEST(GetEffectiveRights);
NCP_SAMPLE_REPLY(GetEffectiveRights);
NCP_SAMPLE_REQUEST(AllocShortDirHandle);
NCP_SAMPLE_REPLY(AllocShortDirHandle);
NCP_SAMPLE_REQUEST(AllocTempDirHandle);
NCP_SAMPLE_REPLY(AllocTempDirHandle);
NCP_SAMPLE_REQUEST(AllocPermDirHandle);
NCP_SAMPLE_REPLY(AllocPermDirHandle);
NCP_SAMPLE_REQUEST(DeallocDirHandle);
NCP_SAMPLE_REQUEST(GetDirectoryPath);
NCP_SAMPLE_REPLY(GetDirectoryPath);
NCP_SAMPLE_REQUEST(InitializeSearch);
NCP_SAMPLE_REPLY(InitializeSearch);
NCP_SAMPLE_REQUEST(SearchEntry);
NCP_SAMPLE_REPLY(SearchEntry);
NCP_SAMPLE_REQUEST(SearchEntrySet);
NCP_SAMPLE_REPLY(SearchEntrySet);
NCP_SAMPLE_REQUEST(OpenCreateEntry);
NCP_SAMPLE_REPLY(OpenCreateEntry);
NCP_SAMPLE_REQUEST(DeleteEntry);
NCP_SAMPLE_REQUEST(RenameEntry);
NCP_SAMPLE_REQUEST(GetDirSpaceLimits);
NCP_SAMPLE_REPLY(GetDirSpaceLimits);
NCP_SAMPLE_REQUEST(GetDirSpaceLimitsOld);
NCP_SAMPLE_REPLY(GetDirSpaceLimitsOld);
NCP_SAMPLE_REQUEST(SetDirSpaceLimit);
NCP_SAMPLE_REQUEST(ReadFile);
NCP_SAMPLE_REPLY(ReadFile);
NCP_SAMPLE_REQUEST(WriteFile);
NCP_SAMPLE_REQUEST(CloseFile);
NCP_SAMPLE_REQUEST(GetFileSize);
NCP_SAMPLE_REPLY(GetFileSize);
NCP_SAMPLE_REQUEST(CopyFile);
NCP_SAMPLE_REPLY(CopyFile);
NCP_SAMPLE_REQUEST(ScanTrustees);
NCP_SAMPLE_REPLY(ScanTrustees);
NCP_SAMPLE_REQUEST(AddTrustees);
NCP_SAMPLE_REQUEST(DeleteTrustees);
NCP_SAMPLE_REQUEST(ScanVolumeRestrictions);
NCP_SAMPLE_REPLY(ScanVolumeRestrictions);
NCP_SAMPLE_REQUEST(SetObjectRestriction);
NCP_SAMPLE_REQUEST(RemoveObjectRestriction);
NCP_SAMPLE_REQUEST(GetObjectRestriction);
NCP_SAMPLE_REPLY(GetObjectRestriction);
NCP_SAMPLE_REQUEST(ScanSalvageable);
NCP_SAMPLE_REPLY(ScanSalvageable);
NCP_SAMPLE_REQUEST(RecoverSalvageable);
NCP_SAMPLE_REQUEST(PurgeSalvageable);
NCP_SAMPLE_REPLY(PingNds);
NCP_SAMPLE_REPLY(ReturnBinderyContext);
NCP_SAMPLE_REQUEST(NdsFragment);
NCP_SAMPLE_REPLY(NdsFragment);
NCP_SAMPLE_REQUEST(NdsFragmentClose);
NCP_SAMPLE_REPLY(EnumerateServiceAddresses);

}  // namespace nw::ncp::testing

// Every described call, as one list: the table (function, subfunction, form, name) that lets a
// server answer an unknown call with 0xFB and lets tests and fuzzers visit every call, and a
// dispatcher that decodes a request, runs its handler and encodes the reply.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <type_traits>
#include <unordered_map>

#include "ncp/calls/entries.h"
#include "ncp/calls/filedata.h"
#include "ncp/calls/files.h"
#include "ncp/calls/nds.h"
#include "ncp/calls/rights.h"
#include "ncp/calls/server.h"
#include "ncp/calls/session.h"
#include "ncp/calls/volumes.h"
#include "ncp/codec.h"
#include "ncp/header.h"

namespace nw::ncp {

template <class... C>
struct CallList {
    static constexpr std::size_t size = sizeof...(C);
    template <class F>
    static void forEach(F&& f) {
        (f(std::type_identity<C>{}), ...);
    }
};

using AllCalls = CallList<
    // session and login
    call::NegotiateBufferSize, call::GetBigPacketSize, call::Logout, call::ChangeConnectionState,
    call::GetLoginKey, call::KeyedObjectLogin, call::GetBinderyObjectId, call::GetBinderyObjectName,
    call::ScanBinderyObject, call::GetBinderyAccessLevel,
    // servers and actions
    call::GetFileServerInfo, call::GetLoginStatus, call::DisableLogin, call::EnableLogin,
    call::CheckConsolePrivileges, call::ClearConnection, call::ClearConnectionOld,
    call::SendBroadcast, call::SendBroadcastOld, call::GetBroadcast, call::GetBroadcastOld,
    // connections
    call::GetStationInfo, call::GetStationInfoOld, call::UserInformation, call::GetConnectionUsage,
    call::GetInternetAddress, call::GetInternetAddressOld,
    // files
    call::ConnectionsUsingFile, call::ConnectionsUsingFileOld, call::ConnectionOpenFiles,
    call::ConnectionOpenFilesOld, call::PhysicalLocksByFile, call::PhysicalLocksByFileOld,
    call::MapDirectoryNumberToPath,
    // volumes
    call::GetVolumeName, call::GetVolumeNumber, call::GetMountVolumeList, call::GetVolumePurgeInfo,
    call::GetVolumeInfo, call::GetVolumeInfoWithNumber, call::GetExtendedVolumeInfo,
    call::GetNameSpacesLoaded, call::MountVolume, call::DismountVolume,
    // entries, handles, searches
    call::GenerateDirBase, call::GetFullPath, call::ObtainEntryInfo, call::ModifyEntryInfo,
    call::GetEffectiveRights, call::AllocShortDirHandle, call::AllocTempDirHandle,
    call::AllocPermDirHandle, call::DeallocDirHandle, call::GetDirectoryPath,
    call::InitializeSearch, call::SearchEntry, call::SearchEntrySet, call::OpenCreateEntry,
    call::DeleteEntry, call::RenameEntry, call::GetDirSpaceLimits, call::GetDirSpaceLimitsOld,
    call::SetDirSpaceLimit,
    // file data
    call::ReadFile, call::WriteFile, call::CloseFile, call::GetFileSize, call::CopyFile,
    // trustees, restrictions, salvage
    call::ScanTrustees, call::AddTrustees, call::DeleteTrustees, call::ScanVolumeRestrictions,
    call::SetObjectRestriction, call::RemoveObjectRestriction, call::GetObjectRestriction,
    call::ScanSalvageable, call::RecoverSalvageable, call::PurgeSalvageable,
    // directory services and Nmap's calls
    call::PingNds, call::ReturnBinderyContext, call::NdsFragment, call::NdsFragmentClose,
    call::EnumerateServiceAddresses>;

struct CallInfo {
    std::uint8_t function = 0;
    std::uint8_t subfunction = 0;  // 0 for plain functions
    Form form = Form::Plain;
    const char* name = "";
};

// Calls in AllCalls order.
std::span<const CallInfo> callTable();
// nullptr for a call no description covers (a server answers it 0xFB).
const CallInfo* findCall(std::uint8_t function, std::uint8_t subfunction);

inline constexpr std::uint16_t callKey(std::uint8_t function, std::uint8_t subfunction) {
    return static_cast<std::uint16_t>(function << 8 |
                                      (formOf(function) == Form::Plain ? 0 : subfunction));
}

// Runs the handler of a request's call. A handler fills the reply (prepared by replyFor, so
// request-dependent layout members are set) and returns the completion code; the reply's fields
// are sent only with completion 0. Unknown calls answer 0xFB, requests shorter than their
// layout 0x7E, a reply that cannot be encoded (a name over 255 bytes) 0xFF.
template <class Context>
class Dispatcher {
public:
    struct Answer {
        std::uint8_t completion = completion::kOk;
        Bytes data;
    };

    template <class C, class F>
    void on(F handler) {
        handlers_[callKey(C::function, C::subfunction)] = [handler](Context& ctx,
                                                                    ByteView data) -> Answer {
            std::optional<typename C::Request> request = decodeRequest<C>(data);
            if (!request) {
                return {completion::kBoundaryCheckFailed, {}};
            }
            typename C::Reply reply = replyFor<C>(*request);
            Answer answer;
            answer.completion = handler(ctx, *request, reply);
            if (answer.completion == completion::kOk) {
                std::optional<Bytes> bytes = encodeFields(reply);
                if (!bytes) {
                    return {completion::kFailure, {}};
                }
                answer.data = std::move(*bytes);
            }
            return answer;
        };
    }

    bool handles(std::uint8_t function, std::uint8_t subfunction) const {
        return handlers_.count(callKey(function, subfunction)) != 0;
    }

    Answer dispatch(Context& ctx, const RequestHeader& header, ByteView data) const {
        auto it = handlers_.find(callKey(header.function, header.subfunction));
        if (it == handlers_.end()) {
            return {completion::kUnknownRequest, {}};
        }
        return it->second(ctx, data);
    }

private:
    std::unordered_map<std::uint16_t, std::function<Answer(Context&, ByteView)>> handlers_;
};

}  // namespace nw::ncp

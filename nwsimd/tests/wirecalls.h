// Requests the volume tests send often, built on the codec: paths, opening and creating files,
// reading a file back.
#pragma once

#include <string>

#include "ncp/paths.h"
#include "wireclient.h"

namespace nw::nwsimd::testing {

constexpr std::uint8_t kDos = ncp::call::name_space::kDos;
constexpr std::uint8_t kLong = ncp::call::name_space::kLong;

inline ncp::HandlePath volumePath(const char* text) {
    return *ncp::paths::fromVolumePath(text);
}

// 87/1 in the long name space with every search attribute.
inline Answer<ncp::call::OpenCreateEntry> openCreate(WireClient& wire, ncp::HandlePath path,
                                                     std::uint8_t mode, std::uint16_t access,
                                                     std::uint32_t attributes = 0) {
    ncp::call::OpenCreateEntry::Request request;
    request.nameSpace = kLong;
    request.openCreateMode = mode;
    request.searchAttributes = 0x8006;
    request.createAttributes = attributes;
    request.desiredAccessRights = access;
    request.path = std::move(path);
    return wire.call<ncp::call::OpenCreateEntry>(request);
}

// The 6-byte handle of a file 87/1 opened or created; an invalid one when it failed.
inline ncp::FileHandle fileOf(const Answer<ncp::call::OpenCreateEntry>& answer) {
    return ncp::makeFileHandle(answer.ok() ? answer.reply->fileHandle : 0xFFFFFF00);
}

// Everything a file holds, read with 72 in chunks of `chunk` bytes from `offset`.
inline std::string readAll(WireClient& wire, const ncp::FileHandle& file, std::uint32_t offset = 0,
                           std::uint16_t chunk = 4000) {
    std::string data;
    for (;;) {
        auto read = wire.call<ncp::call::ReadFile>({file, offset, chunk});
        if (!read.ok() || read.reply->data.empty())
            return data;
        data.append(read.reply->data.begin(), read.reply->data.end());
        offset += static_cast<std::uint32_t>(read.reply->data.size());
    }
}

inline ncp::Bytes bytesOf(const std::string& text) {
    return ncp::Bytes(text.begin(), text.end());
}

}  // namespace nw::nwsimd::testing

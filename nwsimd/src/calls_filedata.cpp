// File data on the 6-byte handle of 87/1: read (72), write (73), close (66), size (71) and the
// server-side copy (74). Offsets come with each request; a handle is only taken from the session
// that opened the file (another session's handle is as unknown as a closed one).
#include <algorithm>

#include "handlers.h"
#include "wirerecords.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;

// The session's own open file behind a 6-byte handle; 0 when there is none.
NW_FILE_HANDLE ownFile(Session& s, const FileHandle& wire) {
    NW_FILE_HANDLE handle = fileHandleId(wire);
    const auto& files = s.model().services().files;
    auto it = files.find(handle);
    bool own = it != files.end() && it->second.owner == s.owner() && s.openFiles().count(handle);
    return own ? handle : 0;
}

NWCCODE seekTo(Session& s, NW_FILE_HANDLE file, std::uint32_t offset) {
    return s.model().seekFile(file, offset, SEEK_FROM_START, nullptr);
}

}  // namespace

void addFileDataCalls(CallDispatcher& d) {
    d.on<call::ReadFile>([](Session& s, const auto& rq, auto& rp) {
        NW_FILE_HANDLE file = ownFile(s, rq.handle);
        if (file == 0)
            return completionOf(INVALID_FILE_HANDLE);
        // At most what the reply buffer holds after the count and the odd-offset pad byte.
        const std::size_t fits = batchLimit(s, 2 + 1, 1);
        const auto wanted =
            static_cast<nuint32>(std::min<std::size_t>({rq.maxBytes, call::kMaxReadChunk, fits}));
        NWCCODE rc = seekTo(s, file, rq.offset);
        rp.data.resize(wanted);
        nuint32 got = 0;
        if (rc == SUCCESSFUL)
            rc = s.model().readFile(file, wanted, &got, rp.data.data());
        rp.data.resize(got);
        return completionOf(rc);
    });
    d.on<call::WriteFile>([](Session& s, const auto& rq, auto&) {
        NW_FILE_HANDLE file = ownFile(s, rq.handle);
        if (file == 0)
            return completionOf(INVALID_FILE_HANDLE);
        NWCCODE rc = seekTo(s, file, rq.offset);
        nuint32 written = 0;
        if (rc == SUCCESSFUL)
            rc = s.model().writeFile(file, static_cast<nuint32>(rq.data.size()), rq.data.data(),
                                     &written);
        return completionOf(rc);
    });
    d.on<call::CloseFile>([](Session& s, const auto& rq, auto&) {
        NW_FILE_HANDLE file = ownFile(s, rq.handle);
        if (file == 0)
            return completionOf(INVALID_FILE_HANDLE);
        s.openFiles().erase(file);
        return completionOf(s.model().closeFile(file));
    });
    d.on<call::GetFileSize>([](Session& s, const auto& rq, auto& rp) {
        NW_FILE_HANDLE file = ownFile(s, rq.handle);
        if (file == 0)
            return completionOf(INVALID_FILE_HANDLE);
        nint64 end = 0;
        NWCCODE rc = s.model().seekFile(file, 0, SEEK_FROM_END, &end);
        if (rc != SUCCESSFUL)
            return completionOf(rc);
        rp.size = saturate32(static_cast<std::uint64_t>(end));
        return completion::kOk;
    });
    d.on<call::CopyFile>([](Session& s, const auto& rq, auto& rp) {
        NW_FILE_HANDLE source = ownFile(s, rq.source);
        NW_FILE_HANDLE target = ownFile(s, rq.target);
        if (source == 0 || target == 0)
            return completionOf(INVALID_FILE_HANDLE);
        nuint64 copied = 0;
        NWCCODE rc = s.model().copyFileData(source, target, rq.sourceOffset, rq.targetOffset,
                                            rq.count, copied);
        rp.copied = saturate32(copied);
        return completionOf(rc);
    });
}

}  // namespace nw::nwsimd

// Open files, the stations using them and their record locks: 23/236 and 23/220, 23/235 and
// 23/219, 23/238 and 23/222, and 23/243 (a directory number's path). The list calls answer a
// batch from the request's record on and the record to go on from (0: the list is complete).
// They need a logged-in caller (ServerModel::mayWatch).
#include <algorithm>

#include "handlers.h"
#include "wirepaths.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;

// The slice [first, first + limit) of n records and the next record to ask for.
struct Slice {
    std::size_t first = 0;
    std::size_t end = 0;
    std::uint16_t next = 0;
};

Slice slice(std::size_t n, std::size_t first, std::size_t limit) {
    Slice s;
    s.first = std::min(first, n);
    s.end = s.first + std::min(limit, n - s.first);
    s.next = s.end < n ? static_cast<std::uint16_t>(s.end) : 0;
    return s;
}

template <class Reply>
void fillUsers(const sim::Entry& file, std::size_t first, std::size_t limit, Reply& rp) {
    const sim::FileUsage* usage = file.usage.get();
    std::size_t n = usage != nullptr ? usage->openers.size() : 0;
    auto count = static_cast<std::uint16_t>(std::min<std::size_t>(n, 0xFFFF));
    rp.usage.useCount = count;
    rp.usage.openCount = count;
    rp.locked = usage != nullptr && !usage->locks.empty() ? 1 : 0;
    Slice s = slice(n, first, std::min<std::size_t>(limit, 0xFFFF));
    rp.nextRecord = s.next;
    rp.connections.reserve(s.end - s.first);
    for (std::size_t i = s.first; i < s.end; ++i) {
        const sim::Opener& opener = usage->openers[i];
        rp.connections.push_back({opener.station->number, opener.task, 0, 0, 0});
    }
}

template <class Reply>
void fillLocks(const sim::Entry& file, std::size_t first, std::size_t limit, Reply& rp) {
    const sim::FileUsage* usage = file.usage.get();
    std::size_t n = usage != nullptr ? usage->locks.size() : 0;
    Slice s = slice(n, first, limit);
    rp.nextRecord = s.next;
    rp.locks.reserve(s.end - s.first);
    for (std::size_t i = s.first; i < s.end; ++i) {
        const sim::Lock& lock = usage->locks[i];
        rp.locks.push_back({1, 0, lock.start, lock.end, lock.station->number,
                            static_cast<std::uint8_t>(lock.task), lock.type});
    }
}

std::uint8_t fileNamed(Session& s, nuint8 dirHandle, const std::string& path,
                       sim::Located& target) {
    if (NWCCODE rc = s.model().mayWatch(s.caller()); rc != SUCCESSFUL)
        return completionOf(rc);
    if (NWCCODE rc = locateText(s, dirHandle, path, NW_NS_DOS, target); rc != SUCCESSFUL)
        return completionOf(rc);
    return target.entry->isDirectory ? completion::kFailure : completion::kOk;
}

std::uint8_t fileNumbered(Session& s, nuint8 volume, nuint32 dirBase, sim::Located& target) {
    if (NWCCODE rc = s.model().mayWatch(s.caller()); rc != SUCCESSFUL)
        return completionOf(rc);
    if (NWCCODE rc = locateNumber(s, volume, dirBase, target); rc != SUCCESSFUL)
        return completionOf(rc);
    return target.entry->isDirectory ? completion::kFailure : completion::kOk;
}

std::uint8_t watchedStation(Session& s, std::uint32_t number, const sim::Station*& station) {
    if (NWCCODE rc = s.model().mayWatch(s.caller()); rc != SUCCESSFUL)
        return completionOf(rc);
    station = s.server().station(number);
    return station == nullptr ? completionOf(BAD_STATION_NUMBER) : completion::kOk;
}

}  // namespace

void addFileCalls(CallDispatcher& d) {
    d.on<call::ConnectionsUsingFile>([](Session& s, const auto& rq, auto& rp) {
        sim::Located target;
        std::uint8_t rc = fileNumbered(s, rq.volume, rq.dirBase, target);
        if (rc == completion::kOk)
            fillUsers(*target.entry, rq.lastRecord, batchLimit(s, 18, 7), rp);
        return rc;
    });
    d.on<call::ConnectionsUsingFileOld>([](Session& s, const auto& rq, auto& rp) {
        sim::Located target;
        std::uint8_t rc = fileNamed(s, rq.dirHandle, rq.path, target);
        if (rc == completion::kOk)
            fillUsers(*target.entry, rq.lastRecord,
                      std::min<std::size_t>(batchLimit(s, 16, 7), 255), rp);
        return rc;
    });

    d.on<call::ConnectionOpenFiles>([](Session& s, const auto& rq, auto& rp) {
        const sim::Station* station = nullptr;
        std::uint8_t rc = watchedStation(s, rq.connection, station);
        if (rc != completion::kOk)
            return rc;
        Slice range = slice(station->openFiles.size(), rq.lastRecord,
                            std::min<std::size_t>(batchLimit(s, 4, 30), 0xFFFF));
        rp.nextRecord = range.next;
        for (std::size_t i = range.first; i < range.end; ++i) {
            const sim::OpenFile& open = station->openFiles[i];
            call::OpenFile record;
            record.task = open.task;
            record.volume = open.volume->number;
            record.parent = open.file->parent != nullptr ? open.file->parent->number : 0;
            record.dirEntry = open.file->number;
            record.nameSpace = NW_NS_DOS;
            record.name = open.file->dosName;
            rp.files.push_back(std::move(record));
        }
        return completion::kOk;
    });
    d.on<call::ConnectionOpenFilesOld>([](Session& s, const auto& rq, auto& rp) {
        const sim::Station* station = nullptr;
        std::uint8_t rc = watchedStation(s, rq.connection, station);
        if (rc != completion::kOk)
            return rc;
        Slice range = slice(station->openFiles.size(), rq.lastRecord,
                            std::min<std::size_t>(batchLimit(s, 3, 21), 255));
        rp.nextRecord = range.next;
        for (std::size_t i = range.first; i < range.end; ++i) {
            const sim::OpenFile& open = station->openFiles[i];
            call::OpenFileOld record;
            record.task = static_cast<std::uint8_t>(open.task);
            record.volume = open.volume->number;
            record.dirEntry = static_cast<std::uint16_t>(open.file->number);
            record.name = open.file->dosName;
            rp.files.push_back(std::move(record));
        }
        return completion::kOk;
    });

    d.on<call::PhysicalLocksByFile>([](Session& s, const auto& rq, auto& rp) {
        sim::Located target;
        std::uint8_t rc = fileNumbered(s, rq.volume, rq.dirBase, target);
        if (rc == completion::kOk)
            fillLocks(*target.entry, rq.lastRecord,
                      std::min<std::size_t>(batchLimit(s, 4, 16), 0xFFFF), rp);
        return rc;
    });
    d.on<call::PhysicalLocksByFileOld>([](Session& s, const auto& rq, auto& rp) {
        sim::Located target;
        std::uint8_t rc = fileNamed(s, rq.dirHandle, rq.path, target);
        if (rc == completion::kOk)
            fillLocks(*target.entry, rq.lastRecord,
                      std::min<std::size_t>(batchLimit(s, 4, 16), 255), rp);
        return rc;
    });

    d.on<call::MapDirectoryNumberToPath>([](Session& s, const auto& rq, auto& rp) {
        if (NWCCODE rc = s.model().mayWatch(s.caller()); rc != SUCCESSFUL)
            return completionOf(rc);
        sim::Volume* volume = sim::ServerModel::mountedVolume(s.server(), rq.volume);
        if (volume == nullptr)
            return completionOf(VOLUME_DOES_NOT_EXIST);
        if (!volume->hasNameSpace(rq.nameSpace))
            return completionOf(INVALID_NAME_SPACE);
        const sim::Entry* entry = volume->entry(rq.dirNumber);
        if (entry == nullptr || entry->gone)
            return completionOf(INVALID_PATH);
        rp.components = sim::pathNames(entry, rq.nameSpace);
        return completion::kOk;
    });
}

}  // namespace nw::nwsimd

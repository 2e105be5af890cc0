// Volumes by name and number: 22/6, 22/5, and the mount list 22/52.
#include "handlers.h"

namespace nw::nwsimd {

namespace {

using namespace ncp;

// Volume records one 22/52 reply carries at most.
constexpr std::size_t kMountListBatch = 64;

}  // namespace

void addVolumeCalls(CallDispatcher& d) {
    d.on<call::GetVolumeName>([](Session& s, const auto& rq, auto& rp) {
        const sim::Volume* volume = sim::ServerModel::mountedVolume(s.server(), rq.volume);
        if (volume == nullptr)
            return completionOf(VOLUME_DOES_NOT_EXIST);
        rp.volumeName = volume->name;
        return completion::kOk;
    });
    d.on<call::GetVolumeNumber>([](Session& s, const auto& rq, auto& rp) {
        const sim::Volume* volume = s.server().volumeNamed(sim::upperAscii(rq.volumeName));
        if (volume == nullptr || !volume->mounted)
            return completionOf(VOLUME_DOES_NOT_EXIST);
        rp.volume = volume->number;
        return completion::kOk;
    });
    d.on<call::GetMountVolumeList>([](Session& s, const auto& rq, auto& rp) {
        const sim::Server& server = s.server();
        for (std::uint32_t number = rq.startVolume; number < server.volumeByNumber.size();
             ++number) {
            const sim::Volume* volume = sim::ServerModel::mountedVolume(server, number);
            if (volume == nullptr)
                continue;
            if (rp.volumes.size() == kMountListBatch) {
                rp.nextVolume = number;
                break;
            }
            rp.volumes.push_back({volume->number, rp.withNames ? volume->name : std::string()});
        }
        return completion::kOk;
    });
}

}  // namespace nw::nwsimd

// The model's records as the wire carries them: the 87 family's entry record, a deleted file's.
#pragma once

#include <cstdint>

#include "ncp/calls/records.h"
#include "netclient/volume.h"

namespace nw::nwsimd {

// A count the wire holds in 32 bits, capped at 0xFFFFFFFF.
std::uint32_t saturate32(std::uint64_t value);

// The entry record of the wire from the model's.
ncp::EntryInfo wireRecord(const NW_ENTRY_INFO& info);

// The entry record of a deleted file as it was when erased (entry number: its directory's).
ncp::EntryInfo wireRecord(const NW_DELETED_FILE& deleted, std::uint16_t volume);

}  // namespace nw::nwsimd

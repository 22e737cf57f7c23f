// Many events read in one call: one IMPProperties read (an id of this host's own) fills a record for
// each key of a list under one hold of the host's lock, so a client reading again the thousands of
// events a large edit changed makes one call per page of them instead of one per event. A host without
// it answers E_INVALIDARG; clients then read event by event.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mp/block_events.h"
#include "mp/host_contract.h"

namespace mp {

// GetProperty(PID_READ_EVENT_LIST, 0, 0, 0, size, out): `out` starts with an MPReadListHeader naming
// `count` keys and has room for `count` MPBlockEvent records after it. Record i is key i's event as
// Get at the event level in ticks reads it (a variable-length kind gives its byte length and no data
// bytes, as the block read does), or all zero (event 0) where that Get would fail: the event is gone,
// or lies outside the key's block or track (zero words match any). S_OK; E_INVALIDARG, with nothing
// written, for non-zero selectors, an entry size other than sizeof(MPBlockEvent), a size too small for
// the count, or null keys with a non-zero count; E_POINTER for a null out.
inline constexpr win::GUID PID_READ_EVENT_LIST{0x3E8A6C17, 0x94D2, 0x4B05, {0x8C, 0x61, 0x2F, 0xB4, 0x07, 0xD9, 0x5A, 0xE3}};

struct MPReadListHeader {
    std::uint32_t count;     // keys to read
    std::uint32_t entrySize; // sizeof(MPBlockEvent)
    const EventKey* keys;    // the events, `count` of them
    std::uint64_t reserved;  // 0
};
static_assert(sizeof(MPReadListHeader) == 24);

} // namespace mp

// Many events selected or deselected in one call: one IMPProperties write (an id of this host's own)
// takes a list of events, so a marquee over a huge track holds the host's lock once instead of twice
// per event. Each event whose selection changes is reported and recorded exactly as a flags-only Set
// of it would be, in the list's order. A host without it answers E_INVALIDARG; clients then write
// event by event.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mp/host_contract.h"

namespace mp {

// SetProperty(PID_SELECT_EVENT_LIST, SELECT_SET or SELECT_CLEAR, 0, size, in): `in` holds an
// MPSelectListHeader followed by `count` MPSelectListEntry records. For each entry in turn, an event
// that is alive, lies in the key's block and track (zero words match any), whose first data byte lies
// in [low, high] (variable-length kinds count as 0) and whose MEF_SELECTED differs from the mode gets
// that bit set or cleared; the others are passed over. The keys of the changed events are written, in
// order, to `changed` (room for `count` keys; may be null) and their number to `changedCount` (may be
// null). E_INVALIDARG, with nothing changed, for another mode, a non-zero selector2, an entry size
// other than sizeof(MPSelectListEntry), a size too small for the count or an `in` not aligned to 8
// bytes; E_POINTER for a null in.
inline constexpr win::GUID PID_SELECT_EVENT_LIST{0x7B3D51A2, 0x0C4E, 0x4F19, {0xA6, 0x2E, 0x51, 0x8D, 0x0F, 0x37, 0xC2, 0x94}};

struct MPSelectListHeader {
    std::uint32_t count;         // entries that follow
    std::uint32_t entrySize;     // sizeof(MPSelectListEntry)
    EventKey* changed;           // out: the keys of the events whose selection changed
    std::uint32_t* changedCount; // out: how many
    std::uint64_t reserved;      // 0
};
static_assert(sizeof(MPSelectListHeader) == 32);

// 16 bytes: one event and the range its first data byte must lie in.
struct MPSelectListEntry {
    EventKey key;
    std::uint8_t low;
    std::uint8_t high;
    std::uint8_t reserved[2];
};
static_assert(sizeof(MPSelectListEntry) == 16);
static_assert(offsetof(MPSelectListEntry, low) == 12 && offsetof(MPSelectListEntry, high) == 13);

} // namespace mp

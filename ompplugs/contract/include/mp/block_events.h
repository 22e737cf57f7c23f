// A block's events read in bulk: one IMPProperties call (an id of this host's own) fills a page of
// packed records, so a client reading a whole track makes one call per page instead of one per event.
// A host without it answers E_INVALIDARG; clients then walk the block with FindFirst/FindNext.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mp/host_contract.h"

namespace mp {

// GetProperty(PID_BLOCK_EVENTS, block id, first index, 0, size, out) fills an MPBlockEventsHeader
// followed by as many MPBlockEvent records as `size` holds, the block's events in time order (as
// FindFirst/FindNext give them at level 3 with every kind) from index `first` on. The page is read under
// one hold of the host's lock. S_OK when the block's last event is in the page (or the block has none),
// S_FALSE when more follow (ask again from first + returned). E_INVALIDARG for an unknown block, a first
// index past the block's count, or a size below the header's; E_POINTER for a null out.
inline constexpr win::GUID PID_BLOCK_EVENTS{0x5C0A7E31, 0x2B6D, 0x4E1A, {0x9F, 0x52, 0x6D, 0x3E, 0x1B, 0x7A, 0x4C, 0x03}};

// 16 bytes, leading the page.
struct MPBlockEventsHeader {
    std::uint32_t count;     // events in the block now: a change between pages means the block changed
    std::uint32_t entrySize; // sizeof(MPBlockEvent)
    std::uint32_t first;     // index in the block of the first record that follows
    std::uint32_t returned;  // records that follow
};
static_assert(sizeof(MPBlockEventsHeader) == 16);
static_assert(offsetof(MPBlockEventsHeader, entrySize) == 4 && offsetof(MPBlockEventsHeader, first) == 8 &&
              offsetof(MPBlockEventsHeader, returned) == 12);

// 32 bytes: one event, its fields as a MidiEventRecord in ticks would hold them.
struct MPBlockEvent {
    std::uint32_t event;  // the event's id (its key's event word)
    std::uint32_t kind;   // MEK_…
    std::int64_t time;    // ticks after the block's start
    std::uint32_t length; // duration in ticks for notes; byte length for variable-length kinds
    std::uint32_t flags;  // MEF_…
    std::int32_t channel; // as MidiEventRecord::channel
    std::uint8_t data[4]; // data bytes 1-4 of fixed-length kinds (a note's pitch and velocity); 0 for variable kinds
};
static_assert(sizeof(MPBlockEvent) == 32);
static_assert(offsetof(MPBlockEvent, kind) == 4 && offsetof(MPBlockEvent, time) == 8 && offsetof(MPBlockEvent, length) == 16 &&
              offsetof(MPBlockEvent, flags) == 20 && offsetof(MPBlockEvent, channel) == 24 &&
              offsetof(MPBlockEvent, data) == 28);

} // namespace mp

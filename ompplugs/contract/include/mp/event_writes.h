// Many events' changes written in one call: one IMPProperties call (an id of this host's own) applies a
// whole array of event writes, or deletes a whole array of events, under one hold of the host's lock,
// so a client committing a large edit makes one call instead of one Set or Delete per event. A host
// without them answers E_INVALIDARG; clients then call Set or Delete for each event.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mp/host_contract.h"
#include "mp/records.h"

namespace mp {

// SetProperty(PID_SET_EVENTS, count, order, size, in) applies the `count` MPEventWrite records at `in`
// (size at least count * sizeof(MPEventWrite)) as Set(&key, LEVEL_EVENT, &record, mask) would apply
// each, one after another: from the first to the last, or from the last to the first when `order` is
// MP_EVENT_WRITES_BACKWARD. They join the caller's open transaction, or make one of their own. An
// event may be written more than once; the later write sees the earlier one's result. All or nothing:
// S_OK when every write was applied (an empty array included); MP_E_EVENT_WRITES_REFUSED, with nothing
// applied, when any of them would fail (an event that is gone, a key naming another block or track, a
// value Set refuses); E_INVALIDARG for an unknown order or a size too small; E_POINTER for a null in.
inline constexpr win::GUID PID_SET_EVENTS{0x5C0A7E32, 0x2B6D, 0x4E1A, {0x9F, 0x52, 0x6D, 0x3E, 0x1B, 0x7A, 0x4C, 0x04}};

inline constexpr win::DWORD MP_EVENT_WRITES_FORWARD = 0;
inline constexpr win::DWORD MP_EVENT_WRITES_BACKWARD = 1;

// SetProperty(PID_DELETE_EVENTS, count, 0, size, in) deletes the events named by the `count` EventKey
// records at `in` (size at least count * sizeof(EventKey)) as Delete(LEVEL_EVENT, &key) would delete
// each, from the first to the last, and reports them in that order. They join the caller's open
// transaction, or make one of their own. All or nothing: S_OK when every event was deleted (an empty
// array included); MP_E_EVENT_WRITES_REFUSED, with nothing deleted, when any Delete would fail (an
// event that is gone or named twice, a key naming another block or track); E_INVALIDARG for a non-zero
// second selector or a size too small; E_POINTER for a null in.
inline constexpr win::GUID PID_DELETE_EVENTS{0x5C0A7E32, 0x2B6D, 0x4E1A, {0x9F, 0x52, 0x6D, 0x3E, 0x1B, 0x7A, 0x4C, 0x05}};

constexpr win::HRESULT MP_E_EVENT_WRITES_REFUSED = win::MakeHr(0x8004E030u);

// 88 bytes: the key of the event, its record as Set takes it, and Set's change mask.
struct MPEventWrite {
    EventKey key;
    MidiEventRecord record;
    std::uint32_t mask;
};
static_assert(sizeof(MPEventWrite) == 88);
static_assert(offsetof(MPEventWrite, key) == 0 && offsetof(MPEventWrite, record) == 16 &&
              offsetof(MPEventWrite, mask) == 80);

} // namespace mp

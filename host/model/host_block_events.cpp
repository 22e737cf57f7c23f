// The host object's bulk calls: a page of a block's events read, a list of events read or selected,
// under one hold of the lock.
#include <algorithm>
#include <cstddef>
#include <cstring>

#include "model/host_project.h"
#include "mp/block_events.h"
#include "mp/event_reads.h"
#include "mp/select_events.h"

namespace host {

namespace {

// Field by field into the page: a record built whole on the stack and copied out costs a stalled
// wide reload of its narrow stores for every event.
void PutEvent(std::uint8_t* at, std::uint32_t id, const Store::EventFields& f) {
    const auto put = [&](std::size_t offset, const auto& value) { std::memcpy(at + offset, &value, sizeof value); };
    const bool variable = IsVariableKind(f.kind);
    const std::uint32_t length = !variable ? f.length : f.bytes ? static_cast<std::uint32_t>(f.bytes->size()) : 0;
    static constexpr std::uint8_t kNoData[4] = {0, 0, 0, 0};
    put(offsetof(mp::MPBlockEvent, event), id);
    put(offsetof(mp::MPBlockEvent, kind), f.kind);
    put(offsetof(mp::MPBlockEvent, time), f.time);
    put(offsetof(mp::MPBlockEvent, length), length);
    put(offsetof(mp::MPBlockEvent, flags), f.flags);
    put(offsetof(mp::MPBlockEvent, channel), f.channel);
    std::memcpy(at + offsetof(mp::MPBlockEvent, data), variable ? kNoData : f.data, 4);
}

} // namespace

win::HRESULT HostProject::GetBlockEvents(std::uint32_t block, std::uint32_t first, win::DWORD size, void* out) {
    if (size < sizeof(mp::MPBlockEventsHeader)) return win::E_INVALIDARG;
    if (!store_.BlockAlive(block)) return win::E_INVALIDARG;
    const std::vector<std::uint32_t>& events = store_.EventsOf(block);
    if (first > events.size()) return win::E_INVALIDARG;
    const std::size_t room = (size - sizeof(mp::MPBlockEventsHeader)) / sizeof(mp::MPBlockEvent);
    const std::size_t returned = std::min(room, events.size() - first);
    auto* bytes = static_cast<std::uint8_t*>(out) + sizeof(mp::MPBlockEventsHeader);
    for (std::size_t i = 0; i < returned; ++i) {
        const std::uint32_t id = events[first + i];
        Store::EventFields f{};
        if (!store_.ReadEventFields(id, &f)) return win::E_UNEXPECTED; // listed but not alive: never
        PutEvent(bytes + i * sizeof(mp::MPBlockEvent), id, f);
    }
    const mp::MPBlockEventsHeader header{static_cast<std::uint32_t>(events.size()), sizeof(mp::MPBlockEvent), first,
                                         static_cast<std::uint32_t>(returned)};
    std::memcpy(out, &header, sizeof header);
    return first + returned == events.size() ? win::S_OK : win::S_FALSE;
}

win::HRESULT HostProject::ReadListedEvents(win::DWORD selector1, win::DWORD selector2, win::DWORD size, void* out) {
    if (!out) return win::E_POINTER;
    if (selector1 || selector2 || size < sizeof(mp::MPReadListHeader)) return win::E_INVALIDARG;
    mp::MPReadListHeader header;
    std::memcpy(&header, out, sizeof header);
    if (header.entrySize != sizeof(mp::MPBlockEvent) || (size - sizeof header) / sizeof(mp::MPBlockEvent) < header.count ||
        (header.count && !header.keys))
        return win::E_INVALIDARG;
    auto* bytes = static_cast<std::uint8_t*>(out) + sizeof header;
    std::lock_guard lock(mutex_);
    // The keys of a list mostly share a block: its track is looked up once per block met.
    std::uint32_t lastBlock = 0, lastTrack = 0;
    const auto trackOf = [&](std::uint32_t block) {
        if (block != lastBlock) lastTrack = store_.Block(block)->track;
        lastBlock = block;
        return lastTrack;
    };
    for (std::uint32_t i = 0; i < header.count; ++i) {
        const mp::EventKey key = header.keys[i];
        std::uint8_t* at = bytes + std::size_t{i} * sizeof(mp::MPBlockEvent);
        Store::EventFields f{};
        // The checks of a Get at the event level: alive, in the key's block and track.
        if (key.event && store_.ReadEventFields(key.event, &f) && (!key.block || key.block == f.block) &&
            (!key.track || key.track == trackOf(f.block)))
            PutEvent(at, key.event, f);
        else
            std::memset(at, 0, sizeof(mp::MPBlockEvent));
    }
    return win::S_OK;
}

win::HRESULT HostProject::SelectListedEvents(win::DWORD mode, win::DWORD selector2, win::DWORD size, const void* in) {
    if (!in) return win::E_POINTER;
    if ((mode != mp::SELECT_SET && mode != mp::SELECT_CLEAR) || selector2 || size < sizeof(mp::MPSelectListHeader) ||
        reinterpret_cast<std::uintptr_t>(in) % alignof(mp::MPSelectListHeader))
        return win::E_INVALIDARG;
    mp::MPSelectListHeader header;
    std::memcpy(&header, in, sizeof header);
    if (header.entrySize != sizeof(mp::MPSelectListEntry) ||
        (size - sizeof header) / sizeof(mp::MPSelectListEntry) < header.count)
        return win::E_INVALIDARG;
    const auto* entries = reinterpret_cast<const mp::MPSelectListEntry*>(static_cast<const std::uint8_t*>(in) + sizeof header);
    Batch batch;
    std::uint32_t changed = 0;
    {
        std::lock_guard lock(mutex_);
        changed = store_.SelectListed(entries, header.count, mode == mp::SELECT_SET, header.changed);
        TakeBatch(batch);
    }
    if (header.changedCount) *header.changedCount = changed;
    Deliver(batch);
    return win::S_OK;
}

} // namespace host

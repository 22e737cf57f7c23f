// The host object's bulk read of a block's events: a page of packed records under one hold of the lock.
#include <algorithm>
#include <cstring>

#include "model/host_project.h"
#include "mp/block_events.h"

namespace host {

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
        mp::MPBlockEvent e{id, f.kind, f.time, f.length, f.flags, f.channel, {0, 0, 0, 0}};
        if (IsVariableKind(f.kind)) e.length = f.bytes ? static_cast<std::uint32_t>(f.bytes->size()) : 0;
        else std::memcpy(e.data, f.data, 4);
        std::memcpy(bytes + i * sizeof e, &e, sizeof e);
    }
    const mp::MPBlockEventsHeader header{static_cast<std::uint32_t>(events.size()), sizeof(mp::MPBlockEvent), first,
                                         static_cast<std::uint32_t>(returned)};
    std::memcpy(out, &header, sizeof header);
    return first + returned == events.size() ? win::S_OK : win::S_FALSE;
}

} // namespace host

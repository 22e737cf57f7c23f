// Helpers over the contract's records: clearing an event record with its owned data, kind classes, key order.
#pragma once

#include <cstdint>

#include "mp/records.h"

namespace mp {

// Frees the record's task-memory data (variable kinds), zero-fills it and sets kind MEK_NONE.
void ClearRecord(MidiEventRecord& r) noexcept;
// Frees the task-memory data a record read from the host owns (variable kinds) and leaves the rest.
void FreeEventData(const MidiEventRecord& r) noexcept;
// Whether the kind is exactly one bit of the kinds whose data lives in task memory.
bool IsVariableKind(std::uint32_t kind) noexcept;
// Word by word (track, block, event): <0, 0, >0.
int CompareKeys(const EventKey& a, const EventKey& b) noexcept;
// Word by word, inline: the list's upkeep compares keys once or twice per event of a large edit.
inline bool operator==(const EventKey& a, const EventKey& b) noexcept {
    return a.track == b.track && a.block == b.block && a.event == b.event;
}

} // namespace mp

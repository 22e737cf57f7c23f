// Inside the model only: turning the host's event records into the editor's types and back. The one
// place that knows which record field holds a pitch, a velocity or a controller value.
#pragma once

#include <algorithm>
#include <cstdint>

#include "model/note.h"
#include "mp/records.h"

namespace pianoroll::records {

// The note a record shows (offsets applied, time counted from `ref.base`); false for another kind.
// Inline: a long walk builds `ref` just before, and a call would reload it wide, a stall per note.
inline bool ToNote(const mp::MidiEventRecord& record, const EventRef& ref, Note* note) {
    if (record.kind != mp::MEK_NOTE) return false;
    note->ref = ref;
    note->start = ref.base + record.time;
    note->length = record.length;
    note->pitch = record.data[0];
    note->velocity = record.data[1];
    note->channel = record.channel;
    note->selected = (record.flags & mp::MEF_SELECTED) != 0;
    return true;
}
// Writes a note's times, pitch, velocity and selection into the record of its event, keeping the rest.
// Inline too: a drag step writes every note it moves.
inline void WriteNote(const Note& note, mp::MidiEventRecord& record) {
    const auto dataByte = [](int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 127)); };
    record.time = note.start - note.ref.base;
    record.length = static_cast<std::uint32_t>(std::clamp<std::int64_t>(note.length, 0, UINT32_MAX));
    record.data[0] = dataByte(note.pitch);
    record.data[1] = dataByte(note.velocity);
    record.flags = note.selected ? (record.flags | mp::MEF_SELECTED) : (record.flags & ~mp::MEF_SELECTED);
}
// The lane event a record shows; false for a kind no lane shows.
bool ToLaneEvent(const mp::MidiEventRecord& record, const EventRef& ref, LaneEvent* event);
// The kind bit and the two data bytes of a lane event.
std::uint32_t KindOf(LaneKind kind);
void DataOf(const LaneEvent& event, int* data1, int* data2);
// Whether the record is selected; its absolute start.
bool IsSelected(const mp::MidiEventRecord& record);
std::int64_t StartOf(const mp::MidiEventRecord& record, std::int64_t base);
// Moves the record to an absolute start.
void MoveRecord(mp::MidiEventRecord& record, std::int64_t start, std::int64_t base);

} // namespace pianoroll::records

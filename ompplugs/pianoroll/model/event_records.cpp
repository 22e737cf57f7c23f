// Record fields by meaning: a note's pitch and velocity are its two data bytes, a control change's
// number and value too, and a pitch bend's value is seven bits in each, low first.
#include "model/event_records.h"

#include <algorithm>
#include <cstdint>

namespace pianoroll::records {

namespace {

constexpr int kSevenBits = 7;
constexpr int kSevenBitMask = 0x7F;


} // namespace

bool ToLaneEvent(const mp::MidiEventRecord& record, const EventRef& ref, LaneEvent* event) {
    if (record.kind == mp::MEK_CONTROL) {
        event->kind = LaneKind::Controller;
        event->controller = record.data[0];
        event->value = record.data[1];
    } else if (record.kind == mp::MEK_PITCH_BEND) {
        event->kind = LaneKind::PitchBend;
        event->controller = 0;
        event->value = (record.data[1] & kSevenBitMask) << kSevenBits | (record.data[0] & kSevenBitMask);
    } else {
        return false;
    }
    event->ref = ref;
    event->tick = ref.base + record.time;
    event->channel = record.channel;
    event->selected = IsSelected(record);
    return true;
}

std::uint32_t KindOf(LaneKind kind) { return kind == LaneKind::PitchBend ? mp::MEK_PITCH_BEND : mp::MEK_CONTROL; }

void DataOf(const LaneEvent& event, int* data1, int* data2) {
    if (event.kind == LaneKind::PitchBend) {
        *data1 = event.value & kSevenBitMask;
        *data2 = event.value >> kSevenBits;
    } else {
        *data1 = event.controller;
        *data2 = event.value;
    }
}

bool IsSelected(const mp::MidiEventRecord& record) { return (record.flags & mp::MEF_SELECTED) != 0; }

std::int64_t StartOf(const mp::MidiEventRecord& record, std::int64_t base) { return base + record.time; }

void MoveRecord(mp::MidiEventRecord& record, std::int64_t start, std::int64_t base) { record.time = start - base; }

} // namespace pianoroll::records

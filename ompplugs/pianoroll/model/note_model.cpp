// Reading the shown track's notes and lane events through the track access, and selecting notes.
#include "model/note_model.h"

#include "model/event_records.h"
#include "mp/naming.h"
#include "mp/track_access.h"

namespace pianoroll {

using win::S_OK;

bool NoteModel::Read(const NoteKey& key, Note* note) const {
    mp::MidiEventRecord record{};
    if (!access_ || access_->GetEvent(key, &record) != S_OK) return false;
    mp::FreeEventData(record);
    if (record.kind != mp::MEK_NOTE) return false;
    return records::ToNote(record, EventRef{key, -1, access_->BlockStart(key)}, note);
}

void NoteModel::ForEachNote(std::int64_t from, std::int64_t length, const KeyFilter& skip,
                            const NoteVisitor& visit) const {
    if (!access_) return;
    access_->ForEachEventInRange(from, length, mp::MEK_NOTE, skip, [&](const mp::TrackAccess::WalkedEvent& e) {
        Note note;
        if (records::ToNote(e.record, EventRef{e.key, -1, e.blockStart}, &note)) visit(note);
    }, true); // a note needs none of the host words
}

bool NoteModel::FindNoteAt(std::int64_t time, std::int64_t tolerance, int row, NoteKey* key) const {
    return access_ && access_->FindNoteAt(time, tolerance, row, key) == S_OK;
}

std::int64_t NoteModel::TrackEnd() const { return access_ ? access_->TrackEnd() : 0; }

int NoteModel::RowOfPitch(int pitch) const {
    return pitch >= kLowestPitch && pitch <= kHighestPitch ? kHighestPitch - pitch : -1;
}

int NoteModel::PitchOfRow(int row) const {
    mp::PitchRow pitchRow{};
    if (access_ && access_->GetPitchRow(row, &pitchRow) == S_OK) return pitchRow.note;
    return kHighestPitch - row;
}

void NoteModel::ForEachLaneEvent(const LaneFilter& filter, std::int64_t from, std::int64_t length,
                                 const LaneVisitor& visit) const {
    if (!access_) return;
    int cursor = -1;
    NoteKey key{};
    mp::MidiEventRecord record{};
    while (access_->NextEventInRange(&cursor, from, length, records::KindOf(filter.kind), true, &key, &record) == S_OK) {
        LaneEvent event;
        if (records::ToLaneEvent(record, EventRef{key, -1, access_->ListedStart(cursor) - record.time}, &event) &&
            filter.Matches(event))
            visit(event);
    }
}

bool NoteModel::LaneEventAtOrBefore(const LaneFilter& filter, std::int64_t time,
                                    const std::function<bool(const LaneEvent& event)>& accept, LaneEvent* found) const {
    if (!access_) return false;
    int cursor = -1;
    NoteKey key{};
    mp::MidiEventRecord record{};
    while (access_->PreviousEventAtOrBefore(&cursor, time, records::KindOf(filter.kind), &key, &record) == S_OK) {
        LaneEvent event;
        if (!records::ToLaneEvent(record, EventRef{key, -1, access_->ListedStart(cursor) - record.time}, &event) ||
            !filter.Matches(event) || !accept(event))
            continue;
        *found = event;
        return true;
    }
    return false;
}

TrackContent NoteModel::Content() const {
    TrackContent content;
    if (!access_) return content;
    int cursor = -1;
    NoteKey key{};
    mp::MidiEventRecord record{};
    content.notes = access_->NextEventInRange(&cursor, -1, 0, mp::MEK_NOTE, true, &key, nullptr) == S_OK;
    cursor = -1;
    content.pitchBend = access_->NextEventInRange(&cursor, -1, 0, mp::MEK_PITCH_BEND, true, &key, nullptr) == S_OK;
    cursor = -1;
    while (access_->NextEventInRange(&cursor, -1, 0, mp::MEK_CONTROL, true, &key, &record) == S_OK) {
        LaneEvent event;
        if (records::ToLaneEvent(record, EventRef{key}, &event) && event.controller <= kHighestPitch)
            content.controllers[event.controller] = true;
    }
    return content;
}

bool NoteModel::IsSelected(const NoteKey& key) const { return access_ && access_->IsEventSelected(key); }

bool NoteModel::AnySelected() const { return access_ && access_->AnyEventSelected(); }

void NoteModel::Select(const NoteKey& key, bool on) const {
    if (access_) access_->SelectEvent(key, on);
}

void NoteModel::SelectAll(bool on) const {
    if (access_) access_->SelectAll(on);
}

void NoteModel::SelectRange(std::int64_t start, std::int64_t length, int lowPitch, int highPitch) const {
    if (access_) access_->SelectRange(start, length, lowPitch, highPitch, true);
}

std::vector<NoteKey> NoteModel::SelectedNotes() const {
    std::vector<NoteKey> keys;
    ForEachNote(-1, 0, nullptr, [&](const Note& note) {
        if (note.selected) keys.push_back(note.Key());
    });
    return keys;
}

void ControllerName(int controller, char* buffer, int capacity) {
    if (!buffer || capacity < 1) return;
    mp::MidiEventRecord record{};
    record.kind = mp::MEK_CONTROL;
    int data1 = 0, data2 = 0;
    records::DataOf(LaneEvent{.kind = LaneKind::Controller, .controller = controller}, &data1, &data2);
    record.data[0] = static_cast<std::uint8_t>(data1);
    if (mp::NameEvent(record, buffer, static_cast<std::size_t>(capacity), mp::NAME_EVENT) != mp::NAME_OK) buffer[0] = 0;
}

} // namespace pianoroll

// The pending edit over the track access's queues: typed inserts, changes and removals, with the
// block bases and queue indexes that turn them into the host's records kept here.
#include "model/pending_edit.h"

#include <algorithm>
#include <span>

#include "model/event_records.h"
#include "mp/host_contract.h"
#include "mp/module_strings.h"
#include "mp/page.h"
#include "mp/plugin.h"
#include "mp/track_access.h"

namespace pianoroll {

using win::S_OK;

namespace {

// The record of an event as the edit leaves it: a queued insert, a queued change, else the host's.
bool CurrentRecord(mp::TrackAccess& access, const EventRef& ref, mp::MidiEventRecord* record) {
    if (ref.Inserted()) return access.GetQueuedInsert(ref.insert, record);
    if (const mp::MidiEventRecord* queued = access.GetQueuedModify(ref.key)) {
        *record = *queued;
        return true;
    }
    if (access.GetEvent(ref.key, record) != S_OK) return false;
    mp::FreeEventData(*record);
    return true;
}

void PutRecord(mp::TrackAccess& access, const EventRef& ref, const mp::MidiEventRecord& record) {
    if (ref.Inserted()) access.SetQueuedInsert(ref.insert, record);
    else access.QueueModify(ref.key, record, mp::CHANGE_ALL);
}

} // namespace

std::int64_t PendingEdit::InsertBase() const {
    NoteKey parent{};
    mp::COPTPlugin* plugin = access_ ? access_->Plugin() : nullptr;
    return plugin && plugin->FirstBlockOf(access_->TrackIndex(), &parent) ? access_->BlockStart(parent) : 0;
}

// ---- notes ----

bool PendingEdit::Insert(Note* note) {
    if (!access_ || note->pitch < kLowestPitch || note->pitch > kHighestPitch) return false;
    const int insert = access_->QueueNewEvent(note->start, note->length, mp::MEK_NOTE, note->pitch, note->velocity,
                                              note->selected);
    mp::MidiEventRecord record{};
    if (insert < 0 || !access_->GetQueuedInsert(insert, &record)) return false;
    return records::ToNote(record, EventRef{NoteKey{}, insert, note->start - record.time}, note);
}

bool PendingEdit::Read(const EventRef& ref, Note* note) const {
    mp::MidiEventRecord record{};
    return access_ && CurrentRecord(*access_, ref, &record) && records::ToNote(record, ref, note);
}

bool PendingEdit::Change(const Note& note) {
    mp::MidiEventRecord record{};
    if (!access_ || !CurrentRecord(*access_, note.ref, &record) || record.kind != mp::MEK_NOTE) return false;
    records::WriteNote(note, record);
    PutRecord(*access_, note.ref, record);
    return true;
}

bool PendingEdit::Update(const EventRef& ref, const std::function<void(Note&)>& change) {
    mp::MidiEventRecord record{};
    Note note;
    if (!access_ || !CurrentRecord(*access_, ref, &record) || !records::ToNote(record, ref, &note)) return false;
    change(note);
    records::WriteNote(note, record);
    PutRecord(*access_, note.ref, record);
    return true;
}

std::span<mp::MPEventWrite> PendingEdit::ModifiesInPlace() const {
    mp::COPTPlugin* plugin = access_ ? access_->Plugin() : nullptr;
    if (!plugin) return {};
    return plugin->Queues().ModifiesInPlace();
}

std::int64_t PendingEdit::BlockStartOf(const mp::EventKey& key) const { return access_->BlockStart(key); }

std::size_t PendingEdit::ChangeSelectedNotes(const NoteVisitor& visit) {
    mp::COPTPlugin* plugin = access_ ? access_->Plugin() : nullptr;
    if (!plugin) return 0;
    // The queue and its index take their room once, for as many notes as the list marks selected, and
    // each note goes straight in: a move of many notes then touches no copy of them on the way.
    std::size_t marked = 0;
    const mp::EntryList& list = plugin->EventList();
    const auto [first, end] = plugin->EntryFlagsCurrent() ? plugin->SelectedStretch() : std::make_pair(std::size_t{0}, list.size());
    for (std::size_t i = first; i < end; ++i) marked += list[i].kind == mp::MEK_NOTE && plugin->EntrySelected(list[i]);
    mp::EditQueues& queues = plugin->Queues();
    queues.ReserveModifies(marked);
    std::size_t queued = 0;
    access_->ForEachMaybeSelected(mp::MEK_NOTE, [&](const mp::TrackAccess::WalkedEvent& e) {
        Note note;
        if (!records::ToNote(e.record, EventRef{e.key, -1, e.blockStart}, &note) || !note.selected) return;
        queues.PutModify(e.key, e.record, mp::CHANGE_ALL);
        ++queued;
        visit(note);
    });
    return queued;
}

std::vector<CopiedEvent> PendingEdit::CopySelected() {
    std::vector<CopiedEvent> copies;
    if (!access_) return copies;
    const int first = access_->QueuedInsertCount();
    std::vector<NoteKey> originals;
    if (access_->DuplicateSelected(&originals) != S_OK) return copies;
    for (std::size_t i = 0; i < originals.size(); ++i) {
        const int insert = first + static_cast<int>(i);
        mp::MidiEventRecord copy{}, original{};
        std::int64_t start = 0;
        if (!access_->GetQueuedInsert(insert, &copy) || access_->GetEvent(originals[i], &original) != S_OK ||
            !access_->EventStart(originals[i], &start))
            continue;
        // The originals stay where they are, deselected.
        original.flags &= ~mp::MEF_SELECTED;
        access_->QueueModify(originals[i], original, mp::CHANGE_FLAGS);
        copies.push_back(CopiedEvent{originals[i], EventRef{NoteKey{}, insert, start - copy.time}, copy.kind == mp::MEK_NOTE});
    }
    return copies;
}

void PendingEdit::Remove(const NoteKey& key) {
    if (access_) access_->QueueDelete(key);
}

bool PendingEdit::IsRemoved(const NoteKey& key) const { return access_ && access_->IsQueuedDelete(key); }

bool PendingEdit::IsPending(const NoteKey& key) const {
    return access_ && (access_->GetQueuedModify(key) != nullptr || access_->IsQueuedDelete(key));
}

bool PendingEdit::IsChanged(const NoteKey& key) const { return access_ && access_->GetQueuedModify(key) != nullptr; }

int PendingEdit::RewriteSelected(const std::function<void(Note& note)>& change) {
    mp::COPTPlugin* plugin = access_ ? access_->Plugin() : nullptr;
    if (!plugin || access_->GetEventCount() == 0) return 0;
    const std::vector<mp::EventEntry> list = plugin->EntriesMaybeSelected();
    int counted = 0;
    for (const mp::EventEntry& e : list) {
        mp::MidiEventRecord record{};
        if (access_->GetEvent(e.key, &record) != S_OK) continue;
        // Events whose data lives elsewhere cannot be written back from the record alone.
        const bool writable = !mp::IsVariableKind(record.kind);
        if (!writable) mp::ClearRecord(record);
        if (!writable || !records::IsSelected(record)) continue;
        ++counted;
        Note note;
        if (records::ToNote(record, EventRef{e.key, -1, e.start - record.time}, &note)) {
            change(note);
            records::WriteNote(note, record);
        }
        access_->QueueModify(e.key, record, mp::CHANGE_ALL);
    }
    return counted;
}

void PendingEdit::ForEachPendingNote(const NoteVisitor& visit, std::int64_t from, std::int64_t to) const {
    if (!access_) return;
    access_->ForEachQueuedNote([&](const mp::TrackAccess::WalkedEvent& e) {
        Note note;
        if (records::ToNote(e.record, EventRef{e.key, -1, e.blockStart}, &note)) visit(note);
    }, from, to);
    ForEachInsertedNote(visit);
}

void PendingEdit::ForEachInsertedNote(const NoteVisitor& visit) const {
    if (!access_) return;
    const int inserts = access_->QueuedInsertCount();
    if (inserts == 0) return;
    const std::int64_t base = InsertBase();
    for (int i = 0; i < inserts; ++i) {
        mp::MidiEventRecord record{};
        Note note;
        if (access_->GetQueuedInsert(i, &record) && records::ToNote(record, EventRef{NoteKey{}, i, base}, &note))
            visit(note);
    }
}

// ---- any event, by its time ----

bool PendingEdit::Span(const EventRef& ref, std::int64_t* start, std::int64_t* end) const {
    mp::MidiEventRecord record{};
    if (!access_ || !CurrentRecord(*access_, ref, &record)) return false;
    *start = records::StartOf(record, ref.base);
    *end = *start + static_cast<std::int64_t>(record.length);
    return true;
}

bool PendingEdit::MoveTo(const EventRef& ref, std::int64_t start) {
    mp::MidiEventRecord record{};
    if (!access_ || !CurrentRecord(*access_, ref, &record)) return false;
    records::MoveRecord(record, start, ref.base);
    PutRecord(*access_, ref, record);
    return true;
}

// ---- clearing and lines ----

bool PendingEdit::ClearNotes(std::int64_t start, std::int64_t length, int rowA, int rowB, int skip) {
    return access_ && access_->ClearNotes(start, length, rowA, rowB, skip);
}

bool PendingEdit::DrawVelocityLine(int velocityA, int velocityB, std::int64_t timeA, std::int64_t timeB,
                                   std::int64_t lead) {
    return access_ && access_->DrawVelocityLine(velocityA, velocityB, timeA, timeB, lead);
}

// ---- lane events ----

bool PendingEdit::InsertLaneEvent(LaneEvent* event) {
    if (!access_) return false;
    int data1 = 0, data2 = 0;
    records::DataOf(*event, &data1, &data2);
    const int insert = access_->QueueNewEvent(event->tick, 0, records::KindOf(event->kind), data1, data2, event->selected);
    mp::MidiEventRecord record{};
    if (insert < 0 || !access_->GetQueuedInsert(insert, &record)) return false;
    return records::ToLaneEvent(record, EventRef{NoteKey{}, insert, event->tick - record.time}, event);
}

void PendingEdit::ForEachQueuedLaneEvent(const LaneFilter& filter, const LaneVisitor& visit) const {
    if (!access_) return;
    mp::MidiEventRecord record{};
    LaneEvent event;
    const int inserts = access_->QueuedInsertCount();
    const std::int64_t base = inserts > 0 ? InsertBase() : 0;
    for (int i = 0; i < inserts; ++i)
        if (access_->GetQueuedInsert(i, &record) && records::ToLaneEvent(record, EventRef{NoteKey{}, i, base}, &event) &&
            filter.Matches(event))
            visit(event);
    NoteKey key{};
    for (int i = 0; access_->GetQueuedModify(i, &key, &record, nullptr); ++i)
        if (records::ToLaneEvent(record, EventRef{key, -1, access_->BlockStart(key)}, &event) && filter.Matches(event))
            visit(event);
}

void PendingEdit::RemoveLaneEvent(const NoteKey& key) {
    if (access_ && !access_->IsQueuedDelete(key)) access_->QueueDelete(key);
}

void PendingEdit::DropInsertedLaneEvents(const LaneFilter& filter, std::int64_t from, std::int64_t last) {
    if (!access_) return;
    const std::int64_t base = InsertBase();
    mp::MidiEventRecord record{};
    LaneEvent event;
    for (int i = access_->QueuedInsertCount(); i-- > 0;)
        if (access_->GetQueuedInsert(i, &record) && records::ToLaneEvent(record, EventRef{NoteKey{}, i, base}, &event) &&
            filter.Matches(event) && event.tick >= from && event.tick <= last)
            access_->DropQueuedInsert(i);
}

void PendingEdit::DropRepeatedValues(const LaneFilter& filter) {
    if (!access_) return;
    access_->SortQueuedInserts();
    bool kept = false;
    int previous = 0;
    mp::MidiEventRecord record{};
    LaneEvent event;
    for (int i = 0; access_->GetQueuedInsert(i, &record);) {
        if (!records::ToLaneEvent(record, EventRef{}, &event) || !filter.Matches(event)) {
            ++i;
            continue;
        }
        if (kept && event.value == previous) {
            access_->DropQueuedInsert(i);
            continue;
        }
        kept = true;
        previous = event.value;
        ++i;
    }
}

// ---- the whole edit ----

int PendingEdit::InsertCount() const { return access_ ? access_->QueuedInsertCount() : 0; }

int PendingEdit::ChangeCount() const { return access_ ? access_->QueuedModifyCount() : 0; }

int PendingEdit::RemovedNoteCount() const {
    if (!access_) return 0;
    int count = 0, cursor = -1;
    NoteKey key{};
    while (access_->NextEventInRange(&cursor, -1, 0, mp::MEK_NOTE, false, &key, nullptr) == S_OK)
        if (access_->IsQueuedDelete(key)) ++count;
    return count;
}

bool PendingEdit::Empty() const { return !access_ || !access_->HasQueuedEdits(); }

win::HRESULT PendingEdit::Commit(std::uint32_t undoNameId) {
    if (!access_) return win::S_FALSE;
    const std::u16string name = mp::Utf8ToUtf16(mp::ModuleString(undoNameId));
    return access_->CommitEdits(name.c_str());
}

void PendingEdit::Discard() {
    if (access_) access_->DiscardEdits();
}

} // namespace pianoroll

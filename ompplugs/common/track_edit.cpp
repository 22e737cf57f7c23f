// TrackAccess, writing: the edit queues and their commit as one named host edit, direct writes,
// selection, and the edits built from the shown events (new notes, velocities, deleting, duplicating,
// clearing a range, drawn velocity and controller lines, the song length).
#include <algorithm>
#include <bit>
#include <cmath>
#include <string>
#include <unordered_set>

#include "mp/module_strings.h"
#include "mp/page.h"
#include "mp/plugin.h"
#include "mp/select_events.h"
#include "mp/track_access.h"

namespace mp {

using namespace win;

namespace {

std::u16string UndoName(std::uint32_t id) { return Utf8ToUtf16(ModuleString(id)); }

constexpr std::uint32_t kNoteKinds = MEK_NOTE_OFF | MEK_NOTE;

// Writes one event's flags (inside a transaction of the plug-in object) with the object told that it
// is the editor's own selection write, when the flags change (an equal write is not reported).
HRESULT WriteFlags(COPTPlugin& plugin, IMPMidiData& data, const EventKey& key, const MidiEventRecord& record,
                   std::uint32_t oldFlags) {
    if (record.flags != oldFlags) plugin.NoteOwnSelectionWrite(key);
    return data.Set(&key, LEVEL_EVENT, &record, CHANGE_FLAGS);
}

} // namespace

// ---- queues ----

int TrackAccess::QueueInsert(const MidiEventRecord& record, int index) {
    if (!plugin_) return -1;
    auto& queue = plugin_->Queues().Inserts();
    if (index >= 0 && static_cast<std::size_t>(index) < queue.size()) {
        queue[static_cast<std::size_t>(index)] = record;
        return index;
    }
    queue.push_back(record);
    return static_cast<int>(queue.size()) - 1;
}

void TrackAccess::QueueModify(const EventKey& key, const MidiEventRecord& record, std::uint32_t mask) {
    if (plugin_) plugin_->Queues().PutModify(key, record, mask);
}

void TrackAccess::QueueDelete(const EventKey& key) {
    if (!plugin_ || !key.event) return;
    plugin_->Queues().DropModify(key);
    // A key queued twice would fail its second delete and stop the commit.
    plugin_->Queues().PutDelete(key);
}

int TrackAccess::QueuedInsertCount() const {
    return plugin_ ? static_cast<int>(plugin_->Queues().Inserts().size()) : 0;
}

bool TrackAccess::GetQueuedInsert(int index, MidiEventRecord* record) const {
    if (!plugin_ || index < 0 || static_cast<std::size_t>(index) >= plugin_->Queues().Inserts().size()) return false;
    if (record) *record = plugin_->Queues().Inserts()[static_cast<std::size_t>(index)];
    return true;
}

bool TrackAccess::SetQueuedInsert(int index, const MidiEventRecord& record) {
    if (!plugin_ || index < 0 || static_cast<std::size_t>(index) >= plugin_->Queues().Inserts().size()) return false;
    plugin_->Queues().Inserts()[static_cast<std::size_t>(index)] = record;
    return true;
}

bool TrackAccess::DropQueuedInsert(int index) {
    if (!plugin_ || index < 0 || static_cast<std::size_t>(index) >= plugin_->Queues().Inserts().size()) return false;
    auto& queue = plugin_->Queues().Inserts();
    queue.erase(queue.begin() + index);
    return true;
}

int TrackAccess::QueuedModifyCount() const {
    return plugin_ ? static_cast<int>(plugin_->Queues().ModifyCount()) : 0;
}

bool TrackAccess::HasQueuedEdits() const { return plugin_ && !plugin_->Queues().Empty(); }

bool TrackAccess::GetQueuedModify(int index, EventKey* key, MidiEventRecord* record, std::uint32_t* mask) const {
    const QueuedModify* m = plugin_ && index >= 0 ? plugin_->Queues().ModifyAt(static_cast<std::size_t>(index)) : nullptr;
    if (!m) return false;
    if (key) *key = m->key;
    if (record) *record = m->record;
    if (mask) *mask = m->mask;
    return true;
}

const MidiEventRecord* TrackAccess::GetQueuedModify(const EventKey& key) const {
    const QueuedModify* m = plugin_ ? plugin_->Queues().FindModify(key) : nullptr;
    return m ? &m->record : nullptr;
}

bool TrackAccess::IsQueuedDelete(const EventKey& key) const { return plugin_ && plugin_->Queues().IsDeleteQueued(key); }

void TrackAccess::SortQueuedInserts() {
    if (!plugin_) return;
    auto& queue = plugin_->Queues().Inserts();
    std::stable_sort(queue.begin(), queue.end(),
                     [](const MidiEventRecord& a, const MidiEventRecord& b) { return a.time < b.time; });
}

void TrackAccess::DiscardEdits() {
    if (plugin_) plugin_->Queues().Clear();
}

HRESULT TrackAccess::CommitEdits(const char16_t* name) {
    if (!plugin_) return E_UNEXPECTED;
    if (plugin_->Queues().Empty()) return S_FALSE;
    IMPMidiData* data = plugin_->MidiData();
    // The queues are emptied whatever happens, so a failed commit leaves no half-queued work.
    EditQueues::Work work = plugin_->Queues().Take();
    std::vector<MidiEventRecord>& insertWork = work.inserts;
    std::vector<QueuedModify>& modifyWork = work.modifies;
    std::vector<EventKey>& deleteWork = work.deletes;
    if (!data) return E_UNEXPECTED;
    EventKey parent{};
    const bool haveParent = plugin_->FirstBlockOf(TrackIndex(), &parent);
    const TrackOffsets offsets = Offsets();
    HRESULT hr = plugin_->BeginEdit(name);
    if (FAILED(hr)) return hr;
    bool changed = false;
    if (!insertWork.empty() && !haveParent) hr = E_UNEXPECTED;
    for (std::size_t i = 0; SUCCEEDED(hr) && i < insertWork.size(); ++i) {
        MidiEventRecord record = insertWork[i];
        ToStored(record, nullptr, offsets);
        EventKey key = parent;
        key.event = 0; // a non-zero event word would replace that event
        hr = data->Insert(&key, LEVEL_EVENT, &record);
        if (SUCCEEDED(hr)) changed = true;
    }
    if (SUCCEEDED(hr)) hr = WriteModifies(modifyWork, offsets, &changed);
    if (SUCCEEDED(hr)) hr = plugin_->WriteDeletes(deleteWork, &changed);
    plugin_->EndTransaction(changed);
    plugin_->Queues().KeepRoom(work);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT TrackAccess::WriteModifies(std::vector<QueuedModify>& work, const TrackOffsets& offsets, bool* changed) {
    IMPMidiData* data = plugin_->MidiData();
    // The stored record matters only where an offset hides part of what is shown.
    if (offsets.pitch || offsets.velocity) {
        for (QueuedModify& m : work) {
            MidiEventRecord stored{};
            const bool haveStored = data->Get(&m.key, LEVEL_EVENT, &stored, 0) == S_OK;
            ToStored(m.record, haveStored ? &stored : nullptr, offsets);
            if (haveStored) FreeEventData(stored);
        }
    }
    IMPProperties* properties = plugin_->Properties();
    const std::size_t bytes = work.size() * sizeof(QueuedModify);
    if (properties && plugin_->BulkWrites() && !work.empty() && bytes <= UINT32_MAX) {
        const HRESULT hr = properties->SetProperty(PID_SET_EVENTS, static_cast<DWORD>(work.size()),
                                                   MP_EVENT_WRITES_BACKWARD, static_cast<DWORD>(bytes), work.data());
        if (hr != E_INVALIDARG) { // E_INVALIDARG: a host without the bulk write
            if (SUCCEEDED(hr)) *changed = true;
            return hr;
        }
    }
    for (std::size_t i = work.size(); i-- > 0;) {
        const HRESULT hr = data->Set(&work[i].key, LEVEL_EVENT, &work[i].record, work[i].mask);
        if (FAILED(hr)) return hr;
        *changed = true;
    }
    return S_OK;
}

HRESULT TrackAccess::CommitDeletes(bool discard) { return plugin_ ? plugin_->CommitDeletes(discard) : E_UNEXPECTED; }

HRESULT COPTPlugin::CommitDeletes(bool discard) {
    if (queues_.Deletes().empty()) return S_FALSE;
    std::vector<EventKey> work = queues_.TakeDeletes();
    if (discard) return S_OK;
    return DeleteEvents(work);
}

HRESULT COPTPlugin::DeleteEvents(const std::vector<EventKey>& work) {
    if (!midiData_) return E_UNEXPECTED;
    const std::u16string name = UndoName(IDS_UNDO_DELETE_EVENT);
    HRESULT hr = BeginEdit(name.c_str());
    if (FAILED(hr)) return hr;
    bool changed = false;
    hr = WriteDeletes(work, &changed);
    EndTransaction(changed);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT COPTPlugin::WriteDeletes(const std::vector<EventKey>& work, bool* changed) {
    const std::size_t bytes = work.size() * sizeof(EventKey);
    if (properties_ && bulkWrites_ && !work.empty() && bytes <= UINT32_MAX) {
        const HRESULT hr = properties_->SetProperty(PID_DELETE_EVENTS, static_cast<DWORD>(work.size()), 0,
                                                    static_cast<DWORD>(bytes), work.data());
        if (hr != E_INVALIDARG) { // E_INVALIDARG: a host without the bulk delete
            if (SUCCEEDED(hr)) *changed = true;
            return hr;
        }
    }
    for (const EventKey& key : work) {
        const HRESULT hr = midiData_->Delete(LEVEL_EVENT, &key);
        if (FAILED(hr)) return hr;
        *changed = true;
    }
    return S_OK;
}

// ---- direct writes ----

HRESULT TrackAccess::SetEvent(const EventKey& key, const MidiEventRecord& record, std::uint32_t mask) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data) return E_UNEXPECTED;
    if (!key.event) return S_FALSE;
    const TrackOffsets offsets = Offsets();
    const std::u16string name = UndoName(IDS_UNDO_EDIT_EVENT);
    HRESULT hr = plugin_->BeginEdit(name.c_str());
    if (FAILED(hr)) return hr;
    MidiEventRecord stored{};
    MidiEventRecord write = record;
    const bool haveStored = data->Get(&key, LEVEL_EVENT, &stored, 0) == S_OK;
    ToStored(write, haveStored ? &stored : nullptr, offsets);
    if (haveStored) FreeEventData(stored);
    hr = data->Set(&key, LEVEL_EVENT, &write, mask);
    plugin_->EndTransaction(SUCCEEDED(hr));
    return hr;
}

HRESULT TrackAccess::InsertEvent(const EventKey& parent, const MidiEventRecord& record) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data) return E_UNEXPECTED;
    const TrackOffsets offsets = Offsets();
    const std::u16string name = UndoName(IDS_UNDO_INSERT_EVENT);
    HRESULT hr = plugin_->BeginEdit(name.c_str());
    if (FAILED(hr)) return hr;
    MidiEventRecord write = record;
    ToStored(write, nullptr, offsets);
    EventKey key = parent;
    key.event = 0;
    hr = data->Insert(&key, LEVEL_EVENT, &write);
    plugin_->EndTransaction(SUCCEEDED(hr));
    return hr;
}

HRESULT TrackAccess::DeleteEvent(const EventKey& key) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data) return E_UNEXPECTED;
    if (!key.event) return S_FALSE;
    const std::u16string name = UndoName(IDS_UNDO_DELETE_EVENT);
    HRESULT hr = plugin_->BeginEdit(name.c_str());
    if (FAILED(hr)) return hr;
    hr = data->Delete(LEVEL_EVENT, &key);
    plugin_->EndTransaction(SUCCEEDED(hr));
    return hr;
}

HRESULT TrackAccess::InsertEvents(const EventKey& parent, std::vector<MidiEventRecord>& records, const char16_t* name) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data) return E_UNEXPECTED;
    if (records.empty()) return S_FALSE;
    HRESULT hr = plugin_->BeginEdit(name);
    if (FAILED(hr)) return hr;
    bool changed = false;
    for (const MidiEventRecord& record : records) {
        EventKey key = parent;
        key.event = 0;
        hr = data->Insert(&key, LEVEL_EVENT, &record);
        if (FAILED(hr)) break;
        changed = true;
    }
    plugin_->EndTransaction(changed);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT TrackAccess::SetTrack(const EventKey& key, const TrackRecord& record, std::uint32_t mask, const char16_t* name) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data) return E_UNEXPECTED;
    const std::u16string fallback = UndoName(IDS_UNDO_EDIT_TRACK);
    HRESULT hr = plugin_->BeginEdit(name ? name : fallback.c_str());
    if (FAILED(hr)) return hr;
    const EventKey trackKey{key.track, 0, 0};
    hr = data->Set(&trackKey, LEVEL_TRACK, &record, mask);
    plugin_->EndTransaction(SUCCEEDED(hr));
    return hr;
}

HRESULT TrackAccess::InsertBlock(const EventKey& parent, const BlockRecord& record) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data) return E_UNEXPECTED;
    const std::u16string name = UndoName(IDS_UNDO_INSERT_BLOCK);
    HRESULT hr = plugin_->BeginEdit(name.c_str());
    if (FAILED(hr)) return hr;
    EventKey key{parent.track, 0, 0};
    hr = data->Insert(&key, LEVEL_BLOCK, &record);
    plugin_->EndTransaction(SUCCEEDED(hr));
    return hr;
}

HRESULT TrackAccess::SetEventSelected(const EventKey& key, bool on) {
    const std::u16string name = UndoName(IDS_UNDO_EDIT_EVENT);
    return WriteSelected(key, on, name.c_str());
}

HRESULT TrackAccess::SelectEvent(const EventKey& key, bool on) { return WriteSelected(key, on, nullptr); }

HRESULT TrackAccess::WriteSelected(const EventKey& key, bool on, const char16_t* name) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data) return E_UNEXPECTED;
    if (!key.event) return S_FALSE;
    HRESULT hr = plugin_->BeginEdit(name);
    if (FAILED(hr)) return hr;
    MidiEventRecord record{};
    hr = data->Get(&key, LEVEL_EVENT, &record, 0);
    if (hr == S_OK) {
        FreeEventData(record);
        record.dataHandle = IsVariableKind(record.kind) ? 0 : record.dataHandle;
        const std::uint32_t oldFlags = record.flags;
        record.flags = on ? (record.flags | MEF_SELECTED) : (record.flags & ~MEF_SELECTED);
        hr = WriteFlags(*plugin_, *data, key, record, oldFlags);
    }
    // Unnamed, it reports no change, so the host keeps no undo step for it.
    plugin_->EndTransaction(name && SUCCEEDED(hr));
    return hr;
}

HRESULT TrackAccess::SelectRange(std::int64_t start, std::int64_t length, int lowNote, int highNote, bool on) {
    return SelectKindsInRange(plugin_ ? plugin_->KindFilter() : 0, start, length, lowNote, highNote, on);
}

HRESULT TrackAccess::SelectNotesInRange(std::int64_t start, std::int64_t length, int lowNote, int highNote, bool on) {
    return SelectKindsInRange(kNoteKinds, start, length, lowNote, highNote, on);
}

HRESULT TrackAccess::SelectKindsInRange(std::uint32_t kinds, std::int64_t start, std::int64_t length, int lowNote,
                                        int highNote, bool on) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data) return E_UNEXPECTED;
    const int low = lowNote < 0 ? 0 : std::min(lowNote, 127);
    const int high = highNote < 0 ? 127 : std::min(highNote, 127);
    if (!on && start < 0 && length < 0) return SelectShownTrack(kinds & plugin_->KindFilter(), false);
    if (!Prepare()) return S_FALSE;
    HRESULT hr = plugin_->BeginEdit(nullptr);
    if (FAILED(hr)) return hr;
    const TrackOffsets offsets = Offsets();
    // The stored first data bytes that show inside [low, high], with and without the pitch offset.
    const std::pair<int, int> plain = StoredRange(0, low, high), shifted = StoredRange(offsets.pitch, low, high);
    // Writing flags reports modifications, which never change the list, so the walk may hold on to it;
    // it visits only the entries that can reach the range: from the first reaching its start to the
    // first starting at or after its end. The host then passes over those already as asked.
    const EntryList& list = plugin_->EventList();
    const std::size_t first = start >= 0 ? plugin_->FirstReaching(start) : 0;
    const std::size_t last = length >= 0 ? plugin_->FirstStartingAt(start + length) : list.size();
    // The list's room is kept for the next marquee step.
    std::vector<MPSelectListEntry>& listed = selectList_;
    listed.assign(COPTPlugin::kSelectListHeadRoom, MPSelectListEntry{});
    listed.reserve(listed.size() + std::min(last, list.size()) - std::min(first, std::min(last, list.size())));
    for (std::size_t i = first; i < last && i < list.size(); ++i) {
        const EventEntry& e = list[i];
        if (!(e.kind & kinds)) continue;
        const std::int64_t end = e.kind == MEK_NOTE ? e.end : e.start;
        bool qualifies;
        if (start >= 0 && length >= 0)
            qualifies = e.kind == MEK_NOTE ? (e.start < start + length && end >= start)
                                           : (start <= e.start && e.start < start + length);
        else if (start >= 0)
            qualifies = (e.kind == MEK_NOTE ? end : e.start) >= start;
        else if (length >= 0)
            qualifies = e.start < start + length;
        else
            qualifies = true;
        // Variable-length kinds have no data bytes; only a range over every note takes them.
        std::pair<int, int> range = PitchOffsetOf(e.kind, offsets) ? shifted : plain;
        if (IsVariableKind(e.kind)) range = low == 0 && high == 127 ? std::pair{0, 0} : std::pair{1, 0};
        if (!qualifies || range.first > range.second) continue;
        listed.push_back(MPSelectListEntry{e.key, static_cast<std::uint8_t>(range.first),
                                           static_cast<std::uint8_t>(range.second), {0, 0}});
    }
    hr = listed.size() > COPTPlugin::kSelectListHeadRoom ? plugin_->SelectListed(listed, on, first) : S_OK;
    // A host without the list call is written event by event, with the same tests.
    for (std::size_t i = COPTPlugin::kSelectListHeadRoom; hr == E_NOTIMPL && i < listed.size(); ++i) {
        const MPSelectListEntry& e = listed[i];
        MidiEventRecord record{};
        if (data->Get(&e.key, LEVEL_EVENT, &record, 0) != S_OK) continue;
        FreeEventData(record);
        const int value = IsVariableKind(record.kind) ? 0 : record.data[0];
        if (value < e.low || value > e.high || ((record.flags & MEF_SELECTED) != 0) == on) continue;
        if (IsVariableKind(record.kind)) record.dataHandle = 0;
        const std::uint32_t oldFlags = record.flags;
        record.flags = on ? (record.flags | MEF_SELECTED) : (record.flags & ~MEF_SELECTED);
        const HRESULT written = WriteFlags(*plugin_, *data, e.key, record, oldFlags);
        if (FAILED(written)) hr = written;
    }
    plugin_->EndTransaction(false);
    return FAILED(hr) && hr != E_NOTIMPL ? hr : S_OK;
}

HRESULT TrackAccess::SelectAll(bool on) {
    if (!plugin_) return E_UNEXPECTED;
    // The notes of every block of the track, as a walk over a list built with the note kinds would find
    // them, in one call of the host instead of one write per note.
    if (on && !Prepare()) return S_FALSE;
    return SelectShownTrack(on ? kNoteKinds : plugin_->KindFilter(), on);
}

HRESULT TrackAccess::SelectShownTrack(std::uint32_t kinds, bool on) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data) return E_UNEXPECTED;
    HRESULT hr = plugin_->BeginEdit(nullptr);
    if (FAILED(hr)) return hr;
    // The shown track only: the editor does not touch what other tracks have selected.
    const EventKey scope{TrackId(), 0, 0};
    hr = scope.track ? data->SelectEvents(LEVEL_EVENT, &scope, kinds, 0, 0, 0, 0, 0, on ? SELECT_SET : SELECT_CLEAR)
                     : S_FALSE;
    if (hr == S_OK) plugin_->NoteOwnTrackSelection(scope.track, kinds, on);
    plugin_->EndTransaction(false);
    return hr;
}

// ---- building edits ----

int TrackAccess::QueueNewEvent(std::int64_t time, std::int64_t duration, std::uint32_t kind, int data1, int data2,
                               bool selected, int index) {
    if (!plugin_) return -1;
    EventKey parent{};
    const std::int64_t base = plugin_->FirstBlockOf(TrackIndex(), &parent) ? BlockStart(parent) : 0;
    const int channel = TrackChannel();
    MidiEventRecord record{};
    record.kind = kind;
    record.flags = selected ? MEF_SELECTED : 0;
    record.channel = channel < 0 ? 0 : channel;
    record.time = time - base;
    record.timeFormat = TIME_FORMAT_TICKS;
    record.length = static_cast<std::uint32_t>(std::clamp<std::int64_t>(duration, 0, UINT32_MAX));
    record.data[0] = static_cast<std::uint8_t>(std::clamp(data1, 0, 127));
    record.data[1] = static_cast<std::uint8_t>(std::clamp(data2, 0, 127));
    return QueueInsert(record, index);
}

int TrackAccess::InsertNote(std::int64_t time, std::int64_t duration, int row, bool selected, int index) {
    if (row < 0 || row >= kRowCount) return -1;
    return QueueNewEvent(time, duration, MEK_NOTE, rows_[row].note, 64, selected, index);
}

HRESULT TrackAccess::SetSelectedVelocity(int velocity) {
    if (!Prepare()) return S_FALSE;
    const std::vector<EventEntry> list = plugin_->EntriesMaybeSelected();
    for (const EventEntry& e : list) {
        // Only notes have a velocity: the second data byte of a selected controller or pitch bend is
        // its value, which a velocity command must not touch.
        if (e.kind != MEK_NOTE) continue;
        MidiEventRecord record{};
        if (GetEvent(e.key, &record) != S_OK) continue;
        if (!(record.flags & MEF_SELECTED)) continue;
        record.data[1] = static_cast<std::uint8_t>(std::clamp(velocity, 0, 127));
        QueueModify(e.key, record, CHANGE_ALL);
    }
    const std::u16string name =
        UndoName(plugin_->Queues().ModifyCount() == 1 ? IDS_UNDO_SET_VELOCITY : IDS_UNDO_SET_VELOCITIES);
    return CommitEdits(name.c_str());
}

HRESULT TrackAccess::DeleteSelected() {
    if (!Prepare()) return S_FALSE;
    IMPMidiData* data = plugin_->MidiData();
    // Reads and queueing leave the list as it is: no copy of it is needed.
    const EntryList& list = plugin_->EventList();
    // With nothing else queued the keys, unique as the list holds them, need not pass through the
    // queue and its index: the same deletes in the same order.
    const bool direct = plugin_->Queues().Empty();
    std::vector<EventKey> keys;
    const auto take = [&](std::size_t i) {
        if (direct) keys.push_back(list[i].key);
        else QueueDelete(list[i].key);
    };
    const auto finish = [&] {
        if (!direct) return CommitDeletes(false);
        return keys.empty() ? S_FALSE : plugin_->DeleteEvents(keys);
    };
    if (plugin_->EntryFlagsCurrent()) {
        // The entries tell the selection while nothing has changed it unseen: a few notes of a huge
        // track then cost no read of every listed event. Marked in words, the few are found again
        // without a look at every mark.
        const auto [first, end] = plugin_->SelectedStretch();
        std::vector<std::uint64_t> marks((end - first + 63) / 64);
        std::size_t count = 0;
        for (std::size_t i = first; i < end; ++i) {
            if (!plugin_->EntrySelected(list[i])) continue;
            marks[(i - first) / 64] |= std::uint64_t{1} << ((i - first) % 64);
            ++count;
        }
        if (direct) keys.reserve(count);
        for (std::size_t w = 0; w < marks.size(); ++w)
            for (std::uint64_t m = marks[w]; m; m &= m - 1)
                take(first + w * 64 + static_cast<std::size_t>(std::countr_zero(m)));
        return finish();
    }
    // Marked and counted first, so that the keys take just their room.
    std::vector<bool> selected(list.size());
    // Read in bulk, a long list costs a call per page instead of one per event.
    const bool outside = plugin_->TransactionDepth() == 0;
    if (FAILED(plugin_->BeginRead())) return E_FAIL;
    if (plugin_->ReadSelectedInBulk(list, selected)) {
        if (outside) plugin_->TakeEntryFlags(selected);
    } else {
        for (std::size_t i = 0; i < list.size(); ++i) {
            MidiEventRecord record{};
            if (data->Get(&list[i].key, LEVEL_EVENT, &record, 0) != S_OK) continue;
            FreeEventData(record);
            selected[i] = (record.flags & MEF_SELECTED) != 0;
        }
    }
    plugin_->EndTransaction(false);
    if (direct) keys.reserve(static_cast<std::size_t>(std::count(selected.begin(), selected.end(), true)));
    for (std::size_t i = 0; i < list.size(); ++i)
        if (selected[i]) take(i);
    return finish();
}

HRESULT TrackAccess::DuplicateSelected(std::vector<EventKey>* originals) {
    if (!Prepare()) return S_FALSE;
    EventKey parent{};
    const std::int64_t base = plugin_->FirstBlockOf(TrackIndex(), &parent) ? BlockStart(parent) : 0;
    const std::vector<EventEntry> list = plugin_->EntriesMaybeSelected();
    bool any = false;
    for (const EventEntry& e : list) {
        MidiEventRecord record{};
        if (GetEvent(e.key, &record) != S_OK) continue;
        FreeEventData(record);
        if (!(record.flags & MEF_SELECTED) || IsVariableKind(record.kind)) continue;
        record.time = e.start - base; // copies go to the track's first block
        QueueInsert(record);
        if (originals) originals->push_back(e.key);
        any = true;
    }
    return any ? S_OK : S_FALSE;
}

bool TrackAccess::ClearNotes(std::int64_t start, std::int64_t length, int rowA, int rowB, int skip) {
    if (!Prepare()) return false;
    rowA = std::clamp(rowA, 0, kRowCount - 1);
    rowB = std::clamp(rowB, 0, kRowCount - 1);
    const int highNote = rows_[std::min(rowA, rowB)].note;
    const int lowNote = rows_[std::max(rowA, rowB)].note;
    const std::int64_t stop = start + length;
    bool changed = false;
    // Applies the rules to one note given as shown (absolute start); returns the new end when it is
    // shortened, or -1 to delete it, or 0 to leave it.
    enum class Action { Keep, Delete, Shorten };
    auto decide = [&](std::int64_t noteStart, std::int64_t noteEnd, int pitch) {
        if (pitch < lowNote || pitch > highNote) return Action::Keep;
        if (noteStart >= start && noteStart < stop) return Action::Delete;
        if (noteStart < start && noteEnd > start) return Action::Shorten;
        return Action::Keep;
    };
    // The notes that start in the range or reach into it, copied: queueing leaves the list as it is,
    // but the copy costs only the range.
    const std::vector<EventEntry> list = plugin_->ListedBetween(plugin_->FirstReaching(start), plugin_->FirstStartingAt(stop));
    std::unordered_set<EventKey, EventKeyHash> seen;
    auto visit = [&](const EventKey& key, std::int64_t blockStart) {
        if (!seen.insert(key).second || IsQueuedDelete(key)) return;
        MidiEventRecord record{};
        if (const MidiEventRecord* queued = GetQueuedModify(key)) {
            record = *queued;
        } else {
            if (GetEvent(key, &record) != S_OK) return;
            FreeEventData(record);
        }
        if (record.kind != MEK_NOTE) return;
        const std::int64_t noteStart = blockStart + record.time;
        const std::int64_t noteEnd = noteStart + record.length;
        switch (decide(noteStart, noteEnd, record.data[0])) {
        case Action::Delete:
            QueueDelete(key);
            changed = true;
            break;
        case Action::Shorten:
            record.length = static_cast<std::uint32_t>(start - noteStart);
            QueueModify(key, record, CHANGE_ALL);
            changed = true;
            break;
        case Action::Keep: break;
        }
    };
    for (const EventEntry& e : list)
        if (e.kind == MEK_NOTE) visit(e.key, BlockStart(e.key));
    // Queued modifications may have moved notes into the range.
    const std::vector<QueuedModify> modifies = plugin_->Queues().Modifies();
    for (const QueuedModify& m : modifies) visit(m.key, BlockStart(m.key));

    EventKey parent{};
    const std::int64_t base = plugin_->FirstBlockOf(TrackIndex(), &parent) ? BlockStart(parent) : 0;
    auto& inserts = plugin_->Queues().Inserts();
    for (std::size_t i = inserts.size(); i-- > 0;) {
        if (static_cast<int>(i) == skip) continue;
        MidiEventRecord& record = inserts[i];
        if (record.kind != MEK_NOTE) continue;
        const std::int64_t noteStart = base + record.time;
        switch (decide(noteStart, noteStart + record.length, record.data[0])) {
        case Action::Delete:
            inserts.erase(inserts.begin() + static_cast<std::ptrdiff_t>(i));
            changed = true;
            break;
        case Action::Shorten:
            record.length = static_cast<std::uint32_t>(start - noteStart);
            changed = true;
            break;
        case Action::Keep: break;
        }
    }
    return changed;
}

bool TrackAccess::LineTargets(std::uint32_t kind, int controller, int valueA, int valueB, std::int64_t timeA,
                              std::int64_t timeB, std::int64_t lead, bool selectionRule) {
    if (!Prepare()) return false;
    if (timeB < timeA) {
        std::swap(timeA, timeB);
        std::swap(valueA, valueB);
    }
    const double slope = timeB == timeA ? 0.0 : static_cast<double>(valueB - valueA) / static_cast<double>(timeB - timeA);
    const std::vector<EventEntry> list =
        plugin_->ListedBetween(plugin_->FirstStartingAt(timeA - lead), plugin_->FirstStartingAt(timeB + 1));
    bool changed = false;
    for (const EventEntry& e : list) {
        if (e.kind != kind) continue;
        MidiEventRecord record{};
        if (GetEvent(e.key, &record) != S_OK) continue;
        FreeEventData(record);
        if (IsVariableKind(record.kind)) continue;
        // A line drawn earlier in the same gesture may have queued a value already: that is the one
        // this line changes, so going back over a note can also restore its stored value.
        if (const MidiEventRecord* queued = GetQueuedModify(e.key)) record = *queued;
        if (controller >= 0 && record.data[0] != controller) continue;
        if (selectionRule && !(record.flags & MEF_SELECTED) && IsSelectedAt(e.start, MEK_NOTE, 0xFFFFFFFFu)) continue;
        const double raw = valueA + static_cast<double>(e.start - timeA) * slope;
        const int value = std::clamp(static_cast<int>(std::trunc(raw)), 1, 127);
        if (value == record.data[1]) continue;
        record.data[1] = static_cast<std::uint8_t>(value);
        QueueModify(e.key, record, CHANGE_ALL);
        changed = true;
    }
    return changed;
}

bool TrackAccess::DrawVelocityLine(int velocityA, int velocityB, std::int64_t timeA, std::int64_t timeB,
                                   std::int64_t lead) {
    return LineTargets(MEK_NOTE, -1, velocityA, velocityB, timeA, timeB, lead, true);
}

bool TrackAccess::DrawControllerLine(std::uint32_t kind, int controller, int valueA, int valueB, std::int64_t timeA,
                                     std::int64_t timeB, std::int64_t lead) {
    return LineTargets(kind, controller, valueA, valueB, timeA, timeB, lead, false);
}

void TrackAccess::ExtendLength(std::int64_t end) {
    PianoRollSettings* settings = plugin_->EditorSettings();
    if (!settings) return;
    MPTimeSignature signature{};
    std::int64_t beats = 4;
    if (GetProperty(PID_TIME_SIGNATURE, sizeof signature, &signature) && signature.beatsPerBar >= 1)
        beats = signature.beatsPerBar;
    const std::int64_t twoBars = beats * static_cast<std::int64_t>(TicksPerQuarter()) * 2;
    if (end < twoBars) {
        EventKey block{};
        IMPMidiData* data = plugin_->MidiData();
        if (data && plugin_->FirstBlockOf(TrackIndex(), &block) && SUCCEEDED(plugin_->BeginRead())) {
            BlockRecord record{};
            if (data->Get(&block, LEVEL_BLOCK, &record, TIME_FORMAT_TICKS) == S_OK) end = record.end - record.start;
            plugin_->EndTransaction(false);
        }
        end = std::max(end, twoBars);
    }
    if (end > settings->songLength) settings->songLength = end;
}

} // namespace mp

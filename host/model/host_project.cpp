// The host object: record conversion and checking at the COM boundary over the project store.
#include "model/host_project.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "mp/block_events.h"
#include "mp/event_reads.h"
#include "mp/event_writes.h"
#include "win/com_helpers.h"

namespace host {

namespace {

// The room of the last batch this thread delivered: the store collects the next batch in it, so an
// edit allocates nothing for its records once its thread has delivered one as large.
mp::NotificationQueue& BatchRoom() {
    thread_local mp::NotificationQueue room;
    return room;
}

std::uint32_t FormatOf(std::uint32_t flagsOrFormat) {
    std::uint32_t f = flagsOrFormat & 0xFFFF;
    return f == 0 ? mp::TIME_FORMAT_TICKS : f;
}
bool ValidFormat(std::uint32_t f) { return f == mp::TIME_FORMAT_TICKS || f == mp::TIME_FORMAT_NANOSECONDS; }

// The UTF-16 text of a caller's name handle; nullopt for an unknown handle.
std::optional<std::u16string> NameFromHandle(std::uint32_t handle) {
    if (handle == 0) return std::u16string();
    void* p = win::CoTaskMemHandlePtr(handle);
    if (!p) return std::nullopt;
    std::size_t units = win::CoTaskMemHandleSize(handle) / 2;
    const auto* text = static_cast<const char16_t*>(p);
    std::size_t n = 0;
    while (n < units && text[n] != 0) ++n;
    return std::u16string(text, n);
}

// A new handle holding the NUL-terminated name; 0 for an empty name.
std::uint32_t HandleFromName(const std::u16string& name) {
    if (name.empty()) return 0;
    std::uint32_t h = win::CoTaskMemAllocHandle((name.size() + 1) * 2);
    if (!h) return 0;
    auto* p = static_cast<char16_t*>(win::CoTaskMemHandlePtr(h));
    std::memcpy(p, name.data(), name.size() * 2);
    p[name.size()] = 0;
    return h;
}

template <class T>
T& As(void* p) {
    return *static_cast<T*>(p);
}

} // namespace

HostProject* HostProject::Create() { return new HostProject(); }

HostProject::HostProject() : notifier_(this) {}
HostProject::~HostProject() = default;

win::HRESULT HostProject::QueryInterface(const win::IID& riid, void** ppv) {
    return win::QueryInterfaceFrom(riid, ppv,
                                   {{mp::IID_IMPMidiData, static_cast<mp::IMPMidiData*>(this)},
                                    {mp::IID_IMPProperties, static_cast<mp::IMPProperties*>(this)},
                                    {mp::IID_IMPTimeFormat, static_cast<mp::IMPTimeFormat*>(this)},
                                    {mp::IID_IMPPortList, static_cast<mp::IMPPortList*>(this)},
                                    {win::IID_IConnectionPointContainer,
                                     static_cast<win::IConnectionPointContainer*>(this)}});
}

win::ULONG HostProject::AddRef() { return ++refs_; }

win::ULONG HostProject::Release() {
    win::ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

// ---- delivery --------------------------------------------------------------------------------------

void HostProject::TakeBatch(Batch& b) {
    const std::size_t count = store_.PendingNotifications();
    held_ = std::min(held_, count); // a load may have dropped them
    std::size_t from = 0;
    if (store_.TransactionDepth() > 0) {
        if (std::this_thread::get_id() == holder_) held_ = count;
        from = held_;
    } else {
        held_ = 0;
    }
    if (count > from) {
        b.records.Swap(BatchRoom());
        store_.TakeNotifications(b.records, from);
        b.firstSequence = sequence_ + 1;
        sequence_ += static_cast<std::uint32_t>(count - from);
    }
    b.hasTime = store_.TakeTimeNotify(&b.time);
    if (notifier_.Threaded() && (!b.records.Empty() || b.hasTime)) {
        notifier_.Enqueue(std::move(b));
        b = Batch{};
    }
}

void HostProject::Deliver(Batch& batch) {
    if (batch.records.Empty() && !batch.hasTime) return;
    notifier_.DeliverNow(batch);
    if (batch.records.Capacity() > BatchRoom().Capacity()) {
        batch.records.Clear();
        BatchRoom().Swap(batch.records);
    }
}

win::HRESULT HostProject::Undo() {
    return WithStore([](Store& s) { return s.Undo(); });
}
win::HRESULT HostProject::Redo() {
    return WithStore([](Store& s) { return s.Redo(); });
}

void HostProject::ReportTransportTime(std::int64_t ticks) {
    WithStore([ticks](Store& s) { s.SetTransportPosition(ticks < 0 ? 0 : ticks); });
}

void HostProject::SetPositionWriteHandler(PositionWriteHandler handler) {
    std::lock_guard lock(handlerMutex_);
    positionWritten_ = std::move(handler);
}

void HostProject::SetThreadedDelivery(bool threaded) {
    std::lock_guard lock(mutex_);
    notifier_.SetThreaded(threaded);
}

void HostProject::FlushNotifications() { notifier_.Flush(); }

// ---- records ---------------------------------------------------------------------------------------

std::int64_t HostProject::ToTicks(std::int64_t time, std::uint32_t format) const {
    return format == mp::TIME_FORMAT_NANOSECONDS ? store_.Time().NanosecondsToTicks(time) : time;
}
std::int64_t HostProject::FromTicks(std::int64_t ticks, std::uint32_t format) const {
    return format == mp::TIME_FORMAT_NANOSECONDS ? store_.Time().TicksToNanoseconds(ticks) : ticks;
}

win::HRESULT HostProject::FillEventRecord(std::uint32_t id, std::uint32_t format, mp::MidiEventRecord* out,
                                          const mp::EventKey* asked) {
    Store::EventFields f{};
    if (!store_.ReadEventFields(id, &f)) return win::E_INVALIDARG;
    const BlockValue& block = *store_.Block(f.block);
    if (asked && ((asked->block && asked->block != f.block) || (asked->track && asked->track != block.track)))
        return win::E_INVALIDARG;
    const std::int64_t blockStart = block.start;
    mp::MidiEventRecord r{};
    r.kind = f.kind;
    r.flags = f.flags;
    r.port = f.port;
    r.channel = f.channel;
    r.time = format == mp::TIME_FORMAT_TICKS ? f.time : FromTicks(blockStart + f.time, format) - FromTicks(blockStart, format);
    r.timeFormat = format;
    if (f.extras) {
        r.hostWord = f.extras->hostWord;
        r.sourceWord = f.extras->sourceWord;
        r.reserved = f.extras->reserved;
        std::memcpy(r.hostData, f.extras->hostData, 16);
    }
    if (IsVariableKind(f.kind)) {
        r.length = f.bytes ? static_cast<std::uint32_t>(f.bytes->size()) : 0;
        if (r.length) {
            r.dataHandle = win::CoTaskMemAllocHandle(r.length);
            if (!r.dataHandle) return win::E_OUTOFMEMORY;
            std::memcpy(win::CoTaskMemHandlePtr(r.dataHandle), f.bytes->data(), r.length);
        }
    } else {
        r.length = f.length;
        std::memcpy(r.data, f.data, 4);
    }
    *out = r;
    return win::S_OK;
}

void HostProject::FillTrackRecord(std::uint32_t id, bool withName, mp::TrackRecord* out) {
    const TrackValue& t = *store_.Track(id);
    mp::TrackRecord r{};
    r.attributes = t.attributes;
    r.port = t.port;
    r.channel = t.channel;
    r.velocityOffset = t.velocityOffset;
    r.pitchOffset = t.pitchOffset;
    r.order = t.order;
    r.nameHandle = withName ? HandleFromName(t.name) : 0;
    *out = r;
}

void HostProject::FillBlockRecord(std::uint32_t id, std::uint32_t format, bool withName, mp::BlockRecord* out) {
    const BlockValue& b = *store_.Block(id);
    mp::BlockRecord r{};
    r.start = FromTicks(b.start, format);
    r.end = FromTicks(b.end, format);
    r.timeFormat = format;
    r.nameHandle = withName ? HandleFromName(b.name) : 0;
    *out = r;
}

// ---- IMPMidiData -----------------------------------------------------------------------------------

win::HRESULT HostProject::FindStep(mp::EventKey* key, win::DWORD level, void* record, win::BOOL* more,
                                   win::DWORD argument, int direction) {
    if (!key) return win::E_POINTER;
    std::lock_guard lock(mutex_);
    const std::vector<std::uint32_t>* list = nullptr;
    std::size_t pos = 0;
    std::uint32_t current = 0;
    std::uint32_t kinds = level == mp::LEVEL_EVENT ? argument : 0;
    switch (level) {
    case mp::LEVEL_TRACK:
        list = &store_.TracksInOrder();
        current = key->track;
        break;
    case mp::LEVEL_BLOCK:
        if (!store_.TrackAlive(key->track)) return win::E_INVALIDARG;
        list = &store_.BlocksOf(key->track);
        current = key->block;
        break;
    case mp::LEVEL_EVENT: {
        const BlockValue* b = store_.Block(key->block);
        if (!b || (key->track && key->track != b->track)) return win::E_INVALIDARG;
        list = &store_.EventsOf(key->block);
        current = key->event;
        break;
    }
    default:
        return win::E_INVALIDARG;
    }
    auto matches = [&](std::size_t i) {
        return level != mp::LEVEL_EVENT || (store_.EventKind((*list)[i]) & kinds) != 0;
    };
    // Start one past (or before) the current item, or at the first item.
    std::ptrdiff_t i;
    if (direction == 0) {
        i = 0;
    } else {
        if (level == mp::LEVEL_EVENT) {
            if (!store_.EventAlive(current) || store_.KeyOfEvent(current).block != key->block) return win::E_INVALIDARG;
            // A walk asks for the event after the one it was given last: no search for that one.
            pos = findHint_.block == key->block && findHint_.position < list->size() && (*list)[findHint_.position] == current
                      ? findHint_.position
                      : store_.IndexInBlock(current);
        } else if (level == mp::LEVEL_TRACK) {
            // A walk over many tracks must not search for each one from the start.
            pos = store_.TrackPosition(current);
            if (pos == Store::npos) return win::E_INVALIDARG;
        } else {
            auto it = std::find(list->begin(), list->end(), current);
            if (it == list->end()) return win::E_INVALIDARG;
            pos = static_cast<std::size_t>(it - list->begin());
        }
        i = static_cast<std::ptrdiff_t>(pos) + direction;
    }
    int step = direction < 0 ? -1 : 1;
    auto n = static_cast<std::ptrdiff_t>(list->size());
    while (i >= 0 && i < n && !matches(static_cast<std::size_t>(i))) i += step;
    bool found = i >= 0 && i < n;
    std::uint32_t* word = level == mp::LEVEL_TRACK ? &key->track : level == mp::LEVEL_BLOCK ? &key->block : &key->event;
    if (!found) {
        *word = 0;
        if (level == mp::LEVEL_TRACK) key->block = key->event = 0;
        if (level == mp::LEVEL_BLOCK) key->event = 0;
        if (more) *more = win::FALSE;
        if (record) {
            if (level == mp::LEVEL_EVENT) {
                As<mp::MidiEventRecord>(record) = mp::MidiEventRecord{};
                As<mp::MidiEventRecord>(record).kind = mp::MEK_NONE;
            } else if (level == mp::LEVEL_BLOCK) {
                As<mp::BlockRecord>(record) = mp::BlockRecord{};
            } else {
                As<mp::TrackRecord>(record) = mp::TrackRecord{};
            }
        }
        return win::S_FALSE;
    }
    std::uint32_t id = (*list)[static_cast<std::size_t>(i)];
    if (level == mp::LEVEL_EVENT) findHint_ = FindHint{key->block, static_cast<std::size_t>(i)};
    if (record) {
        if (level == mp::LEVEL_EVENT) {
            win::HRESULT hr = FillEventRecord(id, mp::TIME_FORMAT_TICKS, &As<mp::MidiEventRecord>(record));
            if (win::FAILED(hr)) return hr;
        } else if (level == mp::LEVEL_BLOCK) {
            FillBlockRecord(id, mp::TIME_FORMAT_TICKS, false, &As<mp::BlockRecord>(record));
        } else {
            FillTrackRecord(id, false, &As<mp::TrackRecord>(record));
        }
    }
    *word = id;
    if (level == mp::LEVEL_TRACK) key->block = key->event = 0;
    if (level == mp::LEVEL_BLOCK) key->event = 0;
    if (more) {
        std::ptrdiff_t j = i + step;
        while (j >= 0 && j < n && !matches(static_cast<std::size_t>(j))) j += step;
        *more = (j >= 0 && j < n) ? win::TRUE : win::FALSE;
    }
    return win::S_OK;
}

win::HRESULT HostProject::FindFirst(mp::EventKey* key, win::DWORD level, void* record, win::BOOL* more,
                                    win::DWORD argument) {
    return FindStep(key, level, record, more, argument, 0);
}
win::HRESULT HostProject::FindNext(mp::EventKey* key, win::DWORD level, void* record, win::BOOL* more,
                                   win::DWORD argument) {
    return FindStep(key, level, record, more, argument, 1);
}
win::HRESULT HostProject::FindPrevious(mp::EventKey* key, win::DWORD level, void* record, win::BOOL* more,
                                       win::DWORD argument) {
    return FindStep(key, level, record, more, argument, -1);
}

win::HRESULT HostProject::Get(const mp::EventKey* key, win::DWORD level, void* record, win::DWORD flags) {
    if (!key || !record) return win::E_POINTER;
    std::uint32_t format = FormatOf(flags);
    if (!ValidFormat(format)) return win::E_INVALIDARG;
    bool withName = (flags & mp::GET_WITH_NAME) != 0;
    std::lock_guard lock(mutex_);
    switch (level) {
    case mp::LEVEL_TRACK:
        if (!store_.TrackAlive(key->track)) return win::E_INVALIDARG;
        FillTrackRecord(key->track, withName, &As<mp::TrackRecord>(record));
        return win::S_OK;
    case mp::LEVEL_BLOCK: {
        const BlockValue* b = store_.Block(key->block);
        if (!b || (key->track && b->track != key->track)) return win::E_INVALIDARG;
        FillBlockRecord(key->block, format, withName, &As<mp::BlockRecord>(record));
        return win::S_OK;
    }
    case mp::LEVEL_EVENT:
        return FillEventRecord(key->event, format, &As<mp::MidiEventRecord>(record), key);
    default:
        return win::E_INVALIDARG;
    }
}

namespace {

// Applies the fields of r named by mask onto v. Returns E_INVALIDARG for unusable values.
win::HRESULT ApplyEventRecord(const mp::MidiEventRecord& r, std::uint32_t mask, std::int64_t relTicks,
                              EventValue& v) {
    std::uint32_t oldKind = v.kind;
    std::size_t oldLength = v.bytes.size();
    if (mask & mp::CHANGE_TIME) v.time = relTicks;
    if (mask & mp::CHANGE_KIND) v.kind = r.kind;
    if (!IsKnownKind(v.kind)) return win::E_INVALIDARG;
    bool variable = IsVariableKind(v.kind);
    if (variable) {
        bool wantsData = (mask & mp::CHANGE_LENGTH) || oldKind != v.kind;
        if (wantsData) {
            void* p = r.length ? win::CoTaskMemHandlePtr(r.dataHandle) : nullptr;
            if (p && win::CoTaskMemHandleSize(r.dataHandle) >= r.length) {
                const auto* bytes = static_cast<const std::uint8_t*>(p);
                v.bytes.assign(bytes, bytes + r.length);
            } else if (r.length == 0 && (mask & mp::CHANGE_LENGTH)) {
                v.bytes.clear();
            } else if (!(oldKind == v.kind && r.length == oldLength)) {
                return win::E_INVALIDARG;
            }
        }
        v.length = static_cast<std::uint32_t>(v.bytes.size());
        std::memset(v.data, 0, 4);
    } else {
        if (IsVariableKind(oldKind)) {
            v.bytes.clear();
            v.length = 0;
        }
        if (mask & mp::CHANGE_LENGTH) v.length = r.length;
        if (mask & mp::CHANGE_DATA) std::memcpy(v.data, r.data, 4);
    }
    if (mask & mp::CHANGE_CHANNEL) v.channel = r.channel;
    if (mask & mp::CHANGE_PORT) v.port = r.port;
    if (mask & mp::CHANGE_FLAGS) v.flags = r.flags;
    if (mask & mp::CHANGE_HOST_WORDS) {
        v.hostWord = r.hostWord;
        v.sourceWord = r.sourceWord;
        v.reserved = r.reserved;
        std::memcpy(v.hostData, r.hostData, 16);
    }
    return win::S_OK;
}

// Copies the track fields named by mask, all but the name.
void ApplyTrackSettings(const mp::TrackRecord& r, std::uint32_t mask, TrackValue& v) {
    if (mask & mp::CHANGE_TRACK_ATTRIBUTES) v.attributes = r.attributes;
    if (mask & mp::CHANGE_TRACK_SETTINGS) {
        v.port = r.port;
        v.channel = r.channel;
        v.velocityOffset = r.velocityOffset;
        v.pitchOffset = r.pitchOffset;
    }
    if (mask & mp::CHANGE_TRACK_ORDER) v.order = r.order;
}

// Takes a new name from a record's handle when mask asks for it. A whole-record update without a
// name keeps the old one, so a record read without its name can be written back unchanged.
win::HRESULT ApplyName(std::uint32_t handle, std::uint32_t mask, std::u16string& name) {
    if (!(mask & mp::CHANGE_TRACK_NAME)) return win::S_OK;
    auto given = NameFromHandle(handle);
    if (!given) return mask == mp::CHANGE_ALL ? win::S_OK : win::E_INVALIDARG;
    if (handle || mask != mp::CHANGE_ALL) name = *given;
    return win::S_OK;
}

} // namespace

win::HRESULT HostProject::EventWriteValue(const mp::EventKey& key, const mp::MidiEventRecord& r, std::uint32_t mask,
                                          const EventValue* base, EventValue* out) {
    const mp::EventKey k = store_.KeyOfEvent(key.event);
    if (!k.event || (key.block && key.block != k.block) || (key.track && key.track != k.track)) return win::E_INVALIDARG;
    // The selection alone, as the editor writes it for every note a marquee touches.
    if ((mask & mp::CHANGE_ALL) == mp::CHANGE_FLAGS) return win::S_FALSE;
    EventValue& v = *out;
    v = base ? *base : store_.Event(key.event);
    const std::int64_t start = store_.Block(k.block)->start;
    std::int64_t rel = 0;
    if (mask & mp::CHANGE_TIME) {
        const std::uint32_t format = FormatOf(r.timeFormat);
        if (!ValidFormat(format)) return win::E_INVALIDARG;
        rel = ToTicks(FromTicks(start, format) + r.time, format) - start;
    }
    const win::HRESULT hr = ApplyEventRecord(r, mask & mp::CHANGE_ALL, rel, v);
    if (hr != win::S_OK) return hr;
    // What the store refuses, refused before anything is written.
    return win::FAILED(Store::ValidateEvent(v)) || start + v.time < 0 ? win::E_INVALIDARG : win::S_OK;
}

win::HRESULT HostProject::Set(const mp::EventKey* key, win::DWORD level, const void* record, win::DWORD mask) {
    if (!key || !record) return win::E_POINTER;
    Batch batch;
    win::HRESULT hr = win::E_INVALIDARG;
    {
        std::lock_guard lock(mutex_);
        if (level == mp::LEVEL_EVENT) {
            const auto& r = *static_cast<const mp::MidiEventRecord*>(record);
            EventValue v;
            hr = EventWriteValue(*key, r, mask, nullptr, &v);
            if (hr == win::S_FALSE) hr = store_.SetEventFlags(key->event, r.flags);
            else if (hr == win::S_OK) hr = store_.SetEvent(key->event, v);
        } else if (level == mp::LEVEL_BLOCK) {
            const auto& r = *static_cast<const mp::BlockRecord*>(record);
            const BlockValue* cur = store_.Block(key->block);
            if (cur && (!key->track || key->track == cur->track)) {
                BlockValue v = *cur;
                std::uint32_t format = FormatOf(r.timeFormat);
                hr = win::S_OK;
                if (mask & mp::CHANGE_BLOCK_RANGE) {
                    if (!ValidFormat(format)) hr = win::E_INVALIDARG;
                    v.start = ToTicks(r.start, format);
                    v.end = ToTicks(r.end, format);
                }
                if (hr == win::S_OK) hr = ApplyName(r.nameHandle, mask, v.name);
                if (hr == win::S_OK) hr = store_.SetBlock(key->block, v);
            }
        } else if (level == mp::LEVEL_TRACK) {
            const auto& r = *static_cast<const mp::TrackRecord*>(record);
            if (const TrackValue* cur = store_.Track(key->track)) {
                TrackValue v = *cur;
                ApplyTrackSettings(r, mask, v);
                hr = ApplyName(r.nameHandle, mask, v.name);
                // The stored bytes are kept as read from a file unless the name really changes.
                if (v.name != cur->name) v.nameBytes = EncodeUtf8(v.name);
                if (hr == win::S_OK) hr = store_.SetTrack(key->track, v);
            }
        }
        TakeBatch(batch);
    }
    Deliver(batch);
    return hr;
}

win::HRESULT HostProject::Insert(mp::EventKey* key, win::DWORD level, const void* record) {
    if (!key || !record) return win::E_POINTER;
    Batch batch;
    win::HRESULT hr = win::E_INVALIDARG;
    {
        std::lock_guard lock(mutex_);
        if (level == mp::LEVEL_EVENT) {
            const auto& r = *static_cast<const mp::MidiEventRecord*>(record);
            const BlockValue* b = store_.Block(key->block);
            std::uint32_t format = FormatOf(r.timeFormat);
            if (b && (!key->track || key->track == b->track) && ValidFormat(format)) {
                EventValue v;
                v.block = key->block;
                v.kind = r.kind;
                std::int64_t rel = ToTicks(FromTicks(b->start, format) + r.time, format) - b->start;
                // Start from an empty value of the record's kind so every field comes from the record.
                if (IsKnownKind(r.kind)) {
                    hr = ApplyEventRecord(r, mp::CHANGE_ALL, rel, v);
                    if (hr == win::S_OK && IsVariableKind(r.kind) && r.length && v.bytes.size() != r.length)
                        hr = win::E_INVALIDARG;
                }
                std::uint32_t id = 0;
                if (hr == win::S_OK) {
                    hr = key->event ? store_.ReplaceEvent(key->event, v, &id) : store_.InsertEvent(v, &id);
                }
                if (hr == win::S_OK) {
                    key->track = b->track;
                    key->event = id;
                }
            }
        } else if (level == mp::LEVEL_BLOCK) {
            const auto& r = *static_cast<const mp::BlockRecord*>(record);
            std::uint32_t format = FormatOf(r.timeFormat);
            auto name = NameFromHandle(r.nameHandle);
            if (store_.TrackAlive(key->track) && ValidFormat(format) && name) {
                BlockValue v{key->track, ToTicks(r.start, format), ToTicks(r.end, format), *name};
                std::uint32_t id = 0;
                hr = store_.InsertBlock(v, &id);
                if (hr == win::S_OK) {
                    key->block = id;
                    key->event = 0;
                }
            }
        } else if (level == mp::LEVEL_TRACK) {
            const auto& r = *static_cast<const mp::TrackRecord*>(record);
            auto name = NameFromHandle(r.nameHandle);
            if (name) {
                TrackValue v;
                ApplyTrackSettings(r, mp::CHANGE_ALL, v);
                v.name = *name;
                v.nameBytes = EncodeUtf8(v.name);
                std::uint32_t id = 0;
                hr = store_.InsertTrack(v, &id);
                if (hr == win::S_OK) *key = {id, 0, 0};
            }
        }
        TakeBatch(batch);
    }
    Deliver(batch);
    return hr;
}

win::HRESULT HostProject::Delete(win::DWORD level, const mp::EventKey* key) {
    if (!key) return win::E_POINTER;
    return WithStore([&](Store& s) -> win::HRESULT {
        if (level == mp::LEVEL_EVENT) {
            mp::EventKey k = s.KeyOfEvent(key->event);
            if (!k.event || (key->block && key->block != k.block) || (key->track && key->track != k.track))
                return win::E_INVALIDARG;
            return s.DeleteEvent(key->event);
        }
        if (level == mp::LEVEL_BLOCK) {
            const BlockValue* b = s.Block(key->block);
            if (!b || (key->track && key->track != b->track)) return win::E_INVALIDARG;
            return s.DeleteBlock(key->block);
        }
        if (level == mp::LEVEL_TRACK) return s.DeleteTrack(key->track);
        return win::E_INVALIDARG;
    });
}

win::HRESULT HostProject::BeginTransaction(win::DWORD kind, const char16_t* name) {
    return WithStore([&](Store& s) {
        const bool outermost = s.TransactionDepth() == 0;
        const win::HRESULT hr = s.BeginTransaction(kind, name ? std::u16string(name) : std::u16string());
        if (outermost && hr == win::S_OK) holder_ = std::this_thread::get_id();
        return hr;
    });
}

win::HRESULT HostProject::EndTransaction(win::BOOL changed) {
    return WithStore([&](Store& s) { return s.EndTransaction(changed != 0); });
}

win::HRESULT HostProject::SelectEvents(win::DWORD level, const mp::EventKey* scope, win::DWORD kinds, win::DWORD r3,
                                       win::DWORD r4, win::DWORD r5, win::DWORD r6, win::DWORD r7, win::DWORD mode) {
    if (level != mp::LEVEL_EVENT || (r3 | r4 | r5 | r6 | r7) != 0 ||
        (mode != mp::SELECT_SET && mode != mp::SELECT_CLEAR))
        return win::E_INVALIDARG;
    mp::EventKey k = scope ? *scope : mp::EventKey{0, 0, 0};
    return WithStore([&](Store& s) { return s.SelectEvents(k, kinds, mode == mp::SELECT_SET); });
}

// ---- IMPProperties ---------------------------------------------------------------------------------

win::HRESULT HostProject::GetProperty(const win::GUID& id, win::DWORD selector1, win::DWORD selector2,
                                      win::DWORD /*reserved*/, win::DWORD size, void* out) {
    if (!out) return win::E_POINTER;
    if (id == mp::PID_READ_EVENT_LIST) return ReadListedEvents(selector1, selector2, size, out);
    if (id == mp::PID_BLOCK_EVENTS) {
        std::lock_guard lock(mutex_);
        return GetBlockEvents(selector1, selector2, size, out);
    }
    if (selector1 || selector2) return win::E_INVALIDARG;
    std::lock_guard lock(mutex_);
    if (IsSongMap(id)) return GetSongMap(id, size, out);
    if (id == mp::PID_TIME_SIGNATURE) {
        if (size < sizeof(mp::MPTimeSignature)) return win::E_INVALIDARG;
        TimeBase::MeterChange m = store_.Time().MeterAt(0);
        As<mp::MPTimeSignature>(out) = {1, m.beats, m.noteExp};
    } else if (id == mp::PID_LOOP_REGION) {
        if (size < sizeof(mp::MPLoopRegion)) return win::E_INVALIDARG;
        As<mp::MPLoopRegion>(out) = {store_.LoopStart(), store_.LoopEnd(), mp::TIME_FORMAT_TICKS, 0};
    } else if (id == mp::PID_TRANSPORT_POSITION) {
        if (size < sizeof(mp::MPTransportPosition)) return win::E_INVALIDARG;
        As<mp::MPTransportPosition>(out) = {store_.TransportPosition(), mp::TIME_FORMAT_TICKS, 0};
    } else if (id == mp::PID_TRANSPORT_FLAGS) {
        if (size < 4) return win::E_INVALIDARG;
        As<std::uint32_t>(out) = store_.TransportFlags();
    } else if (id == mp::PID_PITCH_OFFSET) {
        if (size < 4) return win::E_INVALIDARG;
        As<std::int32_t>(out) = store_.PitchOffset();
    } else {
        return win::E_INVALIDARG;
    }
    return win::S_OK;
}

win::HRESULT HostProject::SetProperty(const win::GUID& id, win::DWORD selector1, win::DWORD selector2,
                                      win::DWORD size, const void* in) {
    if (!in) return win::E_POINTER;
    if (id == mp::PID_SET_EVENTS) return SetEvents(selector1, selector2, size, in);
    if (id == mp::PID_DELETE_EVENTS) return DeleteEvents(selector1, selector2, size, in);
    if (IsSongMap(id)) {
        if (selector2) return win::E_INVALIDARG;
        return WithStore([&](Store& s) { return SetSongMap(s, id, selector1, size, in); });
    }
    if (id == mp::PID_SELECT_EVENT_LIST) return SelectListedEvents(selector1, selector2, size, in);
    if (selector1 || selector2) return win::E_INVALIDARG;
    bool positionWritten = false;
    std::int64_t position = 0;
    const win::HRESULT hr = WithStore([&](Store& s) -> win::HRESULT {
        if (id == mp::PID_TIME_SIGNATURE) {
            if (size < sizeof(mp::MPTimeSignature)) return win::E_INVALIDARG;
            mp::MPTimeSignature t;
            std::memcpy(&t, in, sizeof t);
            if (t.written != 1) return win::E_INVALIDARG;
            return s.SetTimeSignature(t.beatsPerBar, t.noteValueExponent);
        }
        if (id == mp::PID_LOOP_REGION) {
            if (size < sizeof(mp::MPLoopRegion)) return win::E_INVALIDARG;
            mp::MPLoopRegion l;
            std::memcpy(&l, in, sizeof l);
            std::uint32_t format = FormatOf(l.timeFormat);
            if (!ValidFormat(format)) return win::E_INVALIDARG;
            return s.SetLoop(ToTicks(l.start, format), ToTicks(l.end, format));
        }
        if (id == mp::PID_TRANSPORT_POSITION) {
            if (size < sizeof(mp::MPTransportPosition)) return win::E_INVALIDARG;
            mp::MPTransportPosition p;
            std::memcpy(&p, in, sizeof p);
            std::uint32_t format = FormatOf(p.timeFormat);
            if (!ValidFormat(format)) return win::E_INVALIDARG;
            const win::HRESULT set = s.SetTransportPosition(ToTicks(p.time, format));
            positionWritten = set == win::S_OK;
            position = s.TransportPosition();
            return set;
        }
        if (id == mp::PID_TRANSPORT_FLAGS) {
            if (size < 4) return win::E_INVALIDARG;
            std::uint32_t f;
            std::memcpy(&f, in, 4);
            return s.SetTransportFlags(f);
        }
        if (id == mp::PID_PITCH_OFFSET) {
            if (size < 4) return win::E_INVALIDARG;
            std::int32_t o;
            std::memcpy(&o, in, 4);
            return s.SetPitchOffset(o);
        }
        return win::E_INVALIDARG;
    });
    if (positionWritten) {
        std::lock_guard lock(handlerMutex_);
        if (positionWritten_) positionWritten_(position);
    }
    return hr;
}

// ---- IMPTimeFormat ---------------------------------------------------------------------------------

win::HRESULT HostProject::ConvertTime(std::int64_t time, win::DWORD fromFormat, win::DWORD, std::int64_t* out,
                                      win::DWORD toFormat, win::DWORD) {
    if (!out) return win::E_POINTER;
    if (!ValidFormat(fromFormat) || !ValidFormat(toFormat)) return win::E_INVALIDARG;
    std::lock_guard lock(mutex_);
    *out = FromTicks(ToTicks(time, fromFormat), toFormat);
    if (fromFormat == toFormat) *out = time;
    return win::S_OK;
}

win::HRESULT HostProject::SplitTicks(std::int64_t ticks, win::DWORD, win::LONG* measure, win::LONG* beat,
                                     win::LONG* tick) {
    std::lock_guard lock(mutex_);
    std::int64_t m, b, t;
    store_.Time().Split(ticks, &m, &b, &t);
    if (m > INT32_MAX || m < INT32_MIN) return win::E_INVALIDARG;
    if (measure) *measure = static_cast<win::LONG>(m);
    if (beat) *beat = static_cast<win::LONG>(b);
    if (tick) *tick = static_cast<win::LONG>(t);
    return win::S_OK;
}

win::HRESULT HostProject::TextToTime(const char16_t* text, win::DWORD, win::DWORD format, std::int64_t* out) {
    if (!text || !out) return win::E_POINTER;
    if (!ValidFormat(format)) return win::E_INVALIDARG;
    std::int64_t parts[3] = {0, 0, 0};
    int count = 0;
    bool digits = false;
    char lastSep = 0;
    const char16_t* p = text;
    while (*p == u' ') ++p;
    for (; *p && *p != u' '; ++p) {
        if (*p >= u'0' && *p <= u'9') {
            if (count == 3) return win::E_INVALIDARG;
            if (parts[count] > 100000000000000LL) return win::E_INVALIDARG;
            parts[count] = parts[count] * 10 + (*p - u'0');
            digits = true;
        } else if ((*p == u':' || *p == u'.') && digits && count < 2) {
            if (*p == u'.' && count != 1) return win::E_INVALIDARG;
            if (lastSep == '.') return win::E_INVALIDARG;
            lastSep = static_cast<char>(*p);
            ++count;
            digits = false;
        } else {
            return win::E_INVALIDARG;
        }
    }
    while (*p == u' ') ++p;
    if (*p || !digits) return win::E_INVALIDARG;
    std::lock_guard lock(mutex_);
    const TimeBase& tb = store_.Time();
    TimeBase::MeterChange m = tb.MeterAt(tb.Join(parts[0], 0, 0));
    if (parts[1] >= m.beats || parts[2] >= tb.BeatTicks(m)) return win::E_INVALIDARG;
    *out = FromTicks(tb.Join(parts[0], parts[1], parts[2]), format);
    return win::S_OK;
}

win::HRESULT HostProject::GetTicksPerQuarter(win::DWORD format, win::DWORD* out) {
    if (!out) return win::E_POINTER;
    if (format != mp::TIME_FORMAT_TICKS) return win::E_INVALIDARG;
    std::lock_guard lock(mutex_);
    *out = store_.TicksPerQuarter();
    return win::S_OK;
}

// ---- IMPPortList -----------------------------------------------------------------------------------

win::HRESULT HostProject::GetPorts(win::DWORD kind, win::DWORD* count, mp::MPPortEntry** entries) {
    if (!count || !entries) return win::E_POINTER;
    *count = 0;
    *entries = nullptr;
    if (kind != mp::PORT_KIND_INPUT && kind != mp::PORT_KIND_OUTPUT) return win::E_INVALIDARG;
    std::lock_guard lock(mutex_);
    const auto& ports = store_.Ports(kind);
    if (ports.empty()) return win::S_OK;
    auto* array = static_cast<mp::MPPortEntry*>(win::CoTaskMemAlloc(ports.size() * sizeof(mp::MPPortEntry)));
    if (!array) return win::E_OUTOFMEMORY;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        array[i].id = ports[i].id;
        array[i].guid = ports[i].guid;
        array[i].nameHandle = HandleFromName(ports[i].name);
    }
    *count = static_cast<win::DWORD>(ports.size());
    *entries = array;
    return win::S_OK;
}

// ---- IConnectionPointContainer ---------------------------------------------------------------------

win::HRESULT HostProject::EnumConnectionPoints(win::IEnumConnectionPoints** e) {
    if (e) *e = nullptr;
    return win::E_NOTIMPL;
}

win::HRESULT HostProject::FindConnectionPoint(const win::IID& riid, win::IConnectionPoint** cp) {
    if (!cp) return win::E_POINTER;
    *cp = nullptr;
    win::ConnectionPoint* point = nullptr;
    if (riid == mp::IID_IMPNotificationSink) point = notifier_.DataPoint();
    else if (riid == mp::IID_IMPTimeSink) point = notifier_.TimePoint();
    else return win::CONNECT_E_NOCONNECTION;
    if (!point) return win::E_OUTOFMEMORY;
    point->AddRef();
    *cp = point;
    return win::S_OK;
}

} // namespace host

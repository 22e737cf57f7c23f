// Keeping the track table and the event-key list in step with the host's data notifications: the
// immediate phase takes deleted items out (only on the thread that owns the cache; records from
// other threads wait for the deferred phase), the deferred phase reads and places what came in.
#include "mp/plugin.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <tuple>

namespace mp {

using namespace win;

namespace {

// The keys a batch of list changes touched, with the last change of each, tested against every
// entry of the list. When the batch's event ids lie close together, a table by id holds the last
// change of the first key met with each id (from the back) and the key index only other keys with
// the same id: a large edit then finds its keys without a hash probe each. Wider spans keep a bit
// per id, which answers most entries at once, and ask the key index for the rest.
// The batch is a list of changes, or of keys that leave.
const EventKey& KeyOf(const ListChange& c) noexcept { return c.key; }
const EventKey& KeyOf(const EventKey& k) noexcept { return k; }
bool Enters(const ListChange& c) noexcept { return c.entry != ListChange::kNoEntry; }
bool Enters(const EventKey&) noexcept { return false; }

// Whether two entries differ in nothing but their selection: the list's layout then stands.
bool SameButSelection(const EventEntry& a, const EventEntry& b) noexcept {
    return a.key == b.key && a.start == b.start && a.end == b.end && a.order == b.order && a.channel == b.channel &&
           a.kind == b.kind && a.pitch == b.pitch && a.value == b.value;
}

template <class Changes> class TouchedKeys {
public:
    TouchedKeys(const Changes& changes, std::size_t listSize, std::vector<std::uint32_t>& table)
        : changes_(changes), table_(table) {
        table_.clear();
        bool any = false;
        for (const auto& c : changes) {
            const std::uint32_t event = KeyOf(c).event;
            if (!event) continue;
            low_ = any ? std::min(low_, event) : event;
            high_ = any ? std::max(high_, event) : event;
            any = true;
        }
        if (!any) return;
        const std::uint64_t span = std::uint64_t{high_} - low_ + 1;
        const std::uint64_t entries = std::uint64_t{listSize} + changes.size();
        if (span <= kTableSlotsPerEntry * entries + kSmallSpan) {
            table_.assign(static_cast<std::size_t>(span), kNone);
            for (std::size_t i = changes.size(); i-- > 0;) {
                const EventKey& key = KeyOf(changes[i]);
                if (!key.event) continue;
                std::uint32_t& slot = table_[key.event - low_];
                bool last = slot == kNone;
                if (last) slot = static_cast<std::uint32_t>(i);
                else if (!(KeyOf(changes_[slot]) == key)) last = others_.Insert(key, static_cast<std::uint32_t>(i)).second;
                if (last && Enters(changes[i])) ++entering_;
            }
            return;
        }
        others_.Reserve(changes.size());
        for (std::size_t i = changes.size(); i-- > 0;)
            if (KeyOf(changes[i]).event && others_.Insert(KeyOf(changes[i]), static_cast<std::uint32_t>(i)).second &&
                Enters(changes[i]))
                ++entering_;
        // A bit map only as large as a few bytes per listed entry; wider spans ask the index always.
        if (span <= kBitsPerEntry * entries + kSmallSpan) {
            bits_.assign(static_cast<std::size_t>((span + 63) / 64), 0);
            for (const auto& c : changes)
                if (const std::uint32_t event = KeyOf(c).event)
                    bits_[(event - low_) >> 6] |= std::uint64_t{1} << ((event - low_) & 63);
        }
    }
    // The index of the key's last change, or null when the batch did not touch it.
    const std::uint32_t* LastChange(const EventKey& k) const {
        if (!k.event || k.event < low_ || k.event > high_) return nullptr;
        const std::uint32_t at = k.event - low_;
        if (!table_.empty()) {
            const std::uint32_t& slot = table_[at];
            if (slot == kNone) return nullptr;
            if (KeyOf(changes_[slot]) == k) return &slot;
            return others_.Size() ? others_.Find(k) : nullptr;
        }
        if (!others_.Size()) return nullptr;
        if (!bits_.empty() && !((bits_[at >> 6] >> (at & 63)) & 1)) return nullptr;
        return others_.Find(k);
    }
    // How many keys have a last change that names an entry: the entries the fold brings in.
    std::size_t Entering() const noexcept { return entering_; }

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    static constexpr std::uint64_t kTableSlotsPerEntry = 4;
    static constexpr std::uint64_t kBitsPerEntry = 32;
    static constexpr std::uint64_t kSmallSpan = 4096;
    const Changes& changes_;
    std::vector<std::uint32_t>& table_;
    KeyIndex others_;
    std::uint32_t low_ = 0, high_ = 0;
    std::vector<std::uint64_t> bits_;
    std::size_t entering_ = 0;
};

// Folds a batch into the list where every entering entry replaces the listed one of its key and the
// list stays in event order, each equal run (listed before entering, entering in the order their
// changes came) put right where it stands: a move of many notes by a step mostly keeps their order,
// so each entry is copied once instead of leaving and being merged back. Answers false when an entry
// would have to move further or has no listed place; the list then holds every untouched entry in
// its order (touched ones may have changed), which is all the merge needs.
class InPlaceFold {
public:
    InPlaceFold(std::vector<EventEntry>& events, const TouchedKeys<std::vector<ListChange>>& touched, ListIndex& index)
        : events_(events), touched_(touched), index_(index) {}

    bool Run(const std::vector<ListChange>& changes, const std::vector<EventEntry>& staged, ListDamage& damage) {
        std::vector<bool> taken(changes.size());
        ListDamage local = damage; // kept apart from the list, so that writes to it need not reload it
        std::size_t entered = 0, out = 0, in = 0;
        for (; in < events_.size(); ++in) {
            EventEntry e = events_[in];
            const EventEntry* left = nullptr; // the listed entry a fresh one replaces, told when it is written
            std::uint64_t rank = out; // listed entries keep their order, before entering equal ones
            if (const std::uint32_t* last = touched_.LastChange(e.key)) {
                local.Add(e);
                const ListChange& change = changes[*last];
                moved_ = moved_ || change.entry == ListChange::kNoEntry;
                if (change.entry == ListChange::kNoEntry) {
                    index_.Leave(e);
                    continue;
                }
                left = &events_[in];
                if (taken[*last]) break; // the key was listed twice: the merge sorts that out
                taken[*last] = true;
                ++entered;
                const EventEntry& fresh = staged[change.entry];
                moved_ = moved_ || !SameButSelection(fresh, e);
                e = fresh;
                local.Add(e);
                rank = kEntering | *last;
            }
            if (out > runFrom_) {
                const int order = CompareEventOrder(events_[out - 1], e);
                if (order > 0) break;
                if (order < 0) SettleRun(out);
                else inOrder_ = inOrder_ && lastRank_ < rank;
            }
            lastRank_ = rank;
            if (left) {
                index_.Leave(*left);
                index_.Enter(e, events_.size());
            }
            events_[out++] = e;
        }
        damage = local;
        const bool whole = in == events_.size();
        if (whole) SettleRun(out);
        // The gap left by entries that went, closed so that the untouched ones stay together.
        events_.erase(events_.begin() + static_cast<std::ptrdiff_t>(out), events_.begin() + static_cast<std::ptrdiff_t>(in));
        return whole && entered == touched_.Entering();
    }
    // Whether an entry left, changed more than its selection, or took another place.
    bool Moved() const noexcept { return moved_; }

private:
    static constexpr std::uint64_t kEntering = std::uint64_t{1} << 63;
    // Orders the run of equal entries that ends before `end` by rank, and starts the next run.
    void SettleRun(std::size_t end) {
        const std::size_t from = runFrom_;
        runFrom_ = end;
        if (inOrder_) return;
        inOrder_ = true;
        moved_ = true;
        if (end - from == 2) {
            // The common run: two notes that start together, which came in the other order.
            std::swap(events_[from], events_[end - 1]);
            return;
        }
        run_.clear();
        for (std::size_t i = from; i < end; ++i) {
            const std::uint32_t* last = touched_.LastChange(events_[i].key);
            run_.emplace_back(last ? kEntering | *last : i, events_[i]);
        }
        std::sort(run_.begin(), run_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::size_t at = from;
        for (const auto& ranked : run_) events_[at++] = ranked.second;
    }
    std::vector<EventEntry>& events_;
    const TouchedKeys<std::vector<ListChange>>& touched_;
    ListIndex& index_;
    std::size_t runFrom_ = 0;
    bool inOrder_ = true;
    std::uint64_t lastRank_ = 0;
    bool moved_ = false;
    std::vector<std::pair<std::uint64_t, EventEntry>> run_;
};

} // namespace

bool COPTPlugin::OnCacheThread() const noexcept {
    const std::thread::id owner = cacheThread_.load();
    return owner != std::thread::id{} && owner == std::this_thread::get_id();
}

void COPTPlugin::ClearListChanges() {
    listChanges_.clear();
    listEntries_.clear();
    listLeaving_ = {};
}

void COPTPlugin::StageRemove(const EventKey& key) { listChanges_.push_back(ListChange{key, ListChange::kNoEntry}); }

void COPTPlugin::StageLeave(const EventKey& key) {
    if (listChanges_.empty()) listLeaving_.push_back(key);
    else StageRemove(key);
}

void COPTPlugin::FoldLeaving() {
    if (sparseRatio_ != UINT32_MAX && listLeaving_.size() * std::uint64_t{sparseRatio_} <= events_.size()) {
        std::vector<ListChange> changes;
        changes.reserve(listLeaving_.size());
        for (const EventKey& key : listLeaving_) changes.push_back(ListChange{key, ListChange::kNoEntry});
        if (SparseFold(changes, {})) {
            listLeaving_ = {};
            return;
        }
    }
    KeepIndexFor(listLeaving_.size());
    const TouchedKeys leaving(listLeaving_, events_.size(), spareTable_);
    std::erase_if(events_.Closed(), [&](const EventEntry& e) {
        if (!leaving.LastChange(e.key)) return false;
        damage_.Add(e);
        listIndex_.Leave(e);
        return true;
    });
    listLeaving_ = {};
    ListChanged(true, 0, true);
}

bool COPTPlugin::EntryFor(const EventKey& key, EventEntry* entry) {
    if (!midiData_ || !key.event) return false;
    // Inside the deferred phase the batch's read transaction covers this read.
    const bool ownRead = !entryContext_.active;
    if (ownRead && FAILED(BeginRead())) return false;
    MidiEventRecord record{};
    EntryContext fresh;
    EntryContext& context = entryContext_.active ? entryContext_ : fresh;
    bool ok = midiData_->Get(&key, LEVEL_EVENT, &record, TIME_FORMAT_TICKS) == S_OK;
    if (ok) FreeEventData(record);
    ok = ok && LoadEntryContext(context, key);
    if (ownRead) EndTransaction(false);
    return ok && FillEntry(key, context, record.kind, record.channel, record.time, record.length, record.data,
                           record.flags, entry);
}

bool COPTPlugin::LoadEntryContext(EntryContext& context, const EventKey& key) {
    if (context.track == key.track && context.block == key.block) return true;
    context.track = context.block = 0;
    const EventKey trackKey{key.track, 0, 0};
    const EventKey blockKey{key.track, key.block, 0};
    if (midiData_->Get(&trackKey, LEVEL_TRACK, &context.trackRecord, TIME_FORMAT_TICKS) != S_OK ||
        midiData_->Get(&blockKey, LEVEL_BLOCK, &context.blockRecord, TIME_FORMAT_TICKS) != S_OK)
        return false;
    context.track = key.track;
    context.block = key.block;
    return true;
}

bool COPTPlugin::FillEntry(const EventKey& key, const EntryContext& context, std::uint32_t kind, std::int32_t channel,
                           std::int64_t time, std::uint32_t length, const std::uint8_t* data, std::uint32_t flags,
                           EventEntry* entry) const noexcept {
    const TrackRecord& track = context.trackRecord;
    if (!Listable(filterInForce_, kind, channel, track)) return false;
    entry->key = key;
    entry->start = context.blockRecord.start + time;
    entry->end = kind == MEK_NOTE ? entry->start + static_cast<std::int64_t>(length) : entry->start;
    entry->order = track.order;
    entry->channel = track.channel;
    entry->kind = kind;
    entry->pitch = data[0];
    entry->value = data[1];
    SetEntrySelected(*entry, flags & MEF_SELECTED);
    return true;
}

bool COPTPlugin::StageInsert(const EventKey& key) {
    // Only events of the shown track and blocks enter the list.
    if (!(Flags() & PLF_EVENT_LIST_VALID)) return false;
    return StageInsert(key, TrackIndexOf(key.track));
}

bool COPTPlugin::BlockShown(int trackIndex, std::uint32_t block) const noexcept {
    if (currentBlock_ == -1) return true;
    const auto& blocks = tracks_[static_cast<std::size_t>(trackIndex)].blocks;
    const auto at = std::find_if(blocks.begin(), blocks.end(), [&](const EventKey& b) { return b.block == block; });
    return at != blocks.end() && at - blocks.begin() <= currentBlock_;
}

void COPTPlugin::StageEntry(const EventKey& key, bool present) {
    // Whatever copy the list holds goes; the fresh one takes its sorted place.
    if (!present) listEntries_.pop_back();
    listChanges_.push_back(ListChange{key, present ? static_cast<std::uint32_t>(listEntries_.size() - 1) : ListChange::kNoEntry});
}

bool COPTPlugin::StageInsert(const EventKey& key, int trackIndex) {
    if (trackIndex < 0 || (currentTrack_ != -1 && trackIndex != currentTrack_)) return false;
    if (!BlockShown(trackIndex, key.block)) return false;
    const bool present = EntryFor(key, &listEntries_.emplace_back());
    StageEntry(key, present);
    return present;
}

namespace {

// Events a run reads again per host call.
constexpr std::uint32_t kRunPage = 4096;

// Room for `more` elements, growing geometrically, so that many runs in one batch copy little.
template <class T> void MakeRoom(std::vector<T>& v, std::size_t more) {
    if (v.capacity() - v.size() < more) v.reserve(std::max(v.size() + more, v.capacity() * 2));
}

} // namespace

void COPTPlugin::OnDataChangedRun(const NotificationRecord& first, const std::uint32_t* ids, std::uint32_t count) {
    UpkeepDeferredRun(first, ids, count);
    // The run's records name the same tracks as its first.
    TouchTracks(first);
}

void COPTPlugin::UpkeepDeferredRun(const NotificationRecord& first, const std::uint32_t* ids, std::uint32_t count) {
    // What UpkeepDeferred does for each record, with the checks that depend only on the run's shared
    // words made once. Within a run the old and the new key are the same.
    const std::uint32_t flags = first.changeFlags;
    EventKey key = first.oldKey;
    const bool removeFirst = (flags & NCF_REPLACED) && !(flags & NCF_DELETED);
    const bool inserts = !(flags & NCF_DELETED) && (removeFirst || (flags & (NCF_INSERTED | NCF_INSERTED2)));
    const bool modifies = !(flags & NCF_DELETED) && !inserts && (flags & NCF_MODIFIED);
    int trackIndex = -1;
    bool trackShown = false, shown = false;
    if ((inserts || modifies) && (Flags() & PLF_EVENT_LIST_VALID)) {
        trackIndex = TrackIndexOf(key.track);
        trackShown = trackIndex >= 0 && (currentTrack_ == -1 || trackIndex == currentTrack_);
        shown = trackShown && BlockShown(trackIndex, key.block);
    }
    const bool removes = ((flags & NCF_DELETED) && !deferredListed_) || removeFirst || (modifies && trackShown);
    if (!removes && !shown) return;
    MakeRoom(listChanges_, std::size_t{count} * (removes && shown ? 2 : 1));
    if (!shown) {
        for (std::uint32_t i = 0; i < count; ++i) {
            key.event = ids[i];
            StageRemove(key);
        }
        return;
    }
    MakeRoom(listEntries_, count);
    for (std::uint32_t done = 0; done < count;) {
        const std::uint32_t page = std::min(count - done, kRunPage);
        const std::uint8_t* read = ReadRunEvents(key, ids + done, page);
        // The page's entries are built whole and appended into the room made above.
        for (std::uint32_t i = 0; i < page; ++i) {
            key.event = ids[done + i];
            if (removeFirst) StageRemove(key);
            MPBlockEvent e{};
            if (read) std::memcpy(&e, read + std::size_t{i} * sizeof e, sizeof e);
            // Zero: the host has no such event. A variable kind is read alone, for its data word.
            if (!read || (e.event && IsVariableKind(e.kind))) {
                const bool present = EntryFor(key, &listEntries_.emplace_back());
                StageEntry(key, present);
                if (!present && modifies) StageRemove(key);
                continue;
            }
            EventEntry entry{};
            if (!e.event || !FillEntry(key, entryContext_, e.kind, e.channel, e.time, e.length, e.data, e.flags, &entry)) {
                StageRemove(key);
                if (modifies) StageRemove(key);
                continue;
            }
            listChanges_.push_back(ListChange{key, static_cast<std::uint32_t>(listEntries_.size())});
            listEntries_.push_back(entry);
        }
        done += page;
    }
}

const std::uint8_t* COPTPlugin::ReadRunEvents(EventKey key, const std::uint32_t* ids, std::uint32_t count) {
    if (!properties_ || !bulkReads_ || !entryContext_.active || !LoadEntryContext(entryContext_, key)) return nullptr;
    runKeys_.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        key.event = ids[i];
        runKeys_[i] = key;
    }
    return ReadListPage(runKeys_.data(), count, runPage_);
}

void COPTPlugin::FlushListChanges() {
    if (!listLeaving_.empty()) {
        if (listChanges_.empty()) return FoldLeaving();
        // The keys that left came before every staged change.
        std::vector<ListChange> changes;
        changes.reserve(listLeaving_.size() + listChanges_.size());
        for (const EventKey& key : listLeaving_) changes.push_back(ListChange{key, ListChange::kNoEntry});
        changes.insert(changes.end(), listChanges_.begin(), listChanges_.end());
        listChanges_.swap(changes);
        listLeaving_ = {};
    }
    if (listChanges_.empty()) return;
    std::vector<ListChange> changes;
    changes.swap(listChanges_);
    std::vector<EventEntry> staged;
    staged.swap(listEntries_);
    // The last change of each key decides; entries equal in event order keep the order in which
    // their changes came, after the listed ones.
    if (SparseFold(changes, staged)) return KeepListBuffers(changes, staged);
    KeepIndexFor(changes.size());
    const TouchedKeys touched(changes, events_.size(), spareTable_);
    InPlaceFold fold(events_.Closed(), touched, listIndex_);
    if (foldInPlace_ && fold.Run(changes, staged, damage_)) {
        KeepListBuffers(changes, staged);
        ListChanged(fold.Moved(), 0, true);
        return;
    }
    std::vector<EventEntry> entering;
    entering.swap(spareEntering_);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const bool present = changes[i].entry != ListChange::kNoEntry;
        const std::uint32_t* last = present ? touched.LastChange(changes[i].key) : nullptr;
        if (last && *last == i) entering.push_back(staged[changes[i].entry]);
    }
    for (const EventEntry& e : entering) damage_.Add(e);
    auto before = [](const EventEntry& a, const EventEntry& b) { return CompareEventOrder(a, b) < 0; };
    if (!std::is_sorted(entering.begin(), entering.end(), before)) {
        // Undo brings a move's entries backwards: turned round, with each run of equal ones turned
        // back, they keep the order in which they came.
        if (std::is_sorted(entering.rbegin(), entering.rend(), before)) {
            std::reverse(entering.begin(), entering.end());
            for (auto run = entering.begin(); run != entering.end();) {
                auto end = std::find_if(run, entering.end(), [&](const EventEntry& e) { return before(*run, e); });
                std::reverse(run, end);
                run = end;
            }
        } else {
            std::stable_sort(entering.begin(), entering.end(), before);
        }
    }
    // In place, without a second list: the touched entries leave, then the entering ones are merged
    // in from the back, each after the listed entries equal to it.
    std::vector<EventEntry>& list = events_.Closed();
    std::erase_if(list, [&](const EventEntry& e) {
        if (!touched.LastChange(e.key)) return false;
        damage_.Add(e);
        listIndex_.Leave(e);
        return true;
    });
    for (const EventEntry& e : entering) listIndex_.Enter(e, list.size() + entering.size());
    std::size_t kept = list.size(), in = entering.size();
    list.resize(kept + in);
    for (std::size_t out = list.size(); in > 0;) {
        if (kept > 0 && before(entering[in - 1], list[kept - 1])) list[--out] = list[--kept];
        else list[--out] = entering[--in];
    }
    entering.clear();
    spareEntering_.swap(entering);
    KeepListBuffers(changes, staged);
    ListChanged(true, 0, true);
}

void COPTPlugin::KeepIndexFor(std::size_t changes) noexcept {
    // Told of a change to most entries, the index would cost what building it again costs.
    if (changes > events_.size() / 8) listIndex_.Drop();
}

void COPTPlugin::KeepListBuffers(std::vector<ListChange>& changes, std::vector<EventEntry>& staged) {
    changes.clear();
    staged.clear();
    if (listChanges_.empty()) {
        listChanges_.swap(changes);
        listEntries_.swap(staged);
    }
}

bool COPTPlugin::SparseFold(const std::vector<ListChange>& changes, const std::vector<EventEntry>& staged) {
    const std::size_t n = events_.size();
    if (changes.empty() || sparseRatio_ == UINT32_MAX || changes.size() * std::uint64_t{sparseRatio_} > n) return false;
    // A stretch over much of the list costs more copied twice than one pass of the fold; entries that
    // come in far apart tell so before any key is looked up.
    const std::size_t widest = sparseRatio_ ? n / 8 : n;
    std::int64_t low = INT64_MAX, high = INT64_MIN;
    for (const ListChange& c : changes)
        if (c.entry != ListChange::kNoEntry) low = std::min(low, staged[c.entry].start), high = std::max(high, staged[c.entry].start);
    if (low < high && StartIndex(high) - StartIndex(low) > widest) return false;
    if (!StartTableReady()) return false;
    // The last change of each key decides: the changes in key order, each key's last one last.
    std::vector<std::uint32_t> byKey(changes.size());
    for (std::uint32_t i = 0; i < byKey.size(); ++i) byKey[i] = i;
    const auto keyOrder = [](const EventKey& a, const EventKey& b) {
        return std::tie(a.track, a.block, a.event) < std::tie(b.track, b.block, b.event);
    };
    std::stable_sort(byKey.begin(), byKey.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return keyOrder(changes[a].key, changes[b].key); });
    std::vector<std::size_t> leaving;    // list indices
    std::vector<std::uint32_t> entering; // change indices
    std::size_t first = SIZE_MAX, last = 0;
    for (std::size_t i = 0; i < byKey.size(); ++i) {
        const ListChange& change = changes[byKey[i]];
        if (i + 1 < byKey.size() && changes[byKey[i + 1]].key == change.key) continue;
        std::size_t at = 0;
        if (!Locate(change.key, &at)) return false;
        if (at != SIZE_MAX) {
            leaving.push_back(at);
            first = std::min(first, at), last = std::max(last, at);
            if (last - first > widest) return false;
        }
        if (change.entry != ListChange::kNoEntry) entering.push_back(byKey[i]);
    }
    // As the merge puts them: in event order, equal ones in the order their changes came, each after
    // the listed entries equal to it.
    const auto before = [](const EventEntry& a, const EventEntry& b) { return CompareEventOrder(a, b) < 0; };
    const auto entry = [&](std::uint32_t change) -> const EventEntry& { return staged[changes[change].entry]; };
    std::sort(leaving.begin(), leaving.end());
    std::sort(entering.begin(), entering.end());
    std::stable_sort(entering.begin(), entering.end(), [&](std::uint32_t a, std::uint32_t b) { return before(entry(a), entry(b)); });
    std::vector<std::size_t> places(entering.size());
    for (std::size_t i = 0; i < entering.size(); ++i)
        places[i] = static_cast<std::size_t>(std::upper_bound(events_.begin(), events_.end(), entry(entering[i]), before) -
                                             events_.begin());
    if (leaving.empty() && entering.empty()) {
        ListChanged(false);
        return true;
    }
    std::size_t from = events_.size(), to = 0;
    if (!leaving.empty()) from = leaving.front(), to = leaving.back() + 1;
    if (!entering.empty()) from = std::min(from, places.front()), to = std::max(to, places.back());
    if (to - from > widest) return false;
    // The stretch between the first and the last touched place, rewritten.
    std::vector<EventEntry> stretch;
    stretch.swap(spareEntering_);
    stretch.clear();
    std::size_t gone = 0, in = 0;
    for (std::size_t at = from; at < to; ++at) {
        for (; in < entering.size() && places[in] <= at; ++in) stretch.push_back(entry(entering[in]));
        if (gone < leaving.size() && leaving[gone] == at) {
            ++gone;
            continue;
        }
        stretch.push_back(events_[at]);
    }
    for (; in < entering.size(); ++in) stretch.push_back(entry(entering[in]));
    // Whether only selections changed: then the layout, the running ends and the starts all stand.
    bool moved = stretch.size() != to - from;
    for (std::size_t i = 0; !moved && i < stretch.size(); ++i) moved = !SameButSelection(stretch[i], events_[from + i]);
    for (const std::size_t at : leaving) {
        damage_.Add(events_[at]);
        listIndex_.Leave(events_[at]);
    }
    const std::size_t count = events_.size() - leaving.size() + entering.size();
    for (const std::uint32_t change : entering) {
        damage_.Add(entry(change));
        listIndex_.Enter(entry(change), count);
    }
    events_.Replace(from, to, stretch);
    stretch.clear();
    spareEntering_.swap(stretch);
    ListChanged(moved, from, true);
    return true;
}

void COPTPlugin::RemoveTrackEntry(std::uint32_t trackId) {
    const int index = TrackIndexOf(trackId);
    if (index < 0) return;
    FlushListChanges();
    damage_.tracks = true;
    if (index == currentTrack_) {
        events_.clear();
        ClearFlags(PLF_EVENT_LIST_VALID);
        currentTrackLost_ = true;
    } else {
        std::erase_if(events_.Closed(), [&](const EventEntry& e) { return e.key.track == trackId; });
        // The indices after the removed entry move down by one.
        if (currentTrack_ > index) --currentTrack_;
    }
    ListChanged();
    EraseTrackEntry(index);
}

HRESULT COPTPlugin::UpkeepImmediate(const NotificationRecord& record) {
    // The editor's own selection write changes nothing the list holds; only the view is told. Its
    // reports come in the order written, after it or at the transaction's end.
    if (record.level == LEVEL_EVENT && (record.changeFlags & ~NCF_IMMEDIATE) == NCF_MODIFIED &&
        ownSelectionReported_ < ownSelectionWrites_.size() && OnCacheThread()) {
        const EventKey& own = ownSelectionWrites_[ownSelectionReported_];
        if (record.oldKey == own && record.newKey == own) {
            if (!(Flags() & PLF_NOTIFY_PENDING)) SetFlags(PLF_NOTIFY_PENDING);
            // The view learns of the first; the others (a marquee's thousands) tell it nothing new.
            return ownSelectionReported_++ == 0 ? S_OK : kOwnWriteToldAlready;
        }
    }
    const std::uint32_t flags = record.changeFlags;
    const bool cacheThread = OnCacheThread();
    // A deleted key leaves the list now; its deferred run need not stage that again.
    const bool deleted = cacheThread && record.level == LEVEL_EVENT && (flags & NCF_DELETED);
    // A block report of the editor's own selection of its track: the entries took it already.
    const bool ownSelection = cacheThread && record.level == LEVEL_BLOCK && (flags & ~NCF_IMMEDIATE) == NCF_MODIFIED &&
                              ownSelectedTrack_ && record.newKey.track == ownSelectedTrack_;
    HRESULT hr = QueueRecord(record, deleted || ownSelection);
    // Nothing below acts on an event's change or insert, nor does anything above unless the editor's
    // own selection writes wait for their reports (only ever on the cache thread).
    if (SUCCEEDED(hr) && record.level == LEVEL_EVENT && !(flags & (NCF_DELETED | NCF_REPLACED)) &&
        (!cacheThread || ownSelectionReported_ >= ownSelectionWrites_.size()) && InNotifyRun())
        runRepeats_ = true;
    if (FAILED(hr) || !cacheThread) return hr;
    if (record.level == LEVEL_EVENT) {
        if (flags & (NCF_DELETED | NCF_REPLACED)) StageLeave(record.oldKey);
    } else if (record.level == LEVEL_TRACK && (flags & NCF_DELETED)) {
        RemoveTrackEntry(record.oldKey.track ? record.oldKey.track : record.newKey.track);
    }
    return hr;
}

HRESULT COPTPlugin::UpkeepDeferred(const NotificationRecord& record) {
    const std::uint32_t flags = record.changeFlags;
    const bool inserted = flags & (NCF_INSERTED | NCF_INSERTED2);
    switch (record.level) {
    case LEVEL_EVENT: {
        if (flags & NCF_DELETED) {
            if (!deferredListed_) StageRemove(record.oldKey);
            return S_OK;
        }
        if (flags & NCF_REPLACED) {
            StageRemove(record.oldKey);
            StageInsert(record.newKey);
            return S_OK;
        }
        if (inserted) return StageInsert(record.newKey) ? S_OK : S_FALSE;
        if (flags & NCF_MODIFIED) {
            // The list entry takes the non-zero words of the new key; the event is read again, since
            // a change of duration or kind matters to range queries even when the start stayed.
            EventKey key = record.oldKey;
            if (record.newKey.track) key.track = record.newKey.track;
            if (record.newKey.block) key.block = record.newKey.block;
            if (record.newKey.event) key.event = record.newKey.event;
            if (!(key == record.oldKey)) StageRemove(record.oldKey);
            if (!(Flags() & PLF_EVENT_LIST_VALID)) return S_FALSE;
            // Only events the list shows (or that moved into it) are read again.
            const int trackIndex = TrackIndexOf(key.track);
            if (trackIndex < 0 || (currentTrack_ != -1 && trackIndex != currentTrack_)) return S_FALSE;
            if (!StageInsert(key, trackIndex)) StageRemove(key);
            return S_OK;
        }
        return S_FALSE;
    }
    case LEVEL_BLOCK: {
        damage_.tracks = true;
        const EventKey key = (flags & NCF_DELETED) ? record.oldKey : record.newKey;
        const int trackIndex = TrackIndexOf(key.track);
        if (trackIndex < 0) return (flags & NCF_DELETED) ? S_FALSE : E_UNEXPECTED;
        auto& blocks = tracks_[static_cast<std::size_t>(trackIndex)].blocks;
        const bool current = currentTrack_ == -1 || currentTrack_ == trackIndex;
        if (flags & NCF_DELETED) {
            FlushListChanges();
            std::erase_if(events_.Closed(), [&](const EventEntry& e) {
                return e.key.track == key.track && e.key.block == key.block;
            });
            std::erase_if(blocks, [&](const EventKey& b) { return b.block == key.block; });
            ListChanged();
            return current ? S_OK : S_FALSE;
        }
        if (inserted) {
            // Blocks are kept in the host's order, which the host gives again.
            std::vector<EventKey> fresh;
            if (FAILED(LoadBlocks(fresh, EventKey{key.track, 0, 0}))) return E_UNEXPECTED;
            blocks = std::move(fresh);
        }
        if (inserted || (flags & (NCF_POSITION_MOVED | NCF_POSITION_MOVED2))) {
            if (!current || !(Flags() & PLF_EVENT_LIST_VALID)) return S_FALSE;
            const auto at = std::find_if(blocks.begin(), blocks.end(), [&](const EventKey& b) { return b.block == key.block; });
            if (at == blocks.end()) return E_UNEXPECTED;
            const int blockIndex = static_cast<int>(at - blocks.begin());
            if (currentBlock_ != -1 && blockIndex > currentBlock_) return S_FALSE;
            return AddBlockEvents(trackIndex, blockIndex);
        }
        return current ? S_OK : S_FALSE;
    }
    case LEVEL_TRACK: {
        damage_.tracks = true;
        if (flags & NCF_DELETED) {
            RemoveTrackEntry(record.oldKey.track ? record.oldKey.track : record.newKey.track);
            if (currentTrackLost_ || currentTrack_ >= static_cast<int>(tracks_.size())) {
                ClearFlags(PLF_EVENT_LIST_VALID);
                return SelectTrack(0, -1);
            }
            return S_OK;
        }
        if (flags & NCF_OTHER) {
            const int current = currentTrack_;
            HRESULT hr = ReloadTracks(true);
            if (FAILED(hr)) return hr;
            return SelectTrack(current, -1);
        }
        if (inserted) {
            const std::uint32_t id = record.newKey.track;
            if (TrackIndexOf(id) >= 0 || !midiData_) return S_FALSE;
            TrackRecord track{};
            const EventKey trackKey{id, 0, 0};
            if (FAILED(BeginRead())) return E_UNEXPECTED;
            const HRESULT hr = midiData_->Get(&trackKey, LEVEL_TRACK, &track, TIME_FORMAT_TICKS);
            EndTransaction(false);
            if (FAILED(hr)) return S_FALSE; // gone again before we looked
            FlushListChanges();
            const int index = AddTrackEntry(TrackEntry{id, {}, record.newKey.event, track.order});
            if (currentTrack_ >= index) ++currentTrack_;
            return S_OK;
        }
        return S_FALSE;
    }
    default: return S_FALSE;
    }
}

} // namespace mp

// Random edit sequences driven through TrackAccess as the tools drive it (range and click selection,
// select all, moving, copy-moving, deleting, cutting, copying, pasting, undo and redo) on a track of
// two blocks whose notes share times and pitches, checked after every step against a model the test
// keeps itself, and the plug-in object's event-key list against one rebuilt from scratch; three more
// plug-in objects keep the same list whether they take the host's records run by run or one by one,
// and whether they fold them by passes over the list or find each touched entry by search.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "track_fixture.h"
#include "win/com.h"

namespace {

using namespace win;

struct Note {
    std::uint32_t block;
    std::int64_t time; // block-relative
    int pitch;
    std::uint32_t length;
    int velocity;
    bool selected;
    bool operator==(const Note&) const = default;
    auto Value() const { return std::make_tuple(block, time, pitch, length, velocity, selected); }
};
using Song = std::map<std::uint32_t, Note>; // by event id

// One undoable step of the model: the notes it changed, as they were and as they became.
struct Step {
    std::u16string name;
    std::map<std::uint32_t, std::optional<Note>> before, after;
};

constexpr std::int64_t kSecondBlockStart = 4800;
constexpr std::int64_t kUnit = 120;

class EditModel : public harness::TrackFixture {
protected:
    void SetUp() override {
        harness::TrackFixture::SetUp();
        track = AddTrack(u"Model", 0);
        first = AddBlock(track, 0, 40000);
        second = AddBlock(track, kSecondBlockStart, 40000);
        for (int i = 0; i < 48; ++i) {
            const bool inFirst = i % 3 != 0;
            AddNote(inFirst ? first : second, Pick(10) * 2 * kUnit, 240 * (1 + Pick(2)), 60 + Pick(4), 100, Pick(2) == 0);
        }
        Connect();
        // Three more plug-in objects watch the host: one takes records run by run, one each alone and
        // folds them into its list by merging only.
        for (std::size_t i = 0; i < 3; ++i) {
            ASSERT_EQ(mp::NewPianoRollPlugin(0, &observers[i]), S_OK);
            observers[i]->AddRef();
            DWORD caps = 0;
            observers[i]->Initialise(static_cast<mp::IMPMidiData*>(project), nullptr, mp::INIT_MODE_EDITOR, 0, &caps);
            observers[i]->SetKindFilter(plugin->KindFilter());
            observers[i]->SetUpkeepRunFloor(i == 0 ? 1 : UINT32_MAX);
            observers[i]->SetFoldInPlace(i != 1);
            observers[i]->SetSparseFoldRatio(i == 2 ? 0 : i == 0 ? 4 : UINT32_MAX); // by search: always, or small batches
            observers[i]->ReloadTracks(true);
            observers[i]->SelectTrack(0, -1);
        }
        project->WithStore([](host::Store& s) { s.ClearHistory(); });
        model = ReadSong();
        ClearClipboard();
    }

    void TearDown() override {
        for (mp::COPTPianoRollPlugin* o : observers) {
            if (!o) continue;
            o->Uninitialise();
            o->Release();
        }
        harness::TrackFixture::TearDown();
    }

    int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    std::int64_t BaseOf(std::uint32_t block) const { return block == second ? kSecondBlockStart : 0; }
    std::int64_t Start(const Note& n) const { return BaseOf(n.block) + n.time; }
    mp::EventKey KeyOf(std::uint32_t id) const { return mp::EventKey{track, model.at(id).block, id}; }

    Song ReadSong() {
        Song song;
        ForEachStoredEvent(track, [&](std::uint32_t id, std::int64_t, const host::EventValue& v) {
            song[id] = Note{v.block, v.time, v.data[0], v.length, v.data[1], (v.flags & mp::MEF_SELECTED) != 0};
        });
        return song;
    }
    // Notes in the list's order, as the tools walk them.
    std::vector<std::uint32_t> Selected() {
        std::vector<std::uint32_t> ids;
        for (std::uint32_t id : CachedEvents()) {
            auto it = model.find(id);
            if (it != model.end() && it->second.selected) ids.push_back(id);
        }
        return ids;
    }

    // ---- the model's side of each edit ----
    void Commit(Step step) {
        for (auto it = step.after.begin(); it != step.after.end();) {
            if (step.before[it->first] == it->second) {
                step.before.erase(it->first);
                it = step.after.erase(it);
            } else {
                ++it;
            }
        }
        for (const auto& [id, note] : step.after)
            if (note) model[id] = *note;
            else model.erase(id);
        if (step.after.empty()) return; // the host keeps no step that changed nothing
        undo.push_back(std::move(step));
        redo.clear();
    }
    // The ids the last edit inserted, matched to the notes the model expects in their place.
    void TakeInserted(Step& step, std::vector<Note> expected) {
        const Song now = ReadSong();
        std::vector<Note> got;
        std::vector<std::uint32_t> ids;
        for (const auto& [id, note] : now)
            if (!model.count(id) && !step.after.count(id)) {
                ids.push_back(id);
                got.push_back(note);
            }
        auto byValue = [](const Note& a, const Note& b) { return a.Value() < b.Value(); };
        std::vector<Note> sortedGot = got;
        std::sort(sortedGot.begin(), sortedGot.end(), byValue);
        std::sort(expected.begin(), expected.end(), byValue);
        ASSERT_EQ(sortedGot, expected) << "inserted notes";
        for (std::size_t i = 0; i < ids.size(); ++i) {
            step.before[ids[i]] = std::nullopt;
            step.after[ids[i]] = got[i];
        }
    }
    void SetAllSelected(bool on) {
        for (auto& [id, note] : model) note.selected = on;
    }

    // ---- edits ----
    void SelectRange() {
        const std::int64_t start = Pick(5) == 0 ? -1 : Pick(60) * kUnit;
        const std::int64_t length = Pick(5) == 0 ? -1 : Pick(30) * kUnit;
        const int low = 59 + Pick(4), high = low + Pick(4);
        const bool on = Pick(3) != 0;
        ASSERT_TRUE(SUCCEEDED(access->SelectRange(start, length, low, high, on)));
        if (!on && start < 0 && length < 0) return SetAllSelected(false);
        for (auto& [id, note] : model) {
            const std::int64_t s = Start(note), end = s + note.length;
            bool in = true;
            if (start >= 0 && length >= 0) in = s < start + length && end >= start;
            else if (start >= 0) in = end >= start;
            else if (length >= 0) in = s < start + length;
            if (in && note.pitch >= low && note.pitch <= high) note.selected = on;
        }
    }
    void SelectAll() {
        const bool on = Pick(2) != 0;
        ASSERT_TRUE(SUCCEEDED(access->SelectAll(on)));
        SetAllSelected(on);
    }
    void ClickOne() {
        if (model.empty()) return;
        auto it = std::next(model.begin(), Pick(static_cast<int>(model.size())));
        const bool on = Pick(2) != 0;
        ASSERT_EQ(access->SelectEvent(KeyOf(it->first), on), S_OK);
        it->second.selected = on;
    }
    // As a drag applies it: every selected note queued, then moved in two steps.
    void Move() {
        const std::vector<std::uint32_t> ids = Selected();
        const std::int64_t dt = (Pick(7) - 3) * kUnit;
        const int dp = Pick(3) - 1;
        Step step{ids.size() > 1 ? u"Move MIDI Events" : u"Move MIDI Event", {}, {}};
        for (std::uint32_t id : ids) {
            mp::MidiEventRecord record{};
            ASSERT_EQ(access->GetEvent(KeyOf(id), &record), S_OK);
            access->QueueModify(KeyOf(id), record, mp::CHANGE_ALL);
        }
        for (int half = 0; half < 2; ++half)
            for (std::uint32_t id : ids) {
                const mp::MidiEventRecord* queued = access->GetQueuedModify(KeyOf(id));
                ASSERT_NE(queued, nullptr);
                mp::MidiEventRecord record = *queued;
                const std::int64_t base = BaseOf(model.at(id).block);
                record.time = std::max<std::int64_t>(base + record.time + dt / 2, 0) - base;
                record.data[0] = static_cast<std::uint8_t>(std::clamp(record.data[0] + (half ? dp : 0), 0, 127));
                access->QueueModify(KeyOf(id), record, mp::CHANGE_ALL);
            }
        for (std::uint32_t id : ids) {
            Note note = model.at(id);
            step.before[id] = note;
            const std::int64_t base = BaseOf(note.block);
            note.time = std::max<std::int64_t>(std::max<std::int64_t>(base + note.time + dt / 2, 0) + dt / 2, 0) - base;
            note.pitch = std::clamp(note.pitch + dp, 0, 127);
            step.after[id] = note;
        }
        const HRESULT hr = access->CommitEdits(step.name.c_str());
        ASSERT_EQ(hr, ids.empty() ? S_FALSE : S_OK);
        Commit(std::move(step));
    }
    // As a Ctrl+drag applies it: copies queued and moved, the originals deselected.
    void CopyMove() {
        const std::int64_t dt = Pick(4) * kUnit;
        const int dp = Pick(3) - 1;
        const int firstInsert = access->QueuedInsertCount();
        std::vector<mp::EventKey> originals;
        if (access->DuplicateSelected(&originals) != S_OK) {
            access->DiscardEdits();
            return;
        }
        Step step{originals.size() > 1 ? u"Paste MIDI Events" : u"Paste MIDI Event", {}, {}};
        std::vector<Note> copies;
        for (std::size_t i = 0; i < originals.size(); ++i) {
            const std::uint32_t id = originals[i].event;
            mp::MidiEventRecord record{};
            ASSERT_EQ(access->GetEvent(originals[i], &record), S_OK);
            record.flags &= ~mp::MEF_SELECTED;
            access->QueueModify(originals[i], record, mp::CHANGE_FLAGS);
            mp::MidiEventRecord copy{};
            ASSERT_TRUE(access->GetQueuedInsert(firstInsert + static_cast<int>(i), &copy));
            copy.time = std::max<std::int64_t>(copy.time + dt, 0);
            copy.data[0] = static_cast<std::uint8_t>(std::clamp(copy.data[0] + dp, 0, 127));
            ASSERT_TRUE(access->SetQueuedInsert(firstInsert + static_cast<int>(i), copy));
            Note note = model.at(id);
            step.before[id] = note;
            copies.push_back(Note{first, std::max<std::int64_t>(Start(note) + dt, 0), std::clamp(note.pitch + dp, 0, 127),
                                  note.length, note.velocity, true});
            note.selected = false;
            step.after[id] = note;
        }
        ASSERT_EQ(access->CommitEdits(step.name.c_str()), S_OK);
        TakeInserted(step, copies);
        Commit(std::move(step));
    }
    // As a drag on a note's end applies it: the length alone changes, the start stays.
    void Resize() {
        if (model.empty()) return;
        const std::uint32_t id = std::next(model.begin(), Pick(static_cast<int>(model.size())))->first;
        mp::MidiEventRecord record{};
        ASSERT_EQ(access->GetEvent(KeyOf(id), &record), S_OK);
        record.length = static_cast<std::uint32_t>(kUnit * (1 + Pick(8)));
        access->QueueModify(KeyOf(id), record, mp::CHANGE_ALL);
        Step step{u"Size MIDI Event", {}, {}};
        step.before[id] = model.at(id);
        Note note = model.at(id);
        note.length = record.length;
        step.after[id] = note;
        ASSERT_EQ(access->CommitEdits(step.name.c_str()), S_OK);
        Commit(std::move(step));
    }
    void Delete() {
        const std::vector<std::uint32_t> ids = Selected();
        Step step{u"Delete MIDI Event", {}, {}};
        for (std::uint32_t id : ids) {
            step.before[id] = model.at(id);
            step.after[id] = std::nullopt;
        }
        const HRESULT hr = access->DeleteSelected();
        ASSERT_EQ(hr, ids.empty() ? S_FALSE : S_OK);
        Commit(std::move(step));
    }
    void Copy(bool cut) {
        const std::vector<std::uint32_t> ids = Selected();
        const HRESULT hr = plugin->CopySelection(nullptr, cut);
        ASSERT_EQ(hr, ids.empty() ? S_FALSE : S_OK);
        if (ids.empty()) return;
        clip.clear();
        Step step{u"Delete MIDI Event", {}, {}};
        for (std::uint32_t id : ids) {
            clip.push_back(model.at(id));
            step.before[id] = model.at(id);
            step.after[id] = std::nullopt;
        }
        if (cut) Commit(std::move(step));
    }
    void Paste() {
        const std::int64_t at = Pick(40) * kUnit;
        std::int64_t position = at;
        const HRESULT hr = access->PasteAt(nullptr, &position);
        if (clip.empty()) {
            ASSERT_EQ(hr, E_FAIL);
            return;
        }
        ASSERT_EQ(hr, S_OK);
        SetAllSelected(false);
        std::int64_t earliest = clip.front().time;
        for (const Note& n : clip) earliest = std::min(earliest, n.time);
        std::vector<Note> pasted;
        for (Note n : clip) {
            n.time += at - earliest; // into the first block, which starts at 0
            n.block = first;
            n.selected = true;
            pasted.push_back(n);
        }
        Step step{clip.size() > 1 ? u"Paste MIDI Events" : u"Paste MIDI Event", {}, {}};
        TakeInserted(step, pasted);
        Commit(std::move(step));
    }
    void Travel(bool back) {
        auto& from = back ? undo : redo;
        auto& to = back ? redo : undo;
        const HRESULT hr = back ? project->Undo() : project->Redo();
        ASSERT_EQ(hr, from.empty() ? S_FALSE : S_OK);
        if (from.empty()) return;
        Step step = std::move(from.back());
        from.pop_back();
        for (const auto& [id, note] : back ? step.before : step.after)
            if (note) model[id] = *note;
            else model.erase(id);
        to.push_back(std::move(step));
    }

    // The host holds what the model holds, and the list is the one a rebuild gives, in event order.
    void Check(int round) {
        ASSERT_EQ(ReadSong(), model) << "round " << round;
        ASSERT_EQ(UndoName(), undo.empty() ? std::u16string() : undo.back().name) << "round " << round;
        const mp::EntryList& list = plugin->EventList();
        for (std::size_t i = 0; i < list.size(); ++i) {
            const auto it = model.find(list[i].key.event);
            ASSERT_NE(it, model.end()) << "round " << round;
            const Note& note = it->second;
            ASSERT_EQ(list[i].start, Start(note)) << "round " << round;
            ASSERT_EQ(list[i].end, Start(note) + note.length) << "round " << round;
            if (i > 0) {
                ASSERT_LE(list[i - 1].start, list[i].start) << "round " << round;
            }
        }
        const bool anySelected = std::any_of(model.begin(), model.end(), [](const auto& n) { return n.second.selected; });
        // The host's tally of selected events per block, which lets a clear skip blocks.
        for (std::uint32_t block : {first, second}) {
            const auto tally = std::count_if(model.begin(), model.end(), [&](const auto& n) { return n.second.block == block && n.second.selected; });
            ASSERT_EQ(project->WithStore([&](host::Store& s) { return s.SelectedIn(block); }), static_cast<std::uint32_t>(tally)) << "round " << round;
        }
        ASSERT_EQ(plugin->HasSelection(), anySelected) << "round " << round;
        // While the entries claim to know the selection (a delete then trusts them), each tells its note's.
        if (plugin->EntryFlagsCurrent()) {
            ++flagsCurrent;
            for (const mp::EventEntry& e : list) ASSERT_EQ(plugin->EntrySelected(e), model.at(e.key.event).selected) << "round " << round;
        }
        for (mp::COPTPianoRollPlugin* o : observers) o->ProcessNotifications(false);
        const mp::EntryList &byRun = observers[0]->EventList(), &alone = observers[1]->EventList();
        const auto fields = [](const mp::EventEntry& e) {
            return std::make_tuple(e.key.track, e.key.block, e.key.event, e.start, e.end, e.order, e.channel, e.kind, e.pitch);
        };
        const mp::EntryList& searched = observers[2]->EventList();
        ASSERT_EQ(byRun.size(), alone.size()) << "round " << round;
        ASSERT_EQ(searched.size(), alone.size()) << "round " << round;
        for (std::size_t i = 0; i < byRun.size(); ++i) {
            ASSERT_EQ(fields(byRun[i]), fields(alone[i])) << "round " << round;
            ASSERT_EQ(fields(searched[i]), fields(alone[i])) << "round " << round;
        }
        // What the song's length and range queries read, kept in step by the searching fold.
        for (mp::COPTPianoRollPlugin* o : {observers[0], observers[2]}) {
            ASSERT_EQ(o->ListEnd(), observers[1]->ListEnd()) << "round " << round;
            for (const mp::EventEntry& e : alone)
                ASSERT_EQ(o->FirstReaching(e.end), observers[1]->FirstReaching(e.end)) << "round " << round;
        }
        std::vector<std::uint32_t> cached = CachedEvents(), rebuilt = RebuiltEvents(0);
        std::sort(cached.begin(), cached.end());
        std::sort(rebuilt.begin(), rebuilt.end());
        ASSERT_EQ(cached, rebuilt) << "round " << round;
    }

    std::mt19937 rng{2024};
    std::uint32_t track = 0, first = 0, second = 0;
    Song model;
    std::vector<Step> undo, redo;
    std::vector<Note> clip;
    mp::COPTPianoRollPlugin* observers[3] = {nullptr, nullptr, nullptr};
    int flagsCurrent = 0;
};

TEST_F(EditModel, RandomEditSequencesMatchTheModel) {
    for (std::uint32_t seed : {7u, 1234u, 99991u}) {
        rng.seed(seed);
        plugin->SetBulkWrites(seed != 1234u); // as with a host without the bulk calls
        plugin->SetBulkReads(seed != 1234u);
        for (int round = 0; round < 250; ++round) {
            const int what = Pick(100);
            SCOPED_TRACE("seed " + std::to_string(seed) + " round " + std::to_string(round) + " edit " + std::to_string(what));
            if (model.size() > 120) {
                // Copies and pastes grow the song; keep it small enough to compare often.
                SelectRange();
                if (!HasFatalFailure()) Delete();
            } else if (what < 16) SelectRange();
            else if (what < 24) SelectAll();
            else if (what < 32) ClickOne();
            else if (what < 45) Move();
            else if (what < 50) Resize();
            else if (what < 60) CopyMove();
            else if (what < 66) Delete();
            else if (what < 72) Copy(Pick(3) == 0);
            else if (what < 80) Paste();
            else {
                // Several undos and redos before the window catches up: one batch changes a key many times.
                for (int travel = Pick(4); travel >= 0 && !HasFatalFailure(); --travel) Travel(Pick(100) < 55);
            }
            if (HasFatalFailure()) return;
            Deliver();
            Check(round);
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GT(flagsCurrent, 100); // the entries were trusted often enough for the check above to mean something
}

} // namespace

// Editing scripts: the expect- lines, read from the host's song (notes, selection, loop, undo) and
// from the view (tool, edit cursor, time view, rows), each failing with what it found instead.
#include <algorithm>

#include "main_window.h"
#include "script.h"
#include "script_words.h"
#include "win/controls.h"

namespace host::app {

using namespace win;
using script::NumberArg;

namespace {

constexpr int kTrackChooserId = 1000;
constexpr long long kLongestSong = 1ll << 62;
constexpr long long kMostEvents = 1ll << 40;
constexpr std::size_t kNotesListed = 4;
constexpr long long kLargestBend = 16383;
constexpr int kSmallestRow = 5; // a row is its height level + 5 pixels

struct NoteSeen {
    std::int64_t tick;
    std::uint32_t duration;
    int velocity;
    bool selected;
};

std::string Describe(const NoteSeen& n) {
    return std::to_string(n.tick) + " (" + std::to_string(n.duration) + " long, velocity " + std::to_string(n.velocity) +
           (n.selected ? ", selected)" : ")");
}

} // namespace

int ScriptRunner::ShownTrack() {
    HWND editor = window_ ? window_->Doc().EditorWindow() : nullptr;
    HWND chooser = editor ? GetDlgItem(editor, kTrackChooserId) : nullptr;
    const LRESULT item = chooser ? SendMessage(chooser, CB_GETCURSEL, 0, 0) : -1;
    return item >= 0 ? static_cast<int>(SendMessage(chooser, CB_GETITEMDATA, static_cast<WPARAM>(item), 0)) : -1;
}

void ScriptRunner::ForEachShownEvent(const EventVisitor& visit) {
    Pump();
    const int shown = ShownTrack();
    if (shown < 0) return;
    window_->Doc().Project()->WithStore([&](Store& store) {
        const auto& tracks = store.TracksInOrder();
        if (static_cast<std::size_t>(shown) >= tracks.size()) return;
        for (std::uint32_t b : store.BlocksOf(tracks[static_cast<std::size_t>(shown)])) {
            const std::int64_t start = store.Block(b)->start;
            for (std::uint32_t e : store.EventsOf(b)) visit(start + store.EventTime(e), store.Event(e));
        }
    });
}

bool ScriptRunner::ExpectNotes(const Words& w, std::string* reason) {
    long long expected = 0;
    if (!NumberArg(w[1], 0, kMostEvents, &expected, reason)) return false;
    long long count = 0;
    ForEachShownEvent([&](std::int64_t, const EventValue& e) { count += e.kind == mp::MEK_NOTE; });
    if (count == expected) return true;
    *reason = "expected " + w[1] + " notes, found " + std::to_string(count);
    return false;
}

bool ScriptRunner::ExpectNote(const Words& w, std::string* reason) {
    long long tick = 0, note = 0, duration = 0, velocity = 0;
    if (!NumberArg(w[1], 0, kLongestSong, &tick, reason) || !NumberArg(w[2], 0, 127, &note, reason) ||
        !NumberArg(w[3], 1, UINT32_MAX, &duration, reason) || !NumberArg(w[4], 0, 127, &velocity, reason))
        return false;
    const bool wantSelected = w.size() > 5;
    if (wantSelected && w[5] != "selected") {
        *reason = "'" + w[5] + "' is not 'selected'";
        return false;
    }
    std::vector<NoteSeen> samePitch;
    ForEachShownEvent([&](std::int64_t at, const EventValue& e) {
        if (e.kind == mp::MEK_NOTE && e.data[0] == note)
            samePitch.push_back({at, e.length, e.data[1], (e.flags & mp::MEF_SELECTED) != 0});
    });
    const auto matches = std::count_if(samePitch.begin(), samePitch.end(), [&](const NoteSeen& n) {
        return n.tick == tick && n.duration == duration && n.velocity == velocity && (!wantSelected || n.selected);
    });
    if (matches == 1) return true;
    if (matches > 1) {
        *reason = std::to_string(matches) + " notes match " + w[2] + " at tick " + w[1] + ", not one";
        return false;
    }
    *reason = "no note " + w[2] + " at tick " + w[1] + ", " + w[3] + " long, velocity " + w[4] +
              (wantSelected ? ", selected" : "") + "; notes of pitch " + w[2] + ": ";
    std::sort(samePitch.begin(), samePitch.end(), [&](const NoteSeen& a, const NoteSeen& b) {
        return std::llabs(a.tick - tick) < std::llabs(b.tick - tick);
    });
    if (samePitch.empty()) *reason += "none";
    for (std::size_t i = 0; i < samePitch.size() && i < kNotesListed; ++i)
        *reason += (i ? ", " : "") + Describe(samePitch[i]);
    if (samePitch.size() > kNotesListed) *reason += ", …";
    return false;
}

bool ScriptRunner::ExpectEvent(const Words& w, std::string* reason) {
    // "note N" (or "velocity N") names a note by its pitch as "cc N" names a controller.
    const bool cc = w[1] == "cc", note = w[1] == "note" || w[1] == "velocity", numbered = cc || note;
    if ((!numbered && w[1] != "pitchbend") || w.size() != (numbered ? 5u : 4u)) {
        *reason = std::string("usage: ") + script::kExpectEventUsage;
        return false;
    }
    long long number = 0, tick = 0, value = 0;
    if (numbered && !NumberArg(w[2], 0, 127, &number, reason)) return false;
    if (!NumberArg(w[numbered ? 3 : 2], 0, kLongestSong, &tick, reason) ||
        !NumberArg(w[numbered ? 4 : 3], 0, numbered ? 127 : kLargestBend, &value, reason))
        return false;
    // Control changes hold the controller and its value; pitch bends the low and the high 7 bits.
    std::vector<std::pair<std::int64_t, long long>> sameKind;
    ForEachShownEvent([&](std::int64_t at, const EventValue& e) {
        if (cc && e.kind == mp::MEK_CONTROL && e.data[0] == number) sameKind.emplace_back(at, e.data[1]);
        if (note && e.kind == mp::MEK_NOTE && e.data[0] == number) sameKind.emplace_back(at, e.data[1]);
        if (!numbered && e.kind == mp::MEK_PITCH_BEND)
            sameKind.emplace_back(at, (e.data[1] & 0x7F) * 128 + (e.data[0] & 0x7F));
    });
    const auto matches = std::count(sameKind.begin(), sameKind.end(), std::pair<std::int64_t, long long>(tick, value));
    if (matches == 1) return true;
    const std::string what = cc     ? "controller " + w[2] + " event"
                             : note ? "pitch " + w[2] + " note"
                                    : std::string("pitch-bend event");
    const std::string of = note ? " of velocity " : " of value ";
    *reason = matches > 1 ? std::to_string(matches) + " " + what + "s" + of + std::to_string(value) + " at tick " +
                                std::to_string(tick) + ", not one"
                          : "no " + what + of + std::to_string(value) + " at tick " + std::to_string(tick) + "; found ";
    if (matches > 1) return false;
    std::sort(sameKind.begin(), sameKind.end(), [&](const auto& a, const auto& b) {
        return std::llabs(a.first - tick) < std::llabs(b.first - tick);
    });
    if (sameKind.empty()) *reason += "none";
    for (std::size_t i = 0; i < sameKind.size() && i < kNotesListed; ++i)
        *reason += (i ? ", " : "") + std::to_string(sameKind[i].second) + " at " + std::to_string(sameKind[i].first);
    if (sameKind.size() > kNotesListed) *reason += ", …";
    return false;
}

bool ScriptRunner::ExpectSelected(const Words& w, std::string* reason) {
    long long expected = 0;
    if (!NumberArg(w[1], 0, kMostEvents, &expected, reason)) return false;
    long long count = 0;
    ForEachShownEvent([&](std::int64_t, const EventValue& e) { count += (e.flags & mp::MEF_SELECTED) != 0; });
    if (count == expected) return true;
    *reason = "expected " + w[1] + " selected events, found " + std::to_string(count);
    return false;
}

bool ScriptRunner::ExpectGhosts(const Words& w, std::string* reason) {
    long long expected = 0;
    if (!NumberArg(w[1], 0, kMostEvents, &expected, reason)) return false;
    HWND view = ViewWindow(reason);
    if (!view) return false;
    Pump();
    const LRESULT drawn = SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_GHOST_COUNT, 0);
    if (drawn == expected) return true;
    *reason = "expected " + w[1] + " notes of other tracks drawn, found " + std::to_string(drawn);
    return false;
}

bool ScriptRunner::ExpectUndo(const Words& w, std::string* reason) {
    Pump();
    const std::string name = EncodeUtf8(window_->Doc().UndoName());
    if (name == w[1]) return true;
    *reason = "expected the undo step \"" + w[1] + "\", found " + (name.empty() ? std::string("none") : "\"" + name + "\"");
    return false;
}

bool ScriptRunner::ExpectTool(const Words& w, std::string* reason) {
    if (script::ToolIndex(w[1]) < 0) {
        *reason = "'" + w[1] + "' is not a tool (" + script::kToolNames + ")";
        return false;
    }
    mp::ScriptViewState state{};
    if (!ViewState(&state, reason)) return false;
    if (script::ToolName(state.tool) == w[1]) return true;
    *reason = "expected the tool " + w[1] + ", found " + script::ToolName(state.tool);
    return false;
}

bool ScriptRunner::ExpectCursor(const Words& w, std::string* reason) {
    long long tick = 0;
    mp::ScriptViewState state{};
    if (!NumberArg(w[1], 0, kLongestSong, &tick, reason) || !ViewState(&state, reason)) return false;
    if (state.editCursor == tick) return true;
    *reason = "expected the edit cursor at tick " + w[1] + ", found " + std::to_string(state.editCursor);
    return false;
}

bool ScriptRunner::ExpectBar(const Words& w, std::string* reason) {
    long long tick = 0, bar = 0, beat = 0, ticks = 0;
    // The bar alone, or the bar with both beat and ticks.
    const bool whole = w.size() > 4;
    if (w.size() == 4) {
        *reason = "expect-bar needs both BEAT and TICKS, or neither";
        return false;
    }
    if (!NumberArg(w[1], 0, kLongestSong, &tick, reason) || !NumberArg(w[2], 1, kLongestSong, &bar, reason) ||
        (whole && (!NumberArg(w[3], 1, kLongestSong, &beat, reason) || !NumberArg(w[4], 0, kLongestSong, &ticks, reason))))
        return false;
    HWND view = ViewWindow(reason);
    if (!view) return false;
    Pump();
    mp::ScriptBarPosition shown{tick, 0, 0, 0};
    if (!SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_BAR_POSITION, reinterpret_cast<LPARAM>(&shown))) {
        *reason = "the view shows no bar and beat for tick " + w[1];
        return false;
    }
    if (shown.bar == bar && (!whole || (shown.beat == beat && shown.ticks == ticks))) return true;
    const std::string expected = whole ? "bar " + w[2] + ", beat " + w[3] + ", " + w[4] + " ticks" : "bar " + w[2];
    *reason = "expected tick " + w[1] + " in " + expected + "; found bar " +
              std::to_string(shown.bar) + ", beat " + std::to_string(shown.beat) + ", " + std::to_string(shown.ticks) +
              " ticks";
    return false;
}

bool ScriptRunner::ExpectKey(const Words& w, std::string* reason) {
    constexpr long long kLastRoot = 11, kLastScale = 18;
    long long tick = 0, root = 0, scale = 0;
    if (!NumberArg(w[1], 0, kLongestSong, &tick, reason) || !NumberArg(w[2], 0, kLastRoot, &root, reason) ||
        !NumberArg(w[3], 0, kLastScale, &scale, reason))
        return false;
    HWND view = ViewWindow(reason);
    if (!view) return false;
    Pump();
    const LRESULT key = SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_KEY_AT, static_cast<LPARAM>(tick));
    const long long shownRoot = LOWORD(key), shownScale = HIWORD(key);
    if (shownRoot == root && shownScale == scale) return true;
    *reason = "expected root " + w[2] + " and scale " + w[3] + " at tick " + w[1] + ", found root " +
              std::to_string(shownRoot) + " and scale " + std::to_string(shownScale);
    return false;
}

bool ScriptRunner::ExpectView(const Words& w, std::string* reason) {
    long long origin = 0;
    script::Ratio tpp;
    if (!NumberArg(w[1], 0, kLongestSong, &origin, reason)) return false;
    if (!script::ParseRatio(w[2], &tpp)) {
        *reason = "'" + w[2] + "' is not a number of ticks per pixel (e.g. 10, 7.5 or 1920/1062)";
        return false;
    }
    mp::ScriptViewState state{};
    if (!ViewState(&state, reason)) return false;
    const bool exact = tpp.numerator <= kLongestSong / std::max(state.zoomPixels, 1) &&
                       state.timeSpan * tpp.denominator == tpp.numerator * state.zoomPixels;
    if (state.timeOrigin == origin && exact) return true;
    *reason = "expected the view at tick " + w[1] + " with " + w[2] + " ticks per pixel, found tick " +
              std::to_string(state.timeOrigin) + " with " + script::FormatRatio(state.timeSpan, state.zoomPixels) +
              " (" + std::to_string(state.timeSpan) + " ticks over " + std::to_string(state.zoomPixels) + " pixels)";
    return false;
}

bool ScriptRunner::ExpectRows(const Words& w, std::string* reason) {
    long long pixels = 0, topNote = 0;
    mp::ScriptViewState state{};
    if (!NumberArg(w[1], 1, 1 << 20, &pixels, reason) || !NumberArg(w[2], 0, 127, &topNote, reason) ||
        !ViewState(&state, reason))
        return false;
    const int shownPixels = state.rowHeightLevel + kSmallestRow;
    if (shownPixels == pixels && state.topNote == topNote) return true;
    *reason = "expected rows " + w[1] + " pixels tall from note " + w[2] + ", found " + std::to_string(shownPixels) +
              " pixels from note " + std::to_string(state.topNote);
    return false;
}

bool ScriptRunner::ExpectLoop(const Words& w, std::string* reason) {
    const bool off = w[1] == "off";
    long long from = 0, to = 0;
    if (off != (w.size() == 2)) {
        *reason = "usage: expect-loop FROM TO|off";
        return false;
    }
    if (!off && (!NumberArg(w[1], 0, kLongestSong, &from, reason) || !NumberArg(w[2], 0, kLongestSong, &to, reason)))
        return false;
    Pump();
    std::int64_t start = 0, end = 0;
    window_->Doc().Project()->WithStore([&](Store& store) {
        start = store.LoopStart();
        end = store.LoopEnd();
    });
    const bool none = end <= start;
    if (off ? none : !none && start == from && end == to) return true;
    *reason = std::string("expected ") + (off ? "no loop region" : "the loop region " + w[1] + " to " + w[2]) +
              ", found " + (none ? std::string("none") : std::to_string(start) + " to " + std::to_string(end));
    return false;
}


bool ScriptRunner::ExpectPlayed(const Words& w, std::string* reason) {
    long long expected = 0;
    if (!NumberArg(w[1], 0, kMostEvents, &expected, reason)) return false;
    Pump();
    std::size_t played = 0;
    if (!window_->Doc().PlayedNoteOns(&played)) {
        *reason = "the song plays into no recording output";
        return false;
    }
    if (static_cast<long long>(played) == expected) return true;
    *reason = "expected " + w[1] + " note-ons sent, found " + std::to_string(played);
    return false;
}

} // namespace host::app

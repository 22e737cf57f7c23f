// Editing scripts: the lines that set what the editor shows (track, tool, time view, rows), each read
// back from the editor and failing with what kept it from taking effect.
#include "main_window.h"
#include "script.h"
#include "script_words.h"
#include "win/backend.h"
#include "win/controls.h"

namespace host::app {

using namespace win;
using script::FormatRatio;
using script::NumberArg;

namespace {

constexpr int kFirstToolCommand = 4010;
constexpr int kSmallestRow = 5; // a row is its height level + 5 pixels
constexpr long long kLongestSong = 1ll << 62;
// Controller lane ids: controller n is 1000 + n.
constexpr int kLaneVelocity = 1128;
constexpr int kLanePitchBend = 1129;
constexpr int kLaneFirstController = 1000;
constexpr long long kLastController = 127;

std::string LaneText(int laneId) {
    if (laneId == kLaneVelocity) return "the velocity lane";
    if (laneId == kLanePitchBend) return "the pitch-bend lane";
    return "the lane of controller " + std::to_string(laneId - kLaneFirstController);
}

std::string TicksPerPixelText(std::int64_t span, int zoomPixels) { return FormatRatio(span, zoomPixels); }

} // namespace

bool ScriptRunner::Track(const Words& w, std::string* reason) {
    long long n = 0;
    if (!NumberArg(w[1], 1, 1 << 20, &n, reason)) return false;
    if (!ChooseEditorTrack(*window_, static_cast<int>(n), reason)) return false;
    Pump();
    const int shown = ShownTrack();
    if (shown != n - 1) {
        *reason = "the track chooser shows track " + std::to_string(shown + 1) + ", not " + w[1];
        return false;
    }
    return true;
}

bool ScriptRunner::Tool(const Words& w, std::string* reason) {
    const int index = script::ToolIndex(w[1]);
    if (index < 0) {
        *reason = "'" + w[1] + "' is not a tool (" + script::kToolNames + ")";
        return false;
    }
    mp::ScriptViewState before{};
    if (!ViewState(&before, reason)) return false;
    if (before.dragState != 0) {
        *reason = "a drag is in progress: the editor keeps the tool " + std::string(script::ToolName(before.tool)) +
                  " until the button is released";
        return false;
    }
    SendMessage(window_->Doc().EditorWindow(), WM_COMMAND, MAKEWPARAM(kFirstToolCommand + index, 0), 0);
    mp::ScriptViewState after{};
    if (!ViewState(&after, reason)) return false;
    if (after.tool != index) {
        *reason = "the editor did not take the tool: the tool is " + std::string(script::ToolName(after.tool));
        return false;
    }
    return true;
}

bool ScriptRunner::Zoom(const Words& w, std::string* reason) {
    script::Ratio tpp;
    if (!script::ParseRatio(w[1], &tpp)) {
        *reason = "'" + w[1] + "' is not a number of ticks per pixel (e.g. 10, 7.5 or 1920/1062)";
        return false;
    }
    if (tpp.numerator < tpp.denominator) {
        *reason = "the view shows at least 1 tick per pixel, not " + w[1];
        return false;
    }
    long long origin = 0;
    if (w.size() > 2 && !NumberArg(w[2], 0, kLongestSong, &origin, reason)) return false;
    mp::ScriptViewState state{};
    if (!ViewState(&state, reason)) return false;
    const long long pixels = state.zoomPixels;
    if (tpp.numerator > kLongestSong / pixels) {
        *reason = w[1] + " ticks per pixel span more than the longest song";
        return false;
    }
    if (tpp.numerator * pixels % tpp.denominator != 0) {
        *reason = "at " + w[1] + " ticks per pixel the view's " + std::to_string(pixels) +
                  " zoom pixels do not span a whole number of ticks; choose another window width";
        return false;
    }
    const mp::ScriptTimeRequest request{origin, tpp.numerator * pixels / tpp.denominator};
    HWND view = ViewWindow(reason);
    if (!view || !SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_SET_TIME_VIEW, reinterpret_cast<LPARAM>(&request))) {
        if (view) *reason = "the view did not take the time zoom";
        return false;
    }
    if (!ViewState(&state, reason)) return false;
    if (state.timeSpan != request.span) {
        *reason = request.span > state.documentLength
                      ? "the song is only " + std::to_string(state.documentLength) + " ticks long: the view shows at most " +
                            TicksPerPixelText(state.documentLength, state.zoomPixels) + " ticks per pixel"
                      : "the view shows " + TicksPerPixelText(state.timeSpan, state.zoomPixels) + " ticks per pixel";
        return false;
    }
    if (state.timeOrigin != request.origin) {
        *reason = "the view cannot start at tick " + std::to_string(origin) + ": the song ends at tick " +
                  std::to_string(state.documentLength) + ", so at " + w[1] + " ticks per pixel the left edge is at most tick " +
                  std::to_string(state.timeOrigin);
        return false;
    }
    return true;
}

bool ScriptRunner::Rows(const Words& w, std::string* reason) {
    long long pixels = 0, topNote = -1;
    if (!NumberArg(w[1], 1, 1 << 20, &pixels, reason)) return false;
    if (w.size() > 2 && !NumberArg(w[2], 0, 127, &topNote, reason)) return false;
    if (pixels < kSmallestRow) {
        *reason = "rows are at least " + std::to_string(kSmallestRow) + " pixels tall, not " + w[1];
        return false;
    }
    mp::ScriptViewState state{};
    if (!ViewState(&state, reason)) return false;
    if (pixels - kSmallestRow > state.maxRowHeightLevel) {
        *reason = "rows are at most " + std::to_string(state.maxRowHeightLevel + kSmallestRow) +
                  " pixels tall in a grid " + std::to_string(state.gridHeight) + " pixels high";
        return false;
    }
    const mp::ScriptRowsRequest request{static_cast<std::int32_t>(pixels - kSmallestRow),
                                        static_cast<std::int32_t>(topNote)};
    HWND view = ViewWindow(reason);
    if (!view || !SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_SET_ROWS, reinterpret_cast<LPARAM>(&request))) {
        if (view) *reason = "the view did not take the row height";
        return false;
    }
    if (!ViewState(&state, reason)) return false;
    if (state.rowHeightLevel != request.rowHeightLevel || state.topRowPixels != pixels) {
        *reason = "rows of " + w[1] + " pixels come out " + std::to_string(state.topRowPixels) +
                  " pixels tall in a grid " + std::to_string(state.gridHeight) + " pixels high";
        return false;
    }
    if (topNote >= 0 && state.topNote != topNote) {
        *reason = "the top row shows note " + std::to_string(state.topNote) + ", not " + w[2] +
                  (state.topNote > topNote ? ": the lowest rows are already in view" : "");
        return false;
    }
    return true;
}

bool ScriptRunner::Lane(const Words& w, std::string* reason) {
    int wanted = 0;
    if (w[1] == "velocity" && w.size() == 2) {
        wanted = kLaneVelocity;
    } else if (w[1] == "pitchbend" && w.size() == 2) {
        wanted = kLanePitchBend;
    } else if (w[1] == "cc" && w.size() == 3) {
        long long controller = 0;
        if (!NumberArg(w[2], 0, kLastController, &controller, reason)) return false;
        wanted = kLaneFirstController + static_cast<int>(controller);
    } else {
        *reason = "usage: lane velocity|pitchbend|cc N";
        return false;
    }
    HWND view = ViewWindow(reason);
    if (!view) return false;
    Pump();
    POINT selector{};
    if (!SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_LANE_SELECTOR, reinterpret_cast<LPARAM>(&selector))) {
        *reason = "the editor shows no controller lane to choose from";
        return false;
    }
    MapWindowPoints(view, window_->Handle(), &selector, 1);
    // A click on the lane's name box opens the lane menu; the entry is chosen as a person would.
    std::string problem;
    bool opened = false;
    AnswerNextPopupMenu([&](HMENU menu, HWND) -> UINT {
        opened = true;
        const UINT state = GetMenuState(menu, static_cast<UINT>(wanted), MF_BYCOMMAND);
        if (state == static_cast<UINT>(-1)) problem = "the lane menu has no entry for " + LaneText(wanted);
        else if (state & (MF_GRAYED | MF_DISABLED)) problem = "the lane menu offers " + LaneText(wanted) + " greyed";
        return problem.empty() ? static_cast<UINT>(wanted) : 0;
    });
    Gesture(backend::BUTTON_LEFT, 0, selector, selector, 0, true, true);
    if (!opened) {
        ClearPopupMenuAnswer();
        *reason = "a click on the lane's name box opened no menu";
        return false;
    }
    if (!problem.empty()) {
        *reason = problem;
        return false;
    }
    mp::ScriptViewState state{};
    if (!ViewState(&state, reason)) return false;
    if (state.laneId != wanted) {
        *reason = "the editor shows " + LaneText(state.laneId) + ", not " + LaneText(wanted);
        return false;
    }
    return true;
}

} // namespace host::app

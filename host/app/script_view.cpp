// Editing scripts: the lines that set what the editor shows (track, tool, time view, rows), each read
// back from the editor and failing with what kept it from taking effect.
#include "main_window.h"
#include "script.h"
#include "script_words.h"

namespace host::app {

using namespace win;
using script::FormatRatio;
using script::NumberArg;

namespace {

constexpr int kFirstToolCommand = 4010;
constexpr int kSmallestRow = 5; // a row is its height level + 5 pixels
constexpr long long kLongestSong = 1ll << 62;

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

} // namespace host::app

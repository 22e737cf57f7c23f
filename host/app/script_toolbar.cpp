// Editing scripts and the editor's toolbar: button and drop-down arrow positions, the tooltip shown,
// a button's state, and pictures that show the pop-ups (tooltips, menus) over the window.
#include <algorithm>
#include <cstring>

#include "main_window.h"
#include "mp/script_query.h"
#include "script.h"
#include "script_words.h"
#include "win/controls.h"
#include "win/window_pixels.h"

namespace host::app {

using namespace win;

namespace {

// The drop-down arrow is the strip at the right of a button; this lies inside it.
constexpr int kArrowInset = 3;

struct ClassSearch {
    const char* name;
    HWND found;
};

BOOL FindClass(HWND child, LPARAM lParam) {
    auto* s = reinterpret_cast<ClassSearch*>(lParam);
    char name[64] = {};
    GetClassName(child, name, sizeof name);
    if (std::strcmp(name, s->name) != 0) return TRUE;
    s->found = child;
    return FALSE;
}

// The visible pop-ups above the main window (tooltips, menus), bottom-most first.
std::vector<HWND> PopupsOver(HWND main) {
    struct Search {
        HWND main;
        std::vector<HWND> found;
    } search{main, {}};
    EnumWindows(
        [](HWND top, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            if (top != s->main && IsWindowVisible(top) && GetAncestor(top, GA_ROOTOWNER) == s->main)
                s->found.push_back(top);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    std::reverse(search.found.begin(), search.found.end());
    return search.found;
}

HWND VisibleTooltip(HWND main) {
    for (HWND popup : PopupsOver(main)) {
        char name[64] = {};
        GetClassName(popup, name, sizeof name);
        if (std::strcmp(name, TOOLTIPS_CLASS) == 0) return popup;
    }
    return nullptr;
}

} // namespace

HWND ScriptRunner::Toolbar(std::string* reason) const {
    HWND editor = window_ ? window_->Doc().EditorWindow() : nullptr;
    ClassSearch search{TOOLBARCLASSNAME, nullptr};
    if (editor) EnumChildWindows(editor, FindClass, reinterpret_cast<LPARAM>(&search));
    if (!search.found && reason) *reason = "the editor shows no toolbar";
    return search.found;
}

bool ScriptRunner::ToolbarCoordinate(const std::string& kind, const std::string& number, bool vertical,
                                     int* out, std::string* reason) {
    long long id = 0;
    if (!script::ParseInt(number, &id) || id < 1 || id > 0xFFFF) {
        *reason = "'" + kind + ":" + number + "' has no valid command id";
        return false;
    }
    HWND toolbar = Toolbar(reason);
    if (!toolbar) return false;
    RECT r{};
    if (!SendMessage(toolbar, TB_GETRECT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&r)) ||
        r.right <= r.left) {
        // The playback buttons are in the transport bar along the view's bottom.
        if (kind == "button" && TransportCoordinate(static_cast<int>(id), vertical, out)) return true;
        *reason = "neither the toolbar nor the transport bar shows a button " + number;
        return false;
    }
    TBBUTTON button{};
    const LRESULT index = SendMessage(toolbar, TB_COMMANDTOINDEX, static_cast<WPARAM>(id), 0);
    SendMessage(toolbar, TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button));
    if (kind == "arrow" && !(button.fsStyle & BTNS_DROPDOWN)) {
        *reason = "the toolbar button " + number + " has no drop-down arrow";
        return false;
    }
    POINT p{kind == "arrow" ? r.right - kArrowInset : (r.left + r.right) / 2, (r.top + r.bottom) / 2};
    MapWindowPoints(toolbar, window_->Handle(), &p, 1);
    *out = vertical ? p.y : p.x;
    return true;
}

bool ScriptRunner::TransportCoordinate(int id, bool vertical, int* out) {
    HWND view = ViewWindow(nullptr);
    if (!view) return false;
    Pump();
    const LRESULT answer = SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_TRANSPORT_BUTTON, static_cast<LPARAM>(id));
    if (answer == mp::SCRIPT_HIDDEN) return false;
    POINT p{static_cast<short>(LOWORD(answer)), static_cast<short>(HIWORD(answer))};
    MapWindowPoints(view, window_->Handle(), &p, 1);
    *out = vertical ? p.y : p.x;
    return true;
}

bool ScriptRunner::ExpectTooltip(const Words& w, std::string* reason) {
    Pump();
    HWND tip = VisibleTooltip(window_->Handle());
    char text[256] = {};
    if (tip) GetWindowText(tip, text, sizeof text);
    const bool wantNone = w[1] == "none";
    if (wantNone ? !tip : (tip && w[1] == text)) return true;
    *reason =
        std::string("the tooltip shown is ") + (tip ? "\"" + std::string(text) + "\"" : std::string("none"));
    return false;
}

bool ScriptRunner::ExpectStatus(const Words& w, std::string* reason) {
    HWND view = ViewWindow(reason);
    if (!view) return false;
    Pump();
    mp::ScriptStatusText status{};
    SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_STATUS_TEXT, reinterpret_cast<LPARAM>(&status));
    if (w[1] == status.text) return true;
    *reason = "the status field shows \"" + std::string(status.text) + "\"";
    return false;
}

bool ScriptRunner::ExpectButton(const Words& w, std::string* reason) {
    long long id = 0;
    if (!script::NumberArg(w[1], 1, 0xFFFF, &id, reason)) return false;
    HWND toolbar = Toolbar(reason);
    if (!toolbar) return false;
    Pump();
    const LRESULT state = SendMessage(toolbar, TB_GETSTATE, static_cast<WPARAM>(id), 0);
    bool enabled = (state & TBSTATE_ENABLED) != 0, checked = (state & TBSTATE_CHECKED) != 0;
    if (state < 0) {
        HWND view = ViewWindow(nullptr);
        const LRESULT look = view ? SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_TRANSPORT_BUTTON_STATE,
                                                static_cast<LPARAM>(id))
                                  : mp::SCRIPT_HIDDEN;
        if (look == mp::SCRIPT_HIDDEN) {
            *reason = "neither the toolbar nor the transport bar has a button " + w[1];
            return false;
        }
        enabled = (look & mp::SCRIPT_BUTTON_ENABLED) != 0;
        checked = (look & mp::SCRIPT_BUTTON_CHECKED) != 0;
    }
    for (std::size_t i = 2; i < w.size(); ++i) {
        const std::string& want = w[i];
        bool holds;
        if (want == "enabled" || want == "disabled")
            holds = enabled == (want == "enabled");
        else if (want == "checked" || want == "unchecked")
            holds = checked == (want == "checked");
        else {
            *reason = "'" + want + "' is not enabled, disabled, checked or unchecked";
            return false;
        }
        if (!holds) {
            *reason = std::string(state < 0 ? "the transport bar button " : "the toolbar button ") + w[1] + " is " +
                      (enabled ? "enabled" : "disabled") + " and " +
                      (checked ? "checked" : "unchecked");
            return false;
        }
    }
    return true;
}

void ScriptRunner::DrawPopupsOver(WindowPixels* picture) const {
    HWND main = window_->Handle();
    RECT mainRect{};
    GetWindowRect(main, &mainRect);
    for (HWND popup : PopupsOver(main)) {
        WindowPixels pixels;
        RECT r{};
        if (!GetWindowPixels(popup, &pixels) || !GetWindowRect(popup, &r)) continue;
        const int left = r.left - mainRect.left, top = r.top - mainRect.top;
        for (int y = 0; y < pixels.height; ++y) {
            const int ty = top + y;
            if (ty < 0 || ty >= picture->height) continue;
            for (int x = 0; x < pixels.width; ++x) {
                const int tx = left + x;
                if (tx < 0 || tx >= picture->width) continue;
                picture->bgra[static_cast<std::size_t>(ty) * picture->width + tx] =
                    pixels.bgra[static_cast<std::size_t>(y) * pixels.width + x];
            }
        }
    }
}

} // namespace host::app

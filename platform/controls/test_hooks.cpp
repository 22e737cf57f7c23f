// Answers for the next pop-up menu and modal dialog, applied as a person would give them.
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "control_util.h"
#include "dialog_data.h"

namespace win {

namespace detail {

namespace {

struct Pending {
    std::function<UINT(HMENU, HWND)> menu;
    std::optional<DialogAnswer> dialog;
    std::function<void(HWND)> dialogCallback;
    int menuCount = 0;
};

Pending& State() {
    static Pending pending;
    return pending;
}

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassName(hwnd, name, sizeof name);
    std::string s = name;
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool ParseIndex(const std::string& value, int* out) {
    if (value.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(value.c_str(), &end, 10);
    if (*end) return false;
    *out = static_cast<int>(v);
    return true;
}

bool PickItem(HWND ctl, const std::string& value, UINT findExact, UINT getCount, UINT getCur, UINT setCur,
              WORD selChange, bool notify) {
    auto found = static_cast<int>(SendMessage(ctl, findExact, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.c_str())));
    int count = static_cast<int>(SendMessage(ctl, getCount, 0, 0));
    if (found < 0 && (!ParseIndex(value, &found) || found < 0 || found >= count)) return false;
    if (SendMessage(ctl, getCur, 0, 0) == found) return true;
    SendMessage(ctl, setCur, static_cast<WPARAM>(found), 0);
    if (notify) NotifyParent(ctl, selChange);
    return true;
}

} // namespace

bool TakePopupMenuAnswer(std::function<UINT(HMENU, HWND)>* out) {
    ++State().menuCount;
    if (!State().menu) return false;
    *out = std::move(State().menu);
    State().menu = nullptr;
    return true;
}

bool RunDialogAnswer(HWND dlg) {
    Pending& p = State();
    if (p.dialogCallback) {
        auto callback = std::move(p.dialogCallback);
        p.dialogCallback = nullptr;
        callback(dlg);
        return true;
    }
    if (!p.dialog) return false;
    DialogAnswer answer = std::move(*p.dialog);
    p.dialog.reset();
    for (auto& [id, value] : answer.items) {
        if (!IsWindow(dlg)) return true;
        SetDialogItemAsUser(dlg, id, value);
    }
    if (!IsWindow(dlg)) return true;
    DialogInfo* info = FindDialogInfo(dlg);
    if (info && info->ended) return true;
    HWND button = GetDlgItem(dlg, answer.button);
    if (button && IsWindowEnabled(button) && (SendMessage(button, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON)) {
        SendMessage(button, BM_CLICK, 0, 0);
    } else if (!button) {
        SendMessage(dlg, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(answer.button), BN_CLICKED), 0);
    }
    // A button that cannot be pressed leaves the person with Escape.
    info = IsWindow(dlg) ? FindDialogInfo(dlg) : nullptr;
    if (info && !info->ended)
        SendMessage(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDCANCEL)));
    // Nothing closed it (a box without Cancel ignores Escape): fail the dialog instead of leaving a
    // loop that no one will ever answer.
    info = IsWindow(dlg) ? FindDialogInfo(dlg) : nullptr;
    if (info && !info->ended) {
        std::fprintf(stderr, "dialog answer: button %d could not close the dialog\n", answer.button);
        EndDialog(dlg, -1);
    }
    return true;
}

} // namespace detail

void AnswerNextPopupMenu(std::function<UINT(HMENU menu, HWND owner)> answer) { detail::State().menu = std::move(answer); }

void AnswerNextPopupMenu(UINT command) {
    detail::State().menu = [command](HMENU, HWND) { return command; };
}

void ClearPopupMenuAnswer() { detail::State().menu = nullptr; }

int GetPopupMenuCount() { return detail::State().menuCount; }

void AnswerNextDialog(DialogAnswer answer) {
    detail::State().dialogCallback = nullptr;
    detail::State().dialog = std::move(answer);
}

void AnswerNextDialog(std::function<void(HWND dlg)> answer) {
    detail::State().dialog.reset();
    detail::State().dialogCallback = std::move(answer);
}

void ClearDialogAnswer() {
    detail::State().dialog.reset();
    detail::State().dialogCallback = nullptr;
}

bool SetDialogItemAsUser(HWND dlg, int id, const std::string& value) {
    HWND ctl = GetDlgItem(dlg, id);
    if (!ctl || !IsWindowEnabled(ctl)) return false;
    std::string cls = detail::ClassOf(ctl);
    if (cls == "COMBOBOX")
        return detail::PickItem(ctl, value, CB_FINDSTRINGEXACT, CB_GETCOUNT, CB_GETCURSEL, CB_SETCURSEL, CBN_SELCHANGE, true);
    if (cls == "LISTBOX")
        return detail::PickItem(ctl, value, LB_FINDSTRINGEXACT, LB_GETCOUNT, LB_GETCURSEL, LB_SETCURSEL, LBN_SELCHANGE,
                                (detail::Style(ctl) & LBS_NOTIFY) != 0);
    if (cls == "BUTTON") {
        DWORD kind = detail::Style(ctl) & BS_TYPEMASK;
        if (kind == BS_GROUPBOX) return false;
        bool checkable = kind != BS_PUSHBUTTON && kind != BS_DEFPUSHBUTTON && kind != BS_PUSHBOX;
        if (!checkable) {
            SendMessage(ctl, BM_CLICK, 0, 0);
            return true;
        }
        UINT want = (value.empty() || value == "0") ? BST_UNCHECKED : BST_CHECKED;
        if (SendMessage(ctl, BM_GETCHECK, 0, 0) != want) SendMessage(ctl, BM_CLICK, 0, 0);
        return IsWindow(ctl) && static_cast<UINT>(SendMessage(ctl, BM_GETCHECK, 0, 0)) == want;
    }
    return SetWindowText(ctl, value.c_str()) != FALSE;
}

} // namespace win

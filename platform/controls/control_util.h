// Helpers shared by the controls: per-window state, parent notifications, fonts, colours and text drawing.
#pragma once

#include <string>

#include "win/controls.h"
#include "win/gdi.h"
#include "win/win.h"

namespace win::detail {

// Registers the control, dialog, menu and tooltip classes once; every entry point of the controls calls it.
void EnsureControlClasses();

// Per-window state lives behind the first pointer-sized extra bytes of each control class.
constexpr int kStateSlot = 0;
template <class T>
T* ControlState(HWND hwnd) {
    return reinterpret_cast<T*>(GetWindowLongPtr(hwnd, kStateSlot));
}
template <class T>
void SetControlState(HWND hwnd, T* state) {
    SetWindowLongPtr(hwnd, kStateSlot, reinterpret_cast<LONG_PTR>(state));
}

inline DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_STYLE)); }
inline DWORD ExStyle(HWND hwnd) { return static_cast<DWORD>(GetWindowLongPtr(hwnd, GWL_EXSTYLE)); }

// WM_COMMAND with the control's id and a notification code to its parent.
inline void NotifyParent(HWND hwnd, WORD code) {
    HWND parent = GetParent(hwnd);
    if (parent)
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                    reinterpret_cast<LPARAM>(hwnd));
}

// WM_NOTIFY to a window with the header filled in from the sender.
inline LRESULT SendNotify(HWND to, HWND from, UINT code, NMHDR* hdr) {
    hdr->hwndFrom = from;
    hdr->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(from));
    hdr->code = code;
    return to ? SendMessage(to, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr)) : 0;
}

// The font a control draws with: the one set with WM_SETFONT, or the default GUI font.
inline HFONT ControlFont(HFONT set) {
    return set ? set : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// Asks the parent for the background brush (WM_CTLCOLOR...), falling back to the given system colour.
HBRUSH ParentBrush(HWND hwnd, HDC dc, UINT ctlColorMsg, int fallbackColor);

std::string WindowText(HWND hwnd);

// Sends WM_DRAWITEM for an item of an owner-drawn combo box (its field or its list) to the combo box's
// parent, with the DC's state saved around the call.
void AskOwnerToDraw(HWND combo, HDC dc, int item, UINT state, const RECT& rc, LPARAM data);

// Text in the classic disabled look (an embossed highlight under grey) or normal, with '&' prefixes.
void DrawControlText(HDC dc, const std::string& text, RECT rc, UINT format, bool enabled, COLORREF color);

// The line height and average character width of a font.
void FontMetrics(HFONT font, int* height, int* avgWidth);
int TextWidth(HFONT font, const std::string& text);

// UTF-8 helpers for caret movement.
size_t NextCharBoundary(const std::string& s, size_t pos);
size_t PrevCharBoundary(const std::string& s, size_t pos);

// Text clipboard in UTF-8 (stored as CF_UNICODETEXT).
bool PutClipboardText(HWND owner, const std::string& text);
bool GetClipboardText(HWND owner, std::string* text);

// The one character after a single '&' in a label, lower-cased; 0 when none.
char LabelMnemonic(const std::string& text);

} // namespace win::detail

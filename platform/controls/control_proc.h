// The part of a control's window procedure that every control shares: the per-window state's lifetime,
// painting inside BeginPaint/EndPaint, background erasing and the font messages.
#pragma once

#include "control_util.h"

namespace win::detail {

// Runs `paint` with the DC of BeginPaint when there is one; EndPaint always follows so the update region
// is validated even when nothing could be drawn.
template <class Paint>
void PaintWindow(HWND hwnd, Paint&& paint) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    if (dc) paint(dc);
    EndPaint(hwnd, &ps);
}

// WM_SETTEXT for controls that draw their window text: store it, then repaint.
inline LRESULT SetTextAndRedraw(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    LRESULT r = DefWindowProc(hwnd, WM_SETTEXT, wParam, lParam);
    InvalidateRect(hwnd, nullptr, TRUE);
    return r;
}

// The window procedure of a control whose state is a `State` (with an `HFONT font` member):
// - WM_NCCREATE makes the state and runs `State::Attach(hwnd, createStruct)` when the state has one;
// - WM_NCDESTROY runs `State::Detach(hwnd)` when present, while the state is still reachable, then frees it;
// - messages that arrive before the state exists or after it is gone get the default handling;
// - WM_PAINT draws with `Paint`, WM_ERASEBKGND is swallowed since `Paint` fills the whole client area;
// - WM_GETFONT answers the stored font; WM_SETFONT stores it, runs `State::FontChanged(hwnd)` when present
//   and repaints when the message asks for it;
// - everything else goes to `Handle`.
template <class State, void (*Paint)(HWND, State*, HDC), LRESULT (*Handle)(HWND, State*, UINT, WPARAM, LPARAM)>
LRESULT ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    State* st = ControlState<State>(hwnd);
    if (msg == WM_NCCREATE) {
        st = new State;
        SetControlState(hwnd, st);
        if constexpr (requires { st->Attach(hwnd, static_cast<const CREATESTRUCT*>(nullptr)); })
            st->Attach(hwnd, reinterpret_cast<const CREATESTRUCT*>(lParam));
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) {
        if (st) {
            if constexpr (requires { st->Detach(hwnd); }) st->Detach(hwnd);
            delete st;
            SetControlState<State>(hwnd, nullptr);
        }
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
    if (!st) return DefWindowProc(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_PAINT:
        PaintWindow(hwnd, [&](HDC dc) { Paint(hwnd, st, dc); });
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(st->font);
    case WM_SETFONT:
        st->font = reinterpret_cast<HFONT>(wParam);
        if constexpr (requires { st->FontChanged(hwnd); }) st->FontChanged(hwnd);
        if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    default:
        return Handle(hwnd, st, msg, wParam, lParam);
    }
}

} // namespace win::detail

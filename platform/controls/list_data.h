// Private messages between a drop-down combo box and its pop-up list.
#pragma once

#include "win/controls.h"

namespace win::detail {

// Sent by the pop-up list to its combo box: the user chose item wParam (mouse release on it).
constexpr UINT CBLB_CHOSEN = WM_USER + 0x1F0;
// Sent by the pop-up list to its combo box: the user pressed outside the list.
constexpr UINT CBLB_DISMISS = WM_USER + 0x1F1;
// Sent by a combo box to its list: handle a key (wParam vk) or character (lParam 1) as the list would;
// returns 1 when the selection changed.
constexpr UINT CBLB_KEY = WM_USER + 0x1F2;
// Sent by a combo box to its list at creation: the combo that owns it (lParam).
constexpr UINT CBLB_SETCOMBO = WM_USER + 0x1F3;
// Makes the current item visible.
constexpr UINT CBLB_SHOWCURRENT = WM_USER + 0x1F4;

constexpr const char* kComboListClass = "ComboLBox";

WNDPROC ListBoxWndProc();

} // namespace win::detail

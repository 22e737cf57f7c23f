// Centring a window on its owner, inside the screen.
#include "vor/window_placement.h"

#include <algorithm>

bool VorWindow_CenterOnOwner(win::HWND window, win::HWND owner) noexcept {
    using namespace win;
    if (!window || !IsWindow(window)) return false;
    RECT own{};
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!owner || !IsWindow(owner) || !GetWindowRect(owner, &own)) own = screen;
    RECT self{};
    GetWindowRect(window, &self);
    const int width = self.right - self.left, height = self.bottom - self.top;
    POINT at{own.left + (own.right - own.left - width) / 2, own.top + (own.bottom - own.top - height) / 2};
    // A window larger than the screen keeps its top-left corner on it.
    at.x = std::max<LONG>(screen.left, std::min<LONG>(at.x, screen.right - width));
    at.y = std::max<LONG>(screen.top, std::min<LONG>(at.y, screen.bottom - height));
    if ((GetWindowLong(window, GWL_STYLE) & WS_CHILD) && GetParent(window)) ScreenToClient(GetParent(window), &at);
    return SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

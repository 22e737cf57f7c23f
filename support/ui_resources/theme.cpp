// Visual-theme data of a window and the theme-change and dialog-font handling of dialogs.
#include "vor/theme.h"

#include <new>

namespace {

using namespace win;

void OpenParts(VorThemeData* theme) {
    theme->button = OpenThemeData(theme->window, "BUTTON");
    theme->scrollBar = OpenThemeData(theme->window, "SCROLLBAR");
}

void CloseParts(VorThemeData* theme) {
    if (theme->button) CloseThemeData(theme->button);
    if (theme->scrollBar) CloseThemeData(theme->scrollBar);
    theme->button = theme->scrollBar = nullptr;
}

} // namespace

VorThemeData* XPTheme_Initialize(HWND window) noexcept {
    auto* theme = new (std::nothrow) VorThemeData;
    if (!theme) return nullptr;
    theme->window = window;
    OpenParts(theme);
    return theme;
}

LRESULT XPTheme_ThemeChanged(VorThemeData* theme) noexcept {
    if (!theme) return 0;
    CloseParts(theme);
    OpenParts(theme);
    if (theme->window && IsWindow(theme->window))
        RedrawWindow(theme->window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    return 1;
}

void XPTheme_Release(VorThemeData* theme) noexcept {
    if (!theme) return;
    CloseParts(theme);
    delete theme;
}

void VorDialog_InitFont(HWND dialog, HFONT font, bool redraw) noexcept {
    if (!dialog || !font) return;
    struct Change {
        HWND dialog;
        HFONT font;
        bool redraw;
    } change{dialog, font, redraw};
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM lParam) -> BOOL {
            const auto* c = reinterpret_cast<const Change*>(lParam);
            // Only the dialog's own children: their children keep the fonts their owners gave them.
            if (GetParent(child) == c->dialog)
                SendMessage(child, WM_SETFONT, reinterpret_cast<WPARAM>(c->font), c->redraw ? TRUE : FALSE);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&change));
}

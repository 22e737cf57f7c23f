// Menu objects behind HMENU: items, their states, and lookup by command or position.
#pragma once

#include <string>
#include <vector>

#include "win/controls.h"

namespace win::detail {

struct MenuItem {
    UINT type = MFT_STRING; // MFT_ bits
    UINT state = 0;         // MFS_ bits
    UINT id = 0;
    HMENU subMenu = nullptr;
    ULONG_PTR data = 0;
    std::string text;
    HBITMAP bitmap = nullptr;

    bool IsSeparator() const { return (type & MFT_SEPARATOR) != 0; }
    bool IsDisabled() const { return (state & MFS_DISABLED) != 0; }
    // The part before the tab or the right-alignment mark, and the key text after it.
    std::string Label() const;
    std::string KeyText() const;
    // The lower-case mnemonic character after a single '&', or 0.
    char Mnemonic() const;
};

struct Menu {
    std::vector<MenuItem> items;
    bool popup = false;
    UINT defaultItem = static_cast<UINT>(-1); // position
};

Menu* MenuFromHandle(HMENU menu);

// Finds an item by command (searching sub-menus depth first) or by position. The owning menu and the
// position in it are returned through the out parameters.
MenuItem* FindMenuItem(HMENU menu, UINT item, UINT flags, HMENU* owner = nullptr, int* position = nullptr);

// Strips '&' prefixes ("&&" stays one '&').
std::string StripMnemonic(const std::string& text);

} // namespace win::detail

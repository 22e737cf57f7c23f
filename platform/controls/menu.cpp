// Menu objects: creation, items, states, check and radio marks, templates and lookup.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_set>

#include "menu_data.h"

namespace win {
namespace detail {

namespace {

std::unordered_set<Menu*>& LiveMenus() {
    static std::unordered_set<Menu*> menus;
    return menus;
}

size_t LabelEnd(const std::string& text) {
    size_t pos = text.find_first_of("\t\b");
    return pos == std::string::npos ? text.size() : pos;
}

} // namespace

std::string MenuItem::Label() const { return text.substr(0, LabelEnd(text)); }

std::string MenuItem::KeyText() const {
    size_t end = LabelEnd(text);
    return end < text.size() ? text.substr(end + 1) : std::string();
}

char MenuItem::Mnemonic() const {
    std::string label = Label();
    for (size_t i = 0; i + 1 < label.size(); ++i) {
        if (label[i] != '&') continue;
        if (label[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::tolower(static_cast<unsigned char>(label[i + 1])));
    }
    return 0;
}

std::string StripMnemonic(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

Menu* MenuFromHandle(HMENU menu) {
    auto* m = reinterpret_cast<Menu*>(menu);
    if (!m || !LiveMenus().count(m)) return nullptr;
    return m;
}

MenuItem* FindMenuItem(HMENU menu, UINT item, UINT flags, HMENU* owner, int* position) {
    Menu* m = MenuFromHandle(menu);
    if (!m) return nullptr;
    if (flags & MF_BYPOSITION) {
        if (item >= m->items.size()) return nullptr;
        if (owner) *owner = menu;
        if (position) *position = static_cast<int>(item);
        return &m->items[item];
    }
    for (size_t i = 0; i < m->items.size(); ++i) {
        MenuItem& it = m->items[i];
        if (it.subMenu) {
            if (MenuItem* inner = FindMenuItem(it.subMenu, item, flags, owner, position)) return inner;
            // A sub-menu item can also be addressed by its handle as the command.
            if (reinterpret_cast<UINT_PTR>(it.subMenu) == item) {
                if (owner) *owner = menu;
                if (position) *position = static_cast<int>(i);
                return &it;
            }
            continue;
        }
        if (it.id == item && !it.IsSeparator()) {
            if (owner) *owner = menu;
            if (position) *position = static_cast<int>(i);
            return &it;
        }
    }
    return nullptr;
}

} // namespace detail

using detail::FindMenuItem;
using detail::Menu;
using detail::MenuFromHandle;
using detail::MenuItem;

namespace {

HMENU NewMenu(bool popup) {
    auto* m = new Menu;
    m->popup = popup;
    detail::LiveMenus().insert(m);
    return reinterpret_cast<HMENU>(m);
}

// Builds an item from the classic flags of AppendMenu/InsertMenu/ModifyMenu.
bool ItemFromFlags(UINT flags, UINT_PTR idNewItem, LPCSTR text, MenuItem* out) {
    MenuItem it;
    it.type = flags & (MF_SEPARATOR | MF_MENUBARBREAK | MF_MENUBREAK | MF_OWNERDRAW | MF_BITMAP | MF_RIGHTJUSTIFY);
    it.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT);
    if (flags & MF_POPUP) {
        HMENU sub = reinterpret_cast<HMENU>(idNewItem);
        if (!MenuFromHandle(sub)) return false;
        it.subMenu = sub;
        it.id = static_cast<UINT>(-1);
    } else {
        it.id = static_cast<UINT>(idNewItem);
    }
    if (flags & MF_BITMAP) {
        it.bitmap = reinterpret_cast<HBITMAP>(const_cast<char*>(text));
    } else if (!(flags & (MF_SEPARATOR | MF_OWNERDRAW)) && text) {
        it.text = text;
    }
    if (flags & MF_OWNERDRAW) it.data = reinterpret_cast<ULONG_PTR>(text);
    *out = std::move(it);
    return true;
}

bool ContainsMenu(HMENU haystack, HMENU needle) {
    if (haystack == needle) return true;
    Menu* m = MenuFromHandle(haystack);
    if (!m) return false;
    for (auto& it : m->items)
        if (it.subMenu && ContainsMenu(it.subMenu, needle)) return true;
    return false;
}

UINT ClassicState(const MenuItem& it) {
    UINT s = it.state | (it.type & (MF_SEPARATOR | MF_MENUBARBREAK | MF_MENUBREAK | MF_OWNERDRAW | MF_BITMAP));
    if (it.subMenu) {
        Menu* sub = MenuFromHandle(it.subMenu);
        s |= MF_POPUP | ((sub ? static_cast<UINT>(sub->items.size()) : 0u) << 8);
    }
    return s;
}

} // namespace

HMENU CreateMenu() { return NewMenu(false); }
HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL IsMenu(HMENU menu) { return MenuFromHandle(menu) ? TRUE : FALSE; }

BOOL DestroyMenu(HMENU menu) {
    Menu* m = MenuFromHandle(menu);
    if (!m) return FALSE;
    detail::LiveMenus().erase(m);
    for (auto& it : m->items)
        if (it.subMenu) DestroyMenu(it.subMenu);
    delete m;
    return TRUE;
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCSTR text) {
    Menu* m = MenuFromHandle(menu);
    if (!m) return FALSE;
    MenuItem it;
    if (!ItemFromFlags(flags, idNewItem, text, &it)) return FALSE;
    if (it.subMenu && ContainsMenu(it.subMenu, menu)) return FALSE;
    size_t at = m->items.size();
    if (flags & MF_BYPOSITION) {
        if (position != static_cast<UINT>(-1)) at = std::min<size_t>(position, m->items.size());
    } else if (!(flags & MF_APPEND)) {
        HMENU owner = nullptr;
        int pos = 0;
        if (!FindMenuItem(menu, position, MF_BYCOMMAND, &owner, &pos)) return FALSE;
        Menu* target = MenuFromHandle(owner);
        target->items.insert(target->items.begin() + pos, std::move(it));
        return TRUE;
    }
    m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(it));
    return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCSTR text) {
    return InsertMenu(menu, static_cast<UINT>(-1), (flags & ~MF_BYCOMMAND) | MF_BYPOSITION, idNewItem, text);
}

BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFO info) {
    Menu* m = MenuFromHandle(menu);
    if (!m || !info) return FALSE;
    MenuItem it;
    if (info->fMask & (MIIM_FTYPE | MIIM_TYPE)) it.type = info->fType & ~MFT_STRING;
    if (info->fMask & MIIM_STATE) it.state = info->fState;
    if (info->fMask & MIIM_ID) it.id = info->wID;
    if (info->fMask & MIIM_SUBMENU) {
        if (info->hSubMenu && !MenuFromHandle(info->hSubMenu)) return FALSE;
        if (info->hSubMenu && ContainsMenu(info->hSubMenu, menu)) return FALSE;
        it.subMenu = info->hSubMenu;
    }
    if (info->fMask & MIIM_DATA) it.data = info->dwItemData;
    if ((info->fMask & MIIM_STRING) || ((info->fMask & MIIM_TYPE) && !(info->fType & (MFT_SEPARATOR | MFT_BITMAP))))
        if (info->dwTypeData) it.text = info->dwTypeData;
    if (info->fMask & MIIM_BITMAP) it.bitmap = info->hbmpItem;
    if (byPosition) {
        size_t at = item == static_cast<UINT>(-1) ? m->items.size() : std::min<size_t>(item, m->items.size());
        m->items.insert(m->items.begin() + static_cast<std::ptrdiff_t>(at), std::move(it));
        return TRUE;
    }
    HMENU owner = nullptr;
    int pos = 0;
    if (!FindMenuItem(menu, item, MF_BYCOMMAND, &owner, &pos)) return FALSE;
    Menu* target = MenuFromHandle(owner);
    target->items.insert(target->items.begin() + pos, std::move(it));
    return TRUE;
}

BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCSTR text) {
    MenuItem* it = FindMenuItem(menu, position, flags);
    if (!it) return FALSE;
    MenuItem replacement;
    if (!ItemFromFlags(flags, idNewItem, text, &replacement)) return FALSE;
    if (replacement.subMenu && ContainsMenu(replacement.subMenu, menu)) return FALSE;
    // A sub-menu replaced by something else is destroyed, as the classic call does.
    if (it->subMenu && it->subMenu != replacement.subMenu) DestroyMenu(it->subMenu);
    *it = std::move(replacement);
    return TRUE;
}

static BOOL RemoveOrDelete(HMENU menu, UINT position, UINT flags, bool destroySub) {
    HMENU owner = nullptr;
    int pos = 0;
    MenuItem* it = FindMenuItem(menu, position, flags, &owner, &pos);
    if (!it) return FALSE;
    HMENU sub = it->subMenu;
    Menu* m = MenuFromHandle(owner);
    m->items.erase(m->items.begin() + pos);
    if (sub && destroySub) DestroyMenu(sub);
    return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return RemoveOrDelete(menu, position, flags, false); }
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return RemoveOrDelete(menu, position, flags, true); }

HMENU GetSubMenu(HMENU menu, int position) {
    Menu* m = MenuFromHandle(menu);
    if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return nullptr;
    return m->items[static_cast<size_t>(position)].subMenu;
}

int GetMenuItemCount(HMENU menu) {
    Menu* m = MenuFromHandle(menu);
    return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
    Menu* m = MenuFromHandle(menu);
    if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return static_cast<UINT>(-1);
    const MenuItem& it = m->items[static_cast<size_t>(position)];
    return it.subMenu ? static_cast<UINT>(-1) : it.id;
}

BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFO info) {
    if (!info) return FALSE;
    MenuItem* it = FindMenuItem(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    if (!it) return FALSE;
    if (info->fMask & (MIIM_FTYPE | MIIM_TYPE)) info->fType = it->type;
    if (info->fMask & MIIM_STATE) info->fState = it->state;
    if (info->fMask & MIIM_ID) info->wID = it->id;
    if (info->fMask & MIIM_SUBMENU) info->hSubMenu = it->subMenu;
    if (info->fMask & MIIM_DATA) info->dwItemData = it->data;
    if (info->fMask & MIIM_BITMAP) info->hbmpItem = it->bitmap;
    if (info->fMask & (MIIM_STRING | MIIM_TYPE)) {
        UINT len = static_cast<UINT>(it->text.size());
        if (info->dwTypeData && info->cch > 0) {
            UINT n = std::min(len, info->cch - 1);
            std::memcpy(info->dwTypeData, it->text.data(), n);
            info->dwTypeData[n] = 0;
            info->cch = n;
        } else {
            info->cch = len;
        }
    }
    return TRUE;
}

BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFO info) {
    if (!info) return FALSE;
    MenuItem* it = FindMenuItem(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    if (!it) return FALSE;
    if ((info->fMask & MIIM_SUBMENU) && info->hSubMenu &&
        (!MenuFromHandle(info->hSubMenu) || ContainsMenu(info->hSubMenu, menu)))
        return FALSE;
    if (info->fMask & (MIIM_FTYPE | MIIM_TYPE)) it->type = info->fType;
    if (info->fMask & MIIM_STATE) it->state = info->fState;
    if (info->fMask & MIIM_ID) it->id = info->wID;
    if (info->fMask & MIIM_SUBMENU) it->subMenu = info->hSubMenu;
    if (info->fMask & MIIM_DATA) it->data = info->dwItemData;
    if (info->fMask & MIIM_BITMAP) it->bitmap = info->hbmpItem;
    if ((info->fMask & MIIM_STRING) || ((info->fMask & MIIM_TYPE) && !(info->fType & (MFT_SEPARATOR | MFT_BITMAP))))
        it->text = info->dwTypeData ? info->dwTypeData : "";
    return TRUE;
}

int GetMenuString(HMENU menu, UINT item, LPSTR buffer, int capacity, UINT flags) {
    MenuItem* it = FindMenuItem(menu, item, flags);
    if (!it) return 0;
    int len = static_cast<int>(it->text.size());
    if (!buffer || capacity <= 0) return len;
    int n = std::min(len, capacity - 1);
    std::memcpy(buffer, it->text.data(), static_cast<size_t>(n));
    buffer[n] = 0;
    return n;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    MenuItem* it = FindMenuItem(menu, item, flags);
    return it ? ClassicState(*it) : static_cast<UINT>(-1);
}

DWORD EnableMenuItem(HMENU menu, UINT item, UINT enable) {
    MenuItem* it = FindMenuItem(menu, item, enable & MF_BYPOSITION);
    if (!it) return static_cast<DWORD>(-1);
    DWORD previous = it->state & MFS_DISABLED;
    it->state = (it->state & ~MFS_DISABLED) | (enable & (MF_GRAYED | MF_DISABLED));
    return previous;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
    MenuItem* it = FindMenuItem(menu, item, check & MF_BYPOSITION);
    if (!it) return static_cast<DWORD>(-1);
    DWORD previous = it->state & MF_CHECKED;
    it->state = (it->state & ~MF_CHECKED) | (check & MF_CHECKED);
    return previous;
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
    Menu* m = MenuFromHandle(menu);
    if (!m) return FALSE;
    if (flags & MF_BYPOSITION) {
        if (first > last || last >= m->items.size() || check < first || check > last) return FALSE;
        for (UINT i = first; i <= last; ++i) {
            MenuItem& it = m->items[i];
            if (it.IsSeparator()) continue;
            if (i == check) {
                it.state |= MFS_CHECKED;
                it.type |= MFT_RADIOCHECK;
            } else {
                it.state &= ~MFS_CHECKED;
            }
        }
        return TRUE;
    }
    // By command: the range is searched in the menu (and its sub-menus) that holds the checked item.
    HMENU owner = nullptr;
    if (!FindMenuItem(menu, check, MF_BYCOMMAND, &owner) || first > last || check < first || check > last)
        return FALSE;
    Menu* target = MenuFromHandle(owner);
    for (MenuItem& it : target->items) {
        if (it.subMenu || it.IsSeparator() || it.id < first || it.id > last) continue;
        if (it.id == check) {
            it.state |= MFS_CHECKED;
            it.type |= MFT_RADIOCHECK;
        } else {
            it.state &= ~MFS_CHECKED;
        }
    }
    return TRUE;
}

HMENU LoadMenuIndirect(const MenuTemplate* tmpl) {
    if (!tmpl || !tmpl->items || tmpl->count <= 0) return nullptr;
    HMENU root = CreateMenu();
    std::vector<HMENU> stack{root};
    int i = 0;
    for (; i < tmpl->count && !stack.empty(); ++i) {
        const MenuTemplateItem& t = tmpl->items[i];
        HMENU current = stack.back();
        UINT flags = t.flags & ~(MF_END | MF_POPUP);
        if (t.flags & MF_POPUP) {
            HMENU sub = CreatePopupMenu();
            AppendMenu(current, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), t.text);
            if (t.flags & MF_END) stack.back() = nullptr; // this level ends after the sub-menu
            stack.push_back(sub);
            continue;
        }
        AppendMenu(current, flags, t.id, t.text);
        if (t.flags & MF_END) {
            stack.pop_back();
            // Close every level whose last item was the sub-menu that just ended.
            while (!stack.empty() && stack.back() == nullptr) stack.pop_back();
        }
    }
    if (i != tmpl->count || !stack.empty()) {
        // A template without matching MF_END marks is malformed: refuse it whole.
        DestroyMenu(root);
        return nullptr;
    }
    return root;
}

} // namespace win

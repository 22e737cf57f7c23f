// Module resource tables: menu and dialog templates registered by numeric id, and LoadMenu.
#include <map>
#include <utility>

#include "win/controls.h"

namespace win {

namespace {

using Key = std::pair<HINSTANCE, int>;

std::map<Key, const MenuTemplate*>& MenuTable() {
    // Never destroyed: modules unregister from their unload functions, which may run after
    // this library's static destructors at process exit.
    static auto* table = new std::map<Key, const MenuTemplate*>;
    return *table;
}

std::map<Key, const DialogTemplate*>& DialogTable() {
    static auto* table = new std::map<Key, const DialogTemplate*>;
    return *table;
}

// Only numeric names (MAKEINTRESOURCE) are used by this system.
bool NumericName(LPCSTR name, int* id) {
    auto value = reinterpret_cast<ULONG_PTR>(name);
    if (value == 0 || value > 0xFFFF) return false;
    *id = static_cast<int>(value);
    return true;
}

} // namespace

BOOL RegisterMenuResource(HINSTANCE module, int id, const MenuTemplate* tmpl) {
    if (!tmpl || id <= 0 || id > 0xFFFF) return FALSE;
    MenuTable()[{module, id}] = tmpl;
    return TRUE;
}

BOOL RegisterDialogResource(HINSTANCE module, int id, const DialogTemplate* tmpl) {
    if (!tmpl || id <= 0 || id > 0xFFFF) return FALSE;
    DialogTable()[{module, id}] = tmpl;
    return TRUE;
}

void UnregisterModuleResources(HINSTANCE module) {
    std::erase_if(MenuTable(), [&](const auto& e) { return e.first.first == module; });
    std::erase_if(DialogTable(), [&](const auto& e) { return e.first.first == module; });
}

const DialogTemplate* FindDialogResource(HINSTANCE module, LPCSTR name) {
    int id = 0;
    if (!NumericName(name, &id)) return nullptr;
    auto it = DialogTable().find({module, id});
    return it == DialogTable().end() ? nullptr : it->second;
}

HMENU LoadMenu(HINSTANCE module, LPCSTR name) {
    int id = 0;
    if (!NumericName(name, &id)) return nullptr;
    auto it = MenuTable().find({module, id});
    return it == MenuTable().end() ? nullptr : LoadMenuIndirect(it->second);
}

} // namespace win

// Cursors: system cursors by id, cursor images registered by modules, the current pointer shape.
#include "internal.h"

#include <set>

namespace win {
namespace core {
namespace {

struct CursorObject {
    UINT systemId = 0;
    int width = 0;
    int height = 0;
    int hotX = 0;
    int hotY = 0;
    std::vector<std::uint32_t> pixels;
    bool shared = false; // system and registered cursors outlive DestroyCursor
};

struct CursorTables {
    std::set<CursorObject*> live;
    std::map<UINT, CursorObject*> system;
    std::map<std::pair<HINSTANCE, UINT>, CursorObject*> registered;
};

CursorTables& Tables() {
    static auto* t = new CursorTables;
    return *t;
}

CursorObject* FromHandle(HCURSOR h) {
    auto* c = reinterpret_cast<CursorObject*>(h);
    return Tables().live.count(c) ? c : nullptr;
}

bool IsSystemCursorId(UINT id) {
    return (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32646) || (id >= 32648 && id <= 32651);
}

CursorObject* MakeImage(int width, int height, int hotX, int hotY, const std::uint32_t* bgra) {
    if (width <= 0 || height <= 0 || width > 256 || height > 256 || !bgra) return nullptr;
    auto* c = new CursorObject;
    c->width = width;
    c->height = height;
    c->hotX = std::clamp(hotX, 0, width - 1);
    c->hotY = std::clamp(hotY, 0, height - 1);
    c->pixels.assign(bgra, bgra + static_cast<std::size_t>(width) * height);
    Tables().live.insert(c);
    return c;
}

void Forget(CursorObject* c) {
    auto& g = G();
    if (g.cursor == reinterpret_cast<HCURSOR>(c)) {
        g.cursor = nullptr;
        backend::Current().CursorChanged(nullptr);
    }
    Tables().live.erase(c);
    delete c;
}

} // namespace
} // namespace core

using namespace core;

HCURSOR LoadCursor(HINSTANCE instance, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) return nullptr;
    UINT id = static_cast<UINT>(reinterpret_cast<UINT_PTR>(name));
    auto& t = Tables();
    if (!instance) {
        if (!IsSystemCursorId(id)) return nullptr;
        auto it = t.system.find(id);
        if (it != t.system.end()) return reinterpret_cast<HCURSOR>(it->second);
        auto* c = new CursorObject;
        c->systemId = id;
        c->shared = true;
        t.live.insert(c);
        t.system[id] = c;
        return reinterpret_cast<HCURSOR>(c);
    }
    auto it = t.registered.find({instance, id});
    return it == t.registered.end() ? nullptr : reinterpret_cast<HCURSOR>(it->second);
}

HCURSOR SetCursor(HCURSOR cursor) {
    auto& g = G();
    if (cursor && !FromHandle(cursor)) return nullptr;
    HCURSOR old = g.cursor;
    if (old != cursor) {
        g.cursor = cursor;
        backend::Current().CursorChanged(cursor);
    }
    return old;
}

HCURSOR GetCursor() { return G().cursor; }

int ShowCursor(BOOL show) {
    auto& g = G();
    g.cursorShowCount += show ? 1 : -1;
    return g.cursorShowCount;
}

BOOL DestroyCursor(HCURSOR cursor) {
    CursorObject* c = FromHandle(cursor);
    if (!c) return FALSE;
    if (!c->shared) Forget(c);
    return TRUE;
}

HCURSOR CreateCursorFromPixels(int width, int height, int hotX, int hotY, const std::uint32_t* bgra) {
    return reinterpret_cast<HCURSOR>(MakeImage(width, height, hotX, hotY, bgra));
}

BOOL RegisterCursorResource(HINSTANCE instance, UINT id, int width, int height, int hotX, int hotY,
                            const std::uint32_t* bgra) {
    if (!instance || id == 0 || id > 0xFFFF) return FALSE;
    CursorObject* c = MakeImage(width, height, hotX, hotY, bgra);
    if (!c) return FALSE;
    c->shared = true;
    auto& t = Tables();
    auto it = t.registered.find({instance, id});
    if (it != t.registered.end()) Forget(it->second);
    t.registered[{instance, id}] = c;
    return TRUE;
}

void UnregisterCursorResources(HINSTANCE instance) {
    auto& t = Tables();
    for (auto it = t.registered.begin(); it != t.registered.end();) {
        if (it->first.first == instance) {
            Forget(it->second);
            it = t.registered.erase(it);
        } else {
            ++it;
        }
    }
}

bool backend::QueryCursorImage(HCURSOR cursor, CursorImage* out) {
    CursorObject* c = FromHandle(cursor);
    if (!c || !out) return false;
    *out = CursorImage{c->systemId, c->width, c->height, c->hotX, c->hotY,
                       c->pixels.empty() ? nullptr : c->pixels.data()};
    return true;
}

} // namespace win

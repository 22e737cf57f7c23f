// Process-wide task memory, 32-bit task-memory handles, and global memory blocks.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "win/com.h"

namespace win {

void* CoTaskMemAlloc(std::size_t cb) noexcept { return std::malloc(cb ? cb : 1); }


void CoTaskMemFree(void* pv) noexcept { std::free(pv); }

namespace {

struct HandleBlock {
    void* data;
    std::size_t size;
};

struct HandleTable {
    std::mutex lock;
    std::unordered_map<DWORD, HandleBlock> blocks;
    DWORD next = 1;
};

HandleTable& Handles() {
    static HandleTable* table = new HandleTable; // outlives every static destructor that may free
    return *table;
}

struct GlobalBlock {
    std::size_t size;
    UINT lockCount;
    unsigned char* data;
};

struct GlobalTable {
    std::mutex lock;
    std::unordered_set<GlobalBlock*> live;
};

GlobalTable& Globals() {
    static GlobalTable* table = new GlobalTable;
    return *table;
}

} // namespace

DWORD CoTaskMemAllocHandle(std::size_t cb) noexcept {
    void* data = CoTaskMemAlloc(cb);
    if (!data) return 0;
    HandleTable& t = Handles();
    std::lock_guard<std::mutex> guard(t.lock);
    if (t.blocks.size() >= 0xFFFFFFF0u) {
        CoTaskMemFree(data);
        return 0;
    }
    // Handles wrap around after 2^32 allocations; skip 0 and any still in use.
    while (t.next == 0 || t.blocks.count(t.next)) ++t.next;
    DWORD h = t.next++;
    try {
        t.blocks.emplace(h, HandleBlock{data, cb});
    } catch (...) {
        CoTaskMemFree(data);
        return 0;
    }
    return h;
}

void* CoTaskMemHandlePtr(DWORD handle) noexcept {
    if (!handle) return nullptr;
    HandleTable& t = Handles();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.blocks.find(handle);
    return it == t.blocks.end() ? nullptr : it->second.data;
}

std::size_t CoTaskMemHandleSize(DWORD handle) noexcept {
    if (!handle) return 0;
    HandleTable& t = Handles();
    std::lock_guard<std::mutex> guard(t.lock);
    auto it = t.blocks.find(handle);
    return it == t.blocks.end() ? 0 : it->second.size;
}

void CoTaskMemFreeHandle(DWORD handle) noexcept {
    if (!handle) return;
    void* data = nullptr;
    {
        HandleTable& t = Handles();
        std::lock_guard<std::mutex> guard(t.lock);
        auto it = t.blocks.find(handle);
        if (it == t.blocks.end()) return;
        data = it->second.data;
        t.blocks.erase(it);
    }
    CoTaskMemFree(data);
}

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) noexcept {
    auto* block = static_cast<GlobalBlock*>(std::malloc(sizeof(GlobalBlock)));
    if (!block) return nullptr;
    block->data = static_cast<unsigned char*>(std::malloc(bytes ? bytes : 1));
    if (!block->data) {
        std::free(block);
        return nullptr;
    }
    if (flags & GMEM_ZEROINIT) std::memset(block->data, 0, bytes ? bytes : 1);
    block->size = bytes;
    block->lockCount = 0;
    GlobalTable& t = Globals();
    std::lock_guard<std::mutex> guard(t.lock);
    try {
        t.live.insert(block);
    } catch (...) {
        std::free(block->data);
        std::free(block);
        return nullptr;
    }
    return block;
}

void* GlobalLock(HGLOBAL mem) noexcept {
    GlobalTable& t = Globals();
    std::lock_guard<std::mutex> guard(t.lock);
    auto* block = static_cast<GlobalBlock*>(mem);
    if (!t.live.count(block)) return nullptr;
    ++block->lockCount;
    return block->data;
}

BOOL GlobalUnlock(HGLOBAL mem) noexcept {
    GlobalTable& t = Globals();
    std::lock_guard<std::mutex> guard(t.lock);
    auto* block = static_cast<GlobalBlock*>(mem);
    if (!t.live.count(block) || block->lockCount == 0) return FALSE;
    return --block->lockCount > 0 ? TRUE : FALSE;
}

std::size_t GlobalSize(HGLOBAL mem) noexcept {
    GlobalTable& t = Globals();
    std::lock_guard<std::mutex> guard(t.lock);
    auto* block = static_cast<GlobalBlock*>(mem);
    return t.live.count(block) ? block->size : 0;
}

HGLOBAL GlobalFree(HGLOBAL mem) noexcept {
    if (!mem) return nullptr;
    GlobalTable& t = Globals();
    auto* block = static_cast<GlobalBlock*>(mem);
    {
        std::lock_guard<std::mutex> guard(t.lock);
        if (!t.live.erase(block)) return mem;
    }
    std::free(block->data);
    std::free(block);
    return nullptr;
}

// Lets a memory stream grow its block: returns the new data pointer, or null (block unchanged).
void* GlobalReAllocData(HGLOBAL mem, std::size_t bytes) noexcept {
    GlobalTable& t = Globals();
    std::lock_guard<std::mutex> guard(t.lock);
    auto* block = static_cast<GlobalBlock*>(mem);
    if (!t.live.count(block)) return nullptr;
    // Moving a locked block would leave its holder with a dangling pointer.
    if (block->lockCount > 0) return nullptr;
    void* grown = std::realloc(block->data, bytes ? bytes : 1);
    if (!grown) return nullptr;
    block->data = static_cast<unsigned char*>(grown);
    block->size = bytes;
    return grown;
}

} // namespace win

// VorList: creation, growth, insertion, deletion, searches, sorting and the list's guards.
#include "vor/list.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

using win::E_FAIL;
using win::E_OUTOFMEMORY;
using win::E_POINTER;
using win::HRESULT;
using win::S_OK;

// The private heap: every block it handed out is released with the list.
struct VorListHeap {
    std::unordered_map<void*, std::size_t> blocks;
};

namespace {

constexpr std::uint32_t kHeapZeroMemory = 0x8;

bool IsOwning(const VORLIST* list) {
    return (list->options & VORLIST_POINTER_ITEMS) != 0;
}
bool IsInPlace(const VORLIST* list) {
    return (list->options & VORLIST_INPLACE_ITEMS) != 0;
}

// Holds the list's lock for the duration of an operation when the list asks for it.
class Guard {
  public:
    explicit Guard(VORLIST* list) : list_(list && (list->options & VORLIST_LOCKED) ? list : nullptr) {
        if (list_) pthread_mutex_lock(&list_->lock);
    }
    ~Guard() {
        if (list_) pthread_mutex_unlock(&list_->lock);
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

  private:
    VORLIST* list_;
};

// A live list that the calling thread may use.
bool Usable(const VORLIST* list) {
    if (!list || list->mark != VORLIST_MARK) return false;
    return (list->options & VORLIST_ANY_THREAD) || pthread_equal(list->creatorThread, pthread_self());
}

void* AllocItem(VORLIST* list, std::size_t size) {
    void* block = std::calloc(1, size ? size : 1);
    if (!block || !list->heap) return block;
    try {
        list->heap->blocks.emplace(block, size);
    } catch (...) {
        std::free(block);
        return nullptr;
    }
    return block;
}

void FreeItem(VORLIST* list, void* item) {
    if (!item) return;
    if (list->heap) {
        // A pointer the heap did not hand out is not ours to free.
        if (list->heap->blocks.erase(item) == 0) return;
    }
    std::free(item);
}

std::uint8_t* Entry(VORLIST* list, std::int32_t index) {
    return list->items + static_cast<std::size_t>(index) * list->stride;
}

void* ItemAt(VORLIST* list, std::int32_t index) {
    std::uint8_t* entry = Entry(list, index);
    if (IsInPlace(list)) return entry;
    void* stored;
    std::memcpy(&stored, entry, sizeof stored);
    return stored;
}

std::int64_t RoundUp(std::int64_t value, std::int64_t step) {
    return (value + step - 1) / step * step;
}

// Makes room for `needed` entries, growing by whole growth steps; false when out of memory.
bool Reserve(VORLIST* list, std::int64_t needed) {
    if (needed <= list->allocated) return true;
    std::int64_t target = RoundUp(needed, list->growthStep);
    if (target > INT32_MAX) return false;
    std::size_t oldBytes = static_cast<std::size_t>(list->allocated) * list->stride;
    std::size_t newBytes = static_cast<std::size_t>(target) * list->stride;
    auto* grown = static_cast<std::uint8_t*>(std::realloc(list->items, newBytes));
    if (!grown) return false;
    std::memset(grown + oldBytes, 0, newBytes - oldBytes);
    list->items = grown;
    list->allocated = static_cast<std::int32_t>(target);
    return true;
}

// Opens a gap of n entries at index (0 <= index <= count) after Reserve succeeded.
void OpenGap(VORLIST* list, std::int32_t index, std::int32_t n) {
    std::size_t tail = static_cast<std::size_t>(list->count - index) * list->stride;
    std::memmove(Entry(list, index + n), Entry(list, index), tail);
    list->count += n;
}

} // namespace

HRESULT VorList_CreateExZ(VORLIST** out, std::int32_t itemSize, std::int32_t initialCount,
                          std::int32_t growthStep, std::uint32_t options, VORLIST* header) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if ((options & VORLIST_POINTER_ITEMS) && (options & VORLIST_INPLACE_ITEMS)) return E_FAIL;
    if ((options & VORLIST_CALLER_HEADER) && !header) return E_FAIL;
    if ((options & VORLIST_INPLACE_ITEMS) && itemSize <= 0) return E_FAIL;
    if (itemSize < 0) return E_FAIL;

    std::int32_t growth = growthStep <= 0 ? 16 : growthStep;
    growth = std::clamp<std::int32_t>(growth, 4, 0x10400);
    std::int64_t initial = initialCount <= 0 ? 16 : initialCount;
    initial = RoundUp(std::max<std::int64_t>(initial, 4), growth);
    std::uint32_t stride = (options & VORLIST_INPLACE_ITEMS)
                               ? static_cast<std::uint32_t>(RoundUp(itemSize, 4))
                               : static_cast<std::uint32_t>(sizeof(void*));
    if (initial > INT32_MAX) return E_OUTOFMEMORY;

    auto* items = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(initial), stride));
    if (!items) return E_OUTOFMEMORY;
    VorListHeap* heap = nullptr;
    if (options & VORLIST_PRIVATE_HEAP) {
        heap = new (std::nothrow) VorListHeap;
        if (!heap) {
            std::free(items);
            return E_OUTOFMEMORY;
        }
    }
    VORLIST* list =
        (options & VORLIST_CALLER_HEADER) ? header : static_cast<VORLIST*>(std::calloc(1, sizeof(VORLIST)));
    if (!list) {
        delete heap;
        std::free(items);
        return E_OUTOFMEMORY;
    }
    std::memset(static_cast<void*>(list), 0, sizeof *list);
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&list->lock, &attr);
    pthread_mutexattr_destroy(&attr);

    list->stride = stride;
    list->items = items;
    list->options = options | VORLIST_ANY_THREAD;
    list->creatorThread = pthread_self();
    list->allocated = static_cast<std::int32_t>(initial);
    list->growthStep = growth;
    list->heap = heap;
    list->heapFlags = heap ? kHeapZeroMemory : 0;
    list->itemSize = itemSize;
    list->mark = VORLIST_MARK;
    *out = list;
    return S_OK;
}

HRESULT VorList_Destroy(VORLIST* list) {
    if (!list) return S_OK;
    if (!Usable(list)) return E_FAIL;
    {
        Guard guard(list);
        list->mark = 0;
        if (IsOwning(list)) {
            for (std::int32_t i = 0; i < list->count; ++i)
                FreeItem(list, ItemAt(list, i));
        }
        if (list->heap) {
            for (auto& [block, size] : list->heap->blocks)
                std::free(block);
            delete list->heap;
            list->heap = nullptr;
        }
        std::free(list->items);
        list->items = nullptr;
        list->count = 0;
        list->allocated = 0;
    }
    pthread_mutex_destroy(&list->lock);
    if (!(list->options & VORLIST_CALLER_HEADER)) std::free(list);
    return S_OK;
}

HRESULT VorList_InsertList(VORLIST* list, std::int32_t index, const void* source, std::int32_t count) {
    if (!list) return E_POINTER;
    if (!Usable(list)) return E_FAIL;
    Guard guard(list);
    if (count == 0) return S_OK;
    if (index < 0 || index >= list->count) index = list->count;

    if (IsInPlace(list)) {
        if (count < 0) return E_FAIL;
        if (!Reserve(list, static_cast<std::int64_t>(list->count) + count)) return E_OUTOFMEMORY;
        OpenGap(list, index, count);
        std::size_t bytes = static_cast<std::size_t>(count) * list->stride;
        if (source) {
            std::memcpy(Entry(list, index), source, bytes);
        } else {
            std::memset(Entry(list, index), 0, bytes);
        }
        return S_OK;
    }

    bool copies = count > 0 && IsOwning(list);
    std::int32_t n = count < 0 ? -count : count;
    if (count == INT32_MIN) return E_FAIL;
    if (!source && !copies) return E_POINTER;
    if (copies && list->itemSize <= 0) return E_FAIL;

    std::vector<void*> pointers;
    try {
        pointers.resize(static_cast<std::size_t>(n));
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    if (copies) {
        for (std::int32_t i = 0; i < n; ++i) {
            pointers[i] = AllocItem(list, static_cast<std::size_t>(list->itemSize));
            if (!pointers[i]) {
                for (std::int32_t j = 0; j < i; ++j)
                    FreeItem(list, pointers[j]);
                return E_OUTOFMEMORY;
            }
            if (source) {
                std::memcpy(pointers[i],
                            static_cast<const std::uint8_t*>(source) + std::size_t(i) * list->itemSize,
                            static_cast<std::size_t>(list->itemSize));
            }
        }
    } else {
        std::memcpy(pointers.data(), source, pointers.size() * sizeof(void*));
    }
    if (!Reserve(list, static_cast<std::int64_t>(list->count) + n)) {
        if (copies) {
            for (void* p : pointers)
                FreeItem(list, p);
        }
        return E_OUTOFMEMORY;
    }
    OpenGap(list, index, n);
    std::memcpy(Entry(list, index), pointers.data(), pointers.size() * sizeof(void*));
    return S_OK;
}

HRESULT VorList_AllocAndInsertItem(VORLIST* list, const void* source, std::int32_t size, std::int32_t index,
                                   void** item) {
    if (item) *item = nullptr;
    if (!list) return E_POINTER;
    if (!Usable(list)) return E_FAIL;
    Guard guard(list);
    if (!IsOwning(list) || size <= 0) return E_FAIL;
    void* block = AllocItem(list, static_cast<std::size_t>(size));
    if (!block) return E_OUTOFMEMORY;
    if (source) std::memcpy(block, source, static_cast<std::size_t>(size));
    if (!Reserve(list, static_cast<std::int64_t>(list->count) + 1)) {
        FreeItem(list, block);
        return E_OUTOFMEMORY;
    }
    if (index < 0 || index >= list->count) index = list->count;
    OpenGap(list, index, 1);
    std::memcpy(Entry(list, index), &block, sizeof block);
    if (item) *item = block;
    return S_OK;
}

HRESULT VorList_DeleteList(VORLIST* list, std::int32_t first, std::int32_t count, win::BOOL shrink) {
    if (!list) return E_POINTER;
    if (!Usable(list)) return E_FAIL;
    Guard guard(list);
    if (first < 0 || first >= list->count) return E_FAIL;
    if (count == 0) return S_OK;
    std::int32_t available = list->count - first;
    if (count < 0 || count > available) count = available;

    if (IsOwning(list)) {
        for (std::int32_t i = first; i < first + count; ++i)
            FreeItem(list, ItemAt(list, i));
    }
    std::size_t tail = static_cast<std::size_t>(list->count - first - count) * list->stride;
    std::memmove(Entry(list, first), Entry(list, first + count), tail);
    list->count -= count;
    std::memset(Entry(list, list->count), 0, static_cast<std::size_t>(count) * list->stride);

    if (shrink && list->allocated - list->count > list->growthStep) {
        std::int64_t target =
            std::max<std::int64_t>(RoundUp(list->count, list->growthStep), list->growthStep);
        auto* smaller = static_cast<std::uint8_t*>(
            std::realloc(list->items, static_cast<std::size_t>(target) * list->stride));
        // A failed shrink keeps the larger storage, which is still valid.
        if (smaller) {
            list->items = smaller;
            list->allocated = static_cast<std::int32_t>(target);
        }
    }
    return S_OK;
}

std::int32_t VorList_FindItemRange(VORLIST* list, std::int32_t first, std::int32_t count, const void* key,
                                   VorListPredicate predicate) {
    if (!predicate || !Usable(list)) return -1;
    Guard guard(list);
    if (first < 0 || first >= list->count) return -1;
    std::int32_t end = (count < 0 || count > list->count - first) ? list->count : first + count;
    for (std::int32_t i = first; i < end; ++i) {
        if (predicate(key, ItemAt(list, i)) == 0) return i;
    }
    return -1;
}

std::int32_t VorList_FindSortedInsertIndexRange(VORLIST* list, const void* key, std::int32_t first,
                                                std::int32_t count, VorListKeyComparator comparator) {
    if (!comparator || !Usable(list)) return -1;
    Guard guard(list);
    if (first < 0 || first > list->count) return -1;
    std::int32_t low = first;
    std::int32_t high = (count < 0 || count > list->count - first) ? list->count : first + count;
    while (low < high) {
        std::int32_t mid = low + (high - low) / 2;
        int order = comparator(list->sortContext, key, ItemAt(list, mid));
        if (order == 0) return mid;
        if (order < 0) {
            high = mid;
        } else {
            low = mid + 1;
        }
    }
    return low;
}

HRESULT VorList_Sort(VORLIST* list, std::uint32_t sortContext, VorListComparator comparator) {
    if (!list) return E_POINTER;
    if (!Usable(list)) return E_FAIL;
    Guard guard(list);
    list->sortContext = sortContext;
    if (!comparator || list->count < 2) return S_OK;

    // The result equals moving the largest remaining item to the end again and again (later of equal
    // items last), done in n log n: a stable sort on positions, then one permutation.
    std::size_t n = static_cast<std::size_t>(list->count);
    std::vector<std::int32_t> order;
    std::uint8_t* sorted = nullptr;
    try {
        order.resize(n);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    sorted =
        static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(list->allocated) * list->stride));
    if (!sorted) return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < n; ++i)
        order[i] = static_cast<std::int32_t>(i);
    std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) {
        return comparator(sortContext, ItemAt(list, b), ItemAt(list, a)) > 0;
    });
    for (std::size_t i = 0; i < n; ++i) {
        std::memcpy(sorted + i * list->stride, Entry(list, order[i]), list->stride);
    }
    std::memset(sorted + n * list->stride, 0, (static_cast<std::size_t>(list->allocated) - n) * list->stride);
    std::free(list->items);
    list->items = sorted;
    return S_OK;
}

std::uint32_t VorList_GetCreateOptions(VORLIST* list) {
    if (!Usable(list)) return 0;
    return list->options;
}

std::uintptr_t VorList_GetUserData(VORLIST* list) {
    if (!Usable(list)) return 0;
    Guard guard(list);
    return list->userData;
}

HRESULT VorList_SetUserData(VORLIST* list, std::uintptr_t userData) {
    if (!list) return E_POINTER;
    if (!Usable(list)) return E_FAIL;
    Guard guard(list);
    list->userData = userData;
    return S_OK;
}

std::uint32_t VorList_GetSortCriteria(VORLIST* list) {
    if (!Usable(list)) return 0;
    Guard guard(list);
    return list->sortContext;
}

win::BOOL VorList_IsList(const VORLIST* list) {
    // Readability of foreign memory cannot be probed portably; a null header is the unreadable case.
    return list && list->mark == VORLIST_MARK && list->items && list->count >= 0 &&
                   list->count <= list->allocated
               ? win::TRUE
               : win::FALSE;
}

win::BOOL VorList_IsListFast(const VORLIST* list) {
    return list && list->mark == VORLIST_MARK ? win::TRUE : win::FALSE;
}

std::int32_t VorList_GetCount(VORLIST* list) {
    if (!Usable(list)) return -1;
    Guard guard(list);
    return list->count;
}

void* VorList_GetItem(VORLIST* list, std::int32_t index) {
    if (!Usable(list)) return nullptr;
    Guard guard(list);
    if (index < 0 || index >= list->count) return nullptr;
    return ItemAt(list, index);
}

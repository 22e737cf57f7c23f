// VorList: the growable array of fixed-size items (in place or by pointer) behind every collection.
#pragma once

#include <pthread.h>

#include <cstdint>

#include "win/com.h"

// Creation options.
enum : std::uint32_t {
    VORLIST_POINTER_ITEMS = 0x2,       // items allocated separately (zero-filled); deleting frees them
    VORLIST_INPLACE_ITEMS = 0x4,       // the storage holds the items; stride = size rounded up to 4
    VORLIST_CALLER_HEADER = 0x8,       // the caller supplies the header and frees it
    VORLIST_PRIVATE_HEAP = 0x10000000, // pointer items come from the list's own heap
    VORLIST_ANY_THREAD = 0x40000000,   // any thread may use the list (creation always adds it)
    VORLIST_LOCKED = 0x80000000,       // every operation holds the list's lock
};

constexpr std::uint32_t VORLIST_MARK = 0x54525543;

struct VorListHeap;

// The list header, in the library's declaration order. Fields are read through the functions
// below; the header is public so that callers can supply its memory (VORLIST_CALLER_HEADER).
struct VORLIST {
    std::int32_t count;
    std::uint32_t stride; // bytes per stored entry (item, or pointer for pointer lists)
    std::uint8_t* items;
    pthread_mutex_t lock; // recursive
    std::uint32_t mark;   // VORLIST_MARK while the list is alive
    std::uint32_t options;
    std::uintptr_t userData;
    std::uint32_t sortContext;
    pthread_t creatorThread;
    std::int32_t allocated; // entries the storage has room for
    std::int32_t growthStep;
    VorListHeap* heap; // VORLIST_PRIVATE_HEAP only
    std::uint32_t heapFlags;
    std::int32_t itemSize; // size given at creation: the size of pointer items
    void* pendingItem;
};

// Predicate of the searches: 0 when the item matches the key.
using VorListPredicate = int (*)(const void* key, const void* item);
// Comparator of the sorted search: negative when the key comes before the item.
using VorListKeyComparator = int (*)(std::uint32_t sortContext, const void* key, const void* item);
// Comparator of sorting: positive when a comes after b.
using VorListComparator = int (*)(std::uint32_t sortContext, const void* a, const void* b);

// Items are handed to callbacks by address for in-place lists and as the stored pointer otherwise.
//
// Thread rule: a list whose options lack VORLIST_ANY_THREAD refuses calls from threads other than
// its creator (E_FAIL, or -1 from the searches). Every function accepts a null or dead list with
// E_POINTER / E_FAIL / -1 rather than touching it.

// Creates a list. growthStep <= 0 -> 16, then limited to 4..0x10400; initialCount <= 0 -> 16, at least
// 4, rounded up to a multiple of the growth step. `header` is required with VORLIST_CALLER_HEADER and
// ignored otherwise. E_POINTER for a null `list`; E_FAIL for 0x2 with 0x4, a missing caller header, or
// an in-place list with itemSize <= 0; E_OUTOFMEMORY.
win::HRESULT VorList_CreateExZ(VORLIST** list, std::int32_t itemSize, std::int32_t initialCount,
                               std::int32_t growthStep, std::uint32_t options, VORLIST* header = nullptr);
// Frees owned pointer items, the storage and (unless caller-supplied) the header. Null is accepted.
win::HRESULT VorList_Destroy(VORLIST* list);

// In-place lists: copies `count` items laid out at the list's stride from `source` (null: zero-filled
// items) to `index`; index < 0 or >= count appends. Pointer lists: count = -n inserts n pointers from
// the pointer array `source`; count = n > 0 allocates n zero-filled items of the creation size, copying
// them from `source` (an array of such items) when it is not null (owning lists only; plain pointer
// lists insert n pointers). Count 0 -> S_OK.
win::HRESULT VorList_InsertList(VORLIST* list, std::int32_t index, const void* source, std::int32_t count);
// Owning pointer lists: allocates one zero-filled item of `size` bytes, copies `size` bytes of `source`
// into it (when not null) and inserts its pointer at `index` (-1 or out of range appends). The new item
// is returned through `item` when that is not null.
win::HRESULT VorList_AllocAndInsertItem(VORLIST* list, const void* source, std::int32_t size,
                                        std::int32_t index, void** item = nullptr);
// Removes `count` items from `first` (count < 0: to the end). E_FAIL when first is out of range.
win::HRESULT VorList_DeleteList(VORLIST* list, std::int32_t first, std::int32_t count, win::BOOL shrink);

// Index of the first item in the range for which predicate(key, item) == 0, else -1.
std::int32_t VorList_FindItemRange(VORLIST* list, std::int32_t first, std::int32_t count, const void* key,
                                   VorListPredicate predicate);
// Binary search: index of an equal item met on the way, else where the key belongs; `first` for an
// empty range; -1 for a bad list, range or comparator.
std::int32_t VorList_FindSortedInsertIndexRange(VORLIST* list, const void* key, std::int32_t first,
                                                std::int32_t count, VorListKeyComparator comparator);
// Stores the sort context and, with a comparator and two or more items, sorts ascending, keeping
// equal items in their order.
win::HRESULT VorList_Sort(VORLIST* list, std::uint32_t sortContext, VorListComparator comparator);

std::uint32_t VorList_GetCreateOptions(VORLIST* list);
std::uintptr_t VorList_GetUserData(VORLIST* list);
win::HRESULT VorList_SetUserData(VORLIST* list, std::uintptr_t userData);
std::uint32_t VorList_GetSortCriteria(VORLIST* list);
win::BOOL VorList_IsList(const VORLIST* list);
win::BOOL VorList_IsListFast(const VORLIST* list);

// Item access: the count (-1 for a bad list), and an item by index (its address for in-place lists,
// the stored pointer otherwise; null out of range).
std::int32_t VorList_GetCount(VORLIST* list);
void* VorList_GetItem(VORLIST* list, std::int32_t index);

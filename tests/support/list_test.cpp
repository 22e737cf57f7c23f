// VorList: creation rules, growth, insertion, deletion, searches, sorting and the guards.
#include "vor/list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <thread>
#include <vector>

namespace {

struct Item {
    std::int32_t key;
    std::int32_t tag;
};

void Append(VORLIST* list, std::int32_t key, std::int32_t tag = 0);
constexpr std::int32_t kItem = sizeof(Item);

// A list made with the given options, holding Items of the given keys.
struct ListPtr {
    VORLIST* list = nullptr;
    ListPtr(std::int32_t itemSize, std::int32_t initial, std::int32_t growth, std::uint32_t options,
            std::initializer_list<std::int32_t> keys = {}) {
        EXPECT_EQ(VorList_CreateExZ(&list, itemSize, initial, growth, options), win::S_OK);
        for (std::int32_t k : keys) Append(list, k);
    }
    ~ListPtr() { VorList_Destroy(list); }
};

std::vector<std::int32_t> Keys(VORLIST* list) {
    std::vector<std::int32_t> keys;
    for (std::int32_t i = 0; i < VorList_GetCount(list); ++i)
        keys.push_back(static_cast<Item*>(VorList_GetItem(list, i))->key);
    return keys;
}

void Append(VORLIST* list, std::int32_t key, std::int32_t tag) {
    Item item{key, tag};
    ASSERT_EQ(VorList_InsertList(list, -1, &item, 1), win::S_OK);
}

int CompareKeyToItem(std::uint32_t, const void* key, const void* item) {
    return *static_cast<const std::int32_t*>(key) - static_cast<const Item*>(item)->key;
}

int CompareItems(std::uint32_t context, const void* a, const void* b) {
    int order = static_cast<const Item*>(a)->key - static_cast<const Item*>(b)->key;
    return context == 1 ? -order : order; // context 1 sorts descending
}

int MatchKey(const void* key, const void* item) {
    return static_cast<const Item*>(item)->key == *static_cast<const std::int32_t*>(key) ? 0 : 1;
}

} // namespace

TEST(VorListCreate, RejectsConflictingOptionsAndMissingHeader) {
    VORLIST* list = reinterpret_cast<VORLIST*>(1);
    EXPECT_EQ(VorList_CreateExZ(&list, 8, 0, 0, 0x6), win::E_FAIL);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(VorList_CreateExZ(&list, 8, 0, 0, 0x8 | 0x4, nullptr), win::E_FAIL);
    EXPECT_EQ(VorList_CreateExZ(&list, 0, 0, 0, 0x4), win::E_FAIL);
    EXPECT_EQ(VorList_CreateExZ(nullptr, 8, 0, 0, 0x4), win::E_POINTER);
}

TEST(VorListCreate, SizesRoomAndStride) {
    struct Case {
        const char* what;
        std::uint32_t itemSize;
        std::int32_t initial, growth;
        std::uint32_t options;
        std::int32_t allocated, growthStep;
        std::uint32_t stride;
    } cases[] = {
        {"defaults; 6 rounded up to a multiple of 4", 6, 0, 0, 0x40000004, 16, 16, 8},
        {"growth clamped up to 4, initial 5 rounded up to 8", 4, 5, 1, 0x4, 8, 4, 4},
        {"initial below 4 raised, growth above the limit lowered", 4, 2, 0x20000, 0x4, 0x10400, 0x10400, 4},
        {"pointer list: room rounded to the growth step", 4, 10, 4, 0x2, 12, 4, sizeof(void*)},
        {"initial 0 means 16 whatever the growth step", 4, 0, 4, 0x4, 16, 4, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ListPtr l(static_cast<std::int32_t>(c.itemSize), c.initial, c.growth, c.options);
        EXPECT_EQ(l.list->allocated, c.allocated);
        EXPECT_EQ((std::tuple{l.list->growthStep, l.list->stride, l.list->count, l.list->mark}),
                  (std::tuple{c.growthStep, c.stride, 0, VORLIST_MARK}));
        // Creation adds the any-thread bit.
        EXPECT_EQ(VorList_GetCreateOptions(l.list), c.options | 0x40000000u);
    }
}

TEST(VorListCreate, CallerHeaderIsUsedAndNotFreed) {
    VORLIST header;
    std::memset(&header, 0xAB, sizeof header);
    VORLIST* list = nullptr;
    ASSERT_EQ(VorList_CreateExZ(&list, 8, 0, 0, 0x8 | 0x4, &header), win::S_OK);
    EXPECT_EQ((std::tuple{list, header.count, VorList_GetUserData(list)}), (std::tuple{&header, 0, 0u}));
    Append(list, 1);
    EXPECT_EQ(VorList_Destroy(list), win::S_OK);
    // The header survives and is no longer a list.
    EXPECT_FALSE(VorList_IsListFast(&header));
    EXPECT_EQ(VorList_GetCount(&header), -1);
    EXPECT_EQ(VorList_InsertList(&header, 0, nullptr, 1), win::E_FAIL);
}

TEST(VorListInsert, GrowsByWholeStepsAndKeepsOrder) {
    ListPtr l(kItem, 4, 4, 0x40000004, {0, 1, 2, 3});
    EXPECT_EQ(l.list->allocated, 4); // exactly full: no growth yet
    Append(l.list, 4);
    EXPECT_EQ(l.list->allocated, 8); // one step
    Item many[9];
    for (int i = 0; i < 9; ++i) many[i] = {100 + i, 0};
    ASSERT_EQ(VorList_InsertList(l.list, 2, many, 9), win::S_OK);
    EXPECT_EQ(l.list->allocated, 16); // 14 items: two more steps
    EXPECT_EQ(Keys(l.list),
              (std::vector<std::int32_t>{0, 1, 100, 101, 102, 103, 104, 105, 106, 107, 108, 2, 3, 4}));
    // Room past the count is zero-filled.
    EXPECT_EQ(std::memcmp(l.list->items + 14 * sizeof(Item), std::vector<char>(2 * sizeof(Item)).data(),
                          2 * sizeof(Item)),
              0);
}

TEST(VorListInsert, OutOfRangeIndexAppendsAndNullSourceZeroFills) {
    ListPtr l(kItem, 0, 0, 0x40000004);
    for (int i = 0; i < 3; ++i) Append(l.list, i + 1, 7);
    Item x{42, 7};
    ASSERT_EQ(VorList_InsertList(l.list, 100, &x, 1), win::S_OK);
    EXPECT_EQ(Keys(l.list), (std::vector<std::int32_t>{1, 2, 3, 42}));
    ASSERT_EQ(VorList_InsertList(l.list, 0, nullptr, 2), win::S_OK);
    EXPECT_EQ(Keys(l.list), (std::vector<std::int32_t>{0, 0, 1, 2, 3, 42}));
    EXPECT_EQ(static_cast<Item*>(VorList_GetItem(l.list, 0))->tag, 0);
    EXPECT_EQ(VorList_InsertList(l.list, 0, &x, 0), win::S_OK);
    EXPECT_EQ(VorList_InsertList(l.list, 0, &x, -1), win::E_FAIL); // pointer-only form
    EXPECT_EQ((std::tuple{VorList_GetCount(l.list), VorList_GetItem(l.list, 6), VorList_GetItem(l.list, -1)}),
              (std::tuple{6, nullptr, nullptr}));
}

TEST(VorListPointers, OwnedItemsAreCopiedAllocatedAndFreed) {
    ListPtr l(kItem, 0, 0, 0x40000002);
    Item two[2] = {{1, 10}, {2, 20}};
    ASSERT_EQ(VorList_InsertList(l.list, -1, two, 2), win::S_OK);
    auto* first = static_cast<Item*>(VorList_GetItem(l.list, 0));
    EXPECT_NE(first, &two[0]);
    EXPECT_EQ(first->tag, 10);

    void* made = nullptr;
    std::int32_t key = 5;
    ASSERT_EQ(VorList_AllocAndInsertItem(l.list, &key, sizeof key, 1, &made), win::S_OK);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(VorList_GetItem(l.list, 1), made);
    EXPECT_EQ(Keys(l.list), (std::vector<std::int32_t>{1, 5, 2}));

    // Pointers handed over with a negative count are owned too (the sanitizer build checks frees).
    void* handed[1] = {std::calloc(1, sizeof(Item))};
    static_cast<Item*>(handed[0])->key = 9;
    ASSERT_EQ(VorList_InsertList(l.list, 0, handed, -1), win::S_OK);
    EXPECT_EQ(Keys(l.list), (std::vector<std::int32_t>{9, 1, 5, 2}));
    ASSERT_EQ(VorList_DeleteList(l.list, 0, 2, win::FALSE), win::S_OK);
    EXPECT_EQ(Keys(l.list), (std::vector<std::int32_t>{5, 2}));
}

TEST(VorListPointers, AllocRulesAndPrivateHeap) {
    ListPtr inPlace(4, 0, 0, 0x4);
    EXPECT_EQ(VorList_AllocAndInsertItem(inPlace.list, nullptr, 4, -1), win::E_FAIL);

    ListPtr heap(16, 0, 0, 0x10000002);
    void* item = nullptr;
    ASSERT_EQ(VorList_AllocAndInsertItem(heap.list, nullptr, 64, -1, &item), win::S_OK);
    EXPECT_EQ(std::memcmp(item, std::vector<char>(64).data(), 64), 0); // zero-filled
    EXPECT_EQ(VorList_AllocAndInsertItem(heap.list, nullptr, 0, -1), win::E_FAIL);
    ASSERT_EQ(VorList_InsertList(heap.list, -1, nullptr, 3), win::S_OK);
    EXPECT_EQ(VorList_GetCount(heap.list), 4);
    // Destroying the list releases every heap block (checked by the sanitizer build).
}

TEST(VorListPointers, PlainPointerListsDoNotOwn) {
    ListPtr l(0, 0, 0, 0);
    Item a{1, 0}, b{2, 0};
    void* pointers[2] = {&a, &b};
    ASSERT_EQ(VorList_InsertList(l.list, -1, pointers, 2), win::S_OK);
    EXPECT_EQ(VorList_GetItem(l.list, 1), &b);
    EXPECT_EQ(VorList_AllocAndInsertItem(l.list, nullptr, 8, -1), win::E_FAIL);
    EXPECT_EQ(VorList_InsertList(l.list, -1, nullptr, 1), win::E_POINTER);
    ASSERT_EQ(VorList_DeleteList(l.list, 0, -1, win::FALSE), win::S_OK); // frees nothing of the stack
    EXPECT_EQ(VorList_GetCount(l.list), 0);
}

TEST(VorListDelete, RangeRulesTailAndShrink) {
    ListPtr l(kItem, 4, 4, 0x40000004, {0, 1, 2, 3, 4});
    EXPECT_EQ((std::tuple{VorList_DeleteList(l.list, 5, 1, win::FALSE), VorList_DeleteList(l.list, -1, 1, win::FALSE),
                          VorList_DeleteList(l.list, 1, 0, win::FALSE), VorList_GetCount(l.list)}),
              (std::tuple{win::E_FAIL, win::E_FAIL, win::S_OK, 5}));
    ASSERT_EQ(VorList_DeleteList(l.list, 2, -1, win::FALSE), win::S_OK);
    EXPECT_EQ(Keys(l.list), (std::vector<std::int32_t>{0, 1}));
    EXPECT_EQ(static_cast<Item*>(static_cast<void*>(l.list->items))[2].key, 0); // freed tail zeroed
    EXPECT_EQ(static_cast<Item*>(static_cast<void*>(l.list->items))[4].key, 0);

    Append(l.list, 2);
    ASSERT_EQ(VorList_DeleteList(l.list, 1, 100, win::FALSE), win::S_OK); // count past the end clamps
    EXPECT_EQ(Keys(l.list), (std::vector<std::int32_t>{0}));

    for (int i = 1; i < 20; ++i) Append(l.list, i);
    EXPECT_EQ(l.list->allocated, 20);
    ASSERT_EQ(VorList_DeleteList(l.list, 5, -1, win::FALSE), win::S_OK);
    EXPECT_EQ(l.list->allocated, 20); // no shrink asked
    ASSERT_EQ(VorList_DeleteList(l.list, 4, 1, win::TRUE), win::S_OK);
    EXPECT_EQ(l.list->allocated, 4); // spare room above one step is given back
    ASSERT_EQ(VorList_DeleteList(l.list, 3, 1, win::TRUE), win::S_OK);
    EXPECT_EQ(l.list->allocated, 4);
    EXPECT_EQ(Keys(l.list), (std::vector<std::int32_t>{0, 1, 2}));
    for (int k : {3, 4}) Append(l.list, k);
    EXPECT_EQ(Keys(l.list), (std::vector<std::int32_t>{0, 1, 2, 3, 4}));
}

TEST(VorListSearch, FindItemRange) {
    ListPtr l(kItem, 0, 0, 0x40000004, {5, 7, 5, 9});
    std::int32_t key = 5;
    EXPECT_EQ(VorList_FindItemRange(l.list, 0, -1, &key, MatchKey), 0);
    EXPECT_EQ(VorList_FindItemRange(l.list, 1, -1, &key, MatchKey), 2);
    EXPECT_EQ(VorList_FindItemRange(l.list, 1, 1, &key, MatchKey), -1); // range excludes index 2
    EXPECT_EQ(VorList_FindItemRange(l.list, 3, 50, &key, MatchKey), -1);
    EXPECT_EQ(VorList_FindItemRange(l.list, 4, -1, &key, MatchKey), -1);
    EXPECT_EQ(VorList_FindItemRange(l.list, 0, -1, &key, nullptr), -1);
}

TEST(VorListSearch, SortedInsertIndex) {
    ListPtr l(kItem, 0, 0, 0x40000004);
    std::int32_t key = 4;
    EXPECT_EQ(VorList_FindSortedInsertIndexRange(l.list, &key, 0, -1, CompareKeyToItem), 0);
    for (int k : {10, 20, 30, 40, 50}) Append(l.list, k);
    auto find = [&](std::int32_t k, std::int32_t first = 0, std::int32_t count = -1) {
        return VorList_FindSortedInsertIndexRange(l.list, &k, first, count, CompareKeyToItem);
    };
    EXPECT_EQ((std::tuple{find(5), find(10), find(30), find(35), find(50)}), (std::tuple{0, 0, 2, 3, 4}));
    EXPECT_EQ(find(99), 5); // larger than every item: the count
    EXPECT_EQ(find(99, 1, 2), 3);
    EXPECT_EQ(find(5, 2, 0), 2); // empty range: first
    EXPECT_EQ(find(5, 6), -1);
}

TEST(VorListSort, StableAscendingAndContext) {
    ListPtr l(kItem, 0, 0, 0x40000004);
    // More items than a sort handles by insertion alone, with few keys, so that order among equal
    // keys shows whether the sort is stable.
    constexpr int kItems = 200;
    for (int i = 0; i < kItems; ++i) Append(l.list, (i * 7) % 5, i);
    ASSERT_EQ(VorList_Sort(l.list, 0, CompareItems), win::S_OK);
    for (int i = 1; i < kItems; ++i) {
        auto* a = static_cast<Item*>(VorList_GetItem(l.list, i - 1));
        auto* b = static_cast<Item*>(VorList_GetItem(l.list, i));
        ASSERT_TRUE(a->key < b->key || (a->key == b->key && a->tag < b->tag)) << i;
    }
    ASSERT_EQ(VorList_Sort(l.list, 1, CompareItems), win::S_OK);
    EXPECT_EQ((std::tuple{Keys(l.list).front(), Keys(l.list).back()}), (std::tuple{4, 0}));
    EXPECT_EQ(static_cast<Item*>(VorList_GetItem(l.list, 0))->tag, 2); // equal keys still keep their order
    EXPECT_EQ(VorList_GetSortCriteria(l.list), 1u);
    ASSERT_EQ(VorList_Sort(l.list, 77, nullptr), win::S_OK); // only stores the context
    EXPECT_EQ((std::tuple{VorList_GetSortCriteria(l.list), Keys(l.list).front()}), (std::tuple{77u, 4}));
}

TEST(VorListSort, PointerListsSortPointers) {
    ListPtr l(kItem, 0, 0, 0x2);
    Item items[3] = {{2, 0}, {0, 0}, {1, 0}};
    ASSERT_EQ(VorList_InsertList(l.list, -1, items, 3), win::S_OK);
    void* middle = VorList_GetItem(l.list, 2);
    ASSERT_EQ(VorList_Sort(l.list, 0, CompareItems), win::S_OK);
    EXPECT_EQ(Keys(l.list), (std::vector<std::int32_t>{0, 1, 2}));
    EXPECT_EQ(VorList_GetItem(l.list, 1), middle); // items stay where they are, pointers move
}

TEST(VorListGuards, MarksUserDataThreadsAndLock) {
    EXPECT_EQ((std::tuple{VorList_Destroy(nullptr), bool(VorList_IsList(nullptr)), VorList_SetUserData(nullptr, 1)}),
              (std::tuple{win::S_OK, false, win::E_POINTER}));

    ListPtr l(4, 0, 0, 0x4);
    EXPECT_TRUE(VorList_IsList(l.list));
    EXPECT_TRUE(VorList_IsListFast(l.list));
    ASSERT_EQ(VorList_SetUserData(l.list, 0x1234), win::S_OK);
    EXPECT_EQ(VorList_GetUserData(l.list), 0x1234u);

    // A list confined to its creator refuses other threads.
    l.list->options &= ~0x40000000u;
    std::int32_t value = 1;
    win::HRESULT fromOther = win::S_OK;
    std::int32_t foundOther = 0;
    std::thread([&] {
        fromOther = VorList_InsertList(l.list, -1, &value, 1);
        foundOther = VorList_FindItemRange(l.list, 0, -1, &value, MatchKey);
    }).join();
    EXPECT_EQ(fromOther, win::E_FAIL);
    EXPECT_EQ((std::tuple{foundOther, VorList_InsertList(l.list, -1, &value, 1), VorList_GetCount(l.list)}),
              (std::tuple{-1, win::S_OK, 1}));

    ListPtr locked(4, 0, 0, 0x80000004);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (std::int32_t i = 0; i < 500; ++i) {
                std::int32_t v = t * 1000 + i;
                VorList_InsertList(locked.list, 0, &v, 1);
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(VorList_GetCount(locked.list), 2000);
}

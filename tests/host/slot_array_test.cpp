// The store's slot arrays: values survive growth from heap room into a mapping and back, trimming
// hands back all but a page, and a moved array leaves nothing behind.
#include <gtest/gtest.h>

#include <cstdint>

#include "model/slot_array.h"

namespace {

struct Slot {
    std::uint64_t a;
    std::uint32_t b, c, d;
};

std::uint64_t ValueAt(std::size_t i) { return i * 2654435761u + 7; }

bool Holds(const host::SlotArray<Slot>& slots, std::size_t count) {
    if (slots.size() != count) return false;
    for (std::size_t i = 0; i < count; ++i)
        if (slots[i].a != ValueAt(i) || slots[i].d != static_cast<std::uint32_t>(i)) return false;
    return true;
}

TEST(SlotArray, GrowsIntoAMappingTrimsToAPageAndShrinksBackToTheHeap) {
    host::SlotArray<Slot> slots;
    constexpr std::size_t kMany = 300'000; // several megabytes: mapped room
    for (std::size_t i = 0; i < kMany; ++i) slots.push_back({ValueAt(i), 1, 2, static_cast<std::uint32_t>(i)});
    ASSERT_TRUE(Holds(slots, kMany));
    slots.reserve(kMany * 3);
    EXPECT_GE(slots.capacity(), kMany * 3);
    ASSERT_TRUE(Holds(slots, kMany));
    slots.shrink_to_fit();
    ASSERT_TRUE(Holds(slots, kMany));
    EXPECT_GE(slots.capacity(), kMany);
    EXPECT_LE((slots.capacity() - kMany) * sizeof(Slot), 4096u);

    // Back below the mapping's threshold: the first slots stay as they were.
    host::SlotArray<Slot> few;
    for (std::size_t i = 0; i < 1000; ++i) few.push_back(slots[i]);
    slots = std::move(few);
    EXPECT_TRUE(Holds(slots, 1000));
    slots.Append() = {ValueAt(1000), 0, 0, 1000};
    EXPECT_TRUE(Holds(slots, 1001));
    EXPECT_EQ(slots.back().d, 1000u);
    slots.shrink_to_fit();
    EXPECT_EQ(slots.capacity(), 1001u);
    EXPECT_TRUE(Holds(slots, 1001));
}

TEST(SlotArray, ClearedAndMovedArraysHoldNothing) {
    host::SlotArray<Slot> slots;
    for (std::size_t i = 0; i < 100'000; ++i) slots.push_back({ValueAt(i), 0, 0, static_cast<std::uint32_t>(i)});
    host::SlotArray<Slot> moved(std::move(slots));
    EXPECT_EQ((std::tuple{bool(Holds(moved, 100'000)), slots.size(), slots.capacity()}), (std::tuple{true, 0u, 0u}));
    moved.clear();
    EXPECT_TRUE(moved.empty());
    moved.shrink_to_fit();
    EXPECT_EQ(moved.capacity(), 0u);
    EXPECT_EQ(moved.begin(), moved.end());
}

} // namespace

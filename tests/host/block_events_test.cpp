// A block's events read in bulk: pages in time order, and requests out of range refused without
// writing past the caller's room. A list of events read in one call as Get reads each. A list of
// events selected in one call, reported as single writes; bad lists change nothing. (Against the walk and single writes: the plug-in's bulk read tests.)
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "host_test_util.h"
#include "mp/block_events.h"
#include "mp/event_reads.h"
#include "mp/select_events.h"

namespace host::test {
namespace {

class BlockEvents : public ProjectTest {
protected:
    void SetUp() override {
        ProjectTest::SetUp();
        project->WithStore([&](Store& s) {
            track = s.LoadTrack(TrackValue{});
            block = s.LoadBlock(BlockValue{track, 960, 9600, u""});
            const std::uint8_t note[4] = {60, 100, 0, 0}, control[4] = {7, 90, 0, 0};
            s.LoadEvent(block, 0, mp::MEK_CONTROL, 2, 0, control);
            s.LoadVariableEvent(block, 240, mp::MEK_META, {0x01, 'h', 'i'});
            s.LoadEvent(block, 480, mp::MEK_NOTE, 2, 240, note);
            s.FinishLoad();
        });
    }
    // A page with room for `room` records; the header's count is 0 when the read failed.
    std::vector<mp::MPBlockEvent> Read(std::uint32_t first, std::size_t room, win::HRESULT* result,
                                       mp::MPBlockEventsHeader* header, std::uint32_t of = 0) {
        std::vector<std::uint8_t> bytes(sizeof *header + room * sizeof(mp::MPBlockEvent) + 8, 0xEE);
        *result = project->GetProperty(mp::PID_BLOCK_EVENTS, of ? of : block, first, 0,
                                       static_cast<win::DWORD>(bytes.size() - 8), bytes.data());
        EXPECT_EQ(bytes[bytes.size() - 8], 0xEE) << "nothing written past the room";
        *header = {};
        if (win::FAILED(*result)) return {};
        std::memcpy(header, bytes.data(), sizeof *header);
        std::vector<mp::MPBlockEvent> events(header->returned);
        if (!events.empty()) std::memcpy(events.data(), bytes.data() + sizeof *header, events.size() * sizeof events[0]);
        return events;
    }
    std::uint32_t track = 0, block = 0;
};

TEST_F(BlockEvents, PagesFollowEachOtherAndBadRequestsAreRefused) {
    win::HRESULT hr;
    mp::MPBlockEventsHeader header;
    const auto first = Read(0, 2, &hr, &header);
    EXPECT_EQ(hr, win::S_FALSE);
    EXPECT_EQ(header.count, 3u);
    EXPECT_EQ(header.entrySize, sizeof(mp::MPBlockEvent));
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].kind, mp::MEK_CONTROL);
    EXPECT_EQ(first[1].length, 3u) << "a text's byte count";
    EXPECT_EQ(std::memcmp(first[1].data, "\0\0\0\0", 4), 0) << "and no data bytes";
    ASSERT_EQ(project->SelectEvents(mp::LEVEL_EVENT, nullptr, mp::MEK_NOTE, 0, 0, 0, 0, 0, mp::SELECT_SET), win::S_OK);
    const auto rest = Read(2, 2, &hr, &header);
    EXPECT_EQ(hr, win::S_OK);
    EXPECT_EQ(header.first, 2u);
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].time, 480);
    EXPECT_EQ(rest[0].length, 240u);
    EXPECT_EQ(rest[0].data[1], 100);
    EXPECT_EQ(rest[0].flags, mp::MEF_SELECTED);
    EXPECT_TRUE(Read(3, 2, &hr, &header).empty());
    EXPECT_EQ(hr, win::S_OK) << "from the count itself: nothing follows";
    EXPECT_TRUE(Read(0, 0, &hr, &header).empty());
    EXPECT_EQ(std::tuple(hr, header.count), std::tuple(win::S_FALSE, 3u)) << "a header alone tells the count";

    Read(4, 2, &hr, &header);
    EXPECT_EQ(hr, win::E_INVALIDARG) << "past the count";
    Read(0, 2, &hr, &header, block + 1000);
    EXPECT_EQ(hr, win::E_INVALIDARG) << "no such block";
    std::uint8_t small[sizeof(mp::MPBlockEventsHeader) - 1];
    EXPECT_EQ(project->GetProperty(mp::PID_BLOCK_EVENTS, block, 0, 0, sizeof small, small), win::E_INVALIDARG);
    EXPECT_EQ(project->GetProperty(mp::PID_BLOCK_EVENTS, block, 0, 0, 64, nullptr), win::E_POINTER);
}

TEST_F(BlockEvents, AListReadsEachKeyAsGetDoesAndBadListsAreRefused) {
    const std::vector<std::uint32_t> ids = project->WithStore([&](Store& s) { return s.EventsOf(block); });
    const mp::EventKey keys[4] = {{track, block, ids[2]}, {0, 0, ids[1]}, {track, block + 1, ids[2]}, {track, block, 999}};
    std::vector<std::uint64_t> page(3 + 4 * 4 + 1, ~std::uint64_t{0});
    const auto read = [&](mp::MPReadListHeader h, win::DWORD size, win::DWORD selector = 0) {
        std::memcpy(page.data(), &h, sizeof h);
        return project->GetProperty(mp::PID_READ_EVENT_LIST, selector, 0, 0, size, page.data());
    };
    const mp::MPReadListHeader header{4, sizeof(mp::MPBlockEvent), keys, 0};
    const win::DWORD size = sizeof header + 4 * sizeof(mp::MPBlockEvent);
    EXPECT_EQ(std::make_tuple(read(header, size, 1), read({4, 16, keys, 0}, size), read(header, size - 1),
                              read({4, sizeof(mp::MPBlockEvent), nullptr, 0}, size)),
              std::make_tuple(win::E_INVALIDARG, win::E_INVALIDARG, win::E_INVALIDARG, win::E_INVALIDARG));
    EXPECT_EQ(read({0, sizeof(mp::MPBlockEvent), nullptr, 0}, sizeof header), win::S_OK) << "no keys: room for the header is enough";
    ASSERT_EQ(read(header, size), win::S_OK);
    EXPECT_EQ(page.back(), ~std::uint64_t{0}) << "nothing written past the room";
    mp::MPBlockEvent got[4];
    std::memcpy(got, page.data() + 3, sizeof got);
    EXPECT_EQ(std::make_tuple(got[0].event, got[0].kind, got[0].time, got[0].length, got[0].data[0]),
              std::make_tuple(ids[2], std::uint32_t{mp::MEK_NOTE}, std::int64_t{480}, 240u, std::uint8_t{60}));
    EXPECT_EQ(std::make_tuple(got[1].event, got[1].length, got[1].data[0]), std::make_tuple(ids[1], 3u, std::uint8_t{0}))
        << "a text: its byte count and no data bytes";
    EXPECT_EQ(got[2].event | got[2].kind | got[3].event, 0u) << "another block's key and a dead id read as nothing";
}

TEST_F(BlockEvents, AListSelectsInOrderWhatIsInRangeAndBadListsChangeNothing) {
    const std::vector<std::uint32_t> ids = project->WithStore([&](Store& s) { return s.EventsOf(block); });
    RecordingSink sink;
    Advised advised(project, &sink);
    // The text counts as 0; the note (60) is out of the first range; a wrong block and a dead id pass.
    const mp::EventKey control{0, 0, ids[0]}, text{track, block, ids[1]}, note{track, block, ids[2]};
    const std::vector<mp::MPSelectListEntry> entries = {
        {note, 61, 127, {}}, {{track, block + 1, ids[0]}, 0, 127, {}}, {text, 0, 127, {}}, {{0, 0, 9999}, 0, 127, {}},
        {note, 60, 60, {}},  {control, 7, 7, {}}};
    std::vector<mp::MPSelectListEntry> in(2 + entries.size());
    std::copy(entries.begin(), entries.end(), in.begin() + 2);
    std::vector<mp::EventKey> changed(entries.size());
    std::uint32_t count = 99;
    auto select = [&](win::DWORD mode, std::uint32_t entrySize, std::size_t bytes, const void* at) {
        const mp::MPSelectListHeader header{static_cast<std::uint32_t>(entries.size()), entrySize, changed.data(), &count, 0};
        std::memcpy(in.data(), &header, sizeof header);
        return project->SetProperty(mp::PID_SELECT_EVENT_LIST, mode, 0, static_cast<win::DWORD>(bytes), at);
    };
    const std::size_t size = in.size() * sizeof in[0];
    const auto* unaligned = reinterpret_cast<std::uint8_t*>(in.data()) + 4;
    EXPECT_EQ(std::vector({select(3, 16, size, in.data()), select(1, 12, size, in.data()), select(1, 16, size - 1, in.data()),
                           select(1, 16, size - 4, unaligned), select(1, 16, size, nullptr)}),
              std::vector({win::E_INVALIDARG, win::E_INVALIDARG, win::E_INVALIDARG, win::E_INVALIDARG, win::E_POINTER}));
    EXPECT_EQ(count, 99u);
    EXPECT_TRUE(sink.Take().empty());

    ASSERT_EQ(select(mp::SELECT_SET, sizeof in[0], size, in.data()), win::S_OK);
    ASSERT_EQ(count, 3u);
    const auto records = sink.Take();
    ASSERT_EQ(records.size(), 3u);
    const mp::EventKey expected[] = {text, note, {track, block, ids[0]}};
    auto words = [](const mp::EventKey& k) { return std::tuple(k.track, k.block, k.event); };
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(words(changed[i]), words(expected[i]));
        EXPECT_EQ(std::tuple(records[i].level, records[i].changeFlags, words(records[i].oldKey), words(records[i].newKey)),
                  std::tuple(mp::LEVEL_EVENT, mp::NCF_MODIFIED, words(expected[i]), words(expected[i])));
        EXPECT_EQ(project->WithStore([&](Store& s) { return s.Event(expected[i].event).flags; }), mp::MEF_SELECTED);
    }
    ASSERT_EQ(select(mp::SELECT_SET, sizeof in[0], size, in.data()), win::S_OK);
    EXPECT_EQ(count, 0u) << "all as asked already";
    EXPECT_TRUE(sink.Take().empty());
}

} // namespace
} // namespace host::test

// MIDI files byte by byte: the writer's exact output and the reader on hand-written bytes, without
// one being checked only through the other.
#include <gtest/gtest.h>

#include "host_test_util.h"
#include "model/store.h"
#include "smf/smf.h"

namespace host::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Written(const Store& store, std::size_t* skipped = nullptr) {
    Bytes out;
    smf::WriteResult w = smf::Write(store, out);
    EXPECT_TRUE(w.ok) << w.error;
    if (skipped) *skipped = w.skippedEvents;
    return out;
}

// The track bodies of a written file (the header and chunk lengths are checked by comparing whole files).
Bytes Body(const Bytes& file) { return Bytes(file.begin() + 22, file.end()); }

struct Event {
    std::int64_t tick;
    std::uint32_t kind;
    std::uint8_t d0, d1;
    Bytes bytes;
    bool operator==(const Event&) const = default;
};

std::vector<Event> EventsOf(const Store& store, std::size_t track) {
    std::vector<Event> out;
    for (std::uint32_t b : store.BlocksOf(store.TracksInOrder().at(track)))
        for (std::uint32_t e : store.EventsOf(b)) {
            EventValue v = store.Event(e);
            out.push_back({v.time, v.kind, v.data[0], v.data[1], v.bytes});
        }
    return out;
}

TEST(SmfWrite, RunningStatusHoldsAcrossOneStatusAndRestartsAfterMetaAndSysex) {
    LoadedSong song(96, u"");
    song.Event(0, mp::MEK_CONTROL, 0, 7, 100);
    song.Event(0, mp::MEK_CONTROL, 0, 10, 64);
    song.Bytes(0, mp::MEK_META, {0x01, 'x'});
    song.Event(0, mp::MEK_CONTROL, 0, 11, 127);
    song.Bytes(1, mp::MEK_SYSEX, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7});
    song.Event(1, mp::MEK_CONTROL, 0, 1, 0);
    song.Bytes(2, mp::MEK_SYSEX_CONTINUE, {0x43, 0x12});
    song.Event(2, mp::MEK_CONTROL, 0, 1, 1);
    song.Bytes(3, mp::MEK_LONG_MSG, {0x10, 0x20});
    song.Bytes(3, mp::MEK_LONG_MSG, {0xF0, 0x01, 0xF7});
    song.Event(3, mp::MEK_PROGRAM, 0, 5);
    song.Event(3, mp::MEK_PROGRAM, 0, 6);
    song.Event(3, mp::MEK_AFTERTOUCH, 0, 0x33);
    song.Event(3, mp::MEK_AFTERTOUCH, 0, 0x34);
    song.Event(4, mp::MEK_POLY_PRESSURE, 0, 60, 17);
    song.Event(4, mp::MEK_PITCH_BEND, 0, 0, 0x40);
    song.Event(4, mp::MEK_PITCH_BEND, 0, 0x7F, 0x7F);
    song.Event(4, mp::MEK_CONTROL, 1, 7, 100);  // the event's own channel
    song.Event(4, mp::MEK_CONTROL, -1, 7, 100); // no channel: the first
    song.Event(5, mp::MEK_SHORT_MSG, 0, 0x80, 0x3C, 0x10);
    song.Event(5, mp::MEK_SHORT_MSG, 0, 0xEF, 0x01, 0x02);
    song.Event(5, mp::MEK_SHORT_MSG, 0, 0xC2, 0x09, 0x55);
    song.Event(5, mp::MEK_SHORT_MSG, 0, 0xD2, 0x0A, 0x55);
    song.Event(5, mp::MEK_SHORT_MSG, 0, 0xF0, 0x01, 0x02); // not a channel message: skipped
    song.Event(5, mp::MEK_SHORT_MSG, 0, 0x7F, 0x01, 0x02); // no status: skipped
    song.Bytes(5, mp::MEK_META, {});                       // no meta type: skipped
    song.Bytes(5, mp::MEK_MCI, {1, 2, 3});                 // no file form: skipped
    song.Event(5, mp::MEK_PACKED_NRPN, 0, 1, 2, 3, 4);
    song.Event(5, mp::MEK_PACKED_RPN, 0, 0, 0, 2, 0);
    song.Event(5, mp::MEK_BANK_PROGRAM, 0, 24, 1, 2); // program 24 of bank 1:2
    song.Event(5, mp::MEK_NOTE_OFF, 0, 0x30, 0x40);    // a lone note-off keeps its release velocity
    song.Finish(8);
    std::size_t skipped = 0;
    const Bytes out = Written(song.store, &skipped);
    EXPECT_EQ(skipped, 4u);
    const Bytes expected = {
        0x00, 0xB0, 0x07, 0x64, 0x00, 0x0A, 0x40,                   //
        0x00, 0xFF, 0x01, 0x01, 'x', 0x00, 0xB0, 0x0B, 0x7F,        // status again after a meta
        0x01, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7,             //
        0x00, 0xB0, 0x01, 0x00,                                     // and after a sysex
        0x01, 0xF7, 0x02, 0x43, 0x12, 0x00, 0xB0, 0x01, 0x01,       // and after an escape
        0x01, 0xF7, 0x02, 0x10, 0x20, 0x00, 0xF0, 0x02, 0x01, 0xF7, // long messages in both forms
        0x00, 0xC0, 0x05, 0x00, 0x06, 0x00, 0xD0, 0x33, 0x00, 0x34, // one data byte, running
        0x01, 0xA0, 0x3C, 0x11, 0x00, 0xE0, 0x00, 0x40, 0x00, 0x7F, 0x7F, //
        0x00, 0xB1, 0x07, 0x64, 0x00, 0xB0, 0x07, 0x64,             //
        0x01, 0x80, 0x3C, 0x10, 0x00, 0xEF, 0x01, 0x02, 0x00, 0xC2, 0x09, 0x00, 0xD2, 0x0A, //
        0x00, 0xB0, 0x63, 0x01, 0x00, 0x62, 0x02, 0x00, 0x06, 0x03, 0x00, 0x26, 0x04, // NRPN
        0x00, 0x65, 0x00, 0x00, 0x64, 0x00, 0x00, 0x06, 0x02, 0x00, 0x26, 0x00,       // RPN
        0x00, 0x00, 0x01, 0x00, 0x20, 0x02, 0x00, 0xC0, 0x18,       // bank select, then program
        0x00, 0x80, 0x30, 0x40,                                     //
        0x03, 0xFF, 0x2F, 0x00,                                     // end of track at the block's end
    };
    EXPECT_EQ(Body(out), expected);
}

TEST(SmfWrite, NoteOffsComeInTimeOrderThenStartOrderAndTheTrackEndsAfterTheLastOff) {
    LoadedSong song(96);
    song.Note(0, 0, 60, 100, 96, 0x22);
    song.Note(0, 0, 64, 0, 96); // velocity 0 would read back as an off
    song.Note(10, 0, 67, 90, 0);
    song.Note(20, 0, 72, 80, 40); // begins later, ends earlier
    song.Note(30, 0, 74, 70, 66); // ends with the first two
    song.Event(96, mp::MEK_CONTROL, 0, 7, 90);
    song.Note(96, 0, 62, 100, 54); // past the block's end
    song.Finish(100);
    const Bytes expected = SmfBuilder(1, 96)
                               .Track({
                                   0x00, 0xFF, 0x03, 0x04, 'L', 'e', 'a', 'd', //
                                   0x00, 0x90, 0x3C, 0x64, 0x00, 0x40, 0x01,   //
                                   0x0A, 0x43, 0x5A, 0x00, 0x80, 0x43, 0x00,   // a zero-length note: on, off
                                   0x0A, 0x90, 0x48, 0x50, 0x0A, 0x4A, 0x46,   //
                                   0x1E, 0x80, 0x48, 0x00,                     //
                                   0x24, 0x3C, 0x22, 0x00, 0x40, 0x00, 0x00, 0x4A, 0x00, // offs before the event
                                   0x00, 0xB0, 0x07, 0x5A, 0x00, 0x90, 0x3E, 0x64, //
                                   0x36, 0x80, 0x3E, 0x00, 0x00, 0xFF, 0x2F, 0x00,
                               })
                               .Bytes();
    EXPECT_EQ(Written(song.store), expected);
}

TEST(SmfWrite, BlocksMergeInTimeOrderKeepingBlockOrderAtOneTick) {
    LoadedSong song(96, u"");
    song.Event(10, mp::MEK_CONTROL, 0, 7, 1);
    song.Event(50, mp::MEK_CONTROL, 0, 7, 3);
    song.store.SetLoadedBlockEnd(song.block, 100);
    song.Block(40, 200);
    song.Event(0, mp::MEK_CONTROL, 0, 7, 2);
    song.Event(10, mp::MEK_CONTROL, 0, 10, 4);
    song.Finish(200);
    const Bytes expected = {0x0A, 0xB0, 0x07, 0x01, 0x1E, 0x07, 0x02, 0x0A, 0x07, 0x03, 0x00, 0x0A, 0x04,
                            0x81, 0x16, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(Body(Written(song.store)), expected);
}

TEST(SmfWrite, HeaderTrackNamesAndTheTrackChannel) {
    LoadedSong song(480, u"Caf\u00E9", -1, "Caf\xE9"); // as the file had it: kept byte for byte
    song.Track(u"Caf\u00E9", 0, "Cafe"); // renamed since it was read: written as UTF-8
    song.Event(0, mp::MEK_CONTROL, 3, 7, 100);
    song.Finish(0);
    const Bytes expected = SmfBuilder(1, 480)
                               .Track({0x00, 0xFF, 0x03, 0x04, 'C', 'a', 'f', 0xE9, 0x00, 0xFF, 0x2F, 0x00})
                               .Track({0x00, 0xFF, 0x03, 0x05, 'C', 'a', 'f', 0xC3, 0xA9, //
                                       0x00, 0xB0, 0x07, 0x64, 0x00, 0xFF, 0x2F, 0x00})
                               .Bytes();
    EXPECT_EQ(Written(song.store), expected);
}

// Delta times at every length boundary of a variable-length quantity, a gap beyond the largest one,
// and a meta event whose length takes two bytes: the bytes the writer gives and what the reader
// makes of the same hand-written bytes.
TEST(SmfBytes, VariableLengthQuantitiesAtEveryBoundary) {
    const std::int64_t deltas[] = {0x7F, 0x80, 0x3FFF, 0x4000, 0x1FFFFF, 0x200000, 0x0FFFFFFF, 0x0FFFFFFF + 5};
    const Bytes text(0x80, 't');
    LoadedSong song(96, u"");
    song.Bytes(0, mp::MEK_META, Cat({0x01}, text));
    std::int64_t tick = 0;
    std::vector<std::int64_t> ticks;
    for (std::uint8_t i = 0; i < std::size(deltas); ++i) {
        tick += deltas[i];
        ticks.push_back(tick);
        song.Event(tick, mp::MEK_CONTROL, 0, 1, i);
    }
    song.Finish(tick);
    const Bytes track = Cat(Cat({0x00, 0xFF, 0x01, 0x81, 0x00}, text),
                            {
                                0x7F, 0xB0, 0x01, 0x00,                   //
                                0x81, 0x00, 0x01, 0x01,                   //
                                0xFF, 0x7F, 0x01, 0x02,                   //
                                0x81, 0x80, 0x00, 0x01, 0x03,             //
                                0xFF, 0xFF, 0x7F, 0x01, 0x04,             //
                                0x81, 0x80, 0x80, 0x00, 0x01, 0x05,       //
                                0xFF, 0xFF, 0xFF, 0x7F, 0x01, 0x06,       // the largest delta, in one
                                0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00, // a longer gap: an empty text
                                0x05, 0xB0, 0x01, 0x07,                   // fills it, so status again
                                0x00, 0xFF, 0x2F, 0x00,
                            });
    const Bytes file = SmfBuilder(1, 96).Track(track).Bytes();
    EXPECT_EQ(Written(song.store), file);

    Store back;
    ASSERT_TRUE(smf::Read(file.data(), file.size(), back).ok);
    std::vector<Event> expected = {{0, mp::MEK_META, 0, 0, Cat({0x01}, text)}};
    for (std::uint8_t i = 0; i < ticks.size(); ++i) {
        if (i == 7) expected.push_back({ticks[6] + 0x0FFFFFFF, mp::MEK_META, 0, 0, {0x01}});
        expected.push_back({ticks[i], mp::MEK_CONTROL, 1, i, {}});
    }
    EXPECT_EQ(EventsOf(back, 0), expected);
    EXPECT_EQ(back.Block(back.BlocksOf(back.TracksInOrder()[0])[0])->end, tick);
}

// A track of more than 16 MB, so that every byte of the chunk length counts, read back from inside a
// RIFF wrapper whose chunk lengths (little-endian, one of them odd and padded) also use every byte.
TEST(SmfBytes, ChunkLengthsUseEveryByte) {
    constexpr std::uint32_t kTrackLength = 0x01020304;
    const std::uint32_t sysexLength = kTrackLength - 10; // delta, status, 4-byte length, end of track
    LoadedSong song(96, u"");
    Bytes sysex(sysexLength + 1, 0x11);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    song.Bytes(0, mp::MEK_SYSEX, sysex);
    song.Finish(0);
    const Bytes file = Written(song.store);
    ASSERT_EQ(file.size(), 22u + kTrackLength);
    EXPECT_EQ(Bytes(file.begin() + 14, file.begin() + 28), (Bytes{'M', 'T', 'r', 'k', 0x01, 0x02, 0x03, 0x04, //
                                                                  0x00, 0xF0, 0x88, 0x88, 0x85, 0x7A}));

    constexpr std::uint32_t kListLength = 0x010203;
    auto le32 = [](std::size_t n) {
        return Bytes{static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                     static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
    };
    Bytes riff = Cat(Cat({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'L', 'I', 'S', 'T'}, le32(kListLength)),
                     Bytes(kListLength + 1, 0x22));
    riff = Cat(Cat(Cat(riff, {'d', 'a', 't', 'a'}), le32(file.size())), file);
    Store back;
    smf::ReadResult r = smf::Read(riff.data(), riff.size(), back);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.warnings.empty()) << r.warnings.front().message; // the data chunk ends with the file
    const std::vector<Event> events = EventsOf(back, 0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(events[0].bytes == sysex);
}

TEST(SmfWrite, RefusesWhatAFileCannotExpressAndWritesUpToTheLimits) {
    auto refused = [](const Store& store, const char* why) {
        Bytes out{1, 2, 3};
        smf::WriteResult w = smf::Write(store, out);
        EXPECT_FALSE(w.ok) << why;
        EXPECT_FALSE(w.error.empty()) << why;
        EXPECT_TRUE(out.empty()) << why;
    };
    LoadedSong coarse(0x8000);
    coarse.Finish(0);
    refused(coarse.store, "ticks per quarter");
    LoadedSong finest(0x7FFF, u"");
    finest.Finish(0);
    EXPECT_EQ(Written(finest.store), SmfBuilder(1, 0x7FFF).Track(kEndOfTrack).Bytes());

    LoadedSong many(96, u"");
    for (int t = 1; t < 0xFFFF; ++t) many.Track(u"");
    many.Finish(0);
    const Bytes out = Written(many.store);
    ASSERT_GE(out.size(), 14u);
    EXPECT_EQ(out[10], 0xFF);
    EXPECT_EQ(out[11], 0xFF);
    EXPECT_EQ(out.size(), 14u + 0xFFFFu * 12);
    many.store.LoadTrack(TrackValue{});
    refused(many.store, "tracks");

    // Times so far out that filling the gap would take gigabytes are refused, whatever reaches there.
    constexpr std::int64_t kLimit = std::int64_t{1} << 40;
    LoadedSong far(96);
    far.Event(kLimit + 1, mp::MEK_CONTROL, 0, 7, 100);
    far.Finish(kLimit + 1);
    refused(far.store, "event");
    LoadedSong longNote(96);
    longNote.Note(kLimit - 100, 0, 60, 100, 101);
    longNote.Finish(kLimit - 100);
    refused(longNote.store, "note");
    // Up to the limit everything is written, with the gap filled.
    LoadedSong edge(96, u"");
    edge.Note(kLimit - 100, 0, 60, 100, 100);
    edge.Finish(kLimit - 100);
    Store back;
    const Bytes written = Written(edge.store);
    ASSERT_TRUE(smf::Read(written.data(), written.size(), back).ok);
    const EventValue last = back.Event(back.EventsOf(back.BlocksOf(back.TracksInOrder()[0])[0]).back());
    EXPECT_EQ(last.time, kLimit - 100);
    EXPECT_EQ(last.length, 100u);
}

// The reader on bytes written by hand: names only from the first track-name meta at tick 0, running
// status through meta and sysex events, a longer header, tracks cut off right after an event, an empty
// track, bytes after the end of a track and after the last chunk.
TEST(SmfRead, HandWrittenTracksComeInEventForEvent) {
    Bytes file = SmfBuilder(1, 480)
                     .Track({
                         0x00, 0xFF, 0x03, 0x01, 'A', 0x00, 0xFF, 0x03, 0x01, 'B', // a second name is an event
                         0x00, 0xFF, 0x01, 0x00,                                   // an empty text at tick 0
                         0x00, 0xB0, 0x07, 0x64, 0x00, 0xFF, 0x01, 0x01, 'x',      //
                         0x00, 0x0A, 0x40, 0x00, 0xF0, 0x01, 0xF7, 0x00, 0x0B, 0x7F, // running through both
                         0x81, 0x00, 0xC1, 0x05, 0x00, 0x06,                       // one data byte, running
                         0x05, 0xFF, 0x03, 0x01, 'C',                              // a name later on
                         0x00, 0xFF, 0x2F, 0x00, 0x00, 0x90, 0x3C, 0x64,           // after the end: ignored
                     })
                     .Track({0x00, 0x92, 0x3C, 0x64, 0x10, 0xFF, 0x01, 0x01, 'y', 0x10, 0xF0, 0x01, 0xF7})
                     .Track({})
                     .Bytes();
    file.insert(file.begin() + 14, {0xAA, 0xBB}); // a header two bytes longer than usual
    file[7] = 8;
    Store store;
    smf::ReadResult r = smf::Read(file.data(), file.size(), store);
    ASSERT_TRUE(r.ok) << r.error;
    Store trailing;
    const Bytes longer = Cat(file, {'M', 'T', 'r', 'k', 0, 0, 0}); // too short for a chunk: ignored
    ASSERT_TRUE(smf::Read(longer.data(), longer.size(), trailing).ok);
    EXPECT_EQ(trailing.TrackCount(), 3u);
    EXPECT_EQ(r.ticksPerQuarter, 480u);
    ASSERT_EQ(r.tracks, 3);
    EXPECT_EQ(store.Track(store.TracksInOrder()[0])->name, u"A");
    EXPECT_EQ(store.Track(store.TracksInOrder()[0])->channel, -1);
    const std::vector<Event> first = {
        {0, mp::MEK_META, 0, 0, {0x03, 'B'}},   {0, mp::MEK_META, 0, 0, {0x01}},
        {0, mp::MEK_CONTROL, 7, 100, {}},       {0, mp::MEK_META, 0, 0, {0x01, 'x'}},
        {0, mp::MEK_CONTROL, 10, 64, {}},       {0, mp::MEK_SYSEX, 0, 0, {0xF0, 0xF7}},
        {0, mp::MEK_CONTROL, 11, 127, {}},      {128, mp::MEK_PROGRAM, 5, 0, {}},
        {128, mp::MEK_PROGRAM, 6, 0, {}},       {133, mp::MEK_META, 0, 0, {0x03, 'C'}},
    };
    EXPECT_EQ(EventsOf(store, 0), first);
    EXPECT_EQ(store.Block(store.BlocksOf(store.TracksInOrder()[0])[0])->end, 133);
    // Without an end-of-track event the last event ends the track and closes the open note.
    const std::vector<Event> second = {{0, mp::MEK_NOTE, 0x3C, 0x64, {}},
                                       {0x10, mp::MEK_META, 0, 0, {0x01, 'y'}},
                                       {0x20, mp::MEK_SYSEX, 0, 0, {0xF0, 0xF7}}};
    EXPECT_EQ(EventsOf(store, 1), second);
    EXPECT_EQ(store.Track(store.TracksInOrder()[1])->channel, 2);
    EXPECT_EQ(store.Event(store.EventsOf(store.BlocksOf(store.TracksInOrder()[1])[0])[0]).length, 0x20u);
    EXPECT_TRUE(EventsOf(store, 2).empty());
}

} // namespace
} // namespace host::test

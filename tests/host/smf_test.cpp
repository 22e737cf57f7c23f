// MIDI file reading and writing: event kinds, note pairing, malformed input, atomic saving and round
// trips of generated and corpus files; the writer's exact output and the reader on hand-written bytes,
// without one being checked only through the other; track names between file bytes and UTF-16.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <tuple>

#include <csignal>
#include <cstddef>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "host_test_util.h"
#include "model/store.h"
#include "smf/smf.h"

namespace host::test {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// One event as a file can carry it, at its absolute tick.
struct Ev {
    std::int64_t tick;
    std::uint32_t kind;
    int channel;
    std::uint8_t d[4];
    std::uint32_t length; // notes only
    Bytes bytes;
    auto operator<=>(const Ev&) const = default;
};

struct TrackImage {
    std::string name;
    int channel;
    std::vector<Ev> events;
    auto operator<=>(const TrackImage&) const = default;
};

std::vector<TrackImage> Image(const Store& store) {
    std::vector<TrackImage> out;
    for (std::uint32_t t : store.TracksInOrder()) {
        TrackImage img{EncodeUtf8(store.Track(t)->name), store.Track(t)->channel, {}};
        for (std::uint32_t b : store.BlocksOf(t))
            for (std::uint32_t e : store.EventsOf(b)) {
                EventValue v = store.Event(e);
                Ev ev{store.Block(b)->start + v.time, v.kind, v.channel, {}, 0, v.bytes};
                std::copy(v.data, v.data + 4, ev.d);
                if (v.kind == mp::MEK_NOTE) ev.length = v.length;
                img.events.push_back(std::move(ev));
            }
        std::sort(img.events.begin(), img.events.end());
        out.push_back(std::move(img));
    }
    return out;
}

std::vector<Ev> EventsOfTrack(const Store& store, std::size_t index) { return Image(store).at(index).events; }

smf::ReadResult ReadBytes(const Bytes& bytes, Store& store) { return smf::Read(bytes.data(), bytes.size(), store); }

Bytes WriteBytes(const Store& store, std::size_t* skipped = nullptr) {
    Bytes out;
    smf::WriteResult w = smf::Write(store, out);
    EXPECT_TRUE(w.ok) << w.error;
    if (skipped) *skipped = w.skippedEvents;
    return out;
}

// A track body that uses every kind a file can hold, running status, both sysex forms and metas.
Bytes EveryKindTrack(int channel) {
    const auto on = static_cast<std::uint8_t>(0x90 | channel), off = static_cast<std::uint8_t>(0x80 | channel);
    const auto cc = static_cast<std::uint8_t>(0xB0 | channel);
    return {
        0x00, 0xFF, 0x03, 0x04, 'L', 'e', 'a', 'd',             // track name
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,               // tempo 500000
        0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08,         // 3/4
        0x00, static_cast<std::uint8_t>(0xC0 | channel), 0x05,  // program 5
        0x00, cc, 0x07, 0x64,                                   // volume 100
        0x00, 0x0A, 0x40,                                       // running status: pan 64
        0x00, on, 0x3C, 0x50,                                   // C4 on
        0x10, 0x40, 0x51,                                       // E4 on, running status
        0x20, off, 0x3C, 0x22,                                  // C4 off, velocity 0x22
        0x00, on, 0x40, 0x00,                                   // E4 off as note-on velocity 0
        0x05, static_cast<std::uint8_t>(0xA0 | channel), 0x3C, 0x11,
        0x05, static_cast<std::uint8_t>(0xD0 | channel), 0x33,
        0x05, static_cast<std::uint8_t>(0xE0 | channel), 0x00, 0x50,
        0x00, 0xF0, 0x05, 0x7E, 0x7F, 0x09, 0x01, 0xF7,         // GM on
        0x00, 0xF7, 0x03, 0x43, 0x12, 0x00,                     // escaped bytes
        0x00, 0xFF, 0x7F, 0x03, 0x7D, 0x01, 0x02,               // sequencer specific
        0x00, 0xFF, 0x60, 0x02, 0xAB, 0xCD,                     // a meta type no one defines
        0x07, 0xFF, 0x01, 0x02, 'h', 'i',                       // text later in the track
        0x10, off, 0x30, 0x40,                                  // note-off that closes nothing
        0x00, on, 0x48, 0x60,                                   // note never closed
        0x30, 0xFF, 0x2F, 0x00,
    };
}

TEST(SmfRead, EveryKindComesInAsItsOwnEventAndNothingIsLost) {
    Store store;
    smf::ReadResult r = ReadBytes(SmfBuilder(1, 96).Track(EveryKindTrack(2)).Bytes(), store);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(std::tuple(r.format, r.tracks, r.ticksPerQuarter), std::tuple(1, 1, 96u));
    EXPECT_EQ(store.TicksPerQuarter(), 96u);
    auto image = Image(store);
    ASSERT_EQ(image.size(), 1u);
    EXPECT_EQ((std::tuple{image[0].name, image[0].channel}), (std::tuple{"Lead", 2}));
    const std::vector<Ev> expected = {
        {0, mp::MEK_PROGRAM, 2, {5, 0, 0, 0}, 0, {}},
        {0, mp::MEK_CONTROL, 2, {7, 100, 0, 0}, 0, {}},
        {0, mp::MEK_CONTROL, 2, {10, 64, 0, 0}, 0, {}},
        {0, mp::MEK_NOTE, 2, {0x3C, 0x50, 0x22, 0}, 0x30, {}},
        {0, mp::MEK_META, -1, {}, 0, {0x51, 0x07, 0xA1, 0x20}},
        {0, mp::MEK_META, -1, {}, 0, {0x58, 0x03, 0x02, 0x18, 0x08}},
        {0x10, mp::MEK_NOTE, 2, {0x40, 0x51, 0, 0}, 0x20, {}},
        {0x35, mp::MEK_POLY_PRESSURE, 2, {0x3C, 0x11, 0, 0}, 0, {}},
        {0x3A, mp::MEK_AFTERTOUCH, 2, {0x33, 0, 0, 0}, 0, {}},
        {0x3F, mp::MEK_PITCH_BEND, 2, {0x00, 0x50, 0, 0}, 0, {}},
        {0x3F, mp::MEK_SYSEX, -1, {}, 0, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}},
        {0x3F, mp::MEK_SYSEX_CONTINUE, -1, {}, 0, {0x43, 0x12, 0x00}},
        {0x3F, mp::MEK_META, -1, {}, 0, {0x60, 0xAB, 0xCD}},
        {0x3F, mp::MEK_META, -1, {}, 0, {0x7F, 0x7D, 0x01, 0x02}},
        {0x46, mp::MEK_META, -1, {}, 0, {0x01, 'h', 'i'}},
        {0x56, mp::MEK_NOTE, 2, {0x48, 0x60, 0, 0}, 0x30, {}},
        {0x56, mp::MEK_NOTE_OFF, 2, {0x30, 0x40, 0, 0}, 0, {}},
    };
    std::vector<Ev> got = image[0].events, want = expected;
    for (auto& e : got)
        if (e.kind & mp::MEK_VARIABLE) e.channel = -1;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
    // The block spans the track; tempo and meter reach the time base.
    std::uint32_t block = store.BlocksOf(store.TracksInOrder()[0])[0];
    EXPECT_EQ(store.Block(block)->end, 0x86);
    EXPECT_EQ(store.Time().TempoAt(0), 500000u);
    EXPECT_EQ(std::tuple(store.Time().MeterAt(0).beats, store.Time().MeterAt(0).noteExp), std::tuple(3u, 2u));
}

TEST(SmfRead, OverlappingNotesPairFirstInFirstOutPerChannelAndPitch) {
    Store store;
    const Bytes track = {
        0x00, 0x90, 60, 10,  // A: ch1 C4
        0x00, 0x91, 60, 20,  // ch2 C4: another key
        0x10, 0x90, 60, 30,  // B: ch1 C4 again while A sounds
        0x10, 0x80, 60, 1,   // closes A
        0x10, 0x81, 60, 2,   // closes the ch2 note
        0x10, 0x80, 60, 3,   // closes B
        0x00, 0xFF, 0x2F, 0x00,
    };
    ASSERT_TRUE(ReadBytes(SmfBuilder(0, 480).Track(track).Bytes(), store).ok);
    // Key, velocity and release velocity, then the length.
    EXPECT_EQ(EventsOfTrack(store, 0), (std::vector<Ev>{{0, mp::MEK_NOTE, 0, {60, 10, 1, 0}, 0x20, {}},
                                                        {0, mp::MEK_NOTE, 1, {60, 20, 2, 0}, 0x30, {}},
                                                        {0x10, mp::MEK_NOTE, 0, {60, 30, 3, 0}, 0x30, {}}}));
    EXPECT_EQ(store.Track(store.TracksInOrder()[0])->channel, -1); // two channels in use
}

TEST(SmfRead, FormatsTracksChunksAndDivisions) {
    // Format 2 with an unknown chunk between tracks and a track without an end-of-track event.
    Store store;
    Bytes bytes = SmfBuilder(2, 120)
                      .Track({0x00, 0x90, 64, 100, 0x60, 0x80, 64, 0, 0x00, 0xFF, 0x2F, 0x00})
                      .Chunk("XFIH", {1, 2, 3, 4, 5})
                      .Track({0x00, 0xC3, 0x01, 0x40, 0xB3, 0x01, 0x02})
                      .Bytes();
    smf::ReadResult r = ReadBytes(bytes, store);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ((std::tuple{r.format, r.tracks}), (std::tuple{2, 2}));
    ASSERT_EQ(store.TrackCount(), 2u);
    EXPECT_EQ(store.Track(store.TracksInOrder()[1])->channel, 3);
    EXPECT_EQ(store.Block(store.BlocksOf(store.TracksInOrder()[1])[0])->end, 0x40);

    // An empty track-name meta is an event of its own, not a name, so it is not lost on saving.
    ASSERT_TRUE(ReadBytes(SmfBuilder(1, 96).Track({0x00, 0xFF, 0x03, 0x00, 0x00, 0xFF, 0x2F, 0x00}).Bytes(), store).ok);
    auto events = EventsOfTrack(store, 0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].bytes, Bytes{0x03});

    // RIFF wrappers: SmfBytes.ChunkLengthsUseEveryByte.
    // Time codes instead of ticks per quarter note are refused, naming the division.
    Bytes smpte = SmfBuilder(0, 0xE728).Track(kEndOfTrack).Bytes();
    r = ReadBytes(smpte, store);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("SMPTE"), std::string::npos);
    EXPECT_EQ(r.offset, 12u);
}

struct Malformed {
    const char* what;
    Bytes bytes;
    const char* message;
    std::size_t offset;
};

TEST(SmfRead, AFaultyHeaderGivesOneClearErrorAndLeavesTheStoreEmpty) {
    const Bytes head = SmfBuilder(1, 96).Bytes();
    const std::vector<Malformed> cases = {
        {"missing header", {'M', 'T', 'r', 'k', 0, 0, 0, 0}, "missing MThd", 0},
        {"empty file", {}, "missing MThd", 0},
        {"short header", Bytes(head.begin(), head.begin() + 10), "missing MThd", 0},
        {"header length 2", {'M', 'T', 'h', 'd', 0, 0, 0, 2, 0, 1, 0, 1, 0, 96}, "shorter", 4},
        {"unknown format", SmfBuilder(3, 96).Bytes(), "format", 8},
        {"zero division", SmfBuilder(1, 0).Bytes(), "division", 12},
        {"header of 16 MB", {'M', 'T', 'h', 'd', 1, 0, 0, 6, 0, 1, 0, 0, 0, 96}, "runs past the end", 4},
        {"RIFF without data", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'R', 'M', 'I', 'D'}, "without a MIDI data", 0},
        {"RIFF data empty", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a', 0, 0, 0, 0},
         "missing MThd", 20},
    };
    for (const auto& c : cases) {
        Store store;
        ASSERT_TRUE(ReadBytes(SmfBuilder(0, 96).Track(EveryKindTrack(0)).Bytes(), store).ok);
        smf::ReadResult r = ReadBytes(c.bytes, store);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_NE(r.error.find(c.message), std::string::npos) << c.what << ": " << r.error;
        EXPECT_EQ(r.error.find('\n'), std::string::npos) << c.what;
        EXPECT_EQ(r.offset, c.offset) << c.what;
        EXPECT_EQ(store.TrackCount(), 0u) << c.what;
        EXPECT_EQ(store.EventCount(), 0u) << c.what;
    }
}

struct Salvage {
    const char* what;
    Bytes bytes;
    std::vector<std::tuple<std::string, std::size_t, bool>> warnings; // message, offset, damage
    std::size_t tracks;
    std::size_t events;
};

// Damaged tracks keep what comes before the damage, and the chunks after a damaged track are read.
TEST(SmfRead, WhatIsLeftOutOrChangedIsWarnedAboutOnceWithItsOffset) {
    auto withTrack = [&](const Bytes& body) { return SmfBuilder(1, 96).Track(body).Bytes(); };
    Bytes announced3 = withTrack(kEndOfTrack);
    announced3[11] = 3;
    Bytes cutInEvent = withTrack({0x00, 0x90, 60, 100, 0x10, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00});
    cutInEvent.resize(cutInEvent.size() - 5);
    Bytes cutAtEvent = Cat(SmfBuilder(1, 96).Track(kEndOfTrack).Bytes(), {'M', 'T', 'r', 'k', 0, 0, 0, 9, 0, 0xC0, 1});
    cutAtEvent[11] = 2;
    const Bytes next = {'M', 'T', 'r', 'k', 0, 0, 0, 4, 0x00, 0xFF, 0x2F, 0x00};
    Bytes longLength = Cat(withTrack({0x00, 0xC0, 1, 0x00, 0xFF, 0x2F, 0x00}), next);
    longLength[21] = 0x40; // declares 64 bytes, has 7: the next chunk is still found
    Bytes riffCut = Cat({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a', 0, 0, 1, 0},
                        withTrack(kEndOfTrack));
    Bytes unknownCut = Cat(withTrack(kEndOfTrack), {'X', 'Y', 'Z', 'W', 0, 0, 1, 0, 1, 2});
    const std::string rest = "; the rest of the track was left out";
    const std::vector<Salvage> cases = {
        {"fewer tracks than announced", announced3,
         {{"the header announces 3 tracks but the file holds 1; the rest is missing", 26, true}}, 1, 0},
        {"events after the end", withTrack(Cat(kEndOfTrack, {0x00, 0x90, 60, 100})),
         {{"track 1: 4 bytes after its end-of-track event were left out", 26, true}}, 1, 0},
        {"zero padding", withTrack(Cat(kEndOfTrack, {0, 0, 0})), {}, 1, 0},
        {"one note too long", withTrack(EndlessNotes(1)),
         {{"track 1: 1 note never ends; it ends at the track's end", 23, false},
          {"track 1: 1 note was longer than 4294967295 ticks and shortened to that length", 149, true}},
         1, 18},
        {"two notes too long", withTrack(EndlessNotes(2)),
         {{"track 1: 2 notes never end; they end at the track's end", 23, false},
          {"track 1: 2 notes were longer than 4294967295 ticks and shortened to that length", 153, true}},
         1, 19},
        {"cut inside an event", cutInEvent,
         {{"track 1: 1 note never ends; it ends at the track's end", 23, false},
          {"track 1: the file ends inside this track; it was read up to its last complete event", 26, true}},
         1, 1},
        {"cut after a complete event", cutAtEvent,
         {{"track 2: the file ends inside this track; it was read up to its last complete event", 37, true}}, 2, 1},
        {"length past the end with an end of track", longLength,
         {{"track 1: its chunk length runs past the end of the file; it was read up to its end-of-track event", 18,
           true},
          {"the header announces 1 track but the file holds 2; all were read", 29, false}},
         2, 1},
        {"a RIFF data chunk cut", riffCut,
         {{"the RIFF data chunk runs past the end of the file; it was read to the end", 16, true}}, 1, 0},
        {"another chunk cut", unknownCut,
         {{"a chunk of another kind runs past the end of the file; its 10 bytes were left out", 26, true}}, 1, 0},
        {"unended notes counted per track",
         Cat(withTrack({0x00, 0x90, 60, 1, 0x00, 0x91, 60, 1, 0x00, 0x90, 61, 1, 0x10, 0x80, 61, 0, 0x00, 0xFF,
                        0x2F, 0x00}),
             next),
         {{"track 1: 2 notes never end; they end at the track's end", 23, false},
          {"the header announces 1 track but the file holds 2; all were read", 42, false}},
         2, 3},
        // Notes left open in one track never take the next track's note-offs, and each track's
        // unended notes are its own.
        {"open notes stay in their track",
         Cat(withTrack({0x00, 0x90, 60, 1, 0x00, 0x91, 61, 1, 0x00, 0xFF, 0x2F, 0x00}),
             {'M', 'T', 'r', 'k', 0, 0, 0, 20, 0x00, 0x80, 60, 0, 0x00, 0x91, 61, 1, 0x10, 0x81, 61, 0, 0x00, 0x90,
              60, 5, 0x00, 0xFF, 0x2F, 0x00}),
         {{"track 1: 2 notes never end; they end at the track's end", 23, false},
          {"track 2: 1 note never ends; it ends at the track's end", 55, false},
          {"the header announces 1 track but the file holds 2; all were read", 34, false}},
         2, 5},
        {"five-byte delta", withTrack({0x00, 0xC0, 1, 0x81, 0x81, 0x81, 0x81, 0x00, 0x90, 60, 1}),
         {{"track 1: variable-length quantity longer than 4 bytes" + rest, 25, true}}, 1, 1},
        {"running status first", withTrack({0x00, 0x40, 0x40, 0x00, 0xFF, 0x2F, 0x00}),
         {{"track 1: running status with no previous status" + rest, 23, true}}, 1, 0},
        {"status in data", Cat(withTrack({0x00, 0x90, 0x40, 0x90, 0x00, 0xFF, 0x2F, 0x00}), next),
         {{"track 1: status byte inside a message's data" + rest, 25, true},
          {"the header announces 1 track but the file holds 2; all were read", 30, false}},
         2, 0},
        {"lowest status as a note", withTrack({0x00, 0x90, 0x80, 0x40, 0x00, 0xFF, 0x2F, 0x00}),
         {{"track 1: status byte inside a message's data" + rest, 24, true}}, 1, 0},
        {"event cut by its chunk", withTrack({0x00, 0x90, 0x40}), {{"track 1: truncated event" + rest, 23, true}}, 1, 0},
        {"meta past its chunk", withTrack({0x00, 0xFF, 0x01, 0x7F, 'x'}),
         {{"track 1: meta event runs past the end of its track" + rest, 23, true}}, 1, 0},
        {"sysex past its chunk", withTrack({0x00, 0xF0, 0x0A, 0x7E}),
         {{"track 1: sysex event runs past the end of its track" + rest, 23, true}}, 1, 0},
        {"system common byte", withTrack({0x00, 0xF2, 0x00, 0x00}), {{"track 1: unexpected status byte" + rest, 23, true}},
         1, 0},
        {"delta cut by its chunk", withTrack({0x00, 0x90, 60, 1, 0x81}),
         {{"track 1: 1 note never ends; it ends at the track's end", 23, false},
          {"track 1: truncated variable-length quantity" + rest, 26, true}},
         1, 1},
        {"meta type a status", withTrack({0x00, 0xFF, 0x80, 0x00}),
         {{"track 1: status byte inside a message's data" + rest, 24, true}}, 1, 0},
    };
    for (const Salvage& c : cases) {
        Store store;
        const smf::ReadResult r = ReadBytes(c.bytes, store);
        ASSERT_TRUE(r.ok) << c.what << ": " << r.error;
        std::vector<std::tuple<std::string, std::size_t, bool>> got;
        for (const smf::ReadWarning& w : r.warnings) got.emplace_back(w.message, w.offset, w.damage);
        EXPECT_EQ(got, c.warnings) << c.what;
        EXPECT_EQ(store.TrackCount(), c.tracks) << c.what;
        EXPECT_EQ(static_cast<std::size_t>(r.tracks), c.tracks) << c.what;
        EXPECT_EQ(store.EventCount(), c.events) << c.what;
        // What was read saves and reads back whole.
        Store again;
        const smf::ReadResult back = ReadBytes(WriteBytes(store), again);
        EXPECT_TRUE(back.ok && back.warnings.empty()) << c.what;
    }
}

TEST(SmfRead, EveryPrefixAndEveryByteChangeIsReadOrRefusedSafely) {
    const Bytes good = SmfBuilder(1, 96).Track(EveryKindTrack(1)).Track(EveryKindTrack(9)).Bytes();
    Store store;
    for (std::size_t n = 0; n < good.size(); ++n) {
        Bytes prefix(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        smf::ReadResult r = ReadBytes(prefix, store);
        if (!r.ok) {
            EXPECT_FALSE(r.error.empty());
            EXPECT_LE(r.offset, n);
        }
    }
    std::mt19937 rng(7);
    for (int i = 0; i < 4000; ++i) {
        Bytes bad = good;
        bad[rng() % bad.size()] = static_cast<std::uint8_t>(rng());
        smf::ReadResult r = ReadBytes(bad, store);
        if (r.ok) {
            // Whatever was read saves and reads back again.
            Bytes out = WriteBytes(store);
            Store again;
            EXPECT_TRUE(ReadBytes(out, again).ok);
        } else {
            EXPECT_LE(r.offset, bad.size());
        }
    }
}

using SmfSave = TempDirTest;

// Saves in a child process whose positioned writes (a track's length filled in after the track went
// out) the system refuses with EIO; returns the save's error, or "saved".
std::string SaveRefusingPositionedWrites(const Store& store, const std::string& path) {
    int fds[2];
    if (::pipe(fds) != 0) return "no pipe";
    if (::fork() == 0) {
        sock_filter filter[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                                BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_pwrite64, 0, 1),
                                BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EIO), BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
        sock_fprog program{4, filter};
        std::string said = "no filter";
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0) {
            const smf::WriteResult w = smf::WriteFile(store, path);
            said = w.ok ? "saved" : w.error;
        }
        [[maybe_unused]] const ssize_t n = ::write(fds[1], said.data(), said.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string said;
    char buf[256];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) said.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    ::wait(nullptr);
    return said;
}

TEST_F(SmfSave, ReplacesTheFileWholeAndAFailedSaveKeepsTheOldOne) {
    LoadedSong song(96);
    song.Note(0, 0, 60, 100, 96);
    song.Bytes(0, mp::MEK_SYSEX, Cat(Cat({0xF0}, Bytes(100000, 0x42)), {0xF7})); // more than one read buffer
    song.Finish(96);
    const fs::path target = dir_ / "song.mid";
    {
        std::ofstream old(target, std::ios::binary);
        old << "old contents";
    }
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    smf::WriteResult w = smf::WriteFile(song.store, target.string());
    ASSERT_TRUE(w.ok) << w.error;
    Store back;
    ASSERT_TRUE(smf::ReadFile(target.string(), back).ok);
    EXPECT_EQ(Image(back)[0].events, Image(song.store)[0].events);
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(FilesIn(dir_), 1u); // no temporary left behind

    // The target is a directory: the rename fails, the directory stays, no temporary is left.
    const fs::path blocked = dir_ / "blocked.mid";
    fs::create_directory(blocked);
    w = smf::WriteFile(song.store, blocked.string());
    EXPECT_FALSE(w.ok);
    EXPECT_EQ((std::tuple{bool(w.error.empty()), bool(fs::is_directory(blocked)), FilesIn(dir_)}),
              (std::tuple{false, true, 2u}));

    // Reading a folder or a missing file says which it was.
    Store none;
    EXPECT_EQ(smf::ReadFile(blocked.string(), none).failure, smf::ReadFailure::notAFile);
    EXPECT_EQ(smf::ReadFile((dir_ / "none.mid").string(), none).failure, smf::ReadFailure::cannotOpen);

    // A folder that does not exist.
    w = smf::WriteFile(song.store, (dir_ / "missing" / "song.mid").string());
    EXPECT_FALSE(w.ok);
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

// A song larger than what a save gathers before handing it to the file: the file holds exactly the
// bytes of the song written in memory (track lengths filled in after their tracks went out), and a
// save the disk stops part way keeps the old file and leaves no temporary behind.
TEST_F(SmfSave, ALargeSongSavesTheBytesItWritesAndAStoppedSaveKeepsTheOldFile) {
    LoadedSong song(480);
    for (int t = 0; t < 3; ++t) {
        if (t) song.Track(u"Part " + std::u16string(1, static_cast<char16_t>(u'0' + t)), t);
        for (int i = 0; i < 150'000; ++i)
            song.Note(i * 7, t, static_cast<std::uint8_t>(30 + (i * 5 + t) % 70), static_cast<std::uint8_t>(1 + i % 127),
                      5 + static_cast<std::uint32_t>(i % 11), static_cast<std::uint8_t>(i % 128));
        if (t == 1) song.Bytes(500'000, mp::MEK_SYSEX, Cat(Cat({0xF0}, Bytes(1'500'000, 0x11)), {0xF7}));
        song.store.SetLoadedBlockEnd(song.block, 150'000 * 7);
    }
    song.store.FinishLoad();
    const Bytes whole = WriteBytes(song.store);
    ASSERT_GT(whole.size(), std::size_t{3} << 20);
    const fs::path target = dir_ / "large.mid";
    const smf::WriteResult w = smf::WriteFile(song.store, target.string());
    ASSERT_TRUE(w.ok) << w.error;
    std::ifstream in(target, std::ios::binary);
    EXPECT_TRUE(Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()) == whole);

    // The file-size limit stops the next save after its first megabytes.
    struct rlimit was{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &was), 0);
    auto* const previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = was;
    small.rlim_cur = 2u << 20;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const fs::path other = dir_ / "other.mid";
    { std::ofstream(other, std::ios::binary) << "old contents"; }
    const smf::WriteResult stopped = smf::WriteFile(song.store, other.string());
    ::setrlimit(RLIMIT_FSIZE, &was);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(stopped.ok);
    EXPECT_FALSE(stopped.error.empty());
    EXPECT_EQ((std::tuple{fs::file_size(other), FilesIn(dir_)}), (std::tuple{12u, 2u}));

    // The disk refuses to fill in a length: the save says why and the old file stays.
    EXPECT_EQ(SaveRefusingPositionedWrites(song.store, other.string()), "cannot write the file: " + std::string(std::strerror(EIO)));
    EXPECT_EQ((std::tuple{fs::file_size(other), FilesIn(dir_)}), (std::tuple{12u, 2u}));
}

// Reads, writes and reads again: the same tracks and events; a second write gives the same bytes.
void ExpectRoundTrip(const Bytes& original, const std::string& what) {
    Store first;
    smf::ReadResult r = ReadBytes(original, first);
    ASSERT_TRUE(r.ok) << what << ": " << r.error;
    const Bytes written = WriteBytes(first);
    Store second;
    r = ReadBytes(written, second);
    ASSERT_TRUE(r.ok) << what << ": " << r.error;
    EXPECT_EQ(second.TicksPerQuarter(), first.TicksPerQuarter()) << what;
    EXPECT_TRUE(Image(first) == Image(second)) << what << ": tracks, names, channels or events differ";
    EXPECT_EQ(first.Time().Tempos().size(), second.Time().Tempos().size()) << what;
    EXPECT_EQ(WriteBytes(second), written) << what;
}

TEST(SmfRoundTrip, GeneratedFilesOfEveryKindAndShape) {
    ExpectRoundTrip(SmfBuilder(1, 96).Track(EveryKindTrack(0)).Track(EveryKindTrack(15)).Bytes(), "every kind");
    ExpectRoundTrip(SmfBuilder(0, 960).Track(EveryKindTrack(4)).Bytes(), "format 0");

    // Random dense tracks: overlapping notes of one key, zero-length notes, lone offs, long gaps.
    std::mt19937 rng(11);
    for (int file = 0; file < 20; ++file) {
        SmfBuilder b(1, 24 + static_cast<int>(rng() % 1000));
        const int tracks = 1 + static_cast<int>(rng() % 4);
        for (int t = 0; t < tracks; ++t) {
            Bytes body;
            const int n = static_cast<int>(rng() % 300);
            for (int i = 0; i < n; ++i) {
                const std::uint32_t delta = rng() % 5 == 0 ? rng() % 100000 : rng() % 4;
                Bytes v = Vlq(delta);
                body.insert(body.end(), v.begin(), v.end());
                const auto ch = static_cast<std::uint8_t>(rng() % 3);
                const auto key = static_cast<std::uint8_t>(60 + rng() % 3);
                switch (rng() % 8) {
                case 0: case 1: case 2: body.insert(body.end(), {static_cast<std::uint8_t>(0x90 | ch), key, static_cast<std::uint8_t>(1 + rng() % 127)}); break;
                case 3: case 4: body.insert(body.end(), {static_cast<std::uint8_t>(0x80 | ch), key, static_cast<std::uint8_t>(rng() % 128)}); break;
                case 5: body.insert(body.end(), {static_cast<std::uint8_t>(0xB0 | ch), static_cast<std::uint8_t>(rng() % 120), static_cast<std::uint8_t>(rng() % 128)}); break;
                case 6: body.insert(body.end(), {static_cast<std::uint8_t>(0xE0 | ch), static_cast<std::uint8_t>(rng() % 128), static_cast<std::uint8_t>(rng() % 128)}); break;
                default: body.insert(body.end(), {0xFF, 0x01, 0x01, static_cast<std::uint8_t>('a' + rng() % 26)}); break;
                }
            }
            body.insert(body.end(), kEndOfTrack.begin(), kEndOfTrack.end());
            b.Track(body);
        }
        ExpectRoundTrip(b.Bytes(), "random file " + std::to_string(file));
    }
}

// The MIDI files of the corpus, by name; the test is skipped when there are none.
std::vector<std::pair<std::string, Bytes>> CorpusSongs() {
    std::vector<std::pair<std::string, Bytes>> songs;
    std::error_code ec;
    if (!fs::is_directory(VOR_CORPUS_DIR, ec)) return songs;
    for (const auto& entry : fs::directory_iterator(VOR_CORPUS_DIR)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if (ext != ".mid" && ext != ".midi" && ext != ".smf") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        songs.emplace_back(entry.path().filename().string(), Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    }
    return songs;
}

TEST(SmfRoundTrip, CorpusFiles) {
    const auto songs = CorpusSongs();
    if (songs.empty()) GTEST_SKIP() << "no MIDI files at " << VOR_CORPUS_DIR;
    for (const auto& [name, bytes] : songs) ExpectRoundTrip(bytes, name);
}

// A song holds at most the tracks a header can announce, so whatever opens can be saved.
TEST(SmfRead, TrackChunksBeyondTheLastSaveableOneAreLeftOut) {
    Bytes bytes = SmfBuilder(1, 96).Bytes();
    bytes[10] = bytes[11] = 0xFF;
    for (int i = 0; i < smf::kMaxTracks + 2; ++i) bytes = Cat(std::move(bytes), {'M', 'T', 'r', 'k', 0, 0, 0, 4, 0x00, 0xFF, 0x2F, 0x00});
    Store store;
    const smf::ReadResult r = ReadBytes(bytes, store);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(store.TrackCount(), 65535u);
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_EQ(r.warnings[0].message,
              "the file holds 65537 tracks, more than the 65535 a song can hold; tracks 65536 to 65537 were left out");
    EXPECT_EQ(r.warnings[0].offset, 14u + 65535u * 12u);
    std::uint32_t id = 0;
    EXPECT_EQ(store.InsertTrack(TrackValue{}, &id), win::E_FAIL) << "nor can one be added";
    Bytes out;
    EXPECT_TRUE(smf::Write(store, out).ok);
}

using SmfSalvage = TempDirTest;

// Copies of real songs cut off in the middle of each track: every track before the cut comes back as
// the whole file has it, and what was read saves.
TEST_F(SmfSalvage, CorpusSongsCutInsideATrackKeepEveryCompleteTrack) {
    int cuts = 0;
    for (const auto& [name, whole] : CorpusSongs()) {
        Store full;
        if (!ReadBytes(whole, full).ok) continue;
        const std::vector<TrackImage> image = Image(full);
        std::size_t track = 0;
        for (std::size_t pos = 14; pos + 8 <= whole.size(); pos += 8 + (std::size_t{whole[pos + 6]} << 8 | whole[pos + 7])) {
            if (std::memcmp(whole.data() + pos, "MTrk", 4) != 0 || whole[pos + 4] || whole[pos + 5]) break;
            const std::size_t length = std::size_t{whole[pos + 6]} << 8 | whole[pos + 7];
            const fs::path cut = dir_ / "cut.mid";
            std::ofstream(cut, std::ios::binary)
                .write(reinterpret_cast<const char*>(whole.data()), static_cast<std::streamsize>(pos + 8 + length / 2));
            Store store;
            const smf::ReadResult r = smf::ReadFile(cut.string(), store);
            const std::string what = name + " cut in track " + std::to_string(track + 1);
            ASSERT_TRUE(r.ok) << what << ": " << r.error;
            const std::vector<TrackImage> got = Image(store);
            ASSERT_EQ(got.size(), track + 1) << what;
            EXPECT_TRUE(std::equal(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(track), image.begin())) << what;
            EXPECT_LE(got.back().events.size(), image[track].events.size()) << what;
            const std::string said = "track " + std::to_string(track + 1) + ": the file ends inside this track";
            EXPECT_TRUE(std::any_of(r.warnings.begin(), r.warnings.end(),
                                    [&](const smf::ReadWarning& w) { return w.damage && w.message.starts_with(said); }))
                << what;
            Store again;
            EXPECT_TRUE(ReadBytes(WriteBytes(store), again).warnings.empty()) << what;
            ++track;
            ++cuts;
        }
    }
    if (cuts == 0) GTEST_SKIP() << "the corpus holds no MIDI files with tracks";
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
    const Bytes out = WriteBytes(song.store, &skipped);
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
    EXPECT_EQ(WriteBytes(song.store), expected);
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
    EXPECT_EQ(Body(WriteBytes(song.store)), expected);
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
    EXPECT_EQ(WriteBytes(song.store), expected);
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
    EXPECT_EQ(WriteBytes(song.store), file);

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
    const Bytes file = WriteBytes(song.store);
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
    EXPECT_EQ(WriteBytes(finest.store), SmfBuilder(1, 0x7FFF).Track(kEndOfTrack).Bytes());

    LoadedSong many(96, u"");
    for (int t = 1; t < 0xFFFF; ++t) many.Track(u"");
    many.Finish(0);
    const Bytes out = WriteBytes(many.store);
    ASSERT_GE(out.size(), 14u);
    EXPECT_EQ((std::tuple{out[10], out[11], out.size()}), (std::tuple{0xFF, 0xFF, 14u + 0xFFFFu * 12}));
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
    const Bytes written = WriteBytes(edge.store);
    ASSERT_TRUE(smf::Read(written.data(), written.size(), back).ok);
    const EventValue last = back.Event(back.EventsOf(back.BlocksOf(back.TracksInOrder()[0])[0]).back());
    EXPECT_EQ(std::tuple(last.time, last.length), std::tuple(kLimit - 100, 100u));
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
    EXPECT_EQ((std::tuple{trailing.TrackCount(), r.ticksPerQuarter}), (std::tuple{3u, 480u}));
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

// Track names between file bytes and UTF-16: UTF-8 at the edges of each sequence length and of the
// surrogate range, and Latin-1 for bytes that are not UTF-8.
std::u16string Latin1(const std::string& bytes) {
    std::u16string out;
    for (char c : bytes) out.push_back(static_cast<unsigned char>(c));
    return out;
}

TEST(NameText, Utf8BothWaysAtEveryBoundary) {
    const std::pair<std::string, std::u16string> both[] = {
        {"\x7F", u"\x7F"},
        {"\xC2\x80", u"\x80"},
        {"\xDF\xBF", u"\x7FF"},
        {"\xE0\xA0\x80", u"\x800"},
        {"\xED\x9F\xBF", u"\xD7FF"},
        {"\xEE\x80\x80", u"\xE000"},
        {"\xEF\xBF\xBF", u"\xFFFF"},
        {"\xF0\x90\x80\x80", u"\xD800\xDC00"},
        {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
        {"Bass \xC3\xA9", u"Bass \xE9"},
    };
    for (const auto& [bytes, text] : both) {
        EXPECT_EQ(DecodeName(bytes), text) << bytes;
        EXPECT_EQ(EncodeUtf8(text), bytes) << bytes;
    }
    // Overlong forms, surrogates, code points past U+10FFFF, cut and broken sequences: Latin-1.
    for (const std::string bytes : {"\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xED\xBF\xBF", "\xF0\x8F\xBF\xBF",
                                    "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "a\xE0\xA0", "\xC3" "A"})
        EXPECT_EQ(DecodeName(bytes), Latin1(bytes)) << bytes;
    // A surrogate without its partner is written as the replacement character.
    EXPECT_EQ(EncodeUtf8(std::u16string{char16_t(0xD800)}), "\xEF\xBF\xBD");
    EXPECT_EQ(EncodeUtf8(std::u16string{char16_t(0xDC00), u'a'}), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(EncodeUtf8(std::u16string{char16_t(0xDBFF), u'a'}), "\xEF\xBF\xBD" "a");
    EXPECT_EQ(EncodeUtf8(std::u16string{char16_t(0xD800), char16_t(0xE000)}), "\xEF\xBF\xBD\xEE\x80\x80");
}

} // namespace
} // namespace host::test

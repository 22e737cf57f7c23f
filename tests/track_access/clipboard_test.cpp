// Clipboard exchange: copying, cutting and pasting selected events, and refusing foreign or damaged
// clipboard data.
#include <gtest/gtest.h>

#include <cstring>

#include "track_fixture.h"
#include "win/com.h"

namespace {

using namespace win;

class Clipboard : public harness::TrackFixture {
protected:
    void SetUp() override {
        harness::TrackFixture::SetUp();
        source = AddTrack(u"Source", 3);
        sourceBlock = AddBlock(source, 0, 7680);
        a = AddNote(sourceBlock, 960, 480, 60, 100, true);
        b = AddNote(sourceBlock, 1920, 480, 64, 90, true);
        c = AddNote(sourceBlock, 2880, 480, 67, 80, false);
        Connect();
        ASSERT_NE(plugin->ClipboardFormat(), 0u);
        ClearClipboard();
    }
    // Puts raw bytes on the clipboard under the editor's format.
    void PutRaw(const std::vector<std::uint8_t>& bytes) {
        HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        ASSERT_NE(mem, nullptr);
        std::memcpy(GlobalLock(mem), bytes.data(), bytes.size());
        GlobalUnlock(mem);
        ASSERT_TRUE(OpenClipboard(nullptr));
        EmptyClipboard();
        ASSERT_NE(SetClipboardData(plugin->ClipboardFormat(), mem), nullptr);
        CloseClipboard();
    }
    std::vector<std::uint8_t> Block(std::uint32_t version, std::uint32_t second, std::uint32_t count,
                                    std::size_t records) {
        std::vector<std::uint8_t> bytes(12 + records * 64);
        const std::uint32_t header[3] = {version, second, count};
        std::memcpy(bytes.data(), header, 12);
        for (std::size_t i = 0; i < records; ++i) {
            mp::MidiEventRecord r{};
            r.kind = mp::MEK_NOTE;
            r.time = static_cast<std::int64_t>(i) * 100;
            r.timeFormat = mp::TIME_FORMAT_TICKS;
            r.length = 50;
            r.data[0] = 60;
            r.data[1] = 64;
            std::memcpy(bytes.data() + 12 + i * 64, &r, 64);
        }
        return bytes;
    }
    // A second track to paste into, shown by the access.
    std::uint32_t Target(int channel, std::int64_t blockStart = 0) {
        target = AddTrack(u"Target", channel);
        targetBlock = AddBlock(target, blockStart, 7680);
        previouslySelected = AddNote(targetBlock, 0, 100, 50, 100, true);
        Deliver();
        EXPECT_EQ(access->SelectTrack(target), S_OK);
        return target;
    }
    std::vector<host::EventValue> TargetEvents() {
        return project->WithStore([&](host::Store& s) {
            std::vector<host::EventValue> out;
            for (std::uint32_t e : s.EventsOf(targetBlock)) out.push_back(s.Event(e));
            return out;
        });
    }

    std::uint32_t source = 0, sourceBlock = 0, a = 0, b = 0, c = 0;
    std::uint32_t target = 0, targetBlock = 0, previouslySelected = 0;
};

TEST_F(Clipboard, CopyAndPasteAtAPosition) {
    EXPECT_FALSE(plugin->CanPaste());
    ASSERT_TRUE(plugin->HasSelection());
    ASSERT_EQ(plugin->CopySelection(nullptr, false), S_OK);
    EXPECT_TRUE(plugin->CanPaste());
    Target(9, 480); // the position is a song time; the block's own times start at its start
    std::int64_t position = 3840;
    ASSERT_EQ(access->PasteAt(nullptr, &position), S_OK);
    EXPECT_EQ(position, 5280);
    EXPECT_EQ(UndoName(), u"Paste MIDI Events");
    const auto events = TargetEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_FALSE(events[0].flags & mp::MEF_SELECTED) << "what was selected before is deselected";
    EXPECT_EQ(events[1].time, 3840 - 480);
    EXPECT_EQ(events[2].time, 4800 - 480);
    for (int i : {1, 2}) {
        EXPECT_TRUE(events[i].flags & mp::MEF_SELECTED);
        EXPECT_EQ(events[i].channel, 9);
        EXPECT_EQ(events[i].length, 480u);
    }
    EXPECT_EQ(events[2].data[0], 64);
    // The source is untouched by a copy.
    EXPECT_TRUE(Alive(a) && Alive(b) && Alive(c));
}

TEST_F(Clipboard, PasteIntoATrackWithoutChannelUsesChannelZero) {
    access->SetEventSelected(mp::EventKey{source, sourceBlock, b}, false);
    ASSERT_EQ(plugin->CopySelection(nullptr, false), S_OK);
    Target(-1);
    std::int64_t position = 0;
    ASSERT_EQ(access->PasteAt(nullptr, &position), S_OK);
    EXPECT_EQ(UndoName(), u"Paste MIDI Event");
    const auto events = TargetEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].channel, 0);
    EXPECT_EQ(position, 480);
}

TEST_F(Clipboard, ForeignOrDamagedBlocksAreRefused) {
    Target(2);
    const auto before = TargetEvents().size();
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"second word not 2", Block(1, 3, 1, 1)},
        {"version not 1", Block(2, 2, 1, 1)},
        {"zero count", Block(1, 2, 0, 1)},
        {"count past the data", Block(1, 2, 3, 2)},
        {"huge count", Block(1, 2, 0xFFFFFFFFu, 1)},
        {"short header", std::vector<std::uint8_t>(8, 1)},
        {"record cut short", [&] {
             auto bytes = Block(1, 2, 1, 1);
             bytes.resize(40);
             return bytes;
         }()},
    };
    for (const Case& k : cases) {
        PutRaw(k.bytes);
        EXPECT_EQ(plugin->ReadClipboard(nullptr), nullptr) << k.what;
        std::int64_t position = 100;
        EXPECT_EQ(access->PasteAt(nullptr, &position), E_FAIL) << k.what;
        EXPECT_EQ(position, 100) << k.what;
    }
    EXPECT_EQ(TargetEvents().size(), before);
    EXPECT_EQ(access->PasteAt(nullptr, nullptr), E_FAIL);
    // A well-formed block of another editor is taken.
    PutRaw(Block(1, 2, 2, 2));
    std::int64_t position = 1000;
    ASSERT_EQ(access->PasteAt(nullptr, &position), S_OK);
    EXPECT_EQ(position, 1150);
    EXPECT_EQ(TargetEvents().size(), before + 2);
}

TEST_F(Clipboard, NoteDataThatSpellsALiveHandleIsNotFreed) {
    // A note record's data bytes share their place with the data handle of variable-length events.
    std::vector<DWORD> held;
    DWORD handle = CoTaskMemAllocHandle(4);
    for (; (handle & 0x7F7Fu) != handle || handle < 0x100; handle = CoTaskMemAllocHandle(4)) held.push_back(handle);
    const std::uint32_t note =
        AddNote(sourceBlock, 0, 10, static_cast<int>(handle & 0x7F), static_cast<int>(handle >> 8), true);
    Deliver();
    ASSERT_TRUE(plugin->HasSelection());
    ASSERT_EQ(plugin->CopySelection(nullptr, false), S_OK);
    EXPECT_NE(CoTaskMemHandlePtr(handle), nullptr);
    EXPECT_TRUE(Alive(note));
    for (DWORD h : held) CoTaskMemFreeHandle(h);
    CoTaskMemFreeHandle(handle);
}

TEST_F(Clipboard, AClipboardHeldOpenElsewhereMakesCopyASilentNoOp) {
    HWND holder = CreateWindowEx(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(holder, nullptr);
    ASSERT_TRUE(OpenClipboard(holder));
    EXPECT_EQ(plugin->CopySelection(nullptr, false), S_OK);
    EXPECT_EQ(plugin->ReadClipboard(nullptr), nullptr);
    CloseClipboard();
    DestroyWindow(holder);
    EXPECT_FALSE(plugin->CanPaste());
}

} // namespace

// Host notifications from a host thread while the window thread pumps: 100,000 transport changes
// (none lost, in order, never more than one PRM_TRACK_LIST_CHANGED waiting in the window's queue),
// and large moves whose records the editor takes as runs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "editor_fixture.h"
#include "mp/event_writes.h"
#include "mp/plugin.h"
#include "mp/private_messages.h"
#include "win/backend.h"

namespace {

using namespace win;

constexpr int kNotifications = 100000;

std::vector<WPARAM> gStates;
int gDataMessages = 0;
int gMostQueued = 0;
WNDPROC gOriginal = nullptr;

LRESULT CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == mp::PRM_TRACK_LIST_CHANGED) {
        ++gDataMessages;
        // The one being handled has left the queue; another one waiting would be a second post.
        MSG next{};
        int waiting = PeekMessage(&next, hwnd, mp::PRM_TRACK_LIST_CHANGED, mp::PRM_TRACK_LIST_CHANGED, PM_NOREMOVE)
                          ? 1
                          : 0;
        if (waiting + 1 > gMostQueued) gMostQueued = waiting + 1;
    } else if (msg == mp::PRM_PLAYBACK_STOPPED) {
        gStates.push_back(wParam);
    }
    return CallWindowProc(gOriginal, hwnd, msg, wParam, lParam);
}

class HostThreadNotifications : public harness::EditorFixture {
protected:
    // The window thread's messages, until the host thread is done and nothing is left to handle.
    static void PumpWhileHostRuns(const std::atomic<bool>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (std::chrono::steady_clock::now() < deadline) {
            const bool finished = done.load();
            if (headless::PumpUntilIdle() == 0) {
                if (finished) break;
                std::this_thread::yield();
            }
        }
    }
};

TEST_F(HostThreadNotifications, NoneLostAndOneMessageAtATime) {
    std::uint32_t track = AddTrack(u"Piano", 0);
    AddBlock(track, 0, 3840);
    CreatePlugin();
    ASSERT_EQ(InitialisePlugin(), S_OK);
    CreatePage();
    ASSERT_EQ(OpenEditor(), S_OK);
    HWND editor = EditorWindow();
    ASSERT_NE(editor, nullptr);
    gOriginal = reinterpret_cast<WNDPROC>(SetWindowLongPtr(editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
    gStates.clear();
    gStates.reserve(kNotifications);
    gDataMessages = 0;
    gMostQueued = 0;

    std::atomic<bool> done{false};
    std::atomic<int> refused{0};
    auto* properties = static_cast<mp::IMPProperties*>(project);
    std::thread hostThread([&] {
        for (int i = 0; i < kNotifications; ++i) {
            DWORD flags = (i & 1) ? 0 : mp::TRANSPORT_PLAYING;
            if (properties->SetProperty(mp::PID_TRANSPORT_FLAGS, 0, 0, 4, &flags) != S_OK) refused.fetch_add(1);
        }
        done.store(true);
    });

    PumpWhileHostRuns(done);
    hostThread.join();
    Pump();

    EXPECT_EQ(refused.load(), 0);
    ASSERT_EQ(gStates.size(), static_cast<std::size_t>(kNotifications));
    int outOfOrder = 0;
    for (int i = 0; i < kNotifications; ++i) outOfOrder += gStates[i] != ((i & 1) ? 0u : mp::TRANSPORT_PLAYING);
    EXPECT_EQ(outOfOrder, 0);
    EXPECT_GE(gDataMessages, 1);
    EXPECT_EQ(gMostQueued, 1);
    SetWindowLongPtr(editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gOriginal));
}

// Moves of every note, each one host call of many like records, from a host thread while the window
// thread pumps: the list ends with every note where the last move put it.
TEST_F(HostThreadNotifications, EveryMoveFromAHostThreadReachesTheList) {
    constexpr int kNotes = 300, kMoves = 40;
    std::uint32_t track = AddTrack(u"Piano", 0);
    std::uint32_t block = AddBlock(track, 0, 3840);
    std::vector<mp::MPEventWrite> writes(kNotes);
    for (int i = 0; i < kNotes; ++i) {
        writes[i].key = mp::EventKey{track, block, AddNote(block, i * 10, 5, 60)};
        writes[i].mask = mp::CHANGE_TIME;
    }
    CreatePlugin();
    ASSERT_EQ(InitialisePlugin(), S_OK);
    CreatePage();
    ASSERT_EQ(OpenEditor(), S_OK);
    mp::COPTPlugin* object = static_cast<mp::COPTPlugin*>(init);
    ASSERT_EQ(object->EventList().size(), static_cast<std::size_t>(kNotes));

    std::atomic<bool> done{false};
    std::atomic<int> refused{0};
    auto* properties = static_cast<mp::IMPProperties*>(project);
    std::thread hostThread([&] {
        for (int move = 1; move <= kMoves; ++move) {
            for (int i = 0; i < kNotes; ++i) writes[i].record.time = i * 10 + move;
            if (properties->SetProperty(mp::PID_SET_EVENTS, kNotes, mp::MP_EVENT_WRITES_FORWARD,
                                        static_cast<DWORD>(writes.size() * sizeof writes[0]), writes.data()) != S_OK)
                refused.fetch_add(1);
        }
        done.store(true);
    });
    PumpWhileHostRuns(done);
    hostThread.join();
    Pump();

    EXPECT_EQ(refused.load(), 0);
    const mp::EntryList& list = object->EventList();
    ASSERT_EQ(list.size(), static_cast<std::size_t>(kNotes));
    int misplaced = 0;
    for (int i = 0; i < kNotes; ++i) misplaced += list[i].key.event != writes[i].key.event || list[i].start != i * 10 + kMoves;
    EXPECT_EQ(misplaced, 0);
}

} // namespace

// Notifications from the host to the editor window: queueing, posting, the deferred phase, the
// private messages, and the page's lifecycle around them.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "editor_fixture.h"
#include "memory_stream.h"
#include "module/pianoroll_plugin.h"
#include "mp/page.h"
#include "mp/private_messages.h"
#include "win/controls.h"

namespace {

using namespace win;

// What the editor window received, in order (only the messages the plug-in object sends or posts).
struct Received {
    UINT message;
    WPARAM wParam;
};
std::vector<Received> gReceived;
WNDPROC gOriginal = nullptr;

LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if ((msg >= mp::PRM_REFRESH_STATE && msg <= mp::PRM_TIMEBASE_CHANGED) || msg == mp::PRM_TRACK_LIST_CHANGED ||
        msg == mp::PRM_TRANSPORT_TICK)
        gReceived.push_back({msg, wParam});
    return CallWindowProc(gOriginal, hwnd, msg, wParam, lParam);
}

class Notifications : public harness::EditorFixture {
protected:
    void SetUp() override {
        harness::EditorFixture::SetUp();
        track = AddTrack(u"Melody", 0);
        block = AddBlock(track, 0, 3840);
        AddNote(block, 0, 480, 60);
        CreatePlugin();
        ASSERT_EQ(InitialisePlugin(), S_OK);
        CreatePage();
        gReceived.clear();
    }
    void OpenAndWatch() {
        ASSERT_EQ(OpenEditor(), S_OK);
        HWND editor = EditorWindow();
        ASSERT_NE(editor, nullptr);
        gOriginal = reinterpret_cast<WNDPROC>(
            SetWindowLongPtr(editor, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingProc)));
        gReceived.clear();
    }
    void SetTransport(DWORD flags) {
        ASSERT_EQ(static_cast<mp::IMPProperties*>(project)->SetProperty(mp::PID_TRANSPORT_FLAGS, 0, 0, 4, &flags),
                  S_OK);
    }
    int Count(UINT message) const {
        int n = 0;
        for (const Received& r : gReceived) n += r.message == message;
        return n;
    }
    // The transport states the window was told of, in order.
    static std::vector<WPARAM> PlaybackStates() {
        std::vector<WPARAM> states;
        for (const Received& r : gReceived)
            if (r.message == mp::PRM_PLAYBACK_STOPPED) states.push_back(r.wParam);
        return states;
    }
    int Queued(UINT message) {
        MSG msg{};
        return PeekMessage(&msg, EditorWindow(), message, message, PM_NOREMOVE) ? 1 : 0;
    }
    mp::COPTPianoRollPlugin* Object() { return static_cast<mp::COPTPianoRollPlugin*>(static_cast<mp::COPTPlugin*>(init)); }

    std::uint32_t track = 0;
    std::uint32_t block = 0;
};

TEST_F(Notifications, TwoBeforeTheWindowRunsShareOnePostedMessage) {
    OpenAndWatch();
    SetTransport(mp::TRANSPORT_PLAYING);
    SetTransport(0);
    EXPECT_EQ(Queued(mp::PRM_TRACK_LIST_CHANGED), 1);
    EXPECT_TRUE(Object()->Flags() & mp::PLF_DATA_POSTED);
    Pump();
    EXPECT_EQ(Count(mp::PRM_TRACK_LIST_CHANGED), 1);
    // Both were handled in the deferred phase, in the order they arrived.
    EXPECT_EQ(PlaybackStates(), (std::vector<WPARAM>{mp::TRANSPORT_PLAYING, 0}));
    EXPECT_FALSE(Object()->Flags() & mp::PLF_DATA_POSTED);

    // The next notification posts again.
    SetTransport(mp::TRANSPORT_PLAYING);
    Pump();
    EXPECT_EQ(Count(mp::PRM_TRACK_LIST_CHANGED), 2);
}

TEST_F(Notifications, EachHostChangeReachesTheWindowAsItsMessage) {
    OpenAndWatch();
    mp::MPLoopRegion loop{960, 1920, mp::TIME_FORMAT_TICKS, 0};
    ASSERT_EQ(static_cast<mp::IMPProperties*>(project)->SetProperty(mp::PID_LOOP_REGION, 0, 0, sizeof loop, &loop), S_OK);
    project->WithStore([](host::Store& store) { store.SetTicksPerQuarter(480); });
    Pump();
    EXPECT_EQ(Count(mp::PRM_SELECTION_CHANGED), 1);
    EXPECT_EQ(Count(mp::PRM_TIMEBASE_CHANGED), 1);
}

// A delivery run holds its records back from the window until the outermost run closes; then they
// are pending together and one message tells of them. Another thread's run is declined meanwhile.
TEST_F(Notifications, ARunsRecordsReachTheWindowWhenItCloses) {
    OpenAndWatch();
    mp::COPTPlugin* object = Object();
    ASSERT_EQ(object->BeginNotifyRun(4), S_OK);
    ASSERT_EQ(object->BeginNotifyRun(1), S_OK) << "nested on the same thread";
    HRESULT otherBegin = S_OK, otherEnd = S_OK;
    std::thread other([&] {
        otherBegin = object->BeginNotifyRun(1);
        otherEnd = object->EndNotifyRun();
    });
    other.join();
    EXPECT_EQ(otherBegin, S_FALSE);
    EXPECT_EQ(otherEnd, E_UNEXPECTED);
    SetTransport(mp::TRANSPORT_PLAYING); // the host brackets each delivery too
    AddNote(block, 960, 480, 62);
    SetTransport(0);
    EXPECT_EQ(object->PendingNotificationCount(), 0u);
    EXPECT_EQ(object->EndNotifyRun(), S_OK);
    EXPECT_EQ(Queued(mp::PRM_TRACK_LIST_CHANGED), 0);
    EXPECT_EQ(object->EndNotifyRun(), S_OK);
    EXPECT_EQ(object->PendingNotificationCount(), 3u);
    EXPECT_EQ(Queued(mp::PRM_TRACK_LIST_CHANGED), 1);
    EXPECT_EQ(object->EndNotifyRun(), E_UNEXPECTED);
    Pump();
    EXPECT_EQ(Count(mp::PRM_TRACK_LIST_CHANGED), 1);
    EXPECT_EQ(PlaybackStates(), (std::vector<WPARAM>{mp::TRANSPORT_PLAYING, 0}));
    EXPECT_EQ(object->EventList().size(), 2u);
}

TEST_F(Notifications, LongerFirstBlockRaisesTheSongLength) {
    OpenAndWatch();
    EXPECT_EQ(Object()->Settings().songLength, -1);
    AddNote(block, 960, 480, 62); // an event change: the block is measured in the deferred phase
    Pump();
    EXPECT_EQ(Object()->Settings().songLength, 3840);
    EXPECT_EQ(Count(mp::PRM_TRACK_CONTENT_CHANGED), 1);
    AddNote(block, 1920, 480, 64); // same length: nothing more to say
    Pump();
    EXPECT_EQ(Count(mp::PRM_TRACK_CONTENT_CHANGED), 1);
}

TEST_F(Notifications, TimeTicksArePostedOneAtATime) {
    OpenAndWatch();
    project->ReportTransportTime(100);
    project->ReportTransportTime(200);
    EXPECT_EQ(Queued(mp::PRM_TRANSPORT_TICK), 1);
    Pump();
    EXPECT_EQ(Count(mp::PRM_TRANSPORT_TICK), 1);
    EXPECT_FALSE(Object()->Flags() & mp::PLF_TIME_POSTED) << "the window clears the flag when it handles the tick";
    project->ReportTransportTime(300);
    Pump();
    EXPECT_EQ(Count(mp::PRM_TRANSPORT_TICK), 2);
}

TEST_F(Notifications, ActivateDiscardsQueuedRecordsAndReloadsTracks) {
    OpenAndWatch();
    EXPECT_EQ(Object()->Tracks().size(), 1u);
    CloseEditor();
    // With no window the records wait in the queue.
    SetTransport(mp::TRANSPORT_PLAYING);
    AddTrack(u"Bass", 1);
    EXPECT_FALSE(Object()->Flags() & mp::PLF_DATA_POSTED);
    EXPECT_EQ(Object()->Tracks().size(), 1u);

    OpenAndWatch();
    EXPECT_EQ(Object()->Tracks().size(), 2u) << "the track table was rebuilt from the host";
    EXPECT_TRUE((Object()->Flags() & (mp::PLF_TRACKS_LOADED | mp::PLF_BLOCKS_LOADED)) ==
                (mp::PLF_TRACKS_LOADED | mp::PLF_BLOCKS_LOADED));
    Pump();
    EXPECT_EQ(Count(mp::PRM_PLAYBACK_STOPPED), 0) << "discarded records are not replayed";
    EXPECT_EQ(Object()->ProcessNotifications(false), S_FALSE);
}

TEST_F(Notifications, DetachingNullKeepsTheAttachedView) {
    OpenAndWatch();
    mp::CBaseListPage* view = Object()->AttachedView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(Object()->DetachView(nullptr), E_UNEXPECTED);
    EXPECT_EQ(Object()->AttachedView(), view);
}

TEST_F(Notifications, SavingAsksTheWindowForItsViewStateFirst) {
    OpenAndWatch();
    auto* persist = Query<IPersistStream>(IID_IPersistStream);
    ASSERT_NE(persist, nullptr);
    harness::MemoryStream stream;
    EXPECT_EQ(persist->Save(&stream, TRUE), S_OK);
    EXPECT_EQ(Count(mp::PRM_SAVE_VIEW_STATE), 1);
    persist->Release();
}

class Page : public Notifications {};

TEST_F(Page, RefusesBadCallsWithoutSideEffects) {
    RECT rect{0, 0, 100, 100};
    EXPECT_EQ(page->Activate(nullptr, &rect, FALSE), E_UNEXPECTED) << "no object yet";
    EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);
    EXPECT_EQ(page->GetPageInfo(nullptr), E_POINTER);
    IUnknown* two[] = {plugin, plugin};
    EXPECT_EQ(page->SetObjects(2, two), E_UNEXPECTED);
    // Something that is not a plug-in object of this module.
    IUnknown* foreign[] = {static_cast<mp::IMPMidiData*>(project)};
    EXPECT_EQ(page->SetObjects(1, foreign), E_NOINTERFACE);
    EXPECT_EQ(Object()->AttachedView(), nullptr);
    IUnknown* one[] = {plugin};
    ASSERT_EQ(page->SetObjects(1, one), S_OK);
    EXPECT_EQ(page->Activate(nullptr, nullptr, FALSE), E_POINTER);
    EXPECT_NE(Object()->AttachedView(), nullptr);
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(Object()->AttachedView(), nullptr);
}

TEST_F(Page, MeasuresTheEditorDialogAndDescribesItself) {
    ASSERT_EQ(page->SetPageSite(&site), S_OK);
    PROPPAGEINFO info{};
    info.cb = 1000;
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_LE(info.cb, sizeof(PROPPAGEINFO));
    EXPECT_EQ(std::u16string(info.pszTitle), u"Piano Roll Editor");
    EXPECT_GT(info.size.cx, 0);
    EXPECT_GT(info.size.cy, 0);
    EXPECT_EQ(info.pszDocString, nullptr);
    ASSERT_NE(info.pszHelpFile, nullptr);
    EXPECT_EQ(info.dwHelpContext, 0u);
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszHelpFile);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Apply(), S_OK);
    EXPECT_EQ(page->Help(nullptr), E_NOTIMPL);
}

TEST_F(Page, EditorWindowLivesFromActivateToDeactivate) {
    ASSERT_EQ(OpenEditor(), S_OK);
    HWND editor = EditorWindow();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(IsWindowVisible(editor));
    for (int id : {1000, 1001, 1003}) EXPECT_NE(GetDlgItem(editor, id), nullptr) << id;
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(editor, 1003)));
    RECT moved{10, 20, 410, 320};
    EXPECT_EQ(page->Move(&moved), S_OK);
    RECT client{};
    GetClientRect(editor, &client);
    EXPECT_EQ(client.right - client.left, 400);
    MSG key{editor, WM_KEYDOWN, 'A', 0, 0, {}};
    EXPECT_EQ(page->TranslateAccelerator(&key), S_FALSE) << "nothing takes keys yet";
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(page->Deactivate(), E_UNEXPECTED);
}

} // namespace

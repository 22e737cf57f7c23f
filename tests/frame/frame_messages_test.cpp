// The private messages the frame gets from the plug-in object: the host's time selection, the time
// base, the track list, and a host's select-all, each reaching the view once.
#include <gtest/gtest.h>

#include "frame_fixture.h"
#include "mp/editor_commands.h"
#include "mp/private_messages.h"
#include "mp/settings.h"
#include "win/gdi.h"

namespace {

using namespace win;
using harness::FrameFixture;

class FrameMessages : public FrameFixture {};

TEST_F(FrameMessages, TheHostsSelectionBecomesTheLoopRegionAndAnEmptyOneHidesIt) {
    OpenSong();
    project->WithStore([&](host::Store& store) { store.SetLoop(kQuarter, 3 * kQuarter); });
    SendMessage(EditorWindow(), mp::PRM_SELECTION_CHANGED, 0, 0);
    EXPECT_EQ(View()->time.loopStart, kQuarter);
    EXPECT_EQ(View()->time.loopEnd, 3 * kQuarter);
    EXPECT_TRUE(View()->time.loopShown);
    project->WithStore([&](host::Store& store) { store.SetLoop(2 * kQuarter, 2 * kQuarter); });
    SendMessage(EditorWindow(), mp::PRM_SELECTION_CHANGED, 0, 0);
    EXPECT_FALSE(View()->time.loopShown);
}

TEST_F(FrameMessages, ANewTimeBaseGivesTheGridItsNewSpacing) {
    OpenSong();
    SendMessage(EditorWindow(), WM_COMMAND, 6009, 0); // quarter notes
    Pump();
    ASSERT_DOUBLE_EQ(pianoroll::ViewSpacings(*View()).grid, static_cast<double>(kQuarter));
    project->WithStore([&](host::Store& store) { store.SetTicksPerQuarter(480); });
    SendMessage(EditorWindow(), mp::PRM_TIMEBASE_CHANGED, 0, 0);
    EXPECT_DOUBLE_EQ(pianoroll::ViewSpacings(*View()).grid, 480.0);
}

TEST_F(FrameMessages, ARenamedTrackIsShownAndTheToolbarRefreshed) {
    OpenSong();
    ClickButton(4026); // solo
    ASSERT_TRUE(Checked(4026));
    // Another program clears solo and renames the track; the host reports the track list changed.
    project->WithStore([&](host::Store& store) {
        host::TrackValue value = *store.Track(track);
        value.attributes = 0;
        value.name = u"Organ";
        store.SetTrack(track, value);
    });
    SendMessage(EditorWindow(), mp::PRM_TRACK_LIST_CHANGED, 0, 0);
    Pump();
    EXPECT_EQ(ItemText(Chooser(), 0), "Organ");
    EXPECT_FALSE(Checked(4026));
}

TEST_F(FrameMessages, ThemeAndFontChangesReachTheControlsAndTheView) {
    OpenSong();
    EXPECT_EQ(SendMessage(EditorWindow(), WM_THEMECHANGED, 0, 0), 1);
    HFONT font = CreateFont(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "DejaVu Sans");
    ASSERT_NE(font, nullptr);
    SendMessage(EditorWindow(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessage(ViewWindow(), WM_GETFONT, 0, 0)), font);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessage(Chooser(), WM_GETFONT, 0, 0)), font);
    SendMessage(EditorWindow(), WM_SETFONT, 0, FALSE); // no font: the controls keep theirs
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessage(ViewWindow(), WM_GETFONT, 0, 0)), font);
    CloseEditor();
    DeleteObject(font);
}

TEST_F(FrameMessages, AnEditorOpenedWhileTheHostPlaysFollowsThePlayback) {
    const std::uint32_t notes = AddPianoTrack(64 * kQuarter);
    AddNote(notes, 0, kQuarter, 60);
    project->WithStore([&](host::Store& store) {
        store.SetTransportPosition(8 * kQuarter);
        store.SetTransportFlags(mp::TRANSPORT_PLAYING);
    });
    OpenView(1200, 700);
    EXPECT_TRUE(View()->follow.playing);
    EXPECT_TRUE(View()->follow.following);
}

} // namespace

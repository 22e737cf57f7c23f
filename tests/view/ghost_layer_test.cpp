// Other tracks behind the grid, probed in the editor's own window: where and how they are drawn, the
// shown track on top, nothing at all while the choice is Off, drums as marks, the notes in view counted
// and found, the choice kept with the song, the chooser's swatches, and following the host's changes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/editor_dialog.h"
#include "memory_stream.h"
#include "mp/editor_commands.h"
#include "mp/plugin.h"
#include "mp/track_access.h"
#include "mp/settings.h"
#include "resources/command_ids.h"
#include "view/track_view.h"
#include "view_fixture.h"
#include "win/backend.h"
#include "win/controls.h"

namespace {

using namespace win;
using harness::ViewFixture;
using pianoroll::Blend;
using pianoroll::TrackColour;

COLORREF GhostColour(int trackIndex) {
    const COLORREF lightFace = Blend(GetSysColor(COLOR_BTNFACE), RGB(255, 255, 255), 128);
    return Blend(lightFace, TrackColour(trackIndex), 120);
}

class Ghosts : public ViewFixture {
protected:
    void Open() {
        const std::uint32_t piano = AddPianoTrack(16 * kQuarter, 3);
        shownNote = AddNote(piano, 2 * kQuarter, static_cast<std::uint32_t>(kQuarter), 64);
        AddNote(piano, 12 * kQuarter, static_cast<std::uint32_t>(kQuarter), 40);
        bass = AddTrack(u"Bass", 1);
        bassBlock = AddBlock(bass, 0, 16 * kQuarter);
        under = AddNote(bassBlock, kQuarter, static_cast<std::uint32_t>(3 * kQuarter), 64); // under the shown note
        AddNote(bassBlock, 5 * kQuarter, static_cast<std::uint32_t>(kQuarter), 60);
        AddNote(bassBlock, 5 * kQuarter, static_cast<std::uint32_t>(kQuarter), 20); // in a row out of view
        drums = AddTrack(u"Drums", 9);
        const std::uint32_t drumBlock = AddBlock(drums, 0, 16 * kQuarter);
        AddNote(drumBlock, 6 * kQuarter, static_cast<std::uint32_t>(2 * kQuarter), 62);
        OpenView(1000, 600);
        Settings()->noteStyle = 0; // flat: exact colours
        SetRows(127 - 72, 7);
        SetTimeView(0, 8 * kQuarter);
    }
    void Command(int id) {
        SendMessage(EditorWindow(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
        Repaint();
    }
    // Every pixel of the grid, row by row.
    std::vector<COLORREF> GridPixels() {
        const RECT g = V()->geo.grid;
        std::vector<COLORREF> pixels;
        for (int y = g.top; y < g.bottom; ++y)
            for (int x = g.left; x < g.right; ++x) pixels.push_back(Pixel(x, y));
        return pixels;
    }
    // The settings stream the host would save with the song.
    std::string Saved() {
        harness::MemoryStream stream;
        IPersistStream* persist = Query<IPersistStream>(IID_IPersistStream);
        if (!persist) return {};
        persist->Save(&stream, FALSE);
        persist->Release();
        return std::string(stream.Bytes().begin(), stream.Bytes().end());
    }

    std::uint32_t shownNote = 0, bass = 0, bassBlock = 0, under = 0, drums = 0;
};

TEST_F(Ghosts, OtherTracksAreDrawnBehindInTheirColoursAndNothingChangesWhileOff) {
    Open();
    const std::vector<COLORREF> before = GridPixels();
    const int y64 = YOfNote(64), y60 = YOfNote(60);
    const COLORREF shownBody = Pixel(XOfTick(2 * kQuarter) + 10, y64);
    Command(pianoroll::CMD_GHOSTS_ALL);
    EXPECT_EQ(Pixel(XOfTick(kQuarter) + 10, y64), GhostColour(1)) << "the bass note before the shown one";
    EXPECT_EQ(Pixel(XOfTick(2 * kQuarter) + 10, y64), shownBody) << "the shown note on top, as it was";
    EXPECT_EQ(Pixel(XOfTick(3 * kQuarter) + 10, y64), GhostColour(1)) << "and after it";
    EXPECT_EQ(Pixel(XOfTick(5 * kQuarter) + 10, y60), GhostColour(1));
    EXPECT_EQ(Pixel(XOfTick(6 * kQuarter) + 1, YOfNote(62)), GhostColour(2)) << "a drum hit at its start";
    EXPECT_NE(Pixel(XOfTick(6 * kQuarter) + 10, YOfNote(62)), GhostColour(2)) << "only a short mark";
    EXPECT_EQ(pianoroll::CountGhosts(V()), 3) << "the note in a row out of view is not drawn";

    Command(pianoroll::CMD_GHOSTS_OFF);
    EXPECT_EQ(GridPixels(), before);
    EXPECT_EQ(pianoroll::CountGhosts(V()), 0);
}

TEST_F(Ghosts, TheNoteUnderAPointIsFoundWithItsTrack) {
    Open();
    pianoroll::GhostHit hit;
    EXPECT_FALSE(pianoroll::GhostAt(V(), XOfTick(5 * kQuarter) + 10, YOfNote(60), &hit)) << "nothing while Off";
    Command(pianoroll::CMD_GHOSTS_ALL);
    ASSERT_TRUE(pianoroll::GhostAt(V(), XOfTick(kQuarter) + 10, YOfNote(64), &hit));
    EXPECT_EQ(hit.trackIndex, 1);
    EXPECT_EQ(hit.key.track, bass);
    EXPECT_EQ(hit.key.event, under);
    EXPECT_FALSE(pianoroll::GhostAt(V(), XOfTick(kQuarter) + 10, YOfNote(65), &hit)) << "another row";
    EXPECT_FALSE(pianoroll::GhostAt(V(), XOfTick(4 * kQuarter) + 10, YOfNote(64), &hit)) << "after its end";
    EXPECT_TRUE(pianoroll::GhostAt(V(), XOfTick(kQuarter) - 1, YOfNote(64), &hit)) << "a pixel before its start";
    EXPECT_FALSE(pianoroll::GhostAt(V(), XOfTick(kQuarter) - 3, YOfNote(64), &hit));
}

TEST_F(Ghosts, AGhostCoversThePixelRowsAShownNoteCoversAtEveryRowHeight) {
    Open();
    Command(pianoroll::CMD_GHOSTS_ALL);
    for (int level = 0; level <= 8; ++level) {
        SetRows(127 - 72, level);
        const int ghost = XOfTick(kQuarter) + 10, shown = XOfTick(2 * kQuarter) + 10, empty = XOfTick(7 * kQuarter) + 10;
        const int y = YOfNote(64);
        for (int dy = -16; dy <= 16; ++dy) {
            const COLORREF row = Pixel(empty, y + dy);
            EXPECT_EQ(Pixel(ghost, y + dy) != row, Pixel(shown, y + dy) != row) << "level " << level << ", " << dy;
        }
    }
}

TEST_F(Ghosts, ADrumHitAtTheViewsLeftEdgeIsMarkedAndOneBeforeItIsNot) {
    Open();
    Command(pianoroll::CMD_GHOSTS_ALL);
    SetTimeView(6 * kQuarter, 4 * kQuarter);
    ASSERT_EQ(V()->geo.timeOrigin, 6 * kQuarter);
    const int left = V()->geo.grid.left;
    EXPECT_EQ(Pixel(left + 1, YOfNote(62)), GhostColour(2));
    SetTimeView(6 * kQuarter + kQuarter / 2, 4 * kQuarter);
    EXPECT_NE(Pixel(left + 1, YOfNote(62)), GhostColour(2)) << "a hit is its start, before the view";
}

TEST_F(Ghosts, TheChoiceIsSavedWithTheSongAndMarkedInTheMenus) {
    Open();
    const std::string before = Saved();
    EXPECT_EQ(before.find("ghosts"), std::string::npos);
    Command(pianoroll::CMD_GHOSTS_ALL);
    EXPECT_NE(Saved().find("ghosts=all\n"), std::string::npos);
    const LRESULT all = SendMessage(EditorWindow(), mp::PRM_COMMAND_STATE, pianoroll::CMD_GHOSTS_ALL, 0);
    EXPECT_EQ(all & (mp::ECS_RADIO | mp::ECS_CHECKED), mp::ECS_RADIO | mp::ECS_CHECKED);
    EXPECT_FALSE(SendMessage(EditorWindow(), mp::PRM_COMMAND_STATE, pianoroll::CMD_GHOSTS_OFF, 0) & mp::ECS_CHECKED);
    Command(pianoroll::CMD_GHOSTS_OFF);
    EXPECT_EQ(Saved(), before) << "Off leaves the saved settings as they were";

    // The checklist: only the drums (third track); a song saved so opens with it.
    AnswerNextDialog(DialogAnswer{{{1301 + 1, "0"}, {1301 + 2, "1"}}, IDOK});
    Command(pianoroll::CMD_GHOSTS_CHOSEN);
    EXPECT_EQ(pianoroll::CountGhosts(V()), 1);
    const std::string chosen = Saved();
    EXPECT_NE(chosen.find("ghosts=chosen\n"), std::string::npos);
    EXPECT_NE(chosen.find("ghosts.tracks=3\n"), std::string::npos);
    Command(pianoroll::CMD_GHOSTS_OFF);
    CloseEditor();
    harness::MemoryStream stream(std::vector<std::uint8_t>(chosen.begin(), chosen.end()));
    IPersistStream* persist = Query<IPersistStream>(IID_IPersistStream);
    ASSERT_NE(persist, nullptr);
    EXPECT_EQ(persist->Load(&stream), S_OK);
    persist->Release();
    ASSERT_EQ(OpenEditor(1000, 600), S_OK);
    Pump();
    SetRows(127 - 72, 7);
    SetTimeView(0, 8 * kQuarter);
    EXPECT_EQ(pianoroll::CountGhosts(V()), 1) << "only the drums";
}

TEST_F(Ghosts, TheChooserShowsEachTracksSwatchOnlyWhileOtherTracksAreShown) {
    Open();
    HWND chooser = GetDlgItem(EditorWindow(), pianoroll::kTrackChooserId);
    ASSERT_NE(chooser, nullptr);
    EXPECT_FALSE(GetWindowLongPtr(chooser, GWL_STYLE) & CBS_OWNERDRAWFIXED);
    Command(pianoroll::CMD_GHOSTS_ALL);
    EXPECT_TRUE(GetWindowLongPtr(chooser, GWL_STYLE) & CBS_OWNERDRAWFIXED);
    UpdateWindow(chooser);
    RECT r;
    GetClientRect(chooser, &r);
    const COLORREF swatch = harness::FromRgb(headless::ReadPixel(chooser, 8, r.bottom / 2) & 0xFFFFFF);
    EXPECT_EQ(swatch, TrackColour(0)) << "the shown track's swatch in the field";
    const COLORREF field = harness::FromRgb(headless::ReadPixel(chooser, r.right / 2, r.bottom / 2 + 3) & 0xFFFFFF);
    EXPECT_EQ(field, GetSysColor(GetFocus() == chooser ? COLOR_HIGHLIGHT : COLOR_WINDOW)) << "behind the name";
    Command(pianoroll::CMD_GHOSTS_OFF);
    EXPECT_FALSE(GetWindowLongPtr(chooser, GWL_STYLE) & CBS_OWNERDRAWFIXED);
}

TEST_F(Ghosts, TheLayerFollowsTheHostsChangesToOtherTracks) {
    Open();
    Command(pianoroll::CMD_GHOSTS_ALL);
    ASSERT_EQ(pianoroll::CountGhosts(V()), 3);
    AddNote(bassBlock, 7 * kQuarter, static_cast<std::uint32_t>(kQuarter), 66);
    project->FlushNotifications();
    V()->access->Plugin()->ProcessNotifications(false);
    EXPECT_TRUE(pianoroll::GhostsOutdated(V())) << "the bass changed since it was read";
    Pump();
    EXPECT_EQ(Pixel(XOfTick(7 * kQuarter) + 10, YOfNote(66)), GhostColour(1)) << "repainted without being asked";
    EXPECT_FALSE(pianoroll::GhostsOutdated(V()));
    EXPECT_EQ(pianoroll::CountGhosts(V()), 4);
    project->WithStore([&](host::Store& store) { store.DeleteTrack(bass); });
    Pump();
    EXPECT_EQ(pianoroll::CountGhosts(V()), 1) << "a removed track disappears";
    EXPECT_NE(Pixel(XOfTick(5 * kQuarter) + 10, YOfNote(60)), GhostColour(1)) << "from the screen too";
    EXPECT_EQ(Pixel(XOfTick(6 * kQuarter) + 1, YOfNote(62)), GhostColour(1)) << "the drums took the bass's place and colour";

    // A track inserted while the layer is shown: its notes appear in the colour of its place.
    const std::uint32_t strings = AddTrack(u"Strings", 2);
    AddNote(AddBlock(strings, 0, 16 * kQuarter), 3 * kQuarter, static_cast<std::uint32_t>(kQuarter), 67);
    Pump();
    EXPECT_EQ(Pixel(XOfTick(3 * kQuarter) + 10, YOfNote(67)), GhostColour(2));
    EXPECT_EQ(pianoroll::CountGhosts(V()), 2);
}

// An edit of another track as another editor window makes it, then the host's Undo and Redo: each
// moves the note on the screen without a repaint being asked for.
TEST_F(Ghosts, UndoAndRedoInAnotherTrackRepaintTheLayer) {
    Open();
    const int x = XOfTick(kQuarter) + 10;
    const COLORREF row66 = Pixel(x, YOfNote(66));
    Command(pianoroll::CMD_GHOSTS_ALL);
    ASSERT_EQ(Pixel(x, YOfNote(64)), GhostColour(1));
    const mp::EventKey key{bass, bassBlock, under};
    mp::MidiEventRecord record{};
    ASSERT_EQ(project->Get(&key, mp::LEVEL_EVENT, &record, mp::TIME_FORMAT_TICKS), S_OK);
    record.data[0] = 66;
    ASSERT_EQ(project->BeginTransaction(mp::TRANSACTION_EDIT, u"Change Note"), S_OK);
    ASSERT_EQ(project->Set(&key, mp::LEVEL_EVENT, &record, mp::CHANGE_DATA), S_OK);
    ASSERT_EQ(project->EndTransaction(TRUE), S_OK);
    Pump();
    EXPECT_EQ(Pixel(x, YOfNote(66)), GhostColour(1)) << "moved up";
    ASSERT_EQ(project->Undo(), S_OK);
    Pump();
    EXPECT_EQ(Pixel(x, YOfNote(64)), GhostColour(1)) << "undone";
    EXPECT_EQ(Pixel(x, YOfNote(66)), row66);
    ASSERT_EQ(project->Redo(), S_OK);
    Pump();
    EXPECT_EQ(Pixel(x, YOfNote(66)), GhostColour(1)) << "redone";
    EXPECT_NE(Pixel(x, YOfNote(64)), GhostColour(1));
}

} // namespace

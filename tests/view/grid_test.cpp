// Note grid painting, probed in the editor's own window: notes where the song has them, row tints,
// separators, the selection colour, cut-off ends, duration 0, loop lines, the edit cursor, and the
// display list that the paint leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <tuple>
#include <vector>

#include "frame/editor_dialog.h"
#include "model/note_model.h"
#include "model/pending_edit.h"
#include "mp/settings.h"
#include "view/scale.h"
#include "view/song_map_state.h"
#include "frame/piano_roll_panes.h"
#include "view/track_view.h"
#include "view_fixture.h"
#include "vor/ui_resources.h"
#include "win/backend.h"

namespace {

using namespace win;
using harness::FromRgb;
using harness::ViewFixture;
using pianoroll::Blend;
using pianoroll::PaletteColour;

COLORREF Face() { return GetSysColor(COLOR_BTNFACE); }
COLORREF LightFace() { return Blend(Face(), RGB(255, 255, 255), 128); }
COLORREF GridLine() {
    const COLORREF s = GetSysColor(COLOR_BTNSHADOW), f = Face();
    return RGB((6 * GetRValue(s) + 4 * GetRValue(f)) / 10, (6 * GetGValue(s) + 4 * GetGValue(f)) / 10,
               (6 * GetBValue(s) + 4 * GetBValue(f)) / 10);
}

class Grid : public ViewFixture {
protected:
    // Channel 3 track: rows and notes in hue 3 (green).
    void OpenWithNotes() {
        block = AddPianoTrack(16 * kQuarter, 3);
        noteA = AddNote(block, 2 * kQuarter, static_cast<std::uint32_t>(kQuarter), 64);     // E4
        noteB = AddNote(block, 0, static_cast<std::uint32_t>(3 * kQuarter), 67);            // G4, from 0
        noteC = AddNote(block, 5 * kQuarter, 0, 62);                                          // D4, duration 0
        AddNote(block, 12 * kQuarter, static_cast<std::uint32_t>(kQuarter), 40); // makes the song 13 beats long
        OpenView(1000, 600);
        Settings()->noteStyle = 0; // flat: exact colours
        SetRows(127 - 72, 7);      // rows of 12 pixels from note 72 down
        SetTimeView(kQuarter, 8 * kQuarter);
    }
    // A probe point inside a note's bar, away from its edges.
    int NoteY(int note) { return YOfNote(note); }
    // x of a tick at least 3 pixels right of the tick's own pixel (inside a bar starting there).
    int Inside(std::int64_t tick) { return XOfTick(tick) + 3; }
    // An empty spot of a row: far right of the grid, before the right margin.
    int EmptyX() { return XOfTick(8 * kQuarter + kQuarter / 4); }

    std::uint32_t block = 0, noteA = 0, noteB = 0, noteC = 0;
};

TEST_F(Grid, NotesAppearWhereTheSongHasThem) {
    OpenWithNotes();
    const COLORREF medium = PaletteColour(3, pianoroll::SHADE_MEDIUM);
    EXPECT_EQ(Pixel(Inside(2 * kQuarter) + 10, NoteY(64)), medium);
    EXPECT_EQ(Pixel(Inside(2 * kQuarter) + 10, NoteY(63)), Blend(Face(), PaletteColour(3, 2), 8)); // D#: black row
    EXPECT_EQ(Pixel(Inside(2 * kQuarter) + 10, NoteY(65)), Blend(LightFace(), PaletteColour(3, 2), 8));
    // The bar ends at the note's end (rounded up), and the next pixel is the row again.
    const int end = XOfTick(3 * kQuarter);
    EXPECT_EQ(Pixel(end - 3, NoteY(64)), medium);
    EXPECT_NE(Pixel(end + 2, NoteY(64)), medium);
    // A start inside the view gets a dark edge.
    EXPECT_EQ(Pixel(XOfTick(2 * kQuarter), NoteY(64)), PaletteColour(3, pianoroll::SHADE_DARK));
}

TEST_F(Grid, RowTintsFollowKeysAndScale) {
    OpenWithNotes();
    const COLORREF bright = PaletteColour(3, pianoroll::SHADE_BRIGHT);
    const int x = EmptyX();
    EXPECT_EQ(Pixel(x, NoteY(61)), Blend(Face(), bright, 8));      // C#
    EXPECT_EQ(Pixel(x, NoteY(60)), Blend(LightFace(), bright, 8)); // C
    // Below the last row: the darker face.
    pianoroll::TrackView* v = View();
    SetRows(100, 7);
    int top, bottom;
    pianoroll::RowBand(v, 127, &top, &bottom);
    ASSERT_LT(bottom + 2, v->geo.grid.bottom);
    EXPECT_EQ(YOfNote(0), (top + bottom) / 2); // the lowest note is found too
    const COLORREF s = GetSysColor(COLOR_BTNSHADOW), f = Face();
    EXPECT_EQ(Pixel(x, bottom + 1), RGB((GetRValue(s) + GetRValue(f) + 1) / 2, (GetGValue(s) + GetGValue(f) + 1) / 2,
                                        (GetBValue(s) + GetBValue(f) + 1) / 2));
    // With scale snapping (C major) the in-scale rows are stronger, black keys out of scale.
    SetRows(127 - 72, 7);
    Settings()->scaleSnap = 1;
    Settings()->scaleRoot = 0;
    Settings()->scaleIndex = 0;
    pianoroll::MarkBackgroundStale(v);
    Repaint();
    EXPECT_EQ(Pixel(x, NoteY(60)), Blend(LightFace(), bright, 48));
    EXPECT_EQ(Pixel(x, NoteY(61)), Blend(LightFace(), bright, 8));
    SetRows(100, 7);
    pianoroll::RowBand(v, 127, &top, &bottom);
    EXPECT_EQ(Pixel(x, bottom - 1), Pixel(x, bottom - 2)) << "no row below the lowest to part from";
    SetRows(127 - 72, 7);
    // A separator parts two rows alike (F over E, both in the scale), none parts E from D# below it.
    pianoroll::RowBand(v, 127 - 65, &top, &bottom);
    EXPECT_NE(Pixel(x, bottom - 1), Pixel(x, bottom - 2));
    pianoroll::RowBand(v, 127 - 64, &top, &bottom);
    EXPECT_EQ(Pixel(x, bottom - 1), Pixel(x, bottom - 2));
    // D major: C# joins the scale, C leaves it.
    Settings()->scaleRoot = 2;
    pianoroll::MarkBackgroundStale(v);
    Repaint();
    EXPECT_EQ(Pixel(x, NoteY(61)), Blend(LightFace(), bright, 48));
    EXPECT_EQ(Pixel(x, NoteY(60)), Blend(LightFace(), bright, 8));
}

TEST_F(Grid, FromTheSongRowsAreShadedByTheKeyInForce) {
    OpenWithNotes();
    pianoroll::TrackView* v = View();
    const COLORREF inScale = Blend(LightFace(), PaletteColour(3, pianoroll::SHADE_BRIGHT), 48);
    Settings()->scaleSnap = 1;
    // D major, then B flat major from the fifth beat.
    v->songMaps.keys = pianoroll::KeyMap({{0, 2, false}, {4 * kQuarter, -2, false}});
    pianoroll::SetKeyFromSong(v, true);
    Repaint();
    const int before = XOfTick(3 * kQuarter + kQuarter / 2), after = XOfTick(6 * kQuarter) + 3;
    EXPECT_EQ(Pixel(before, NoteY(66)), inScale); // F sharp
    EXPECT_NE(Pixel(after, NoteY(66)), inScale);
    EXPECT_NE(Pixel(before, NoteY(70)), inScale); // B flat
    EXPECT_EQ(Pixel(after, NoteY(70)), inScale);
    // The shading changes at the key's tick.
    EXPECT_NE(Pixel(XOfTick(4 * kQuarter) - 2, NoteY(70)), inScale);
    EXPECT_EQ(Pixel(XOfTick(4 * kQuarter) + 2, NoteY(70)), inScale);
    // A time selection across the change keeps the separators of both keys' rows (G over F sharp).
    v->time.selectionStart = 3 * kQuarter;
    v->time.selectionLength = 2 * kQuarter;
    pianoroll::MarkBackgroundStale(v);
    Repaint();
    int top, bottom;
    pianoroll::RowBand(v, 127 - 67, &top, &bottom);
    EXPECT_EQ(Pixel(before, bottom - 1), Blend(LightFace(), PaletteColour(3, pianoroll::SHADE_BRIGHT), 8));
    EXPECT_EQ(Pixel(before, bottom - 2), GetSysColor(COLOR_HIGHLIGHT));
    v->time.selectionLength = 0;
    pianoroll::MarkBackgroundStale(v);
    // Off, the chosen C major holds on both sides.
    pianoroll::SetKeyFromSong(v, false);
    Repaint();
    EXPECT_NE(Pixel(before, NoteY(66)), inScale);
    EXPECT_NE(Pixel(after, NoteY(70)), inScale);
    EXPECT_EQ(Pixel(after, NoteY(72)), inScale);
}

TEST_F(Grid, SeparatorsUnderBoundaryRowsOrEveryRow) {
    OpenWithNotes();
    pianoroll::TrackView* v = View();
    const COLORREF bright = PaletteColour(3, pianoroll::SHADE_BRIGHT);
    const int x = EmptyX();
    int top, bottom;
    // Under C (row of note 60): the black-key tint separates it from B below.
    pianoroll::RowBand(v, 127 - 60, &top, &bottom);
    EXPECT_EQ(Pixel(x, bottom - 1), Blend(Face(), bright, 8));
    EXPECT_EQ(Pixel(x, bottom - 2), Blend(LightFace(), bright, 8));
    // Under D (no boundary): nothing.
    pianoroll::RowBand(v, 127 - 62, &top, &bottom);
    EXPECT_EQ(Pixel(x, bottom - 1), Blend(LightFace(), bright, 8));
    // Row lines on: a grid-coloured line under every row.
    Settings()->rowLines = 1;
    pianoroll::MarkBackgroundStale(v);
    Repaint();
    EXPECT_EQ(Pixel(x, bottom - 1), GridLine());
    pianoroll::RowBand(v, 127 - 61, &top, &bottom);
    EXPECT_EQ(Pixel(x, bottom - 1), GridLine());
}

TEST_F(Grid, NotesLeaveTheBottomPixelOfRowsFromFourPixelsTallToTheRow) {
    block = AddPianoTrack(16 * kQuarter, 3);
    for (int note = 48; note < 72; ++note) AddNote(block, 2 * kQuarter, static_cast<std::uint32_t>(kQuarter), note);
    OpenView(1000, 600);
    Settings()->noteStyle = 0;
    SetTimeView(kQuarter, 8 * kQuarter);
    pianoroll::TrackView* v = View();
    // Every row at once, as a double click of the zoom tool shows them: rows of three and four pixels.
    pianoroll::SetVerticalView(v, 0, v->geo.verticalExtent, pianoroll::VV_PROGRAM);
    Repaint();
    const COLORREF dark = PaletteColour(3, pianoroll::SHADE_DARK);
    std::vector<int> heights;
    for (int note = 48; note < 72; ++note) {
        int top, bottom;
        pianoroll::RowBand(v, 127 - note, &top, &bottom);
        heights.push_back(bottom - top);
        EXPECT_EQ(Pixel(Inside(2 * kQuarter), bottom - 1) == dark, bottom - top < 4) << note;
    }
    EXPECT_NE(std::count(heights.begin(), heights.end(), 3), 0);
    EXPECT_NE(std::count(heights.begin(), heights.end(), 4), 0);
}

TEST_F(Grid, ANoteStartingWhereTheViewEndsMarksTheFirstColumnOfTheMargin) {
    block = AddPianoTrack(16 * kQuarter, 3);
    AddNote(block, 9 * kQuarter, static_cast<std::uint32_t>(kQuarter), 64);
    AddNote(block, 12 * kQuarter, static_cast<std::uint32_t>(kQuarter), 40);
    OpenView(1000, 600);
    Settings()->noteStyle = 0;
    SetRows(127 - 72, 7);
    SetTimeView(kQuarter, 8 * kQuarter);
    const int x = View()->geo.grid.left + View()->geo.zoomPixels;
    ASSERT_LT(x + 1, View()->geo.grid.right);
    EXPECT_EQ((std::tuple{Pixel(x, NoteY(64)), Pixel(x + 1, NoteY(64)) != Pixel(x, NoteY(64))}),
              (std::tuple{PaletteColour(3, pianoroll::SHADE_DARK), true}));
}

TEST_F(Grid, SelectedNotesTakeTheSelectionColour) {
    OpenWithNotes();
    project->WithStore([&](host::Store& store) { store.SetEventFlags(noteA, mp::MEF_SELECTED); });
    Pump();
    Settings()->colours.selectedNote = RGB(200, 30, 180);
    Repaint();
    EXPECT_EQ(Pixel(Inside(2 * kQuarter) + 10, NoteY(64)), RGB(200, 30, 180));
    EXPECT_EQ(Pixel(Inside(kQuarter) + 10, NoteY(67)), PaletteColour(3, pianoroll::SHADE_MEDIUM));
    // -1: no selection colour; the note keeps a colour of its hue.
    Settings()->colours.selectedNote = 0xFFFFFFFFu;
    Repaint();
    const COLORREF plain = Pixel(Inside(2 * kQuarter) + 10, NoteY(64));
    EXPECT_NE(plain, RGB(200, 30, 180));
    EXPECT_GT(GetGValue(plain), GetRValue(plain));
    // The shaded style also fills a selected body with the selection colour.
    Settings()->noteStyle = 1;
    Settings()->colours.selectedNote = RGB(10, 20, 250);
    Repaint();
    const int y = NoteY(64);
    int hits = 0;
    for (int dy = -3; dy <= 3; ++dy)
        if (Pixel(Inside(2 * kQuarter) + 10, y + dy) == RGB(10, 20, 250)) ++hits;
    EXPECT_GE(hits, 4);
}

TEST_F(Grid, OfTwoNotesOnTheSamePixelsTheLaterOneShows) {
    block = AddPianoTrack(16 * kQuarter, 3);
    AddNote(block, 2 * kQuarter, static_cast<std::uint32_t>(kQuarter), 64);
    const std::uint32_t later = AddNote(block, 2 * kQuarter + 1, static_cast<std::uint32_t>(kQuarter - 1), 64);
    OpenView(1000, 600);
    Settings()->noteStyle = 0;
    SetRows(127 - 72, 7);
    SetTimeView(0, 64 * kQuarter);
    ASSERT_EQ(XOfTick(2 * kQuarter), XOfTick(2 * kQuarter + 1));
    project->WithStore([&](host::Store& store) { store.SetEventFlags(later, mp::MEF_SELECTED); });
    Pump();
    Settings()->colours.selectedNote = RGB(200, 30, 180);
    Repaint();
    EXPECT_EQ(Pixel(XOfTick(2 * kQuarter) + 5, NoteY(64)), RGB(200, 30, 180));
}

// Whatever queued it, an edit not yet committed shows where it puts its notes, the new ones too.
TEST_F(Grid, APendingEditShowsItsNotesWhereItPutsThem) {
    OpenWithNotes();
    const COLORREF medium = PaletteColour(3, pianoroll::SHADE_MEDIUM);
    const pianoroll::NoteModel model(View()->access);
    pianoroll::PendingEdit edit(View()->access);
    pianoroll::NoteKey key{};
    ASSERT_TRUE(model.FindNoteAt(2 * kQuarter + 10, 0, model.RowOfPitch(64), &key));
    pianoroll::Note e4;
    ASSERT_TRUE(model.Read(key, &e4));
    e4.pitch = 66;
    ASSERT_TRUE(edit.Change(e4));
    pianoroll::Note added{.start = 6 * kQuarter, .length = kQuarter, .pitch = 70, .velocity = 64};
    ASSERT_TRUE(edit.Insert(&added));
    Repaint();
    EXPECT_EQ(Pixel(Inside(2 * kQuarter) + 10, NoteY(66)), medium);
    EXPECT_NE(Pixel(Inside(2 * kQuarter) + 10, NoteY(64)), medium);
    EXPECT_EQ(Pixel(Inside(6 * kQuarter) + 10, NoteY(70)), medium);
    edit.Discard();
    Repaint();
    EXPECT_EQ(Pixel(Inside(2 * kQuarter) + 10, NoteY(64)), medium);
    EXPECT_NE(Pixel(Inside(6 * kQuarter) + 10, NoteY(70)), medium);
}

TEST_F(Grid, CutOffStartAndZeroDuration) {
    OpenWithNotes();
    pianoroll::TrackView* v = View();
    const COLORREF medium = PaletteColour(3, pianoroll::SHADE_MEDIUM);
    const COLORREF dark = PaletteColour(3, pianoroll::SHADE_DARK);
    // G4 starts at 0, before the view at 1 quarter: drawn from the grid's left edge, no start edge.
    EXPECT_EQ(Pixel(v->geo.grid.left, NoteY(67)), medium);
    EXPECT_EQ(Pixel(v->geo.grid.left + 1, NoteY(67)), medium);
    // Zoomed to one tick per pixel around D4's tick: one pixel wide.
    SetTimeView(5 * kQuarter - 100, v->geo.zoomPixels);
    const int x = XOfTick(5 * kQuarter);
    ASSERT_NE(x, INT_MIN);
    EXPECT_EQ(Pixel(x, NoteY(62)), dark); // a one-pixel bar is all edge
    EXPECT_NE(Pixel(x + 1, NoteY(62)), dark);
    EXPECT_NE(Pixel(x + 1, NoteY(62)), medium);
    EXPECT_NE(Pixel(x - 1, NoteY(62)), dark);
    // The display list agrees.
    bool found = false;
    for (const pianoroll::DisplayRecord& r : v->gridCache.displayList) {
        if (r.flags & pianoroll::DR_ROW) continue;
        if (r.row != 127 - 62) continue;
        found = true;
        EXPECT_EQ(r.rect.right - r.rect.left, 1);
        EXPECT_EQ(r.flags & (pianoroll::DR_START_INSIDE | pianoroll::DR_END_INSIDE),
                  pianoroll::DR_START_INSIDE | pianoroll::DR_END_INSIDE);
    }
    EXPECT_TRUE(found);
}

TEST_F(Grid, DisplayListRecordsRowsAndNotes) {
    OpenWithNotes();
    pianoroll::TrackView* v = View();
    const std::vector<pianoroll::DisplayRecord>& list = v->gridCache.displayList;
    ASSERT_GT(v->gridCache.displayRowCount, 10);
    for (int i = 0; i < v->gridCache.displayRowCount; ++i) {
        const pianoroll::DisplayRecord& r = list[static_cast<std::size_t>(i)];
        EXPECT_TRUE(r.flags & pianoroll::DR_ROW);
        EXPECT_EQ(r.colour, 3);
        const int pc = (127 - r.row) % 12;
        const bool black = pc == 1 || pc == 3 || pc == 6 || pc == 8 || pc == 10;
        EXPECT_EQ((r.flags & pianoroll::DR_BLACK_KEY) != 0, black) << r.row;
        EXPECT_EQ((r.flags & pianoroll::DR_SEPARATOR) != 0, pc == 0 || pc == 5) << r.row;
    }
    int notes = 0;
    for (std::size_t i = static_cast<std::size_t>(v->gridCache.displayRowCount); i < list.size(); ++i) {
        const pianoroll::DisplayRecord& n = list[i];
        ++notes;
        if (n.row == 127 - 67) {
            EXPECT_TRUE(n.flags & pianoroll::DR_CUT_LEFT);
            EXPECT_FALSE(n.flags & pianoroll::DR_START_INSIDE);
            EXPECT_EQ(n.rect.left, v->geo.grid.left);
        }
        if (n.row == 127 - 64) {
            EXPECT_EQ(n.flags & 0x780u, pianoroll::DR_START_INSIDE | pianoroll::DR_END_INSIDE);
            EXPECT_EQ(n.velocity, 100);
        }
    }
    EXPECT_EQ(notes, 3); // the fourth lies beyond the view
}

TEST_F(Grid, LoopLinesOnlyWhileTheLoopIsOn) {
    OpenWithNotes();
    pianoroll::TrackView* v = View();
    const COLORREF loop = VorUI_GetColor(VOR_COLOR_LOOP);
    const int y = NoteY(50);
    pianoroll::SetLoopRegion(v, 3 * kQuarter, 6 * kQuarter, false);
    Repaint();
    EXPECT_NE(Pixel(XOfTick(3 * kQuarter), y), loop);
    pianoroll::SetLoopRegion(v, 3 * kQuarter, 6 * kQuarter, true);
    Repaint();
    EXPECT_EQ(Pixel(XOfTick(3 * kQuarter), y), loop);
    EXPECT_EQ(Pixel(XOfTick(6 * kQuarter), y), loop);
    EXPECT_EQ(Pixel(XOfTick(6 * kQuarter), v->geo.grid.top), loop);
    EXPECT_EQ(Pixel(XOfTick(6 * kQuarter), v->geo.grid.bottom - 4), loop); // the frame hides the last rows
    EXPECT_NE(Pixel(XOfTick(6 * kQuarter) + 1, y), loop);
    EXPECT_EQ(v->loopBar.startX, XOfTick(3 * kQuarter));
    pianoroll::SetLoopRegion(v, 3 * kQuarter, 6 * kQuarter, false);
    Repaint();
    EXPECT_NE(Pixel(XOfTick(3 * kQuarter), y), loop);
}

TEST_F(Grid, EditCursorLineAndGridLines) {
    OpenWithNotes();
    pianoroll::TrackView* v = View();
    // The grid has the keyboard from the start; without it the grid draws the cursor line itself.
    SetFocus(GetDlgItem(EditorWindow(), pianoroll::kTrackChooserId));
    pianoroll::MoveEditCursor(v, 4 * kQuarter + 1000, 0, pianoroll::MEC_PROGRAM);
    Pump();
    const int x = pianoroll::XOfTickUp(v, 4 * kQuarter + 1000);
    EXPECT_EQ(Pixel(x, NoteY(50)), RGB(0, 0, 0));
    EXPECT_EQ(Pixel(x, v->geo.grid.top), RGB(0, 0, 0));
    EXPECT_NE(Pixel(x + 1, NoteY(50)), RGB(0, 0, 0));
    pianoroll::MoveEditCursor(v, v->geo.timeOrigin, 0, pianoroll::MEC_PROGRAM);
    Pump();
    EXPECT_EQ(Pixel(v->geo.grid.left, NoteY(50)), RGB(0, 0, 0)) << "down to the grid's first column";
    pianoroll::MoveEditCursor(v, 4 * kQuarter + 1000, 0, pianoroll::MEC_PROGRAM);
    // With the keyboard, the caret (which does not blink) is the line: dark over the light rows, not
    // a black line inverted into a white one.
    SetFocus(ViewWindow());
    Pump();
    ASSERT_TRUE(v->focus.caretShown);
    const COLORREF caret = Pixel(pianoroll::XOfTick(v, 4 * kQuarter + 1000), v->geo.grid.top + 1);
    EXPECT_LT(GetRValue(caret) + GetGValue(caret) + GetBValue(caret), 3 * 96) << std::hex << caret;
    // Grid lines at the beats, in the grid-line colour, from the background cache.
    const int beat = XOfTick(7 * kQuarter);
    EXPECT_EQ(Pixel(beat, NoteY(50)), GridLine());
    EXPECT_NE(Pixel(beat + 2, NoteY(50)), GridLine());
    // Scrolling rebuilds the cache: the line moves with its beat, down to the grid's first column.
    SetTimeView(kQuarter + kQuarter / 3, 8 * kQuarter);
    EXPECT_EQ(Pixel(XOfTick(7 * kQuarter), NoteY(50)), GridLine());
    EXPECT_NE(Pixel(beat, NoteY(50)), GridLine());
    SetTimeView(3 * kQuarter, 8 * kQuarter);
    EXPECT_EQ(Pixel(v->geo.grid.left, NoteY(50)), GridLine());
}

TEST_F(Grid, AWindowGrownAfterItsFirstPaintIsPaintedWhole) {
    OpenWithNotes();
    // Wider only, then taller only: each alone must renew the background.
    MoveWindow(hostWindow, 0, 0, 1400, 600, TRUE);
    MoveWindow(EditorWindow(), 0, 0, 1400, 600, TRUE);
    SetTimeView(kQuarter, 12 * kQuarter);
    ASSERT_GT(XOfTick(12 * kQuarter), 1100);
    EXPECT_EQ(Pixel(Inside(12 * kQuarter), NoteY(40)), PaletteColour(3, pianoroll::SHADE_MEDIUM));
    EXPECT_EQ(Pixel(Inside(12 * kQuarter), NoteY(61)), Blend(Face(), PaletteColour(3, pianoroll::SHADE_BRIGHT), 8));
    const int oldBottom = View()->geo.grid.bottom;
    MoveWindow(hostWindow, 0, 0, 1400, 900, TRUE);
    MoveWindow(EditorWindow(), 0, 0, 1400, 900, TRUE);
    Pump();
    int black = 37; // the first black key's row that lies wholly below the old grid
    while (black > 0 && YOfNote(black) < oldBottom + 6) black -= 12;
    ASSERT_GT(black, 0);
    EXPECT_EQ(Pixel(Inside(12 * kQuarter), NoteY(black)), Blend(Face(), PaletteColour(3, pianoroll::SHADE_BRIGHT), 8));
}

TEST_F(Grid, NotesShowInTheTopRowsToo) {
    OpenWithNotes();
    AddNote(block, 2 * kQuarter, static_cast<std::uint32_t>(kQuarter), 126);
    AddNote(block, 3 * kQuarter, static_cast<std::uint32_t>(kQuarter), 120);
    SetRows(0, 7);
    ASSERT_NE(YOfNote(127), INT_MIN);
    EXPECT_EQ(Pixel(Inside(2 * kQuarter) + 10, NoteY(126)), PaletteColour(3, pianoroll::SHADE_MEDIUM));
    EXPECT_EQ(Pixel(Inside(3 * kQuarter) + 10, NoteY(120)), PaletteColour(3, pianoroll::SHADE_MEDIUM));
}

// The position query finds a note's row only while the row's middle lies inside the grid.
TEST_F(Grid, ARowWhoseMiddleIsTheGridsBottomIsHidden) {
    OpenWithNotes();
    const pianoroll::TrackView* v = View();
    bool found = false;
    for (int level = 0; level <= 16 && !found; ++level) {
        SetRows(40, level);
        for (int note = 87; note > 0 && !found; --note) {
            int top, bottom;
            pianoroll::RowBand(v, 127 - note, &top, &bottom);
            if ((top + bottom) / 2 != v->geo.grid.bottom) continue;
            found = true;
            EXPECT_EQ(YOfNote(note), INT_MIN) << level;
            EXPECT_LT(YOfNote(note + 1), v->geo.grid.bottom) << level;
            EXPECT_NE(YOfNote(note + 1), INT_MIN) << level;
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(Grid, LinesOfTheGridSpacingNeedMoreThanEightPixels) {
    OpenWithNotes();
    Settings()->gridSpacing = 240; // ticks
    Settings()->minGridPixels = 1;
    Settings()->minSongWholeNotes = 16;
    pianoroll::RefreshDocumentLength(View());
    const int zoomPixels = View()->geo.zoomPixels;
    for (const auto& [ticksPerPixel, drawn] : {std::pair{24, true}, std::pair{30, false}}) {
        SetTimeView(0, ticksPerPixel * zoomPixels);
        const int x = XOfTick(20 * 240);
        EXPECT_EQ(Pixel(x, NoteY(50)) == GridLine(), drawn) << ticksPerPixel;
        const int markY = View()->panes[pianoroll::PANE_RULER].rect.bottom - 2;
        EXPECT_EQ(Pixel(x, markY) == GetSysColor(COLOR_BTNTEXT), drawn) << ticksPerPixel;
    }
}

// A paint whose clip lies outside the grid draws nothing (a view without a window or track).
TEST(GridPaint, ClipOutsideTheGridDrawsNothing) {
    auto v = std::make_unique<pianoroll::TrackView>();
    pianoroll::InstallPianoRollPanes(v.get());
    v->geo.grid = {100, 50, 500, 350};
    v->panes[pianoroll::PANE_GRID].rect = v->geo.grid;
    pianoroll::SetDocumentLength(v.get(), 100'000);
    pianoroll::ResizeGeometry(v.get(), true);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 600, 400);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT all{0, 0, 600, 400};
    HBRUSH marker = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(dc, &all, marker);
    const RECT outside{0, 0, 90, 400};
    pianoroll::PaintGrid(v.get(), &v->panes[pianoroll::PANE_GRID], dc, &outside);
    for (int y = 0; y < 400; y += 7)
        for (int x = 0; x < 600; x += 7) ASSERT_EQ(GetPixel(dc, x, y), RGB(1, 2, 3)) << x << "," << y;
    // A clip inside paints rows there and only there.
    const RECT inside{200, 100, 260, 160};
    pianoroll::PaintGrid(v.get(), &v->panes[pianoroll::PANE_GRID], dc, &inside);
    EXPECT_NE(GetPixel(dc, 230, 130), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(dc, 199, 130), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(dc, 260, 130), RGB(1, 2, 3));
    // Without a track the keyboard's own shapes shade the rows: the sharps alike, a natural otherwise.
    pianoroll::PaintGrid(v.get(), &v->panes[pianoroll::PANE_GRID], dc, &v->geo.grid);
    auto row = [&](int pitch) {
        int top = 0, bottom = 0;
        pianoroll::RowBand(v.get(), pianoroll::kTopPitch - pitch, &top, &bottom);
        std::vector<COLORREF> pixels;
        for (int x = v->geo.grid.left; x < v->geo.grid.right; ++x) pixels.push_back(GetPixel(dc, x, top + 1));
        return pixels;
    };
    EXPECT_EQ(row(121), row(123));
    EXPECT_NE(row(121), row(122));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteObject(marker);
    DeleteDC(dc);
}

// The scales the rows are tinted by, checked by how they relate rather than by a copy of the table:
// the church modes are rotations of the major scale, the rest alter or combine others.
TEST(Scales, EveryScaleRelatesToTheMajorScaleOrToEvenSteps) {
    auto of = [](std::initializer_list<int> steps) {
        int mask = 0;
        for (int s : steps) mask |= 1 << (s % 12);
        return mask;
    };
    auto mode = [](int mask, int degree) { // the notes heard from `degree` up as the new root
        int out = 0;
        for (int k = 0; k < 12; ++k)
            if (mask >> k & 1) out |= 1 << ((k - degree + 12) % 12);
        return out;
    };
    auto ring = [](int step, int from) {
        int mask = 0;
        for (int k = from; k < 12; k += step) mask |= 1 << k;
        return mask;
    };
    using pianoroll::ScaleMask;
    const int major = of({0, 2, 4, 5, 7, 9, 11});
    EXPECT_EQ(ScaleMask(0), major);
    EXPECT_EQ(ScaleMask(6), mode(major, 2));  // dorian
    EXPECT_EQ(ScaleMask(7), mode(major, 4));  // phrygian
    EXPECT_EQ(ScaleMask(4), mode(major, 5));  // lydian
    EXPECT_EQ(ScaleMask(5), mode(major, 7));  // mixolydian
    EXPECT_EQ(ScaleMask(1), mode(major, 9));  // natural minor
    EXPECT_EQ(ScaleMask(8), mode(major, 11)); // locrian
    EXPECT_EQ(ScaleMask(2), major & ~of({5, 11}));                 // pentatonic major
    EXPECT_EQ(ScaleMask(3), mode(ScaleMask(2), 9));                // pentatonic minor
    EXPECT_EQ(ScaleMask(10), ScaleMask(3) | of({6}));              // blues: the minor pentatonic and its flat fifth
    EXPECT_EQ(ScaleMask(11), (major & ~of({4})) | of({3}));        // melodic minor: major with a minor third
    EXPECT_EQ(ScaleMask(12), (ScaleMask(1) & ~of({10})) | of({11})); // harmonic minor: a raised seventh
    EXPECT_EQ(ScaleMask(13), ring(2, 4) | of({0, 1, 11}));         // enigmatic
    EXPECT_EQ(ScaleMask(14), ring(3, 0) | ring(3, 2));             // diminished
    EXPECT_EQ(ScaleMask(15), ring(4, 0) | ring(4, 3));             // augmented
    EXPECT_EQ(ScaleMask(9), ring(2, 0));                           // whole-tone
    EXPECT_EQ(ScaleMask(16), ring(3, 0));
    EXPECT_EQ(ScaleMask(17), ring(4, 0));
    EXPECT_EQ(ScaleMask(18), 0);
    EXPECT_EQ(ScaleMask(-1), major);
    EXPECT_EQ(ScaleMask(40), 0);
}

TEST(GridColours, BlendAndPalette) {
    EXPECT_EQ(Blend(RGB(10, 20, 30), RGB(200, 100, 0), 0), RGB(10, 20, 30));
    EXPECT_EQ(Blend(RGB(10, 20, 30), RGB(200, 100, 0), 255), RGB(200, 100, 0));
    EXPECT_EQ(Blend(RGB(0, 0, 0), RGB(255, 255, 255), 128), RGB(128, 128, 128));
    EXPECT_EQ(Blend(RGB(255, 255, 255), RGB(0, 0, 0), 128), RGB(127, 127, 127));
    // Hues past the palette wrap round onto it; shades past the three clamp to the nearest.
    EXPECT_EQ(PaletteColour(14, pianoroll::SHADE_BRIGHT), PaletteColour(3, pianoroll::SHADE_BRIGHT));
    EXPECT_EQ(PaletteColour(3, 3), PaletteColour(3, 2));
    EXPECT_EQ(PaletteColour(3, -1), PaletteColour(3, 0));
}

} // namespace

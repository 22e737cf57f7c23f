// Repaints of the note grid that draw only what changed, and display lists that leave out notes which
// could change no pixel: either way every pixel of the grid and the velocity lane is what a paint of
// everything draws.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "mp/plugin.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "resources/command_ids.h"
#include "view/drag_state.h"
#include "view/grid_paint.h"
#include "view/track_view.h"
#include "view_fixture.h"

namespace {

using harness::ViewFixture;

constexpr std::int64_t kQuarter = 960;

class GridRepaint : public ViewFixture {
protected:
    // Every pixel of the view's client area.
    std::vector<std::uint32_t> Pixels() {
        const pianoroll::TrackView* v = View();
        std::vector<std::uint32_t> pixels;
        pixels.reserve(static_cast<std::size_t>(v->clientWidth) * static_cast<std::size_t>(v->clientHeight));
        for (int y = 0; y < v->clientHeight; ++y)
            for (int x = 0; x < v->clientWidth; ++x) pixels.push_back(Rgb(x, y));
        return pixels;
    }
    // The pixels of a paint that draws the whole grid, whatever the last paint left.
    std::vector<std::uint32_t> FullPaint() {
        pianoroll::ForgetGridPaint(View());
        Repaint();
        return Pixels();
    }
    std::size_t BandsDrawn() const { return View()->gridCache.bands.size(); }
    std::uint32_t block = 0;
};

TEST_F(GridRepaint, OnlyChangedRowsAreDrawnAgain) {
    block = AddPianoTrack(16 * kQuarter, 3);
    std::vector<std::uint32_t> notes;
    for (int i = 0; i < 12; ++i) notes.push_back(AddNote(block, i * kQuarter, kQuarter / 2, 60 + i % 5));
    OpenView(900, 500);
    SetRows(127 - 70, 7);
    SetTimeView(0, 14 * kQuarter);
    const std::vector<std::uint32_t> before = FullPaint();
    // Nothing changed: the grid is left as it is and looks as a full paint does.
    Repaint();
    EXPECT_EQ(BandsDrawn(), 0u);
    EXPECT_EQ(Pixels(), before);
    // Notes selected in one row, then in two others: those rows alone are drawn again. (A repaint of
    // the whole view comes first: a paint of less leaves less known for the next.)
    for (const auto& [chosen, rows] : {std::pair{std::vector<int>{3}, 1u}, std::pair{std::vector<int>{7, 9}, 2u}}) {
        project->WithStore([&](host::Store& store) {
            for (int n : chosen) store.SetEventFlags(notes[static_cast<std::size_t>(n)], mp::MEF_SELECTED);
        });
        Repaint();
        EXPECT_EQ(BandsDrawn(), rows);
        const std::vector<std::uint32_t> selected = Pixels();
        EXPECT_NE(selected, before);
        EXPECT_EQ(FullPaint(), selected);
    }
    // The selection colour and the time view change everything drawn.
    pianoroll::TrackView* v = View();
    Settings()->colours.selectedNote = win::RGB(200, 30, 180);
    Repaint();
    EXPECT_EQ(BandsDrawn(), 1u) << "one band: the whole grid";
    EXPECT_EQ(Pixels(), FullPaint());
    // A marquee is drawn over the grid by inverting: each paint under it draws the whole grid first.
    win::SendMessage(ViewWindow(), win::WM_COMMAND, static_cast<win::WPARAM>(pianoroll::CMD_TOOL_FIRST + 1), 0);
    Pump();
    const int x0 = XOfTick(11 * kQuarter), y0 = YOfNote(69), x1 = XOfTick(13 * kQuarter), y1 = YOfNote(58);
    Press(x0, y0);
    Move(x1, y1);
    ASSERT_TRUE(v->drag == pianoroll::Drag::Marquee);
    Repaint();
    const std::vector<std::uint32_t> marquee = Pixels();
    Repaint();
    EXPECT_EQ(Pixels(), marquee);
    Release(x1, y1);
}

TEST_F(GridRepaint, ZoomedOutListsKeepOneNotePerPixelAndRowAndPaintTheSame) {
    // 4,000 sixteenths over 2 rows, in a view where about 5 share a pixel column; some selected,
    // velocities varying: the stems of the velocity lane must come out as they would with every note.
    block = AddPianoTrack(1000 * kQuarter + kQuarter, 2);
    std::vector<std::uint32_t> notes;
    for (int i = 0; i < 4000; ++i)
        notes.push_back(AddNote(block, i * kQuarter / 4, kQuarter / 4, 60 + i % 2, i % 40 < 30 ? 90 : 20 + i % 100, 2));
    project->WithStore([&](host::Store& store) {
        for (int i = 0; i < 4000; ++i)
            if (i % 173 < 9) store.SetEventFlags(notes[static_cast<std::size_t>(i)], mp::MEF_SELECTED);
    });
    OpenView(900, 500);
    SetRows(127 - 68, 7);
    SetTimeView(0, 990 * kQuarter);
    const std::vector<std::uint32_t> culled = FullPaint();
    const int kept = PaintedNotes();
    EXPECT_LT(kept, 2500);
    EXPECT_GT(kept, 400);
    // With an edit queued (of a note outside the view) no note is left out.
    pianoroll::TrackView* v = View();
    mp::MidiEventRecord last{};
    ASSERT_EQ(v->access->GetEvent(mp::EventKey{track, block, notes.back()}, &last), win::S_OK);
    v->access->QueueModify(mp::EventKey{track, block, notes.back()}, last, mp::CHANGE_FLAGS);
    EXPECT_EQ(FullPaint(), culled);
    EXPECT_GT(PaintedNotes(), 3900);
    v->access->DiscardEdits();
    EXPECT_EQ(FullPaint(), culled);
}

TEST_F(GridRepaint, AfterSelectionChangesAPaintShowsWhatAListReadAfreshShows) {
    // Several notes to a pixel column, so that the list leaves some out, and notes past the view.
    block = AddPianoTrack(1200 * kQuarter, 2);
    std::vector<std::uint32_t> notes;
    for (int i = 0; i < 4400; ++i) notes.push_back(AddNote(block, i * kQuarter / 4, kQuarter / 4, 60 + i % 2, i % 40 < 30 ? 90 : 20 + i % 100, 2));
    OpenView(900, 500);
    SetRows(127 - 68, 7);
    SetTimeView(0, 990 * kQuarter);
    FullPaint();
    mp::TrackAccess* a = View()->access;
    auto store = [&](const std::function<void(host::Store&)>& write) { project->WithStore(write); };
    auto flags = [&](int i, std::uint32_t f) { store([&](host::Store& s) { s.SetEventFlags(notes[static_cast<std::size_t>(i)], f); }); };
    // The editor's own selections, the host's (a note whose left-out neighbour stays selected, then
    // that neighbour, notes past the view, every note), and a velocity. Patched, read again as a
    // note left out would now show, read again as the list's layout moved:
    enum Paint { kPatched, kLeftOut, kMoved };
    const std::vector<std::pair<std::function<void()>, Paint>> changes = {
        {[&] { a->SelectNotesInRange(100 * kQuarter, 200 * kQuarter, 0, 127, true); }, kPatched},
        {[&] { a->SelectAll(false); }, kPatched},
        {[&] { a->SelectAll(true); }, kPatched},
        {[&] { flags(401, 0); }, kLeftOut},
        {[&] { flags(403, 0); }, kPatched},
        {[&] { for (int i = 4000; i < 4400; ++i) flags(i, 0); }, kPatched},
        {[&] { store([&](host::Store& s) { s.SelectEvents(mp::EventKey{track, 0, 0}, mp::MEK_NOTE, false); }); }, kMoved},
        {[&] { store([&](host::Store& s) { host::EventValue e = s.Event(notes[9]); e.data[1] = 5; s.SetEvent(notes[9], e); }); }, kMoved},
        // Marquee steps, each clearing the track first: a band past the view's end, then one only
        // past it, which leaves every note in view unselected.
        {[&] {
             a->SelectAll(false);
             a->SelectNotesInRange(0, 1050 * kQuarter, 0, 127, true);
         },
         kPatched},
        {[&] {
             a->SelectAll(false);
             a->SelectNotesInRange(1000 * kQuarter, 100 * kQuarter, 0, 127, true);
         },
         kPatched},
        // A paint of one column in between (the edit cursor's) leaves the whole list to be patched.
        {[&] {
             const win::RECT& grid = View()->geo.grid;
             const win::RECT column{grid.left + 40, grid.top, grid.left + 41, grid.bottom};
             win::InvalidateRect(ViewWindow(), &column, win::FALSE);
             Pump();
             a->SelectNotesInRange(0, 300 * kQuarter, 0, 127, true);
         },
         kPatched},
    };
    for (std::size_t c = 0; c < changes.size(); ++c) {
        const std::uint64_t layout = a->Plugin()->ListLayout();
        changes[c].first();
        Repaint();
        EXPECT_EQ(a->Plugin()->ListLayout() != layout, changes[c].second == kMoved) << c;
        EXPECT_EQ(View()->gridCache.source.patched, changes[c].second == kPatched) << c;
        EXPECT_FALSE(View()->gridCache.source.leftOut.empty());
        const std::vector<std::uint32_t> patched = Pixels();
        View()->gridCache.source.patchable = false;
        EXPECT_EQ(FullPaint(), patched) << c;
    }
}

TEST_F(GridRepaint, TouchingNotesOfARowKeepTheirOwnColours) {
    // Notes end to end in one row, two pixels each, every sixth selected: a row's touching fills are
    // joined, and each note still shows its own look.
    block = AddPianoTrack(200 * kQuarter, 1);
    std::vector<std::uint32_t> notes;
    for (int i = 0; i < 600; ++i) notes.push_back(AddNote(block, i * kQuarter / 8, kQuarter / 8, 60));
    AddNote(block, kQuarter, 100 * kQuarter, 62); // on past the view's end, where it shows no end
    project->WithStore([&](host::Store& store) {
        for (int i = 0; i < 600; i += 6) store.SetEventFlags(notes[static_cast<std::size_t>(i)], mp::MEF_SELECTED);
    });
    OpenView(900, 500);
    SetRows(127 - 64, 7);
    SetTimeView(0, View()->geo.zoomPixels * kQuarter / 16);
    Repaint();
    ASSERT_EQ(XOfTick(kQuarter / 8) - XOfTick(0), 2);
    const int y = YOfNote(60) + 1;
    auto pixel = [&](int note) { return Rgb(XOfTick(note * kQuarter / 8), y); };
    ASSERT_NE(pixel(6), pixel(7));
    for (int i = 12; i < 360; ++i) EXPECT_EQ(pixel(i), pixel(6 + i % 6)) << i;
    const int end = XOfTick(View()->geo.timeOrigin + View()->geo.timeSpan) - 1, y62 = YOfNote(62) + 1;
    EXPECT_EQ(Rgb(end, y62), Rgb(end - 4, y62));
}

} // namespace

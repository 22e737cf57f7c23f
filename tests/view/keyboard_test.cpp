// The keyboard column: keys lined up with the rows, pressed keys sounding through the host's MIDI out
// under monitoring, the white zones beside black keys, key colours, labels, the middle-C marker, part
// codes and cursors (silent presses and the column splitter: view_keyboard_monitor.script).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "frame/editor_dialog.h"
#include "mp/settings.h"
#include "view/track_view.h"
#include "view_fixture.h"
#include "win/backend.h"

namespace {

using namespace win;
using harness::ViewFixture;

class Keyboard : public ViewFixture {
protected:
    void Open(bool monitoring = true) {
        AddPianoTrack(8 * kQuarter, 0);
        OpenView(900, 600);
        Settings()->keyboardWidth = 70;
        pianoroll::SetColumnWidth(View(), 70);
        SetRows(127 - 72, 9); // 14-pixel rows from note 72 down
        if (monitoring) SendMessage(EditorWindow(), WM_COMMAND, pianoroll::CMD_TOGGLE_MONITOR, 0);
        sent.clear();
    }
    const pianoroll::Pane& Column() const { return View()->panes[pianoroll::PANE_KEYBOARD]; }
    int Left() const { return Column().rect.left; }
    int KeyRight() const { return pianoroll::KeyAreaRight(View()); }
    int BlackRight() const { return pianoroll::BlackKeyRight(View()); }
    void Band(int note, int* top, int* bottom) const { pianoroll::RowBand(View(), 127 - note, top, bottom); }
    // Notes sounded (on) and stopped (off) so far.
    std::vector<int> Sent(std::uint32_t kind) const {
        std::vector<int> out;
        for (const mp::MidiEventRecord& r : sent)
            if (r.kind == kind) out.push_back(r.data[0]);
        return out;
    }
    std::vector<int> Ons() const { return Sent(mp::MEK_NOTE); }
    std::vector<int> Offs() const { return Sent(mp::MEK_NOTE_OFF); }
};

TEST_F(Keyboard, PressSoundsTheKeyUntilRelease) {
    Open();
    int top, bottom;
    Band(64, &top, &bottom);
    const int x = Left() + 5, y = (top + bottom) / 2;
    Press(x, y);
    ASSERT_EQ(Ons(), std::vector<int>{64});
    EXPECT_EQ(sent[0].data[1], 64); // velocity 64
    EXPECT_TRUE(Offs().empty());
    EXPECT_EQ(Rgb(x, y), 0xE0E0E0u); // a sounding white key is light grey
    Release(x, y);
    EXPECT_EQ((std::tuple{Offs(), Rgb(x, y)}), (std::tuple{std::vector<int>{64}, 0xFFFFFFu}));
    // Releasing far outside the column after pressing a black key still stops it.
    Band(66, &top, &bottom);
    Press(Left() + 3, (top + bottom) / 2);
    EXPECT_EQ(Rgb(Left() + 3, (top + bottom) / 2), 0x808080u);
    Release(600, 20);
    EXPECT_EQ((std::tuple{Ons(), Offs(), Rgb(Left() + 3, (top + bottom) / 2)}),
              (std::tuple{(std::vector<int>{64, 66}), (std::vector<int>{64, 66}), 0x000000u}));
    // A cancelled press stops the key and ends the press.
    Press(Left() + 3, (top + bottom) / 2);
    SendMessage(ViewWindow(), WM_CANCELMODE, 0, 0);
    EXPECT_EQ(Offs(), (std::vector<int>{64, 66, 66}));
    EXPECT_EQ(View()->drag, pianoroll::Drag::None);
}

TEST_F(Keyboard, WhiteZoneBesideABlackKeyPlaysTheNeighbour) {
    Open();
    int top, bottom;
    Band(61, &top, &bottom); // C#: the white edge lies 2/7 down its band
    const int x = (BlackRight() + KeyRight()) / 2;
    const int split = top + (bottom - top) * 2 / 7;
    ClickAt(x, top + 1);
    ClickAt(x, split + 2);
    Press(BlackRight() - 2, top + 1); // on the black key itself
    Release(BlackRight() - 2, top + 1);
    ClickAt(BlackRight(), top + 1);   // the first pixel right of it
    EXPECT_EQ(Ons(), (std::vector<int>{62, 60, 61, 62}));
    // The boundary line is drawn there.
    EXPECT_EQ((std::tuple{Rgb(x, split), Rgb(x, split + 2)}), (std::tuple{0x000000u, 0xFFFFFFu}));
}

TEST_F(Keyboard, KeysLineUpWithRowsAndCarryLabelsAndMarker) {
    Open();
    int top, bottom;
    // Black key: black on its left 3/5, white beside it, highlight line one pixel below the top.
    Band(63, &top, &bottom);
    const int width = KeyRight() + 1 - Left();
    EXPECT_EQ((std::tuple{BlackRight(), Rgb(Left() + 2, top + 1), Rgb(Left() + 2, top + 4)}),
              (std::tuple{Left() + width * 3 / 5, 0xC0C0C0u, 0x000000u}));
    EXPECT_EQ(Rgb(BlackRight() - 1, top + 1), 0x000000u); // not the key's last pixel
    EXPECT_EQ(Rgb(BlackRight() + 2, top + 4), 0xFFFFFFu);
    // "C" rows carry their names; D rows none.
    auto darkPixels = [&](int note) {
        int t, b, count = 0;
        Band(note, &t, &b);
        for (int y = t; y < b - 1; ++y)
            for (int x = BlackRight() + 1; x < KeyRight() - 1; ++x)
                if ((Rgb(x, y) & 0xFF) < 0x80) ++count;
        return count;
    };
    EXPECT_GT(darkPixels(60), 6);
    EXPECT_GT(darkPixels(48), 6);
    EXPECT_EQ(darkPixels(62), 0);
    // Middle C's marker: grey pixels in its row, none in the C an octave down.
    auto greyPixels = [&](int note) {
        int t, b, count = 0;
        Band(note, &t, &b);
        for (int y = t; y < b; ++y)
            for (int x = BlackRight() + 1; x < BlackRight() + 7; ++x)
                if (Rgb(x, y) == 0x808080u) ++count;
        return count;
    };
    EXPECT_EQ((std::tuple{greyPixels(60), greyPixels(48)}), (std::tuple{16, 0}));
    const std::string picture = std::string(VOR_BINARY_DIR) + "/view_keyboard.png";
    EXPECT_TRUE(headless::Snapshot(EditorWindow(), picture.c_str()));
    // Six-pixel rows: no highlight line on black keys.
    SetRows(127 - 72, 1);
    Band(63, &top, &bottom);
    ASSERT_EQ(bottom - top, 6);
    EXPECT_EQ(Rgb(Left() + 2, top + 1), 0x000000u);
    SetRows(127 - 72, 2);
    Band(63, &top, &bottom);
    ASSERT_EQ(bottom - top, 7);
    EXPECT_EQ(Rgb(Left() + 2, top + 1), 0xC0C0C0u);
}

TEST_F(Keyboard, PartCodesAndCursors) {
    Open();
    int top, bottom;
    Band(60, &top, &bottom);
    Move(Left() + 5, (top + bottom) / 2);
    EXPECT_EQ((std::tuple{View()->hitCode, View()->hoverRow}), (std::tuple{0x10007u, 127 - 60}));
    backend::CursorImage image{};
    ASSERT_TRUE(backend::QueryCursorImage(headless::CurrentCursor(), &image));
    EXPECT_EQ(image.systemId, 32512u);
    // The splitter at the column's right edge has an image of its own.
    Move(Column().rect.right - 3, (top + bottom) / 2);
    EXPECT_EQ(View()->hitCode, 0x10001u);
    ASSERT_TRUE(backend::QueryCursorImage(headless::CurrentCursor(), &image));
    EXPECT_EQ(image.systemId, 0u);
    // Below the rows (scrolled to the end, the last row leaves space under it).
    SetRows(200, 9);
    pianoroll::RowBand(View(), 127, &top, &bottom);
    if (bottom + 1 < View()->geo.grid.bottom) {
        Move(Left() + 5, bottom + 1);
        EXPECT_EQ(View()->hitCode, 0x10040u);
    }
}

} // namespace

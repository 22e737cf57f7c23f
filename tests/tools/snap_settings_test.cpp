// Snapping settings: derived spacings, the setting commands, the view's snap shortcuts and the Shift
// and Alt overrides as the window system reports them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "mp/private_messages.h"
#include "mp/settings.h"
#include "view/snapping.h"
#include "view/scale.h"
#include "view/track_view.h"
#include "win/backend.h"
#include "win/win.h"

namespace {

using namespace pianoroll;

constexpr std::uint32_t kQ = 960;

class SnapSettings : public ::testing::Test {
protected:
    void SetUp() override { settings.Reset(); }
    // The spacings at 960 ticks a quarter in 4/4, with the ruler marks drawn 30 apart.
    SnapSpacings Spacings() const { return SpacingsOf(settings, kQ, 0x40004, 30); }
    mp::PianoRollSettings settings{};
};

// ---- Derived spacings ---------------------------------------------------------------------------------

// The grid acts only with snapping and the grid flag on; the ruler-marks grid and paint value follow
// the lines at the zoom, note values do not; the setting itself is kept while the grid does not act.
TEST(SnapSpacings, DerivedFromTheSettingsTheTrackAndTheLines) {
    constexpr double kNone = -1;
    const struct {
        std::int64_t grid, paint;
        int snap, gridFlag;
        std::uint32_t ticksPerQuarter, signature;
        double drawn, expectedGrid, expectedPaint, setting;
    } cases[] = {
        {0, 0, 1, 1, kQ, 0x40004, kNone, 1, 1, 1}, // no lines
        {0, 0, 1, 1, kQ, 0x40004, 240, 240, 240, 240},
        {0, 0, 1, 1, kQ, 0x40004, 0.4, 1, 1, 1},
        {0, 0, 1, 0, kQ, 0x40004, 480, 1, 480, 480},
        {-4, -31, 1, 1, kQ, 0x40004, 240, 960, 1440, 960},
        {-2, 0, 1, 1, kQ, 0x30004, kNone, 3 * kQ, 1, 3 * kQ},
        {-2, 0, 0, 1, kQ, 0x30004, kNone, 1, 1, 3 * kQ},
        {-2, 0, 1, 0, kQ, 0x30004, kNone, 1, 1, 3 * kQ},
        {-4, 0, 1, 1, 0, 0x40004, kNone, kDefaultTicksPerQuarter, 1, kDefaultTicksPerQuarter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.grid << " " << c.paint << " drawn " << c.drawn);
        mp::PianoRollSettings settings{};
        settings.Reset();
        settings.gridSpacing = c.grid;
        settings.paintNoteValue = c.paint;
        settings.snapEnabled = c.snap;
        settings.gridSnap = c.gridFlag;
        const SnapSpacings spacings = SpacingsOf(settings, c.ticksPerQuarter, c.signature, c.drawn == kNone ? 0 : c.drawn);
        EXPECT_DOUBLE_EQ(spacings.grid, c.expectedGrid);
        EXPECT_DOUBLE_EQ(spacings.paint, c.expectedPaint);
        EXPECT_DOUBLE_EQ(spacings.setting, c.setting);
    }
}

// ---- Commands -----------------------------------------------------------------------------------------

TEST_F(SnapSettings, GridSpacingCommandsSetWhatTheyMeanAndMarkItInTheMenu) {
    // The spacing of each entry at 960 ticks a quarter in 4/4, with the ruler marks drawn 30 apart.
    const double ticks[kGridSpacingCount] = {10000, 1e7, 6e8, 1, 1, 30, 1, 4 * kQ, 2 * kQ, kQ, kQ * 2 / 3.0,
                                             kQ / 2.0, kQ / 3.0, kQ / 4.0, kQ / 6.0, kQ / 8.0, kQ / 12.0, kQ / 16.0,
                                             kQ / 24.0};
    for (int i = 0; i < kGridSpacingCount; ++i) {
        const int command = CMD_GRID_SPACING_FIRST + i;
        EXPECT_EQ(ApplySnapCommand(settings, command), SNAPCMD_HANDLED | SNAPCMD_GRID) << command;
        EXPECT_DOUBLE_EQ(Spacings().grid, ticks[i]) << command;
        // The menu marks the first entry of the value (two entries share one tick).
        const int marked = GridSpacingCommandOf(settings.gridSpacing);
        EXPECT_LE(marked, command);
        EXPECT_EQ(kGridSpacingValues[marked - CMD_GRID_SPACING_FIRST], settings.gridSpacing);
    }
    EXPECT_EQ(settings.GetWord(mp::SW_GRID_SPACING), kGridSpacingValues[kGridSpacingCount - 1]);
    EXPECT_EQ(settings.GetWord(mp::SW_GRID_SPACING + 1), -1); // the high word of the 64-bit value
}

TEST_F(SnapSettings, PaintValuesAreNoteValuesPlainDottedAndTriplet) {
    const auto lengthOf = [&](int command) {
        EXPECT_EQ(ApplySnapCommand(settings, command), SNAPCMD_HANDLED | SNAPCMD_PAINT);
        EXPECT_EQ(PaintValueCommandOf(settings.paintNoteValue), command);
        return Spacings().paint;
    };
    EXPECT_DOUBLE_EQ(lengthOf(CMD_PAINT_VALUE_FIRST), 30) << "the grid as drawn";
    // Whole notes down to 64ths, each as dotted, plain and triplet.
    for (int k = 0; k < 7; ++k) {
        const int dotted = CMD_PAINT_VALUE_FIRST + 1 + 3 * k;
        const double plain = 4 * kQ / static_cast<double>(1 << k);
        EXPECT_DOUBLE_EQ(lengthOf(dotted + 1), plain) << dotted + 1;
        EXPECT_DOUBLE_EQ(lengthOf(dotted), plain * 3 / 2) << dotted;
        EXPECT_DOUBLE_EQ(lengthOf(dotted + 2), plain * 2 / 3) << dotted + 2;
    }
}

TEST_F(SnapSettings, RootAndScaleCommands) {
    for (int i = 0; i < 18; ++i) {
        const int root = i % 12;
        EXPECT_EQ(ApplySnapCommand(settings, CMD_ROOT_FIRST + root), SNAPCMD_HANDLED | SNAPCMD_SCALE);
        EXPECT_EQ(ApplySnapCommand(settings, CMD_SCALE_FIRST + i), SNAPCMD_HANDLED | SNAPCMD_SCALE);
        EXPECT_EQ(RootCommandOf(settings.scaleRoot), CMD_ROOT_FIRST + root);
        EXPECT_EQ(ScaleCommandOf(settings.scaleIndex), CMD_SCALE_FIRST + i);
        EXPECT_EQ(PitchInScale(settings, 60 + root), (ScaleMask(i) & 1) != 0) << "the root is the scale's first step";
    }
    settings.scaleRoot = 2;
    settings.scaleIndex = 0;
    EXPECT_TRUE(PitchInScale(settings, 61));
    ApplySnapCommand(settings, 7302); // Pentatonic Major on D has no C#
    EXPECT_FALSE(PitchInScale(settings, 61));
}

TEST_F(SnapSettings, CommandsJustOutsideTheRangesChangeNothing) {
    settings.gridSpacing = -8;
    settings.paintNoteValue = -64;
    settings.scaleRoot = 3;
    settings.scaleIndex = 4;
    const mp::PianoRollSettings before = settings;
    for (int command : {0, -1, 4040, 4042, 4044, 5999, 6019, 6999, 7022, 7199, 7212, 7299, 7318, 7319, 65535}) {
        EXPECT_EQ(ApplySnapCommand(settings, command), 0) << command;
        EXPECT_EQ(std::memcmp(&settings, &before, sizeof settings), 0) << command;
    }
}

// ---- The view's shortcuts and the modifier keys ---------------------------------------------------------

class SnapView : public SnapSettings {
protected:
    void SetUp() override {
        SnapSettings::SetUp();
        win::headless::Install();
        settings.gridSpacing = -4;
        // A view without a track keeps the meter it is given.
        view.timeGrid.bars = BarGrid::OfTimeSignature(kQ, 0x40004);
        view.settings = &settings;
        view.time.editCursor = 950;
    }
    void TearDown() override {
        Hold(win::VK_SHIFT, false);
        Hold(win::VK_MENU, false);
    }
    // Key state changes when the key message is retrieved, as it would for the message being handled.
    static void Hold(int vk, bool down) {
        if (down) {
            win::headless::KeyDown(vk);
        } else {
            win::headless::KeyUp(vk);
        }
        win::headless::PumpUntilIdle();
    }
    TrackView view{};
};

TEST_F(SnapView, ShortcutsUseTheirCandidates) {
    EXPECT_EQ((std::tuple{SnapClickTime(view, 955), SnapCursorGridTime(view, 955), SnapMoveTime(view, 955)}),
              (std::tuple{960, 950, 950}));
    view.time.loopShown = true;
    view.time.loopStart = 957;
    view.time.loopEnd = 5000;
    EXPECT_EQ(SnapClickTime(view, 958), 957);
    EXPECT_EQ(SnapCursorGridTime(view, 958), 960);
    EXPECT_EQ(SnapForwardTime(view, 955), 957);
    EXPECT_EQ(SnapBackwardTime(view, 955), 950);
    EXPECT_EQ(SnapStartEdgeTime(view, 3000, 2000), 1920);
    EXPECT_EQ(SnapEndEdgeTime(view, 10, 960), 1920);
}

TEST_F(SnapView, SnappingOffOrShiftHeldLeavesTimesUnchanged) {
    // Snapping switched off, and Shift held while it is on: the shortcuts hand every time back.
    for (const bool shift : {false, true}) {
        SCOPED_TRACE(shift ? "Shift held" : "snapping off");
        settings.snapEnabled = shift ? 1 : 0;
        Hold(win::VK_SHIFT, shift);
        EXPECT_EQ(ShiftHeld(), shift);
        EXPECT_FALSE(SnappingActive(&settings));
        EXPECT_FALSE(GridSnappingActive(&settings));
        EXPECT_EQ(SnapClickTime(view, 1001), 1001);
        EXPECT_EQ(SnapMoveTime(view, 1001), 1001);
        EXPECT_EQ(SnapForwardTime(view, 1001), 1001);
        EXPECT_EQ(SnapBackwardTime(view, 1001), 1001);
        EXPECT_EQ(SnapStartEdgeTime(view, 3000, 2000), 3000);
        EXPECT_EQ(SnapEndEdgeTime(view, 10, 960), 10);
    }
    // Shift let go: snapping acts again, on the grid only while its flag is set.
    Hold(win::VK_SHIFT, false);
    EXPECT_EQ(SnapMoveTime(view, 1001), 960);
    EXPECT_TRUE(GridSnappingActive(&settings));
    settings.gridSnap = 0;
    EXPECT_FALSE(GridSnappingActive(&settings));
    view.settings = nullptr;
    EXPECT_EQ(SnapMoveTime(view, 955), 955);
    EXPECT_TRUE(ScaleAllowsPitch(view, 61, 0));
}

TEST_F(SnapView, AltOverridesTheScaleWhileHeld) {
    settings.scaleRoot = 2;
    settings.scaleIndex = 0;
    EXPECT_TRUE(ScaleAllowsPitch(view, 60, 0)); // scale snapping is off
    settings.scaleSnap = 1;
    EXPECT_FALSE(ScaleAllowsPitch(view, 60, 0));
    EXPECT_TRUE(ScaleAllowsPitch(view, 61, 0));
    EXPECT_FALSE(ScaleAllowsRow(view, 127 - 60, 0));
    EXPECT_TRUE(ScaleAllowsRow(view, 127 - 62, 0));
    settings.scaleIndex = 18; // the empty scale blocks every pitch
    EXPECT_FALSE(ScaleAllowsPitch(view, 62, 0));
    Hold(win::VK_MENU, true);
    EXPECT_EQ((std::tuple{bool(AltHeld()), bool(ScaleAllowsPitch(view, 62, 0)), bool(ScaleAllowsRow(view, 0, 0))}),
              (std::tuple{true, true, true}));
    EXPECT_TRUE(SnappingActive(&settings)); // Alt leaves time snapping alone
    Hold(win::VK_MENU, false);
    EXPECT_FALSE(ScaleAllowsPitch(view, 62, 0));
}

TEST_F(SnapView, FromTheSongTheKeyInForceAtTheTickDecides) {
    settings.scaleSnap = 1;
    settings.scaleRoot = 0;
    settings.scaleIndex = 0;
    // D major, then B flat major from 9600.
    view.songMaps.keys = pianoroll::KeyMap({{0, 2, false}, {9600, -2, false}});
    EXPECT_FALSE(ScaleAllowsPitch(view, 66, 100)) << "F sharp is no C major note while the switch is off";
    SetKeyFromSong(&view, true);
    EXPECT_TRUE(ScaleAllowsPitch(view, 66, 9599)) << "F sharp in D major";
    EXPECT_FALSE(ScaleAllowsPitch(view, 66, 9600)) << "not in B flat major";
    EXPECT_TRUE(ScaleAllowsPitch(view, 70, 9600)) << "B flat";
    EXPECT_FALSE(ScaleAllowsRow(view, 127 - 70, 0));
    EXPECT_TRUE(KeyVaries(&view));
    Hold(win::VK_MENU, true);
    EXPECT_TRUE(ScaleAllowsPitch(view, 66, 9600)) << "Alt still overrides";
    Hold(win::VK_MENU, false);
    // A song without key signatures is C major.
    view.songMaps.keys = pianoroll::KeyMap();
    EXPECT_FALSE(KeyVaries(&view));
    EXPECT_FALSE(ScaleAllowsPitch(view, 66, 100));
    EXPECT_TRUE(ScaleAllowsPitch(view, 65, 100));
    SetKeyFromSong(&view, false);
}

// ---- The view's command handling --------------------------------------------------------------------------

int g_refreshNotices = 0;

win::LRESULT FrameProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (msg == mp::PRM_REFRESH_STATE) ++g_refreshNotices;
    return win::DefWindowProc(hwnd, msg, wParam, lParam);
}

class SnapViewCommands : public SnapView {
protected:
    void SetUp() override {
        SnapView::SetUp();
        static const bool registered = [] {
            win::WNDCLASS wc{};
            wc.lpfnWndProc = FrameProc;
            wc.lpszClassName = "SnapTestFrame";
            return win::RegisterClass(&wc) != 0;
        }();
        ASSERT_TRUE(registered);
        frame = win::CreateWindowEx(0, "SnapTestFrame", "", win::WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr,
                                    nullptr, nullptr, nullptr);
        ASSERT_NE(frame, nullptr);
        view.hwnd = win::CreateWindowEx(0, "SnapTestFrame", "", win::WS_CHILD, 0, 0, 100, 100, frame, nullptr,
                                        nullptr, nullptr);
        ASSERT_NE(view.hwnd, nullptr);
        win::headless::PumpUntilIdle();
        g_refreshNotices = 0;
    }
    void TearDown() override {
        win::DestroyWindow(frame);
        win::headless::PumpUntilIdle();
        SnapView::TearDown();
    }
    // What waits to be repainted: nothing, or the whole view; the question clears it for the next one.
    int Invalidated() {
        win::RECT r{};
        const bool any = win::GetUpdateRect(view.hwnd, &r, win::FALSE) != win::FALSE;
        win::ValidateRect(view.hwnd, nullptr);
        if (!any) return kNothing;
        return r.left == 0 && r.top == 0 && r.right == 100 && r.bottom == 100 ? kWhole : kPart;
    }
    static constexpr int kNothing = 0, kPart = 1, kWhole = 2;
    win::HWND frame = nullptr;
};

// Grid and scale changes redraw the rows; scale and snapping changes also tell the frame, whose menus
// and buttons show them; a paint value only recomputes; other commands are left alone.
TEST_F(SnapViewCommands, EachKindOfChangeRedrawsAndTellsWhatItMust) {
    const struct {
        int command, result;
        bool stale;
        int refreshes;
        double grid, paint;
    } cases[] = {
        // Paint -1: the grid's lines at the view's zoom.
        {7302, SNAPCMD_HANDLED | SNAPCMD_SCALE, true, 1, 960, -1},
        {4043, SNAPCMD_HANDLED | SNAPCMD_SCALE, true, 1, 960, -1},
        {6013, SNAPCMD_HANDLED | SNAPCMD_GRID, true, 0, 240, -1},
        {4041, SNAPCMD_HANDLED | SNAPCMD_SNAPPING | SNAPCMD_GRID, true, 1, 1, -1},
        {7013, SNAPCMD_HANDLED | SNAPCMD_PAINT, false, 0, 1, 360},
        {4005, 0, false, 0, 1, 360},
    };
    ASSERT_EQ(Invalidated(), kNothing);
    for (const auto& c : cases) {
        view.gridCache.stale = false;
        g_refreshNotices = 0;
        EXPECT_EQ(HandleSnapCommand(&view, c.command), c.result) << c.command;
        EXPECT_EQ(view.gridCache.stale, c.stale) << c.command;
        EXPECT_EQ(Invalidated(), c.result & (SNAPCMD_GRID | SNAPCMD_SCALE | SNAPCMD_SNAPPING) ? kWhole : kNothing)
            << c.command;
        win::headless::PumpUntilIdle();
        EXPECT_EQ(g_refreshNotices, c.refreshes) << c.command;
        EXPECT_DOUBLE_EQ(ViewSpacings(view, 0).grid, c.grid) << c.command;
        EXPECT_DOUBLE_EQ(ViewSpacings(view, 0).paint, c.paint < 0 ? ViewLineStep(&view, 0).step : c.paint) << c.command;
    }
    EXPECT_EQ(settings.scaleIndex, 2);
    EXPECT_EQ(HandleSnapCommand(nullptr, 6009), 0);
    view.settings = nullptr;
    EXPECT_EQ((std::tuple{HandleSnapCommand(&view, 6009), Invalidated()}), (std::tuple{0, kNothing}));
}

} // namespace

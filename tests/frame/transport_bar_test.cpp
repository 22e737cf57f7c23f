// The transport strip beyond what its scripts drive: jumps while playing keep the host playing, the
// pushed look of a pressed button, a narrow window giving up the status field before any button, and
// the status field naming the row under the pointer and widening for a long track.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "frame/transport_bar.h"
#include "frame_fixture.h"
#include "model/host_project.h"
#include "mp/editor_commands.h"
#include "mp/host_contract.h"
#include "resources/command_ids.h"
#include "vor/ui_resources.h"
#include "win/backend.h"

namespace {

using namespace win;
using namespace pianoroll;

class TransportBar : public harness::FrameFixture {
protected:
    const TransportBarState& Bar() const { return View()->transportBar; }
    const TransportButton& Button(int command) const {
        const int i = TransportButtonOf(Bar(), command);
        EXPECT_GE(i, 0) << command;
        return Bar().buttons[i < 0 ? 0 : i];
    }
    POINT Middle(int command) const {
        const RECT& r = Button(command).rect;
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void ClickTransport(int command) {
        const POINT p = Middle(command);
        Move(p.x, p.y);
        ClickAt(p.x, p.y);
    }
    bool HostPlaying() {
        return project->WithStore([](host::Store& s) { return (s.TransportFlags() & mp::TRANSPORT_PLAYING) != 0; });
    }
    std::int64_t HostPosition() {
        return project->WithStore([](host::Store& s) { return s.TransportPosition(); });
    }
    // The host's playback moves on by itself, as its clock would.
    void HostReaches(std::int64_t tick) {
        project->WithStore([tick](host::Store& s) { s.SetTransportPosition(tick); });
        Pump();
    }
    std::string Status() {
        char text[64];
        bool right = false;
        StatusFieldText(View(), text, sizeof text, &right);
        return text;
    }
    // The view window itself: the frame keeps its own client area wider than the narrowest views.
    void ResizeView(int width, int height) {
        SetWindowPos(ViewWindow(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
        Pump();
    }
};

TEST_F(TransportBar, PlayWhilePlayingJumpsWithoutRestartingTheHost) {
    OpenSong();
    MoveEditCursor(View(), kQuarter, 0, MEC_NO_HISTORY);
    ClickTransport(CMD_PLAY);
    HostReaches(10 * kQuarter);
    // Every seek from now on must find the host still playing: a restart would stop it first.
    std::vector<bool> playingAtSeek;
    project->SetPositionWriteHandler([&](std::int64_t) {
        playingAtSeek.push_back(project->WithStore([](host::Store& s) { return (s.TransportFlags() & mp::TRANSPORT_PLAYING) != 0; }));
    });
    ClickTransport(CMD_PLAY);
    EXPECT_EQ((std::tuple{HostPosition(), View()->time.editCursor}), (std::tuple{kQuarter, kQuarter}));
    HostReaches(6 * kQuarter);
    ClickTransport(CMD_PLAY_FROM_START);
    EXPECT_EQ((std::tuple{HostPosition(), View()->time.editCursor}), (std::tuple{0, 0}));
    project->SetPositionWriteHandler(nullptr);
    EXPECT_TRUE(HostPlaying());
    EXPECT_EQ(playingAtSeek, (std::vector<bool>{true, true}));
}

TEST_F(TransportBar, ReleaseOffThePressedButtonSendsNothingAndReturningRestoresThePush) {
    OpenSong();
    const POINT play = Middle(CMD_PLAY), stop = Middle(CMD_STOP);
    const int playIndex = TransportButtonOf(Bar(), CMD_PLAY);
    Move(play.x, play.y);
    Press(play.x, play.y);
    EXPECT_EQ((std::tuple{Bar().pressed, Bar().hot}), (std::tuple{playIndex, playIndex}));
    Move(stop.x, stop.y);
    EXPECT_EQ(Bar().hot, -1) << "off the pressed button it no longer looks pushed";
    Release(stop.x, stop.y);
    EXPECT_FALSE(HostPlaying());
    EXPECT_EQ((std::tuple{Bar().pressed, GetCapture()}), (std::tuple{-1, nullptr}));

    // Off and back on again: the release over it plays.
    Press(play.x, play.y);
    Move(stop.x, stop.y);
    Move(play.x, play.y);
    EXPECT_EQ(Bar().hot, playIndex);
    Release(play.x, play.y);
    EXPECT_TRUE(HostPlaying());

    // The first button likewise.
    const POINT first = Middle(Bar().buttons[0].command);
    Press(first.x, first.y);
    ASSERT_EQ(Bar().pressed, 0);
    Move(stop.x, stop.y);
    EXPECT_EQ(Bar().hot, -1);
    Release(stop.x, stop.y);
    // A cancelled press sends nothing either.
    Press(stop.x, stop.y);
    SendMessage(ViewWindow(), WM_CANCELMODE, 0, 0);
    EXPECT_EQ((std::tuple{Bar().pressed, Bar().hot}), (std::tuple{-1, -1}));
    Release(stop.x, stop.y);
    EXPECT_TRUE(HostPlaying());
}

TEST_F(TransportBar, EachButtonShowsAPictureOfItsOwnAndOnlyTheOneUnderThePointerLooksRaised) {
    OpenSong();
    Move(XOfTick(kQuarter), YOfNote(60)); // over the grid: no button is hot
    Repaint();
    std::set<std::vector<std::uint32_t>> pictures;
    int buttons = 0;
    for (int i = 0; i < Bar().buttonCount; ++i) {
        const RECT r = Bar().buttons[i].rect;
        if ((Bar().buttons[i].style & TBY_SEPARATOR) || r.right <= r.left) continue;
        std::vector<std::uint32_t> picture;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) picture.push_back(Rgb(x, y));
        pictures.insert(picture);
        ++buttons;
    }
    EXPECT_EQ((std::tuple{buttons, pictures.size()}), (std::tuple{7, 7u}));
    // The bottom-right corner of a flat button shows the strip behind it; a raised one its shadow.
    const RECT stop = Button(CMD_STOP).rect;
    const COLORREF flat = Pixel(stop.right - 1, stop.bottom - 1);
    EXPECT_EQ(flat, Pixel(stop.right - 1, stop.bottom));
    const POINT over = Middle(CMD_STOP);
    Move(over.x, over.y);
    Repaint();
    EXPECT_NE(Pixel(stop.right - 1, stop.bottom - 1), flat);
}

TEST_F(TransportBar, NarrowWindowLosesTheStatusFieldFirstThenTheRightmostButtons) {
    OpenSong();
    std::vector<int> widths; // of each button while all are shown
    for (const TransportButton& b : Bar().buttons) widths.push_back(b.rect.right - b.rect.left);
    const int fieldWidth = Bar().statusField.right - Bar().statusField.left;
    ASSERT_GT(fieldWidth, 0);
    bool sawFieldGoneWithAllButtons = false, sawButtonsGone = false;
    for (int width = 1200; width >= 150; width -= width > 400 ? 10 : 1) {
        ResizeView(width, 400);
        const TransportBarState& bar = Bar();
        // The buttons keep the strip's left margin at its right end too, or the status field's left.
        const int limit = IsRectEmpty(&bar.statusField) ? bar.bar.right - (bar.buttons[0].rect.left - bar.bar.left)
                                                        : static_cast<int>(bar.statusField.left);
        int shown = 0;
        for (int i = 0; i < bar.buttonCount; ++i) {
            const RECT& r = bar.buttons[i].rect;
            const bool visible = r.right > r.left;
            // Only the rightmost go, and only when they would not fit: once one is gone, every one after it is.
            if (!visible) {
                if (shown == i) {
                    EXPECT_GT(r.left + widths[static_cast<std::size_t>(i)], limit) << "width " << width;
                }
                continue;
            }
            EXPECT_EQ(shown, i) << "width " << width;
            EXPECT_LE(r.right, limit) << "width " << width;
            ++shown;
        }
        const bool field = !IsRectEmpty(&bar.statusField);
        if (field) {
            EXPECT_EQ(shown, bar.buttonCount) << "the field stays only while every button does, width " << width;
            EXPECT_LE(bar.statusField.right, bar.bar.right);
            EXPECT_GE(bar.statusField.left, bar.buttons[bar.buttonCount - 1].rect.right);
        }
        if (!field && shown == bar.buttonCount) {
            // Gone only for want of room after the last button.
            EXPECT_LT(limit - bar.buttons[bar.buttonCount - 1].rect.right, fieldWidth) << "width " << width;
            sawFieldGoneWithAllButtons = true;
        }
        if (!field && shown < bar.buttonCount && shown > 0) sawButtonsGone = true;
    }
    EXPECT_TRUE(sawFieldGoneWithAllButtons);
    EXPECT_TRUE(sawButtonsGone);
}

TEST_F(TransportBar, StatusFieldNamesTheRowUnderThePointerAndButtonsHaveTheirTips) {
    OpenSong();
    SetTimeView(0, 8 * kQuarter);
    SetRows(127 - 72, View()->geo.rowHeightLevel); // the song opens with its first note, 60, at the top
    const int y = YOfNote(61);
    ASSERT_NE(y, INT_MIN);
    Move(XOfTick(kQuarter), y);
    EXPECT_EQ(Status(), "C#5");
    // A short buffer gets what fits, and nothing past it.
    char shortText[8] = "xxxxxxx";
    bool right = false;
    StatusFieldText(View(), shortText, 3, &right);
    EXPECT_EQ(std::string(shortText, 4), std::string("C#\0x", 4));
    const POINT play = Middle(CMD_PLAY), stop = Middle(CMD_STOP);
    Move(play.x, play.y);
    EXPECT_EQ(Status(), "");
    EXPECT_STREQ(View()->tip.text, "Play (Space)");
    EXPECT_EQ(Bar().hot, TransportButtonOf(Bar(), CMD_PLAY));
    Move(stop.x, stop.y);
    EXPECT_EQ(Bar().hot, TransportButtonOf(Bar(), CMD_STOP)) << "the hot look goes from button to button";
    SendMessage(ViewWindow(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Bar().hot, -1) << "and ends when the pointer leaves the view";
    const RECT& field = Bar().statusField;
    Move((field.left + field.right) / 2, (field.top + field.bottom) / 2);
    EXPECT_STREQ(View()->tip.text, "Note");
    EXPECT_EQ(PartAt((field.left + field.right) / 2, (field.top + field.bottom) / 2), TRANSPORT_HIT_STATUS);
}

// The field is sized for the position text of twice the track's length: a long track widens it.
TEST_F(TransportBar, StatusFieldWidensForALongTrack) {
    block = AddPianoTrack(std::int64_t{1} << 34);
    AddNote(block, (std::int64_t{1} << 34) - kQuarter, kQuarter, 60);
    OpenView(1200, 700);
    const RECT& field = Bar().statusField;
    ASSERT_FALSE(IsRectEmpty(&field));
    HDC dc = GetDC(ViewWindow());
    SelectObject(dc, VorUI_GetFont(VOR_FONT_LABEL));
    const std::string longest = std::to_string((std::int64_t{1} << 35) / (4 * kQuarter) + 1) + ":1.000";
    SIZE text{};
    GetTextExtentPoint32(dc, longest.c_str(), static_cast<int>(longest.size()), &text);
    ReleaseDC(ViewWindow(), dc);
    EXPECT_GE(field.right - field.left, text.cx);
}

// The bar and its field take their heights from one line height: the bar 16 pixels over it, the field 4,
// and the field centred.
TEST_F(TransportBar, BarIsTwelvePixelsTallerThanItsCentredStatusField) {
    OpenSong();
    const TransportBarState& bar = Bar();
    ASSERT_FALSE(IsRectEmpty(&bar.statusField));
    const int barHeight = bar.bar.bottom - bar.bar.top, fieldHeight = bar.statusField.bottom - bar.statusField.top;
    EXPECT_EQ(barHeight - fieldHeight, 12);
    EXPECT_EQ(bar.bar.bottom - bar.statusField.bottom, 6);
}

// A view with no host behind it: the playback buttons cannot be pressed, and the operations do nothing.
TEST(TransportBarAlone, PlaybackButtonsNeedTheHostsTransport) {
    TrackView v;
    Pane& pane = v.panes[PANE_TRANSPORT];
    ASSERT_TRUE(TransportBarPaneClass()->Init(&v, &pane, PANE_INIT_CREATED));
    for (int command : {CMD_PLAY_FROM_START, CMD_PLAY, CMD_PAUSE, CMD_STOP})
        EXPECT_FALSE(TransportButtonUsable(&v, TransportButtonOf(v.transportBar, command))) << command;
    for (int command : {CMD_LOOP_PLAYBACK, CMD_GO_TO_START, CMD_GO_TO_END})
        EXPECT_TRUE(TransportButtonUsable(&v, TransportButtonOf(v.transportBar, command))) << command;
    EXPECT_FALSE(TransportButtonUsable(&v, -1));
    EXPECT_FALSE(TransportButtonUsable(&v, kTransportButtonCapacity));
    v.time.editCursor = 480;
    EXPECT_FALSE(Stop(&v, true));
    Play(&v, PLAY_FROM_START);
    EXPECT_EQ(v.time.editCursor, 480);
    EXPECT_FALSE(v.follow.playing);
}

} // namespace

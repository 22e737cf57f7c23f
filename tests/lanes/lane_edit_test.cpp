// Editing in the lanes through real input beyond the lane scripts: a click filling one grid step, strokes
// either way unsnapped as well, a flat stroke beside another controller, and gestures that change nothing.
#include <gtest/gtest.h>

#include "lane_fixture.h"
#include "win/controls.h"

namespace lanetest {
namespace {

using namespace win;

using LaneEdit = LaneFixture;

constexpr int kVolume = 7;
constexpr int kVolumeLane = 1000 + kVolume;
constexpr int kQuarterGrid = 6009;
constexpr int kEighthGrid = 6011;
// Unsnapped strokes step by 1/64 quarter note.
constexpr int kStep = kPpq / 64;

std::vector<HostValue> Of(const std::vector<HostValue>& values, int controller) {
    std::vector<HostValue> out;
    for (const HostValue& v : values)
        if (v.controller == controller) out.push_back(v);
    return out;
}

TEST_F(LaneEdit, AClickWritesOneValueOrFillsOneGridStep) {
    Open(kVolumeLane);
    Click(X(1000), Y(64));
    EXPECT_EQ(Values(), (std::vector<HostValue>{{1000, kVolume, 64}}));
    EXPECT_NE(GetCapture(), ViewWindow());
    EXPECT_EQ(View()->drag, pianoroll::Drag::None);
    EXPECT_EQ(UndoName(), "Draw MIDI 7: Main Volume MSB");
    EXPECT_EQ(UndoCount(), 1u);

    SendMessage(ViewWindow(), WM_COMMAND, kQuarterGrid, 0);
    SendMessage(ViewWindow(), WM_COMMAND, pianoroll::CMD_TOGGLE_SNAPPING, 0);
    Pump();
    Click(X(2000), Y(30)); // inside the step from 1920
    Click(X(2880), Y(90)); // on a grid line: the step that starts there
    EXPECT_EQ(Values(), (std::vector<HostValue>{{1000, kVolume, 64}, {1920, kVolume, 30}, {2880, kVolume, 90}}));
    EXPECT_EQ(UndoCount(), 3u);
}

TEST_F(LaneEdit, StrokesBetweenTheSamePointsGiveTheSameValuesFromEitherSide) {
    for (bool snapping : {true, false}) {
        SCOPED_TRACE(snapping ? "snapping" : "unsnapped");
        TearDown();
        SetUp();
        Open(kVolumeLane, snapping);
        SendMessage(ViewWindow(), WM_COMMAND, kEighthGrid, 0);
        Drag(X(1000), Y(10), X(2900), Y(120));
        const std::vector<HostValue> rightwards = Values();
        EXPECT_GT(rightwards.size(), 4u);
        project->Undo();
        EXPECT_TRUE(Values().empty());
        Drag(X(2900), Y(120), X(1000), Y(10));
        EXPECT_EQ(Values(), rightwards);
    }
}

TEST_F(LaneEdit, AFlatStrokeCoversItsEndPointAndASlopedOneStopsAStepShort) {
    Controller(1400, kVolume, 90);
    Controller(2420, kVolume, 90);
    Controller(1400, 10, 33); // another controller at the same tick stays
    Open(kVolumeLane);
    Drag(X(1000), Y(50), X(1400), Y(50), 0, 3);
    EXPECT_EQ(Of(Values(), kVolume), (std::vector<HostValue>{{1000, kVolume, 50}, {2420, kVolume, 90}}));
    EXPECT_EQ(Of(Values(), 10), (std::vector<HostValue>{{1400, 10, 33}}));

    Drag(X(2000), Y(0), X(2420), Y(kLaneRows)); // 60 steps long
    const std::vector<HostValue> sloped = Of(Values(), kVolume);
    ASSERT_GT(sloped.size(), 3u);
    EXPECT_EQ(sloped[1], (HostValue{2000, kVolume, 1}));
    // The old value at the end tick is gone and the last step lies short of it.
    EXPECT_EQ(sloped.back().tick, 2420 - kStep);
    for (const HostValue& v : sloped) EXPECT_NE(v.value, 90) << v.tick;
}

TEST_F(LaneEdit, GesturesThatChangeNothingLeaveNoUndoStep) {
    Note(960, 60);
    Controller(960, kVolume, 80);
    Open(pianoroll::kLaneVelocity);
    Drag(X(500), Y(120), X(2000), Y(10), 0, 4, 1); // the right button in the velocity lane
    EXPECT_EQ(Notes(), (std::vector<HostNote>{{960, 60, 100}}));
    EXPECT_EQ(UndoCount(), 0u);

    // A right click is the way to the view's menu: the value under it stays.
    ChooseLane(kVolumeLane);
    AnswerNextPopupMenu(0u);
    Click(X(960), Y(64), 0, 1);
    ClearPopupMenuAnswer();
    EXPECT_EQ(Values(), (std::vector<HostValue>{{960, kVolume, 80}}));
    EXPECT_EQ(UndoCount(), 0u);

    // A drawing cancelled by the system is dropped whole.
    Press(X(1200), Y(64));
    Move(X(1800), Y(100));
    SendMessage(ViewWindow(), WM_CANCELMODE, 0, 0);
    Pump();
    Release(X(1800), Y(100));
    EXPECT_EQ(Values(), (std::vector<HostValue>{{960, kVolume, 80}}));
    EXPECT_EQ(UndoCount(), 0u);
    EXPECT_EQ(View()->drag, pianoroll::Drag::None);
}

} // namespace
} // namespace lanetest

// Choosing the lane: the stored id and its fallback, the lane names, the lane menu's entries, marks,
// columns and greyed controllers, and the choice kept in the settings.
#include <gtest/gtest.h>

#include <string>

#include "lane_fixture.h"
#include "lanes/lane_menu.h"
#include "mp/track_access.h"
#include "win/controls.h"

namespace lanetest {
namespace {

using namespace win;

using LaneChoice = LaneFixture;

std::string LaneName(pianoroll::ControllerView* lane) {
    char name[pianoroll::kLaneNameCapacity] = {};
    lane->GetName(name, sizeof name);
    return name;
}

std::string ItemText(HMENU menu, int position) {
    char text[256] = {};
    GetMenuString(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

bool RadioChecked(HMENU menu, int position) {
    MENUITEMINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    GetMenuItemInfo(menu, static_cast<UINT>(position), TRUE, &info);
    return (info.fType & MFT_RADIOCHECK) && (info.fState & MFS_CHECKED);
}

TEST_F(LaneChoice, AStoredIdThatNamesNoLaneOpensTheVelocityLane) {
    Open(pianoroll::kLanePitchBend);
    mp::PianoRollSettings* settings = Settings();
    for (int stored : {0, 999, 1130, -1}) {
        CloseEditor();
        settings->laneId = stored;
        ASSERT_EQ(OpenEditor(1000, 600), S_OK);
        pianoroll::ControllerView* lane = pianoroll::CurrentLane(View());
        ASSERT_NE(lane, nullptr) << stored;
        EXPECT_EQ(lane->GetLaneId(), pianoroll::kLaneVelocity) << stored;
        EXPECT_EQ(LaneName(lane), "Velocity");
    }
    // A controller lane comes back as it was stored.
    CloseEditor();
    settings->laneId = 1064;
    ASSERT_EQ(OpenEditor(1000, 600), S_OK);
    EXPECT_EQ(pianoroll::CurrentLane(View())->GetLaneId(), 1064);
}

TEST_F(LaneChoice, LanesAreNamedForWhatTheyShow) {
    Open(1064);
    pianoroll::ControllerView* lane = pianoroll::CurrentLane(View());
    const std::string damper = LaneName(lane);
    EXPECT_EQ(damper.substr(0, 4), "64: ");
    EXPECT_EQ(damper.substr(damper.size() - 12), "Damper Pedal");
    ChooseLane(1007);
    EXPECT_EQ(LaneName(pianoroll::CurrentLane(View())), "7: Main Volume MSB");
    ChooseLane(pianoroll::kLanePitchBend);
    lane = pianoroll::CurrentLane(View());
    EXPECT_EQ(LaneName(lane), "Pitch Bend");
    // Names are cut to the capacity and always ended; nothing is written without room.
    for (int id : {pianoroll::kLanePitchBend, pianoroll::kLaneVelocity, 1064}) {
        ChooseLane(id);
        lane = pianoroll::CurrentLane(View());
        char small[4] = {'x', 'x', 'x', 'x'};
        lane->GetName(small, 4);
        EXPECT_EQ(std::string(small), LaneName(lane).substr(0, 3)) << id;
        char none[1] = {'x'};
        lane->GetName(none, 0);
        EXPECT_EQ(none[0], 'x') << id;
    }
}

TEST_F(LaneChoice, TheMenuMarksTheKindsTheTrackHoldsAndListsTheOtherControllers) {
    Note(0, 60);
    Controller(0, 7, 100);
    Controller(480, 71, 20); // not a favourite
    Controller(960, 0, 1);   // greyed in the sub-menu, but present
    Open(1071);
    HMENU menu = pianoroll::BuildLaneMenu(*View()->access, *View(), 1071);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(ItemText(menu, 0), "Velocity *");
    EXPECT_EQ((std::tuple{GetMenuItemID(menu, 0), ItemText(menu, 1), GetMenuItemID(menu, 1)}),
              (std::tuple{1128u, "Pitch Bend", 1129u}));
    // The nine favourites, without " MSB"; only controller 7 is present.
    const int favourites[] = {1, 2, 4, 5, 7, 8, 10, 11, 64};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(GetMenuItemID(menu, 2 + i), static_cast<UINT>(1000 + favourites[i]));
        EXPECT_EQ(ItemText(menu, 2 + i).find(" MSB"), std::string::npos) << favourites[i];
    }
    EXPECT_EQ(ItemText(menu, 6), "7: Main Volume *");
    EXPECT_EQ(ItemText(menu, 2), "1: Modulation");
    // Then the others present, in order, between separators, and the sub-menu last.
    EXPECT_EQ((std::vector<UINT>{GetMenuState(menu, 11, MF_BYPOSITION) & MF_SEPARATOR, GetMenuItemID(menu, 12),
                                 GetMenuItemID(menu, 13), GetMenuState(menu, 14, MF_BYPOSITION) & MF_SEPARATOR}),
              (std::vector<UINT>{MF_SEPARATOR, 1000, 1071, MF_SEPARATOR}));
    EXPECT_EQ((std::tuple{ItemText(menu, 13).substr(ItemText(menu, 13).size() - 2), bool(RadioChecked(menu, 13)),
                          bool(RadioChecked(menu, 6))}),
              (std::tuple{" *", true, false}));
    ASSERT_EQ(GetMenuItemCount(menu), 16);
    EXPECT_EQ(ItemText(menu, 15), "All Continuous Controllers");
    DestroyMenu(menu);
}

TEST_F(LaneChoice, TheSubMenuOffersEveryControllerInFourColumnsWithEighteenGreyed) {
    Controller(0, 7, 100);
    Open(1007);
    HMENU menu = pianoroll::BuildLaneMenu(*View()->access, *View(), 1007);
    ASSERT_NE(menu, nullptr);
    // Without other controllers the first level ends with a single separator before the sub-menu.
    const int last = GetMenuItemCount(menu) - 1;
    HMENU all = GetSubMenu(menu, last);
    ASSERT_NE(all, nullptr);
    ASSERT_EQ(GetMenuItemCount(all), 128);
    int greyed = 0;
    for (int c = 0; c < 128; ++c) {
        EXPECT_EQ(GetMenuItemID(all, c), static_cast<UINT>(1000 + c));
        const UINT state = GetMenuState(all, static_cast<UINT>(c), MF_BYPOSITION);
        EXPECT_EQ((state & MF_MENUBREAK) != 0, c == 32 || c == 64 || c == 96) << c;
        if (state & MF_GRAYED) ++greyed;
        EXPECT_EQ((state & MF_GRAYED) == 0, pianoroll::ControllerChoosable(c)) << c;
    }
    EXPECT_EQ(greyed, 18);
    // Full names keep " MSB"; the present controller is marked and carries the radio mark.
    EXPECT_EQ((std::tuple{ItemText(all, 7), bool(RadioChecked(all, 7)), bool(RadioChecked(all, 8))}),
              (std::tuple{"7: Main Volume MSB *", true, false}));
    DestroyMenu(menu);
}

TEST_F(LaneChoice, TheNameBoxMenuChoosesAnyControllerButTheGreyedOnes) {
    Open(pianoroll::kLaneVelocity);
    ChooseLane(1006); // greyed in the sub-menu, and the track holds none
    EXPECT_EQ(pianoroll::CurrentLane(View())->GetLaneId(), pianoroll::kLaneVelocity);
    EXPECT_EQ(Settings()->laneId, pianoroll::kLaneVelocity);
    ChooseLane(1003); // only in the sub-menu
    EXPECT_EQ(pianoroll::CurrentLane(View())->GetLaneId(), 1003);
    EXPECT_EQ(Settings()->laneId, 1003);
}

} // namespace
} // namespace lanetest

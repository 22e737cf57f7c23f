// LaneFixture: the song, the opened editor with its lane, input with held modifiers, and the host's data.
#include "lane_fixture.h"

#include <algorithm>

#include "model/store.h"
#include "mp/script_query.h"
#include "resources/command_ids.h"
#include "win/controls.h"

namespace lanetest {

using namespace win;

void LaneFixture::SetUp() {
    ViewFixture::SetUp();
    project->WithStore([](host::Store& store) { store.SetTicksPerQuarter(kPpq); });
    block = AddPianoTrack(kPpq * 64);
}

void LaneFixture::Note(std::int64_t tick, int pitch, int velocity, bool selected) {
    AddEvent(block, tick, mp::MEK_NOTE, kPpq, pitch, velocity, 0, selected);
}

void LaneFixture::Controller(std::int64_t tick, int controller, int value) {
    AddEvent(block, tick, mp::MEK_CONTROL, 0, controller, value);
}

void LaneFixture::Bend(std::int64_t tick, int value) { AddEvent(block, tick, mp::MEK_PITCH_BEND, 0, value & 0x7F, value >> 7); }

void LaneFixture::Open(int laneId, bool snapping, int width, int height) {
    OpenView(width, height);
    ASSERT_NE(View(), nullptr);
    Settings()->laneHeight = kStoredLaneHeight;
    pianoroll::LayoutView(View(), true);
    ShowSong(64, static_cast<std::int64_t>(View()->geo.zoomPixels) * kTicksPerPixel);
    ChooseLane(laneId);
    ASSERT_EQ(Settings()->laneId, laneId);
    project->WithStore([](host::Store& store) { store.ClearHistory(); });
    if (Settings()->snapEnabled != (snapping ? 1 : 0)) {
        SendMessage(ViewWindow(), WM_COMMAND, pianoroll::CMD_TOGGLE_SNAPPING, 0);
        Pump();
    }
    ASSERT_EQ(Lane().bottom - Lane().top, kLaneRows);
    ASSERT_DOUBLE_EQ(View()->geo.ticksPerPixel, kTicksPerPixel);
}

void LaneFixture::ChooseLane(int laneId) {
    const RECT box = View()->lanes.nameBox;
    ASSERT_FALSE(IsRectEmpty(&box));
    AnswerNextPopupMenu(static_cast<UINT>(laneId));
    ClickAt((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    headless::AdvanceClock(2000); // the next press is a click of its own
    Pump();
}

int LaneFixture::Y(int value) const {
    return static_cast<int>(SendMessage(ViewWindow(), pianoroll::PRM_SCRIPT_POSITION, mp::SVQ_Y_OF_LANE_VALUE, value));
}

std::vector<HostValue> LaneFixture::Values() {
    Pump();
    std::vector<HostValue> out;
    ForEachStoredEvent(track, [&](std::uint32_t, std::int64_t base, const host::EventValue& v) {
        if (v.kind == mp::MEK_CONTROL) out.push_back({base + v.time, v.data[0], v.data[1]});
        if (v.kind == mp::MEK_PITCH_BEND) out.push_back({base + v.time, kBend, (v.data[1] & 0x7F) << 7 | (v.data[0] & 0x7F)});
    });
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<HostNote> LaneFixture::Notes() {
    Pump();
    std::vector<HostNote> out;
    ForEachStoredEvent(track, [&](std::uint32_t, std::int64_t base, const host::EventValue& v) {
        if (v.kind == mp::MEK_NOTE) out.push_back({base + v.time, v.data[0], v.data[1]});
    });
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace lanetest

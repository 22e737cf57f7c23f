// ToolFixture: an opened editor on a one-track song at 960 ticks per quarter, 10 ticks per pixel and
// 16-pixel rows, with input helpers that hold modifier keys through a whole gesture and readers of
// the host's notes and undo history.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "mp/settings.h"
#include "tools/tool_state.h"
#include "tools/tools.h"
#include "view_fixture.h"
#include "win/backend.h"

namespace tooltest {

using win::headless::MOD_ALT;
using win::headless::MOD_CONTROL;
using win::headless::MOD_SHIFT;

constexpr int kPpq = 960;
constexpr int kTicksPerPixel = 10;
constexpr int kTopNote = 80; // the note in the top row

struct HostNote {
    std::int64_t time;
    std::int64_t length;
    int pitch;
    bool selected;
    bool operator==(const HostNote& o) const {
        return time == o.time && length == o.length && pitch == o.pitch;
    }
    bool operator<(const HostNote& o) const { return std::tie(time, pitch, length) < std::tie(o.time, o.pitch, o.length); }
};

class ToolFixture : public harness::ViewFixture {
protected:
    void SetUp() override;

    // Notes are added before Open().
    void Note(std::int64_t time, std::int64_t length, int pitch);
    // Opens the editor; snapping is switched off unless `snapping`.
    void Open(bool snapping = false);

    // Host state.
    std::vector<HostNote> Notes();
    std::vector<HostNote> Selected();

    // Positions: x of a tick, y of a note's row centre.
    int X(std::int64_t tick) const { return XOfTick(tick); }
    int Y(int note) const { return YOfNote(note); }

    // Input; modifiers are held from before the press to after the release.
    void Hold(unsigned mods);
    void Let(unsigned mods);
    void Down(int x, int y, int button = 0, unsigned mods = 0);
    void Up(int x, int y, int button = 0, unsigned mods = 0);
    void Drag(int x0, int y0, int x1, int y1, unsigned mods = 0, int steps = 4, int button = 0);
    void Click(int x, int y, unsigned mods = 0, int button = 0);
    // Gives the next press its own click (never a double-click with the last one).
    void Wait();
    void Command(int id);
    void UseTool(int index) { Command(pianoroll::CMD_TOOL_FIRST + index); }
    int CurrentTool();
    pianoroll::Drag DragState();
    int HitAt(int x, int y);

    std::uint32_t block = 0;
};

} // namespace tooltest

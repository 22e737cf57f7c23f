// The time editing scripts run on: playback and the window system's clock move only when a script lets
// time pass, and together, so that what a script plays is the same on every run.
#pragma once

#include <cstdint>

namespace playback {
class TestClock;
}

namespace host::app {

// Playback's clock in script mode, shared by every document opened with recorded sound.
playback::TestClock& ScriptClock();
// Lets ms milliseconds pass on the window system's clock and on playback's; returns once the playback
// threads have sent what was due by then.
void AdvanceScriptTime(std::uint32_t ms);

} // namespace host::app

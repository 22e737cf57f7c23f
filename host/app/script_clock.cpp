// The script clock: the headless window system's clock and playback's test clock advanced together.
#include "script_clock.h"

#include "playback/clock.h"
#include "win/backend.h"

namespace host::app {

playback::TestClock& ScriptClock() {
    // Never destroyed: documents (and their playback threads) may outlive the static destructors.
    static auto* clock = new playback::TestClock;
    return *clock;
}

void AdvanceScriptTime(std::uint32_t ms) {
    constexpr std::int64_t kMicrosPerMilli = 1000;
    ScriptClock().Advance(static_cast<std::int64_t>(ms) * kMicrosPerMilli);
    win::headless::AdvanceClock(ms);
}

} // namespace host::app

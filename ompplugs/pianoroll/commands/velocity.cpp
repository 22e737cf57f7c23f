// The velocity commands: minimum, default and maximum for the selected notes, and the reading of an
// entered velocity.
#include <algorithm>
#include <cctype>
#include <vector>

#include "commands/edit_commands.h"
#include "mp/plugin.h"
#include "mp/track_access.h"
#include "resources/command_ids.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kMinimumVelocity = 1;
constexpr int kMaximumVelocity = 127;
// Enough digits to tell any number above the maximum from it, without overflowing.
constexpr unsigned kSaturated = 1000;

} // namespace

int VelocityOfCommand(int command) {
    switch (command) {
    case CMD_VELOCITY_MINIMUM: return kMinimumVelocity;
    case CMD_VELOCITY_MAXIMUM: return kMaximumVelocity;
    case CMD_VELOCITY_DEFAULT: return kDefaultVelocity;
    default: return 0;
    }
}

int ParseVelocityText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i == text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return kDefaultVelocity;
    unsigned value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min(value * 10 + static_cast<unsigned>(text[i] - '0'), kSaturated);
    return std::clamp(static_cast<int>(value), kMinimumVelocity, kMaximumVelocity);
}

HRESULT SetSelectionVelocity(TrackView* v, int velocity) {
    if (!v->access) return S_FALSE;
    const HRESULT hr = v->access->SetSelectedVelocity(std::clamp(velocity, kMinimumVelocity, kMaximumVelocity));
    RefreshAfterEdit(v);
    return hr;
}

bool AnyNoteSelected(TrackView* v) {
    mp::COPTPlugin* plugin = v->access ? v->access->Plugin() : nullptr;
    if (!plugin || v->access->GetEventCount() == 0) return false;
    const std::vector<mp::EventEntry> list = plugin->EntriesMaybeSelected();
    for (const mp::EventEntry& e : list)
        if (e.kind == mp::MEK_NOTE && v->access->IsEventSelected(e.key)) return true;
    return false;
}

} // namespace pianoroll

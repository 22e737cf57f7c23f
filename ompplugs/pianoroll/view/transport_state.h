// The transport strip's record in the view: its buttons and status field. The transport bar (frame/)
// writes it; the view only holds it.
#pragma once

#include <cstdint>

#include "win/gdi.h"

namespace pianoroll {

// A button record's state bits.
constexpr std::uint32_t TBS_CHECKED = 0x1;
constexpr std::uint32_t TBS_ENABLED = 0x4;
constexpr std::uint32_t TBS_HIDDEN = 0x8;
// A button record's style bits.
constexpr std::uint32_t TBY_SEPARATOR = 0x1;
constexpr std::uint32_t TBY_CHECK = 0x2;

struct TransportButton {
    win::RECT rect{}; // zero width when it does not fit or is hidden
    int image = -1;   // index into the toolbar strip
    int command = 0;
    std::uint32_t state = 0;
    std::uint32_t style = 0;
    const char* tooltip = nullptr;
};

constexpr int kTransportButtonCapacity = 17;
constexpr int kStatusTextCapacity = 64;

// Part codes of the strip's hit test: the status field, or a button (base + index).
enum : int {
    TRANSPORT_HIT_NONE = 0,
    TRANSPORT_HIT_STATUS = 1,
    TRANSPORT_HIT_BUTTON = 0x100,
};

// Written by the transport bar (frame/transport_bar*.cpp) and the view's window procedure.
struct TransportBarState {
    win::RECT bar{};
    // The left field is never given a rectangle; the status field is right-aligned.
    win::RECT leftField{};
    win::RECT statusField{};
    TransportButton buttons[kTransportButtonCapacity];
    int buttonCount = 0;
    int pressed = -1; // the button the left button went down on, while it is held
    int hot = -1;     // the button under the pointer
    std::int64_t laidOutLength = -1; // the track length the status field was sized for
    char paintedStatus[kStatusTextCapacity] = {}; // the status field's text as last painted
};

} // namespace pianoroll

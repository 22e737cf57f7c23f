// The transport strip (pane 10) as the view holds it.
#pragma once

namespace pianoroll {

// Written by the transport bar: its buttons, their pressed and hot states, and the status field.
struct TransportBarState {};

} // namespace pianoroll

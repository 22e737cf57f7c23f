// The module-wide state that the editor parts compiled into this test reach for: an instance handle
// of the test's own (the real module keeps its own copy of everything inside pianoroll.so).
#include "resources/module_identity.h"

namespace pianoroll {

win::HINSTANCE ModuleInstance() noexcept {
    static int tag = 0;
    return reinterpret_cast<win::HINSTANCE>(&tag);
}

const char* MessageBoxCaption() noexcept { return "MIDI Piano Roll Editor"; }

} // namespace pianoroll

// Fuzz target: any byte string is read as a MIDI file; what reads saves and reads back the same.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "model/store.h"
#include "smf/smf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    host::Store store;
    const host::smf::ReadResult r = host::smf::Read(data, size, store);
    if (!r.ok) {
        if (r.error.empty() || r.offset > size || store.EventCount() != 0) std::abort();
        return 0;
    }
    std::vector<std::uint8_t> out;
    // Whatever opens can be saved.
    if (!host::smf::Write(store, out).ok) std::abort();
    host::Store again;
    const host::smf::ReadResult back = host::smf::Read(out.data(), out.size(), again);
    if (!back.ok || again.TrackCount() != store.TrackCount()) std::abort();
    // Writing what was read back gives the same bytes.
    std::vector<std::uint8_t> second;
    if (!host::smf::Write(again, second).ok || second != out) std::abort();
    return 0;
}

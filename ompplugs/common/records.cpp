// Record helpers: clearing an event record with its owned data, kind classes and key order.
#include "mp/record_helpers.h"

#include <cstring>

namespace mp {

bool IsVariableKind(std::uint32_t kind) noexcept {
    // Exactly one kind bit is set in a valid record; a mask with other bits is not a variable kind.
    return kind != 0 && (kind & ~MEK_VARIABLE) == 0 && (kind & (kind - 1)) == 0;
}

void ClearRecord(MidiEventRecord& r) noexcept {
    if (IsVariableKind(r.kind) && r.length != 0 && r.dataHandle != 0) {
        win::CoTaskMemFreeHandle(r.dataHandle);
    }
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    r.kind = MEK_NONE;
}

void FreeEventData(const MidiEventRecord& r) noexcept {
    if (IsVariableKind(r.kind) && r.length != 0 && r.dataHandle != 0) win::CoTaskMemFreeHandle(r.dataHandle);
}

int CompareKeys(const EventKey& a, const EventKey& b) noexcept {
    if (a.track != b.track) return a.track < b.track ? -1 : 1;
    if (a.block != b.block) return a.block < b.block ? -1 : 1;
    if (a.event != b.event) return a.event < b.event ? -1 : 1;
    return 0;
}

} // namespace mp

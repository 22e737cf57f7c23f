// Quantizing: the resolution list, the descriptor, the resolution in ticks, the rounding of starts and
// durations, and the edit that quantizes the selection.
#include "commands/quantize.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "model/bar_grid.h"
#include "model/pending_edit.h"
#include "mp/string_ids.h"
#include "mp/track_access.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr QuantizeResolution kResolutions[kQuantizeResolutionCount] = {
    {mp::IDS_QUANTIZE_RESOLUTION_FIRST + 0, 0, false}, // Whole Note
    {mp::IDS_QUANTIZE_RESOLUTION_FIRST + 1, 1, false}, // Half Note
    {mp::IDS_QUANTIZE_RESOLUTION_FIRST + 2, 2, false}, // Quarter Note
    {mp::IDS_QUANTIZE_RESOLUTION_FIRST + 3, 2, true},  // Quarter Note Triplet
    {mp::IDS_QUANTIZE_RESOLUTION_FIRST + 4, 3, false}, // 8th Note
    {mp::IDS_QUANTIZE_RESOLUTION_FIRST + 5, 3, true},  // 8th Note Triplet
    {mp::IDS_QUANTIZE_RESOLUTION_FIRST + 6, 4, false}, // 16th Note
    {mp::IDS_QUANTIZE_RESOLUTION_FIRST + 7, 4, true},  // 16th Note Triplet
    {mp::IDS_QUANTIZE_RESOLUTION_FIRST + 8, 5, false}, // 32nd Note
    {mp::IDS_QUANTIZE_RESOLUTION_FIRST + 9, 5, true},  // 32nd Note Triplet
    {mp::IDS_QUANTIZE_RESOLUTION_LAST, 6, false},      // 64th Note
};

constexpr std::int64_t kQuartersPerWhole = 4;

} // namespace

const QuantizeResolution& QuantizeResolutionAt(int index) {
    return kResolutions[index >= 0 && index < kQuantizeResolutionCount ? index : 0];
}

std::uint32_t RebuildQuantizeDescriptor(std::uint32_t previous, int index, bool starts, bool durations) {
    const QuantizeResolution& r = QuantizeResolutionAt(index);
    std::uint32_t d = (previous & QD_CARRIED) | static_cast<std::uint32_t>(r.level) | QD_ACTIVE;
    if (r.triplet) d |= QD_TRIPLET;
    if (starts) d |= QD_STARTS;
    if (durations) d |= QD_DURATIONS;
    return d;
}

int QuantizeIndexOf(std::uint32_t descriptor) {
    const int level = static_cast<int>(descriptor & QD_LEVEL_MASK);
    const bool triplet = (descriptor & QD_TRIPLET) != 0;
    for (int i = 0; i < kQuantizeResolutionCount; ++i)
        if (kResolutions[i].level == level && kResolutions[i].triplet == triplet) return i;
    return 0;
}

std::int64_t QuantizeResolutionTicks(int index, std::uint32_t ticksPerQuarter) {
    const QuantizeResolution& r = QuantizeResolutionAt(index);
    const std::int64_t whole = kQuartersPerWhole * static_cast<std::int64_t>(ticksPerQuarter);
    const std::int64_t base = r.triplet ? whole * 2 / 3 : whole;
    // A very coarse time base can make a short note value 0 ticks; it still rounds to whole ticks.
    return std::max<std::int64_t>(base / (std::int64_t{1} << r.level), 1);
}

std::int64_t QuantizeStart(std::int64_t start, std::int64_t resolution) {
    if (resolution <= 1) return start;
    std::int64_t r = start % resolution;
    if (r < 0) r += resolution;
    if (r == 0) return start;
    start -= r;
    return r >= resolution - r ? start + resolution : start;
}

std::int64_t QuantizeStartIn(const BarGrid& bars, std::int64_t start, std::int64_t resolution) {
    if (resolution <= 1 || bars.Meters().size() < 2) return QuantizeStart(start, resolution);
    const std::size_t i = bars.MeterIndexAt(start);
    const std::int64_t from = bars.Meters()[i].start;
    std::int64_t r = (start - from) % resolution;
    if (r < 0) r += resolution;
    const std::int64_t before = start - r;
    if (r == 0) return before;
    // A meter cut short ends on the next one's start; halfway goes to the later point.
    const std::int64_t after = std::min(before + resolution, bars.MeterEnd(i));
    return after - start <= start - before ? after : before;
}

std::uint32_t QuantizeDuration(std::uint32_t duration, std::int64_t resolution) {
    constexpr std::int64_t kLongest = std::numeric_limits<std::uint32_t>::max();
    resolution = std::clamp<std::int64_t>(resolution, 1, kLongest);
    const std::int64_t m = duration % resolution;
    if (m >= duration) return static_cast<std::uint32_t>(resolution);
    return static_cast<std::uint32_t>(duration - m);
}

bool QuantizeNote(Note& note, std::uint32_t descriptor, std::int64_t resolution, const BarGrid* meters) {
    if (!(descriptor & QD_ACTIVE)) return false;
    // Rounded in song time, so a block that starts off the grid still lands its notes on it; a note
    // never goes before the song's start.
    if (descriptor & QD_STARTS) {
        const std::int64_t start = meters ? QuantizeStartIn(*meters, note.start, resolution) : QuantizeStart(note.start, resolution);
        note.start = std::max<std::int64_t>(start, 0);
    }
    if (descriptor & QD_DURATIONS)
        note.length = QuantizeDuration(static_cast<std::uint32_t>(std::clamp<std::int64_t>(note.length, 0, UINT32_MAX)),
                                       resolution);
    return true;
}

HRESULT QuantizeSelection(mp::TrackAccess& access, const BarGrid& bars) {
    const std::uint32_t descriptor = access.QuantizeDescriptor();
    const std::int64_t resolution = QuantizeResolutionTicks(QuantizeIndexOf(descriptor), access.TicksPerQuarter());
    // Every selected event is part of the edit; only the notes change.
    PendingEdit edit(&access);
    if (edit.RewriteSelected([&](Note& note) { QuantizeNote(note, descriptor, resolution, &bars); }) == 0) return S_FALSE;
    return edit.Commit(mp::IDS_UNDO_QUANTIZE);
}

} // namespace pianoroll

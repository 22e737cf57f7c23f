// Inserting and removing the song's time and key signatures: meta events of the conductor track,
// each change one named undoable edit.
#include <algorithm>
#include <bit>

#include "model/store.h"
#include "store_scope.h"

namespace host {

namespace {
constexpr std::uint8_t kTimeSignature = 0x58;
constexpr std::uint8_t kKeySignature = 0x59;
// What a time signature written here says besides the meter: 24 clocks a metronome click, 8 32nds a quarter.
constexpr std::uint8_t kClocksPerClick = 24;
constexpr std::uint8_t kThirtySecondsPerQuarter = 8;
constexpr std::size_t kMeaningBytes = 3;
} // namespace

std::vector<std::uint32_t> Store::MetaEventsAt(std::int64_t tick, std::uint8_t type) const {
    Settle();
    std::vector<std::uint32_t> found;
    const auto metaBit = static_cast<std::uint8_t>(std::countr_zero(std::uint32_t{mp::MEK_META}));
    for (std::uint32_t t : trackOrder_) {
        for (std::uint32_t b : TrackSlotOf(t)->blocks) {
            const BlockSlot& bs = *BlockSlotOf(b);
            for (std::uint32_t e : bs.events) {
                const EventSlot& s = events_[e - eventBase_];
                const std::int64_t at = bs.value.start + s.time;
                if (at > tick) break;
                if (at < tick || s.kindBit != metaBit) continue;
                const auto it = eventData_.find(e);
                if (it != eventData_.end() && !it->second.empty() && it->second[0] == type) found.push_back(e);
            }
        }
    }
    return found;
}

win::HRESULT Store::PutMetaAt(std::int64_t tick, std::vector<std::uint8_t> bytes, const char16_t* undoName) {
    const std::vector<std::uint32_t> present = MetaEventsAt(tick, bytes[0]);
    if (present.empty() && (trackOrder_.empty() || TrackSlotOf(trackOrder_.front())->blocks.empty())) return win::E_FAIL;
    Scope scope(*this, undoName);
    if (!present.empty()) {
        for (std::uint32_t id : present) {
            EventValue v = ReadEventValue(id);
            // Type and the two bytes that say the signature; a time signature keeps its metronome bytes.
            if (v.bytes.size() == bytes.size()) std::copy_n(bytes.begin(), kMeaningBytes, v.bytes.begin());
            else v.bytes = bytes;
            const win::HRESULT hr = SetEvent(id, v);
            if (hr != win::S_OK) return hr;
        }
        return win::S_OK;
    }
    // The conductor track's block that holds the tick, else its first one.
    const std::vector<std::uint32_t>& blocks = TrackSlotOf(trackOrder_.front())->blocks;
    std::uint32_t block = blocks.front();
    for (std::uint32_t b : blocks) {
        const BlockValue& bv = BlockSlotOf(b)->value;
        if (bv.start <= tick && tick < bv.end) {
            block = b;
            break;
        }
    }
    EventValue v;
    v.block = block;
    v.time = tick - BlockSlotOf(block)->value.start;
    v.kind = mp::MEK_META;
    v.channel = -1;
    v.bytes = std::move(bytes);
    return InsertEvent(v, nullptr);
}

win::HRESULT Store::RemoveMetaAt(std::int64_t tick, std::uint8_t type, const char16_t* undoName) {
    if (tick < 0) return win::E_INVALIDARG;
    const std::vector<std::uint32_t> present = MetaEventsAt(tick, type);
    if (present.empty()) return win::S_FALSE;
    Scope scope(*this, undoName);
    for (std::uint32_t id : present) {
        const win::HRESULT hr = DeleteEvent(id);
        if (hr != win::S_OK) return hr;
    }
    return win::S_OK;
}

win::HRESULT Store::InsertTimeSignature(std::int64_t tick, std::uint32_t beats, std::uint32_t noteExp) {
    if (tick < 0 || beats < 1 || beats > 255 || noteExp > 5) return win::E_INVALIDARG;
    std::int64_t beat = 0, inBeat = 0;
    Time().Split(tick, nullptr, &beat, &inBeat);
    if (beat != 0 || inBeat != 0) return mp::MP_E_NOT_ON_BAR_LINE;
    return PutMetaAt(tick,
                     {kTimeSignature, static_cast<std::uint8_t>(beats), static_cast<std::uint8_t>(noteExp),
                      kClocksPerClick, kThirtySecondsPerQuarter},
                     u"Insert Time Signature");
}

win::HRESULT Store::RemoveTimeSignature(std::int64_t tick) {
    return RemoveMetaAt(tick, kTimeSignature, u"Remove Time Signature");
}

win::HRESULT Store::InsertKeySignature(std::int64_t tick, std::int32_t sharps, bool minor) {
    if (tick < 0 || sharps < -7 || sharps > 7) return win::E_INVALIDARG;
    return PutMetaAt(tick, {kKeySignature, static_cast<std::uint8_t>(static_cast<std::int8_t>(sharps)), std::uint8_t{minor}},
                     u"Insert Key Signature");
}

win::HRESULT Store::RemoveKeySignature(std::int64_t tick) {
    return RemoveMetaAt(tick, kKeySignature, u"Remove Key Signature");
}

} // namespace host

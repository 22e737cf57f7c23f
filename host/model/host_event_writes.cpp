// The host object's bulk write of many events: every write checked first, then all applied under one
// hold of the lock and told as one batch, so a refused batch leaves the song as it was.
#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "model/host_project.h"

namespace host {

namespace {

// Whether the write leaves a plain event plain: ticks, a fixed-length kind, a port its slot holds and
// no host words.
bool KeepsPlain(const mp::MidiEventRecord& r, std::uint32_t mask) {
    constexpr std::uint8_t kNoHostData[sizeof r.hostData] = {};
    if ((mask & mp::CHANGE_TIME) && r.timeFormat != 0 && r.timeFormat != mp::TIME_FORMAT_TICKS) return false;
    if ((mask & mp::CHANGE_KIND) && IsVariableKind(r.kind)) return false;
    if ((mask & mp::CHANGE_PORT) && r.port > Store::kSlotPortLimit) return false;
    return !(mask & mp::CHANGE_HOST_WORDS) || (r.hostWord == 0 && r.sourceWord == 0 && r.reserved == 0 &&
                                               std::memcmp(r.hostData, kNoHostData, sizeof kNoHostData) == 0);
}

// The fields of r named by mask onto a plain value, as Set applies them to a whole one.
void MergePlain(const mp::MidiEventRecord& r, std::uint32_t mask, Store::PlainValue& v) {
    if (mask & mp::CHANGE_TIME) v.time = r.time;
    if (mask & mp::CHANGE_KIND) v.kind = r.kind;
    if (mask & mp::CHANGE_LENGTH) v.length = r.length;
    if (mask & mp::CHANGE_DATA) std::memcpy(v.data, r.data, sizeof v.data);
    if (mask & mp::CHANGE_CHANNEL) v.channel = r.channel;
    if (mask & mp::CHANGE_PORT) v.port = r.port;
    if (mask & mp::CHANGE_FLAGS) v.flags = r.flags;
}

} // namespace

HostProject::WriteForm HostProject::PrepareWrite(const mp::MPEventWrite& w, const EventValue* base,
                                                 Store::PlainValue* plain, EventValue* whole) {
    const std::uint32_t mask = w.mask & mp::CHANGE_ALL;
    if (!base && mask != mp::CHANGE_FLAGS && KeepsPlain(w.record, mask) && store_.ReadPlain(w.key.event, plain)) {
        const mp::EventKey k = store_.KeyOfEvent(w.key.event);
        if ((w.key.block && w.key.block != k.block) || (w.key.track && w.key.track != k.track)) return WriteForm::Refused;
        MergePlain(w.record, mask, *plain);
        return store_.ValidPlain(k.block, *plain) ? WriteForm::Plain : WriteForm::Refused;
    }
    const win::HRESULT hr = EventWriteValue(w.key, w.record, w.mask, base, whole);
    return hr == win::S_OK ? WriteForm::Whole : hr == win::S_FALSE ? WriteForm::Flags : WriteForm::Refused;
}

win::HRESULT HostProject::SetEvents(win::DWORD count, win::DWORD order, win::DWORD size, const void* in) {
    if (order != mp::MP_EVENT_WRITES_FORWARD && order != mp::MP_EVENT_WRITES_BACKWARD) return win::E_INVALIDARG;
    if (size / sizeof(mp::MPEventWrite) < count) return win::E_INVALIDARG;
    const auto* writes = static_cast<const mp::MPEventWrite*>(in);
    auto at = [&](std::size_t i) -> const mp::MPEventWrite& {
        return writes[order == mp::MP_EVENT_WRITES_BACKWARD ? count - 1 - i : i];
    };
    Batch batch;
    win::HRESULT hr = win::S_OK;
    {
        std::lock_guard lock(mutex_);
        std::uint32_t low = UINT32_MAX, high = 0;
        for (std::size_t i = 0; i < count && hr == win::S_OK; ++i) {
            const std::uint32_t id = at(i).key.event;
            if (!store_.EventAlive(id)) hr = mp::MP_E_EVENT_WRITES_REFUSED;
            low = std::min(low, id);
            high = std::max(high, id);
        }
        // Events written more than once are followed through their earlier writes, so that each
        // write is checked against the value it will meet.
        std::unordered_map<std::uint32_t, EventValue> followed;
        if (hr == win::S_OK && count > 1) {
            std::vector<bool> seen(high - low + 1);
            for (std::size_t i = 0; i < count; ++i) {
                const std::uint32_t id = at(i).key.event;
                if (seen[id - low]) followed.try_emplace(id, store_.Event(id));
                seen[id - low] = true;
            }
        }
        Store::PlainValue plain{};
        EventValue whole;
        for (std::size_t i = 0; i < count && hr == win::S_OK; ++i) {
            const mp::MPEventWrite& w = at(i);
            const auto it = followed.empty() ? followed.end() : followed.find(w.key.event);
            EventValue* base = it == followed.end() ? nullptr : &it->second;
            const WriteForm form = PrepareWrite(w, base, &plain, &whole);
            if (form == WriteForm::Refused) hr = mp::MP_E_EVENT_WRITES_REFUSED;
            else if (base && form == WriteForm::Flags) base->flags = w.record.flags;
            else if (base) *base = whole;
        }
        if (hr == win::S_OK && count > 0) {
            const bool own = store_.TransactionDepth() == 0;
            if (own) store_.BeginTransaction(mp::TRANSACTION_EDIT, std::u16string());
            for (std::size_t i = 0; i < count; ++i) {
                const mp::MPEventWrite& w = at(i);
                switch (PrepareWrite(w, nullptr, &plain, &whole)) {
                case WriteForm::Flags: store_.SetEventFlags(w.key.event, w.record.flags); break;
                case WriteForm::Plain: store_.WritePlain(w.key.event, plain); break;
                case WriteForm::Whole: store_.SetEvent(w.key.event, whole); break;
                case WriteForm::Refused: break; // checked above: never
                }
            }
            if (own) store_.EndTransaction(false);
        }
        TakeBatch(batch);
    }
    Deliver(batch);
    return hr;
}

} // namespace host

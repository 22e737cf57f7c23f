// The host object's bulk write of many events: every write checked first, then all applied under one
// hold of the lock and told as one batch, so a refused batch leaves the song as it was.
#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "model/host_project.h"

namespace host {

HostProject::WriteForm HostProject::PrepareWrite(const mp::MPEventWrite& w, const EventValue* base, EventValue* whole) {
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
        // Whatever a refused (or failed) batch staged goes back unapplied.
        struct StageGuard {
            Store& store;
            ~StageGuard() { store.DropStaged(); }
        } guard{store_};
        std::vector<std::uint32_t> ids(count);
        std::uint32_t low = UINT32_MAX, high = 0;
        for (std::size_t i = 0; i < count && hr == win::S_OK; ++i) {
            const std::uint32_t id = ids[i] = at(i).key.event;
            if (!store_.EventAlive(id)) hr = mp::MP_E_EVENT_WRITES_REFUSED;
            low = std::min(low, id);
            high = std::max(high, id);
        }
        // Events written more than once are followed through their earlier writes, so that each
        // write is checked against the value it will meet.
        std::unordered_map<std::uint32_t, EventValue> followed;
        if (hr == win::S_OK && count > 1) {
            std::vector<bool> seen(high - low + 1);
            for (const std::uint32_t id : ids) {
                if (seen[id - low]) followed.try_emplace(id, store_.Event(id));
                seen[id - low] = true;
            }
        }
        // Each write is prepared once, here: plain ones are staged in the store, whole values kept.
        // An event written more than once is prepared again as each write meets it.
        std::vector<WriteForm> forms(count);
        std::vector<EventValue> wholes;
        bool onlyPlain = true;
        EventValue whole;
        for (std::size_t i = 0; i < count && hr == win::S_OK; ++i) {
            const mp::MPEventWrite& w = at(i);
            const auto it = followed.empty() ? followed.end() : followed.find(ids[i]);
            EventValue* base = it == followed.end() ? nullptr : &it->second;
            const Store::PlainWrite plain = base ? Store::PlainWrite::NotPlain : store_.StagePlain(w);
            WriteForm form = plain == Store::PlainWrite::Staged      ? WriteForm::Plain
                             : plain == Store::PlainWrite::Unchanged ? WriteForm::Unchanged
                             : plain == Store::PlainWrite::Refused   ? WriteForm::Refused
                                                                     : PrepareWrite(w, base, &whole);
            if (form == WriteForm::Refused) hr = mp::MP_E_EVENT_WRITES_REFUSED;
            else if (base && form == WriteForm::Whole) *base = whole; // (flags are never refused)
            if (base) form = WriteForm::Again;
            else if (form == WriteForm::Whole) wholes.push_back(std::move(whole));
            forms[i] = form;
            onlyPlain = onlyPlain && (form == WriteForm::Plain || form == WriteForm::Unchanged);
        }
        if (hr == win::S_OK && count > 0) {
            const bool own = store_.TransactionDepth() == 0;
            if (own) store_.BeginTransaction(mp::TRANSACTION_EDIT, std::u16string());
            if (onlyPlain) store_.ApplyStaged(count);
            for (std::size_t i = 0, kept = 0; i < count && !onlyPlain; ++i) {
                const mp::MPEventWrite& w = at(i);
                WriteForm form = forms[i];
                if (form == WriteForm::Again) {
                    const EventValue met = store_.Event(ids[i]);
                    form = PrepareWrite(w, &met, &whole);
                } else if (form == WriteForm::Whole) {
                    whole = std::move(wholes[kept++]);
                }
                if (form == WriteForm::Flags) store_.SetEventFlags(ids[i], w.record.flags);
                else if (form == WriteForm::Plain) store_.ApplyStaged(1);
                else if (form == WriteForm::Whole) store_.SetEvent(ids[i], whole);
            }
            if (own) store_.EndTransaction(false);
        }
        TakeBatch(batch);
    }
    Deliver(batch);
    return hr;
}

} // namespace host

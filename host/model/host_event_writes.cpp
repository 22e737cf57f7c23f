// The host object's bulk write or delete of many events: every write checked first, then all applied
// under one hold of the lock and told as one batch, so a refused batch leaves the song as it was.
#include <algorithm>
#include <cstring>
#include <span>
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
        std::vector<WriteForm> forms(count);
        std::vector<EventValue> wholes;
        bool onlyPlain = true;
        std::vector<bool> seen;
        std::unordered_map<std::uint32_t, EventValue> followed;
        EventValue whole;
        // Prepares each write once: plain ones are staged in the store, whole values kept. Answers false
        // at the second write of an event that `followed` does not follow.
        auto check = [&] {
            seen.assign(store_.EventIdEnd(), false);
            for (std::size_t i = 0; i < count && hr == win::S_OK; ++i) {
                const mp::MPEventWrite& w = at(i);
                if (!store_.EventAlive(w.key.event)) {
                    hr = mp::MP_E_EVENT_WRITES_REFUSED;
                    break;
                }
                const auto it = followed.empty() ? followed.end() : followed.find(w.key.event);
                EventValue* base = it == followed.end() ? nullptr : &it->second;
                if (!base && seen[w.key.event]) return false;
                seen[w.key.event] = true;
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
            return true;
        };
        if (!check()) {
            // Events written more than once are followed through their earlier writes, so that each
            // write is checked against the value it will meet; they are prepared again when applied.
            store_.DropStaged();
            wholes.clear();
            seen.assign(seen.size(), false);
            for (const mp::MPEventWrite& w : std::span(writes, count)) {
                const std::uint32_t id = w.key.event;
                if (!store_.EventAlive(id)) continue; // refused by the check
                if (seen[id]) followed.try_emplace(id, store_.Event(id));
                seen[id] = true;
            }
            check();
        }
        if (hr == win::S_OK && count > 0) {
            const bool own = store_.TransactionDepth() == 0;
            if (own) store_.BeginTransaction(mp::TRANSACTION_EDIT, std::u16string());
            if (onlyPlain) store_.ApplyStaged(count);
            for (std::size_t i = 0, kept = 0; i < count && !onlyPlain; ++i) {
                const mp::MPEventWrite& w = at(i);
                WriteForm form = forms[i];
                if (form == WriteForm::Again) {
                    const EventValue met = store_.Event(w.key.event);
                    form = PrepareWrite(w, &met, &whole);
                } else if (form == WriteForm::Whole) {
                    whole = std::move(wholes[kept++]);
                }
                if (form == WriteForm::Flags) store_.SetEventFlags(w.key.event, w.record.flags);
                else if (form == WriteForm::Plain) store_.ApplyStaged(1);
                else if (form == WriteForm::Whole) store_.SetEvent(w.key.event, whole);
            }
            if (own) store_.EndTransaction(false);
        }
        TakeBatch(batch);
    }
    Deliver(batch);
    return hr;
}

win::HRESULT HostProject::DeleteEvents(win::DWORD count, win::DWORD selector2, win::DWORD size, const void* in) {
    if (selector2 || size / sizeof(mp::EventKey) < count) return win::E_INVALIDARG;
    const std::span keys(static_cast<const mp::EventKey*>(in), count);
    return WithStore([&](Store& s) { return s.DeleteEvents(keys) == win::S_OK ? win::S_OK : mp::MP_E_EVENT_WRITES_REFUSED; });
}

} // namespace host

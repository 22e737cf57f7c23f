// The host object the editor connects to: IMPMidiData, IMPProperties, IMPTimeFormat, IMPPortList and
// the connection points, over one project store guarded by one lock.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <type_traits>

#include "model/notifier.h"
#include "model/store.h"
#include "mp/event_writes.h"

namespace host {

class HostProject final : public mp::IMPMidiData,
                          public mp::IMPProperties,
                          public mp::IMPTimeFormat,
                          public mp::IMPPortList,
                          public win::IConnectionPointContainer {
public:
    // A new empty project holding one reference, owned by the caller.
    static HostProject* Create();

    // IUnknown
    win::HRESULT QueryInterface(const win::IID& riid, void** ppv) override;
    win::ULONG AddRef() override;
    win::ULONG Release() override;

    // IMPMidiData
    win::HRESULT FindFirst(mp::EventKey* key, win::DWORD level, void* record, win::BOOL* more,
                           win::DWORD argument) override;
    win::HRESULT FindNext(mp::EventKey* key, win::DWORD level, void* record, win::BOOL* more,
                          win::DWORD argument) override;
    win::HRESULT FindPrevious(mp::EventKey* key, win::DWORD level, void* record, win::BOOL* more,
                              win::DWORD argument) override;
    win::HRESULT Get(const mp::EventKey* key, win::DWORD level, void* record, win::DWORD flags) override;
    win::HRESULT Set(const mp::EventKey* key, win::DWORD level, const void* record, win::DWORD changeMask) override;
    win::HRESULT Insert(mp::EventKey* key, win::DWORD level, const void* record) override;
    win::HRESULT Delete(win::DWORD level, const mp::EventKey* key) override;
    win::HRESULT BeginTransaction(win::DWORD kind, const char16_t* name) override;
    win::HRESULT EndTransaction(win::BOOL changed) override;
    win::HRESULT SelectEvents(win::DWORD level, const mp::EventKey* scope, win::DWORD kinds, win::DWORD reserved3,
                              win::DWORD reserved4, win::DWORD reserved5, win::DWORD reserved6, win::DWORD reserved7,
                              win::DWORD mode) override;

    // IMPProperties
    win::HRESULT GetProperty(const win::GUID& id, win::DWORD selector1, win::DWORD selector2, win::DWORD reserved,
                             win::DWORD size, void* out) override;
    win::HRESULT SetProperty(const win::GUID& id, win::DWORD selector1, win::DWORD selector2, win::DWORD size,
                             const void* in) override;

    // IMPTimeFormat
    win::HRESULT ConvertTime(std::int64_t time, win::DWORD fromFormat, win::DWORD fromContext, std::int64_t* out,
                             win::DWORD toFormat, win::DWORD toContext) override;
    win::HRESULT SplitTicks(std::int64_t ticks, win::DWORD context, win::LONG* measure, win::LONG* beat,
                            win::LONG* tick) override;
    win::HRESULT TextToTime(const char16_t* text, win::DWORD context, win::DWORD format, std::int64_t* out) override;
    win::HRESULT GetTicksPerQuarter(win::DWORD format, win::DWORD* out) override;

    // IMPPortList
    win::HRESULT GetPorts(win::DWORD kind, win::DWORD* count, mp::MPPortEntry** entries) override;

    // IConnectionPointContainer
    win::HRESULT EnumConnectionPoints(win::IEnumConnectionPoints** e) override;
    win::HRESULT FindConnectionPoint(const win::IID& riid, win::IConnectionPoint** cp) override;

    // ---- host side ----
    // Runs f(Store&) under the project lock, then delivers what it changed. f must not call back
    // into this object.
    template <class F>
    decltype(auto) WithStore(F&& f) {
        if constexpr (std::is_void_v<std::invoke_result_t<F, Store&>>) {
            Batch batch;
            {
                std::lock_guard lock(mutex_);
                f(store_);
                TakeBatch(batch);
            }
            Deliver(batch);
        } else {
            Batch batch;
            std::invoke_result_t<F, Store&> result;
            {
                std::lock_guard lock(mutex_);
                result = f(store_);
                TakeBatch(batch);
            }
            Deliver(batch);
            return result;
        }
    }
    win::HRESULT Undo();
    win::HRESULT Redo();
    // Tells the time sinks the transport position (the playback clock calls this while playing).
    void ReportTransportTime(std::int64_t ticks);
    // Called when a client writes the transport position through IMPProperties (never for
    // ReportTransportTime), on the writer's thread after the sinks were told, so playback can jump.
    // Setting a new handler (or none) waits for a call in progress to return.
    using PositionWriteHandler = std::function<void(std::int64_t ticks)>;
    void SetPositionWriteHandler(PositionWriteHandler handler);
    // Delivery from a host thread instead of the calling thread; Flush waits for it to drain.
    void SetThreadedDelivery(bool threaded);
    void FlushNotifications();
    std::size_t SinkCount() { return notifier_.DataPoint() ? notifier_.DataPoint()->SinkCount() : 0; }

private:
    using Batch = NotificationBatch;
    HostProject();
    ~HostProject();
    // What the last call changed, numbered. The records the thread that opened a transaction makes
    // in it wait for its end, so that the sinks hear the whole transaction as one batch; other
    // threads' records (the transport's, say) go out at once. Fills an empty batch in place: a call
    // inside an open transaction then builds and moves nothing.
    void TakeBatch(Batch& into);
    void Deliver(Batch& batch); // nothing to do for an empty batch
    win::HRESULT FindStep(mp::EventKey* key, win::DWORD level, void* record, win::BOOL* more, win::DWORD argument,
                          int direction);
    // With `asked`, an event outside the block or track its key names is refused.
    win::HRESULT FillEventRecord(std::uint32_t id, std::uint32_t format, mp::MidiEventRecord* out,
                                 const mp::EventKey* asked = nullptr);
    void FillTrackRecord(std::uint32_t id, bool withName, mp::TrackRecord* out);
    void FillBlockRecord(std::uint32_t id, std::uint32_t format, bool withName, mp::BlockRecord* out);
    // The meter and key maps of mp/song_maps.h. GetSongMap runs under mutex_.
    static bool IsSongMap(const win::GUID& id);
    win::HRESULT GetSongMap(const win::GUID& id, win::DWORD size, void* out);
    static win::HRESULT SetSongMap(Store& s, const win::GUID& id, win::DWORD selector, win::DWORD size, const void* in);
    // What Set writes for one event, from the event's value `base` (its stored value when null) and
    // checked as the store will check it: S_FALSE for a write of the selection alone (record.flags),
    // S_OK with the new value in *out, E_INVALIDARG when Set would refuse it. Under mutex_.
    win::HRESULT EventWriteValue(const mp::EventKey& key, const mp::MidiEventRecord& record, std::uint32_t mask,
                                 const EventValue* base, EventValue* out);
    // Many events' writes, or deletes, at once (mp/event_writes.h), all or none.
    win::HRESULT SetEvents(win::DWORD count, win::DWORD order, win::DWORD size, const void* in);
    win::HRESULT DeleteEvents(win::DWORD count, win::DWORD selector2, win::DWORD size, const void* in);
    // How one write of a batch changes its event, checked as Set would check it: its whole new value
    // in *whole (from `base` when given), or a write of the selection alone. Under mutex_. SetEvents
    // also marks plain writes staged in the store (Plain) or changing nothing (Unchanged), and the
    // writes of an event written more than once, prepared again as they are applied (Again).
    enum class WriteForm : std::uint8_t { Refused, Flags, Plain, Whole, Unchanged, Again };
    WriteForm PrepareWrite(const mp::MPEventWrite& write, const EventValue* base, EventValue* whole);
    // A page of a block's events (mp/block_events.h), under mutex_.
    win::HRESULT GetBlockEvents(std::uint32_t block, std::uint32_t first, win::DWORD size, void* out);
    // Selects or deselects a list of events (mp/select_events.h) under one hold of mutex_.
    win::HRESULT SelectListedEvents(win::DWORD mode, win::DWORD selector2, win::DWORD size, const void* in);
    // Reads a list of events (mp/event_reads.h) under one hold of mutex_.
    win::HRESULT ReadListedEvents(win::DWORD selector1, win::DWORD selector2, win::DWORD size, void* out);
    std::int64_t ToTicks(std::int64_t time, std::uint32_t format) const;
    std::int64_t FromTicks(std::int64_t ticks, std::uint32_t format) const;

    std::atomic<win::ULONG> refs_{1};
    std::mutex mutex_;
    std::mutex handlerMutex_; // never taken while mutex_ is held
    PositionWriteHandler positionWritten_;
    Store store_;
    Notifier notifier_;
    std::uint32_t sequence_ = 0;
    // The thread whose open transaction holds its records, and how many records it holds at the
    // head of the store's queue (under mutex_).
    std::thread::id holder_;
    std::size_t held_ = 0;
    // Where the last event found stands in its block's list (under mutex_).
    struct FindHint {
        std::uint32_t block = 0;
        std::size_t position = 0;
    } findHint_;
};

} // namespace host

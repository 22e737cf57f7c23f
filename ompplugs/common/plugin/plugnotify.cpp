// Two-phase notification dispatch: the immediate phase on the host's thread queues records and
// tells the view; the deferred phase runs them again on the editor window's thread.
#include "mp/plugin.h"

#include <cstring>
#include <mutex>
#include <new>
#include <thread>

#include "mp/page.h"

namespace mp {
namespace {

using namespace win;

bool HasNotifyTail(const GUID& id) {
    const GUID tail = MakeNotifyId(0);
    return id.Data2 == tail.Data2 && id.Data3 == tail.Data3 &&
           std::memcmp(id.Data4, tail.Data4, sizeof tail.Data4) == 0;
}

// Queues holding at least this many bytes are kept for the next batch.
constexpr std::size_t kKeptQueue = 64 * 1024;

} // namespace

HRESULT COPTPlugin::OnNotify(const NotificationRecord* record, bool immediate) {
    if (!record) return E_POINTER;
    const NotificationRecord& r = *record;
    const bool run = immediate && InNotifyRun();
    if (run && runRepeats_ && runTells_) {
        // Handled as the run's last record was: queued, the view to be told as the run closes.
        try {
            if (runQueue_.PushJoining(r)) return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    // A run counted itself once as it opened.
    if (!run) dataGeneration_.fetch_add(1);
    HRESULT hr;
    switch (HasNotifyTail(r.id) ? r.id.Data1 : 0u) {
    case NID_DATA_CHANGED.Data1: hr = OnDataChanged(r, immediate); break;
    case NID_TIMEBASE_CHANGED.Data1: hr = OnTimebaseChanged(r, immediate); break;
    case NID_E5.Data1: hr = OnNotifyE5(r, immediate); break;
    case NID_E3.Data1: hr = OnNotifyE3(r, immediate); break;
    case NID_PORTS_CHANGED.Data1: hr = OnPortsChanged(r, immediate); break;
    case NID_E7.Data1: hr = OnNotifyE7(r, immediate); break;
    case NID_REFRESH_STATE.Data1: hr = OnRefreshState(r, immediate); break;
    case NID_E8.Data1: hr = OnNotifyE8(r, immediate); break;
    case NID_TRANSPORT_STATE.Data1: hr = OnTransportState(r, immediate); break;
    case NID_SELECTION_CHANGED.Data1: hr = OnSelectionChanged(r, immediate); break;
    case NID_EB.Data1: hr = OnNotifyEB(r, immediate); break;
    case NID_VIEW_NOTICE.Data1: hr = OnViewNotice(r, immediate); break;
    case NID_HOST_QUEUED.Data1: hr = OnHostQueued(r, immediate); break;
    default: hr = OnUnknownNotify(r, immediate); break;
    }
    // While a posted message is on its way the deferred phase takes this record with the others:
    // the view has nothing to post, and a large edit takes the view's lock only once.
    if (hr == kOwnWriteToldAlready) return S_OK;
    if (!immediate || hr != S_OK) return hr;
    if (!(flags_.load() & PLF_NOTIFY_PENDING) && !(r.changeFlags & NCF_IMMEDIATE)) return hr;
    // Within a run the records are not pending yet: the view hears of the run as it closes.
    if (!run) TellView(r);
    else if (!runTells_) {
        runTells_ = true;
        runTell_ = r;
    }
    return hr;
}

void COPTPlugin::TellView(const NotificationRecord& record) {
    if ((flags_.load() & PLF_DATA_POSTED) || !viewLock_ || !viewAttached_.load()) return;
    std::lock_guard<std::mutex> guard(*viewLock_);
    if (view_) view_->DataNotify(&record);
}

HRESULT COPTPlugin::BeginNotifyRun(DWORD count) {
    if (!queueLock_) return S_FALSE;
    const std::thread::id self = std::this_thread::get_id();
    if (runThread_.load() == self) {
        ++runDepth_;
        return S_OK;
    }
    std::thread::id none{};
    if (!runThread_.compare_exchange_strong(none, self)) return S_FALSE;
    runDepth_ = 1;
    // Once for all the run's records: a reader that saw the count before the run sees it moved.
    dataGeneration_.fetch_add(1);
    try {
        runQueue_.ReserveNext(count);
    } catch (const std::bad_alloc&) { // only room asked ahead; the records find their own
    }
    return S_OK;
}

HRESULT COPTPlugin::EndNotifyRun() {
    if (runDepth_ == 0 || !InNotifyRun()) return E_UNEXPECTED;
    if (--runDepth_ > 0) return S_OK;
    HRESULT hr = S_OK;
    if (!runQueue_.Empty()) {
        std::lock_guard<std::mutex> guard(*queueLock_);
        try {
            if (!pending_) pending_ = sparePending_ ? std::move(sparePending_) : std::make_unique<NotificationQueue>();
            // The run's queue takes the pending queue's room for the next run.
            if (pending_->Empty()) pending_->Swap(runQueue_);
            else pending_->Append(runQueue_);
        } catch (const std::bad_alloc&) {
            hr = E_OUTOFMEMORY;
        }
    }
    runQueue_.Clear();
    const bool tell = runTells_;
    const NotificationRecord told = runTell_;
    runTells_ = runRepeats_ = false;
    runThread_.store(std::thread::id{});
    // After its records are pending: a message posted now, or one still on its way, takes them.
    if (tell) TellView(told);
    return hr;
}

HRESULT COPTPlugin::OnDataChanged(const NotificationRecord& record, bool immediate) {
    if (immediate) return UpkeepImmediate(record);
    // Tracks and blocks carry what places every event (offsets, starts), and a block's plain report
    // may stand for its events' selection: the entries may no longer tell what shows.
    if (record.level != LEVEL_EVENT && !(record.level == LEVEL_BLOCK && deferredListed_)) {
        ++listLayout_;
        entryFlagsUnread_ = true;
    }
    const HRESULT hr = UpkeepDeferred(record);
    TouchTracks(record);
    return hr;
}

HRESULT COPTPlugin::OnTimebaseChanged(const NotificationRecord& record, bool immediate) {
    if (immediate) return QueueNotification(&record);
    ++listLayout_;
    return S_FALSE;
}
HRESULT COPTPlugin::OnNotifyE5(const NotificationRecord&, bool) { return S_FALSE; }
HRESULT COPTPlugin::OnNotifyE3(const NotificationRecord&, bool) { return S_FALSE; }
HRESULT COPTPlugin::OnPortsChanged(const NotificationRecord&, bool) {
    RefreshPorts(PORT_KIND_OUTPUT);
    RefreshPorts(PORT_KIND_INPUT);
    SetFlags(PLF_NOTIFY_PENDING);
    return S_OK;
}
HRESULT COPTPlugin::OnNotifyE7(const NotificationRecord&, bool) { return S_FALSE; }
HRESULT COPTPlugin::OnRefreshState(const NotificationRecord& record, bool immediate) {
    return immediate ? QueueNotification(&record) : S_FALSE;
}
HRESULT COPTPlugin::OnNotifyE8(const NotificationRecord&, bool) { return S_FALSE; }
HRESULT COPTPlugin::OnTransportState(const NotificationRecord& record, bool immediate) {
    return immediate ? QueueNotification(&record) : S_OK;
}
HRESULT COPTPlugin::OnSelectionChanged(const NotificationRecord& record, bool immediate) {
    return immediate ? QueueNotification(&record) : S_OK;
}
HRESULT COPTPlugin::OnNotifyEB(const NotificationRecord&, bool) { return S_FALSE; }
HRESULT COPTPlugin::OnViewNotice(const NotificationRecord&, bool) {
    SetFlags(PLF_NOTIFY_PENDING);
    return S_OK;
}
HRESULT COPTPlugin::OnUnknownNotify(const NotificationRecord&, bool) { return S_FALSE; }
HRESULT COPTPlugin::OnHostQueued(const NotificationRecord& record, bool immediate) {
    return immediate ? QueueNotification(&record) : S_OK;
}

HRESULT COPTPlugin::QueueNotification(const NotificationRecord* record) {
    if (!record) return E_POINTER;
    return QueueRecord(*record, false);
}

HRESULT COPTPlugin::QueueRecord(const NotificationRecord& record, bool listed) {
    if (!queueLock_) return E_UNEXPECTED;
    try {
        if (InNotifyRun()) {
            runRepeats_ = false; // until the caller says the record may repeat
            runQueue_.Push(record, listed);
        } else {
            std::lock_guard<std::mutex> guard(*queueLock_);
            if (!pending_) pending_ = sparePending_ ? std::move(sparePending_) : std::make_unique<NotificationQueue>();
            pending_->Push(record, listed);
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    // Most records find the bit set already: a load costs less than a locked write each.
    if (!(flags_.load() & PLF_NOTIFY_PENDING)) flags_.fetch_or(PLF_NOTIFY_PENDING);
    return S_OK;
}

HRESULT COPTPlugin::ProcessNotifications(bool discard) {
    if (!queueLock_) return E_UNEXPECTED;
    std::unique_ptr<NotificationQueue> batch;
    {
        std::lock_guard<std::mutex> guard(*queueLock_);
        batch = std::move(pending_);
        // Cleared together with taking the queue: a record queued from now on finds the bit clear
        // and posts a new message, so nothing queued during the deferred phase is stranded.
        flags_.fetch_and(~PLF_DATA_POSTED);
    }
    if (!batch || batch->Empty()) return S_FALSE;
    if (discard) { // the entries may no longer be the host's
        ++listLayout_;
        entryFlagsUnread_ = true;
    }
    if (!discard) {
        // The host's data stays as it is while the batch runs, so track and block records read for
        // one event serve the next ones.
        entryContext_ = EntryContext{};
        // One read transaction for the events the batch reads again.
        entryContext_.active = SUCCEEDED(BeginRead());
        BeginTouchBatch();
        const auto one = [&](NotificationRecord& copy, bool listed) {
            deferredListed_ = listed;
            OnNotify(&copy, false);
        };
        // A long run of event data records: its first goes as every record does, the others together.
        const auto whole = [&](const NotificationRecord& first, const std::uint32_t* ids, std::uint32_t count, bool listed) {
            if (count - 1 < upkeepRunFloor_ || !entryContext_.active || first.level != LEVEL_EVENT ||
                !(first.id == NID_DATA_CHANGED))
                return false;
            NotificationRecord copy = first;
            one(copy, listed);
            dataGeneration_.fetch_add(count - 1);
            OnDataChangedRun(first, ids, count - 1);
            return true;
        };
        batch->ForEachRun(whole, one);
        EndTouchBatch();
        deferredListed_ = false;
        if (entryContext_.active) EndTransaction(false);
        entryContext_ = EntryContext{};
        // The batch's list changes are folded in together.
        FlushListChanges();
    }
    if (batch->Capacity() >= kKeptQueue) {
        batch->Clear();
        std::lock_guard<std::mutex> guard(*queueLock_);
        if (!sparePending_ || sparePending_->Capacity() < batch->Capacity()) sparePending_ = std::move(batch);
    }
    return S_OK;
}

std::size_t COPTPlugin::PendingNotificationCount() {
    if (!queueLock_) return 0;
    std::lock_guard<std::mutex> guard(*queueLock_);
    return pending_ ? pending_->Size() : 0;
}

HRESULT COPTPlugin::OnTimeNotify(DWORD positionLow, DWORD positionHigh) {
    if (!viewLock_) return S_OK;
    std::lock_guard<std::mutex> guard(*viewLock_);
    if (view_) view_->TimeNotify(positionLow, positionHigh);
    return S_OK;
}

} // namespace mp

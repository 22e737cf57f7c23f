// Helpers for the host tests: sinks that record or mirror notifications, project snapshots through
// the contract interfaces, and a small builder of MIDI file images.
#pragma once

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "model/host_project.h"

namespace host::test {

// Everything a project holds, read back through IMPMidiData: one entry per key.
struct ItemImage {
    std::vector<std::uint8_t> record; // the record bytes with handles zeroed
    std::vector<std::uint8_t> data;   // variable-length data or the UTF-16 name bytes
    bool operator==(const ItemImage&) const = default;
};
using Snapshot = std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, ItemImage>;

inline std::vector<std::uint8_t> TakeHandle(std::uint32_t handle) {
    std::vector<std::uint8_t> out;
    if (!handle) return out;
    auto* p = static_cast<std::uint8_t*>(win::CoTaskMemHandlePtr(handle));
    out.assign(p, p + win::CoTaskMemHandleSize(handle));
    win::CoTaskMemFreeHandle(handle);
    return out;
}

inline ItemImage ReadItem(mp::IMPMidiData* data, const mp::EventKey& key, std::uint32_t level) {
    ItemImage img;
    if (level == mp::LEVEL_EVENT) {
        mp::MidiEventRecord r{};
        if (data->Get(&key, level, &r, mp::TIME_FORMAT_TICKS) != win::S_OK) return img;
        if (host::IsVariableKind(r.kind)) {
            img.data = TakeHandle(r.dataHandle);
            r.dataHandle = 0;
        }
        img.record.assign(reinterpret_cast<std::uint8_t*>(&r), reinterpret_cast<std::uint8_t*>(&r) + sizeof r);
    } else if (level == mp::LEVEL_BLOCK) {
        mp::BlockRecord r{};
        if (data->Get(&key, level, &r, mp::TIME_FORMAT_TICKS | mp::GET_WITH_NAME) != win::S_OK) return img;
        img.data = TakeHandle(r.nameHandle);
        r.nameHandle = 0;
        img.record.assign(reinterpret_cast<std::uint8_t*>(&r), reinterpret_cast<std::uint8_t*>(&r) + sizeof r);
    } else {
        mp::TrackRecord r{};
        if (data->Get(&key, level, &r, mp::TIME_FORMAT_TICKS | mp::GET_WITH_NAME) != win::S_OK) return img;
        img.data = TakeHandle(r.nameHandle);
        r.nameHandle = 0;
        img.record.assign(reinterpret_cast<std::uint8_t*>(&r), reinterpret_cast<std::uint8_t*>(&r) + sizeof r);
    }
    return img;
}

inline Snapshot TakeSnapshot(mp::IMPMidiData* data) {
    Snapshot s;
    mp::EventKey t{0, 0, 0};
    for (win::HRESULT ht = data->FindFirst(&t, mp::LEVEL_TRACK, nullptr, nullptr, mp::FIND_ALL_ITEMS);
         ht == win::S_OK && t.track; ht = data->FindNext(&t, mp::LEVEL_TRACK, nullptr, nullptr, mp::FIND_ALL_ITEMS)) {
        s[{t.track, 0, 0}] = ReadItem(data, t, mp::LEVEL_TRACK);
        mp::EventKey b = t;
        for (win::HRESULT hb = data->FindFirst(&b, mp::LEVEL_BLOCK, nullptr, nullptr, mp::FIND_ALL_ITEMS);
             hb == win::S_OK && b.block; hb = data->FindNext(&b, mp::LEVEL_BLOCK, nullptr, nullptr, mp::FIND_ALL_ITEMS)) {
            s[{b.track, b.block, 0}] = ReadItem(data, b, mp::LEVEL_BLOCK);
            mp::EventKey e = b;
            for (win::HRESULT he = data->FindFirst(&e, mp::LEVEL_EVENT, nullptr, nullptr, mp::MEK_ALL);
                 he == win::S_OK && e.event; he = data->FindNext(&e, mp::LEVEL_EVENT, nullptr, nullptr, mp::MEK_ALL))
                s[{e.track, e.block, e.event}] = ReadItem(data, e, mp::LEVEL_EVENT);
        }
    }
    return s;
}

// A notification sink that records every record it receives.
class RecordingSink : public mp::IMPNotificationSink, public mp::IMPTimeSink {
public:
    win::HRESULT QueryInterface(const win::IID& riid, void** ppv) override {
        if (riid == win::IID_IUnknown || riid == mp::IID_IMPNotificationSink) *ppv = static_cast<mp::IMPNotificationSink*>(this);
        else if (riid == mp::IID_IMPTimeSink) *ppv = static_cast<mp::IMPTimeSink*>(this);
        else {
            *ppv = nullptr;
            return win::E_NOINTERFACE;
        }
        AddRef();
        return win::S_OK;
    }
    win::ULONG AddRef() override { return ++refs; }
    win::ULONG Release() override { return --refs; }
    win::HRESULT OnNotify(const mp::NotificationRecord* r) override {
        std::lock_guard lock(mutex);
        records.push_back(*r);
        threads.push_back(std::this_thread::get_id());
        OnRecord(*r);
        return win::S_OK;
    }
    win::HRESULT OnTimeNotify(win::DWORD lo, win::DWORD hi) override {
        std::lock_guard lock(mutex);
        times.push_back(static_cast<std::int64_t>((std::uint64_t(hi) << 32) | lo));
        return win::S_OK;
    }
    virtual void OnRecord(const mp::NotificationRecord&) {}
    std::vector<mp::NotificationRecord> Take() {
        std::lock_guard lock(mutex);
        auto out = std::move(records);
        records.clear();
        return out;
    }
    std::atomic<win::ULONG> refs{1};
    std::mutex mutex;
    std::vector<mp::NotificationRecord> records;
    std::vector<std::thread::id> threads;
    std::vector<std::int64_t> times;
};

// Keeps a copy of the project built only from notifications, re-reading each changed item.
class MirrorSink : public RecordingSink {
public:
    explicit MirrorSink(mp::IMPMidiData* data) : data_(data) {}
    void OnRecord(const mp::NotificationRecord& r) override {
        if (!(r.id == mp::NID_DATA_CHANGED) || r.level < 1 || r.level > 3) return;
        auto key = [](const mp::EventKey& k) { return std::make_tuple(k.track, k.block, k.event); };
        if (r.changeFlags & (mp::NCF_DELETED | mp::NCF_REPLACED)) mirror.erase(key(r.oldKey));
        if (r.changeFlags & (mp::NCF_INSERTED | mp::NCF_REPLACED | mp::NCF_MODIFIED))
            mirror[key(r.newKey)] = ReadItem(data_, r.newKey, r.level);
    }
    Snapshot mirror;

private:
    mp::IMPMidiData* data_;
};

// Advises a sink on both connection points of a host object; Unadvise in the destructor.
class Advised {
public:
    Advised(HostProject* host, RecordingSink* sinkObject) {
        win::IUnknown* sink = static_cast<mp::IMPNotificationSink*>(sinkObject);
        host->QueryInterface(win::IID_IConnectionPointContainer, reinterpret_cast<void**>(&container_));
        container_->FindConnectionPoint(mp::IID_IMPNotificationSink, &data_);
        container_->FindConnectionPoint(mp::IID_IMPTimeSink, &time_);
        data_->Advise(sink, &dataCookie_);
        time_->Advise(sink, &timeCookie_);
    }
    ~Advised() {
        data_->Unadvise(dataCookie_);
        time_->Unadvise(timeCookie_);
        data_->Release();
        time_->Release();
        container_->Release();
    }

private:
    win::IConnectionPointContainer* container_ = nullptr;
    win::IConnectionPoint* data_ = nullptr;
    win::IConnectionPoint* time_ = nullptr;
    win::DWORD dataCookie_ = 0, timeCookie_ = 0;
};

// Builds MIDI file images byte by byte.
class SmfBuilder {
public:
    SmfBuilder(int format, int division) {
        bytes_ = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, static_cast<std::uint8_t>(format), 0, 0,
                  static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division)};
    }
    // Appends a track chunk holding raw event bytes (deltas included).
    SmfBuilder& Track(const std::vector<std::uint8_t>& events) { return Chunk("MTrk", events); }
    SmfBuilder& Chunk(const char* id, const std::vector<std::uint8_t>& body) {
        bytes_.insert(bytes_.end(), id, id + 4);
        std::uint32_t n = static_cast<std::uint32_t>(body.size());
        bytes_.insert(bytes_.end(), {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                                     static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
        bytes_.insert(bytes_.end(), body.begin(), body.end());
        if (std::string(id) == "MTrk") ++bytes_[11];
        return *this;
    }
    std::vector<std::uint8_t> Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

inline const std::vector<std::uint8_t> kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};

inline std::vector<std::uint8_t> Cat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace host::test

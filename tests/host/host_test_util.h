// Helpers for the host tests: sinks that record or mirror notifications, project snapshots through
// the contract interfaces, and a small builder of MIDI file images.
#pragma once

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include <unistd.h>

#include "model/host_project.h"
#include "smf/smf.h"

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

// Reads one record through Get; the handle it carries (data or name) is taken into the image.
template <class Record>
ItemImage ReadRecord(mp::IMPMidiData* data, const mp::EventKey& key, std::uint32_t level, std::uint32_t flags,
                     std::uint32_t Record::*handle) {
    ItemImage img;
    Record r{};
    if (data->Get(&key, level, &r, flags) != win::S_OK) return img;
    img.data = TakeHandle(r.*handle);
    r.*handle = 0;
    img.record.assign(reinterpret_cast<std::uint8_t*>(&r), reinterpret_cast<std::uint8_t*>(&r) + sizeof r);
    return img;
}

inline ItemImage ReadItem(mp::IMPMidiData* data, const mp::EventKey& key, std::uint32_t level) {
    const std::uint32_t named = mp::TIME_FORMAT_TICKS | mp::GET_WITH_NAME;
    if (level == mp::LEVEL_EVENT)
        return ReadRecord(data, key, level, mp::TIME_FORMAT_TICKS, &mp::MidiEventRecord::dataHandle);
    if (level == mp::LEVEL_BLOCK) return ReadRecord(data, key, level, named, &mp::BlockRecord::nameHandle);
    return ReadRecord(data, key, level, named, &mp::TrackRecord::nameHandle);
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

// An event record in ticks (fixed-length kinds; the data bytes are key/controller and velocity/value).
inline mp::MidiEventRecord EventRecord(std::uint32_t kind, std::int64_t time, std::uint8_t d0, std::uint8_t d1,
                                       std::uint32_t length = 0, std::int32_t channel = 0) {
    mp::MidiEventRecord r{};
    r.kind = kind;
    r.channel = channel;
    r.time = time;
    r.timeFormat = mp::TIME_FORMAT_TICKS;
    r.length = length;
    r.data[0] = d0;
    r.data[1] = d1;
    return r;
}
inline mp::MidiEventRecord NoteRecord(std::int64_t time, std::uint8_t key, std::uint32_t length,
                                      std::uint8_t velocity = 100) {
    return EventRecord(mp::MEK_NOTE, time, key, velocity, length);
}

// Task memory holding bytes, or a zero-terminated UTF-16 name; the caller frees it.
inline std::uint32_t NewHandle(const void* bytes, std::size_t size) {
    std::uint32_t h = win::CoTaskMemAllocHandle(size);
    std::memcpy(win::CoTaskMemHandlePtr(h), bytes, size);
    return h;
}
inline std::uint32_t NewHandle(const std::vector<std::uint8_t>& bytes) { return NewHandle(bytes.data(), bytes.size()); }
inline std::uint32_t NameHandle(const std::u16string& s) { return NewHandle(s.c_str(), (s.size() + 1) * 2); }

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
        // A modified block may stand for its events' selection, changed many at once.
        if (r.level == mp::LEVEL_BLOCK && (r.changeFlags & mp::NCF_MODIFIED)) {
            mp::EventKey e{r.newKey.track, r.newKey.block, 0};
            for (win::HRESULT h = data_->FindFirst(&e, mp::LEVEL_EVENT, nullptr, nullptr, mp::MEK_ALL);
                 h == win::S_OK && e.event; h = data_->FindNext(&e, mp::LEVEL_EVENT, nullptr, nullptr, mp::MEK_ALL))
                mirror[key(e)] = ReadItem(data_, e, mp::LEVEL_EVENT);
        }
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

// A fresh project and its data interface, released after each test.
class ProjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        project = HostProject::Create();
        project->QueryInterface(mp::IID_IMPMidiData, reinterpret_cast<void**>(&data));
    }
    void TearDown() override {
        data->Release();
        project->Release();
    }
    HostProject* project = nullptr;
    mp::IMPMidiData* data = nullptr;
};

// A test with a fresh temporary folder of its own, removed afterwards.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        dir_ = std::filesystem::temp_directory_path() /
               ("vor_host_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::size_t FilesIn(const std::filesystem::path& d) const {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(d), std::filesystem::directory_iterator()));
    }
    static std::filesystem::path WriteFile(const std::filesystem::path& p, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return p;
    }
    std::filesystem::path dir_;
};

// A host project holding a song read from a file image, with a recording sink advised on it.
class SongProject : public ::testing::Test {
protected:
    // 480 ticks a quarter; 120 BPM, then 60 BPM from tick 1920; 4/4, then 3/4 from bar 2; one note. Two
    // texts at tick 2160 are as long as a tempo and a time signature: neither may count as one.
    static std::vector<std::uint8_t> TempoAndMeterSong() {
        return SmfBuilder(1, 480)
            .Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08, 0x8F,
                    0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x81,
                    0x70, 0xFF, 0x01, 0x03, 'x', 'y', 'z', 0x00, 0xFF, 0x01, 0x04, 0x01, 0x01, 0x01, 0x01, 0x00,
                    0xFF, 0x2F, 0x00})
            .Track({0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00})
            .Bytes();
    }
    void SetUp() override {
        const auto bytes = TempoAndMeterSong();
        ASSERT_TRUE(project->WithStore([&](Store& s) { return smf::Read(bytes.data(), bytes.size(), s).ok; }));
        advised = std::make_unique<Advised>(project, &sink);
    }
    void TearDown() override {
        advised.reset();
        project->Release();
    }
    HostProject* project = HostProject::Create();
    RecordingSink sink;
    std::unique_ptr<Advised> advised;
};

// A store built through the loading calls, as the file reader fills it: tracks of blocks of events.
struct LoadedSong {
    Store store;
    std::uint32_t track = 0, block = 0;
    explicit LoadedSong(std::uint32_t ppq, std::u16string name = u"Lead", int channel = -1, std::string nameBytes = {}) {
        store.SetTicksPerQuarter(ppq);
        Track(std::move(name), channel, std::move(nameBytes));
    }
    // Starts a further track with one block at 0; later events go there.
    void Track(std::u16string name, int channel = -1, std::string nameBytes = {}) {
        TrackValue t;
        t.name = std::move(name);
        t.nameBytes = std::move(nameBytes);
        t.channel = channel;
        track = store.LoadTrack(t);
        block = store.LoadBlock(BlockValue{track, 0, 0, {}});
    }
    // Starts a further block of the current track; later event times are relative to its start.
    void Block(std::int64_t start, std::int64_t end) {
        block = store.LoadBlock(BlockValue{track, start, end, {}});
    }
    std::uint32_t Note(std::int64_t tick, int channel, std::uint8_t key, std::uint8_t velocity, std::uint32_t length,
                       std::uint8_t release = 0) {
        const std::uint8_t d[4] = {key, velocity, release, 0};
        std::uint32_t id = store.LoadEvent(block, tick, mp::MEK_NOTE, channel, 0, d);
        store.SetLoadedLength(id, length);
        return id;
    }
    void Event(std::int64_t tick, std::uint32_t kind, int channel, std::uint8_t d0, std::uint8_t d1 = 0,
               std::uint8_t d2 = 0, std::uint8_t d3 = 0) {
        const std::uint8_t d[4] = {d0, d1, d2, d3};
        store.LoadEvent(block, tick, kind, channel, 0, d);
    }
    void Bytes(std::int64_t tick, std::uint32_t kind, std::vector<std::uint8_t> bytes) {
        store.LoadVariableEvent(block, tick, kind, std::move(bytes));
    }
    // Sets the end of the current block and completes the load.
    void Finish(std::int64_t end) {
        store.SetLoadedBlockEnd(block, end);
        store.FinishLoad();
    }
};

inline const std::vector<std::uint8_t> kEndOfTrack = {0x00, 0xFF, 0x2F, 0x00};

inline std::vector<std::uint8_t> Cat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A delta time or length as a file writes it: seven bits a byte, most significant first.
inline std::vector<std::uint8_t> Vlq(std::uint32_t v) {
    std::vector<std::uint8_t> b{static_cast<std::uint8_t>(v & 0x7F)};
    while (v >>= 7) b.insert(b.begin(), static_cast<std::uint8_t>(0x80 | (v & 0x7F)));
    return b;
}

// A song that changes meter: 480 ticks a quarter; 4/4, 6/4 from tick 3840 (bar 3), 1/4 at 72960 (bar 27),
// 6/4 from 73440 (bar 28); D major, then B flat major from 9600 (bar 5); a note in bar 1 and one that
// ends bar 49 at 136800.
inline std::vector<std::uint8_t> MeterChangeSong() {
    auto meter = [](std::uint32_t delta, std::uint8_t beats) {
        return Cat(Vlq(delta), {0xFF, 0x58, 0x04, beats, 0x02, 0x18, 0x08});
    };
    std::vector<std::uint8_t> conductor = Cat(meter(0, 4), {0x00, 0xFF, 0x59, 0x02, 0x02, 0x00});
    conductor = Cat(conductor, meter(3840, 6));
    conductor = Cat(conductor, Cat(Vlq(9600 - 3840), {0xFF, 0x59, 0x02, 0xFE, 0x00}));
    conductor = Cat(conductor, meter(72960 - 9600, 1));
    conductor = Cat(Cat(conductor, meter(480, 6)), kEndOfTrack);
    std::vector<std::uint8_t> notes = Cat({0x00, 0x90, 60, 100}, Cat(Vlq(480), {0x80, 60, 0}));
    notes = Cat(notes, Cat(Vlq(136320 - 480), {0x90, 62, 100}));
    notes = Cat(Cat(notes, Cat(Vlq(480), {0x80, 62, 0})), kEndOfTrack);
    return SmfBuilder(1, 480).Track(conductor).Track(notes).Bytes();
}

// A track body of `count` notes held across 17 deltas of 2^28 - 1 ticks, more than a length can hold
// (the track's end is where they are closed and shortened).
inline std::vector<std::uint8_t> EndlessNotes(int count) {
    std::vector<std::uint8_t> track;
    for (int i = 0; i < count; ++i) track.insert(track.end(), {0x00, 0x90, static_cast<std::uint8_t>(60 + i), 100});
    for (int i = 0; i < 17; ++i) track.insert(track.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00});
    return Cat(track, kEndOfTrack);
}

} // namespace host::test

// Sound for a host project: transport, time sink feed, port list and monitoring.
#include "playback/host_sound.h"

#include <cstring>

#include "playback/model_song.h"
#include "win/com_helpers.h"

namespace playback {

// The notification sink HostSound advises on the project. Its lifetime is HostSound's; the
// references the point takes only keep the count.
struct HostSound::Sink final : mp::IMPNotificationSink {
    explicit Sink(HostSound* owner) : owner(owner) {}
    win::HRESULT QueryInterface(const win::IID& riid, void** ppv) override {
        return win::QueryInterfaceFrom(riid, ppv, {{mp::IID_IMPNotificationSink, this}});
    }
    win::ULONG AddRef() override { return ++refs; }
    win::ULONG Release() override { return --refs; }
    win::HRESULT OnNotify(const mp::NotificationRecord* record) override {
        if (!record) return win::E_POINTER;
        owner->OnNotify(*record);
        return win::S_OK;
    }

    HostSound* owner;
    std::atomic<win::ULONG> refs{0};
};

namespace {
win::DWORD Advise(host::HostProject* project, const win::IID& iid, win::IUnknown* sink) {
    win::IConnectionPoint* point = nullptr;
    win::DWORD cookie = 0;
    if (win::SUCCEEDED(project->FindConnectionPoint(iid, &point)) && point) {
        if (win::FAILED(point->Advise(sink, &cookie))) cookie = 0;
        point->Release();
    }
    return cookie;
}
void Unadvise(host::HostProject* project, const win::IID& iid, win::DWORD cookie) {
    win::IConnectionPoint* point = nullptr;
    if (cookie && win::SUCCEEDED(project->FindConnectionPoint(iid, &point)) && point) {
        point->Unadvise(cookie);
        point->Release();
    }
}
} // namespace

HostSound::HostSound(host::HostProject* project, std::unique_ptr<midiout::PortList> ports, Clock& clock)
    : project_(project), ports_(std::move(ports)), clock_(clock), engine_(clock), monitor_(clock),
      sink_(std::make_unique<Sink>(this)) {
    project_->AddRef();
    if (!ports_) ports_ = std::make_unique<midiout::PortList>();
    engine_.SetOutput(ports_->CurrentOutput());
    engine_.SetTimeCallback([this](std::int64_t tick) { OnPlaybackTick(tick); });
    PublishPorts();
    RebuildSong();
    ApplyLoop();
    dataCookie_ = Advise(project_, mp::IID_IMPNotificationSink, static_cast<mp::IMPNotificationSink*>(sink_.get()));
    // Only a client's write moves playback: the positions playback reports itself come back to the
    // time sinks late when delivery is threaded, and must not pull playback back.
    project_->SetPositionWriteHandler([this](std::int64_t tick) { engine_.Seek(tick); });
}

HostSound::~HostSound() {
    project_->SetPositionWriteHandler({});
    Unadvise(project_, mp::IID_IMPNotificationSink, dataCookie_);
    engine_.Stop();
    monitor_.StopAll();
    project_->Release();
}

void HostSound::PublishPorts() {
    for (int kind : {midiout::kInputPorts, midiout::kOutputPorts}) {
        std::vector<host::PortInfo> infos;
        for (const auto& p : ports_->Ports(kind)) {
            host::PortInfo info;
            info.id = p.id;
            static_assert(sizeof(info.guid) == sizeof(p.guid));
            std::memcpy(&info.guid, p.guid.data(), sizeof info.guid);
            info.name = host::DecodeName(p.name);
            infos.push_back(std::move(info));
        }
        project_->WithStore([&](host::Store& s) { s.SetPorts(static_cast<std::uint32_t>(kind), std::move(infos)); });
    }
}

void HostSound::UseCurrentPort() { engine_.SetOutput(ports_->CurrentOutput()); }

void HostSound::RebuildSong() {
    songDirty_ = false;
    auto song = std::make_shared<Song>(project_->WithStore([](host::Store& s) { return SongFromStore(s); }));
    {
        std::lock_guard lock(tempoMutex_);
        tempo_ = std::make_shared<const TempoMap>(song->tempo);
    }
    engine_.SetSong(std::move(song));
}

void HostSound::ApplyLoop() {
    struct Loop {
        bool on;
        std::int64_t start, end;
    };
    const Loop loop = project_->WithStore([](host::Store& s) {
        return Loop{(s.TransportFlags() & mp::TRANSPORT_LOOPING) != 0, s.LoopStart(), s.LoopEnd()};
    });
    engine_.SetLoop(loop.on, loop.start, loop.end);
}

void HostSound::ApplyTransport(std::uint32_t flags) {
    ApplyLoop();
    const bool play = (flags & mp::TRANSPORT_PLAYING) != 0;
    if (play && !engine_.IsPlaying()) {
        if (songDirty_) RebuildSong();
        const std::int64_t from = project_->WithStore([](host::Store& s) { return s.TransportPosition(); });
        engine_.Start(from);
    } else if (!play && engine_.IsPlaying()) {
        engine_.Stop();
        project_->ReportTransportTime(engine_.Position());
    }
}

void HostSound::OnNotify(const mp::NotificationRecord& r) {
    if (r.id == mp::NID_TRANSPORT_STATE) {
        ApplyTransport(r.value);
    } else if (r.id == mp::NID_SELECTION_CHANGED) {
        ApplyLoop();
    } else if (r.id == mp::NID_DATA_CHANGED || r.id == mp::NID_TIMEBASE_CHANGED) {
        // Rebuilt at the next start, or by the clock thread within one tick while playing, so a
        // large edit costs one rebuild and not one per changed event.
        songDirty_ = true;
    }
}

void HostSound::OnPlaybackTick(std::int64_t tick) {
    if (songDirty_) RebuildSong();
    project_->ReportTransportTime(tick);
}

host::HostMidiOut::Sender HostSound::MidiOutSender() {
    return [this](const mp::MidiEventRecord& record, const std::uint8_t* data, std::size_t size) {
        return Send(record, data, size);
    };
}

win::HRESULT HostSound::Send(const mp::MidiEventRecord& record, const std::uint8_t* data, std::size_t size) {
    auto out = record.port ? ports_->Output(record.port) : ports_->CurrentOutput();
    if (!out) return win::E_INVALIDARG;
    SongEvent e;
    e.kind = record.kind;
    e.channel = record.channel < 0 ? 0 : record.channel;
    std::copy(record.data, record.data + 4, e.d);
    if (record.kind == mp::MEK_NOTE) e.duration = record.length;
    if (data && size) e.data = std::make_shared<const std::vector<std::uint8_t>>(data, data + size);
    std::shared_ptr<const TempoMap> tempo;
    {
        std::lock_guard lock(tempoMutex_);
        tempo = tempo_;
    }
    monitor_.Play(out, e, *tempo, engine_.Position());
    return win::S_OK;
}

} // namespace playback

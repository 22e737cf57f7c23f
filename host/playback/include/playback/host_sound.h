// Sound for a host project: publishes the port list, plays the project's transport through the
// playback engine, feeds the time sinks, and sends the editor's monitored events.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>

#include "midiout/port_list.h"
#include "model/host_project.h"
#include "model/midi_out.h"
#include "playback/engine.h"
#include "playback/monitor.h"

namespace playback {

class HostSound {
public:
    // Holds a reference on the project and advises its notification point. The project's transport
    // flags start and stop playback, a client's write of its position jumps, its loop region loops;
    // while playing the project's position (and so the time sinks) follows playback about every 20 ms.
    HostSound(host::HostProject* project, std::unique_ptr<midiout::PortList> ports, Clock& clock);
    ~HostSound(); // stops playback and unadvises
    HostSound(const HostSound&) = delete;
    HostSound& operator=(const HostSound&) = delete;

    // For host::HostMidiOut: plays one record on its port (0: the current output port).
    host::HostMidiOut::Sender MidiOutSender();
    // Writes the port lists into the project (after Ports().Refresh(), or a change of current port).
    void PublishPorts();
    // Makes the current output port the one playback uses.
    void UseCurrentPort();

    midiout::PortList& Ports() { return *ports_; }
    PlaybackEngine& Engine() { return engine_; }

private:
    struct Sink;
    void OnNotify(const mp::NotificationRecord& r);
    void OnPlaybackTick(std::int64_t tick);
    void ApplyTransport(std::uint32_t flags);
    void ApplyLoop();
    void RebuildSong();
    win::HRESULT Send(const mp::MidiEventRecord& record, const std::uint8_t* data, std::size_t size);

    host::HostProject* project_;
    std::unique_ptr<midiout::PortList> ports_;
    Clock& clock_;
    PlaybackEngine engine_;
    Monitor monitor_;
    std::unique_ptr<Sink> sink_;
    win::DWORD dataCookie_ = 0;
    std::atomic<bool> songDirty_{true};
    std::mutex tempoMutex_;
    std::shared_ptr<const TempoMap> tempo_ = std::make_shared<const TempoMap>();
};

} // namespace playback

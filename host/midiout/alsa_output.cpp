// ALSA sequencer client, port listing and per-destination outputs.
#include "midiout/alsa_output.h"

#include <mutex>
#include <unistd.h>

#if VOR_HAVE_ALSA
#include <alsa/asoundlib.h>
#endif

namespace midiout {

#if VOR_HAVE_ALSA

namespace {
snd_seq_t* Seq(void* h) { return static_cast<snd_seq_t*>(h); }
void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}
} // namespace

class AlsaOutput : public MidiOutput {
public:
    AlsaOutput(std::shared_ptr<AlsaSequencer> seq, AlsaPortInfo dest) : seq_(std::move(seq)), dest_(std::move(dest)) {
        snd_midi_event_new(256, &encoder_);
        if (encoder_) snd_midi_event_no_status(encoder_, 1);
    }
    ~AlsaOutput() override {
        if (encoder_) snd_midi_event_free(encoder_);
    }
    std::string Name() const override { return dest_.name; }
    bool IsAvailable() const override { return encoder_ != nullptr; }
    void SendShort(std::uint8_t status, std::uint8_t d1, std::uint8_t d2) override {
        const int n = ShortMessageDataBytes(status);
        if (n < 0) return;
        const std::uint8_t bytes[3] = {status, d1, d2};
        Encode(bytes, static_cast<std::size_t>(1 + n));
    }
    void SendLong(const std::uint8_t* bytes, std::size_t size) override {
        if (bytes && size > 0) Encode(bytes, size);
    }

private:
    void Encode(const std::uint8_t* bytes, std::size_t size) {
        if (!encoder_) return;
        std::lock_guard lock(mutex_);
        snd_midi_event_reset_encode(encoder_);
        if (size > 3) snd_midi_event_resize_buffer(encoder_, size);
        std::size_t pos = 0;
        while (pos < size) {
            snd_seq_event_t ev;
            snd_seq_ev_clear(&ev);
            const long used = snd_midi_event_encode(encoder_, bytes + pos, static_cast<long>(size - pos), &ev);
            if (used <= 0) break;
            pos += static_cast<std::size_t>(used);
            if (ev.type == SND_SEQ_EVENT_NONE) continue;
            snd_seq_ev_set_source(&ev, seq_->portId_);
            snd_seq_ev_set_dest(&ev, dest_.client, dest_.port);
            snd_seq_ev_set_direct(&ev);
            snd_seq_event_output_direct(Seq(seq_->handle_), &ev);
        }
    }

    std::shared_ptr<AlsaSequencer> seq_;
    AlsaPortInfo dest_;
    snd_midi_event_t* encoder_ = nullptr;
    std::mutex mutex_;
};

std::shared_ptr<AlsaSequencer> AlsaSequencer::Open() {
    if (::access("/dev/snd/seq", R_OK | W_OK) != 0) return nullptr;
    snd_lib_error_set_handler(&SilentAlsaErrors);
    snd_seq_t* seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0) return nullptr;
    snd_seq_set_client_name(seq, "Piano Roll");
    const int port = snd_seq_create_simple_port(seq, "Piano Roll", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                                SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0) {
        snd_seq_close(seq);
        return nullptr;
    }
    std::shared_ptr<AlsaSequencer> s(new AlsaSequencer());
    s->handle_ = seq;
    s->clientId_ = snd_seq_client_id(seq);
    s->portId_ = port;
    return s;
}

AlsaSequencer::~AlsaSequencer() {
    if (handle_) snd_seq_close(Seq(handle_));
}

std::vector<AlsaPortInfo> AlsaSequencer::List(unsigned needCaps) const {
    std::vector<AlsaPortInfo> ports;
    snd_seq_client_info_t* cinfo;
    snd_seq_port_info_t* pinfo;
    snd_seq_client_info_alloca(&cinfo);
    snd_seq_port_info_alloca(&pinfo);
    snd_seq_client_info_set_client(cinfo, -1);
    while (snd_seq_query_next_client(Seq(handle_), cinfo) >= 0) {
        const int client = snd_seq_client_info_get_client(cinfo);
        if (client == clientId_ || client == SND_SEQ_CLIENT_SYSTEM) continue;
        snd_seq_port_info_set_client(pinfo, client);
        snd_seq_port_info_set_port(pinfo, -1);
        while (snd_seq_query_next_port(Seq(handle_), pinfo) >= 0) {
            const unsigned caps = snd_seq_port_info_get_capability(pinfo);
            if ((caps & needCaps) != needCaps || (caps & SND_SEQ_PORT_CAP_NO_EXPORT)) continue;
            ports.push_back({client, snd_seq_port_info_get_port(pinfo),
                             std::string(snd_seq_client_info_get_name(cinfo)) + ": " +
                                 snd_seq_port_info_get_name(pinfo)});
        }
    }
    return ports;
}

std::vector<AlsaPortInfo> AlsaSequencer::Destinations() const {
    return List(SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE);
}

std::vector<AlsaPortInfo> AlsaSequencer::Sources() const {
    return List(SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ);
}

std::unique_ptr<MidiOutput> AlsaSequencer::MakeOutput(const AlsaPortInfo& destination) {
    return std::make_unique<AlsaOutput>(shared_from_this(), destination);
}

#else // built without ALSA

std::shared_ptr<AlsaSequencer> AlsaSequencer::Open() { return nullptr; }
AlsaSequencer::~AlsaSequencer() = default;
std::vector<AlsaPortInfo> AlsaSequencer::List(unsigned) const { return {}; }
std::vector<AlsaPortInfo> AlsaSequencer::Destinations() const { return {}; }
std::vector<AlsaPortInfo> AlsaSequencer::Sources() const { return {}; }
std::unique_ptr<MidiOutput> AlsaSequencer::MakeOutput(const AlsaPortInfo&) { return nullptr; }

#endif

} // namespace midiout

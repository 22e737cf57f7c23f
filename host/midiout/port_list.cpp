// The port list: built-in synthesizer, ALSA destinations and sources.
#include "midiout/port_list.h"

#include <algorithm>

#include "midiout/alsa_output.h"
#include "midiout/fluid_synth_output.h"

namespace midiout {

const PortGuid kBuiltInSynthGuid = {0x3b, 0x1e, 0x6c, 0x51, 0x2a, 0x90, 0x4d, 0x47,
                                    0x8f, 0x27, 0x11, 0xd2, 0x6a, 0x05, 0xc3, 0x01};

PortGuid MakePortGuid(int kind, const std::string& name) {
    // Two FNV-1a passes with different bases fill the 16 bytes.
    auto fnv = [&](std::uint64_t h) {
        auto mix = [&h](std::uint8_t b) {
            h ^= b;
            h *= 0x100000001b3ull;
        };
        mix(static_cast<std::uint8_t>(kind));
        for (unsigned char c : name) mix(c);
        return h;
    };
    const std::uint64_t a = fnv(0xcbf29ce484222325ull), b = fnv(0x84222325cbf29ce4ull);
    PortGuid g{};
    for (int i = 0; i < 8; ++i) {
        g[i] = static_cast<std::uint8_t>(a >> (8 * i));
        g[8 + i] = static_cast<std::uint8_t>(b >> (8 * i));
    }
    g[7] = static_cast<std::uint8_t>((g[7] & 0x0F) | 0x50); // name-based GUID version
    g[8] = static_cast<std::uint8_t>((g[8] & 0x3F) | 0x80);
    return g;
}

PortList::PortList() = default;
PortList::~PortList() = default;

std::unique_ptr<PortList> PortList::Create(const PortListOptions& options) {
    auto list = std::make_unique<PortList>();
    if (options.builtInSynth) {
        FluidSynthOptions fo;
        fo.openAudio = options.openAudio;
        std::shared_ptr<FluidSynthOutput> synth = FluidSynthOutput::Create(fo);
        if (!synth->Problem().empty()) list->problems_.push_back("Built-in Synthesizer: " + synth->Problem());
        list->AddOutput(synth, kBuiltInSynthGuid);
    }
    if (options.alsa) list->sequencer_ = AlsaSequencer::Open();
    list->Refresh();
    return list;
}

std::uint32_t PortList::IdFor(const PortGuid& guid) {
    for (const auto& [g, id] : knownIds_)
        if (g == guid) return id;
    const std::uint32_t id = nextId_++;
    knownIds_.emplace_back(guid, id);
    return id;
}

std::uint32_t PortList::AddOutput(std::shared_ptr<MidiOutput> output, const PortGuid& guid) {
    if (!output) return 0;
    std::lock_guard lock(mutex_);
    Slot s;
    const std::uint32_t id = IdFor(guid);
    s.entry.id = id;
    s.entry.guid = guid;
    s.entry.name = output->Name();
    s.entry.available = output->IsAvailable();
    s.output = std::move(output);
    // Outputs of our own come before the ALSA ones, in the order they were added.
    auto pos = std::find_if(slots_.begin(), slots_.end(), [](const Slot& x) { return x.fromAlsa; });
    slots_.insert(pos, std::move(s));
    if (current_ == 0) current_ = id;
    return id;
}

std::vector<PortEntry> PortList::Ports(int kind) const {
    std::lock_guard lock(mutex_);
    std::vector<PortEntry> out;
    for (const auto& s : slots_)
        if (s.kind == kind) {
            PortEntry e = s.entry;
            if (s.output) e.available = s.output->IsAvailable();
            out.push_back(std::move(e));
        }
    return out;
}

std::shared_ptr<MidiOutput> PortList::Output(std::uint32_t id) const {
    std::lock_guard lock(mutex_);
    for (const auto& s : slots_)
        if (s.kind == kOutputPorts && s.entry.id == id) return s.output;
    return nullptr;
}

std::uint32_t PortList::CurrentOutputId() const {
    std::lock_guard lock(mutex_);
    return current_;
}

bool PortList::SetCurrentOutput(std::uint32_t id) {
    std::lock_guard lock(mutex_);
    for (const auto& s : slots_)
        if (s.kind == kOutputPorts && s.entry.id == id) {
            current_ = id;
            return true;
        }
    return false;
}

std::shared_ptr<MidiOutput> PortList::CurrentOutput() const { return Output(CurrentOutputId()); }

void PortList::Refresh() {
    std::vector<AlsaPortInfo> dests, sources;
    if (sequencer_) {
        dests = sequencer_->Destinations();
        sources = sequencer_->Sources();
    }
    std::lock_guard lock(mutex_);
    std::vector<Slot> keep;
    for (auto& s : slots_)
        if (!s.fromAlsa) keep.push_back(std::move(s));
    auto addAlsa = [&](const AlsaPortInfo& info, int kind) {
        Slot s;
        s.kind = kind;
        s.fromAlsa = true;
        s.entry.guid = MakePortGuid(kind, info.name);
        s.entry.id = IdFor(s.entry.guid);
        s.entry.name = info.name;
        // Reuse the live output of a port that stays, so the playback engine keeps its target.
        for (auto& old : slots_)
            if (old.fromAlsa && old.kind == kind && old.entry.guid == s.entry.guid) s.output = old.output;
        if (kind == kOutputPorts && !s.output && sequencer_) s.output = sequencer_->MakeOutput(info);
        keep.push_back(std::move(s));
    };
    for (const auto& d : dests) addAlsa(d, kOutputPorts);
    for (const auto& d : sources) addAlsa(d, kInputPorts);
    slots_ = std::move(keep);
    const bool currentStays = std::any_of(slots_.begin(), slots_.end(), [&](const Slot& s) {
        return s.kind == kOutputPorts && s.entry.id == current_;
    });
    if (!currentStays) {
        current_ = 0;
        for (const auto& s : slots_)
            if (s.kind == kOutputPorts) {
                current_ = s.entry.id;
                break;
            }
    }
}

} // namespace midiout

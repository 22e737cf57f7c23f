// Standard MIDI File writer: format 1 with running status, notes as on/off pairs, saved atomically.
#include <algorithm>
#include <cstring>
#include <queue>

#include "smf/smf.h"
#include "win/file_replacement.h"

namespace host::smf {

namespace {

class TrackWriter {
public:
    explicit TrackWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void Delta(std::int64_t tick) {
        std::int64_t d = tick - lastTick_;
        if (d < 0) d = 0;
        // A gap longer than the largest delta is bridged with empty text events.
        while (d > 0x0FFFFFFF) {
            Vlq(0x0FFFFFFF);
            out_.insert(out_.end(), {0xFF, 0x01, 0x00});
            running_ = 0;
            d -= 0x0FFFFFFF;
        }
        Vlq(static_cast<std::uint32_t>(d));
        lastTick_ = tick;
    }
    void Vlq(std::uint32_t v) {
        std::uint8_t buf[5];
        int n = 0;
        buf[n++] = v & 0x7F;
        while (v >>= 7) buf[n++] = static_cast<std::uint8_t>(0x80 | (v & 0x7F));
        while (n) out_.push_back(buf[--n]);
    }
    void Channel(std::int64_t tick, std::uint8_t status, std::uint8_t d0, std::uint8_t d1, int count) {
        Delta(tick);
        if (status != running_) {
            out_.push_back(status);
            running_ = status;
        }
        out_.push_back(d0 & 0x7F);
        if (count == 2) out_.push_back(d1 & 0x7F);
    }
    void Meta(std::int64_t tick, std::uint8_t type, const std::uint8_t* data, std::size_t len) {
        Delta(tick);
        out_.push_back(0xFF);
        out_.push_back(type);
        Vlq(static_cast<std::uint32_t>(len));
        out_.insert(out_.end(), data, data + len);
        running_ = 0;
    }
    void Sysex(std::int64_t tick, std::uint8_t status, const std::uint8_t* data, std::size_t len) {
        Delta(tick);
        out_.push_back(status);
        Vlq(static_cast<std::uint32_t>(len));
        out_.insert(out_.end(), data, data + len);
        running_ = 0;
    }

private:
    std::vector<std::uint8_t>& out_;
    std::int64_t lastTick_ = 0;
    std::uint8_t running_ = 0;
};

struct PendingOff {
    std::int64_t tick;
    std::uint64_t sequence;
    std::uint8_t status;
    std::uint8_t note;
    std::uint8_t velocity;
    bool operator>(const PendingOff& o) const {
        return tick > o.tick || (tick == o.tick && sequence > o.sequence);
    }
};

// Writes one event that is not a note; returns false for kinds a MIDI file cannot hold.
bool WriteOther(TrackWriter& w, std::int64_t tick, const EventValue& e, int channel) {
    auto ch = static_cast<std::uint8_t>(channel);
    const std::uint8_t* d = e.data;
    switch (e.kind) {
    case mp::MEK_NOTE_OFF:
        w.Channel(tick, 0x80 | ch, d[0], d[1], 2);
        return true;
    case mp::MEK_POLY_PRESSURE:
        w.Channel(tick, 0xA0 | ch, d[0], d[1], 2);
        return true;
    case mp::MEK_CONTROL:
        w.Channel(tick, 0xB0 | ch, d[0], d[1], 2);
        return true;
    case mp::MEK_PROGRAM:
        w.Channel(tick, 0xC0 | ch, d[0], 0, 1);
        return true;
    case mp::MEK_AFTERTOUCH:
        w.Channel(tick, 0xD0 | ch, d[0], 0, 1);
        return true;
    case mp::MEK_PITCH_BEND:
        w.Channel(tick, 0xE0 | ch, d[0], d[1], 2);
        return true;
    case mp::MEK_PACKED_RPN:
    case mp::MEK_PACKED_NRPN: {
        bool rpn = e.kind == mp::MEK_PACKED_RPN;
        w.Channel(tick, 0xB0 | ch, rpn ? 101 : 99, d[0], 2);
        w.Channel(tick, 0xB0 | ch, rpn ? 100 : 98, d[1], 2);
        w.Channel(tick, 0xB0 | ch, 6, d[2], 2);
        w.Channel(tick, 0xB0 | ch, 38, d[3], 2);
        return true;
    }
    case mp::MEK_BANK_PROGRAM: // data 1 program, data 2 bank MSB, data 3 bank LSB
        w.Channel(tick, 0xB0 | ch, 0, d[1], 2);
        w.Channel(tick, 0xB0 | ch, 32, d[2], 2);
        w.Channel(tick, 0xC0 | ch, d[0], 0, 1);
        return true;
    case mp::MEK_SHORT_MSG: {
        std::uint8_t status = d[0];
        if (status < 0x80 || status >= 0xF0) return false;
        int count = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
        w.Channel(tick, status, d[1], d[2], count);
        return true;
    }
    case mp::MEK_META:
        if (e.bytes.empty()) return false;
        w.Meta(tick, e.bytes[0], e.bytes.data() + 1, e.bytes.size() - 1);
        return true;
    case mp::MEK_SYSEX:
    case mp::MEK_LONG_MSG:
        if (!e.bytes.empty() && e.bytes[0] == 0xF0) w.Sysex(tick, 0xF0, e.bytes.data() + 1, e.bytes.size() - 1);
        else w.Sysex(tick, 0xF7, e.bytes.data(), e.bytes.size());
        return true;
    case mp::MEK_SYSEX_CONTINUE:
        w.Sysex(tick, 0xF7, e.bytes.data(), e.bytes.size());
        return true;
    default:
        return false;
    }
}

// Beyond this tick the gap fillers alone would make a file of gigabytes; such times come only from
// a client writing absurd values, and the save is refused instead.
constexpr std::int64_t kLastWritableTick = std::int64_t{1} << 40;

bool WriteTrack(const Store& store, std::uint32_t trackId, std::vector<std::uint8_t>& out, WriteResult& result) {
    const TrackValue& track = *store.Track(trackId);
    TrackWriter w(out);
    if (!track.name.empty()) {
        std::string bytes = DecodeName(track.nameBytes) == track.name ? track.nameBytes : EncodeUtf8(track.name);
        w.Meta(0, 0x03, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    // Events of every block in absolute time order (blocks overlap rarely; one block needs no merge).
    struct Item {
        std::int64_t tick;
        std::uint32_t id;
    };
    std::vector<Item> items;
    std::int64_t endTick = 0;
    const auto& blocks = store.BlocksOf(trackId);
    for (std::uint32_t b : blocks) {
        const BlockValue& bv = *store.Block(b);
        endTick = std::max(endTick, bv.end);
        for (std::uint32_t e : store.EventsOf(b)) items.push_back({bv.start + store.EventTime(e), e});
    }
    if (blocks.size() > 1)
        std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.tick < b.tick; });
    std::int64_t last = endTick;
    if (!items.empty()) last = std::max(last, items.back().tick + std::int64_t{0xFFFFFFFF});
    if (last > kLastWritableTick) {
        // Only a long note near the end may be what reaches so far; look closer before refusing.
        last = endTick;
        for (const Item& it : items) {
            std::int64_t end = it.tick;
            if (store.EventKind(it.id) == mp::MEK_NOTE) end += store.Event(it.id).length;
            last = std::max(last, end);
        }
        if (last > kLastWritableTick) {
            result.error = "an event lies too far in time for a MIDI file";
            return false;
        }
    }

    std::priority_queue<PendingOff, std::vector<PendingOff>, std::greater<PendingOff>> offs;
    std::uint64_t sequence = 0;
    for (const Item& it : items) {
        while (!offs.empty() && offs.top().tick <= it.tick) {
            const PendingOff& o = offs.top();
            w.Channel(o.tick, o.status, o.note, o.velocity, 2);
            offs.pop();
        }
        EventValue e = store.Event(it.id);
        int channel = track.channel >= 0 ? track.channel : (e.channel >= 0 ? e.channel : 0);
        std::int64_t tick = std::max<std::int64_t>(it.tick, 0);
        if (e.kind == mp::MEK_NOTE) {
            auto ch = static_cast<std::uint8_t>(channel);
            // A note-on of velocity 0 would read back as a note-off.
            std::uint8_t velocity = std::max<std::uint8_t>(e.data[1] & 0x7F, 1);
            w.Channel(tick, 0x90 | ch, e.data[0], velocity, 2);
            if (e.length == 0) w.Channel(tick, 0x80 | ch, e.data[0], e.data[2], 2);
            else offs.push({tick + e.length, sequence++, static_cast<std::uint8_t>(0x80 | ch), e.data[0], e.data[2]});
            endTick = std::max(endTick, tick + static_cast<std::int64_t>(e.length));
        } else if (!WriteOther(w, tick, e, channel)) {
            ++result.skippedEvents;
        }
        endTick = std::max(endTick, tick);
    }
    while (!offs.empty()) {
        const PendingOff& o = offs.top();
        w.Channel(o.tick, o.status, o.note, o.velocity, 2);
        offs.pop();
    }
    w.Meta(endTick, 0x2F, nullptr, 0);
    return true;
}

} // namespace

WriteResult Write(const Store& store, std::vector<std::uint8_t>& out) {
    WriteResult result;
    out.clear();
    std::uint32_t ppq = store.TicksPerQuarter();
    if (ppq == 0 || ppq > 0x7FFF) {
        result.error = "ticks per quarter note cannot be stored in a MIDI file";
        return result;
    }
    const auto& tracks = store.TracksInOrder();
    if (tracks.size() > static_cast<std::size_t>(kMaxTracks)) {
        result.error = "too many tracks for a MIDI file";
        return result;
    }
    out.reserve(14 + store.EventCount() * 7 + tracks.size() * 16);
    const std::uint8_t header[14] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1,
                                     static_cast<std::uint8_t>(tracks.size() >> 8),
                                     static_cast<std::uint8_t>(tracks.size()),
                                     static_cast<std::uint8_t>(ppq >> 8), static_cast<std::uint8_t>(ppq)};
    out.insert(out.end(), header, header + 14);
    for (std::uint32_t t : tracks) {
        std::size_t start = out.size();
        out.insert(out.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
        if (!WriteTrack(store, t, out, result)) {
            out.clear();
            return result;
        }
        std::size_t len = out.size() - start - 8;
        if (len > 0xFFFFFFFFu) {
            result.error = "track too long for a MIDI file";
            out.clear();
            return result;
        }
        out[start + 4] = static_cast<std::uint8_t>(len >> 24);
        out[start + 5] = static_cast<std::uint8_t>(len >> 16);
        out[start + 6] = static_cast<std::uint8_t>(len >> 8);
        out[start + 7] = static_cast<std::uint8_t>(len);
    }
    result.ok = true;
    return result;
}

WriteResult WriteFile(const Store& store, const std::string& path) {
    std::vector<std::uint8_t> bytes;
    WriteResult result = Write(store, bytes);
    if (!result.ok) return result;
    result.ok = win::files::ReplaceFileContents(path, bytes.data(), bytes.size(), &result.error);
    return result;
}

} // namespace host::smf

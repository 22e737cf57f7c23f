// Standard MIDI File writer: format 1 with running status, notes as on/off pairs, saved atomically.
// Events are read from the store in place and written straight into the output, a few bytes at a
// time, with one room check per event.
#include <algorithm>
#include <cstring>
#include <queue>

#include "smf/smf.h"
#include "win/file_replacement.h"

namespace host::smf {

namespace {

// The most bytes one event other than meta or sysex data can take: four controller messages.
constexpr std::size_t kMaxShortEventBytes = 4 * 8;

std::uint8_t* PutVlq(std::uint8_t* p, std::uint32_t v) {
    if (v < 0x80) {
        *p++ = static_cast<std::uint8_t>(v);
        return p;
    }
    std::uint8_t buf[5];
    int n = 0;
    buf[n++] = v & 0x7F;
    while (v >>= 7) buf[n++] = static_cast<std::uint8_t>(0x80 | (v & 0x7F));
    while (n) *p++ = buf[--n];
    return p;
}

// Where written bytes go: a buffer kept whole, or, when saving, handed on to the file whenever much
// has gathered, so that a large song never stands whole in memory a second time.
class Output {
public:
    Output(std::vector<std::uint8_t>& buffer, win::files::Replacement* file) : buffer(buffer), file_(file) {}
    std::vector<std::uint8_t>& buffer; // bytes not handed on yet
    std::uint64_t Position() const { return handedOn_ + buffer.size(); }
    // With a file: hands the buffer's first `used` bytes on once they are many; returns what stays.
    std::size_t Drain(std::size_t used) {
        if (!file_ || used < kDrainBytes) return used;
        if (!failed_ && !file_->Write(buffer.data(), used, &error_)) failed_ = true;
        handedOn_ += used;
        return 0;
    }
    // Writes a track's length into its header at `offset`, in the buffer or in the file.
    void PutLength(std::uint64_t offset, std::uint32_t len) {
        const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(len >> 24), static_cast<std::uint8_t>(len >> 16),
                                       static_cast<std::uint8_t>(len >> 8), static_cast<std::uint8_t>(len)};
        if (offset >= handedOn_) std::memcpy(buffer.data() + (offset - handedOn_), bytes, 4);
        else if (!failed_ && !file_->WriteAt(offset, bytes, 4, &error_)) failed_ = true;
    }
    // Hands on the rest; false with the error when the file refused any of it.
    bool Close(std::string* error) {
        if (file_ && !failed_ && !buffer.empty() && !file_->Write(buffer.data(), buffer.size(), &error_)) failed_ = true;
        if (failed_) *error = error_;
        return !failed_;
    }

private:
    static constexpr std::size_t kDrainBytes = std::size_t{1} << 20;
    win::files::Replacement* file_;
    std::uint64_t handedOn_ = 0;
    bool failed_ = false;
    std::string error_;
};

// Writes one track's events into the output, whose buffer stays ahead of what is written until Finish.
class TrackWriter {
public:
    explicit TrackWriter(Output& out) : output_(out), out_(out.buffer), pos_(out.buffer.size()) {}
    void Finish() { out_.resize(pos_); }

    void Channel(std::int64_t tick, std::uint8_t status, std::uint8_t d0, std::uint8_t d1, int count) {
        std::uint8_t* p = Delta(tick, kMaxShortEventBytes);
        if (status != running_) {
            *p++ = status;
            running_ = status;
        }
        *p++ = d0 & 0x7F;
        if (count == 2) *p++ = d1 & 0x7F;
        pos_ = static_cast<std::size_t>(p - out_.data());
    }
    void Meta(std::int64_t tick, std::uint8_t type, const std::uint8_t* data, std::size_t len) {
        std::uint8_t* p = Delta(tick, len + 16);
        *p++ = 0xFF;
        *p++ = type;
        Bytes(p, data, len);
    }
    void Sysex(std::int64_t tick, std::uint8_t status, const std::uint8_t* data, std::size_t len) {
        std::uint8_t* p = Delta(tick, len + 16);
        *p++ = status;
        Bytes(p, data, len);
    }

private:
    // Writes the delta time to tick, with room for `room` more bytes after it.
    std::uint8_t* Delta(std::int64_t tick, std::size_t room) {
        std::int64_t d = tick - lastTick_;
        if (d < 0) d = 0;
        lastTick_ = tick;
        // A gap longer than the largest delta is bridged with empty text events.
        while (d > 0x0FFFFFFF) {
            std::uint8_t* p = PutVlq(Room(8), 0x0FFFFFFF);
            *p++ = 0xFF;
            *p++ = 0x01;
            *p++ = 0x00;
            pos_ = static_cast<std::size_t>(p - out_.data());
            running_ = 0;
            d -= 0x0FFFFFFF;
        }
        return PutVlq(Room(room + 5), static_cast<std::uint32_t>(d));
    }
    std::uint8_t* Room(std::size_t n) {
        pos_ = output_.Drain(pos_);
        if (out_.size() - pos_ < n) {
            // Within the reserved room first: growing past it moves everything written.
            const std::size_t step = out_.size() + out_.size() / 2 + 4096;
            const std::size_t want = pos_ + n;
            out_.resize(std::max(want, want <= out_.capacity() ? std::min(step, out_.capacity()) : step));
        }
        return out_.data() + pos_;
    }
    void Bytes(std::uint8_t* p, const std::uint8_t* data, std::size_t len) {
        p = PutVlq(p, static_cast<std::uint32_t>(len));
        if (len) std::memcpy(p, data, len);
        pos_ = static_cast<std::size_t>(p + len - out_.data());
        running_ = 0;
    }

    Output& output_;
    std::vector<std::uint8_t>& out_;
    std::size_t pos_; // bytes written; out_ may hold unwritten room after them
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
bool WriteOther(TrackWriter& w, std::int64_t tick, const Store::EventFields& e, int channel) {
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
        if (!e.bytes || e.bytes->empty()) return false;
        w.Meta(tick, (*e.bytes)[0], e.bytes->data() + 1, e.bytes->size() - 1);
        return true;
    case mp::MEK_SYSEX:
    case mp::MEK_LONG_MSG:
    case mp::MEK_SYSEX_CONTINUE: {
        static const std::vector<std::uint8_t> kNone;
        const std::vector<std::uint8_t>& bytes = e.bytes ? *e.bytes : kNone;
        if (e.kind != mp::MEK_SYSEX_CONTINUE && !bytes.empty() && bytes[0] == 0xF0)
            w.Sysex(tick, 0xF0, bytes.data() + 1, bytes.size() - 1);
        else
            w.Sysex(tick, 0xF7, bytes.data(), bytes.size());
        return true;
    }
    default:
        return false;
    }
}

// Beyond this tick the gap fillers alone would make a file of gigabytes; such times come only from
// a client writing absurd values, and the save is refused instead.
constexpr std::int64_t kLastWritableTick = std::int64_t{1} << 40;

// A track's events in absolute time order: one block's index as it stands; several blocks merged
// by tick (they overlap rarely), block by block at equal ticks.
class TrackEvents {
public:
    TrackEvents(const Store& store, const std::vector<std::uint32_t>& blocks) {
        if (blocks.size() == 1) {
            single_ = &store.EventsOf(blocks.front());
            return;
        }
        for (std::uint32_t b : blocks) {
            const std::int64_t start = store.Block(b)->start;
            for (std::uint32_t e : store.EventsOf(b)) merged_.push_back({start + store.EventTime(e), e});
        }
        std::stable_sort(merged_.begin(), merged_.end(), [](const Item& x, const Item& y) { return x.tick < y.tick; });
    }
    std::size_t Size() const { return single_ ? single_->size() : merged_.size(); }
    std::uint32_t operator[](std::size_t i) const { return single_ ? (*single_)[i] : merged_[i].id; }

private:
    struct Item {
        std::int64_t tick;
        std::uint32_t id;
    };
    const std::vector<std::uint32_t>* single_ = nullptr;
    std::vector<Item> merged_;
};

// Reads events with the absolute tick of each; blocks are looked up only when the block changes.
class EventReader {
public:
    explicit EventReader(const Store& store) : store_(store) {}
    std::int64_t Read(std::uint32_t id, Store::EventFields& f) {
        store_.ReadEventFields(id, &f);
        if (f.block != block_) {
            block_ = f.block;
            start_ = store_.Block(block_)->start;
        }
        return start_ + f.time;
    }

private:
    const Store& store_;
    std::uint32_t block_ = 0;
    std::int64_t start_ = 0;
};

// Where a track's last event or note ends, or past kLastWritableTick (then exactly, to refuse it).
std::int64_t TrackEnd(const Store& store, const std::vector<std::uint32_t>& blocks, const TrackEvents& events) {
    std::int64_t end = 0, lastTick = 0;
    for (std::uint32_t b : blocks) {
        const BlockValue& bv = *store.Block(b);
        end = std::max(end, bv.end);
        const auto& list = store.EventsOf(b);
        if (!list.empty()) lastTick = std::max(lastTick, bv.start + store.EventTime(list.back()));
    }
    const bool any = events.Size() > 0;
    if (!any || std::max(end, lastTick + std::int64_t{0xFFFFFFFF}) <= kLastWritableTick) return end;
    // Only a long note near the end may be what reaches so far; look closer.
    EventReader reader(store);
    Store::EventFields f{};
    for (std::size_t i = 0; i < events.Size(); ++i) {
        const std::int64_t tick = reader.Read(events[i], f);
        end = std::max(end, tick + (f.kind == mp::MEK_NOTE ? std::int64_t{f.length} : 0));
    }
    return end;
}

void WriteTrack(const Store& store, std::uint32_t trackId, Output& out, WriteResult& result) {
    const TrackValue& track = *store.Track(trackId);
    const auto& blocks = store.BlocksOf(trackId);
    const TrackEvents events(store, blocks);
    std::int64_t endTick = TrackEnd(store, blocks, events);
    TrackWriter w(out);
    if (!track.name.empty()) {
        std::string bytes = DecodeName(track.nameBytes) == track.name ? track.nameBytes : EncodeUtf8(track.name);
        w.Meta(0, 0x03, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::priority_queue<PendingOff, std::vector<PendingOff>, std::greater<PendingOff>> offs;
    std::uint64_t sequence = 0;
    EventReader reader(store);
    Store::EventFields e{};
    for (std::size_t i = 0; i < events.Size(); ++i) {
        const std::int64_t at = reader.Read(events[i], e);
        while (!offs.empty() && offs.top().tick <= at) {
            const PendingOff& o = offs.top();
            w.Channel(o.tick, o.status, o.note, o.velocity, 2);
            offs.pop();
        }
        int channel = track.channel >= 0 ? track.channel : (e.channel >= 0 ? e.channel : 0);
        std::int64_t tick = std::max<std::int64_t>(at, 0);
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
    w.Finish();
}

// Why the store cannot be written as a MIDI file, or null when it can.
const char* Unwritable(const Store& store) {
    const std::uint32_t ppq = store.TicksPerQuarter();
    if (ppq == 0 || ppq > 0x7FFF) return "ticks per quarter note cannot be stored in a MIDI file";
    const auto& tracks = store.TracksInOrder();
    if (tracks.size() > static_cast<std::size_t>(kMaxTracks)) return "too many tracks for a MIDI file";
    for (std::uint32_t t : tracks) {
        const auto& blocks = store.BlocksOf(t);
        if (TrackEnd(store, blocks, TrackEvents(store, blocks)) > kLastWritableTick)
            return "an event lies too far in time for a MIDI file";
    }
    return nullptr;
}

WriteResult WriteSong(const Store& store, Output& out) {
    WriteResult result;
    const auto& tracks = store.TracksInOrder();
    const std::uint32_t ppq = store.TicksPerQuarter();
    const std::uint8_t header[14] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1,
                                     static_cast<std::uint8_t>(tracks.size() >> 8),
                                     static_cast<std::uint8_t>(tracks.size()),
                                     static_cast<std::uint8_t>(ppq >> 8), static_cast<std::uint8_t>(ppq)};
    out.buffer.insert(out.buffer.end(), header, header + 14);
    for (std::uint32_t t : tracks) {
        const std::uint64_t start = out.Position();
        out.buffer.insert(out.buffer.end(), {'M', 'T', 'r', 'k', 0, 0, 0, 0});
        WriteTrack(store, t, out, result);
        const std::uint64_t len = out.Position() - start - 8;
        if (len > 0xFFFFFFFFu) {
            result.error = "track too long for a MIDI file";
            return result;
        }
        out.PutLength(start + 4, static_cast<std::uint32_t>(len));
    }
    result.ok = out.Close(&result.error);
    return result;
}

} // namespace

WriteResult Write(const Store& store, std::vector<std::uint8_t>& out) {
    WriteResult result;
    out.clear();
    if (const char* why = Unwritable(store)) {
        result.error = why;
        return result;
    }
    out.reserve(14 + store.EventCount() * 7 + store.TracksInOrder().size() * 16);
    Output output(out, nullptr);
    result = WriteSong(store, output);
    if (!result.ok) out.clear();
    return result;
}

WriteResult WriteFile(const Store& store, const std::string& path) {
    WriteResult result;
    if (const char* why = Unwritable(store)) {
        result.error = why;
        return result;
    }
    win::files::Replacement file;
    if (!file.Begin(path, &result.error)) return result;
    std::vector<std::uint8_t> buffer;
    buffer.reserve(std::size_t{2} << 20);
    Output output(buffer, &file);
    result = WriteSong(store, output);
    // A refused or failed song leaves the old file as it was: the temporary goes with `file`.
    if (result.ok) result.ok = file.Commit(&result.error);
    return result;
}

} // namespace host::smf

// Standard MIDI File reader: chunks, track events, running status and note pairing into the store.
#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>

#include "smf/smf.h"
#include "win/file_reading.h"

namespace host::smf {

namespace {

struct Failure {
    std::string message;
    std::size_t offset;
};

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

// Open note-ons of one track, first in first out per channel and pitch.
class NotePairing {
public:
    NotePairing() {
        std::fill(std::begin(head_), std::end(head_), -1);
        std::fill(std::begin(tail_), std::end(tail_), -1);
    }
    void Open(int key, std::uint32_t event, std::int64_t tick) {
        std::int32_t n;
        if (free_ >= 0) {
            n = free_;
            free_ = nodes_[n].next;
            nodes_[n] = {event, tick, -1};
        } else {
            n = static_cast<std::int32_t>(nodes_.size());
            nodes_.push_back({event, tick, -1});
        }
        if (tail_[key] >= 0) nodes_[tail_[key]].next = n;
        else head_[key] = n;
        tail_[key] = n;
    }
    bool Close(int key, std::uint32_t* event, std::int64_t* tick) {
        std::int32_t n = head_[key];
        if (n < 0) return false;
        *event = nodes_[n].event;
        *tick = nodes_[n].tick;
        head_[key] = nodes_[n].next;
        if (head_[key] < 0) tail_[key] = -1;
        nodes_[n].next = free_;
        free_ = n;
        return true;
    }
    template <class F>
    void CloseAll(F&& f) {
        for (int key = 0; key < 2048; ++key) {
            std::uint32_t e;
            std::int64_t t;
            while (Close(key, &e, &t)) f(e, t);
        }
    }

private:
    struct Node {
        std::uint32_t event;
        std::int64_t tick;
        std::int32_t next;
    };
    std::vector<Node> nodes_;
    std::int32_t head_[2048];
    std::int32_t tail_[2048];
    std::int32_t free_ = -1;
};

class TrackParser {
public:
    TrackParser(const std::uint8_t* file, std::size_t begin, std::size_t end, Store& store, std::uint32_t block,
                int number, std::vector<ReadWarning>& warnings)
        : file_(file), p_(begin), end_(end), store_(store), block_(block), number_(number), warnings_(warnings) {}

    // Returns false with failure_ set on malformed data.
    bool Parse();
    Failure failure_;
    std::int64_t endTick_ = 0;
    std::uint32_t channelsUsed_ = 0;
    bool named_ = false;
    std::string name_;

private:
    bool Fail(const char* message, std::size_t offset) {
        failure_ = {message, offset};
        return false;
    }
    bool ReadVlq(std::uint32_t* out) {
        std::uint32_t v = 0;
        std::size_t start = p_;
        for (int i = 0; i < 4; ++i) {
            if (p_ >= end_) return Fail("truncated variable-length quantity", start);
            std::uint8_t b = file_[p_++];
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) {
                *out = v;
                return true;
            }
        }
        return Fail("variable-length quantity longer than 4 bytes", start);
    }
    // A note's length as the store holds it; longer notes are shortened and counted for a warning.
    std::uint32_t Length(std::int64_t d, std::size_t offset) {
        if (d <= kMaxLength) return static_cast<std::uint32_t>(d);
        if (shortened_++ == 0) firstShortened_ = offset;
        return static_cast<std::uint32_t>(kMaxLength);
    }
    void Warn(std::string message, std::size_t offset) {
        warnings_.push_back({"track " + std::to_string(number_) + ": " + std::move(message), offset});
    }
    void NoteOff(int channel, std::uint8_t note, std::uint8_t velocity, std::int64_t tick, std::size_t offset) {
        std::uint32_t event;
        std::int64_t onTick;
        if (pairing_.Close(channel * 128 + note, &event, &onTick)) {
            store_.SetLoadedNoteOff(event, Length(tick - onTick, offset), velocity);
            return;
        }
        const std::uint8_t data[4] = {note, velocity, 0, 0};
        store_.LoadEvent(block_, tick, mp::MEK_NOTE_OFF, channel, 0, data);
    }

    const std::uint8_t* file_;
    std::size_t p_;
    std::size_t end_;
    Store& store_;
    std::uint32_t block_;
    int number_;
    std::vector<ReadWarning>& warnings_;
    NotePairing pairing_;
    std::size_t shortened_ = 0;
    std::size_t firstShortened_ = 0;
    static constexpr std::int64_t kMaxLength = 0xFFFFFFFFLL;
};

bool TrackParser::Parse() {
    std::int64_t tick = 0;
    std::uint8_t running = 0;
    bool ended = false;
    while (p_ < end_) {
        std::uint32_t delta = 0;
        if (!ReadVlq(&delta)) return false;
        tick += delta;
        std::size_t eventStart = p_;
        if (p_ >= end_) return Fail("truncated event", eventStart);
        std::uint8_t status = file_[p_];
        if (status < 0x80) {
            if (!running) return Fail("running status with no previous status", eventStart);
            status = running;
        } else {
            ++p_;
        }
        if (status < 0xF0) {
            running = status;
            int count = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
            if (end_ - p_ < static_cast<std::size_t>(count)) return Fail("truncated event", eventStart);
            std::uint8_t d0 = file_[p_];
            std::uint8_t d1 = count == 2 ? file_[p_ + 1] : 0;
            if (d0 >= 0x80 || d1 >= 0x80) return Fail("status byte inside a message's data", d0 >= 0x80 ? p_ : p_ + 1);
            p_ += count;
            int channel = status & 0x0F;
            channelsUsed_ |= 1u << channel;
            std::uint8_t data[4] = {d0, d1, 0, 0};
            switch (status & 0xF0) {
            case 0x80:
                NoteOff(channel, d0, d1, tick, eventStart);
                break;
            case 0x90:
                if (d1 == 0) {
                    NoteOff(channel, d0, 0, tick, eventStart);
                } else {
                    std::uint32_t id = store_.LoadEvent(block_, tick, mp::MEK_NOTE, channel, 0, data);
                    pairing_.Open(channel * 128 + d0, id, tick);
                }
                break;
            case 0xA0:
                store_.LoadEvent(block_, tick, mp::MEK_POLY_PRESSURE, channel, 0, data);
                break;
            case 0xB0:
                store_.LoadEvent(block_, tick, mp::MEK_CONTROL, channel, 0, data);
                break;
            case 0xC0:
                store_.LoadEvent(block_, tick, mp::MEK_PROGRAM, channel, 0, data);
                break;
            case 0xD0:
                store_.LoadEvent(block_, tick, mp::MEK_AFTERTOUCH, channel, 0, data);
                break;
            default:
                store_.LoadEvent(block_, tick, mp::MEK_PITCH_BEND, channel, 0, data);
                break;
            }
            continue;
        }
        if (status == 0xFF) {
            if (p_ >= end_) return Fail("truncated meta event", eventStart);
            std::uint8_t type = file_[p_++];
            if (type >= 0x80) return Fail("status byte inside a message's data", p_ - 1);
            std::uint32_t len = 0;
            if (!ReadVlq(&len)) return false;
            if (end_ - p_ < len) return Fail("meta event runs past the end of its track", eventStart);
            if (type == 0x2F) {
                ended = true;
                endTick_ = tick;
                p_ += len;
                // Zero bytes after the end are padding some writers add; anything else was meant as events.
                if (std::any_of(file_ + p_, file_ + end_, [](std::uint8_t b) { return b != 0; }))
                    Warn(std::to_string(end_ - p_) + " bytes after its end-of-track event were left out", p_);
                break;
            }
            if (type == 0x03 && tick == 0 && !named_ && len > 0) {
                named_ = true;
                name_.assign(reinterpret_cast<const char*>(file_ + p_), len);
            } else {
                // The meta type byte leads the stored data.
                std::vector<std::uint8_t> bytes;
                bytes.reserve(len + 1);
                bytes.push_back(type);
                bytes.insert(bytes.end(), file_ + p_, file_ + p_ + len);
                store_.LoadVariableEvent(block_, tick, mp::MEK_META, std::move(bytes));
            }
            p_ += len;
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            std::uint32_t len = 0;
            if (!ReadVlq(&len)) return false;
            if (end_ - p_ < len) return Fail("sysex event runs past the end of its track", eventStart);
            std::vector<std::uint8_t> bytes;
            bytes.reserve(len + 1);
            if (status == 0xF0) bytes.push_back(0xF0);
            bytes.insert(bytes.end(), file_ + p_, file_ + p_ + len);
            store_.LoadVariableEvent(block_, tick, status == 0xF0 ? mp::MEK_SYSEX : mp::MEK_SYSEX_CONTINUE,
                                     std::move(bytes));
            p_ += len;
            continue;
        }
        return Fail("unexpected status byte", eventStart);
    }
    if (!ended) endTick_ = tick;
    pairing_.CloseAll(
        [&](std::uint32_t event, std::int64_t onTick) { store_.SetLoadedLength(event, Length(endTick_ - onTick, p_)); });
    if (shortened_)
        Warn(std::to_string(shortened_) + (shortened_ == 1 ? " note was" : " notes were") +
                 " longer than 4294967295 ticks and shortened to that length",
             firstShortened_);
    return true;
}

ReadResult Parse(const std::uint8_t* data, std::size_t size, Store& store) {
    ReadResult r;
    auto fail = [&](const char* message, std::size_t offset) {
        r.ok = false;
        r.failure = ReadFailure::malformed;
        r.error = message;
        r.offset = offset;
        return r;
    };
    std::size_t pos = 0;
    std::size_t limit = size;
    // A RIFF "RMID" file carries the MIDI file in its "data" chunk.
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "RMID", 4) == 0) {
        std::size_t p = 12;
        bool found = false;
        while (p + 8 <= size) {
            std::uint32_t len = data[p + 4] | (data[p + 5] << 8) | (data[p + 6] << 16) | (std::uint32_t(data[p + 7]) << 24);
            if (std::memcmp(data + p, "data", 4) == 0) {
                if (len > size - p - 8) return fail("RIFF data chunk runs past the end of the file", p);
                pos = p + 8;
                limit = pos + len;
                found = true;
                break;
            }
            if (len > size - p - 8) break;
            p += 8 + len + (len & 1);
        }
        if (!found) return fail("RIFF file without a MIDI data chunk", 0);
    }
    if (limit - pos < 14 || std::memcmp(data + pos, "MThd", 4) != 0) return fail("missing MThd header", pos);
    std::uint32_t headerLen = Be32(data + pos + 4);
    if (headerLen < 6) return fail("MThd header shorter than 6 bytes", pos + 4);
    if (headerLen > limit - pos - 8) return fail("MThd header runs past the end of the file", pos + 4);
    r.format = Be16(data + pos + 8);
    std::uint16_t declared = Be16(data + pos + 10);
    std::uint16_t division = Be16(data + pos + 12);
    if (r.format > 2) return fail("unknown MIDI file format", pos + 8);
    if (division & 0x8000) return fail("SMPTE time division is not supported", pos + 12);
    if (division == 0) return fail("time division of 0 ticks per quarter note", pos + 12);
    r.ticksPerQuarter = division;
    store.SetTicksPerQuarter(division);
    // Events take at least 3 bytes each on average; this sizes the store once for most files.
    store.ReserveEvents((limit - pos) / 5);
    pos += 8 + headerLen;
    while (limit - pos >= 8) {
        std::uint32_t len = Be32(data + pos + 4);
        if (len > limit - pos - 8) return fail("chunk length runs past the end of the file", pos + 4);
        if (std::memcmp(data + pos, "MTrk", 4) == 0) {
            TrackValue track;
            std::uint32_t trackId = store.LoadTrack(track);
            std::uint32_t block = store.LoadBlock(BlockValue{trackId, 0, 0, {}});
            store.ReserveBlockEvents(block, len / 5);
            TrackParser parser(data, pos + 8, pos + 8 + len, store, block, r.tracks + 1, r.warnings);
            if (!parser.Parse()) return fail(parser.failure_.message.c_str(), parser.failure_.offset);
            store.SetLoadedBlockEnd(block, parser.endTick_);
            if (parser.named_) {
                track.nameBytes = parser.name_;
                track.name = DecodeName(parser.name_);
            }
            track.channel = std::popcount(parser.channelsUsed_) == 1 ? std::countr_zero(parser.channelsUsed_) : -1;
            store.SetLoadedTrack(trackId, std::move(track));
            ++r.tracks;
        }
        pos += 8 + len;
    }
    // Format 0 holds one track whatever the header says.
    const int expected = r.format == 0 ? 1 : declared;
    if (r.tracks < expected)
        r.warnings.push_back({"the header announces " + std::to_string(expected) + " tracks but the file holds " +
                                  std::to_string(r.tracks) + "; the rest is missing",
                              pos});
    r.ok = true;
    return r;
}

} // namespace

ReadResult Read(const std::uint8_t* data, std::size_t size, Store& store) {
    store.Clear();
    ReadResult r = Parse(data, size, store);
    if (!r.ok) {
        store.Clear();
        return r;
    }
    store.FinishLoad();
    return r;
}

namespace {

ReadResult Refusal(ReadFailure failure, std::string error) {
    ReadResult r;
    r.failure = failure;
    r.error = std::move(error);
    return r;
}

// Enough of a file's start to tell a MIDI file from anything else.
constexpr std::size_t kHeadBytes = 12;

// The first bytes of every file the reader takes: a MIDI header, or a RIFF wrapper around one.
bool LooksLikeMidi(const std::uint8_t* head, std::size_t size) {
    if (size >= 4 && std::memcmp(head, "MThd", 4) == 0) return true;
    return size >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "RMID", 4) == 0;
}

} // namespace

ReadResult ReadFile(const std::string& path, Store& store, std::uint64_t maxBytes) {
    win::files::ReadableFile file;
    win::files::OpenProblem problem = win::files::OpenProblem::none;
    std::string error;
    if (!file.Open(path, "a MIDI file", &problem, &error))
        return Refusal(problem == win::files::OpenProblem::notAFile ? ReadFailure::notAFile : ReadFailure::cannotOpen,
                       error);
    const std::uint64_t size = file.Size();
    std::uint8_t head[kHeadBytes];
    std::size_t got = 0;
    if (!file.Read(head, std::min<std::size_t>(kHeadBytes, static_cast<std::size_t>(size)), &got, &error))
        return Refusal(ReadFailure::cannotOpen, error);
    if (!LooksLikeMidi(head, got)) {
        store.Clear();
        return Refusal(ReadFailure::malformed, "missing MThd header");
    }
    if (size > maxBytes)
        return Refusal(ReadFailure::tooLarge, "the file is " + std::to_string(size) + " bytes; a song can be at most " +
                                                  std::to_string(maxBytes) + " bytes");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    std::copy(head, head + got, bytes.begin());
    std::size_t rest = 0;
    if (!file.Read(bytes.data() + got, bytes.size() - got, &rest, &error)) return Refusal(ReadFailure::cannotOpen, error);
    // A file that shrank while it was read is read as it now ends.
    bytes.resize(got + rest);
    return Read(bytes.data(), bytes.size(), store);
}

} // namespace host::smf

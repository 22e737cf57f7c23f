// Standard MIDI File reader: chunks, track events, running status and note pairing into the store.
#include <algorithm>
#include <bit>
#include <cstring>
#include <iterator>
#include <memory>

#include "model/slot_array.h"
#include "smf/smf.h"
#include "win/file_reading.h"

namespace host::smf {

namespace {

struct Failure {
    std::string message;
    std::size_t offset = 0;
    bool cut = false; // the bytes ran out inside an event
};

std::uint32_t Be32(const std::uint8_t* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
std::uint16_t Be16(const std::uint8_t* p) { return static_cast<std::uint16_t>((p[0] << 8) | p[1]); }

// Open note-ons of one track, first in first out per channel and pitch. One serves every track of a
// file: CloseAll leaves it empty, and visits only the keys that were used, so a file of many small
// tracks does not pay for all 2048 keys in each.
class NotePairing {
public:
    NotePairing() {
        std::fill(std::begin(head_), std::end(head_), -1);
        std::fill(std::begin(tail_), std::end(tail_), -1);
    }
    void Open(int key, std::uint32_t event, std::int64_t tick, std::size_t offset) {
        std::int32_t n;
        const Node node{event, static_cast<std::uint32_t>(offset), tick, -1};
        if (free_ >= 0) {
            n = free_;
            free_ = nodes_[n].next;
            nodes_[n] = node;
        } else {
            n = static_cast<std::int32_t>(nodes_.size());
            nodes_.push_back(node);
        }
        if (tail_[key] >= 0) {
            nodes_[tail_[key]].next = n;
        } else {
            head_[key] = n;
            used_.push_back(static_cast<std::int16_t>(key));
        }
        tail_[key] = n;
    }
    bool Close(int key, std::uint32_t* event, std::int64_t* tick, std::size_t* offset = nullptr) {
        std::int32_t n = head_[key];
        if (n < 0) return false;
        *event = nodes_[n].event;
        *tick = nodes_[n].tick;
        if (offset) *offset = nodes_[n].offset;
        head_[key] = nodes_[n].next;
        if (head_[key] < 0) tail_[key] = -1;
        nodes_[n].next = free_;
        free_ = n;
        return true;
    }
    // Calls f(event, tick, offset) for every note still open.
    template <class F>
    void CloseAll(F&& f) {
        for (const int key : used_) {
            std::uint32_t e;
            std::int64_t t;
            std::size_t offset;
            while (Close(key, &e, &t, &offset)) f(e, t, offset);
        }
        used_.clear();
    }

private:
    struct Node {
        std::uint32_t event;
        std::uint32_t offset; // of the note-on in the file (files are at most 1 GiB)
        std::int64_t tick;
        std::int32_t next;
    };
    std::vector<Node> nodes_;
    std::vector<std::int16_t> used_; // keys whose list was empty when a note-on came
    std::int32_t head_[2048];
    std::int32_t tail_[2048];
    std::int32_t free_ = -1;
};

class TrackParser {
public:
    // overlong: the chunk's length runs past the end of the file, so end is the file's end and the
    // bytes after an end-of-track event belong to the chunks that follow.
    TrackParser(const std::uint8_t* file, std::size_t begin, std::size_t end, bool overlong, Store& store,
                std::uint32_t block, int number, std::vector<ReadWarning>& warnings, NotePairing& pairing)
        : file_(file), p_(begin), end_(end), overlong_(overlong), store_(store), block_(block), number_(number),
          warnings_(warnings), firstWarning_(warnings.size()), pairing_(pairing) {}

    // Reads the events up to the track's end or its first fault (failure_ then says which), closes
    // the notes left open at the track's end and warns about what was changed.
    void Parse();
    void Warn(std::string message, std::size_t offset, bool damage = true) {
        warnings_.push_back({"track " + std::to_string(number_) + ": " + std::move(message), offset, damage});
    }
    bool failed_ = false;
    Failure failure_;
    std::size_t resume_ = 0; // where the first event not read begins
    bool ended_ = false;     // an end-of-track event was read
    std::int64_t endTick_ = 0;
    std::uint32_t channelsUsed_ = 0;
    bool named_ = false;
    std::string name_;

private:
    enum class Step { more, ended, fault };
    Step ParseEvent();
    Step ParseMeta(std::size_t eventStart, std::int64_t tick);
    void Finish();
    Step Fail(const char* message, std::size_t offset) {
        failure_ = {message, offset, false};
        return Step::fault;
    }
    Step Cut(const char* message, std::size_t offset) {
        failure_ = {message, offset, true};
        return Step::fault;
    }
    bool ReadVlq(std::uint32_t* out) {
        std::uint32_t v = 0;
        std::size_t start = p_;
        for (int i = 0; i < 4; ++i) {
            if (p_ >= end_) return Cut("truncated variable-length quantity", start), false;
            std::uint8_t b = file_[p_++];
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) {
                *out = v;
                return true;
            }
        }
        return Fail("variable-length quantity longer than 4 bytes", start), false;
    }
    // A note's length as the store holds it; longer notes are shortened and counted for a warning.
    std::uint32_t Length(std::int64_t d, std::size_t offset) {
        if (d <= kMaxLength) return static_cast<std::uint32_t>(d);
        if (shortened_++ == 0) firstShortened_ = offset;
        return static_cast<std::uint32_t>(kMaxLength);
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
    bool overlong_;
    Store& store_;
    std::uint32_t block_;
    int number_;
    std::vector<ReadWarning>& warnings_;
    std::size_t firstWarning_; // this track's warnings begin here
    NotePairing& pairing_;     // empty again when Parse returns
    std::int64_t tick_ = 0;
    std::uint8_t running_ = 0;
    std::size_t shortened_ = 0;
    std::size_t firstShortened_ = 0;
    static constexpr std::int64_t kMaxLength = 0xFFFFFFFFLL;
};

void TrackParser::Parse() {
    std::int64_t completeTick = 0; // of the last event read whole
    while (p_ < end_) {
        const std::size_t begin = p_;
        const Step step = ParseEvent();
        if (step == Step::fault) {
            failed_ = true;
            resume_ = begin;
            break;
        }
        completeTick = tick_;
        if (step == Step::ended) {
            ended_ = true;
            break;
        }
    }
    endTick_ = completeTick;
    if (!failed_) resume_ = p_;
    Finish();
}

TrackParser::Step TrackParser::ParseEvent() {
    std::uint32_t delta = 0;
    if (!ReadVlq(&delta)) return Step::fault;
    const std::int64_t tick = tick_ + delta;
    std::size_t eventStart = p_;
    if (p_ >= end_) return Cut("truncated event", eventStart);
    std::uint8_t status = file_[p_];
    if (status < 0x80) {
        if (!running_) return Fail("running status with no previous status", eventStart);
        status = running_;
    } else {
        ++p_;
    }
    if (status < 0xF0) {
        int count = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
        if (end_ - p_ < static_cast<std::size_t>(count)) return Cut("truncated event", eventStart);
        std::uint8_t d0 = file_[p_];
        std::uint8_t d1 = count == 2 ? file_[p_ + 1] : 0;
        if (d0 >= 0x80 || d1 >= 0x80) return Fail("status byte inside a message's data", d0 >= 0x80 ? p_ : p_ + 1);
        running_ = status;
        tick_ = tick;
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
                pairing_.Open(channel * 128 + d0, id, tick, eventStart);
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
        return Step::more;
    }
    if (status == 0xFF) {
        Step step = ParseMeta(eventStart, tick);
        if (step != Step::fault) tick_ = tick;
        return step;
    }
    if (status == 0xF0 || status == 0xF7) {
        std::uint32_t len = 0;
        if (!ReadVlq(&len)) return Step::fault;
        if (end_ - p_ < len) return Cut("sysex event runs past the end of its track", eventStart);
        std::vector<std::uint8_t> bytes;
        bytes.reserve(len + 1);
        if (status == 0xF0) bytes.push_back(0xF0);
        bytes.insert(bytes.end(), file_ + p_, file_ + p_ + len);
        store_.LoadVariableEvent(block_, tick, status == 0xF0 ? mp::MEK_SYSEX : mp::MEK_SYSEX_CONTINUE,
                                 std::move(bytes));
        p_ += len;
        tick_ = tick;
        return Step::more;
    }
    return Fail("unexpected status byte", eventStart);
}

// A meta event at tick whose 0xFF is read.
TrackParser::Step TrackParser::ParseMeta(std::size_t eventStart, std::int64_t tick) {
    if (p_ >= end_) return Cut("truncated meta event", eventStart);
    std::uint8_t type = file_[p_++];
    if (type >= 0x80) return Fail("status byte inside a message's data", p_ - 1);
    std::uint32_t len = 0;
    if (!ReadVlq(&len)) return Step::fault;
    if (end_ - p_ < len) return Cut("meta event runs past the end of its track", eventStart);
    if (type == 0x2F) {
        p_ += len;
        // Zero bytes after the end are padding some writers add; anything else was meant as events.
        if (!overlong_ && std::any_of(file_ + p_, file_ + end_, [](std::uint8_t b) { return b != 0; }))
            Warn(std::to_string(end_ - p_) + " bytes after its end-of-track event were left out", p_);
        return Step::ended;
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
    return Step::more;
}

void TrackParser::Finish() {
    std::size_t unended = 0;
    std::size_t firstUnended = 0;
    pairing_.CloseAll([&](std::uint32_t event, std::int64_t onTick, std::size_t offset) {
        store_.SetLoadedLength(event, Length(endTick_ - onTick, resume_));
        firstUnended = unended++ == 0 ? offset : std::min(firstUnended, offset);
    });
    if (unended)
        Warn(unended == 1 ? "1 note never ends; it ends at the track's end"
                          : std::to_string(unended) + " notes never end; they end at the track's end",
             firstUnended, false);
    if (shortened_)
        Warn(std::to_string(shortened_) + (shortened_ == 1 ? " note was" : " notes were") +
                 " longer than 4294967295 ticks and shortened to that length",
             firstShortened_);
    if (failed_ && !(overlong_ && failure_.cut))
        Warn(failure_.message + "; the rest of the track was left out", failure_.offset);
    else if (overlong_ && !ended_)
        Warn("the file ends inside this track; it was read up to its last complete event", resume_);
    std::stable_sort(warnings_.begin() + static_cast<std::ptrdiff_t>(firstWarning_), warnings_.end(),
                     [](const ReadWarning& a, const ReadWarning& b) { return a.offset < b.offset; });
}

// Reads one track chunk starting at pos into a new track; returns where the next chunk begins (limit
// when the file ends inside this one).
std::size_t ReadTrackChunk(const std::uint8_t* data, std::size_t pos, std::size_t limit, Store& store, ReadResult& r,
                           NotePairing& pairing) {
    const std::uint32_t len = Be32(data + pos + 4);
    const bool overlong = len > limit - pos - 8;
    const std::size_t end = overlong ? limit : pos + 8 + len;
    TrackValue track;
    std::uint32_t trackId = store.LoadTrack(track);
    std::uint32_t block = store.LoadBlock(BlockValue{trackId, 0, 0, {}});
    store.ReserveBlockEvents(block, (end - pos - 8) / 5);
    TrackParser parser(data, pos + 8, end, overlong, store, block, ++r.tracks, r.warnings, pairing);
    parser.Parse();
    // A length past the end is either a file cut off in this track, or a damaged length whose track
    // still ends where its end-of-track event says (then the chunks after it are read as well).
    if (overlong && parser.ended_)
        parser.Warn("its chunk length runs past the end of the file; it was read up to its end-of-track event",
                    pos + 4);
    store.SetLoadedBlockEnd(block, parser.endTick_);
    if (parser.named_) {
        track.nameBytes = parser.name_;
        track.name = DecodeName(parser.name_);
    }
    track.channel = std::popcount(parser.channelsUsed_) == 1 ? std::countr_zero(parser.channelsUsed_) : -1;
    store.SetLoadedTrack(trackId, std::move(track));
    return overlong ? (parser.ended_ ? parser.resume_ : limit) : end;
}

// Counts the track chunks from pos on, as far as their lengths can be followed.
int CountTrackChunks(const std::uint8_t* data, std::size_t pos, std::size_t limit) {
    int count = 0;
    while (limit - pos >= 8) {
        if (std::memcmp(data + pos, "MTrk", 4) == 0) ++count;
        const std::uint32_t len = Be32(data + pos + 4);
        if (len > limit - pos - 8) break;
        pos += 8 + len;
    }
    return count;
}

std::string Tracks(int n) { return std::to_string(n) + (n == 1 ? " track" : " tracks"); }

// The chunks after the header: every track chunk becomes a track, others are skipped.
void ReadChunks(const std::uint8_t* data, std::size_t pos, std::size_t limit, int expected, Store& store,
                ReadResult& r) {
    std::size_t firstExtra = 0;
    NotePairing pairing;
    while (limit - pos >= 8) {
        const std::uint32_t len = Be32(data + pos + 4);
        if (std::memcmp(data + pos, "MTrk", 4) != 0) {
            if (len > limit - pos - 8) {
                r.warnings.push_back({"a chunk of another kind runs past the end of the file; its " +
                                          std::to_string(limit - pos) + " bytes were left out",
                                      pos});
                break;
            }
            pos += 8 + len;
            continue;
        }
        if (r.tracks == kMaxTracks) {
            // More tracks could never be saved again.
            const int total = kMaxTracks + CountTrackChunks(data, pos, limit);
            r.warnings.push_back({"the file holds " + std::to_string(total) + " tracks, more than the " +
                                      std::to_string(kMaxTracks) + " a song can hold; tracks " +
                                      std::to_string(kMaxTracks + 1) + " to " + std::to_string(total) +
                                      " were left out",
                                  pos});
            return;
        }
        if (r.tracks == expected) firstExtra = pos;
        pos = ReadTrackChunk(data, pos, limit, store, r, pairing);
    }
    if (r.tracks < expected)
        r.warnings.push_back({"the header announces " + Tracks(expected) + " but the file holds " +
                                  std::to_string(r.tracks) + "; the rest is missing",
                              pos});
    else if (r.tracks > expected)
        r.warnings.push_back({"the header announces " + Tracks(expected) + " but the file holds " +
                                  std::to_string(r.tracks) + "; all were read",
                              firstExtra, false});
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
                pos = p + 8;
                limit = pos + std::min<std::size_t>(len, size - pos);
                if (len > size - pos)
                    r.warnings.push_back({"the RIFF data chunk runs past the end of the file; it was read to the end",
                                          p + 4});
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
    ReadChunks(data, pos + 8 + headerLen, limit, r.format == 0 ? 1 : declared, store, r);
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

// Room for a file's bytes, not cleared first since the file overwrites it. A smaller image comes
// from the heap, which keeps freed room for the next load; a larger one would be mapped afresh by
// the heap anyway, so it lies in large pages and faults in a few dozen times instead of thousands.
class FileImage {
public:
    explicit FileImage(std::size_t size) {
        if (size >= kLargeBytes) mapped_.Resize(size, 0);
        else heap_.reset(new std::uint8_t[size]);
    }
    std::uint8_t* Data() { return heap_ ? heap_.get() : static_cast<std::uint8_t*>(mapped_.Data()); }

private:
    // Where the heap stops keeping freed room for reuse.
    static constexpr std::size_t kLargeBytes = std::size_t{32} << 20;
    std::unique_ptr<std::uint8_t[]> heap_;
    SlotRoom mapped_;
};

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
    FileImage image(static_cast<std::size_t>(size));
    std::uint8_t* bytes = image.Data();
    std::copy(head, head + got, bytes);
    std::size_t rest = 0;
    if (!file.Read(bytes + got, static_cast<std::size_t>(size) - got, &rest, &error))
        return Refusal(ReadFailure::cannotOpen, error);
    // A file that shrank while it was read is read as it now ends.
    return Read(bytes, got + rest, store);
}

} // namespace host::smf

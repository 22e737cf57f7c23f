// Names, labels and values of meta events (standard MIDI file numbering).
#include "naming_text.h"

#include "mp/module_strings.h"
#include "mp/naming.h"

namespace mp::naming {

namespace {

enum : std::uint8_t {
    META_SEQUENCE_NUMBER = 0,
    META_TEXT = 1,
    META_NOTICE = 2,
    META_SEQUENCE_NAME = 3,
    META_INSTRUMENT = 4,
    META_LYRIC = 5,
    META_MARKER = 6,
    META_CUE_POINT = 7,
    META_CHANNEL_PREFIX = 32,
    META_TEMPO = 81,
    META_SMPTE = 84,
    META_TIME_SIGNATURE = 88,
    META_KEY_SIGNATURE = 89,
    META_SEQUENCER_SPECIFIC = 127,
};

std::optional<std::string> Only(std::uint32_t field, std::uint32_t wanted, std::string text) {
    if (field != wanted) return std::nullopt;
    return text;
}

} // namespace

std::optional<std::string> NameMeta(const std::uint8_t* data, std::size_t length, std::uint32_t field,
                                    bool firstTrack, bool* malformed) {
    *malformed = false;
    if (!data || length == 0) {
        *malformed = true;
        return std::nullopt;
    }
    std::uint8_t type = data[0];
    const std::uint8_t* p = data + 1;
    std::size_t n = length - 1;
    auto needs = [&](std::size_t bytes) {
        if (n >= bytes) return true;
        *malformed = true;
        return false;
    };

    switch (type) {
    case META_SEQUENCE_NUMBER:
        if (field == NAME_EVENT) return Text(IDS_META_SEQUENCE_NUMBER);
        if (field != NAME_VALUE1) return std::nullopt;
        if (!needs(2)) return std::nullopt;
        return Format(IDS_FMT_NUMBER, p[0] * 256 + p[1]);
    case META_TEXT:
    case META_NOTICE:
    case META_SEQUENCE_NAME:
    case META_INSTRUMENT:
    case META_LYRIC:
    case META_MARKER:
    case META_CUE_POINT: {
        std::uint32_t name = type == META_TEXT     ? IDS_META_TEXT
                             : type == META_NOTICE ? IDS_META_NOTICE
                             : type == META_SEQUENCE_NAME
                                 ? (firstTrack ? IDS_META_SEQUENCE_NAME : IDS_META_TRACK_NAME)
                             : type == META_INSTRUMENT ? IDS_META_INSTRUMENT
                             : type == META_LYRIC      ? IDS_META_LYRIC
                             : type == META_MARKER     ? IDS_META_MARKER
                                                       : IDS_META_CUE_POINT;
        if (field == NAME_EVENT) return Text(name);
        if (field == NAME_LABEL1) return Text(type == META_NOTICE ? IDS_LABEL_NOTICE : IDS_LABEL_TEXT_EVENT);
        if (field == NAME_VALUE1) return BytesToUtf8(p, n);
        return std::nullopt;
    }
    case META_CHANNEL_PREFIX:
        if (field == NAME_EVENT) return Text(IDS_META_CHANNEL_PREFIX);
        if (field == NAME_LABEL1) return Text(IDS_LABEL_CHANNEL_PREFIX);
        if (field != NAME_VALUE1 || !needs(1)) return std::nullopt;
        return Format(IDS_FMT_NUMBER, p[0]);
    case META_TEMPO: {
        if (field == NAME_EVENT) return Text(IDS_META_TEMPO);
        if (field == NAME_LABEL1) return Text(IDS_LABEL_TEMPO);
        if (field != NAME_VALUE1 || !needs(3)) return std::nullopt;
        long microsPerQuarter = (long{p[0]} << 16) | (long{p[1]} << 8) | p[2];
        if (microsPerQuarter == 0) {
            *malformed = true;
            return std::nullopt;
        }
        return Format(IDS_FMT_TEMPO, 60000000.0 / static_cast<double>(microsPerQuarter));
    }
    case META_SMPTE:
        if (field == NAME_EVENT) return Text(IDS_META_SMPTE);
        if (field == NAME_LABEL1) return Text(IDS_LABEL_SMPTE);
        if (field != NAME_VALUE1 || !needs(5)) return std::nullopt;
        // The hour byte also carries the frame rate in bits 5-6.
        return Format(IDS_FMT_SMPTE, p[0] & 0x1F, p[1], p[2], p[3], p[4]);
    case META_TIME_SIGNATURE:
        if (field == NAME_EVENT) return Text(IDS_META_TIME_SIGNATURE);
        if (field == NAME_LABEL1) return Text(IDS_LABEL_TIME_SIGNATURE);
        if (field != NAME_VALUE1 || !needs(2)) return std::nullopt;
        if (p[1] > 30) {
            *malformed = true;
            return std::nullopt;
        }
        return Format(IDS_FMT_TIME_SIGNATURE, p[0], 1 << p[1]);
    case META_KEY_SIGNATURE:
        if (field == NAME_EVENT) return Text(IDS_META_KEY_SIGNATURE);
        if (field == NAME_LABEL1) return Text(IDS_LABEL_KEY_SIGNATURE);
        if (field == NAME_LABEL2) return Text(IDS_LABEL_MAJOR_MINOR);
        if (field == NAME_VALUE1 && needs(1))
            return Format(IDS_FMT_NUMBER, static_cast<int>(static_cast<std::int8_t>(p[0])));
        if (field == NAME_VALUE2 && needs(2)) return Text(p[1] ? IDS_MINOR : IDS_MAJOR);
        return std::nullopt;
    case META_SEQUENCER_SPECIFIC: {
        if (n >= 2 && p[0] == SEQSPEC_MANUFACTURER) {
            switch (p[1]) {
            case SEQSPEC_TRACK_ATTRIBUTES:
                return Only(field, NAME_EVENT, Text(IDS_SEQSPEC_TRACK_ATTRIBUTES));
            case SEQSPEC_DLS_FILE:
                return Only(field, NAME_EVENT, Text(IDS_SEQSPEC_DLS_FILE));
            case SEQSPEC_KEYNOTE:
                return Only(field, NAME_EVENT, Text(IDS_SEQSPEC_KEYNOTE));
            case SEQSPEC_SUMMARY:
                return Only(field, NAME_EVENT, Text(IDS_SEQSPEC_SUMMARY));
            default:
                return Only(field, NAME_EVENT, Format(IDS_SEQSPEC_UNDEFINED, static_cast<unsigned>(p[1])));
            }
        }
        return Only(field, NAME_EVENT, Text(IDS_META_SEQUENCER_SPECIFIC));
    }
    default:
        return Only(field, NAME_EVENT, Format(IDS_META_UNKNOWN, static_cast<int>(type)));
    }
}

} // namespace mp::naming

// Records exchanged between the host and the editor: event keys, the 64-byte MIDI event record,
// and the track, block and notification records (layouts only; helpers are in mp/record_helpers.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "win/com.h"

namespace mp {

struct EventKey {
    std::uint32_t track; // 0 = none
    std::uint32_t block; // 0 for a track key
    std::uint32_t event; // 0 for a track or block key
};
static_assert(sizeof(EventKey) == 12);
static_assert(offsetof(EventKey, track) == 0 && offsetof(EventKey, block) == 4 && offsetof(EventKey, event) == 8);

// Event kinds: one bit each.
enum : std::uint32_t {
    MEK_NONE = 0x1,
    MEK_PACKED_NRPN = 0x2,
    MEK_PACKED_RPN = 0x4,
    MEK_BANK_PROGRAM = 0x8,
    MEK_SHORT_MSG = 0x10,
    MEK_NOTE_OFF = 0x20,
    MEK_NOTE = 0x40,
    MEK_POLY_PRESSURE = 0x80,
    MEK_CONTROL = 0x100,
    MEK_PROGRAM = 0x200,
    MEK_AFTERTOUCH = 0x400,
    MEK_PITCH_BEND = 0x800,
    MEK_SYSEX = 0x10000,
    MEK_SYSEX_CONTINUE = 0x20000,
    MEK_MCI = 0x40000,
    MEK_LONG_MSG = 0x80000,
    MEK_META = 0x100000,
    MEK_WAVE = 0x200000,
    MEK_ALL = 0x3F0FFF,
    MEK_VARIABLE = MEK_SYSEX | MEK_SYSEX_CONTINUE | MEK_MCI | MEK_LONG_MSG | MEK_META,
};

constexpr std::uint32_t MEF_SELECTED = 0x4;
constexpr std::uint32_t TIME_FORMAT_NANOSECONDS = 1;
constexpr std::uint32_t TIME_FORMAT_TICKS = 2;

// 64 bytes, little-endian. For variable-length kinds, bytes 44-47 hold a task-memory handle
// (win::CoTaskMemAllocHandle) naming the data, and `length` its byte count.
struct MidiEventRecord {
    std::uint32_t kind;
    std::uint32_t flags;
    std::uint32_t hostWord;
    std::uint32_t port;
    std::int32_t channel;
    std::uint32_t sourceWord;
    std::int64_t time;
    std::uint32_t timeFormat;
    std::uint32_t reserved;
    std::uint32_t length; // duration in ticks for notes; byte length for variable-length kinds
    union {
        std::uint8_t data[4];
        std::uint32_t dataHandle;
    };
    std::uint8_t hostData[16];
};
static_assert(sizeof(MidiEventRecord) == 64);
static_assert(offsetof(MidiEventRecord, kind) == 0);
static_assert(offsetof(MidiEventRecord, flags) == 4);
static_assert(offsetof(MidiEventRecord, hostWord) == 8);
static_assert(offsetof(MidiEventRecord, port) == 12);
static_assert(offsetof(MidiEventRecord, channel) == 16);
static_assert(offsetof(MidiEventRecord, sourceWord) == 20);
static_assert(offsetof(MidiEventRecord, time) == 24);
static_assert(offsetof(MidiEventRecord, timeFormat) == 32);
static_assert(offsetof(MidiEventRecord, reserved) == 36);
static_assert(offsetof(MidiEventRecord, length) == 40);
static_assert(offsetof(MidiEventRecord, data) == 44);
static_assert(offsetof(MidiEventRecord, dataHandle) == 44);
static_assert(offsetof(MidiEventRecord, hostData) == 48);

// First 36 bytes of the host's level-1 record.
struct TrackRecord {
    std::uint32_t reserved0;
    std::uint32_t attributes; // bit 0 = solo (written with change mask 0x1000)
    std::uint32_t reserved8;
    std::uint32_t port;
    std::int32_t channel; // -1 = none
    std::int32_t velocityOffset;
    std::int32_t pitchOffset;
    std::uint32_t order;
    std::uint32_t nameHandle; // task-memory handle of a UTF-16 name, with flag 0x10000000
};
static_assert(sizeof(TrackRecord) == 36);
static_assert(offsetof(TrackRecord, attributes) == 4);
static_assert(offsetof(TrackRecord, port) == 12);
static_assert(offsetof(TrackRecord, channel) == 16);
static_assert(offsetof(TrackRecord, velocityOffset) == 20);
static_assert(offsetof(TrackRecord, pitchOffset) == 24);
static_assert(offsetof(TrackRecord, order) == 28);
static_assert(offsetof(TrackRecord, nameHandle) == 32);
constexpr std::uint32_t TRACK_SOLO = 0x1;

// First 48 bytes of the host's level-2 record.
struct BlockRecord {
    std::uint8_t reserved0[16];
    std::int64_t start;
    std::int64_t end;
    std::uint32_t timeFormat;
    std::uint32_t reserved36;
    std::uint32_t reserved40;
    std::uint32_t nameHandle; // task-memory handle of a UTF-16 name, with flag 0x10000000
};
static_assert(sizeof(BlockRecord) == 48);
static_assert(offsetof(BlockRecord, start) == 16);
static_assert(offsetof(BlockRecord, end) == 24);
static_assert(offsetof(BlockRecord, timeFormat) == 32);
static_assert(offsetof(BlockRecord, nameHandle) == 44);

// 72 bytes, from the host's notification sink.
struct NotificationRecord {
    win::GUID id;
    std::uint8_t reserved16[20];
    std::uint32_t changeFlags;
    std::uint32_t value;
    std::uint32_t level; // 1 track, 2 block, 3 event
    EventKey oldKey;
    EventKey newKey;
};
static_assert(sizeof(NotificationRecord) == 72);
static_assert(offsetof(NotificationRecord, changeFlags) == 36);
static_assert(offsetof(NotificationRecord, value) == 40);
static_assert(offsetof(NotificationRecord, level) == 44);
static_assert(offsetof(NotificationRecord, oldKey) == 48);
static_assert(offsetof(NotificationRecord, newKey) == 60);

enum : std::uint32_t {
    NCF_POSITION_MOVED = 0x10,
    NCF_POSITION_MOVED2 = 0x20,
    NCF_MODIFIED = 0x10000,
    NCF_INSERTED = 0x20000,
    NCF_DELETED = 0x40000,
    NCF_REPLACED = 0x80000,
    NCF_INSERTED2 = 0x100000,
    NCF_OTHER = 0x200000,
    NCF_IMMEDIATE = 0x80000000u,
};

} // namespace mp

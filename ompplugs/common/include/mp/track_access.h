// TrackAccess: the editor's read access to the selected track (notes in a time range, pitch rows,
// selection, transport and loop values) and note preview.
#pragma once

#include <cstdint>
#include <vector>

#include "mp/host_contract.h"
#include "mp/records.h"
#include "win/com.h"

namespace mp {

class COPTPlugin;

// One row of the pitch-row table: row r shows note 127 - r.
struct PitchRow {
    int note;
    int octave;
    char name[6];
    int keyShape; // 2 black key, 1 white key with a boundary (C, F), 0 other white key
};

// The host interfaces a TrackAccess reads through. Borrowed: whoever made the TrackAccess keeps them
// alive for its lifetime (the plug-in object holds them until Uninitialise).
struct TrackHost {
    IMPMidiData* data = nullptr;
    IMPProperties* properties = nullptr;
    IMPMidiOut* midiOut = nullptr;
    win::DWORD ticksPerQuarter = 0; // 0 -> 24576
};

// Everything runs on the editor window's thread.
class TrackAccess {
public:
    static constexpr int kRowCount = 128;
    static constexpr std::uint32_t kDefaultKindFilter = MEK_NOTE | MEK_CONTROL | MEK_PITCH_BEND;

    explicit TrackAccess(const TrackHost& host);
    // The host interfaces of a plug-in object (null members when it is not initialised).
    static TrackHost HostOf(const COPTPlugin* plugin);

    TrackAccess(const TrackAccess&) = delete;
    TrackAccess& operator=(const TrackAccess&) = delete;

    // Shows the track with this host id (0: none) and reads its events. S_FALSE for id 0, the host's
    // failure code otherwise (the shown list is then empty).
    win::HRESULT SelectTrack(std::uint32_t trackId);
    // Reads the shown track's blocks and events again (after host changes).
    win::HRESULT Reload();
    std::uint32_t TrackId() const noexcept { return trackId_; }
    std::uint32_t KindFilter() const noexcept { return kindFilter_; }
    void SetKindFilter(std::uint32_t kinds) noexcept;

    win::DWORD TicksPerQuarter() const noexcept { return ticksPerQuarter_; }
    // Channel of the track (-1 none), its velocity and total pitch offsets.
    int TrackChannel() const noexcept { return channel_; }

    // The shown events in event order.
    int GetEventCount() const noexcept { return static_cast<int>(events_.size()); }
    // S_FALSE when the index is out of range.
    win::HRESULT GetEventKeyAt(int index, EventKey* key) const;
    // The record from the host with the offsets applied. E_INVALIDARG for an unknown key.
    win::HRESULT GetEvent(const EventKey& key, MidiEventRecord* record) const;
    // Notes only (kind 0x40), ends counted: advances *cursor to the next note that lies in
    // [start, start + length] (start -1: every time) and returns its key and record, the record's time
    // made absolute and the offsets applied. S_FALSE at the end. A cursor of -1 (or any value before the
    // first candidate) starts at the first note that can overlap the range, so a query costs what it
    // returns, not what the track holds.
    win::HRESULT NextEventInRange(int* cursor, std::int64_t start, std::int64_t length, EventKey* key,
                                  MidiEventRecord* record) const;
    bool IsEventSelected(const EventKey& key) const;
    bool AnyEventSelected() const noexcept;
    // End of the last note or event (absolute ticks); 0 for an empty track.
    std::int64_t TrackEnd() const noexcept { return trackEnd_; }

    // S_FALSE for an index outside 0..127.
    win::HRESULT GetPitchRow(int index, PitchRow* row) const;
    int RowOfNote(int note) const noexcept { return note >= 0 && note < kRowCount ? 127 - note : -1; }

    // Transport and loop values of the host (false / 0 when they cannot be read).
    bool IsPlaying() const;
    std::int64_t GetPlaybackPosition() const;
    bool GetLoopRegion(std::int64_t* start, std::int64_t* end) const;
    // beats per bar x 65536 + note value (4/4 when unreadable).
    std::uint32_t GetTimeSignature() const;

    // Sounds (on) or stops a note through the host's MIDI-out object. Does nothing without one or
    // when monitoring is off, unless forced. S_FALSE when nothing was sent.
    win::HRESULT PlayNote(int note, std::int64_t duration, int velocity, bool on, bool force = false);
    bool Monitoring() const noexcept { return monitor_; }
    void SetMonitoring(bool on) noexcept { monitor_ = on; }

private:
    struct Entry {
        EventKey key;
        std::int64_t start;
        std::uint32_t length;
        std::uint32_t kind;
        std::uint32_t flags;
        std::uint8_t data1;
        std::uint8_t data2;
        std::int8_t channel;
    };
    void Clear();
    std::uint8_t ApplyPitch(std::uint8_t value) const noexcept;
    std::uint8_t ApplyVelocity(std::uint8_t value) const noexcept;
    void FillRecord(const Entry& e, MidiEventRecord* record) const;
    const Entry* Find(const EventKey& key) const;

    TrackHost host_;
    win::DWORD ticksPerQuarter_;
    std::uint32_t trackId_ = 0;
    std::uint32_t kindFilter_ = kDefaultKindFilter;
    int channel_ = -1;
    std::uint32_t port_ = 0;
    int pitchOffset_ = 0;
    int velocityOffset_ = 0;
    bool monitor_ = false;
    std::vector<Entry> events_;          // event order
    std::vector<std::int32_t> notes_;    // indices of the notes in events_, in event order
    std::vector<std::int64_t> noteMaxEnd_; // running maximum of the notes' ends, for range starts
    std::int64_t trackEnd_ = 0;
    PitchRow rows_[kRowCount];
};

} // namespace mp

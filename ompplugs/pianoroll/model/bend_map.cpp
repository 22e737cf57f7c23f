// The bend map: bend values and registered parameter 0 followed through a track's controllers per
// channel, and reading it from the shown track (with or without the pending edit).
#include "model/bend_map.h"

#include <algorithm>

#include "model/event_records.h"
#include "model/pending_edit.h"
#include "model/semitones.h"
#include "mp/track_access.h"

namespace pianoroll {

namespace {

enum : int {
    kDataEntryMsb = 6,
    kDataEntryLsb = 38,
    kNonRegisteredLsb = 98,
    kNonRegisteredMsb = 99,
    kRegisteredLsb = 100,
    kRegisteredMsb = 101,
    kResetAllControllers = 121,
};
// The controllers that decide the bend range.
constexpr int kRangeControllers[] = {kDataEntryMsb,    kDataEntryLsb,  kNonRegisteredLsb,   kNonRegisteredMsb,
                                     kRegisteredLsb,   kRegisteredMsb, kResetAllControllers};
constexpr int kNullParameter = 127;
constexpr int kCentsPerSemitone = 100;
constexpr int kDefaultRangeCents = static_cast<int>(kDefaultBendRange * kCentsPerSemitone);

bool ValidChannel(int channel) { return channel >= 0 && channel < kMidiChannels; }

const ChannelSteps& NoSteps() {
    static const ChannelSteps none;
    return none;
}

} // namespace

void ChannelSteps::Add(std::int64_t tick, int value) {
    if (!values_.empty() && values_.back().tick == tick) values_.back().value = value;
    else values_.push_back({tick, value});
}

int ChannelSteps::At(std::int64_t tick, int fallback) const {
    const auto after = std::upper_bound(values_.begin(), values_.end(), tick,
                                        [](std::int64_t t, const TimedValue& v) { return t < v.tick; });
    return after == values_.begin() ? fallback : std::prev(after)->value;
}

std::span<const TimedValue> ChannelSteps::Between(std::int64_t from, std::int64_t to) const {
    const auto first = std::upper_bound(values_.begin(), values_.end(), from,
                                        [](std::int64_t t, const TimedValue& v) { return t < v.tick; });
    const auto last = std::lower_bound(first, values_.end(), to,
                                       [](const TimedValue& v, std::int64_t t) { return v.tick < t; });
    return {first, last};
}

void BendMap::AddBend(int channel, std::int64_t tick, int value) {
    if (ValidChannel(channel)) bends_[static_cast<std::size_t>(channel)].Add(tick, std::clamp(value, 0, kBendMax));
}

void BendMap::AddController(int channel, std::int64_t tick, int controller, int value) {
    if (!ValidChannel(channel)) return;
    const auto c = static_cast<std::size_t>(channel);
    ParameterChoice& choice = choice_[c];
    ChannelSteps& ranges = ranges_[c];
    switch (controller) {
    case kRegisteredMsb: choice.msb = value, choice.nonRegistered = false; return;
    case kRegisteredLsb: choice.lsb = value, choice.nonRegistered = false; return;
    case kNonRegisteredMsb:
    case kNonRegisteredLsb: choice.nonRegistered = true; return;
    case kResetAllControllers: choice = ParameterChoice{}; return;
    default: break;
    }
    const bool sensitivity = !choice.nonRegistered && choice.msb == 0 && choice.lsb == 0;
    if (!sensitivity) return;
    // A new semitone count clears the cents, as any new MSB of a data entry does.
    if (controller == kDataEntryMsb) ranges.Add(tick, value * kCentsPerSemitone);
    else if (controller == kDataEntryLsb)
        ranges.Add(tick, ranges.At(tick, kDefaultRangeCents) / kCentsPerSemitone * kCentsPerSemitone + value);
}

double BendMap::RangeAt(int channel, std::int64_t tick) const {
    return static_cast<double>(Ranges(channel).At(tick, kDefaultRangeCents)) / kCentsPerSemitone;
}

double BendMap::LargestRange(int channel) const {
    int largest = kDefaultRangeCents;
    for (const TimedValue& v : Ranges(channel).Values()) largest = std::max(largest, v.value);
    return static_cast<double>(largest) / kCentsPerSemitone;
}

int BendMap::BendAt(int channel, std::int64_t tick) const { return Bends(channel).At(tick, kBendCentre); }

bool BendMap::BentDuring(int channel, std::int64_t start, std::int64_t end) const {
    if (BendAt(channel, start) != kBendCentre) return true;
    for (const TimedValue& v : Bends(channel).Between(start, end))
        if (v.value != kBendCentre) return true;
    return false;
}

const ChannelSteps& BendMap::Bends(int channel) const {
    return ValidChannel(channel) ? bends_[static_cast<std::size_t>(channel)] : NoSteps();
}

const ChannelSteps& BendMap::Ranges(int channel) const {
    return ValidChannel(channel) ? ranges_[static_cast<std::size_t>(channel)] : NoSteps();
}

int SoundingChannel(int trackChannel, int eventChannel) {
    if (ValidChannel(trackChannel)) return trackChannel;
    return ValidChannel(eventChannel) ? eventChannel : 0;
}

BendMap BuildBendMap(const std::vector<LaneEvent>& events, int trackChannel) {
    BendMap map;
    for (const LaneEvent& e : events) {
        const int channel = SoundingChannel(trackChannel, e.channel);
        if (e.kind == LaneKind::PitchBend) map.AddBend(channel, e.tick, e.value);
        else map.AddController(channel, e.tick, e.controller, e.value);
    }
    return map;
}

BendMap ReadBendMap(mp::TrackAccess* access, bool pending) {
    if (!access) return {};
    std::vector<LaneEvent> events;
    pending = pending && access->HasQueuedEdits();
    mp::TrackAccess::EventFilter queued;
    if (pending)
        queued = [access](const NoteKey& key) { return access->IsQueuedDelete(key) || access->GetQueuedModify(key); };
    access->ForEachEventInRange(-1, 0, mp::MEK_CONTROL | mp::MEK_PITCH_BEND, queued,
                                [&](const mp::TrackAccess::WalkedEvent& e) {
                                    LaneEvent event;
                                    if (records::ToLaneEvent(e.record, EventRef{e.key, -1, e.blockStart}, &event))
                                        events.push_back(event);
                                });
    if (pending) {
        const PendingEdit edit(access);
        auto add = [&](const LaneEvent& e) { events.push_back(e); };
        edit.ForEachQueuedLaneEvent(LaneFilter{LaneKind::PitchBend}, add);
        for (int controller : kRangeControllers) edit.ForEachQueuedLaneEvent(LaneFilter{LaneKind::Controller, controller}, add);
        std::stable_sort(events.begin(), events.end(), [](const LaneEvent& a, const LaneEvent& b) { return a.tick < b.tick; });
    }
    return BuildBendMap(events, access->TrackChannel());
}

} // namespace pianoroll

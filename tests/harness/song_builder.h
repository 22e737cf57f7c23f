// Building a song straight in the host model's store, shared by the editor and track fixtures.
#pragma once

#include <cstdint>
#include <string>

#include "model/host_project.h"

namespace harness {

// A track named `name` on `channel` (-1: none), at `order` (0: after the last one).
inline std::uint32_t InsertTrack(host::HostProject* project, const std::u16string& name, int channel,
                                 std::uint32_t order = 0, int pitchOffset = 0, int velocityOffset = 0) {
    return project->WithStore([&](host::Store& store) {
        host::TrackValue value;
        value.name = name;
        value.channel = channel;
        value.order = order ? order : static_cast<std::uint32_t>(store.TrackCount() + 1);
        value.pitchOffset = pitchOffset;
        value.velocityOffset = velocityOffset;
        std::uint32_t id = 0;
        store.InsertTrack(value, &id);
        return id;
    });
}

inline std::uint32_t InsertBlock(host::HostProject* project, std::uint32_t track, std::int64_t start,
                                 std::int64_t end) {
    return project->WithStore([&](host::Store& store) {
        host::BlockValue value;
        value.track = track;
        value.start = start;
        value.end = end;
        std::uint32_t id = 0;
        store.InsertBlock(value, &id);
        return id;
    });
}

inline std::uint32_t InsertEvent(host::HostProject* project, std::uint32_t block, std::int64_t time,
                                 std::uint32_t kind, std::uint32_t length, int data1, int data2, int channel = 0,
                                 bool selected = false) {
    return project->WithStore([&](host::Store& store) {
        host::EventValue value;
        value.block = block;
        value.time = time;
        value.kind = kind;
        value.channel = channel;
        value.length = length;
        value.flags = selected ? mp::MEF_SELECTED : 0;
        value.data[0] = static_cast<std::uint8_t>(data1);
        value.data[1] = static_cast<std::uint8_t>(data2);
        std::uint32_t id = 0;
        store.InsertEvent(value, &id);
        return id;
    });
}

} // namespace harness

// SongFixture: the host model's project and MIDI-out object, with a song built straight in the
// project's store. The base of the editor fixture and the track fixture.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "model/host_project.h"
#include "model/midi_out.h"

namespace harness {

class SongFixture : public ::testing::Test {
protected:
    void SetUp() override {
        project = host::HostProject::Create();
        midiOut = host::HostMidiOut::Create([this](const mp::MidiEventRecord& record, const std::uint8_t*, std::size_t) {
            sent.push_back(record);
            return win::S_OK;
        });
    }
    void TearDown() override {
        if (midiOut) midiOut->Release();
        if (project) {
            project->SetThreadedDelivery(false);
            project->Release();
        }
        midiOut = nullptr;
        project = nullptr;
    }

    // A track named `name` on `channel` (-1: none), at `order` (0: after the last one).
    std::uint32_t AddTrack(const std::u16string& name, int channel = -1, std::uint32_t order = 0, int pitchOffset = 0,
                           int velocityOffset = 0) {
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
    std::uint32_t AddBlock(std::uint32_t track, std::int64_t start, std::int64_t end) {
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
    std::uint32_t AddEvent(std::uint32_t block, std::int64_t time, std::uint32_t kind, std::uint32_t length, int data1,
                           int data2, int channel = 0, bool selected = false) {
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
    // Changes a stored event, block or track in the host's store, as the host's own editing would.
    template <class Change> void ChangeEvent(std::uint32_t id, Change change) {
        project->WithStore([&](host::Store& s) { auto v = s.Event(id); change(v); s.SetEvent(id, v); });
    }
    template <class Change> void ChangeBlock(std::uint32_t id, Change change) {
        project->WithStore([&](host::Store& s) { auto v = *s.Block(id); change(v); s.SetBlock(id, v); });
    }
    template <class Change> void ChangeTrack(std::uint32_t id, Change change) {
        project->WithStore([&](host::Store& s) { auto v = *s.Track(id); change(v); s.SetTrack(id, v); });
    }
    // Every stored event of a track, block by block, with its block's start.
    template <class Visit> void ForEachStoredEvent(std::uint32_t track, Visit visit) {
        project->WithStore([&](host::Store& s) {
            for (std::uint32_t b : s.BlocksOf(track))
                for (std::uint32_t e : s.EventsOf(b)) visit(e, s.Block(b)->start, s.Event(e));
        });
    }
    // The name of the step Undo would take back, as plain text.
    std::string UndoText() {
        const std::u16string name = project->WithStore([](host::Store& store) { return store.UndoName(); });
        return std::string(name.begin(), name.end());
    }
    std::size_t UndoCount() {
        return project->WithStore([](host::Store& store) { return store.UndoCount(); });
    }

    host::HostProject* project = nullptr;
    host::HostMidiOut* midiOut = nullptr;
    std::vector<mp::MidiEventRecord> sent; // what the plug-in played through the MIDI-out object
};

} // namespace harness

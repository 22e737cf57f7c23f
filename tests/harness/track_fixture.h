// TrackFixture: a song in the host model and a piano-roll plug-in object made in this process and
// connected to it, with a TrackAccess over it, for tests of the cache, the edit queues and the
// clipboard. The deferred phase of notifications runs when the test calls Deliver(), as the editor
// window does when it handles PRM_TRACK_LIST_CHANGED.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "module/pianoroll_plugin.h"
#include "mp/track_access.h"
#include "song_fixture.h"
#include "win/win.h"

namespace harness {

class TrackFixture : public SongFixture {
protected:
    void SetUp() override {
        SongFixture::SetUp();
        ASSERT_EQ(mp::NewPianoRollPlugin(0, &plugin), win::S_OK);
        plugin->AddRef();
    }
    void TearDown() override {
        ClearClipboard();
        access.reset();
        if (plugin) {
            plugin->Uninitialise();
            plugin->Release();
        }
        SongFixture::TearDown();
    }

    // Connects the plug-in object, loads the track table and opens a TrackAccess on track index 0.
    void Connect(std::uint32_t kindFilter = mp::MEK_NOTE | mp::MEK_CONTROL | mp::MEK_PITCH_BEND) {
        win::DWORD caps = 0;
        ASSERT_EQ(plugin->Initialise(static_cast<mp::IMPMidiData*>(project), midiOut, mp::INIT_MODE_EDITOR, 0, &caps),
                  win::S_OK);
        plugin->SetKindFilter(kindFilter);
        plugin->ReloadTracks(true);
        access = std::make_unique<mp::TrackAccess>(mp::TrackAccess::HostOf(plugin));
    }
    // Tests of copying and pasting start from an empty clipboard; every test leaves one.
    static void ClearClipboard() {
        if (win::OpenClipboard(nullptr)) {
            win::EmptyClipboard();
            win::CloseClipboard();
        }
    }
    // The deferred phase, as the editor window runs it.
    void Deliver() {
        project->FlushNotifications();
        plugin->ProcessNotifications(false);
    }

    std::uint32_t AddNote(std::uint32_t block, std::int64_t time, std::uint32_t duration, int note, int velocity = 100,
                          bool selected = false) {
        return AddEvent(block, time, mp::MEK_NOTE, duration, note, velocity, 0, selected);
    }
    host::EventValue Stored(std::uint32_t event) {
        return project->WithStore([&](host::Store& store) { return store.Event(event); });
    }
    bool Alive(std::uint32_t event) {
        return project->WithStore([&](host::Store& store) { return store.EventAlive(event); });
    }
    std::u16string UndoName() {
        return project->WithStore([](host::Store& store) { return store.UndoName(); });
    }
    // Event ids of the shown list, in list order (built first when no list is shown yet; such
    // rebuilds are counted, so upkeep tests can tell that notifications, not a rebuild, did the work).
    std::vector<std::uint32_t> ListedEvents() {
        if (!(plugin->Flags() & mp::PLF_EVENT_LIST_VALID)) ++rebuilds;
        if (access) access->GetEventCount();
        return CachedEvents();
    }
    // Event ids of the list exactly as the plug-in object holds it now.
    std::vector<std::uint32_t> CachedEvents() { return IdsOf(plugin); }
    static std::vector<std::uint32_t> IdsOf(mp::COPTPianoRollPlugin* object) {
        std::vector<std::uint32_t> ids;
        for (const mp::EventEntry& e : object->EventList()) ids.push_back(e.key.event);
        return ids;
    }
    // Event ids in list order of the notes of a track (all tracks with index -1), straight from the
    // host: the list a rebuild from scratch gives.
    std::vector<std::uint32_t> RebuiltEvents(int trackIndex) {
        mp::COPTPianoRollPlugin* fresh = nullptr;
        EXPECT_EQ(mp::NewPianoRollPlugin(0, &fresh), win::S_OK);
        fresh->AddRef();
        win::DWORD caps = 0;
        fresh->Initialise(static_cast<mp::IMPMidiData*>(project), nullptr, mp::INIT_MODE_EDITOR, 0, &caps);
        fresh->SetKindFilter(plugin->KindFilter());
        fresh->ReloadTracks(true);
        fresh->SelectTrack(trackIndex, -1);
        const std::vector<std::uint32_t> ids = IdsOf(fresh);
        fresh->Uninitialise();
        fresh->Release();
        return ids;
    }

    mp::COPTPianoRollPlugin* plugin = nullptr;
    std::unique_ptr<mp::TrackAccess> access;
    int rebuilds = 0;
};

} // namespace harness

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
#include "mp/event_reads.h"
#include "mp/track_access.h"
#include "song_fixture.h"
#include "win/win.h"

namespace harness {

// The host's data and properties passed through, but for the calls a test has it refuse: the track
// walk after the first track and the block walks, reads of a list of events, inserts.
class RefusingHost final : public mp::IMPMidiData, public mp::IMPProperties {
public:
    explicit RefusingHost(host::HostProject* to) : to_(to) {}
    win::HRESULT QueryInterface(const win::IID& riid, void** ppv) override {
        if (riid == mp::IID_IMPMidiData) *ppv = static_cast<mp::IMPMidiData*>(this);
        else if (riid == mp::IID_IMPProperties) *ppv = static_cast<mp::IMPProperties*>(this);
        else return to_->QueryInterface(riid, ppv);
        return win::S_OK;
    }
    win::ULONG AddRef() override { return 2; }
    win::ULONG Release() override { return 1; }
    win::HRESULT FindFirst(mp::EventKey* k, win::DWORD l, void* r, win::BOOL* m, win::DWORD a) override {
        return walks && l == mp::LEVEL_BLOCK ? win::E_OUTOFMEMORY : to_->FindFirst(k, l, r, m, a);
    }
    win::HRESULT FindNext(mp::EventKey* k, win::DWORD l, void* r, win::BOOL* m, win::DWORD a) override {
        return walks && l == mp::LEVEL_TRACK ? win::E_ACCESSDENIED : to_->FindNext(k, l, r, m, a);
    }
    win::HRESULT FindPrevious(mp::EventKey* k, win::DWORD l, void* r, win::BOOL* m, win::DWORD a) override {
        return to_->FindPrevious(k, l, r, m, a);
    }
    win::HRESULT Get(const mp::EventKey* k, win::DWORD l, void* r, win::DWORD f) override { return to_->Get(k, l, r, f); }
    win::HRESULT Set(const mp::EventKey* k, win::DWORD l, const void* r, win::DWORD m) override { return to_->Set(k, l, r, m); }
    win::HRESULT Insert(mp::EventKey* k, win::DWORD l, const void* r) override {
        return inserts ? win::E_ACCESSDENIED : to_->Insert(k, l, r);
    }
    win::HRESULT Delete(win::DWORD l, const mp::EventKey* k) override { return to_->Delete(l, k); }
    win::HRESULT BeginTransaction(win::DWORD kind, const char16_t* name) override { return to_->BeginTransaction(kind, name); }
    win::HRESULT EndTransaction(win::BOOL changed) override { return to_->EndTransaction(changed); }
    win::HRESULT SelectEvents(win::DWORD l, const mp::EventKey* s, win::DWORD k, win::DWORD r3, win::DWORD r4, win::DWORD r5,
                              win::DWORD r6, win::DWORD r7, win::DWORD mode) override {
        return to_->SelectEvents(l, s, k, r3, r4, r5, r6, r7, mode);
    }
    win::HRESULT GetProperty(const win::GUID& id, win::DWORD s1, win::DWORD s2, win::DWORD r, win::DWORD size,
                             void* out) override {
        return listReads && id == mp::PID_READ_EVENT_LIST ? win::E_NOTIMPL : to_->GetProperty(id, s1, s2, r, size, out);
    }
    win::HRESULT SetProperty(const win::GUID& id, win::DWORD s1, win::DWORD s2, win::DWORD size, const void* in) override {
        return to_->SetProperty(id, s1, s2, size, in);
    }
    // What is refused.
    bool walks = false, listReads = false, inserts = false;

private:
    host::HostProject* to_;
};

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

    // Connects the plug-in object (to the project, or to a host in front of it), loads the track
    // table and opens a TrackAccess on track index 0.
    void Connect(std::uint32_t kindFilter = mp::MEK_NOTE | mp::MEK_CONTROL | mp::MEK_PITCH_BEND,
                 mp::IMPMidiData* host = nullptr) {
        win::DWORD caps = 0;
        ASSERT_EQ(plugin->Initialise(host ? host : static_cast<mp::IMPMidiData*>(project), midiOut, mp::INIT_MODE_EDITOR,
                                     0, &caps),
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

    // A host in front of the project that refuses what the test chooses; it outlives the connection.
    RefusingHost& Refusing() {
        if (!refusing) refusing = std::make_unique<RefusingHost>(project);
        return *refusing;
    }

    std::unique_ptr<RefusingHost> refusing;
    mp::COPTPianoRollPlugin* plugin = nullptr;
    std::unique_ptr<mp::TrackAccess> access;
    int rebuilds = 0;
};

} // namespace harness

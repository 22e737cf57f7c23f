// Initialise and Uninitialise against the host model: mode check, failure paths, sinks, ports.
#include <gtest/gtest.h>

#include "editor_fixture.h"
#include "mp/plugin.h"

namespace {

using namespace win;

// A host object that hides one of the host's interfaces, to make Initialise fail part-way.
class PartialHost final : public IUnknown {
public:
    PartialHost(IUnknown* host, const IID& hidden) : host_(host), hidden_(hidden) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == hidden_) return E_NOINTERFACE;
        if (riid == IID_IUnknown) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        return host_->QueryInterface(riid, ppv);
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    int refs = 0;

private:
    IUnknown* host_;
    IID hidden_;
};

class Initialise : public harness::EditorFixture {
protected:
    void SetUp() override {
        harness::EditorFixture::SetUp();
        CreatePlugin();
    }
    // References on the host project other than the fixture's own.
    int ForeignHostRefs() {
        int count = static_cast<int>(project->AddRef());
        project->Release();
        return count - 2;
    }
    int MidiOutRefs() {
        int count = static_cast<int>(midiOut->AddRef());
        midiOut->Release();
        return count - 2;
    }
    // Nothing of the host is held: no sink, no foreign reference on the project or the MIDI-out object.
    void ExpectDisconnected() {
        EXPECT_EQ(project->SinkCount(), 0u);
        EXPECT_EQ(ForeignHostRefs(), 0);
        EXPECT_EQ(MidiOutRefs(), 0);
    }
    mp::COPTPlugin* Object() { return static_cast<mp::COPTPlugin*>(init); }
};

TEST_F(Initialise, ConnectsAndDisconnects) {
    ASSERT_EQ(InitialisePlugin(), S_OK);
    EXPECT_EQ(project->SinkCount(), 1u);
    EXPECT_GT(ForeignHostRefs(), 0);
    EXPECT_EQ(MidiOutRefs(), 1);
    EXPECT_EQ(init->Uninitialise(), S_OK);
    ExpectDisconnected();
    EXPECT_EQ(init->Uninitialise(), S_OK) << "a second Uninitialise is harmless";
}

TEST_F(Initialise, CapabilitiesAreMaskedAndTicksPerQuarterRead) {
    project->WithStore([](host::Store& store) { store.SetTicksPerQuarter(960); });
    DWORD capabilities = 0xFFFFFFFF;
    ASSERT_EQ(init->Initialise(static_cast<mp::IMPMidiData*>(project), nullptr, 1, 0, &capabilities), S_OK);
    EXPECT_EQ(capabilities, 0u);
    EXPECT_EQ(Object()->TicksPerQuarter(), 960u);
    EXPECT_EQ(MidiOutRefs(), 0) << "the MIDI-out object may be absent";
}

TEST_F(Initialise, ModeWithoutEditorBitFailsAndHoldsNothing) {
    EXPECT_EQ(InitialisePlugin(0x2), E_FAIL);
    ExpectDisconnected();
    EXPECT_EQ(InitialisePlugin(), S_OK) << "the object stays reusable";
    EXPECT_EQ(project->SinkCount(), 1u);
}

TEST_F(Initialise, MissingHostInterfaceUndoesEverything) {
    const IID hidden[] = {mp::IID_IMPMidiData, mp::IID_IMPProperties, mp::IID_IMPTimeFormat, mp::IID_IMPPortList,
                          IID_IConnectionPointContainer};
    for (const IID& iid : hidden) {
        PartialHost host(static_cast<mp::IMPMidiData*>(project), iid);
        DWORD capabilities = 0;
        EXPECT_EQ(init->Initialise(&host, midiOut, 1, 0, &capabilities), E_NOINTERFACE);
        EXPECT_EQ(host.refs, 0);
        ExpectDisconnected();
    }
    EXPECT_EQ(init->Initialise(nullptr, midiOut, 1, 0, nullptr), E_POINTER);
    EXPECT_EQ(MidiOutRefs(), 0);
    ASSERT_EQ(InitialisePlugin(), S_OK);
    EXPECT_EQ(project->SinkCount(), 1u);
}

TEST_F(Initialise, SecondInitialiseReplacesTheFirstConnection) {
    ASSERT_EQ(InitialisePlugin(), S_OK);
    const int refs = ForeignHostRefs();
    ASSERT_EQ(InitialisePlugin(), S_OK);
    EXPECT_EQ(ForeignHostRefs(), refs);
    EXPECT_EQ(project->SinkCount(), 1u);
}

TEST_F(Initialise, ReleasingTheObjectDisconnectsIt) {
    ASSERT_EQ(InitialisePlugin(), S_OK);
    init->Release();
    init = nullptr;
    EXPECT_EQ(plugin->Release(), 0u);
    plugin = nullptr;
    ExpectDisconnected();
}

TEST_F(Initialise, OutputPortChoiceFollowsThePortAcrossRefreshes) {
    SetPorts(mp::PORT_KIND_OUTPUT, {{11, u"Synth"}, {12, u"Sequencer A"}, {13, u"Sequencer B"}});
    EXPECT_EQ(Object()->GetPort(1), 0xFFFFFFFFu) << "no port before the first refresh";
    ASSERT_EQ(InitialisePlugin(), S_OK);
    EXPECT_EQ(Object()->GetPort(1), 11u) << "the first port becomes current";
    ASSERT_EQ(Object()->SetPort(1, 13), S_OK);

    // The list changes order; the current port is found again by its GUID, under its new id.
    SetPorts(mp::PORT_KIND_OUTPUT, {{12, u"Sequencer A"}, {13, u"Sequencer B"}});
    EXPECT_EQ(Object()->GetPort(1), 13u);

    // The current port disappears: the first port of the new list takes its place.
    SetPorts(mp::PORT_KIND_OUTPUT, {{12, u"Sequencer A"}, {14, u"Sequencer C"}});
    EXPECT_EQ(Object()->GetPort(1), 12u);

    // No ports at all: nothing is current.
    SetPorts(mp::PORT_KIND_OUTPUT, {});
    EXPECT_EQ(Object()->GetPort(1), 0u);
}

TEST_F(Initialise, PortQueriesDescribeTheLists) {
    SetPorts(mp::PORT_KIND_OUTPUT, {{21, u"Out"}});
    SetPorts(mp::PORT_KIND_INPUT, {{31, u"In 1"}, {32, u"In 2"}});
    ASSERT_EQ(InitialisePlugin(), S_OK);
    mp::MPPortEntry entry{};
    EXPECT_EQ(Object()->GetPortEntry(1, 0, &entry), 0);
    EXPECT_EQ(entry.id, 21u);
    EXPECT_EQ(std::u16string(static_cast<const char16_t*>(CoTaskMemHandlePtr(entry.nameHandle))), u"Out");
    EXPECT_EQ(Object()->GetPortEntry(1, 1, &entry), 1) << "past the end";
    EXPECT_EQ(Object()->QueryMonitoring(), 0);
    // The kind-0 list is refreshed by the host's port notification, not by Initialise.
    EXPECT_EQ(Object()->GetPortEntry(0, 0, &entry), 1);
    SetPorts(mp::PORT_KIND_INPUT, {{31, u"In 1"}, {32, u"In 2"}});
    EXPECT_EQ(Object()->GetPortEntry(0, 1, &entry), 0);
    EXPECT_EQ(entry.id, 32u);
    EXPECT_EQ(Object()->GetPort(0), 31u);

    SetPorts(mp::PORT_KIND_OUTPUT, {});
    EXPECT_EQ(Object()->QueryMonitoring(), 1) << "nothing to monitor through";
}

} // namespace

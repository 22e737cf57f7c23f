// The host object's interfaces: slot order, query rules, reserved slots and connection points.
#include <gtest/gtest.h>

#include "host_test_util.h"

namespace host::test {
namespace {

using Slot = win::HRESULT (*)(void*);

// Calls the function at a slot of an interface table the way a client compiled elsewhere would.
template <class Fn>
Fn SlotOf(void* iface, int slot) {
    return reinterpret_cast<Fn>((*static_cast<void***>(iface))[slot]);
}

using ContractTest = ProjectTest;

TEST_F(ContractTest, QueryInterfaceAnswersEveryHostInterfaceAndRefusesOthers) {
    const win::IID* ids[] = {&win::IID_IUnknown, &mp::IID_IMPMidiData, &mp::IID_IMPProperties, &mp::IID_IMPTimeFormat,
                             &mp::IID_IMPPortList, &win::IID_IConnectionPointContainer};
    for (const win::IID* id : ids) {
        void* p = nullptr;
        ASSERT_EQ(project->QueryInterface(*id, &p), win::S_OK);
        ASSERT_NE(p, nullptr);
        static_cast<win::IUnknown*>(p)->Release();
    }
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(project->QueryInterface(mp::IID_IMPInitialise, &p), win::E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(project->QueryInterface(mp::IID_IMPMidiData, nullptr), win::E_POINTER);
}

TEST_F(ContractTest, SlotsKeepTheirNumbers) {
    // Slot 12 and 13: begin and end a transaction.
    using Begin = win::HRESULT (*)(void*, win::DWORD, const char16_t*);
    using End = win::HRESULT (*)(void*, win::BOOL);
    EXPECT_EQ(SlotOf<Begin>(data, 12)(data, mp::TRANSACTION_READ, nullptr), win::S_OK);
    EXPECT_EQ(SlotOf<End>(data, 13)(data, 0), win::S_OK);
    EXPECT_EQ(SlotOf<End>(data, 13)(data, 0), win::E_UNEXPECTED);
    // Slots 9 and 10 are reserved.
    EXPECT_EQ(SlotOf<Slot>(data, 9)(data), win::E_NOTIMPL);
    EXPECT_EQ(SlotOf<Slot>(data, 10)(data), win::E_NOTIMPL);
    // Slot 8 inserts; slot 6 gets.
    using Insert = win::HRESULT (*)(void*, mp::EventKey*, win::DWORD, const void*);
    using Get = win::HRESULT (*)(void*, const mp::EventKey*, win::DWORD, void*, win::DWORD);
    mp::TrackRecord tr{};
    tr.channel = 3;
    mp::EventKey key{};
    ASSERT_EQ(SlotOf<Insert>(data, 8)(data, &key, mp::LEVEL_TRACK, &tr), win::S_OK);
    mp::TrackRecord back{};
    ASSERT_EQ(SlotOf<Get>(data, 6)(data, &key, mp::LEVEL_TRACK, &back, 2), win::S_OK);
    EXPECT_EQ(back.channel, 3);

    mp::IMPProperties* props = nullptr;
    project->QueryInterface(mp::IID_IMPProperties, reinterpret_cast<void**>(&props));
    EXPECT_EQ(SlotOf<Slot>(props, 3)(props), win::E_NOTIMPL);
    EXPECT_EQ(SlotOf<Slot>(props, 4)(props), win::E_NOTIMPL);
    using GetProp = win::HRESULT (*)(void*, const win::GUID&, win::DWORD, win::DWORD, win::DWORD, win::DWORD, void*);
    std::uint32_t flags = 99;
    EXPECT_EQ(SlotOf<GetProp>(props, 5)(props, mp::PID_TRANSPORT_FLAGS, 0, 0, 0, 4, &flags), win::S_OK);
    EXPECT_EQ(flags, 0u);
    props->Release();

    mp::IMPTimeFormat* tf = nullptr;
    project->QueryInterface(mp::IID_IMPTimeFormat, reinterpret_cast<void**>(&tf));
    using Ppq = win::HRESULT (*)(void*, win::DWORD, win::DWORD*);
    win::DWORD ppq = 0;
    EXPECT_EQ((std::tuple{SlotOf<Ppq>(tf, 6)(tf, 2, &ppq), ppq}), (std::tuple{win::S_OK, 960u}));
    tf->Release();
}

TEST_F(ContractTest, ConnectionPointsAdviseAndUnadvise) {
    win::IConnectionPointContainer* cpc = nullptr;
    project->QueryInterface(win::IID_IConnectionPointContainer, reinterpret_cast<void**>(&cpc));
    win::IConnectionPoint* cp = nullptr;
    EXPECT_EQ(cpc->FindConnectionPoint(mp::IID_IMPMidiData, &cp), win::CONNECT_E_NOCONNECTION);
    EXPECT_EQ(cp, nullptr);
    ASSERT_EQ(cpc->FindConnectionPoint(mp::IID_IMPNotificationSink, &cp), win::S_OK);
    win::IID iid{};
    cp->GetConnectionInterface(&iid);
    EXPECT_TRUE(iid == mp::IID_IMPNotificationSink);

    RecordingSink sink;
    win::DWORD cookie = 0;
    ASSERT_EQ(cp->Advise(static_cast<mp::IMPNotificationSink*>(&sink), &cookie), win::S_OK);
    EXPECT_NE(cookie, 0u);
    EXPECT_EQ(sink.refs.load(), 2u);
    mp::TrackRecord tr{};
    mp::EventKey key{};
    data->Insert(&key, mp::LEVEL_TRACK, &tr);
    EXPECT_EQ(sink.Take().size(), 1u);
    EXPECT_EQ(cp->Unadvise(cookie + 7), win::CONNECT_E_NOCONNECTION);
    ASSERT_EQ(cp->Unadvise(cookie), win::S_OK);
    EXPECT_EQ(sink.refs.load(), 1u);
    data->Insert(&key, mp::LEVEL_TRACK, &tr);
    EXPECT_TRUE(sink.Take().empty());

    // A sink that does not answer the point's interface cannot connect.
    struct Plain : win::IUnknown {
        win::HRESULT QueryInterface(const win::IID&, void** p) override {
            *p = nullptr;
            return win::E_NOINTERFACE;
        }
        win::ULONG AddRef() override { return 1; }
        win::ULONG Release() override { return 1; }
    } plain;
    EXPECT_EQ(cp->Advise(&plain, &cookie), win::CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(cookie, 0u);
    cp->Release();
    cpc->Release();
}

TEST_F(ContractTest, PortListHandsOutOwnedCopies) {
    // A list that lost a port: only the ports left are handed out, each with one name handle.
    std::vector<PortInfo> ports{PortInfo{1, {0x11, 0, 0, {}}, u"Built-in Synthesizer"}, PortInfo{2, {0x22, 0, 0, {}}, u"Ext"},
                                PortInfo{3, {}, u"Gone"}};
    ports.pop_back();
    project->WithStore([&](Store& s) { s.SetPorts(mp::PORT_KIND_OUTPUT, std::move(ports)); });
    win::DWORD count = 0;
    mp::MPPortEntry* entries = nullptr;
    const win::DWORD before = win::CoTaskMemAllocHandle(1);
    ASSERT_EQ(project->GetPorts(mp::PORT_KIND_OUTPUT, &count, &entries), win::S_OK);
    const win::DWORD after = win::CoTaskMemAllocHandle(1);
    EXPECT_EQ(after - before, 3u);
    for (win::DWORD h : {before, after}) win::CoTaskMemFreeHandle(h);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ((std::tuple{entries[1].id, entries[1].guid.Data1}), (std::tuple{2u, 0x22u}));
    EXPECT_EQ(std::u16string(static_cast<char16_t*>(win::CoTaskMemHandlePtr(entries[0].nameHandle))),
              u"Built-in Synthesizer");
    for (win::DWORD i = 0; i < count; ++i) win::CoTaskMemFreeHandle(entries[i].nameHandle);
    win::CoTaskMemFree(entries);
    EXPECT_EQ(project->GetPorts(mp::PORT_KIND_INPUT, &count, &entries), win::S_OK);
    EXPECT_EQ(std::tuple(count, entries), std::tuple(0u, nullptr));
    EXPECT_EQ(project->GetPorts(7, &count, &entries), win::E_INVALIDARG);
}

} // namespace
} // namespace host::test

// COM basics: GUIDs, result codes, task memory and its handles, global memory, streams over memory,
// QueryInterface tables and connection points.
#include "win/com.h"
#include "win/com_helpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace win;

namespace {

TEST(ResultCodeTest, CodesFromUnsignedValuesKeepTheFailureBit) {
    EXPECT_TRUE(FAILED(MakeHr(0x8004E009u)));
    EXPECT_TRUE(SUCCEEDED(MakeHr(1u)));
}

TEST(TaskMemoryTest, AllocAndFree) {
    void* zero = CoTaskMemAlloc(0);
    EXPECT_TRUE(zero);
    CoTaskMemFree(zero);
    CoTaskMemFree(nullptr);
}

TEST(TaskMemoryTest, HandlesAreSmallNonZeroAndChecked) {
    DWORD a = CoTaskMemAllocHandle(10);
    DWORD b = CoTaskMemAllocHandle(0);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ((std::tuple{CoTaskMemHandleSize(a), CoTaskMemHandleSize(b)}), (std::tuple{10u, 0u}));
    EXPECT_TRUE(CoTaskMemHandlePtr(b)) << "an empty block still has an address";
    std::memset(CoTaskMemHandlePtr(a), 7, 10);
    CoTaskMemFreeHandle(a);
    EXPECT_EQ((std::tuple{CoTaskMemHandlePtr(a), CoTaskMemHandleSize(a)}), (std::tuple{nullptr, 0u}));
    CoTaskMemFreeHandle(a); // twice: ignored
    CoTaskMemFreeHandle(0);
    CoTaskMemFreeHandle(0xDEADBEEF);
    EXPECT_EQ(CoTaskMemHandlePtr(0), nullptr);
    DWORD c = CoTaskMemAllocHandle(4);
    EXPECT_NE(c, a) << "freed handles are not handed out again at once";
    CoTaskMemFreeHandle(b);
    CoTaskMemFreeHandle(c);
}

TEST(GlobalMemoryTest, AllocLockSizeFree) {
    HGLOBAL z = GlobalAlloc(GHND, 32);
    ASSERT_TRUE(z);
    EXPECT_EQ(GlobalSize(z), 32u);
    auto* p = static_cast<unsigned char*>(GlobalLock(z));
    ASSERT_TRUE(p);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(p[i], 0) << "GMEM_ZEROINIT";
    EXPECT_TRUE(GlobalLock(z));
    EXPECT_TRUE(GlobalUnlock(z)) << "still locked once";
    EXPECT_FALSE(GlobalUnlock(z)) << "now unlocked";
    EXPECT_FALSE(GlobalUnlock(z)) << "not locked";
    EXPECT_EQ(GlobalFree(z), nullptr);
    EXPECT_EQ(GlobalFree(z), z) << "a freed block cannot be freed again";
    EXPECT_EQ((std::tuple{GlobalLock(z), GlobalSize(z)}), (std::tuple{nullptr, 0u}));
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    EXPECT_TRUE(empty);
    EXPECT_EQ(GlobalSize(empty), 0u);
    GlobalFree(empty);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

std::string ReadAll(IStream* s) {
    std::string out;
    char buf[7];
    ULONG got = 0;
    while (SUCCEEDED(s->Read(buf, sizeof buf, &got)) && got) out.append(buf, got);
    return out;
}

ULONGLONG Pos(IStream* s) {
    ULARGE_INTEGER p{};
    s->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &p);
    return p.QuadPart;
}

TEST(StreamTest, WriteReadSeekAndShortReads) {
    IStream* s = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &s), S_OK);
    ULONG n = 0;
    EXPECT_EQ((std::tuple{s->Write("hello world", 11, &n), n, Pos(s)}), (std::tuple{S_OK, 11u, 11u}));
    ULARGE_INTEGER np{};
    EXPECT_EQ(s->Seek(LARGE_INTEGER{-5}, STREAM_SEEK_END, &np), S_OK);
    EXPECT_EQ(np.QuadPart, 6u);
    char buf[32] = {};
    EXPECT_EQ(s->Read(buf, 20, &n), S_OK) << "a short read succeeds";
    EXPECT_EQ(n, 5u) << "and reports the count read";
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(s->Read(buf, 4, &n), S_OK);
    EXPECT_EQ(n, 0u) << "nothing left at the end";
    EXPECT_EQ(s->Read(buf, 0, nullptr), S_OK);
    EXPECT_EQ(s->Seek(LARGE_INTEGER{-12}, STREAM_SEEK_END, &np), STG_E_INVALIDFUNCTION) << "before the start";
    EXPECT_EQ(Pos(s), 11u) << "a refused seek keeps the position";
    EXPECT_EQ(s->Seek(LARGE_INTEGER{0}, 7, nullptr), STG_E_INVALIDFUNCTION);
    s->Seek(LARGE_INTEGER{2}, STREAM_SEEK_SET, nullptr);
    s->Seek(LARGE_INTEGER{2}, STREAM_SEEK_CUR, nullptr);
    EXPECT_EQ((std::tuple{Pos(s), s->Write("O", 1, nullptr)}), (std::tuple{4u, S_OK}));
    s->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
    EXPECT_EQ((std::tuple{ReadAll(s), s->Read(nullptr, 4, &n), s->Write(nullptr, 4, &n), s->Release()}),
              (std::tuple{"hellO world", STG_E_INVALIDPOINTER, STG_E_INVALIDPOINTER, 0u}));
}

TEST(StreamTest, SeekingPastTheEndThenWritingGrowsWithZeros) {
    IStream* s = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &s), S_OK);
    s->Write("ab", 2, nullptr);
    EXPECT_EQ(s->Seek(LARGE_INTEGER{10}, STREAM_SEEK_SET, nullptr), S_OK);
    STATSTG st{};
    ASSERT_EQ(s->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.cbSize.QuadPart, 2u) << "seeking alone does not grow";
    EXPECT_EQ(st.type, STGTY_STREAM);
    char buf[4];
    ULONG n = 9;
    EXPECT_EQ(s->Read(buf, 4, &n), S_OK);
    EXPECT_EQ(n, 0u) << "reading past the end reads nothing";
    s->Write("z", 1, nullptr);
    s->Stat(&st, STATFLAG_NONAME);
    EXPECT_EQ(st.cbSize.QuadPart, 11u);
    s->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr);
    std::string all = ReadAll(s);
    EXPECT_EQ(all, std::string("ab\0\0\0\0\0\0\0\0z", 11));
    ULARGE_INTEGER size{4};
    EXPECT_EQ(s->SetSize(size), S_OK);
    s->Stat(&st, STATFLAG_NONAME);
    EXPECT_EQ((std::tuple{st.cbSize.QuadPart, s->Stat(nullptr, 0)}), (std::tuple{4u, STG_E_INVALIDPOINTER}));
    s->Release();
}

TEST(StreamTest, StreamsOverAGlobalBlock) {
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, 4);
    std::memcpy(GlobalLock(mem), "WXYZ", 4);
    GlobalUnlock(mem);
    IStream* s = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(mem, FALSE, &s), S_OK);
    EXPECT_EQ(ReadAll(s), "WXYZ");
    s->Write("!!", 2, nullptr);
    HGLOBAL back = nullptr;
    EXPECT_EQ((std::tuple{GetHGlobalFromStream(s, &back), back}), (std::tuple{S_OK, mem}));
    EXPECT_EQ(GlobalSize(mem), 6u) << "the block grew with the stream";
    s->Release();
    ASSERT_TRUE(GlobalLock(mem)) << "not deleted on release";
    EXPECT_EQ(std::memcmp(GlobalLock(mem), "WXYZ!!", 6), 0);
    GlobalUnlock(mem);
    GlobalUnlock(mem);

    ASSERT_EQ(CreateStreamOnHGlobal(mem, TRUE, &s), S_OK);
    auto* held = static_cast<char*>(GlobalLock(mem));
    s->Seek(LARGE_INTEGER{0}, STREAM_SEEK_END, nullptr);
    ULONG n = 9;
    EXPECT_EQ(s->Write("more", 4, &n), E_OUTOFMEMORY) << "a locked block cannot move to grow";
    EXPECT_EQ((std::tuple{n, s->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr)}), (std::tuple{0u, S_OK}));
    EXPECT_EQ(s->Write("w", 1, nullptr), S_OK) << "writing inside the block needs no move";
    EXPECT_EQ(held[0], 'w');
    GlobalUnlock(mem);
    s->Release();
    EXPECT_EQ(GlobalLock(mem), nullptr) << "deleted with the last reference";

    EXPECT_EQ(CreateStreamOnHGlobal(mem, TRUE, &s), E_INVALIDARG) << "a freed block";
    EXPECT_EQ(s, nullptr);
    EXPECT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, nullptr), E_INVALIDARG);
    EXPECT_EQ((std::tuple{GetHGlobalFromStream(nullptr, &back), back}), (std::tuple{E_INVALIDARG, nullptr}));
}

TEST(StreamTest, CopyAndCloneAreRefusedAndQueryInterface) {
    IStream* a = nullptr;
    IStream* b = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &a), S_OK);
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &b), S_OK);
    EXPECT_EQ(a->CopyTo(b, ULARGE_INTEGER{100}, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(a->Clone(&b), E_NOTIMPL);

    void* p = nullptr;
    EXPECT_EQ(a->QueryInterface(IID_ISequentialStream, &p), S_OK);
    EXPECT_EQ(p, static_cast<void*>(a));
    static_cast<IUnknown*>(p)->Release();
    EXPECT_EQ(a->QueryInterface(IID_IPersistStream, &p), E_NOINTERFACE);
    EXPECT_EQ((std::tuple{p, a->QueryInterface(IID_IStream, nullptr)}), (std::tuple{nullptr, E_POINTER}));
    a->Release();
    b->Release();
}

// A sink object answering IUnknown and one outgoing interface, counting its references.
const IID IID_ITestSink = {0x11112222, 0x3333, 0x4444, {1, 2, 3, 4, 5, 6, 7, 8}};
struct ITestSink : IUnknown {
    virtual void Ping(int v) = 0;
};
class Sink final : public ITestSink {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        return QueryInterfaceFrom(riid, ppv, {{IID_ITestSink, static_cast<ITestSink*>(this)}});
    }
    ULONG AddRef() override { return refs.Increment(); }
    ULONG Release() override { return refs.Decrement(); }
    void Ping(int v) override { pings.push_back(v); }
    ComRefCount refs{1};
    std::vector<int> pings;
};

class NoSink final : public IUnknown {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown) return E_NOINTERFACE;
        *ppv = this;
        return S_OK;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
};

TEST(ComHelpersTest, QueryInterfaceTableAndComPtr) {
    Sink s;
    void* p = nullptr;
    EXPECT_EQ(s.QueryInterface(IID_IUnknown, &p), S_OK) << "IUnknown from the first row";
    EXPECT_EQ(s.refs.Value(), 2u);
    static_cast<IUnknown*>(p)->Release();
    EXPECT_EQ((std::tuple{s.QueryInterface(IID_IStream, &p), p}), (std::tuple{E_NOINTERFACE, nullptr}));
    {
        ComPtr<ITestSink> a(&s);
        EXPECT_EQ(s.refs.Value(), 2u);
        ComPtr<ITestSink> b = a;
        EXPECT_EQ(s.refs.Value(), 3u);
        ComPtr<ITestSink> c = std::move(b);
        EXPECT_EQ(s.refs.Value(), 3u);
        EXPECT_FALSE(b);
        ComPtr<IUnknown> u;
        EXPECT_EQ((std::tuple{c.As(IID_IUnknown, &u), s.refs.Value()}), (std::tuple{S_OK, 4u}));
        a = c;
        EXPECT_EQ(s.refs.Value(), 4u);
    }
    EXPECT_EQ(s.refs.Value(), 1u) << "every reference given back";
}

class Container final : public IConnectionPointContainer {
public:
    HRESULT QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    ULONG AddRef() override { return refs.Increment(); }
    ULONG Release() override { return refs.Decrement(); }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID, IConnectionPoint**) override { return E_NOTIMPL; }
    ComRefCount refs{1};
};

TEST(ConnectionPointTest, AdviseUnadviseAndCallingSinks) {
    Container box;
    ConnectionPoint* cp = ConnectionPoint::Create(&box, IID_ITestSink);
    ASSERT_TRUE(cp);
    IID iid{};
    EXPECT_EQ((std::tuple{cp->GetConnectionInterface(&iid), iid}), (std::tuple{S_OK, IID_ITestSink}));
    IConnectionPointContainer* back = nullptr;
    EXPECT_EQ((std::tuple{cp->GetConnectionPointContainer(&back), back, box.refs.Value()}),
              (std::tuple{S_OK, &box, 2u}));
    back->Release();

    Sink one, two;
    DWORD c1 = 0, c2 = 0;
    EXPECT_EQ((std::tuple{cp->Advise(&one, &c1), cp->Advise(&two, &c2)}), (std::tuple{S_OK, S_OK}));
    EXPECT_NE(c1, 0u);
    EXPECT_NE(c1, c2);
    EXPECT_EQ(one.refs.Value(), 2u) << "the point holds a reference";
    EXPECT_EQ(cp->SinkCount(), 2u);
    cp->ForEachSink([](IUnknown* s) { static_cast<ITestSink*>(s)->Ping(7); });
    EXPECT_EQ((std::tuple{one.pings, two.pings}), (std::tuple{std::vector<int>{7}, std::vector<int>{7}}));

    NoSink wrong;
    DWORD c3 = 5;
    EXPECT_EQ((std::tuple{cp->Advise(&wrong, &c3), c3}), (std::tuple{CONNECT_E_CANNOTCONNECT, 0u}));
    EXPECT_EQ((std::tuple{cp->Advise(nullptr, &c3), cp->Advise(&one, nullptr)}), (std::tuple{E_POINTER, E_POINTER}));

    EXPECT_EQ((std::tuple{cp->Unadvise(c1), one.refs.Value(), cp->Unadvise(c1), cp->Unadvise(0)}),
              (std::tuple{S_OK, 1u, CONNECT_E_NOCONNECTION, CONNECT_E_NOCONNECTION}));
    cp->ForEachSink([](IUnknown* s) { static_cast<ITestSink*>(s)->Ping(8); });
    EXPECT_EQ(one.pings, std::vector<int>{7});
    EXPECT_EQ(two.pings, (std::vector<int>{7, 8}));

    cp->Detach();
    back = &box;
    EXPECT_EQ(cp->GetConnectionPointContainer(&back), E_UNEXPECTED);
    EXPECT_EQ(back, nullptr);
    cp->Release();
    EXPECT_EQ(two.refs.Value(), 1u) << "releasing the point releases the sinks";
}

TEST(ConnectionPointTest, UnadvisingDuringTheWalkIsSafe) {
    Container box;
    ConnectionPoint* cp = ConnectionPoint::Create(&box, IID_ITestSink);
    Sink one, two;
    DWORD c1 = 0, c2 = 0;
    cp->Advise(&one, &c1);
    cp->Advise(&two, &c2);
    int calls = 0;
    cp->ForEachSink([&](IUnknown*) {
        ++calls;
        cp->Unadvise(c1);
        cp->Unadvise(c2);
    });
    EXPECT_EQ(calls, 2) << "the walk uses the sinks as they were when it began";
    EXPECT_EQ((std::tuple{cp->SinkCount(), one.refs.Value(), two.refs.Value()}), (std::tuple{0u, 1u, 1u}));
    cp->Release();
}

} // namespace

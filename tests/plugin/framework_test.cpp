// Framework pieces reached without the module: the settings block by word, the class factories and
// the packed queue of pending notifications.
#include <gtest/gtest.h>

#include <cstring>

#include "module/pianoroll_plugin.h"
#include "mp/class_factory.h"
#include "mp/notification_queue.h"
#include "mp/page.h"
#include "mp/settings.h"

namespace {

using namespace win;

TEST(SettingsBlock, WordsAddressTheNamedFields) {
    // The field offsets are fixed at compile time; what is left is the 64-bit song length split over two
    // words, a word inside the time format, and indices outside the block.
    mp::PianoRollSettings s{};
    s.Reset();
    EXPECT_EQ(s.GetWord(mp::SW_SONG_LENGTH + 1), -1);
    s.SetWord(mp::SW_SONG_LENGTH, 0x10);
    s.SetWord(mp::SW_SONG_LENGTH + 1, 0x2);
    EXPECT_EQ(s.songLength, 0x200000010LL);
    s.SetWord(mp::SW_TIME_FORMAT + 8, 0x30008); // 3/8
    EXPECT_EQ(s.timeFormat.timeSignature, 0x30008u);
    EXPECT_EQ(s.timeFormat.tempo, 120.0);
    // Indices outside the block read 0 and change nothing.
    mp::PianoRollSettings before = s;
    s.SetWord(82, 99);
    s.SetWord(-1, 99);
    EXPECT_EQ(s.GetWord(82), 0);
    EXPECT_EQ(std::memcmp(&before, &s, sizeof s), 0);
}

class TestPage final : public mp::CBaseListPage {
public:
    static int alive;
    TestPage() { ++alive; }
    ~TestPage() override { --alive; }
    HRESULT Initialize() override { return failInit ? E_FAIL : S_OK; }
    static bool failInit;

protected:
    HWND CreateEditorDialog(HWND, LPARAM) override { return nullptr; }
};
int TestPage::alive = 0;
bool TestPage::failInit = false;
mp::CBaseListPage* MakeTestPage() { return new TestPage; }

TEST(ClassFactories, PluginFactoryGivesTheQueriedInterface) {
    auto* factory = new mp::COMPSPlugClassFactory(&mp::MakePianoRollPlugin, 1, 2, 3, 4);
    factory->AddRef();
    EXPECT_EQ(factory->Parameter(2), 3u);
    IPersistStream* persist = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPersistStream, reinterpret_cast<void**>(&persist)), S_OK);
    ASSERT_NE(persist, nullptr);
    mp::IMPInitialise* init = nullptr;
    ASSERT_EQ(persist->QueryInterface(mp::IID_IMPInitialise, reinterpret_cast<void**>(&init)), S_OK);
    EXPECT_EQ(init->Release(), 0u) << "the object's only reference came from the query";
    persist->Release();

    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr); // and the object is gone (the sanitizer build checks)
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(factory->Release(), 0u);
}

TEST(ClassFactories, LockCountNeverGoesBelowZero) {
    auto* factory = new mp::COMPSPlugClassFactory(&mp::MakePianoRollPlugin, 0, 0, 0, 0);
    factory->AddRef();
    EXPECT_EQ(factory->LockServer(FALSE), S_OK);
    EXPECT_EQ(factory->LockCount(), 0);
    factory->LockServer(TRUE);
    factory->LockServer(TRUE);
    factory->LockServer(FALSE);
    EXPECT_EQ(factory->LockCount(), 1);
    IClassFactory* again = nullptr;
    ASSERT_EQ(factory->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&again)), S_OK);
    again->Release();
    EXPECT_EQ(factory->Release(), 0u);
}

TEST(ClassFactories, PageFactoryDestroysThePageOnAnyFailure) {
    auto* factory = new mp::COMPSPageCF(&MakeTestPage, 0, 0, 0, 0);
    factory->AddRef();
    IPropertyPage* page = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, reinterpret_cast<void**>(&page)), S_OK);
    EXPECT_EQ(TestPage::alive, 1);
    EXPECT_EQ(page->Release(), 0u);
    EXPECT_EQ(TestPage::alive, 0);

    void* out = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &out), E_NOINTERFACE);
    EXPECT_EQ(TestPage::alive, 0);
    TestPage::failInit = true;
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPropertyPage, &out), E_NOINTERFACE);
    TestPage::failInit = false;
    EXPECT_EQ(TestPage::alive, 0);
    EXPECT_EQ(out, nullptr);
    factory->Release();
}

TEST(ClassFactories, AFactoryWithoutAMakerMakesNothing) {
    mp::CFactoryBase* factories[] = {new mp::COMPSPlugClassFactory(nullptr, 0, 0, 0, 0),
                                     new mp::COMPSPageCF(nullptr, 0, 0, 0, 0)};
    for (mp::CFactoryBase* factory : factories) {
        factory->AddRef();
        void* out = reinterpret_cast<void*>(0x1);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
        EXPECT_EQ(factory->Release(), 0u);
    }
}

// A run packs records that differ only in their event id and follow each other by one number;
// whatever else differs starts a new run, and every record comes back as it went in, also after a
// cut and after one queue is appended to another.
TEST(NotificationQueue, GivesBackEveryRecordInOrderWhateverRunsItPacks) {
    auto record = [](std::uint32_t flags, std::uint32_t event, std::uint32_t sequence) {
        mp::NotificationRecord r{};
        r.id = mp::NID_DATA_CHANGED;
        r.changeFlags = flags;
        r.level = mp::LEVEL_EVENT;
        r.oldKey = r.newKey = mp::EventKey{1, 2, event};
        std::memcpy(reinterpret_cast<std::uint8_t*>(&r) + mp::NOTIFY_SEQUENCE_OFFSET, &sequence, 4);
        return r;
    };
    std::vector<std::pair<mp::NotificationRecord, bool>> in;
    for (std::uint32_t n = 0; n < 5; ++n) in.push_back({record(mp::NCF_DELETED, 100 + n * 3, 7 + n), n != 2});
    in.push_back({record(mp::NCF_DELETED, 120, 13), true});                 // a number skipped
    in.push_back({record(mp::NCF_MODIFIED, 121, 14), true});                // other flags
    mp::NotificationRecord moved = record(mp::NCF_MODIFIED, 122, 15);
    moved.newKey.block = 3;                                                 // two keys
    in.push_back({moved, true});
    in.push_back({record(mp::NCF_MODIFIED, 123, 16), true});
    mp::NotificationRecord valued = record(mp::NCF_MODIFIED, 124, 17);
    valued.value = 1;                                                       // another value
    in.push_back({valued, true});
    for (std::uint32_t n = 0; n < 3; ++n) in.push_back({record(mp::NCF_INSERTED, 200 + n, 0), false}); // unnumbered
    in.push_back({record(mp::NCF_INSERTED, 210, 1), false});
    mp::NotificationQueue queue;
    for (const auto& [r, listed] : in) queue.Push(r, listed);
    EXPECT_EQ(queue.Size(), in.size());
    std::size_t at = 0;
    queue.ForEach([&](const mp::NotificationRecord& r, bool listed) {
        ASSERT_LT(at, in.size());
        EXPECT_EQ(std::memcmp(&r, &in[at].first, sizeof r), 0) << "record " << at;
        EXPECT_EQ(listed, in[at].second) << "record " << at;
        ++at;
    });
    EXPECT_EQ(at, in.size());
    // Cut anywhere, even inside a run, the head stays and the tail moves out, both as they went in.
    for (std::size_t cut : {std::size_t{0}, std::size_t{2}, std::size_t{5}, std::size_t{11}, in.size()}) {
        mp::NotificationQueue head, tail;
        for (const auto& [r, listed] : in) head.Push(r, listed);
        head.MoveTail(cut, tail);
        EXPECT_EQ(head.Size(), cut);
        EXPECT_EQ(tail.Size(), in.size() - cut);
        std::size_t n = 0;
        auto check = [&](const mp::NotificationRecord& r, bool listed) {
            ASSERT_LT(n, in.size());
            EXPECT_EQ(std::memcmp(&r, &in[n].first, sizeof r), 0) << "cut " << cut << ", record " << n;
            EXPECT_EQ(listed, in[n].second) << "cut " << cut << ", record " << n;
            ++n;
        };
        head.ForEach(check);
        tail.ForEach(check);
        EXPECT_EQ(n, in.size());
        // Appended whole after the head's records, the tail's come back in order, in the runs that
        // pushing them one by one makes.
        mp::NotificationQueue appended;
        for (std::size_t i = 0; i < cut; ++i) appended.Push(in[i].first, in[i].second);
        appended.Append(tail);
        n = 0;
        appended.ForEach(check);
        EXPECT_EQ(n, in.size());
        auto runs = [](const mp::NotificationQueue& q) {
            int count = 0;
            q.ForEachRun([&](const mp::NotificationRecord&, const std::uint32_t*, std::uint32_t, bool) { return ++count > 0; },
                         [](const mp::NotificationRecord&, bool) {});
            return count;
        };
        EXPECT_EQ(runs(appended), runs(queue)) << "cut " << cut;
        // The head takes the tail's records back after its own, as if never cut.
        for (std::size_t i = cut; i < in.size(); ++i) head.Push(in[i].first, in[i].second);
        n = 0;
        head.ForEach(check);
        EXPECT_EQ(n, in.size());
    }
    queue.Clear();
    // Whatever byte of the next record differs, it comes back as it went in.
    for (std::size_t b = 0; b < sizeof(mp::NotificationRecord); ++b) {
        mp::NotificationRecord next = record(mp::NCF_MODIFIED, 6, 2);
        reinterpret_cast<std::uint8_t*>(&next)[b] ^= 0x41;
        queue.Push(record(mp::NCF_MODIFIED, 5, 1));
        queue.Push(next);
        std::vector<mp::NotificationRecord> out;
        queue.ForEach([&](const mp::NotificationRecord& r, bool) { out.push_back(r); });
        ASSERT_EQ(out.size(), 2u);
        EXPECT_EQ(std::memcmp(&out[1], &next, sizeof next), 0) << "byte " << b;
        queue.Clear();
    }
    // A long run keeps an id each, not a record each.
    for (std::uint32_t n = 0; n < 1000; ++n) queue.Push(record(mp::NCF_DELETED, 1000 + n, 1 + n), true);
    EXPECT_LT(queue.Capacity(), 1000u * 8);
    queue.Clear();
    EXPECT_TRUE(queue.Empty());
    queue.ForEach([&](const mp::NotificationRecord&, bool) { ADD_FAILURE() << "a cleared queue gave a record"; });
}

} // namespace

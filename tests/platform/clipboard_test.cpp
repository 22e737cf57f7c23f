// The clipboard: registered formats, open and close rules, ownership of data blocks and of the clipboard.
#include "fixture.h"

#include "win/com.h"

#include <cstring>

using namespace vortest;

namespace {

class ClipboardTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        a = TopLevel(0, 0, 10, 10, WS_OVERLAPPED);
        b = TopLevel(0, 0, 10, 10, WS_OVERLAPPED);
        rec().Clear();
    }
    static HGLOBAL Block(const void* data, std::size_t n) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, n);
        std::memcpy(GlobalLock(h), data, n);
        GlobalUnlock(h);
        return h;
    }
    HWND a = nullptr;
    HWND b = nullptr;
};

TEST_F(ClipboardTest, RegisteredFormatsAreStableByName) {
    UINT f = RegisterClipboardFormat("Vor Test Format");
    EXPECT_GE(f, 0xC000u);
    EXPECT_LE(f, 0xFFFFu);
    EXPECT_EQ(RegisterClipboardFormat("Vor Test Format"), f);
    EXPECT_EQ(RegisterClipboardFormat("vor test format"), f) << "names are case-insensitive";
    UINT g = RegisterClipboardFormat("Vor Other Format");
    EXPECT_NE(g, f);
    EXPECT_EQ(RegisterClipboardFormat(""), 0u);
    EXPECT_EQ(RegisterClipboardFormat(nullptr), 0u);
}

TEST_F(ClipboardTest, OnlyOneWindowHoldsItOpen) {
    EXPECT_TRUE(OpenClipboard(a));
    EXPECT_FALSE(OpenClipboard(b)) << "another window holds it open";
    EXPECT_FALSE(OpenClipboard(nullptr));
    EXPECT_TRUE(OpenClipboard(a)) << "the holder may open it again";
    EXPECT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard()) << "already closed";
    EXPECT_TRUE(OpenClipboard(b));
    EXPECT_TRUE(CloseClipboard());
    EXPECT_FALSE(OpenClipboard(reinterpret_cast<HWND>(0x31)));

    // A window destroyed while holding it open does not lock the others out.
    EXPECT_TRUE(OpenClipboard(a));
    DestroyWindow(a);
    EXPECT_TRUE(OpenClipboard(b));
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, DataIsSetWhileOpenAndReadByAnotherWindow) {
    UINT fmt = RegisterClipboardFormat("Vor Events");
    HGLOBAL text = Block(u"hi", 6);
    HGLOBAL events = Block("\x01\x00\x00\x00", 4);
    EXPECT_EQ(SetClipboardData(fmt, events), nullptr) << "not open";
    EXPECT_FALSE(EmptyClipboard());
    ASSERT_TRUE(OpenClipboard(a));
    EXPECT_EQ((std::tuple{bool(EmptyClipboard()), SetClipboardData(CF_UNICODETEXT, text), SetClipboardData(fmt, events),
                          bool(CloseClipboard())}),
              (std::tuple{true, text, events, true}));

    EXPECT_TRUE(IsClipboardFormatAvailable(fmt)) << "asked without opening";
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(GetClipboardData(fmt), nullptr) << "reading needs the clipboard open";

    ASSERT_TRUE(OpenClipboard(b));
    HANDLE got = GetClipboardData(fmt);
    ASSERT_EQ(got, events);
    EXPECT_EQ(std::memcmp(GlobalLock(got), "\x01\x00\x00\x00", 4), 0);
    GlobalUnlock(got);
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
    EXPECT_TRUE(CloseClipboard());
    // Reading did not take ownership: emptying tells the writer, not the reader.
    rec().Clear();
    ASSERT_TRUE(OpenClipboard(b));
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_TRUE(MatchSequence({{0, WM_DESTROYCLIPBOARD, kSent}}, {a, b}));
    CloseClipboard();
}

TEST_F(ClipboardTest, EmptyingFreesTheBlocksAndTellsTheOldOwner) {
    UINT fmt = RegisterClipboardFormat("Vor Events");
    ASSERT_TRUE(OpenClipboard(a));
    EmptyClipboard();
    HGLOBAL first = Block("one", 4);
    HGLOBAL second = Block("two", 4);
    SetClipboardData(fmt, first);
    EXPECT_EQ(SetClipboardData(fmt, second), second);
    EXPECT_EQ(GlobalSize(first), 0u) << "replacing a format frees the old block";
    CloseClipboard();

    rec().Clear();
    ASSERT_TRUE(OpenClipboard(b));
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_TRUE(MatchSequence({{0, WM_DESTROYCLIPBOARD, kSent}}, {a, b}));
    EXPECT_EQ(GlobalSize(second), 0u) << "the clipboard freed the block it owned";
    EXPECT_FALSE(IsClipboardFormatAvailable(fmt));
    CloseClipboard();
}

TEST_F(ClipboardTest, OnlyGlobalBlocksAreAccepted) {
    ASSERT_TRUE(OpenClipboard(a));
    EmptyClipboard();
    int notABlock = 0;
    EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, &notABlock), nullptr);
    HGLOBAL kept = Block("x", 1);
    EXPECT_EQ(SetClipboardData(0, kept), nullptr) << "format 0";
    EXPECT_EQ(GlobalFree(kept), nullptr) << "a refused block stays the caller's";
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    CloseClipboard();
}

} // namespace

namespace {

// A system clipboard that holds text only, as a desktop backend's does.
struct FakeSystemClipboard {
    static std::string& Text() {
        static std::string t;
        return t;
    }
    static bool& Has() {
        static bool h = false;
        return h;
    }
    static int& Sets() {
        static int n = 0;
        return n;
    }
    static void Set(const char* utf8) {
        Text() = utf8;
        Has() = *utf8 != 0;
        ++Sets();
    }
    static int Get(char* buffer, int size) {
        if (!Has()) return -1;
        int n = static_cast<int>(Text().size());
        if (buffer && size > 0) {
            int k = std::min(n, size - 1);
            std::memcpy(buffer, Text().data(), static_cast<std::size_t>(k));
            buffer[k] = 0;
        }
        return n;
    }
};

class SystemClipboardTest : public ClipboardTest {
protected:
    void SetUp() override {
        ClipboardTest::SetUp();
        FakeSystemClipboard::Text().clear();
        FakeSystemClipboard::Has() = false;
        FakeSystemClipboard::Sets() = 0;
        backend::Backend b = backend::Current();
        b.name = "fake-desktop";
        b.SetClipboardText = FakeSystemClipboard::Set;
        b.GetClipboardText = FakeSystemClipboard::Get;
        backend::Install(b);
    }
    void TearDown() override {
        ClipboardTest::TearDown();
        headless::Install();
    }
    static std::u16string Read(HANDLE h) {
        auto* p = static_cast<const char16_t*>(GlobalLock(h));
        std::u16string s = p ? std::u16string(p) : std::u16string();
        GlobalUnlock(h);
        return s;
    }
};

TEST_F(SystemClipboardTest, TextGoesOutOnCloseAndOtherContentsClearTheSystemText) {
    ASSERT_TRUE(OpenClipboard(a));
    EmptyClipboard();
    SetClipboardData(CF_UNICODETEXT, Block(u"caf\u00E9 \U0001F3B9", 16));
    EXPECT_EQ(FakeSystemClipboard::Sets(), 0) << "nothing leaves before closing";
    CloseClipboard();
    EXPECT_EQ(FakeSystemClipboard::Text(), "caf\xC3\xA9 \xF0\x9F\x8E\xB9");

    UINT fmt = RegisterClipboardFormat("Vor Events");
    ASSERT_TRUE(OpenClipboard(a));
    EmptyClipboard();
    SetClipboardData(fmt, Block("ev", 2));
    CloseClipboard();
    EXPECT_FALSE(FakeSystemClipboard::Has()) << "copying something else clears the old text elsewhere";
    EXPECT_TRUE(IsClipboardFormatAvailable(fmt));

    ASSERT_TRUE(OpenClipboard(b));
    CloseClipboard();
    EXPECT_EQ(FakeSystemClipboard::Sets(), 2) << "opening and closing without emptying changes nothing";
}

TEST_F(SystemClipboardTest, TextCopiedByAnotherProgramReplacesTheContents) {
    FakeSystemClipboard::Set("from elsewhere");
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    ASSERT_TRUE(OpenClipboard(a));
    HANDLE imported = GetClipboardData(CF_UNICODETEXT);
    EXPECT_EQ(Read(imported), u"from elsewhere");
    EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), imported) << "the same text is taken in once";
    EmptyClipboard();
    UINT fmt = RegisterClipboardFormat("Vor Events");
    SetClipboardData(fmt, Block("ev", 2));
    SetClipboardData(CF_UNICODETEXT, Block(u"ours", 10));
    CloseClipboard();
    EXPECT_TRUE(IsClipboardFormatAvailable(fmt)) << "our own text coming back is not a change";

    rec().Clear();
    FakeSystemClipboard::Set("newer text");
    EXPECT_FALSE(IsClipboardFormatAvailable(fmt)) << "another program copied after us";
    EXPECT_TRUE(MatchSequence({{0, WM_DESTROYCLIPBOARD, kSent}}, {a, b}));
    ASSERT_TRUE(OpenClipboard(b));
    EXPECT_EQ(Read(GetClipboardData(CF_UNICODETEXT)), u"newer text");
    CloseClipboard();
}

} // namespace

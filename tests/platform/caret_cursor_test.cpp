// The caret (nesting, inversion, surviving paint), cursors by id and by module, and system metrics.
#include "fixture.h"

using namespace vortest;

namespace {

class CaretTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        Behaviour b;
        b.paintColour = kBack;
        SetNextBehaviour(b);
        top = TopLevel(0, 0, 100, 100);
        Pump();
    }
    std::uint32_t Px(int x, int y) { return headless::ReadPixel(top, x, y) & 0xFFFFFF; }
    static constexpr std::uint32_t kBack = 0x123456;
    static constexpr std::uint32_t kInverted = 0xEDCBA9;
    HWND top = nullptr;
};

TEST_F(CaretTest, CaretIsCreatedHiddenAndShowHideNest) {
    ASSERT_EQ(Px(10, 10), kBack);
    EXPECT_TRUE(CreateCaret(top, nullptr, 2, 10));
    EXPECT_TRUE(SetCaretPos(10, 10));
    EXPECT_EQ(Px(10, 10), kBack) << "created hidden";
    EXPECT_TRUE(ShowCaret(top));
    EXPECT_EQ((std::tuple{Px(10, 10), Px(11, 19)}), (std::tuple{kInverted, kInverted}));
    EXPECT_EQ(Px(12, 10), kBack) << "2 pixels wide";
    EXPECT_EQ(Px(10, 20), kBack) << "10 pixels high";
    EXPECT_TRUE(HideCaret(top));
    EXPECT_TRUE(HideCaret(nullptr)) << "null means the caret's owner";
    EXPECT_EQ(Px(10, 10), kBack);
    EXPECT_TRUE(ShowCaret(top));
    EXPECT_EQ(Px(10, 10), kBack) << "still hidden once";
    EXPECT_EQ((std::tuple{bool(ShowCaret(top)), Px(10, 10), bool(ShowCaret(top)), bool(HideCaret(top))}),
              (std::tuple{true, kInverted, true, true}));
    EXPECT_EQ(Px(10, 10), kBack) << "showing a shown caret does not build up a count";
    EXPECT_TRUE(ShowCaret(top));

    EXPECT_TRUE(SetCaretPos(30, 40));
    EXPECT_EQ(Px(10, 10), kBack) << "moving restores the old place";
    EXPECT_EQ(Px(30, 40), kInverted);
    POINT p;
    EXPECT_TRUE(GetCaretPos(&p));
    EXPECT_EQ(p, (POINT{30, 40}));
    EXPECT_TRUE(DestroyCaret());
    EXPECT_EQ(Px(30, 40), kBack) << "destroying restores the pixels";
    EXPECT_EQ((std::tuple{bool(GetCaretPos(&p)), bool(ShowCaret(top)), bool(DestroyCaret())}),
              (std::tuple{false, false, false}));

    // No size given: one border wide and one border high.
    EXPECT_TRUE(CreateCaret(top, nullptr, 0, 0));
    SetCaretPos(5, 5);
    ShowCaret(top);
    EXPECT_EQ(Px(5, 5), kInverted);
    EXPECT_EQ(Px(5 + GetSystemMetrics(SM_CXBORDER), 5), kBack);
    EXPECT_EQ(Px(5, 5 + GetSystemMetrics(SM_CYBORDER)), kBack);
    DestroyCaret();
}

TEST_F(CaretTest, CaretSurvivesPaint) {
    CreateCaret(top, nullptr, 1, 5);
    SetCaretPos(20, 20);
    ShowCaret(top);
    ASSERT_EQ(Px(20, 20), kInverted);
    BehaviourFor(top).paintColour = 0x00FF00;
    InvalidateRect(top, nullptr, FALSE);
    Pump();
    EXPECT_EQ(Px(50, 50), 0x00FF00u);
    EXPECT_EQ(Px(20, 20), 0xFF00FFu) << "the caret is drawn again over the new pixels";
    HideCaret(top);
    EXPECT_EQ(Px(20, 20), 0x00FF00u) << "hiding after a paint restores the painted pixels";

    // Painting from inside WM_PAINT while the caret is shown never leaves a stale inversion.
    ShowCaret(top);
    RECT part{0, 0, 25, 25};
    BehaviourFor(top).paintColour = 0x0000FF;
    InvalidateRect(top, &part, FALSE);
    UpdateWindow(top);
    EXPECT_EQ((std::tuple{Px(20, 20), Px(30, 30)}), (std::tuple{0xFFFF00u, 0x00FF00u}));
}

TEST_F(CaretTest, CaretBelongsToOneWindowAndDiesWithIt) {
    HWND child = Child(top, 50, 50, 40, 40);
    Pump();
    EXPECT_TRUE(CreateCaret(child, nullptr, 3, 3));
    EXPECT_FALSE(ShowCaret(top)) << "not the owner";
    EXPECT_TRUE(ShowCaret(child));
    EXPECT_NE(headless::ReadPixel(child, 0, 0) & 0xFFFFFF, kBack);
    EXPECT_TRUE(CreateCaret(top, nullptr, 3, 3)) << "a new caret replaces the old";
    EXPECT_EQ(headless::ReadPixel(child, 0, 0) & 0xFFFFFF, kBack);
    ShowCaret(top);
    DestroyWindow(top);
    POINT p;
    EXPECT_FALSE(GetCaretPos(&p));
    EXPECT_FALSE(CreateCaret(top, nullptr, 1, 1));
}

class CursorTest : public PlatformTest {};

TEST_F(CursorTest, SystemCursorsByIdAreSharedAndKnown) {
    HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    ASSERT_TRUE(arrow);
    EXPECT_EQ(LoadCursor(nullptr, IDC_ARROW), arrow);
    HCURSOR cross = LoadCursor(nullptr, IDC_CROSS);
    HCURSOR we = LoadCursor(nullptr, IDC_SIZEWE);
    HCURSOR ns = LoadCursor(nullptr, IDC_SIZENS);
    EXPECT_TRUE(cross && we && ns);
    EXPECT_NE(cross, arrow);
    EXPECT_NE(we, ns);
    backend::CursorImage img{};
    ASSERT_TRUE(backend::QueryCursorImage(arrow, &img));
    EXPECT_EQ(img.systemId, 32512u);
    ASSERT_TRUE(backend::QueryCursorImage(we, &img));
    EXPECT_EQ(img.systemId, 32644u);
    // Exactly the classic ids have system cursors, each its own.
    std::vector<UINT> known;
    for (UINT id = 32500; id < 32660; ++id)
        if (HCURSOR c = LoadCursor(nullptr, MAKEINTRESOURCE(id)); c && backend::QueryCursorImage(c, &img)) {
            EXPECT_EQ(img.systemId, id);
            known.push_back(id);
        }
    EXPECT_EQ(known, (std::vector<UINT>{32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642, 32643, 32644, 32645,
                                        32646, 32648, 32649, 32650, 32651}));
    EXPECT_EQ(std::tuple(LoadCursor(nullptr, MAKEINTRESOURCE(12345)), LoadCursor(nullptr, "arrow")),
              std::tuple(HCURSOR{}, HCURSOR{}));
    EXPECT_TRUE(DestroyCursor(arrow));
    EXPECT_TRUE(backend::QueryCursorImage(arrow, &img)) << "system cursors are never destroyed";
}

TEST_F(CursorTest, ModulesRegisterTheirOwnCursorImages) {
    auto mod = reinterpret_cast<HINSTANCE>(0x5000);
    const std::uint32_t px[4] = {0xFF000000, 0xFFFFFFFF, 0x00000000, 0xFF0000FF};
    EXPECT_EQ(LoadCursor(mod, MAKEINTRESOURCE(200)), nullptr);
    ASSERT_TRUE(RegisterCursorResource(mod, 200, 2, 2, 1, 9, px));
    HCURSOR c = LoadCursor(mod, MAKEINTRESOURCE(200));
    ASSERT_TRUE(c);
    backend::CursorImage img{};
    ASSERT_TRUE(backend::QueryCursorImage(c, &img));
    // The hot spot is kept inside the image.
    EXPECT_EQ(std::tuple(img.systemId, img.width, img.hotX, img.hotY, img.pixels[3]), std::tuple(0u, 2, 1, 1, 0xFF0000FFu));
    EXPECT_EQ(LoadCursor(reinterpret_cast<HINSTANCE>(0x6000), MAKEINTRESOURCE(200)), nullptr) << "per module";

    EXPECT_FALSE(RegisterCursorResource(nullptr, 201, 2, 2, 0, 0, px));
    EXPECT_FALSE(RegisterCursorResource(mod, 202, 0, 2, 0, 0, px));
    EXPECT_FALSE(RegisterCursorResource(mod, 203, 2, 2, 0, 0, nullptr));

    EXPECT_TRUE(DestroyCursor(c));
    EXPECT_TRUE(backend::QueryCursorImage(c, &img)) << "a module's cursor lasts until the module's go";
    SetCursor(c);
    EXPECT_EQ(headless::CurrentCursor(), c);
    UnregisterCursorResources(mod);
    EXPECT_EQ(LoadCursor(mod, MAKEINTRESOURCE(200)), nullptr);
    EXPECT_EQ(GetCursor(), nullptr) << "the shown cursor went away with its module";
    EXPECT_FALSE(backend::QueryCursorImage(c, &img));
}

TEST_F(CursorTest, SetCursorAndTheClassCursor) {
    HCURSOR arrow = LoadCursor(nullptr, IDC_ARROW);
    HCURSOR cross = LoadCursor(nullptr, IDC_CROSS);
    SetCursor(arrow);
    EXPECT_EQ((std::tuple{SetCursor(cross), GetCursor()}), (std::tuple{arrow, cross}));
    EXPECT_EQ(SetCursor(reinterpret_cast<HCURSOR>(0x42)), nullptr) << "unknown handles are refused";
    EXPECT_EQ(GetCursor(), cross);
    const int shown = ShowCursor(TRUE);
    EXPECT_EQ(ShowCursor(FALSE), shown - 1) << "showing and hiding count";

    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "CrossCursorWindow";
    wc.hCursor = LoadCursor(nullptr, IDC_SIZEWE);
    RegisterClassEx(&wc);
    HWND h = CreateWindowEx(0, "CrossCursorWindow", "", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                            nullptr, nullptr);
    headless::MouseMove(h, 10, 10);
    Pump();
    EXPECT_EQ(headless::CurrentCursor(), wc.hCursor) << "WM_SETCURSOR sets the class cursor";

    const std::uint32_t px[1] = {0xFFFFFFFF};
    HCURSOR own = CreateCursorFromPixels(1, 1, 0, 0, px);
    ASSERT_TRUE(own);
    SetCursor(own);
    EXPECT_TRUE(DestroyCursor(own));
    EXPECT_EQ((std::tuple{GetCursor(), bool(DestroyCursor(own)), CreateCursorFromPixels(0, 1, 0, 0, px)}),
              (std::tuple{nullptr, false, nullptr}));
    DestroyWindow(h);
    UnregisterClass("CrossCursorWindow", nullptr);
}

class MetricsTest : public PlatformTest {};

TEST_F(MetricsTest, UnknownMetricsAreZeroAndTheDoubleClickTimeResets) {
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
    EXPECT_EQ(std::tuple(GetSystemMetrics(-1), GetSystemMetrics(5000)), std::tuple(0, 0));
    UINT lines = 0;
    EXPECT_TRUE(SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
    EXPECT_GT(lines, 0u);
    EXPECT_FALSE(SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, nullptr, 0));
    UINT standard = GetDoubleClickTime();
    SetDoubleClickTime(250);
    EXPECT_EQ(GetDoubleClickTime(), 250u);
    SetDoubleClickTime(0);
    EXPECT_EQ(GetDoubleClickTime(), standard) << "0 restores the standard time";
}

TEST_F(MetricsTest, SettingChangesReachEveryTopLevelWindow) {
    HWND a = TopLevel(0, 0, 10, 10, WS_OVERLAPPED);
    HWND b = TopLevel(0, 0, 10, 10, WS_OVERLAPPED);
    HWND c = Child(a, 0, 0, 5, 5);
    rec().Clear();
    headless::SetSystemMetric(SM_CXDRAG, 9);
    EXPECT_EQ(GetSystemMetrics(SM_CXDRAG), 9);
    headless::SendSysColorChange();
    EXPECT_TRUE(MatchSequence({{1, WM_SETTINGCHANGE, kSent},
                               {0, WM_SETTINGCHANGE, kSent},
                               {1, WM_SYSCOLORCHANGE, kSent},
                               {0, WM_SYSCOLORCHANGE, kSent}},
                              {a, b, c}));
    headless::ResetSystemMetrics();
    EXPECT_EQ(GetSystemMetrics(SM_CXDRAG), 4);
}

} // namespace

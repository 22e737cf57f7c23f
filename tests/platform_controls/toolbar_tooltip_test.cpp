// Tooltips on the manual clock, toolbar buttons with their states and notifications, and image lists.
#include "fixture.h"

using namespace ctltest;

namespace {

class TooltipTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        tip = CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, parent, nullptr, nullptr,
                             nullptr);
        ASSERT_NE(tip, nullptr);
        AddTool(1, RECT{10, 10, 110, 60}, const_cast<char*>("Play"));
        AddTool(2, RECT{150, 10, 250, 60}, LPSTR_TEXTCALLBACK);
        Rec().tipText = "Stop playback";
    }
    void TearDown() override {
        if (IsWindow(tip)) DestroyWindow(tip);
        ControlsTest::TearDown();
    }
    void AddTool(UINT_PTR id, RECT rc, LPSTR text, UINT flags = TTF_SUBCLASS) {
        TOOLINFO ti = Info(id);
        ti.uFlags = flags;
        ti.rect = rc;
        ti.lpszText = text;
        ASSERT_TRUE(SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti)));
    }
    TOOLINFO Info(UINT_PTR id) {
        TOOLINFO ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = parent;
        ti.uId = id;
        return ti;
    }
    void MoveTo(int x, int y) {
        headless::MouseMove(parent, x, y);
        Pump();
    }
    bool Shown() { return IsWindowVisible(tip) != FALSE; }
    // Whether the tip shows after the clock moved on by ms.
    bool ShownAfter(DWORD ms) {
        headless::AdvanceClock(ms);
        return Shown();
    }
    HWND tip = nullptr;
};

} // namespace

TEST_F(TooltipTest, ShowsAfterInitialDelayAndPopsAfterAutoPop) {
    int initial = static_cast<int>(SendMessage(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0));
    int autoPop = static_cast<int>(SendMessage(tip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
    int reshow = static_cast<int>(SendMessage(tip, TTM_GETDELAYTIME, TTDT_RESHOW, 0));
    EXPECT_EQ((std::tuple{initial, autoPop, reshow}),
              (std::tuple{static_cast<int>(GetDoubleClickTime()), initial * 10, initial / 5}));

    MoveTo(40, 30);
    EXPECT_FALSE(ShownAfter(initial - 1));
    ASSERT_TRUE(ShownAfter(2));
    EXPECT_EQ(Text(tip), "Play");
    EXPECT_EQ(Rec().Notifies(TTN_SHOW), std::vector<UINT>({1u}));
    // Below the pointer, on screen.
    RECT tr = WindowRect(tip);
    POINT cursor{40, 30};
    ClientToScreen(parent, &cursor);
    EXPECT_GT(tr.top, cursor.y);
    EXPECT_LE(tr.left, cursor.x + 2);

    // Moving to the next tool while the tip shows switches after the short re-show delay; the text
    // comes from the owner.
    MoveTo(200, 30);
    EXPECT_FALSE(Shown());
    ASSERT_TRUE(ShownAfter(reshow + 1));
    EXPECT_EQ(Text(tip), "Stop playback");
    ASSERT_FALSE(Rec().Notifies(TTN_GETDISPINFO).empty());
    EXPECT_EQ(Rec().Notifies(TTN_GETDISPINFO).back(), 2u);

    // Small moves inside the tool keep it; it pops on its own after the auto-pop time.
    MoveTo(210, 35);
    EXPECT_TRUE(ShownAfter(autoPop - 200));
    EXPECT_FALSE(ShownAfter(400));
    EXPECT_EQ(Rec().Notifies(TTN_POP), std::vector<UINT>({1u, 2u}));
    // It stays away while the pointer rests on the same tool.
    MoveTo(215, 35);
    EXPECT_FALSE(ShownAfter(initial * 2));

    // Back on the first tool after a while: the full initial delay again.
    MoveTo(40, 30);
    EXPECT_FALSE(ShownAfter(reshow + 1));
    ASSERT_TRUE(ShownAfter(initial));
    EXPECT_EQ(Text(tip), "Play");

    // Leaving every tool hides it.
    MoveTo(300, 200);
    EXPECT_FALSE(ShownAfter(150));
}

TEST_F(TooltipTest, ClicksDelaysActivationAndToolEdits) {
    SendMessage(tip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(50, 0));
    EXPECT_EQ(SendMessage(tip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 50);
    // A press hides and suppresses the tip until the pointer reaches another tool.
    MoveTo(40, 30);
    ASSERT_TRUE(ShownAfter(60));
    ClickAt(parent, 40, 30);
    EXPECT_FALSE(Shown());
    EXPECT_FALSE(ShownAfter(1000));

    // Deactivated: nothing shows; reactivated: it does again, also on the tool the pointer was on.
    SendMessage(tip, TTM_ACTIVATE, FALSE, 0);
    MoveTo(40, 32);
    EXPECT_FALSE(ShownAfter(1000));
    SendMessage(tip, TTM_ACTIVATE, TRUE, 0);
    MoveTo(40, 30);
    ASSERT_TRUE(ShownAfter(1000));

    // New text while shown appears at once; TTM_POP hides.
    TOOLINFO ti = Info(1);
    ti.lpszText = const_cast<char*>("Pause");
    SendMessage(tip, TTM_UPDATETIPTEXT, 0, reinterpret_cast<LPARAM>(&ti));
    EXPECT_EQ(Text(tip), "Pause");
    char buf[80] = {};
    TOOLINFO get = Info(1);
    get.lpszText = buf;
    SendMessage(tip, TTM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(&get));
    EXPECT_STREQ(buf, "Pause");
    SendMessage(tip, TTM_POP, 0, 0);
    EXPECT_FALSE(Shown());

    // A moved tool rectangle is where the tip now answers.
    TOOLINFO moved = Info(1);
    moved.rect = RECT{300, 200, 400, 260};
    SendMessage(tip, TTM_NEWTOOLRECT, 0, reinterpret_cast<LPARAM>(&moved));
    MoveTo(40, 30);
    EXPECT_FALSE(ShownAfter(1000));
    MoveTo(350, 230);
    EXPECT_TRUE(ShownAfter(1000));

    // Deleting tools: the count follows; unknown tools are ignored.
    EXPECT_EQ(SendMessage(tip, TTM_GETTOOLCOUNT, 0, 0), 2);
    TOOLINFO del = Info(1);
    SendMessage(tip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&del));
    EXPECT_FALSE(Shown());
    del.uId = 99;
    SendMessage(tip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&del));
    EXPECT_EQ(SendMessage(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    TOOLINFO bad{};
    bad.cbSize = sizeof bad;
    bad.hwnd = nullptr; // neither a window nor TTF_IDISHWND
    EXPECT_FALSE(SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&bad)));
}

TEST_F(TooltipTest, RelayedEventsWithoutSubclassAndOwnerRestoredOnDestroy) {
    HWND target = Child(WC_BUTTON, "Target", BS_PUSHBUTTON, 10, 100, 100, 30, 7);
    TOOLINFO ti = Info(reinterpret_cast<UINT_PTR>(target));
    ti.uFlags = TTF_IDISHWND;
    ti.lpszText = const_cast<char*>("Relayed");
    ASSERT_TRUE(SendMessage(tip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti)));
    headless::MouseMove(target, 20, 10);
    Pump();
    EXPECT_FALSE(ShownAfter(1000)); // nothing relayed yet
    MSG m{target, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10), 0, POINT{0, 0}};
    SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
    ASSERT_TRUE(ShownAfter(1000));
    EXPECT_EQ(Text(tip), "Relayed");

    // The subclassed owner keeps working after the tooltip is gone.
    DestroyWindow(tip);
    Pump();
    ClickAt(target, 20, 10);
    EXPECT_EQ(Rec().CountCommand(7, BN_CLICKED), 1);
    MoveTo(40, 30);
    headless::AdvanceClock(1000);
}

class ToolbarTest : public ControlsTest {
protected:
    enum { kDraw = 4001, kSelect = 4002, kLoop = 4003, kPlay = 4004, kTools = 4005, kOff = 4006 };
    void SetUp() override {
        ControlsTest::SetUp();
        images = ImageList_Create(16, 16, ILC_COLOR32, 4, 4);
        hot = ImageList_Create(16, 16, ILC_COLOR32, 4, 4);
        HBITMAP strip = Strip(16, 4);
        ASSERT_EQ(ImageList_Add(images, strip, nullptr), 0);
        DeleteObject(strip);
        // The hot list shows every image white.
        void* bits = nullptr;
        HBITMAP white = gfxtest::Dib32(64, 16, &bits);
        for (int i = 0; i < 64 * 16; ++i) static_cast<std::uint32_t*>(bits)[i] = 0xFFFFFFFFu;
        ImageList_Add(hot, white, nullptr);
        DeleteObject(white);

        bar = CreateWindowEx(0, TOOLBARCLASSNAME, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER,
                             0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(77)), nullptr, nullptr);
        ASSERT_NE(bar, nullptr);
        SendMessage(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SendMessage(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
        SendMessage(bar, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hot));
        SendMessage(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
        TBBUTTON buttons[] = {
            {0, kDraw, TBSTATE_ENABLED | TBSTATE_CHECKED, BTNS_CHECKGROUP, {}, 0, -1},
            {1, kSelect, TBSTATE_ENABLED, BTNS_CHECKGROUP, {}, 0, -1},
            {0, 0, 0, BTNS_SEP, {}, 0, -1},
            {2, kLoop, TBSTATE_ENABLED, BTNS_CHECK, {}, 0, -1},
            {3, kPlay, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, -1},
            {0, kTools, TBSTATE_ENABLED, BTNS_DROPDOWN, {}, 0, -1},
            {1, kOff, 0, BTNS_BUTTON, {}, 0, -1},
        };
        ASSERT_TRUE(SendMessage(bar, TB_ADDBUTTONS, 7, reinterpret_cast<LPARAM>(buttons)));
        SendMessage(bar, TB_AUTOSIZE, 0, 0);
        Pump();
    }
    void TearDown() override {
        if (IsWindow(bar)) DestroyWindow(bar);
        ImageList_Destroy(images);
        ImageList_Destroy(hot);
        ControlsTest::TearDown();
    }
    RECT Rect(int command) {
        RECT rc{};
        SendMessage(bar, TB_GETRECT, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&rc));
        return rc;
    }
    void ClickButton(int command, int dx = 0) {
        RECT rc = Rect(command);
        ClickAt(bar, (rc.left + rc.right) / 2 + dx, (rc.top + rc.bottom) / 2);
    }
    bool Checked(int command) { return SendMessage(bar, TB_ISBUTTONCHECKED, static_cast<WPARAM>(command), 0) != 0; }
    HWND bar = nullptr;
    HIMAGELIST images = nullptr, hot = nullptr;
};

TEST_F(ToolbarTest, LayoutAndAutosize) {
    EXPECT_EQ(SendMessage(bar, TB_BUTTONCOUNT, 0, 0), 7);
    RECT draw = Rect(kDraw), select = Rect(kSelect), loop = Rect(kLoop), play = Rect(kPlay), tools = Rect(kTools);
    int w = draw.right - draw.left;
    EXPECT_GE(w, 16 + 4);
    EXPECT_EQ(select.left, draw.right);
    RECT sep{};
    SendMessage(bar, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&sep));
    EXPECT_EQ((std::tuple{sep.left, loop.left}), (std::tuple{select.right, sep.right}));
    EXPECT_GT(sep.right - sep.left, 0);
    EXPECT_LT(sep.right - sep.left, w);
    EXPECT_EQ(play.left, loop.right);
    EXPECT_GT(tools.right - tools.left, w); // room for the drop-down arrow
    SIZE max{};
    ASSERT_TRUE(SendMessage(bar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&max)));
    RECT off = Rect(kOff);
    EXPECT_EQ((std::tuple{max.cx, max.cy}), (std::tuple{off.right, draw.bottom - draw.top}));
    // Autosize spans the parent's width at the top, one button high.
    RECT bar_rc, parent_rc;
    GetWindowRect(bar, &bar_rc);
    GetClientRect(parent, &parent_rc);
    EXPECT_EQ(bar_rc.right - bar_rc.left, parent_rc.right);
    EXPECT_EQ(bar_rc.bottom - bar_rc.top, max.cy);
    // At the bottom it sits on the parent's bottom edge; not aligned to the parent it hugs its buttons.
    for (DWORD align : {DWORD{CCS_BOTTOM}, DWORD{CCS_NOPARENTALIGN}}) {
        SetWindowLongPtr(bar, GWL_STYLE, (GetWindowLongPtr(bar, GWL_STYLE) & ~(CCS_BOTTOM | CCS_NOPARENTALIGN)) | align);
        SetWindowPos(bar, nullptr, 5, 5, 10, 10, SWP_NOZORDER);
        SendMessage(bar, TB_AUTOSIZE, 0, 0);
        RECT placed = WindowRect(bar);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&placed), 2);
        const RECT want = align == CCS_BOTTOM ? RECT{0, parent_rc.bottom - max.cy, parent_rc.right, parent_rc.bottom}
                                              : RECT{5, 5, 5 + max.cx, 5 + max.cy};
        EXPECT_EQ(placed, want) << align;
    }
    // A button size applies to every button but an autosized one, which keeps to its image.
    TBBUTTON fit{0, 90, TBSTATE_ENABLED, BTNS_BUTTON | BTNS_AUTOSIZE, {}, 0, -1};
    SendMessage(bar, TB_ADDBUTTONS, 1, reinterpret_cast<LPARAM>(&fit));
    SendMessage(bar, TB_SETBUTTONSIZE, 0, MAKELPARAM(40, max.cy));
    EXPECT_EQ(Rect(kDraw).right - Rect(kDraw).left, 40);
    EXPECT_EQ(Rect(90).right - Rect(90).left, w);
    SendMessage(bar, TB_DELETEBUTTON, SendMessage(bar, TB_COMMANDTOINDEX, 90, 0), 0);
    SendMessage(bar, TB_SETBUTTONSIZE, 0, MAKELPARAM(w, max.cy));
    // Hiding a button closes the gap.
    SendMessage(bar, TB_HIDEBUTTON, kLoop, TRUE);
    EXPECT_EQ(Rect(kPlay).left, sep.right);
    EXPECT_EQ(SendMessage(bar, TB_COMMANDTOINDEX, kPlay, 0), 4);
    EXPECT_EQ(SendMessage(bar, TB_COMMANDTOINDEX, 9999, 0), -1);
}

TEST_F(ToolbarTest, ClicksCheckGroupsAndDisabledButtons) {
    ClickButton(kSelect);
    EXPECT_TRUE(Checked(kSelect));
    EXPECT_FALSE(Checked(kDraw));
    auto cmds = Rec().Of(WM_COMMAND);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(LOWORD(cmds[0].wParam), kSelect);
    EXPECT_EQ(reinterpret_cast<HWND>(cmds[0].lParam), bar);
    ClickButton(kSelect); // a checked group button stays checked
    EXPECT_TRUE(Checked(kSelect));

    ClickButton(kLoop);
    EXPECT_TRUE(Checked(kLoop));
    ClickButton(kLoop);
    EXPECT_FALSE(Checked(kLoop));
    ClickButton(kPlay);
    EXPECT_FALSE(Checked(kPlay));
    EXPECT_EQ(Rec().Commands(kPlay).size(), 1u);

    Rec().Clear();
    ClickButton(kOff);
    EXPECT_TRUE(Rec().Of(WM_COMMAND).empty());
    // Pressed, dragged off and released elsewhere: nothing.
    RECT play = Rect(kPlay);
    headless::MouseMove(bar, play.left + 5, play.top + 5);
    headless::MouseDown(backend::BUTTON_LEFT);
    Pump();
    EXPECT_TRUE(SendMessage(bar, TB_GETSTATE, kPlay, 0) & TBSTATE_ENABLED);
    headless::MouseMove(bar, Rect(kDraw).left + 3, 5);
    headless::MouseUp(backend::BUTTON_LEFT);
    Pump();
    EXPECT_TRUE(Rec().Of(WM_COMMAND).empty());
    EXPECT_TRUE(Checked(kSelect)); // releasing over another button does not press it
}

TEST_F(ToolbarTest, DropDownArrowNotifiesAndFaceCommands) {
    RECT tools = Rect(kTools);
    int arrowX = tools.right - 4;
    int faceX = tools.left + 4;
    ClickAt(bar, arrowX, 10);
    auto drops = Rec().Of(WM_NOTIFY);
    ASSERT_EQ(Rec().Notifies(TBN_DROPDOWN).size(), 1u);
    EXPECT_TRUE(Rec().Of(WM_COMMAND).empty());
    ClickAt(bar, faceX, 10);
    EXPECT_EQ(Rec().Commands(kTools).size(), 1u);
    EXPECT_EQ(Rec().Notifies(TBN_DROPDOWN).size(), 1u);

    // The notification carries the button and its rectangle; the parent can open a menu there.
    NMTOOLBAR seen{};
    Rec().onNotify = [&](NMHDR* hdr) -> LRESULT {
        if (hdr->code == TBN_DROPDOWN) seen = *reinterpret_cast<NMTOOLBAR*>(hdr);
        return TBDDRET_DEFAULT;
    };
    ClickAt(bar, arrowX, 10);
    EXPECT_EQ(seen.iItem, kTools);
    EXPECT_EQ((std::tuple{seen.hdr.hwndFrom, seen.hdr.idFrom, seen.rcButton.left, seen.rcButton.right}),
              (std::tuple{bar, 77u, tools.left, tools.right}));
}

TEST_F(ToolbarTest, StateMessages) {
    EXPECT_TRUE(SendMessage(bar, TB_CHECKBUTTON, kSelect, TRUE));
    EXPECT_TRUE(Checked(kSelect));
    EXPECT_FALSE(Checked(kDraw)); // the group follows
    EXPECT_TRUE(SendMessage(bar, TB_ENABLEBUTTON, kPlay, FALSE));
    EXPECT_FALSE(SendMessage(bar, TB_ISBUTTONENABLED, kPlay, 0));
    ClickButton(kPlay);
    EXPECT_TRUE(Rec().Of(WM_COMMAND).empty());
    const auto send = [&](UINT m, WPARAM w, LPARAM l) { return SendMessage(bar, m, w, l); };
    EXPECT_EQ((std::vector{send(TB_SETSTATE, kPlay, MAKELONG(TBSTATE_ENABLED | TBSTATE_CHECKED, 0)),
                           send(TB_GETSTATE, kPlay, 0), send(TB_ISBUTTONENABLED, kPlay, 0), send(TB_GETSTATE, 9999, 0),
                           send(TB_SETSTATE, 9999, 0)}),
              (std::vector<LRESULT>{TRUE, TBSTATE_ENABLED | TBSTATE_CHECKED, TRUE, -1, FALSE}));
    TBBUTTON b{};
    ASSERT_TRUE(SendMessage(bar, TB_GETBUTTON, 4, reinterpret_cast<LPARAM>(&b)));
    EXPECT_EQ(b.idCommand, kPlay);
    EXPECT_EQ((std::tuple{send(TB_GETBUTTON, 42, reinterpret_cast<LPARAM>(&b)), send(TB_DELETEBUTTON, 0, 0),
                          send(TB_BUTTONCOUNT, 0, 0), Rect(kSelect).left}),
              (std::tuple{FALSE, TRUE, 6, 0}));
    // Inserting puts the button at the index given, or last when the index is past the end.
    TBBUTTON extra{0, 91, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, -1};
    EXPECT_EQ((std::vector{send(TB_INSERTBUTTON, 1, reinterpret_cast<LPARAM>(&extra)), send(TB_COMMANDTOINDEX, 91, 0)}),
              (std::vector<LRESULT>{TRUE, 1}));
    extra.idCommand = 92;
    EXPECT_EQ((std::vector{send(TB_INSERTBUTTON, 99, reinterpret_cast<LPARAM>(&extra)), send(TB_COMMANDTOINDEX, 92, 0),
                           send(TB_INSERTBUTTON, 0, 0), send(TB_BUTTONCOUNT, 0, 0)}),
              (std::vector<LRESULT>{TRUE, 7, FALSE, 8}));
}

TEST_F(ToolbarTest, HotTrackingImagesAndTooltips) {
    RECT play = Rect(kPlay);
    POINT centre{(play.left + play.right) / 2, (play.top + play.bottom) / 2};
    // Normal: the image's colour at the button's centre.
    EXPECT_EQ(headless::ReadPixel(bar, centre.x, centre.y), Px(kColours[3]));
    headless::MouseMove(bar, centre.x, centre.y);
    Pump();
    EXPECT_EQ(SendMessage(bar, TB_GETHOTITEM, 0, 0), 4);
    EXPECT_EQ(headless::ReadPixel(bar, centre.x, centre.y), 0xFFFFFFFFu); // the hot list's image
    // A disabled button is never hot and draws its image faded.
    RECT off = Rect(kOff);
    headless::MouseMove(bar, off.left + 8, 10);
    Pump();
    EXPECT_EQ(SendMessage(bar, TB_GETHOTITEM, 0, 0), -1);
    std::uint32_t faded = headless::ReadPixel(bar, (off.left + off.right) / 2, (off.top + off.bottom) / 2);
    EXPECT_NE(faded, Px(kColours[1]));
    EXPECT_GT(faded & 0xFF, 0x40u); // lighter than the green it fades
    // Leaving the toolbar clears the hot item.
    headless::MouseMove(parent, 300, 300);
    Pump();
    EXPECT_EQ(SendMessage(bar, TB_GETHOTITEM, 0, 0), -1);

    // Resting on a button asks the parent for its tip text with the command as id.
    HWND tip = reinterpret_cast<HWND>(SendMessage(bar, TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(SendMessage(tip, TTM_GETTOOLCOUNT, 0, 0), 6) << "a tool for each button but the separator";
    Rec().tipText = "Play from the cursor";
    headless::MouseMove(bar, centre.x, centre.y);
    Pump();
    headless::AdvanceClock(GetDoubleClickTime() + 10);
    ASSERT_TRUE(IsWindowVisible(tip));
    EXPECT_EQ(Text(tip), "Play from the cursor");
    EXPECT_TRUE(headless::Snapshot(tip, SnapshotPath("controls_tooltip.png").c_str()));
    EXPECT_EQ(headless::ReadPixel(tip, 2, 2), Px(GetSysColor(COLOR_INFOBK)));
    ASSERT_FALSE(Rec().Notifies(TTN_GETDISPINFO).empty());
    EXPECT_EQ(Rec().Notifies(TTN_GETDISPINFO).back(), static_cast<UINT>(kPlay));
    // Pressing the button hides the tip.
    headless::MouseDown(backend::BUTTON_LEFT);
    headless::MouseUp(backend::BUTTON_LEFT);
    Pump();
    EXPECT_FALSE(IsWindowVisible(tip));
    EXPECT_EQ(Rec().Commands(kPlay).size(), 1u);
}

TEST(ImageLists, AddDrawAndRefuse) {
    HIMAGELIST list = ImageList_Create(4, 4, ILC_COLOR32 | ILC_MASK, 2, 2);
    ASSERT_NE(list, nullptr);
    HBITMAP strip = Strip(4, 3);
    EXPECT_EQ(ImageList_Add(list, strip, nullptr), 0);
    EXPECT_EQ(ImageList_GetImageCount(list), 3);
    std::uint32_t px[16];
    ASSERT_TRUE(ImageList_GetImagePixels(list, 2, px));
    EXPECT_EQ(px[5], Px(kColours[2]));
    int cx = 0, cy = 0;
    ASSERT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
    EXPECT_EQ((std::tuple{cx, cy}), (std::tuple{4, 4}));

    EXPECT_FALSE(ImageList_GetImagePixels(list, 9, px));

    gfxtest::Canvas c(8, 4, RGB(10, 20, 30));
    ASSERT_TRUE(ImageList_Draw(list, 0, c.dc, 0, 0, ILD_NORMAL));
    EXPECT_EQ(c.At(3, 3), kColours[0]);
    for (int bad : {-1, ImageList_GetImageCount(list), 17}) EXPECT_FALSE(ImageList_Draw(list, bad, c.dc, 0, 0, ILD_NORMAL));
    EXPECT_FALSE(ImageList_Draw(nullptr, 0, c.dc, 0, 0, ILD_NORMAL));
    EXPECT_FALSE(ImageList_Draw(list, 0, nullptr, 0, 0, ILD_NORMAL));

    // A strip narrower than one image, or shorter, adds nothing; a monochrome one comes in black and white.
    HBITMAP tiny = Strip(2, 1), thin = CreateBitmap(3, 4, 1, 32, nullptr);
    EXPECT_EQ(ImageList_Add(list, tiny, nullptr), -1);
    EXPECT_EQ(ImageList_Add(list, thin, nullptr), -1);
    const BYTE rows[8] = {0xA0, 0, 0xA0, 0, 0xA0, 0, 0xA0, 0};
    HBITMAP mono = CreateBitmap(4, 4, 1, 1, rows);
    const int at = ImageList_Add(list, mono, nullptr);
    ASSERT_GE(at, 0);
    ASSERT_TRUE(ImageList_GetImagePixels(list, at, px));
    EXPECT_EQ((std::tuple{px[0], px[1]}), (std::tuple{Px(RGB(255, 255, 255)), Px(RGB(0, 0, 0))}));
    for (HBITMAP b : {tiny, thin, mono}) DeleteObject(b);
    DeleteObject(strip);
    ASSERT_TRUE(ImageList_Destroy(list));
    EXPECT_FALSE(ImageList_Destroy(list));
    EXPECT_EQ(ImageList_GetImageCount(list), 0);
    for (auto [cx, cy] : {std::pair{0, 16}, std::pair{16, 0}, std::pair{-1, 16}, std::pair{4097, 16}, std::pair{16, 4097}})
        EXPECT_EQ(ImageList_Create(cx, cy, ILC_COLOR32, 1, 1), nullptr) << cx << "x" << cy;
}

TEST(ImageLists, PremultipliedAlphaBlendsOverTheDestination) {
    void* bits = nullptr;
    HBITMAP bmp = gfxtest::Dib32(2, 2, &bits);
    auto* p = static_cast<std::uint32_t*>(bits);
    p[0] = 0x80800000u; // half-transparent red, premultiplied
    p[1] = 0xFF0000FFu; // opaque blue
    p[2] = 0x00000000u; // clear
    p[3] = 0x80008000u;
    HIMAGELIST list = ImageList_Create(2, 2, ILC_COLOR32, 1, 1);
    ASSERT_EQ(ImageList_Add(list, bmp, nullptr), 0);
    gfxtest::Canvas c(2, 2, RGB(0, 0, 0));
    ASSERT_TRUE(ImageList_Draw(list, 0, c.dc, 0, 0, ILD_TRANSPARENT));
    c.Expect({{0, 0, RGB(128, 0, 0)}, {1, 0, RGB(0, 0, 255)}, {0, 1, RGB(0, 0, 0)}});
    c.Clear(RGB(255, 255, 255));
    ImageList_Draw(list, 0, c.dc, 0, 0, ILD_TRANSPARENT);
    EXPECT_NEAR(GetRValue(c.At(0, 0)), 255, 1);
    EXPECT_NEAR(GetGValue(c.At(0, 0)), 127, 1);
    EXPECT_EQ(c.At(0, 1), RGB(255, 255, 255));
    // Selected looks blend a half or a quarter towards the given colour (or the highlight); a size
    // draws that much of the image.
    c.Clear(RGB(0, 0, 0));
    ASSERT_TRUE(ImageList_DrawEx(list, 0, c.dc, 0, 0, 1, 1, CLR_NONE, RGB(0, 0, 0), ILD_BLEND50));
    EXPECT_EQ(c.At(1, 0), RGB(0, 0, 0)) << "drawn one pixel wide only";
    EXPECT_NEAR(GetRValue(c.At(0, 0)), 64, 1); // half red, half way to black
    // A quarter of the way to white: the half-transparent red becomes (128, 32, 32) over black.
    ImageList_DrawEx(list, 0, c.dc, 1, 0, 0, 0, CLR_NONE, RGB(255, 255, 255), ILD_BLEND25);
    EXPECT_NEAR(GetRValue(c.At(1, 0)), 128, 1);
    EXPECT_NEAR(GetBValue(c.At(1, 0)), 32, 1);
    ImageList_DrawEx(list, 0, c.dc, 0, 0, 0, 0, CLR_NONE, CLR_DEFAULT, ILD_BLEND50);
    EXPECT_NEAR(GetBValue(c.At(1, 0)), (255 + GetBValue(GetSysColor(COLOR_HIGHLIGHT))) / 2, 1);
    ImageList_Destroy(list);
    DeleteObject(bmp);
}

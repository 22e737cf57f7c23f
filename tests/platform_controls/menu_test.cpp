// Menus: building and querying, states and marks, templates and resources, and pop-up menus tracked by
// the test hook, the keyboard and the mouse.
#include "fixture.h"

#include <cstring>

using namespace ctltest;

namespace {

// An item query or change that names the fields of mask.
MENUITEMINFO ItemInfo(UINT mask) {
    MENUITEMINFO info{};
    info.cbSize = sizeof info;
    info.fMask = mask;
    return info;
}

enum : UINT { kCut = 101, kCopy = 102, kPaste = 103, kDelete = 104, kZoomIn = 201, kZoomOut = 202, kLeft = 301, kRight = 302 };

// Edit: Cu&t, &Copy, (separator), &Paste (grayed), &Zoom > [Zoom &In, Zoom &Out], De&lete\tDel
HMENU BuildEditMenu() {
    HMENU menu = CreatePopupMenu();
    HMENU zoom = CreatePopupMenu();
    AppendMenu(zoom, MF_STRING, kZoomIn, "Zoom &In");
    AppendMenu(zoom, MF_STRING, kZoomOut, "Zoom &Out");
    AppendMenu(menu, MF_STRING, kCut, "Cu&t\tCtrl+X");
    AppendMenu(menu, MF_STRING, kCopy, "&Copy\tCtrl+C");
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_STRING | MF_GRAYED, kPaste, "&Paste\tCtrl+V");
    AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(zoom), "&Zoom");
    AppendMenu(menu, MF_STRING, kDelete, "De&lete\tDel");
    return menu;
}

std::string ItemText(HMENU menu, UINT item, UINT flags) {
    char buf[64] = {};
    GetMenuString(menu, item, buf, sizeof buf, flags);
    return buf;
}

// The command a pop-up menu posted to the parent (0 when none), after pumping.
UINT PostedCommand() {
    headless::PumpUntilIdle();
    for (const Seen& s : Rec().seen)
        if (s.msg == WM_COMMAND && s.lParam == 0 && HIWORD(s.wParam) == 0) return LOWORD(s.wParam);
    return 0;
}

} // namespace

TEST(MenuObjects, BuildAndQueryItemsAndSubMenus) {
    HMENU menu = BuildEditMenu();
    ASSERT_TRUE(IsMenu(menu));
    EXPECT_EQ((std::tuple{GetMenuItemCount(menu), GetMenuItemID(menu, 0)}), (std::tuple{6, kCut}));
    EXPECT_EQ(GetMenuItemID(menu, 4), static_cast<UINT>(-1)); // a sub-menu has no command
    EXPECT_EQ(GetMenuItemID(menu, 9), static_cast<UINT>(-1));
    HMENU zoom = GetSubMenu(menu, 4);
    ASSERT_NE(zoom, nullptr);
    EXPECT_EQ((std::tuple{GetSubMenu(menu, 0), GetMenuItemCount(zoom)}), (std::tuple{nullptr, 2}));

    // Lookup by command reaches into sub-menus; by position stays in the menu.
    EXPECT_EQ(ItemText(menu, kZoomOut, MF_BYCOMMAND), "Zoom &Out");
    EXPECT_EQ(ItemText(menu, 1, MF_BYPOSITION), "&Copy\tCtrl+C");
    char small[4];
    EXPECT_EQ(GetMenuString(menu, kCopy, small, sizeof small, MF_BYCOMMAND), 3);
    EXPECT_STREQ(small, "&Co");

    MENUITEMINFO info = ItemInfo(MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING);
    char text[32];
    info.dwTypeData = text;
    info.cch = sizeof text;
    ASSERT_TRUE(GetMenuItemInfo(menu, 4, TRUE, &info));
    EXPECT_EQ(info.hSubMenu, zoom);
    EXPECT_STREQ(text, "&Zoom");
    EXPECT_EQ(info.cch, 5u);
    ASSERT_TRUE(GetMenuItemInfo(menu, 2, TRUE, &info));
    EXPECT_TRUE(info.fType & MFT_SEPARATOR);

    // Insert before a command (inside the sub-menu that holds it) and by position.
    MENUITEMINFO add = ItemInfo(MIIM_ID | MIIM_STRING);
    add.wID = 203;
    add.dwTypeData = const_cast<char*>("Fit");
    ASSERT_TRUE(InsertMenuItem(menu, kZoomOut, FALSE, &add));
    EXPECT_EQ(GetMenuItemID(zoom, 1), 203u);
    ASSERT_TRUE(InsertMenu(menu, 0, MF_BYPOSITION | MF_STRING, 100, "Undo"));
    EXPECT_EQ(GetMenuItemID(menu, 0), 100u);
    EXPECT_FALSE(InsertMenu(menu, 999, MF_BYCOMMAND | MF_STRING, 5, "nowhere"));

    // Modify replaces text and id; a sub-menu cannot be put inside itself.
    ASSERT_TRUE(ModifyMenu(menu, kDelete, MF_BYCOMMAND | MF_STRING, 105, "&Erase"));
    EXPECT_EQ((std::tuple{ItemText(menu, 105, MF_BYCOMMAND), GetMenuState(menu, kDelete, MF_BYCOMMAND),
                          AppendMenu(zoom, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), "loop"),
                          AppendMenu(menu, MF_POPUP, UINT_PTR{0}, "no menu")}),
              (std::tuple{"&Erase", static_cast<UINT>(-1), FALSE, FALSE}));

    DestroyMenu(menu);
    EXPECT_FALSE(IsMenu(menu));
    EXPECT_FALSE(IsMenu(zoom)); // destroyed with its parent
    EXPECT_EQ(GetMenuItemCount(menu), -1);
}

TEST(MenuObjects, RemoveKeepsSubMenuAndDeleteDestroysIt) {
    HMENU menu = BuildEditMenu();
    HMENU zoom = GetSubMenu(menu, 4);
    ASSERT_TRUE(RemoveMenu(menu, 4, MF_BYPOSITION));
    EXPECT_EQ(GetMenuItemCount(menu), 5);
    EXPECT_TRUE(IsMenu(zoom));
    ASSERT_TRUE(AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(zoom), "&Zoom"));
    ASSERT_TRUE(DeleteMenu(menu, 5, MF_BYPOSITION));
    EXPECT_EQ((std::tuple{IsMenu(zoom), DeleteMenu(menu, kCopy, MF_BYCOMMAND), DeleteMenu(menu, kCopy, MF_BYCOMMAND),
                          GetMenuItemCount(menu)}),
              (std::tuple{FALSE, TRUE, FALSE, 4}));
    DestroyMenu(menu);
    EXPECT_FALSE(DestroyMenu(menu));
}

TEST(MenuObjects, EnableCheckAndRadioStates) {
    HMENU menu = BuildEditMenu();
    EXPECT_EQ((std::vector<DWORD>{EnableMenuItem(menu, kPaste, MF_BYCOMMAND | MF_ENABLED),
                                  GetMenuState(menu, kPaste, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED),
                                  EnableMenuItem(menu, 0, MF_BYPOSITION | MF_DISABLED),
                                  GetMenuState(menu, kCut, MF_BYCOMMAND) & MF_DISABLED,
                                  EnableMenuItem(menu, 4242, MF_BYCOMMAND | MF_GRAYED)}),
              (std::vector<DWORD>{MF_GRAYED, 0, MF_ENABLED, MF_DISABLED, static_cast<DWORD>(-1)}));

    EXPECT_EQ(CheckMenuItem(menu, kCopy, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
    EXPECT_EQ(CheckMenuItem(menu, kCopy, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);
    EXPECT_EQ(CheckMenuItem(menu, 4242, MF_CHECKED), static_cast<DWORD>(-1));

    // The sub-menu's state carries MF_POPUP and its item count in the high byte.
    UINT popupState = GetMenuState(menu, 4, MF_BYPOSITION);
    EXPECT_TRUE(popupState & MF_POPUP);
    EXPECT_EQ(popupState >> 8, 2u);

    // The radio mark moves within the range and carries the radio look.
    HMENU zoom = GetSubMenu(menu, 4);
    EXPECT_EQ(GetSubMenu(menu, GetMenuItemCount(menu)), nullptr);
    EXPECT_EQ(GetSubMenu(menu, -1), nullptr);
    ASSERT_TRUE(CheckMenuRadioItem(menu, kZoomIn, kZoomOut, kZoomIn, MF_BYCOMMAND));
    EXPECT_TRUE(GetMenuState(zoom, kZoomIn, MF_BYCOMMAND) & MF_CHECKED);
    ASSERT_TRUE(CheckMenuRadioItem(zoom, 0, 1, 1, MF_BYPOSITION));
    EXPECT_FALSE(GetMenuState(zoom, kZoomIn, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(GetMenuState(zoom, kZoomOut, MF_BYCOMMAND) & MF_CHECKED);
    MENUITEMINFO info = ItemInfo(MIIM_FTYPE);
    ASSERT_TRUE(GetMenuItemInfo(zoom, kZoomOut, FALSE, &info));
    EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
    EXPECT_FALSE(CheckMenuRadioItem(zoom, 0, 1, 5, MF_BYPOSITION));
    EXPECT_FALSE(CheckMenuRadioItem(zoom, 0, 7, 1, MF_BYPOSITION));
    DestroyMenu(menu);

    EXPECT_FALSE(CheckMenuRadioItem(menu, kZoomIn, kZoomOut, kCut, MF_BYCOMMAND)) << "the item is outside the range";
    EXPECT_FALSE(CheckMenuRadioItem(menu, kZoomOut, kZoomIn, kZoomIn, MF_BYCOMMAND)) << "an empty range";
    // Items outside the command range keep their marks.
    HMENU tools = CreatePopupMenu();
    for (UINT id : {10u, 11u, 12u, 13u}) AppendMenu(tools, MF_STRING | (id % 3 == 1 ? MF_CHECKED : 0), id, "x");
    ASSERT_TRUE(CheckMenuRadioItem(tools, 11, 12, 12, MF_BYCOMMAND));
    std::vector<bool> checked;
    for (UINT id : {10u, 11u, 12u, 13u}) checked.push_back(GetMenuState(tools, id, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(checked, (std::vector<bool>{true, false, true, true}));
    DestroyMenu(tools);
}

TEST(MenuObjects, ItemInfoChangesWhatItsMaskNames) {
    HMENU m = CreatePopupMenu(), sub = CreatePopupMenu();
    AppendMenu(m, MF_STRING, 1, "One");
    AppendMenu(m, MF_STRING, 2, "Two");
    auto text = [&](UINT id) {
        char buffer[16] = {};
        GetMenuString(m, id, buffer, sizeof buffer, MF_BYCOMMAND);
        return std::string(buffer);
    };
    MENUITEMINFO info = ItemInfo(MIIM_STRING);
    info.dwTypeData = const_cast<char*>("Uno");
    ASSERT_TRUE(SetMenuItemInfo(m, 1, FALSE, &info));
    EXPECT_EQ(text(1), "Uno");
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_DATA; // by position: the second item
    info.fState = MFS_CHECKED;
    info.wID = 20;
    info.dwItemData = 77;
    ASSERT_TRUE(SetMenuItemInfo(m, 1, TRUE, &info));
    EXPECT_EQ(text(20), "Two") << "the text is not in the mask";
    EXPECT_TRUE(GetMenuState(m, 20, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(m, 1, MF_BYCOMMAND) & MF_CHECKED);
    MENUITEMINFO back = ItemInfo(MIIM_DATA);
    ASSERT_TRUE(GetMenuItemInfo(m, 20, FALSE, &back));
    EXPECT_EQ(back.dwItemData, 77u);
    // Without a buffer (or without room) the text's length comes back.
    back.fMask = MIIM_STRING;
    back.cch = 10;
    ASSERT_TRUE(GetMenuItemInfo(m, 20, FALSE, &back));
    EXPECT_EQ(back.cch, 3u);
    char small[2] = "x";
    back.dwTypeData = small;
    back.cch = 0;
    ASSERT_TRUE(GetMenuItemInfo(m, 20, FALSE, &back));
    EXPECT_EQ(back.cch, 3u);
    EXPECT_STREQ(small, "x");
    info.fMask = MIIM_SUBMENU;
    info.hSubMenu = m;
    EXPECT_FALSE(SetMenuItemInfo(m, 0, TRUE, &info)) << "a menu cannot hold itself";
    info.hSubMenu = sub;
    ASSERT_TRUE(SetMenuItemInfo(m, 0, TRUE, &info));
    EXPECT_EQ(GetSubMenu(m, 0), sub);
    EXPECT_FALSE(SetMenuItemInfo(m, 99, FALSE, &info));
    EXPECT_FALSE(SetMenuItemInfo(m, 0, TRUE, nullptr));
    DestroyMenu(m);
}

TEST(MenuObjects, TemplatesAndResources) {
    static const MenuTemplateItem items[] = {
        {MF_POPUP, 0, "&File"},
        {0, 1, "&Open"},
        {MF_POPUP, 0, "&Recent"},
        {MF_END, 2, "a.mid"},
        {MF_SEPARATOR, 0, nullptr},
        {MF_END, 3, "E&xit"},
        {MF_POPUP | MF_END, 0, "&Help"},
        {MF_END | MF_GRAYED, 4, "&About"},
    };
    static const MenuTemplate tmpl{items, 8};
    HMENU bar = LoadMenuIndirect(&tmpl);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    HMENU file = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(file), 4);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(file, 1)), 1);
    EXPECT_EQ(GetMenuItemID(file, 3), 3u);
    EXPECT_TRUE(GetMenuState(bar, 4, MF_BYCOMMAND) & MF_GRAYED);
    DestroyMenu(bar);

    // A template whose levels are not closed is refused whole.
    static const MenuTemplateItem open[] = {{MF_POPUP, 0, "&File"}, {0, 1, "&Open"}};
    static const MenuTemplate broken{open, 2};
    EXPECT_EQ(LoadMenuIndirect(&broken), nullptr);
    EXPECT_EQ(LoadMenuIndirect(nullptr), nullptr);

    auto module = reinterpret_cast<HINSTANCE>(0x5150);
    ASSERT_TRUE(RegisterMenuResource(module, 7, &tmpl));
    HMENU loaded = LoadMenu(module, 7);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(GetMenuItemCount(loaded), 2);
    DestroyMenu(loaded);
    EXPECT_EQ(LoadMenu(module, 8), nullptr);
    EXPECT_EQ(LoadMenu(reinterpret_cast<HINSTANCE>(0x5151), 7), nullptr);
    UnregisterModuleResources(module);
    EXPECT_EQ(LoadMenu(module, 7), nullptr);
}

class PopupMenuTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        menu = BuildEditMenu();
    }
    void TearDown() override {
        DestroyMenu(menu);
        ControlsTest::TearDown();
    }
    UINT Track(UINT flags = TPM_RETURNCMD) {
        POINT at{20, 20};
        ClientToScreen(parent, &at);
        return static_cast<UINT>(TrackPopupMenu(menu, flags, at.x, at.y, 0, parent, nullptr));
    }
    HMENU menu = nullptr;
};

TEST_F(PopupMenuTest, HookAnswersAfterTheOwnerPreparedTheMenu) {
    int before = GetPopupMenuCount();
    // The owner enables Paste when the menu opens, as an editor does on WM_INITMENUPOPUP.
    Rec().onInitMenu = [this](HMENU m) {
        if (m == menu) EnableMenuItem(m, kPaste, MF_BYCOMMAND | MF_ENABLED);
    };
    AnswerNextPopupMenu(kPaste);
    EXPECT_EQ((std::tuple{Track(), GetPopupMenuCount()}), (std::tuple{kPaste, before + 1}));
    auto inits = Rec().Of(WM_INITMENUPOPUP);
    ASSERT_EQ(inits.size(), 1u) << "a command of the menu itself prepares only the menu";
    EXPECT_EQ(reinterpret_cast<HMENU>(inits[0].wParam), menu);
    EXPECT_EQ(Rec().Of(WM_ENTERMENULOOP).size(), 1u);
    EXPECT_EQ(Rec().Of(WM_EXITMENULOOP).size(), 1u);

    // Without TPM_RETURNCMD the choice arrives as WM_COMMAND, posted to the owner.
    Rec().Clear();
    AnswerNextPopupMenu(kZoomOut);
    EXPECT_EQ((std::tuple{Track(0), PostedCommand()}), (std::tuple{TRUE, kZoomOut}));
    // The sub-menu holding the command was prepared too.
    bool zoomPrepared = false;
    for (const Seen& s : Rec().Of(WM_INITMENUPOPUP)) zoomPrepared |= reinterpret_cast<HMENU>(s.wParam) == GetSubMenu(menu, 4);
    EXPECT_TRUE(zoomPrepared);
}

TEST_F(PopupMenuTest, HookCannotChooseWhatAPersonCouldNot) {
    AnswerNextPopupMenu(kPaste); // grayed
    EXPECT_EQ(Track(), 0u);
    AnswerNextPopupMenu(4242u); // not in the menu
    EXPECT_EQ(Track(), 0u);
    AnswerNextPopupMenu(static_cast<UINT>(reinterpret_cast<UINT_PTR>(GetSubMenu(menu, 4)))); // opens a sub-menu
    EXPECT_EQ(Track(), 0u);
    AnswerNextPopupMenu(0u); // nothing
    EXPECT_EQ((std::tuple{Track(0), PostedCommand()}), (std::tuple{TRUE, 0u}));
    // The answer is used once: the callback sees the menu only the first time.
    int calls = 0;
    AnswerNextPopupMenu([&](HMENU m, HWND owner) {
        ++calls;
        EXPECT_EQ((std::tuple{m, owner}), (std::tuple{menu, parent}));
        return kCopy;
    });
    EXPECT_EQ((std::tuple{Track(), calls}), (std::tuple{kCopy, 1}));
}

TEST_F(PopupMenuTest, KeyboardSelectsSkippingSeparatorsAndChoosesWithEnter) {
    Script person;
    person.Key(VK_DOWN).Key(VK_DOWN).Key(VK_DOWN).Key(VK_RETURN);
    // Down selects Cut, Copy, then skips the separator to Paste: grayed, so Enter does nothing and the
    // script's end presses Escape.
    EXPECT_EQ(Track(), 0u);
    EXPECT_TRUE(Rec().Of(WM_COMMAND).empty());
    EXPECT_TRUE(Rec().Of(WM_KEYUP).empty()) << "keys released while the menu is up stay with the menu";

    Script again;
    std::uint32_t hot = 0, face = 0;
    again.Key(VK_DOWN).Then([&] {
        // The chosen item is drawn in the highlight, the others on the menu face.
        HWND popup = PopupMenus().at(0);
        RECT rc = ClientRect(popup);
        hot = headless::ReadPixel(popup, rc.right - 6, 3 + 4);
        face = headless::ReadPixel(popup, rc.right - 6, rc.bottom - 5);
    });
    again.Key(VK_DOWN).Key(VK_UP).Key(VK_END).Key(VK_RETURN);
    EXPECT_EQ((std::tuple{Track(), hot, face}),
              (std::tuple{kDelete, Px(GetSysColor(COLOR_HIGHLIGHT)), Px(GetSysColor(COLOR_MENU))}));
    EXPECT_FALSE(again.Exhausted());
    // Each selection was announced; the menu loop reported idleness to the owner.
    EXPECT_GE(Rec().Of(WM_MENUSELECT).size(), 4u);
    EXPECT_FALSE(Rec().Of(WM_ENTERIDLE).empty());
    EXPECT_EQ(Rec().Of(WM_ENTERIDLE)[0].wParam, static_cast<WPARAM>(MSGF_MENU));
}

TEST_F(PopupMenuTest, MnemonicsAndSubMenusByKeyboard) {
    struct Case {
        const char* what;
        void (*play)(Script&);
        UINT chosen;
        bool gaveUp; // the script ran out and the person pressed Escape
    } cases[] = {
        {"&Copy", [](Script& p) { p.Type("c"); }, kCopy, false},
        {"&Zoom opens with its first item selected", [](Script& p) { p.Type("z").Key(VK_DOWN).Key(VK_RETURN); },
         kZoomOut, false},
        // Up from nothing wraps to Delete, then Zoom; Right opens it, Left closes it; Up reaches the grayed Paste.
        {"wrapping and leaving a sub-menu",
         [](Script& p) { p.Key(VK_UP).Key(VK_UP).Key(VK_RIGHT).Key(VK_LEFT).Key(VK_UP).Key(VK_RETURN); }, 0, true},
        {"a mnemonic inside the sub-menu", [](Script& p) { p.Type("z").Type("o"); }, kZoomOut, false},
        {"the grayed Paste's mnemonic selects but cannot choose", [](Script& p) { p.Type("p"); }, 0, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Rec().Clear();
        Script person;
        k.play(person);
        EXPECT_EQ((std::tuple{Track(0), PostedCommand(), person.Exhausted()}),
                  (std::tuple{TRUE, k.chosen, k.gaveUp}));
    }
}

TEST_F(PopupMenuTest, EscapeClosesOneLevelAtATime) {
    Script person;
    int levelsOpen = 0;
    person.Type("z").Then([&] { levelsOpen = static_cast<int>(PopupMenus().size()); }).Key(VK_ESCAPE).Then([&] {
        EXPECT_EQ(PopupMenus().size(), 1u);
    }).Key(VK_ESCAPE);
    EXPECT_EQ((std::tuple{Track(0), levelsOpen, PostedCommand()}), (std::tuple{TRUE, 2, 0u}));
    EXPECT_EQ((std::tuple{bool(person.Exhausted()), bool(PopupMenus().empty()), GetCapture()}),
              (std::tuple{false, true, nullptr}));
    // The owner saw each pop-up close.
    EXPECT_EQ(Rec().Of(WM_UNINITMENUPOPUP).size(), 2u);
}

TEST_F(PopupMenuTest, MouseChoosesAndHoverOpensSubMenuAfterDelay) {
    // Items have one height; the pop-up is the border plus the items (the separator is shorter).
    // A click on (or, with hover, a move onto) the middle of the open pop-up's item at index.
    auto atItem = [](int index, int separatorsBefore, bool hover = false) {
        return [=] {
            HWND popup = PopupMenus().at(0);
            RECT rc = ClientRect(popup);
            int itemH = (rc.bottom - rc.top - 6 - 8) / 5; // five items and one separator
            const int y = 3 + index * itemH + separatorsBefore * 8 + itemH / 2;
            hover ? headless::MouseMove(popup, rc.right / 2, y) : headless::Click(popup, rc.right / 2, y);
        };
    };
    {
        Script person;
        person.Then(atItem(1, 0));
        EXPECT_EQ(Track(), kCopy);
    }
    {
        // A click on the grayed item chooses nothing; a click outside closes the menu.
        Script person;
        person.Then(atItem(2, 1));
        person.Then([&] { EXPECT_EQ(PopupMenus().size(), 1u); });
        person.Then([&] { headless::Click(parent, 400, 300); });
        EXPECT_EQ(Track(), 0u);
        EXPECT_FALSE(person.Exhausted());
    }
    {
        Script person;
        person.Then(atItem(3, 1, true));
        person.Then([&] { EXPECT_EQ(PopupMenus().size(), 1u); }); // not yet
        person.Then([] { headless::AdvanceClock(1000); });
        person.Then([&] {
            auto open = PopupMenus();
            ASSERT_EQ(open.size(), 2u);
            RECT first, second;
            GetWindowRect(open[0], &first);
            GetWindowRect(open[1], &second);
            EXPECT_GE(second.left, first.right - 6); // opened beside its parent
            RECT rc = ClientRect(open[1]);
            int itemH = (rc.bottom - 6) / 2;
            headless::Click(open[1], rc.right / 2, 3 + itemH + itemH / 2);
        });
        EXPECT_EQ(Track(), kZoomOut);
        EXPECT_FALSE(person.Exhausted());
    }
}

TEST_F(PopupMenuTest, ColumnBreakStartsANewColumn) {
    HMENU cols = CreatePopupMenu();
    AppendMenu(cols, MF_STRING, kLeft, "&Left");
    AppendMenu(cols, MF_STRING, kLeft + 1, "L&ower");
    AppendMenu(cols, MF_STRING | MF_MENUBARBREAK, kRight, "&Right");
    AppendMenu(cols, MF_STRING, kRight + 1, "R&ear");
    POINT at{10, 10};
    ClientToScreen(parent, &at);
    // A click at a quarter of the width (1: left column, 3: right column) in the middle of a row; the menu
    // is two rows tall.
    auto click = [](int quarter, int row) {
        return [=] {
            HWND popup = PopupMenus().at(0);
            RECT rc = ClientRect(popup);
            const int itemH = (rc.bottom - 6) / 2;
            headless::Click(popup, rc.right * quarter / 4, 3 + row * itemH + itemH / 2);
        };
    };
    const struct {
        std::function<void(Script&)> play;
        UINT chosen;
    } cases[] = {
        {[](Script& p) { p.Key(VK_DOWN).Key(VK_RIGHT).Key(VK_RETURN); }, kRight},
        // Right with nothing chosen yet does nothing; from the second row it goes to the second row.
        {[](Script& p) { p.Key(VK_RIGHT).Key(VK_DOWN).Key(VK_DOWN).Key(VK_RIGHT).Key(VK_RETURN); }, kRight + 1},
        {[&](Script& p) { p.Then(click(3, 0)); }, kRight},
        {[&](Script& p) { p.Then(click(1, 1)); }, kLeft + 1},
    };
    for (const auto& c : cases) {
        Script person;
        c.play(person);
        EXPECT_EQ(TrackPopupMenu(cols, TPM_RETURNCMD, at.x, at.y, 0, parent, nullptr), static_cast<BOOL>(c.chosen));
    }
    DestroyMenu(cols);
}

TEST_F(PopupMenuTest, CheckAndRadioMarksSitInTheMiddleOfTheirColumnAndRow) {
    HMENU marks = CreatePopupMenu();
    AppendMenu(marks, MF_STRING, kLeft, "Radio");
    AppendMenu(marks, MF_STRING | MF_CHECKED, kRight, "Check");
    CheckMenuRadioItem(marks, kLeft, kLeft, kLeft, MF_BYCOMMAND);
    std::vector<RECT> inks; // per item, the ink of the mark column
    Script person;
    person.Then([&] {
        HWND popup = PopupMenus().at(0);
        const int itemH = (ClientRect(popup).bottom - 6) / 2, face = static_cast<int>(Px(GetSysColor(COLOR_MENU)));
        for (int item = 0; item < 2; ++item) {
            RECT ink{100, 1000, -1, -1};
            for (int y = 3 + item * itemH; y < 3 + (item + 1) * itemH; ++y)
                for (int x = 3; x < 23; ++x) // the mark column, inside the border
                    if (static_cast<int>(headless::ReadPixel(popup, x, y)) != face)
                        ink = RECT{std::min<LONG>(ink.left, x), std::min<LONG>(ink.top, y), std::max<LONG>(ink.right, x + 1),
                                   std::max<LONG>(ink.bottom, y + 1)};
            inks.push_back(ink);
        }
        inks.push_back(RECT{0, 0, 0, itemH});
    });
    person.Key(VK_ESCAPE);
    POINT at{10, 10};
    ClientToScreen(parent, &at);
    TrackPopupMenu(marks, TPM_RETURNCMD, at.x, at.y, 0, parent, nullptr);
    ASSERT_EQ(inks.size(), 3u);
    const RECT radio = inks[0], check = inks[1];
    EXPECT_EQ(radio.left + radio.right, check.left + check.right) << "both centred on the column";
    // Both centred on their rows: a row apart, the check's tail one pixel lower than the dot's edge.
    EXPECT_EQ((check.top + check.bottom) - (radio.top + radio.bottom), 2 * inks[2].bottom + 1);
    DestroyMenu(marks);
}

TEST_F(PopupMenuTest, AlignmentAndStayingOnScreen) {
    int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    RECT placed{};
    auto trackAt = [&](int x, int y, UINT flags) {
        Script person;
        person.Then([&] { GetWindowRect(PopupMenus().at(0), &placed); });
        TrackPopupMenu(menu, flags | TPM_RETURNCMD, x, y, 0, parent, nullptr);
    };
    trackAt(300, 200, TPM_LEFTALIGN | TPM_TOPALIGN);
    EXPECT_EQ((std::tuple{placed.left, placed.top}), (std::tuple{300, 200}));
    trackAt(300, 200, TPM_RIGHTALIGN | TPM_BOTTOMALIGN);
    EXPECT_EQ((std::tuple{placed.right, placed.bottom}), (std::tuple{300, 200}));
    trackAt(300, 200, TPM_CENTERALIGN);
    EXPECT_EQ((placed.left + placed.right) / 2, 300);
    trackAt(screenW - 5, screenH - 5, 0);
    EXPECT_LE(placed.right, screenW);
    EXPECT_LE(placed.bottom, screenH);
    EXPECT_GE(placed.left, 0);
    EXPECT_GE(placed.top, 0);
    // A point inside the rectangle to keep clear opens the menu below it.
    TPMPARAMS clear{sizeof(TPMPARAMS), RECT{280, 190, 340, 230}};
    Script person;
    person.Then([&] { GetWindowRect(PopupMenus().at(0), &placed); });
    TrackPopupMenuEx(menu, TPM_RETURNCMD, 300, 200, parent, &clear);
    EXPECT_EQ(placed.top, 230);
}

TEST_F(PopupMenuTest, BadArgumentsAndEndMenu) {
    EXPECT_FALSE(TrackPopupMenu(nullptr, TPM_RETURNCMD, 0, 0, 0, parent, nullptr));
    EXPECT_FALSE(TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, nullptr, nullptr));
    EXPECT_FALSE(EndMenu());
    Script person;
    bool nested = true;
    person.Then([&] {
        nested = TrackPopupMenu(menu, TPM_RETURNCMD, 0, 0, 0, parent, nullptr) != FALSE; // one at a time
        EndMenu();
    });
    EXPECT_EQ(Track(), 0u);
    EXPECT_FALSE(nested);
    EXPECT_FALSE(person.Exhausted());
}

TEST_F(PopupMenuTest, NoNotifyKeepsTheOwnerOutOfIt) {
    Script person;
    person.Key(VK_DOWN).Key(VK_RETURN);
    EXPECT_EQ(Track(TPM_RETURNCMD | TPM_NONOTIFY), kCut);
    for (UINT told : {WM_INITMENUPOPUP, WM_MENUSELECT, WM_ENTERIDLE}) EXPECT_TRUE(Rec().Of(told).empty()) << told;
    AnswerNextPopupMenu(kCopy);
    EXPECT_EQ(Track(TPM_RETURNCMD | TPM_NONOTIFY), kCopy);
    AnswerNextPopupMenu(kZoomOut); // in a sub-menu
    EXPECT_EQ(Track(TPM_RETURNCMD | TPM_NONOTIFY), kZoomOut);
    EXPECT_TRUE(Rec().Of(WM_INITMENUPOPUP).empty());
}

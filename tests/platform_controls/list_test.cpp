// LISTBOX and the drop-down COMBOBOX: contents, selection, item data, the pop-up list by mouse and
// keyboard, scrolling, type-ahead and their notifications.
#include "fixture.h"

using namespace ctltest;

namespace {

void Fill(HWND ctl, UINT add, int count, const char* prefix = "Item ") {
    for (int i = 0; i < count; ++i) {
        std::string s = prefix + std::to_string(i);
        SendMessage(ctl, add, 0, reinterpret_cast<LPARAM>(s.c_str()));
    }
}

std::string ItemText(HWND ctl, UINT getLen, UINT getText, int index) {
    auto len = SendMessage(ctl, getLen, static_cast<WPARAM>(index), 0);
    if (len < 0) return "<err>";
    std::string s(static_cast<size_t>(len) + 1, '\0');
    SendMessage(ctl, getText, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(len));
    return s;
}

int Cur(HWND combo) { return static_cast<int>(SendMessage(combo, CB_GETCURSEL, 0, 0)); }

// The combo's shown pop-up list, or null.
HWND DroppedList(HWND combo) {
    HWND found = nullptr;
    struct Ctx {
        HWND combo;
        HWND* out;
    } ctx{combo, &found};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(p);
            char cls[32] = {};
            GetClassName(w, cls, sizeof cls);
            // The list is a pop-up owned by the combo box's top-level window.
            if (std::string(cls) == "ComboLBox" && IsWindowVisible(w) &&
                GetWindow(w, GW_OWNER) == GetAncestor(c->combo, GA_ROOT))
                *c->out = w;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return found;
}

} // namespace

TEST_F(ControlsTest, ListBoxContentsSortingAndItemData) {
    HWND list = Child(WC_LISTBOX, "", LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_BORDER, 10, 10, 150, 120, 20);
    for (const char* s : {"pear", "Apple", "fig", "banana"}) SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    EXPECT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(ItemText(list, LB_GETTEXTLEN, LB_GETTEXT, 0), "Apple");
    EXPECT_EQ(ItemText(list, LB_GETTEXTLEN, LB_GETTEXT, 3), "pear");
    EXPECT_EQ(ItemText(list, LB_GETTEXTLEN, LB_GETTEXT, 4), "<err>");
    EXPECT_EQ(SendMessage(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("FIG")), 2);
    EXPECT_EQ(SendMessage(list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("ba")), 1);
    EXPECT_EQ(SendMessage(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("kiwi")), LB_ERR);

    const auto send = [&](UINT m, WPARAM w, LPARAM l) { return SendMessage(list, m, w, l); };
    EXPECT_EQ((std::vector{send(LB_SETITEMDATA, 2, 0xF16), send(LB_GETITEMDATA, 2, 0), send(LB_SETITEMDATA, 9, 1),
                           send(LB_SETCURSEL, 2, 0)}),
              (std::vector<LRESULT>{0, 0xF16, LB_ERR, 2}));
    RECT row{};
    SendMessage(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
    Pump();
    EXPECT_EQ(headless::ReadPixel(list, row.right - 3, (row.top + row.bottom) / 2), Px(GetSysColor(COLOR_HIGHLIGHT)));
    // Inserting before the selection keeps the same item selected, with its data.
    EXPECT_EQ((std::vector{send(LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("0 first")), send(LB_GETCURSEL, 0, 0),
                           send(LB_GETITEMDATA, 3, 0), send(LB_DELETESTRING, 3, 0), send(LB_GETCURSEL, 0, 0),
                           send(LB_DELETESTRING, 7, 0), send(LB_SETCURSEL, 42, 0),
                           send(LB_GETSEL, send(LB_GETCOUNT, 0, 0), 0)}),
              (std::vector<LRESULT>{0, 3, 0xF16, 4, LB_ERR, LB_ERR, LB_ERR, LB_ERR}));
    SendMessage(list, LB_RESETCONTENT, 0, 0);
    EXPECT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), 0);
    EXPECT_TRUE(Rec().Commands(20).empty()); // programmatic changes do not notify
}

TEST_F(ControlsTest, ListBoxMouseKeyboardTypeAheadAndScrolling) {
    HWND list = Child(WC_LISTBOX, "", LBS_NOTIFY | WS_VSCROLL | WS_BORDER, 10, 10, 150, 100, 20);
    Fill(list, LB_ADDSTRING, 20);
    SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Zebra"));
    SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Zulu"));
    RECT item2;
    ASSERT_EQ(SendMessage(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&item2)), 0);
    ClickAt(list, item2.left + 5, (item2.top + item2.bottom) / 2);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ((std::tuple{Rec().CountCommand(20, LBN_SELCHANGE), GetFocus()}), (std::tuple{1, list}));
    headless::DoubleClick(list, item2.left + 5, (item2.top + item2.bottom) / 2);
    Pump();
    EXPECT_EQ(Rec().CountCommand(20, LBN_DBLCLK), 1);

    Rec().Clear();
    Press(VK_DOWN);
    Press(VK_DOWN);
    Press(VK_UP);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 3);
    EXPECT_EQ(Rec().CountCommand(20, LBN_SELCHANGE), 3);
    Press(VK_HOME);
    Press(VK_HOME); // already there: no notification
    EXPECT_EQ(Rec().CountCommand(20, LBN_SELCHANGE), 4);
    Press(VK_END);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 21);
    // Keeping the selection visible scrolled the list, one row at a time past the last visible one.
    const auto top = SendMessage(list, LB_GETTOPINDEX, 0, 0); // 22 items, 22 - top of them visible
    EXPECT_GT(top, 10);
    SendMessage(list, LB_SETTOPINDEX, 0, 0);
    SendMessage(list, LB_SETCURSEL, static_cast<WPARAM>(21 - top), 0); // the last visible row
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 0);
    Press(VK_DOWN);
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 1);

    // Type-ahead: a prefix typed quickly; a repeated first letter cycles; a pause starts over.
    Press(VK_HOME);
    struct Step {
        DWORD pause;
        const char* typed;
        LRESULT selected;
    } steps[] = {{0, "z", 20}, {0, "z", 21}, {1500, "Item 1", 1}, {1500, "Item 15", 15}};
    for (const Step& k : steps) {
        headless::AdvanceClock(k.pause);
        Type(k.typed);
        EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), k.selected) << k.typed;
    }

    // The wheel and the scroll bar arrows move the top row without changing the selection.
    SendMessage(list, LB_SETTOPINDEX, 0, 0);
    RECT client = ClientRect(list);
    headless::Wheel(list, 20, 20, -WHEEL_DELTA);
    Pump();
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 3);
    ClickAt(list, client.right - 5, client.bottom - 5); // the down arrow
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 4);
    ClickAt(list, client.right - 5, 5); // the up arrow
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 3);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 15);

    // The track pages by all rows but one; the thumb, dragged to the end, shows the last rows.
    const auto visible = static_cast<int>(client.bottom / SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
    const int arrow = GetSystemMetrics(SM_CXVSCROLL), x = client.right - 5;
    SendMessage(list, LB_SETTOPINDEX, 0, 0);
    ClickAt(list, x, client.bottom - arrow - 2);
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), visible - 1);
    ClickAt(list, x, arrow + 1);
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 0);
    headless::MouseMove(list, x, arrow + 2);
    headless::MouseDown(backend::BUTTON_LEFT);
    headless::MouseMove(list, x, client.bottom - 1);
    headless::MouseUp(backend::BUTTON_LEFT);
    Pump();
    EXPECT_EQ(SendMessage(list, LB_GETTOPINDEX, 0, 0), 22 - visible);
    EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 15);
}

TEST_F(ControlsTest, ComboBoxListMessagesAndItemData) {
    HWND combo = Child(WC_COMBOBOX, "", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 10, 150, 120, 30);
    const auto send = [&](UINT m, WPARAM w, LPARAM l) { return SendMessage(combo, m, w, l); };
    EXPECT_EQ((std::vector{send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("One")),
                           send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Three")),
                           send(CB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("Two")), send(CB_GETCOUNT, 0, 0)}),
              (std::vector<LRESULT>{0, 1, 1, 3}));
    EXPECT_EQ(ItemText(combo, CB_GETLBTEXTLEN, CB_GETLBTEXT, 1), "Two");
    EXPECT_EQ((std::vector{send(CB_GETLBTEXTLEN, 5, 0), send(CB_SETITEMDATA, 2, 333), send(CB_GETITEMDATA, 2, 0)}),
              (std::vector<LRESULT>{CB_ERR, 0, 333}));
    EXPECT_EQ((std::tuple{Cur(combo), Text(combo), SendMessage(combo, CB_SETCURSEL, 2, 0), Text(combo)}),
              (std::tuple{CB_ERR, "", 2, "Three"}));
    char untouched[4] = "abc";
    EXPECT_EQ(SendMessage(combo, WM_GETTEXT, 0, reinterpret_cast<LPARAM>(untouched)), 0);
    EXPECT_STREQ(untouched, "abc");
    EXPECT_EQ((std::vector<LRESULT>{send(CB_DELETESTRING, 0, 0), Cur(combo), send(CB_GETITEMDATA, 1, 0),
                           send(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("two"))}),
              (std::vector<LRESULT>{2, 1, 333, 0}));
    SendMessage(combo, CB_RESETCONTENT, 0, 0);
    EXPECT_EQ((std::tuple{SendMessage(combo, CB_GETCOUNT, 0, 0), Cur(combo)}), (std::tuple{0, CB_ERR}));
    EXPECT_TRUE(Rec().Commands(30).empty());
    // The field is one line high whatever height was given (that height is the dropped list's room).
    RECT wr = WindowRect(combo);
    EXPECT_LT(wr.bottom - wr.top, 40);
    RECT dropped;
    SendMessage(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_EQ(dropped.bottom - dropped.top, 120);
    // The field shows the highlight only while the box has the focus.
    SendMessage(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("One"));
    SendMessage(combo, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(GetWindowTextLength(combo), 3) << "the field shows the first item";
    const int middle = ClientRect(combo).bottom / 2;
    for (bool focused : {true, false}) {
        SetFocus(focused ? combo : parent);
        Pump();
        EXPECT_EQ(headless::ReadPixel(combo, 60, middle), Px(GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_WINDOW)))
            << focused;
    }
}

TEST_F(ControlsTest, ComboBoxPickThirdItemWithKeyboard) {
    HWND combo = Child(WC_COMBOBOX, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 10, 10, 150, 120, 30);
    Fill(combo, CB_ADDSTRING, 5);
    SetFocus(combo);
    Press(VK_F4);
    EXPECT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_NE(DroppedList(combo), nullptr);
    EXPECT_EQ(Rec().Commands(30), std::vector<WORD>({CBN_SETFOCUS, CBN_DROPDOWN}));
    Press(VK_DOWN);
    Press(VK_DOWN);
    Press(VK_DOWN);
    EXPECT_EQ(Rec().CountCommand(30, CBN_SELCHANGE), 0); // not while the list is open
    Press(VK_RETURN);
    EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_EQ((std::tuple{DroppedList(combo), Cur(combo), Text(combo)}), (std::tuple{nullptr, 2, "Item 2"}));
    EXPECT_EQ(Rec().Commands(30),
              std::vector<WORD>({CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));

    // Escape closes without changing the selection.
    Rec().Clear();
    Press(VK_DOWN, headless::MOD_ALT);
    EXPECT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    Press(VK_DOWN);
    Press(VK_ESCAPE);
    EXPECT_EQ(Cur(combo), 2);
    EXPECT_EQ(Rec().Commands(30), std::vector<WORD>({CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));

    // Closed, the arrows and type-ahead change the selection at once.
    Rec().Clear();
    Press(VK_DOWN);
    EXPECT_EQ(Cur(combo), 3);
    Press(VK_HOME);
    EXPECT_EQ((std::tuple{Cur(combo), Rec().CountCommand(30, CBN_SELCHANGE)}), (std::tuple{0, 2}));
}

TEST_F(ControlsTest, ComboBoxPickByMouseAndDismissOutside) {
    HWND combo = Child(WC_COMBOBOX, "", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 10, 150, 100, 30);
    Fill(combo, CB_ADDSTRING, 30);
    SendMessage(combo, CB_SETCURSEL, 25, 0);
    ClickAt(combo, 140, 8);
    HWND list = DroppedList(combo);
    ASSERT_NE(list, nullptr);
    // The list opens under the field, within the height given at creation, scrolled to the selection.
    RECT field, lr;
    GetWindowRect(combo, &field);
    GetWindowRect(list, &lr);
    EXPECT_EQ(lr.top, field.bottom);
    EXPECT_LE(lr.bottom - lr.top, 100 - (field.bottom - field.top));
    int top = static_cast<int>(SendMessage(list, LB_GETTOPINDEX, 0, 0));
    EXPECT_GT(top, 0);
    EXPECT_LE(top, 25);
    RECT item;
    ASSERT_EQ(SendMessage(list, LB_GETITEMRECT, static_cast<WPARAM>(top + 1), reinterpret_cast<LPARAM>(&item)), 0);
    ClickAt(list, item.left + 10, (item.top + item.bottom) / 2);
    EXPECT_EQ((std::tuple{Cur(combo), DroppedList(combo), Rec().CountCommand(30, CBN_SELCHANGE)}),
              (std::tuple{top + 1, nullptr, 1}));

    // A press outside the list closes it and keeps the selection.
    Rec().Clear();
    ClickAt(combo, 140, 8);
    ASSERT_NE(DroppedList(combo), nullptr);
    ClickAt(parent, 400, 300);
    EXPECT_EQ((std::tuple{DroppedList(combo), Cur(combo), Rec().CountCommand(30, CBN_SELCHANGE)}),
              (std::tuple{nullptr, top + 1, 0}));
    EXPECT_EQ((std::tuple{Rec().CountCommand(30, CBN_CLOSEUP), GetCapture()}), (std::tuple{1, nullptr}));

    // CB_SHOWDROPDOWN opens and closes it; a disabled combo does not open.
    SendMessage(combo, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_TRUE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    SendMessage(combo, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
    EnableWindow(combo, FALSE);
    ClickAt(combo, 140, 8);
    EXPECT_FALSE(SendMessage(combo, CB_GETDROPPEDSTATE, 0, 0));
}

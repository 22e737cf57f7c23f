// BUTTON, STATIC and EDIT driven by injected mouse and keyboard input, with the notifications their
// parent receives.
#include "fixture.h"

using namespace ctltest;

namespace {

// The selection as EM_GETSEL returns it, checked against the positions it writes.
DWORD GetSel(HWND edit) {
    DWORD start = 0, end = 0;
    const auto packed =
        static_cast<DWORD>(SendMessage(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end)));
    EXPECT_EQ(packed, static_cast<DWORD>(MAKELONG(static_cast<WORD>(start), static_cast<WORD>(end))));
    return packed;
}

} // namespace

TEST_F(ControlsTest, PushButtonClicksOnlyWhenReleasedInside) {
    HWND button = Child(WC_BUTTON, "&Apply", BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 80, 24, 1);
    EXPECT_EQ(SendMessage(button, BM_GETSTATE, 0, 0) & (BST_PUSHED | BST_FOCUS), 0) << "a new button is up";
    ClickAt(button, 40, 12);
    EXPECT_EQ((std::tuple{Rec().CountCommand(1, BN_CLICKED), GetFocus()}), (std::tuple{1, button}));

    // Pressed inside, dragged out and released: no click, and the pushed look follows the pointer.
    Rec().Clear();
    headless::MouseMove(button, 40, 12);
    headless::MouseDown(backend::BUTTON_LEFT);
    Pump();
    EXPECT_TRUE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    headless::MouseMove(button, 200, 12);
    Pump();
    EXPECT_FALSE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    headless::MouseUp(backend::BUTTON_LEFT);
    Pump();
    EXPECT_EQ((std::tuple{Rec().CountCommand(1, BN_CLICKED), GetCapture()}), (std::tuple{0, nullptr}));

    // Another window taking the mouse away lets it go too.
    headless::MouseMove(button, 40, 12);
    headless::MouseDown(backend::BUTTON_LEFT);
    Pump();
    SetCapture(parent);
    EXPECT_FALSE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    ReleaseCapture();
    headless::MouseUp(backend::BUTTON_LEFT);
    Pump();
    EXPECT_EQ(Rec().CountCommand(1, BN_CLICKED), 0);
    // So does losing the focus while the mouse holds it down.
    headless::MouseDown(backend::BUTTON_LEFT);
    Pump();
    ASSERT_EQ(GetCapture(), button);
    SetFocus(nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    headless::MouseUp(backend::BUTTON_LEFT);
    Pump();
    EXPECT_EQ(Rec().CountCommand(1, BN_CLICKED), 0);
    SetFocus(button);

    // Space presses it from the keyboard; losing the focus while it is down lets it go without a click.
    Press(VK_SPACE);
    EXPECT_EQ(Rec().CountCommand(1, BN_CLICKED), 1);
    headless::KeyDown(VK_SPACE);
    Pump();
    EXPECT_TRUE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    SetFocus(nullptr);
    EXPECT_FALSE(SendMessage(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    SetFocus(button);
    headless::KeyUp(VK_SPACE);
    Pump();
    EXPECT_EQ(Rec().CountCommand(1, BN_CLICKED), 1);
    // A disabled button ignores clicks and BM_CLICK.
    EnableWindow(button, FALSE);
    Pump();
    ClickAt(button, 40, 12);
    SendMessage(button, BM_CLICK, 0, 0);
    EXPECT_EQ(Rec().CountCommand(1, BN_CLICKED), 1);
    // Push buttons have no check state.
    SendMessage(button, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessage(button, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
}

TEST_F(ControlsTest, CheckBoxesAndRadioGroups) {
    HWND check = Child(WC_BUTTON, "&Loop", BS_AUTOCHECKBOX | WS_TABSTOP, 10, 10, 100, 18, 1);
    HWND manual = Child(WC_BUTTON, "Manual", BS_CHECKBOX, 10, 30, 100, 18, 2);
    HWND three = Child(WC_BUTTON, "Three", BS_AUTO3STATE, 10, 50, 100, 18, 3);
    HWND r1 = Child(WC_BUTTON, "One", BS_AUTORADIOBUTTON | WS_GROUP, 10, 80, 100, 18, 11);
    HWND r2 = Child(WC_BUTTON, "Two", BS_AUTORADIOBUTTON, 10, 100, 100, 18, 12);
    HWND r3 = Child(WC_BUTTON, "Other group", BS_AUTORADIOBUTTON | WS_GROUP, 10, 120, 100, 18, 13);

    ClickAt(check, 5, 9);
    EXPECT_EQ(SendMessage(check, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
    ClickAt(check, 50, 9); // the label is part of the button
    EXPECT_EQ(SendMessage(check, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
    EXPECT_EQ(Rec().CountCommand(1, BN_CLICKED), 2);

    // A plain check box only notifies; its owner decides.
    ClickAt(manual, 5, 9);
    EXPECT_EQ(SendMessage(manual, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
    EXPECT_EQ(Rec().CountCommand(2, BN_CLICKED), 1);
    // Indeterminate only for three-state boxes; they cycle through it.
    SendMessage(check, BM_SETCHECK, BST_INDETERMINATE, 0);
    EXPECT_EQ(SendMessage(check, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
    ClickAt(three, 5, 9);
    ClickAt(three, 5, 9);
    EXPECT_EQ(SendMessage(three, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_INDETERMINATE));

    SendMessage(r3, BM_SETCHECK, BST_CHECKED, 0);
    ClickAt(r1, 5, 9);
    ClickAt(r2, 5, 9);
    EXPECT_EQ(SendMessage(r1, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_UNCHECKED));
    EXPECT_EQ(SendMessage(r2, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED));
    EXPECT_EQ(SendMessage(r3, BM_GETCHECK, 0, 0), static_cast<LRESULT>(BST_CHECKED)); // another group
    EXPECT_EQ(Rec().CountCommand(12, BN_CLICKED), 1);
}

TEST_F(ControlsTest, ButtonsPaintTheirStates) {
    HWND push = Child(WC_BUTTON, "OK", BS_DEFPUSHBUTTON, 10, 10, 80, 24, 1);
    HWND check = Child(WC_BUTTON, "Check", BS_AUTOCHECKBOX, 10, 50, 100, 18, 2);
    HWND group = Child(WC_BUTTON, "Group", BS_GROUPBOX, 150, 10, 120, 80, 3);
    Pump();
    // The default button carries a dark outer frame; a group box an etched line under its label.
    EXPECT_EQ(headless::ReadPixel(push, 40, 0), Px(GetSysColor(COLOR_WINDOWFRAME)));
    EXPECT_EQ(headless::ReadPixel(group, 0, 60), Px(GetSysColor(COLOR_3DSHADOW)));
    // Checking draws the mark in the box; unchecking clears it.
    auto inkInBox = [&] {
        int dark = 0;
        for (int y = 5; y < 13; ++y)
            for (int x = 2; x < 11; ++x) dark += (headless::ReadPixel(check, x, y) & 0xFF) < 0x60;
        return dark;
    };
    int before = inkInBox();
    SendMessage(check, BM_SETCHECK, BST_CHECKED, 0);
    Pump();
    int after = inkInBox();
    EXPECT_GT(after, before + 5);
    // Disabled text is drawn grey (no pure text colour left in the label).
    EnableWindow(check, FALSE);
    Pump();
    int textPixels = 0;
    for (int y = 0; y < 18; ++y)
        for (int x = 18; x < 60; ++x) textPixels += headless::ReadPixel(check, x, y) == Px(GetSysColor(COLOR_BTNTEXT));
    EXPECT_EQ(textPixels, 0);
}

TEST_F(ControlsTest, StaticTextAlignmentAndEtchedLine) {
    HWND left = Child(WC_STATIC, "Left", SS_LEFT, 10, 10, 200, 16, 1);
    HWND right = Child(WC_STATIC, "Right", SS_RIGHT, 10, 30, 200, 16, 2);
    HWND centre = Child(WC_STATIC, "Centre", SS_CENTER, 10, 50, 200, 16, 3);
    HWND line = Child(WC_STATIC, "", SS_ETCHEDHORZ, 10, 80, 200, 2, 4);
    Pump();
    // Read through the parent, so a hidden control shows what is under it.
    auto inkSpan = [&](HWND w) {
        RECT wr = WindowRect(w);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&wr), 2);
        int first = -1, last = -1;
        for (int x = 0; x < 200; ++x)
            for (int y = 0; y < 16; ++y)
                if ((headless::ReadPixel(parent, wr.left + x, wr.top + y) & 0xFF) < 0x80) {
                    if (first < 0) first = x;
                    last = x;
                }
        return std::pair<int, int>{first, last};
    };
    auto l = inkSpan(left), r = inkSpan(right), c = inkSpan(centre);
    EXPECT_LT(l.first, 4);
    EXPECT_GT(r.second, 194);
    EXPECT_NEAR((c.first + c.second) / 2, 100, 4);
    EXPECT_EQ(headless::ReadPixel(line, 50, 0), Px(GetSysColor(COLOR_3DSHADOW)));
    EXPECT_EQ(headless::ReadPixel(line, 50, 1), Px(GetSysColor(COLOR_3DHILIGHT)));
    // Hidden statics draw nothing; new text repaints.
    ShowWindow(left, SW_HIDE);
    Pump();
    EXPECT_EQ(inkSpan(left).first, -1);
    SetWindowText(right, "");
    Pump();
    EXPECT_EQ(inkSpan(right).first, -1);
}

TEST_F(ControlsTest, LinksAnswerOnlyOnTheirOwnText) {
    // Taller than its line of text, so there is room below the link that is not the link.
    HWND link = Child(WC_LINK, "<a id=\"site\" href=\"https://example.org\">site</a> and plain words", WS_TABSTOP, 10, 10,
                      300, 60, 7);
    std::vector<std::string> heard;
    Rec().onNotify = [&](NMHDR* h) -> LRESULT {
        const auto* note = reinterpret_cast<const NMLINK*>(h);
        heard.push_back(std::to_string(static_cast<int>(h->code - NM_FIRST)) + " " + note->item.szID + " " +
                        note->item.szUrl);
        return 0;
    };
    ClickAt(link, 3, 4);
    ClickAt(link, 3, 40);  // below the line
    ClickAt(link, 280, 4); // past the text
    EXPECT_EQ(GetFocus(), link);
    // Only while it has the focus is the first link outlined (its top row differs from the background).
    const auto outlined = [&](HWND focus) {
        SetFocus(focus);
        Pump();
        int n = 0;
        for (int x = 0; x < 20; ++x) n += headless::ReadPixel(link, x, 0) != headless::ReadPixel(link, 290, 0);
        return n;
    };
    EXPECT_EQ(outlined(parent), 0);
    EXPECT_GT(outlined(link), 0);
    Press(VK_RETURN);
    const std::string click = std::to_string(static_cast<int>(NM_CLICK - NM_FIRST));
    const std::string enter = std::to_string(static_cast<int>(NM_RETURN - NM_FIRST));
    EXPECT_EQ(heard, (std::vector<std::string>{click + " site https://example.org", enter + " site https://example.org"}));
}

TEST_F(ControlsTest, EditTypingCaretSelectionAndKeys) {
    HWND edit = Child(WC_EDIT, "", WS_BORDER | ES_AUTOHSCROLL, 10, 10, 200, 22, 5);
    ClickAt(edit, 10, 10);
    EXPECT_EQ((std::tuple{GetFocus(), Rec().CountCommand(5, EN_SETFOCUS)}), (std::tuple{edit, 1}));
    headless::TypeText("\xEF\xBF\xBF\xF0\x90\x80\x80"); // the last one-unit and the first two-unit character
    Pump();
    EXPECT_EQ(Text(edit), "\xEF\xBF\xBF\xF0\x90\x80\x80");
    for (WPARAM unit : {WPARAM{0xDC00}, WPARAM{0xD800}, WPARAM{'a'}}) SendMessage(edit, WM_CHAR, unit, 0);
    EXPECT_EQ(Text(edit), "\xEF\xBF\xBF\xF0\x90\x80\x80" "a") << "a half of a pair alone is dropped";
    SetWindowText(edit, "");
    Rec().Clear();
    Type("hello world");
    EXPECT_EQ((std::tuple{Text(edit), Rec().CountCommand(5, EN_CHANGE), GetSel(edit)}),
              (std::tuple{"hello world", 11, static_cast<DWORD>(MAKELONG(11, 11))}));

    Press(VK_HOME);
    Press(VK_RIGHT, headless::MOD_SHIFT);
    Press(VK_RIGHT, headless::MOD_SHIFT);
    EXPECT_EQ(GetSel(edit), static_cast<DWORD>(MAKELONG(0, 2)));
    Type("J");
    EXPECT_EQ(Text(edit), "Jllo world");
    Press(VK_END);
    Press(VK_BACK);
    Press(VK_LEFT, headless::MOD_CONTROL); // to the start of the word
    EXPECT_EQ(GetSel(edit), static_cast<DWORD>(MAKELONG(5, 5)));
    Press(VK_DELETE);
    EXPECT_EQ(Text(edit), "Jllo orl");
    Press(VK_RIGHT, headless::MOD_CONTROL); // the last word runs to the end
    EXPECT_EQ(GetSel(edit), static_cast<DWORD>(MAKELONG(8, 8)));
    Press(VK_HOME);
    Press(VK_END, headless::MOD_SHIFT);
    Press(VK_DELETE);
    EXPECT_EQ(Text(edit), "");
    Press(VK_BACK); // nothing to delete: no change notification
    Press(VK_DELETE);

    // Mouse selection by dragging across the text.
    SetWindowText(edit, "abcdefgh");
    Rec().Clear();
    RECT rc = ClientRect(edit);
    headless::MouseMove(edit, 3, 10);
    headless::MouseDown(backend::BUTTON_LEFT);
    headless::MouseMove(edit, rc.right - 3, 10);
    headless::MouseUp(backend::BUTTON_LEFT);
    headless::MouseMove(edit, 3, 10); // after the release the pointer no longer selects
    Pump();
    EXPECT_EQ(GetSel(edit), static_cast<DWORD>(MAKELONG(0, 8)));
    EXPECT_TRUE(Rec().Commands(5).empty());

    // The caret follows the text and sits inside the control.
    SendMessage(edit, EM_SETSEL, 3, 3);
    POINT caret3;
    GetCaretPos(&caret3);
    SendMessage(edit, EM_SETSEL, 6, 6);
    POINT caret6;
    GetCaretPos(&caret6);
    EXPECT_GT(caret6.x, caret3.x);
    EXPECT_GT(caret3.x, 2);
    EXPECT_LT(caret6.x, rc.right);
}

TEST_F(ControlsTest, EditMessagesLimitsStylesAndFocusNotifications) {
    HWND edit = Child(WC_EDIT, "start", WS_BORDER, 10, 10, 200, 22, 5);
    HWND other = Child(WC_BUTTON, "Other", BS_PUSHBUTTON, 10, 40, 80, 22, 6);
    EXPECT_EQ(Text(edit), "start");
    SendMessage(edit, EM_SETSEL, 1, 3);
    EXPECT_EQ(GetSel(edit), static_cast<DWORD>(MAKELONG(1, 3)));
    SendMessage(edit, EM_SETSEL, 0, -1);
    EXPECT_EQ(GetSel(edit), static_cast<DWORD>(MAKELONG(0, 5)));
    SendMessage(edit, EM_SETSEL, 2, 100);
    EXPECT_EQ(GetSel(edit), static_cast<DWORD>(MAKELONG(2, 5)));
    SendMessage(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("op"));
    EXPECT_EQ(Text(edit), "stop");

    // A limit in the middle of a character cuts before it.
    HWND narrow = Child(WC_EDIT, "", WS_BORDER, 10, 130, 100, 22, 9);
    for (auto [limit, kept] : {std::pair{3, "a\xC3\xA9"}, std::pair{2, "a"}}) {
        SetWindowText(narrow, "");
        SendMessage(narrow, EM_LIMITTEXT, limit, 0);
        SendMessage(narrow, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("a\xC3\xA9\xC3\xA9"));
        EXPECT_EQ(Text(narrow), kept) << limit;
    }

    // The limit cuts typing and pasting, and says so.
    SendMessage(edit, EM_LIMITTEXT, 6, 0);
    SetFocus(edit);
    SendMessage(edit, EM_SETSEL, 4, 4);
    Rec().Clear();
    Type("ping");
    EXPECT_EQ(Text(edit), "stoppi");
    EXPECT_GE(Rec().CountCommand(5, EN_MAXTEXT), 1);
    EXPECT_EQ(Rec().CountCommand(5, EN_CHANGE), 2);

    // Losing the focus tells the parent.
    Rec().Clear();
    SetFocus(other);
    Pump();
    EXPECT_EQ(Rec().CountCommand(5, EN_KILLFOCUS), 1);

    // WM_SETTEXT replaces everything, is a change, and stops at a line break.
    Rec().Clear();
    SetWindowText(edit, "one\ntwo");
    EXPECT_EQ((std::tuple{Text(edit), Rec().CountCommand(5, EN_CHANGE), GetWindowTextLength(edit)}),
              (std::tuple{"one", 1, 3}));
    char small[3];
    EXPECT_EQ(SendMessage(edit, WM_GETTEXT, sizeof small, reinterpret_cast<LPARAM>(small)), 2);
    EXPECT_STREQ(small, "on");

    // Control characters are keys, not text.
    for (WPARAM control : {WPARAM{0x01}, WPARAM{0x1B}, WPARAM{0x7F}}) SendMessage(narrow, WM_CHAR, control, 0);
    EXPECT_EQ(Text(narrow), "a");
    // Styles the edit would ignore (alignment, several lines, hidden or read-only text) are refused.
    for (DWORD style : {0x0001u, 0x0004u, 0x0020u, 0x0800u, 0x2000u})
        EXPECT_EQ(CreateWindowEx(0, WC_EDIT, "", WS_CHILD | style, 0, 0, 50, 20, parent, nullptr, nullptr, nullptr),
                  nullptr)
            << style;
}

TEST_F(ControlsTest, EditClipboardKeys) {
    HWND edit = Child(WC_EDIT, "copy me", WS_BORDER, 10, 10, 200, 22, 5);
    HWND second = Child(WC_EDIT, "", WS_BORDER, 10, 40, 200, 22, 6);
    SetFocus(edit);
    Press('A', headless::MOD_CONTROL);
    EXPECT_EQ(GetSel(edit), static_cast<DWORD>(MAKELONG(0, 7)));
    Press('C', headless::MOD_CONTROL);
    EXPECT_EQ(Text(edit), "copy me"); // Ctrl+letters type nothing
    SetFocus(second);
    Press('V', headless::MOD_CONTROL);
    Press('V', headless::MOD_CONTROL);
    EXPECT_EQ(Text(second), "copy mecopy me");
    SendMessage(second, EM_SETSEL, 0, 5);
    Press('X', headless::MOD_CONTROL);
    EXPECT_EQ(Text(second), "mecopy me");
    SendMessage(second, EM_SETSEL, 9, 9);
    Press('V', headless::MOD_CONTROL);
    EXPECT_EQ(Text(second), "mecopy mecopy ");
}

TEST_F(ControlsTest, EditPaintsSelectionInHighlightOnlyWithFocus) {
    HWND edit = Child(WC_EDIT, "MMMMMMMM", WS_BORDER, 10, 10, 200, 22, 5);
    HWND other = Child(WC_BUTTON, "x", BS_PUSHBUTTON, 10, 40, 40, 22, 6);
    SetFocus(edit);
    SendMessage(edit, EM_SETSEL, 0, 4);
    Pump();
    auto highlighted = [&] {
        int n = 0;
        for (int x = 0; x < 200; ++x) n += headless::ReadPixel(edit, x, 11) == Px(GetSysColor(COLOR_HIGHLIGHT));
        return n;
    };
    EXPECT_GT(highlighted(), 10);
    SetFocus(other);
    Pump();
    EXPECT_EQ(highlighted(), 0);
}

TEST_F(ControlsTest, BordersAreOneFrameOutsideTheClientArea) {
    // A bordered edit or list draws its border once, as the window frame; the client area is all field.
    HWND edit = Child(WC_EDIT, "", WS_BORDER, 10, 10, 100, 22, 5);
    HWND list = Child(WC_LISTBOX, "", WS_BORDER, 10, 40, 100, 60, 6);
    Pump();
    for (HWND w : {edit, list}) {
        RECT rc = ClientRect(w);
        EXPECT_EQ(rc.right, 98);
        EXPECT_EQ(headless::ReadPixel(w, 0, 0), Px(GetSysColor(COLOR_WINDOW)));
        EXPECT_EQ(headless::ReadPixel(w, rc.right - 1, rc.bottom - 1), Px(GetSysColor(COLOR_WINDOW)));
        EXPECT_EQ(headless::ReadPixel(w, -1, 5), Px(GetSysColor(COLOR_WINDOWFRAME)));
    }
    // In a dialog a flat border becomes the sunken 3-D edge.
    static const DialogItemTemplate items[] = {{WC_EDIT, "", 7, 4, 4, 60, 12, WS_BORDER | WS_TABSTOP}};
    DialogTemplate t{};
    t.style = WS_POPUP | WS_VISIBLE;
    t.cx = 80;
    t.cy = 30;
    t.items = items;
    t.count = 1;
    HWND dlg = CreateDialogIndirectParam(nullptr, &t, parent, nullptr, 0);
    ASSERT_NE(dlg, nullptr);
    HWND inDialog = GetDlgItem(dlg, 7);
    EXPECT_FALSE(GetWindowLongPtr(inDialog, GWL_STYLE) & WS_BORDER);
    EXPECT_TRUE(GetWindowLongPtr(inDialog, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    Pump();
    EXPECT_EQ(headless::ReadPixel(inDialog, -2, 5), Px(GetSysColor(COLOR_3DSHADOW)));
    DestroyWindow(dlg);
}

TEST_F(ControlsTest, EveryControlKeepsTheFontItIsGivenAndRepaintsWhenAsked) {
    HFONT font = CreateFont(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    for (const char* cls : {WC_BUTTON, WC_STATIC, WC_EDIT, WC_LISTBOX, WC_COMBOBOX, TOOLBARCLASSNAME, TOOLTIPS_CLASS}) {
        SCOPED_TRACE(cls);
        HWND w = Child(cls, "Text", 0, 10, 10, 120, 60, 9);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(SendMessage(w, WM_GETFONT, 0, 0), 0) << "the default font until one is set";
        Pump();
        EXPECT_EQ(SendMessage(w, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE), 0);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessage(w, WM_GETFONT, 0, 0)), font);
        RECT dirty{};
        EXPECT_TRUE(GetUpdateRect(w, &dirty, FALSE)) << "the redraw flag invalidates";
        Pump();
        SendMessage(w, WM_SETFONT, 0, FALSE);
        EXPECT_EQ(SendMessage(w, WM_GETFONT, 0, 0), 0);
        EXPECT_TRUE(DestroyWindow(w));
    }
    DeleteObject(font);
}

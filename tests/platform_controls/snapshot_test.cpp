// A demo dialog with every control and a pop-up menu, rendered by the headless backend and saved as
// PNG files to look at; probes check a few pixels of each.
#include "fixture.h"

using namespace ctltest;

namespace {

enum { kName = 10, kLoop = 11, kFast = 12, kSlow = 13, kSpeed = 14, kList = 15, kHelp = 16, kToolbar = 17, kRule = 18 };

const DialogItemTemplate kDemoItems[] = {
    {WC_BUTTON, "Note", -1, 7, 4, 150, 62, BS_GROUPBOX},
    {WC_STATIC, "&Name:", -1, 14, 18, 34, 8, SS_LEFT},
    {WC_EDIT, "Middle C", kName, 50, 16, 100, 12, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
    {WC_BUTTON, "&Loop playback", kLoop, 14, 34, 80, 10, BS_AUTOCHECKBOX | WS_TABSTOP},
    {WC_BUTTON, "&Fast", kFast, 14, 48, 40, 10, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP},
    {WC_BUTTON, "&Slow", kSlow, 60, 48, 40, 10, BS_AUTORADIOBUTTON},
    {WC_STATIC, "Spee&d:", -1, 164, 8, 40, 8, SS_LEFT},
    {WC_COMBOBOX, "", kSpeed, 164, 18, 86, 80, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP},
    {WC_STATIC, "&Tracks:", -1, 164, 36, 40, 8, SS_LEFT},
    {WC_LISTBOX, "", kList, 164, 46, 86, 40, LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP},
    {WC_STATIC, "Right aligned", -1, 7, 72, 150, 8, SS_RIGHT},
    {WC_STATIC, "", kRule, 7, 94, 243, 2, SS_ETCHEDHORZ},
    {WC_BUTTON, "&Help", kHelp, 7, 102, 50, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED},
    {WC_BUTTON, "OK", IDOK, 146, 102, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP},
    {WC_BUTTON, "Cancel", IDCANCEL, 200, 102, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
};

INT_PTR DemoProc(HWND dlg, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG) {
        for (const char* s : {"Slow", "Normal", "Fast"}) SendDlgItemMessage(dlg, kSpeed, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
        SendDlgItemMessage(dlg, kSpeed, CB_SETCURSEL, 1, 0);
        for (const char* s : {"Piano", "Strings", "Bass", "Drums", "Brass", "Choir"})
            SendDlgItemMessage(dlg, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
        SendDlgItemMessage(dlg, kList, LB_SETCURSEL, 1, 0);
        CheckDlgButton(dlg, kLoop, BST_CHECKED);
        CheckRadioButton(dlg, kFast, kSlow, kSlow);
        return TRUE;
    }
    return FALSE;
}

} // namespace

TEST_F(ControlsTest, DemoDialogWithEveryControlSnapshot) {
    DialogTemplate t = ModalTemplate(kDemoItems, "Demo", 4, 4, 257, 122);
    HWND dlg = CreateDialogIndirectParam(nullptr, &t, parent, DemoProc, 0);
    ASSERT_NE(dlg, nullptr);

    // A flat toolbar along the bottom-left, with a few coloured images.
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32, 4, 4);
    HBITMAP strip = Strip(16, 4);
    ImageList_Add(images, strip, nullptr);
    DeleteObject(strip);
    RECT area{7, 76, 100, 90};
    MapDialogRect(dlg, &area);
    HWND bar = CreateWindowEx(0, TOOLBARCLASSNAME, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | CCS_NOPARENTALIGN | CCS_NORESIZE,
                              area.left, area.top, area.right - area.left, area.bottom - area.top, dlg,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kToolbar)), nullptr, nullptr);
    SendMessage(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessage(bar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    TBBUTTON buttons[] = {
        {0, 1, TBSTATE_ENABLED | TBSTATE_CHECKED, BTNS_CHECKGROUP, {}, 0, -1},
        {1, 2, TBSTATE_ENABLED, BTNS_CHECKGROUP, {}, 0, -1},
        {0, 0, 0, BTNS_SEP, {}, 0, -1},
        {2, 3, TBSTATE_ENABLED, BTNS_DROPDOWN, {}, 0, -1},
        {3, 4, 0, BTNS_BUTTON, {}, 0, -1},
    };
    SendMessage(bar, TB_ADDBUTTONS, 5, reinterpret_cast<LPARAM>(buttons));
    SetFocus(GetDlgItem(dlg, kName));
    Pump();

    std::string path = SnapshotPath("controls_dialog.png");
    ASSERT_TRUE(headless::Snapshot(dlg, path.c_str()));
    EXPECT_GT(FileSize(path), 3000);

    // Probes: face colour in an empty corner, the edit's window colour, the list's highlighted row.
    RECT client = ClientRect(dlg);
    EXPECT_EQ(headless::ReadPixel(dlg, client.right - 3, client.bottom - 3), Px(GetSysColor(COLOR_BTNFACE)));
    HWND edit = GetDlgItem(dlg, kName);
    RECT er = ClientRect(edit);
    EXPECT_EQ(headless::ReadPixel(edit, er.right - 4, er.bottom / 2), Px(GetSysColor(COLOR_WINDOW)));
    HWND list = GetDlgItem(dlg, kList);
    RECT row;
    SendMessage(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    EXPECT_EQ(headless::ReadPixel(list, row.right - 3, (row.top + row.bottom) / 2), Px(GetSysColor(COLOR_HIGHLIGHT)));

    DestroyWindow(dlg);
    ImageList_Destroy(images);
}

TEST_F(ControlsTest, PopupMenuSnapshot) {
    HMENU menu = CreatePopupMenu();
    HMENU zoom = CreatePopupMenu();
    AppendMenu(zoom, MF_STRING, 21, "Zoom &In\tCtrl++");
    AppendMenu(zoom, MF_STRING, 22, "Zoom &Out\tCtrl+-");
    AppendMenu(menu, MF_STRING, 1, "Cu&t\tCtrl+X");
    AppendMenu(menu, MF_STRING | MF_CHECKED, 2, "&Snap to grid");
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_STRING | MF_GRAYED, 3, "&Paste\tCtrl+V");
    AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(zoom), "&Zoom");
    AppendMenu(menu, MF_STRING, 4, "&Draw");
    AppendMenu(menu, MF_STRING, 5, "S&elect");
    CheckMenuRadioItem(menu, 4, 5, 4, MF_BYCOMMAND);
    AppendMenu(menu, MF_STRING | MF_MENUBARBREAK, 6, "&Velocity");
    AppendMenu(menu, MF_STRING, 7, "&Modulation");

    std::string path = SnapshotPath("controls_popup_menu.png");
    bool saved = false;
    std::uint32_t hotPixel = 0, facePixel = 0;
    Script person;
    person.Type("z").Then([&] {
        auto open = PopupMenus();
        ASSERT_EQ(open.size(), 2u);
        saved = headless::Snapshot(open[0], path.c_str());
        headless::Snapshot(open[1], SnapshotPath("controls_popup_submenu.png").c_str());
        RECT rc = ClientRect(open[1]);
        hotPixel = headless::ReadPixel(open[1], rc.right - 6, 3 + 4);
        facePixel = headless::ReadPixel(open[1], rc.right - 6, rc.bottom - 5);
    });
    person.Key(VK_ESCAPE).Key(VK_ESCAPE);
    TrackPopupMenu(menu, TPM_RETURNCMD, 200, 150, 0, parent, nullptr);
    EXPECT_TRUE(saved);
    EXPECT_GT(FileSize(path), 2000);
    // The sub-menu opened by keyboard has its first item highlighted.
    EXPECT_EQ(hotPixel, Px(GetSysColor(COLOR_HIGHLIGHT)));
    EXPECT_EQ(facePixel, Px(GetSysColor(COLOR_MENU)));
    DestroyMenu(menu);
}

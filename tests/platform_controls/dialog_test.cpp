// Dialogs from templates: dialog units, WM_INITDIALOG focus, modality and EndDialog, keyboard navigation,
// default buttons, item helpers, the dialog answer hook and message boxes.
#include "fixture.h"

#include <algorithm>

using namespace ctltest;

namespace {

enum { kLabel = 9, kName = 10, kLoop = 11, kFast = 12, kSlow = 13, kSpeed = 14, kDisabled = 15 };

const DialogItemTemplate kItems[] = {
    {WC_STATIC, "&Name:", kLabel, 7, 9, 30, 8, SS_LEFT},
    {WC_EDIT, "", kName, 40, 7, 100, 12, WS_BORDER | WS_TABSTOP},
    {WC_BUTTON, "&Loop", kLoop, 7, 25, 60, 10, BS_AUTOCHECKBOX | WS_TABSTOP},
    {WC_BUTTON, "&Fast", kFast, 7, 40, 50, 10, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP},
    {WC_BUTTON, "&Slow", kSlow, 60, 40, 50, 10, BS_AUTORADIOBUTTON},
    {WC_COMBOBOX, "", kSpeed, 7, 55, 80, 60, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP},
    {WC_BUTTON, "&Help", kDisabled, 7, 80, 40, 14, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED},
    {WC_BUTTON, "OK", IDOK, 50, 80, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP},
    {WC_BUTTON, "Cancel", IDCANCEL, 104, 80, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
};

DialogTemplate MakeTemplate(DWORD extraStyle = 0) {
    DialogTemplate t = ModalTemplate(kItems, "Settings", 10, 10, 160, 100);
    t.style |= extraStyle;
    return t;
}

// What the dialog procedure saw and read back when it closed.
struct DlgLog {
    bool focusOwnControl = false; // WM_INITDIALOG sets the focus to Cancel and returns FALSE
    HWND initFocusParam = nullptr;
    LPARAM initParam = 0;
    HWND focusAfterInit = nullptr;
    std::vector<std::pair<int, WORD>> commands;
    std::string name;
    UINT loop = 0;
    int speed = -1;
    bool ownerEnabledDuringInit = true;
};
DlgLog g_log;
HWND g_owner = nullptr;

INT_PTR SettingsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        g_log.initFocusParam = reinterpret_cast<HWND>(wParam);
        g_log.initParam = lParam;
        for (const char* s : {"Slow", "Normal", "Third", "Fast"})
            SendDlgItemMessage(dlg, kSpeed, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
        SendDlgItemMessage(dlg, kSpeed, CB_SETCURSEL, 1, 0);
        if (g_log.focusOwnControl) {
            SetFocus(GetDlgItem(dlg, IDCANCEL));
            return FALSE;
        }
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        g_log.commands.push_back({id, HIWORD(wParam)});
        if (id == IDOK || id == IDCANCEL) {
            char buf[64];
            GetDlgItemText(dlg, kName, buf, sizeof buf);
            g_log.name = buf;
            g_log.loop = IsDlgButtonChecked(dlg, kLoop);
            g_log.speed = static_cast<int>(SendDlgItemMessage(dlg, kSpeed, CB_GETCURSEL, 0, 0));
            EndDialog(dlg, id == IDOK ? 1000 + id : id);
        }
        return TRUE;
    }
    default:
        return FALSE;
    }
}

int FocusId() { return GetFocus() ? GetDlgCtrlID(GetFocus()) : 0; }

class DialogTest : public ControlsTest {
protected:
    void SetUp() override {
        ControlsTest::SetUp();
        g_log = DlgLog{};
        g_owner = parent;
        tmpl = MakeTemplate();
    }
    INT_PTR Run(LPARAM param = 0) { return DialogBoxIndirectParam(nullptr, &tmpl, parent, SettingsProc, param); }
    DialogTemplate tmpl{};
};

bool HasCommand(int id, WORD code) {
    for (auto& [i, c] : g_log.commands)
        if (i == id && c == code) return true;
    return false;
}

} // namespace

TEST_F(DialogTest, TemplateUnitsBecomePixelsOfTheDialogFont) {
    HWND dlg = CreateDialogIndirectParam(nullptr, &tmpl, parent, SettingsProc, 77);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(g_log.initParam, 77);
    LONG units = GetDialogBaseUnits();
    int bx = LOWORD(units), by = HIWORD(units);

    RECT client = ClientRect(dlg);
    EXPECT_EQ(client.right, (160 * bx + 2) / 4);
    EXPECT_EQ(client.bottom, (100 * by + 4) / 8);
    for (int id : {int{kName}, int{kSpeed}, IDOK}) {
        const DialogItemTemplate* it = nullptr;
        for (const auto& i : kItems)
            if (i.id == id) it = &i;
        // Position and size are each converted from dialog units.
        RECT pos{it->x, it->y, it->cx, it->cy};
        ASSERT_TRUE(MapDialogRect(dlg, &pos));
        RECT got = WindowRect(GetDlgItem(dlg, id));
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&got), 2);
        EXPECT_EQ(got.left, pos.left) << id;
        EXPECT_EQ(got.top, pos.top) << id;
        EXPECT_EQ(got.right - got.left, pos.right) << id;
        if (id != kSpeed) { // the combo fits its field to the font
            EXPECT_EQ(got.bottom - got.top, pos.bottom) << id;
        }
    }
    // The template position is relative to the owner's client area.
    POINT ownerOrigin{0, 0};
    ClientToScreen(parent, &ownerOrigin);
    RECT wr = WindowRect(dlg);
    EXPECT_EQ(wr.left, ownerOrigin.x + (10 * bx + 2) / 4);
    EXPECT_EQ(GetDlgCtrlID(GetDlgItem(dlg, kLoop)), kLoop);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessage(dlg, WM_GETFONT, 0, 0)),
              reinterpret_cast<HFONT>(SendDlgItemMessage(dlg, kName, WM_GETFONT, 0, 0)));
    RECT none{0, 0, 4, 8};
    EXPECT_FALSE(MapDialogRect(parent, &none)); // not a dialog
    DestroyWindow(dlg);
    // A template without a point size gets the 8-point dialog font.
    DialogTemplate unsized = tmpl;
    unsized.pointSize = 0;
    dlg = CreateDialogIndirectParam(nullptr, &unsized, parent, SettingsProc, 0);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(ClientRect(dlg), client);
    DestroyWindow(dlg);
}

TEST_F(DialogTest, InitDialogFocusesFirstTabStopUnlessTheProcedureChose) {
    HWND dlg = CreateDialogIndirectParam(nullptr, &tmpl, parent, SettingsProc, 0);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(g_log.initFocusParam, GetDlgItem(dlg, kName));
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, kName));
    // Activation with the focus already inside leaves it where it is.
    SetFocus(GetDlgItem(dlg, IDCANCEL));
    SendMessage(dlg, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDCANCEL));
    DestroyWindow(dlg);

    g_log = DlgLog{};
    g_log.focusOwnControl = true;
    dlg = CreateDialogIndirectParam(nullptr, &tmpl, parent, SettingsProc, 0);
    ASSERT_NE(dlg, nullptr);
    EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDCANCEL));
    DestroyWindow(dlg);

    EXPECT_EQ(CreateDialogIndirectParam(nullptr, nullptr, parent, SettingsProc, 0), nullptr);
    EXPECT_EQ(DialogBoxParam(nullptr, MAKEINTRESOURCE(999), parent, SettingsProc, 0), -1);
}

TEST_F(DialogTest, ModalLoopDisablesOwnerAndReturnsEndDialogValue) {
    Script person;
    bool ownerEnabled = true;
    HWND dlgSeen = nullptr;
    std::string caption;
    person.Then([&] {
        ownerEnabled = IsWindowEnabled(parent) != FALSE;
        dlgSeen = GetActiveWindow();
        caption = Text(dlgSeen);
    });
    person.Type("Alice").Key(VK_RETURN); // the edit has the focus; Enter presses the default button
    // What the script saw inside the loop is read after it.
    EXPECT_EQ((std::tuple{Run(), bool(person.Exhausted()), ownerEnabled, caption, bool(IsWindowEnabled(parent)),
                          bool(IsWindow(dlgSeen)), g_log.name, bool(HasCommand(kName, EN_CHANGE))}),
              (std::tuple{1000 + IDOK, false, false, "Settings", true, false, "Alice", true}));
    // The owner heard that the dialog was waiting.
    auto idle = Rec().Of(WM_ENTERIDLE);
    ASSERT_FALSE(idle.empty());
    EXPECT_EQ(idle[0].wParam, static_cast<WPARAM>(MSGF_DIALOGBOX));
}

TEST_F(DialogTest, EscapeCancelsAndCloseBoxCancels) {
    for (bool escape : {true, false}) {
        Script person;
        if (escape) person.Type("Bob").Key(VK_ESCAPE);
        else person.Then([] { SendMessage(GetActiveWindow(), WM_CLOSE, 0, 0); });
        EXPECT_EQ(Run(), IDCANCEL);
        EXPECT_FALSE(person.Exhausted());
    }
}

TEST_F(DialogTest, TabAndShiftTabFollowTabStops) {
    Script person;
    std::vector<int> order;
    auto note = [&] { order.push_back(FocusId()); };
    person.Then(note);
    for (int i = 0; i < 6; ++i) person.Key(VK_TAB).Then(note);
    person.Key(VK_TAB, headless::MOD_SHIFT).Then(note);
    person.Key(VK_TAB, headless::MOD_SHIFT).Then(note);
    person.Key(VK_ESCAPE);
    EXPECT_EQ(Run(), IDCANCEL);
    // The disabled Help button is skipped; the radio group is entered at its first button.
    std::vector<int> want{kName, kLoop, kFast, kSpeed, IDOK, IDCANCEL, kName, IDCANCEL, IDOK};
    EXPECT_EQ(order, want);
}

TEST_F(DialogTest, TabEntersRadioGroupAtCheckedButtonAndArrowsMoveTheCheck) {
    Script person;
    std::vector<int> focus;
    UINT fastAfter = 99, slowAfter = 99;
    person.Then([] { CheckDlgButton(GetActiveWindow(), kSlow, BST_CHECKED); });
    person.Key(VK_TAB).Key(VK_TAB).Then([&] { focus.push_back(FocusId()); });
    person.Key(VK_LEFT).Then([&] {
        focus.push_back(FocusId());
        fastAfter = IsDlgButtonChecked(GetActiveWindow(), kFast);
        slowAfter = IsDlgButtonChecked(GetActiveWindow(), kSlow);
    });
    person.Key(VK_ESCAPE);
    EXPECT_EQ((std::tuple{Run(), focus, fastAfter, slowAfter}),
              (std::tuple{IDCANCEL, (std::vector<int>{kSlow, kFast}), BST_CHECKED, BST_UNCHECKED}));
    EXPECT_TRUE(HasCommand(kFast, BN_CLICKED));

    // An arrow key meant for the dialog while the focus is elsewhere moves nothing.
    HWND dlg = CreateDialogIndirectParam(nullptr, &tmpl, parent, SettingsProc, 0);
    HWND others[2];
    for (HWND& o : others)
        o = CreateWindowEx(0, WC_BUTTON, "Other", WS_CHILD | WS_VISIBLE | (&o == others ? WS_GROUP : 0), 0, 0, 40,
                           20, parent, nullptr, nullptr, nullptr);
    SetFocus(others[0]);
    MSG arrow{dlg, WM_KEYDOWN, VK_DOWN, 0, 0, {0, 0}};
    EXPECT_TRUE(IsDialogMessage(dlg, &arrow));
    EXPECT_EQ(GetFocus(), others[0]);
    for (HWND o : others) DestroyWindow(o);
    DestroyWindow(dlg);
}

TEST_F(DialogTest, EnterPressesFocusedPushButtonOrTheDefault) {
    {
        // Focus on Cancel: Enter presses Cancel, not the default OK.
        Script person;
        person.Key(VK_TAB, headless::MOD_SHIFT).Key(VK_RETURN);
        EXPECT_EQ(Run(), IDCANCEL);
    }
    {
        // DM_SETDEFID moves the default look and Enter's target.
        Script person;
        DWORD defBefore = 0, defAfter = 0;
        DWORD okStyle = 0, cancelStyle = 0;
        person.Then([&] {
            HWND dlg = GetActiveWindow();
            defBefore = static_cast<DWORD>(SendMessage(dlg, DM_GETDEFID, 0, 0));
            SendMessage(dlg, DM_SETDEFID, IDCANCEL, 0);
            defAfter = static_cast<DWORD>(SendMessage(dlg, DM_GETDEFID, 0, 0));
            okStyle = static_cast<DWORD>(GetWindowLongPtr(GetDlgItem(dlg, IDOK), GWL_STYLE)) & BS_TYPEMASK;
            cancelStyle = static_cast<DWORD>(GetWindowLongPtr(GetDlgItem(dlg, IDCANCEL), GWL_STYLE)) & BS_TYPEMASK;
        });
        person.Key(VK_RETURN);
        EXPECT_EQ(Run(), IDCANCEL);
        EXPECT_EQ(defBefore, static_cast<DWORD>(MAKELONG(IDOK, DC_HASDEFID)));
        EXPECT_EQ(defAfter, static_cast<DWORD>(MAKELONG(IDCANCEL, DC_HASDEFID)));
        EXPECT_EQ((std::tuple{okStyle, cancelStyle}), (std::tuple{BS_PUSHBUTTON, BS_DEFPUSHBUTTON}));
    }
}

TEST_F(DialogTest, SpaceAndMnemonicsWorkTheButtons) {
    Script person;
    UINT afterSpace = 99, afterAlt = 99;
    int focusAfterLabel = 0;
    person.Key(VK_TAB).Key(VK_SPACE).Then([&] { afterSpace = IsDlgButtonChecked(GetActiveWindow(), kLoop); });
    person.Key('L', headless::MOD_ALT).Then([&] { afterAlt = IsDlgButtonChecked(GetActiveWindow(), kLoop); });
    // A label's mnemonic moves the focus to the control after it.
    person.Key('N', headless::MOD_ALT).Then([&] { focusAfterLabel = FocusId(); });
    // Typing into the edit is text, not mnemonics.
    person.Type("fast").Key(VK_RETURN);
    EXPECT_EQ((std::tuple{Run(), afterSpace, afterAlt, focusAfterLabel, g_log.name, g_log.loop}),
              (std::tuple{1000 + IDOK, BST_CHECKED, BST_UNCHECKED, kName, "fast", BST_UNCHECKED}));
}

TEST_F(DialogTest, ItemHelpersReachTheirItemsAndGroups) {
    HWND dlg = CreateDialogIndirectParam(nullptr, &tmpl, parent, SettingsProc, 0);
    ASSERT_NE(dlg, nullptr);
    char buf[8];
    SetDlgItemText(dlg, kName, "truncated text");
    EXPECT_EQ(GetDlgItemText(dlg, kName, buf, sizeof buf), 7u);
    EXPECT_STREQ(buf, "truncat");
    EXPECT_EQ(GetDlgItemText(dlg, 4242, buf, sizeof buf), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_FALSE(SetDlgItemText(dlg, 4242, "x"));

    ASSERT_TRUE(CheckDlgButton(dlg, kLoop, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dlg, kLoop), BST_CHECKED);
    EXPECT_EQ(SendDlgItemMessage(dlg, kSpeed, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(SendDlgItemMessage(dlg, 4242, CB_GETCOUNT, 0, 0), 0);
    EXPECT_FALSE(EndDialog(parent, 1)); // not a dialog
    // A group runs from a WS_GROUP control to the next one, wrapping and skipping what cannot be used.
    const auto next = [&](int id, BOOL previous) { return GetDlgCtrlID(GetNextDlgGroupItem(dlg, GetDlgItem(dlg, id), previous)); };
    EXPECT_EQ((std::tuple{next(kFast, FALSE), next(kFast, TRUE), next(kLoop, FALSE), next(kLabel, TRUE)}),
              (std::tuple{kSlow, kSlow, kLabel, kLoop}));
    EXPECT_EQ(next(kSpeed, FALSE), kSpeed) << "the disabled Help is skipped";
    EXPECT_EQ(GetNextDlgGroupItem(dlg, nullptr, FALSE), nullptr);
    DestroyWindow(dlg);
}

TEST_F(DialogTest, AnswerHookSetsItemsAsAPersonAndPressesTheButton) {
    AnswerNextDialog(DialogAnswer{{{kName, "Carol"}, {kLoop, "1"}, {kSlow, "1"}, {kSpeed, "Third"}}, IDOK});
    EXPECT_EQ((std::tuple{Run(), g_log.name, g_log.loop, g_log.speed}),
              (std::tuple{1000 + IDOK, "Carol", BST_CHECKED, 2}));
    EXPECT_TRUE(HasCommand(kLoop, BN_CLICKED));
    EXPECT_TRUE(HasCommand(kSlow, BN_CLICKED));
    EXPECT_TRUE(HasCommand(kSpeed, CBN_SELCHANGE));
    EXPECT_TRUE(HasCommand(IDOK, BN_CLICKED));

    // A combo value may be an index; a disabled button cannot be pressed and the person escapes.
    g_log = DlgLog{};
    AnswerNextDialog(DialogAnswer{{{kSpeed, "3"}}, kDisabled});
    EXPECT_EQ((std::tuple{Run(), g_log.speed}), (std::tuple{IDCANCEL, 3}));
    EXPECT_FALSE(HasCommand(kDisabled, BN_CLICKED));

    // A callback does the work itself, here through the keyboard.
    g_log = DlgLog{};
    AnswerNextDialog([](HWND dlg) {
        EXPECT_EQ(GetFocus(), GetDlgItem(dlg, kName));
        headless::TypeText("Dan");
        headless::PressKey(VK_RETURN);
    });
    EXPECT_EQ((std::tuple{Run(), g_log.name}), (std::tuple{1000 + IDOK, "Dan"}));
    EXPECT_FALSE(SetDialogItemAsUser(parent, 4242, "x"));

    // A list value must name an item or be the index of one.
    HWND dlg = CreateDialogIndirectParam(nullptr, &tmpl, parent, SettingsProc, 0);
    const auto count = static_cast<int>(SendDlgItemMessage(dlg, kSpeed, CB_GETCOUNT, 0, 0));
    for (const std::string& bad : {std::string("Nope"), std::string("-1"), std::to_string(count), std::string("2x")})
        EXPECT_FALSE(SetDialogItemAsUser(dlg, kSpeed, bad)) << bad;
    EXPECT_TRUE(SetDialogItemAsUser(dlg, kSpeed, std::to_string(count - 1)));
    EXPECT_EQ(SendDlgItemMessage(dlg, kSpeed, CB_GETCURSEL, 0, 0), count - 1);
    DestroyWindow(dlg);
}

TEST_F(DialogTest, TemplatesRegisteredByModuleAndId) {
    const auto module = reinterpret_cast<HINSTANCE>(0x7100);
    ASSERT_TRUE(RegisterDialogResource(module, 12, &tmpl));
    EXPECT_EQ((std::tuple{RegisterDialogResource(module, 0, &tmpl), RegisterDialogResource(module, 0x10000, &tmpl),
                          RegisterDialogResource(module, 13, nullptr)}),
              (std::tuple{FALSE, FALSE, FALSE}));
    EXPECT_EQ(FindDialogResource(module, MAKEINTRESOURCE(12)), &tmpl);
    EXPECT_EQ(FindDialogResource(module, "12"), nullptr) << "names are numbers";
    EXPECT_EQ(FindDialogResource(reinterpret_cast<HINSTANCE>(0x7200), MAKEINTRESOURCE(12)), nullptr);
    HWND dlg = CreateDialogParam(module, MAKEINTRESOURCE(12), parent, SettingsProc, 0);
    ASSERT_NE(dlg, nullptr);
    EXPECT_NE(GetDlgItem(dlg, kName), nullptr);
    // Colour questions the procedure leaves alone get the face for labels and the window colour for fields.
    HDC dc = CreateCompatibleDC(nullptr);
    const auto ask = [&](UINT msg) { return reinterpret_cast<HBRUSH>(SendMessage(dlg, msg, reinterpret_cast<WPARAM>(dc), 0)); };
    EXPECT_EQ(ask(WM_CTLCOLORSTATIC), GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_EQ((std::tuple{ask(WM_CTLCOLORDLG), ask(WM_CTLCOLOREDIT), GetBkColor(dc)}),
              (std::tuple{GetSysColorBrush(COLOR_BTNFACE), GetSysColorBrush(COLOR_WINDOW), GetSysColor(COLOR_WINDOW)}));
    DeleteDC(dc);
    DestroyWindow(dlg);
    AnswerNextDialog(DialogAnswer{{}, IDOK});
    EXPECT_EQ(DialogBoxParam(module, MAKEINTRESOURCE(12), parent, SettingsProc, 0), 1000 + IDOK);
    EXPECT_EQ(DialogBoxParam(module, MAKEINTRESOURCE(13), parent, SettingsProc, 0), -1);
    UnregisterModuleResources(module);
    EXPECT_EQ(CreateDialogParam(module, MAKEINTRESOURCE(12), parent, SettingsProc, 0), nullptr);
}

TEST_F(DialogTest, CentredOnOwnerAndChildDialogs) {
    tmpl = MakeTemplate(DS_CENTER);
    HWND dlg = CreateDialogIndirectParam(nullptr, &tmpl, parent, SettingsProc, 0);
    ASSERT_NE(dlg, nullptr);
    RECT owner, wr;
    GetWindowRect(parent, &owner);
    GetWindowRect(dlg, &wr);
    EXPECT_NEAR((wr.left + wr.right) / 2, (owner.left + owner.right) / 2, 1);
    EXPECT_NEAR((wr.top + wr.bottom) / 2, (owner.top + owner.bottom) / 2, 1);
    DestroyWindow(dlg);

    // A child dialog (a page inside a window) sits in its parent's client area and joins its tab order.
    DialogTemplate page = MakeTemplate();
    page.style = WS_CHILD | WS_VISIBLE | DS_CONTROL | DS_SETFONT;
    page.x = 4;
    page.y = 8;
    HWND child = CreateDialogIndirectParam(nullptr, &page, parent, SettingsProc, 0);
    ASSERT_NE(child, nullptr);
    EXPECT_TRUE(IsChild(parent, child));
    EXPECT_TRUE(GetWindowLongPtr(child, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    RECT cr = WindowRect(child);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&cr), 2);
    LONG units = GetDialogBaseUnits();
    EXPECT_EQ(cr.left, (4 * LOWORD(units) + 2) / 4);
    EXPECT_EQ(cr.top, (8 * HIWORD(units) + 4) / 8);
    EXPECT_EQ(GetNextDlgTabItem(child, GetDlgItem(child, IDCANCEL), FALSE), GetDlgItem(child, kName));
    EXPECT_EQ(GetNextDlgTabItem(child, GetDlgItem(child, kName), TRUE), GetDlgItem(child, IDCANCEL));
    DestroyWindow(child);
}

TEST_F(ControlsTest, MessageBoxesAnsweredByHookAndKeyboard) {
    AnswerNextDialog(DialogAnswer{{}, IDNO});
    EXPECT_EQ(MessageBox(parent, "Save changes?", "Piano roll", MB_YESNOCANCEL | MB_ICONQUESTION), IDNO);
    EXPECT_TRUE(IsWindowEnabled(parent));

    {
        Script person;
        std::string caption, body;
        int focused = 0;
        person.Then([&] {
            HWND box = GetActiveWindow();
            caption = Text(box);
            focused = GetDlgCtrlID(GetFocus());
            char buf[128] = {};
            for (HWND w = GetWindow(box, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
                GetClassName(w, buf, sizeof buf);
                if (std::string(buf) == "STATIC") body = Text(w);
            }
        });
        person.Key(VK_RETURN);
        EXPECT_EQ(MessageBox(parent, "Really delete?", "Confirm", MB_OKCANCEL | MB_DEFBUTTON2 | MB_ICONWARNING), IDCANCEL);
        EXPECT_EQ((std::tuple{caption, body, focused}), (std::tuple{"Confirm", "Really delete?", IDCANCEL}));
    }
    {
        // Escape answers a lone OK; it does nothing for Yes/No, where a mnemonic answers.
        Script person;
        person.Key(VK_ESCAPE);
        EXPECT_EQ(MessageBox(parent, "Done.", "Info", MB_OK), IDOK);
    }
    {
        Script person;
        person.Key(VK_ESCAPE).Then([] { EXPECT_NE(GetActiveWindow(), nullptr); }).Type("n");
        EXPECT_EQ(MessageBox(parent, "Replace?", "Question", MB_YESNO), IDNO);
        EXPECT_FALSE(person.Exhausted());
    }
    AnswerNextDialog(DialogAnswer{{}, IDYES});
    EXPECT_EQ(MessageBox(nullptr, "No owner", nullptr, MB_YESNO | MB_ICONERROR), IDYES);
    // An answer the box cannot take fails it (0) rather than leaving it waiting.
    AnswerNextDialog(DialogAnswer{{}, IDCANCEL});
    EXPECT_EQ(MessageBox(parent, "Replace?", "Question", MB_YESNO), 0);
    EXPECT_TRUE(IsWindowEnabled(parent));
}

TEST_F(ControlsTest, MessageBoxIconsAndLayout) {
    // Per icon kind: the sign's colour, and its picture (the mark tells a question from information).
    struct Seen {
        COLORREF fill = 0;
        std::vector<std::uint32_t> picture;
        int iconMiddle = 0, textMiddle = 0, buttonsRight = 0, clientRight = 0, iconBottom = 0, buttonsTop = 0;
        LRESULT signCode = 0; // what the sign tells the dialog keyboard about itself
    };
    auto show = [&](UINT icon) {
        Seen seen;
        Script person;
        person.Then([&] {
            HWND box = GetActiveWindow();
            HWND sign = GetWindow(box, GW_CHILD), text = GetWindow(sign, GW_HWNDNEXT);
            HWND button = GetWindow(text, GW_HWNDNEXT);
            RECT is = WindowRect(sign), ts = WindowRect(text), bs = WindowRect(button), cs = WindowRect(box);
            const int size = is.right - is.left;
            seen.fill = headless::ReadPixel(sign, size * 3 / 10, size * 3 / 4);
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x) seen.picture.push_back(headless::ReadPixel(sign, x, y));
            seen.iconMiddle = (is.top + is.bottom) / 2;
            seen.textMiddle = (ts.top + ts.bottom) / 2;
            seen.iconBottom = is.bottom;
            seen.buttonsTop = bs.top;
            seen.buttonsRight = WindowRect(GetDlgItem(box, IDOK)).right;
            seen.clientRight = cs.right;
            seen.signCode = SendMessage(sign, WM_GETDLGCODE, 0, 0);
        });
        person.Key(VK_RETURN);
        EXPECT_EQ(MessageBox(parent, "One line", "Icons", MB_OK | icon), IDOK);
        return seen;
    };
    const Seen stop = show(MB_ICONHAND), question = show(MB_ICONQUESTION), warning = show(MB_ICONEXCLAMATION),
               info = show(MB_ICONASTERISK);
    EXPECT_EQ((std::tuple{stop.fill, warning.fill, question.fill, info.fill}),
              (std::tuple{Px(RGB(210, 30, 30)), Px(RGB(240, 190, 0)), Px(RGB(0, 90, 200)), question.fill}));
    EXPECT_NE(info.picture, question.picture);
    // White marks on the round signs, a black one on the warning triangle.
    const auto count = [](const Seen& s, COLORREF c) { return std::count(s.picture.begin(), s.picture.end(), Px(c)); };
    EXPECT_GT(count(info, RGB(255, 255, 255)), 3);
    EXPECT_GT(count(warning, RGB(0, 0, 0)), 3);
    EXPECT_EQ(count(warning, RGB(255, 255, 255)), 0);
    // Round signs have a dark grey rim, the triangle a dark yellow one.
    EXPECT_GT(count(stop, RGB(40, 40, 40)), 3);
    EXPECT_GT(count(warning, RGB(120, 90, 0)), 3);
    // The buttons are one group: arrows move between them.
    Script person;
    person.Key(VK_RIGHT).Key(VK_RETURN);
    EXPECT_EQ(MessageBox(parent, "Keep?", "Arrows", MB_YESNOCANCEL), IDNO);
    // The text stands level with the sign, the buttons below both and in from the right edge.
    for (const Seen* s : {&stop, &question, &warning, &info}) {
        EXPECT_NEAR(s->textMiddle, s->iconMiddle, 1);
        EXPECT_GT(s->buttonsTop, s->iconBottom);
        EXPECT_LT(s->buttonsRight, s->clientRight);
        EXPECT_EQ(s->signCode, DLGC_STATIC);
    }
}

TEST_F(DialogTest, EndDialogDuringInitAndNestedModalDialogs) {
    // A procedure that decides during WM_INITDIALOG ends the dialog before anyone sees it.
    static bool shown;
    shown = true;
    auto endAtOnce = [](HWND dlg, UINT msg, WPARAM, LPARAM) -> INT_PTR {
        if (msg == WM_INITDIALOG) {
            EndDialog(dlg, 42);
            return TRUE;
        }
        if (msg == WM_SHOWWINDOW) shown = true;
        return FALSE;
    };
    shown = false;
    EXPECT_EQ((std::tuple{DialogBoxIndirectParam(nullptr, &tmpl, parent, endAtOnce, 0), shown,
                          bool(IsWindowEnabled(parent))}),
              (std::tuple{42, false, true}));

    // A message box over a modal dialog disables the dialog, not only the main window, and gives it back.
    Script person;
    bool outerEnabledInside = true, parentEnabledInside = true;
    int inner = 0;
    person.Then([&] {
        HWND dlg = GetActiveWindow();
        AnswerNextDialog([&, dlg](HWND) {
            outerEnabledInside = IsWindowEnabled(dlg) != FALSE;
            parentEnabledInside = IsWindowEnabled(parent) != FALSE;
            headless::PressKey(VK_RETURN);
        });
        inner = MessageBox(dlg, "Inner", "Nested", MB_OKCANCEL);
    });
    person.Key(VK_ESCAPE);
    EXPECT_EQ((std::tuple{Run(), inner, outerEnabledInside, parentEnabledInside, bool(IsWindowEnabled(parent)),
                          bool(person.Exhausted())}),
              (std::tuple{IDCANCEL, IDOK, false, false, true, false}));
}

namespace {

std::vector<WPARAM> g_eaten;
LRESULT g_eaterCode = 0;

LRESULT KeyEaterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETDLGCODE) return g_eaterCode;
    if (msg == WM_KEYDOWN) g_eaten.push_back(wParam);
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

TEST_F(DialogTest, ControlsThatWantKeysGetThem) {
    static bool registered = [] {
        WNDCLASS wc{};
        wc.lpfnWndProc = KeyEaterProc;
        wc.lpszClassName = "CtlTestKeyEater";
        return RegisterClass(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    static const DialogItemTemplate items[] = {
        {"CtlTestKeyEater", "", 50, 4, 4, 60, 40, WS_TABSTOP},
        {WC_BUTTON, "OK", IDOK, 70, 4, 40, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
        {WC_BUTTON, "Cancel", IDCANCEL, 70, 20, 40, 14, BS_PUSHBUTTON | WS_TABSTOP},
    };
    tmpl.items = items;
    tmpl.count = 3;

    // Wanting every key: Tab, Enter and Escape reach the control instead of the dialog.
    g_eaten.clear();
    g_eaterCode = DLGC_WANTALLKEYS;
    {
        Script person;
        person.Key(VK_TAB).Key(VK_RETURN).Then([] { EXPECT_EQ(GetDlgCtrlID(GetFocus()), 50); });
        EXPECT_EQ(Run(), -2); // even the person's Escape was the control's
        EXPECT_EQ(g_eaten, std::vector<WPARAM>({VK_TAB, VK_RETURN, VK_ESCAPE}));
    }
    // Wanting arrows only: arrows reach it, Tab moves on and Escape cancels.
    g_eaten.clear();
    g_eaterCode = DLGC_WANTARROWS;
    {
        Script person;
        int afterTab = 0;
        person.Key(VK_DOWN).Key(VK_TAB).Then([&] { afterTab = FocusId(); }).Key(VK_ESCAPE);
        EXPECT_EQ((std::tuple{Run(), g_eaten, afterTab}),
                  (std::tuple{IDCANCEL, std::vector<WPARAM>({VK_DOWN}), IDOK}));
    }
}

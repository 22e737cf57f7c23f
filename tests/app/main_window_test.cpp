// The main window in the headless window system: layout, title, menus, shortcuts, transport, and the
// file commands with their dialogs.
#include <gtest/gtest.h>

#include <initializer_list>

#include "app_test_util.h"
#include "demo_song.h"
#include "file_dialog.h"
#include "main_window.h"
#include "menu_bar.h"
#include "win/backend.h"
#include "win/controls.h"

namespace {

using namespace apptest;
using namespace host::app;
using namespace win;

const std::string kDash = " \xE2\x80\x94 ";

std::string MenuText(HMENU menu, int position) {
    char text[128] = {};
    GetMenuString(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

// The texts of a dialog's items, one after another.
std::string DialogText(HWND box) {
    std::string text;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM lParam) -> BOOL {
            char t[512] = {};
            GetWindowText(child, t, sizeof t);
            *reinterpret_cast<std::string*>(lParam) += t;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return text;
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { UseBuiltModule(); }

    void Open(std::unique_ptr<Document> doc, int width = 900, int height = 600) {
        window = MainWindow::Create(std::move(doc), DocumentOptions{}, width, height);
        ASSERT_NE(window, nullptr);
        hwnd = window->Handle();
        Pump();
    }
    void OpenSong(const Bytes& bytes, const std::string& name = "song.mid") {
        std::string error;
        auto doc = Document::FromBytes(bytes.data(), bytes.size(), name, DocumentOptions{}, &error);
        ASSERT_TRUE(doc) << error;
        Open(std::move(doc));
    }
    void TearDown() override {
        ClearDialogAnswer();
        ClearPopupMenuAnswer();
        headless::SetIdleHook(nullptr, nullptr);
        if (hwnd && IsWindow(hwnd)) {
            // Leave without the unsaved-changes question.
            while (window->Doc().Undo() == S_OK) {
            }
            DestroyWindow(hwnd);
        }
        Pump();
        MSG quit;
        while (PeekMessage(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
    static void Pump() { MainWindow::PumpMessages(); }
    std::string Title() const {
        char text[256] = {};
        GetWindowText(hwnd, text, sizeof text);
        return text;
    }
    void AddNote(int pitch) {
        AddNoteEdit(window->Doc(), pitch);
        Pump();
    }
    // Clicks a title of the menu bar and lets answer see the opened pop-up.
    void ClickMenuTitle(int index, std::function<UINT(HMENU, HWND)> answer) {
        AnswerNextPopupMenu(std::move(answer));
        RECT r = MenuBarItemRect(window->MenuBar(), index);
        headless::Click(window->MenuBar(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        Pump();
    }
    // The grey and check marks of the given commands in the menu under title `index`.
    std::vector<UINT> MenuStates(int index, std::initializer_list<UINT> ids) {
        std::vector<UINT> states;
        ClickMenuTitle(index, [&](HMENU menu, HWND) -> UINT {
            for (UINT id : ids) states.push_back(GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED));
            return 0;
        });
        return states;
    }

    MainWindow* window = nullptr;
    HWND hwnd = nullptr;
};

TEST_F(MainWindowTest, TitleMenuBarAndEditorFillTheWindowAndFollowItsSize) {
    Open(Document::FromBytes(DemoSongData(), DemoSongSize(), "Demo Song", DocumentOptions{}, nullptr), 900, 600);
    EXPECT_EQ(Title(), "Demo Song" + kDash + "Piano Roll");
    HWND editor = window->Doc().EditorWindow();
    ASSERT_NE(editor, nullptr);
    RECT bar{}, page{};
    GetWindowRect(window->MenuBar(), &bar);
    GetWindowRect(editor, &page);
    EXPECT_EQ(bar.bottom - bar.top, kMenuBarHeight);
    EXPECT_EQ((std::tuple{bar.right - bar.left, page.top, page.right - page.left, page.bottom - page.top}),
              (std::tuple{900, bar.bottom, 900, 600 - kMenuBarHeight}));
    EXPECT_TRUE(GetFocus() == editor || IsChild(editor, GetFocus()));
    // The demo's first track holds only tempo and names: the window opens on the first with notes.
    EXPECT_EQ(SendDlgItemMessage(editor, 1000, CB_GETCURSEL, 0, 0), 1);

    SetWindowPos(hwnd, nullptr, 0, 0, 1100, 700, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    GetWindowRect(editor, &page);
    EXPECT_EQ(page.right - page.left, 1100);
    EXPECT_EQ(page.bottom - page.top, 700 - kMenuBarHeight);
    // The menu titles are drawn on the bar, in the menu text colour over the bar colour.
    RECT file = MenuBarItemRect(window->MenuBar(), 0);
    EXPECT_GT(file.right, file.left);
    int dark = 0;
    for (int x = file.left; x < file.right; ++x)
        for (int y = file.top; y < file.bottom; ++y)
            if ((headless::ReadPixel(window->MenuBar(), x, y) & 0xFF) < 0x60) ++dark;
    EXPECT_GT(dark, 10);
}

TEST_F(MainWindowTest, FileMenuOpensBelowItsTitleWithTheFileCommands) {
    OpenSong(MakeSong({{0, 0, 480, 60}}));
    std::vector<std::string> items;
    ClickMenuTitle(0, [&](HMENU menu, HWND owner) -> UINT {
        EXPECT_EQ(owner, hwnd);
        for (int i = 0; i < GetMenuItemCount(menu); ++i) items.push_back(MenuText(menu, i));
        return 0;
    });
    EXPECT_EQ(items, (std::vector<std::string>{"&Open...\tCtrl+O", "&Save\tCtrl+S", "Save &As...\tCtrl+Shift+S", "",
                                               "&Quit\tCtrl+Q"}));

    // Shown for real: the pop-up is a visible top-level window just below the title.
    struct Seen {
        HWND popup = nullptr;
        RECT rect{};
        HWND main = nullptr;
    } seen;
    seen.main = hwnd;
    headless::SetIdleHook(
        [](void* context) {
            auto* s = static_cast<Seen*>(context);
            EnumWindows(
                [](HWND top, LPARAM lParam) -> BOOL {
                    auto* s = reinterpret_cast<Seen*>(lParam);
                    if (top != s->main && IsWindowVisible(top) && !s->popup) {
                        s->popup = top;
                        GetWindowRect(top, &s->rect);
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(s));
            EndMenu();
        },
        &seen);
    OpenMenuBarItem(window->MenuBar(), 0);
    headless::SetIdleHook(nullptr, nullptr);
    ASSERT_NE(seen.popup, nullptr);
    RECT title = MenuBarItemRect(window->MenuBar(), 0);
    POINT below{title.left, title.bottom};
    ClientToScreen(window->MenuBar(), &below);
    EXPECT_EQ(seen.rect.left, below.x);
    EXPECT_GE(seen.rect.top, below.y);
    EXPECT_LE(seen.rect.top, below.y + 2);
}

TEST_F(MainWindowTest, EditMenuNamesTheStepsAndTheTitleMarksUnsavedChanges) {
    OpenSong(MakeSong({{0, 0, 480, 60}}), "tune.mid");
    EXPECT_EQ(Title(), "tune.mid" + kDash + "Piano Roll");
    auto editItems = [&] {
        std::vector<std::pair<std::string, bool>> items;
        ClickMenuTitle(1, [&](HMENU menu, HWND) -> UINT {
            for (int i = 0; i < GetMenuItemCount(menu); ++i)
                items.emplace_back(MenuText(menu, i), !(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED));
            return 0;
        });
        return items;
    };
    using Items = std::vector<std::pair<std::string, bool>>;
    auto undoRedo = [&] {
        Items items = editItems();
        items.resize(2);
        return items;
    };
    EXPECT_EQ(undoRedo(), (Items{{"&Undo\tCtrl+Z", false}, {"&Redo\tCtrl+Y", false}}));
    AddNote(64);
    EXPECT_EQ(Title(), "tune.mid*" + kDash + "Piano Roll");
    EXPECT_EQ(undoRedo(), (Items{{"&Undo Draw MIDI Event\tCtrl+Z", true}, {"&Redo\tCtrl+Y", false}}));
    // Choosing the item undoes the step.
    ClickMenuTitle(1, [](HMENU, HWND) -> UINT { return kCmdUndo; });
    EXPECT_EQ(Title(), "tune.mid" + kDash + "Piano Roll");
    EXPECT_EQ(undoRedo(), (Items{{"&Undo\tCtrl+Z", false}, {"&Redo Draw MIDI Event\tCtrl+Y", true}}));
}

TEST_F(MainWindowTest, EditMenuEnablesTheEditingCommandsWithASelection) {
    OpenSong(MakeSong({{0, 0, 480, 60}, {0, 960, 480, 64}}));
    // Cut, Copy and Quantize (as the toolbar's button) need a selection in the note grid, which has the keys.
    const std::initializer_list<UINT> editing{4000, 4001, 4005};
    EXPECT_EQ(MenuStates(1, editing), (std::vector<UINT>{MF_GRAYED, MF_GRAYED, MF_GRAYED}));
    POINT note{};
    ASSERT_TRUE(ViewPoint(hwnd, 100, 60, &note));
    headless::Click(hwnd, note.x, note.y);
    Pump();
    EXPECT_EQ(MenuStates(1, editing), (std::vector<UINT>{0, 0, 0}));
    // The Options menu, its marks and Alt+O: tests/scripts/host_menus.script.
}

TEST_F(MainWindowTest, TransportMenuDrivesTheHostTransport) {
    OpenSong(MakeSong({{0, 0, 480, 60}}));
    auto states = [&] { return MenuStates(2, {UINT(kCmdPlay), UINT(kCmdStop), UINT(kCmdLoop)}); };
    EXPECT_EQ(states(), (std::vector<UINT>{0, MF_GRAYED, 0}));
    ClickMenuTitle(2, [](HMENU, HWND) -> UINT { return kCmdLoop; });
    EXPECT_EQ(window->Doc().TransportFlags(), 0x10u);
    ClickMenuTitle(2, [](HMENU, HWND) -> UINT { return kCmdPlay; });
    EXPECT_EQ(window->Doc().TransportFlags(), 0x11u);
    EXPECT_EQ(states(), (std::vector<UINT>{MF_GRAYED, 0, MF_CHECKED}));
    ClickMenuTitle(2, [](HMENU, HWND) -> UINT { return kCmdStop; });
    EXPECT_EQ(window->Doc().TransportFlags(), 0x10u);
    ClickMenuTitle(2, [](HMENU, HWND) -> UINT { return kCmdLoop; });
    EXPECT_EQ(window->Doc().TransportFlags(), 0u);
}

TEST_F(MainWindowTest, OpeningAnotherFileAsksAboutUnsavedChangesFirst) {
    TempDir dir;
    WriteBytes(dir / "other.mid", MakeSong({{0, 480, 240, 70}, {0, 960, 240, 72}}));
    OpenSong(MakeSong({{0, 0, 480, 60}}), "first.mid");
    AddNote(61);

    // Cancel: nothing changes.
    std::string question;
    AnswerNextDialog([&](HWND box) {
        question = DialogText(box);
        SendMessage(box, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(window->OpenFile((dir / "other.mid").string()));
    EXPECT_NE(question.find("Save changes to first.mid?"), std::string::npos) << question;
    EXPECT_EQ(window->Doc().DisplayName(), "first.mid");

    // No: the other file replaces the song, unsaved changes are dropped, the title follows.
    AnswerNextDialog([](HWND box) { SendMessage(box, WM_COMMAND, IDNO, 0); });
    ASSERT_TRUE(window->OpenFile((dir / "other.mid").string()));
    EXPECT_EQ(window->Doc().DisplayName(), "other.mid");
    EXPECT_EQ(Title(), "other.mid" + kDash + "Piano Roll");
    EXPECT_NE(window->Doc().EditorWindow(), nullptr);
    EXPECT_EQ(window->Doc().Project()->WithStore([](host::Store& s) { return NotesOf(s); }),
              (std::vector<Note>{{0, 480, 240, 70}, {0, 960, 240, 72}}));
    EXPECT_FALSE(window->Doc().Dirty());

    // A file that cannot be read leaves the open song alone and says why.
    WriteText(dir / "broken.mid", "MThd but nothing more");
    AnswerNextDialog([](HWND box) { SendMessage(box, WM_COMMAND, IDOK, 0); });
    EXPECT_FALSE(window->OpenFile((dir / "broken.mid").string()));
    EXPECT_EQ(window->Doc().DisplayName(), "other.mid");
}

// The desktop application shows what could not be read of a damaged song once, in a message box.
TEST_F(MainWindowTest, ADamagedSongIsShownWithItsWarningsOnce) {
    TempDir dir;
    Bytes cut = MakeSong({{0, 0, 480, 60}});
    cut[11] = static_cast<std::uint8_t>(cut[11] + 2); // tracks announced that are not there
    cut.resize(cut.size() - 2);                        // and the last one cut inside its end-of-track event
    WriteBytes(dir / "cut.mid", cut);
    // A note that never ends: nothing is lost, and the box says so.
    WriteBytes(dir / "held.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 8,
                                  0x00, 0x90, 60, 100, 0x00, 0xFF, 0x2F, 0x00});
    WriteBytes(dir / "whole.mid", MakeSong({{0, 0, 480, 62}}));
    OpenSong(MakeSong({{0, 0, 480, 60}}), "first.mid");
    window->SetShowOpenNotes(true);

    int boxes = 0;
    std::string shown;
    auto readBox = [&](HWND box) {
        ++boxes;
        shown += DialogText(box);
        SendMessage(box, WM_COMMAND, IDOK, 0);
    };
    AnswerNextDialog(readBox);
    ASSERT_TRUE(window->OpenFile((dir / "cut.mid").string()));
    EXPECT_EQ(boxes, 1);
    EXPECT_NE(shown.find("could not be read as they were stored"), std::string::npos) << shown;
    EXPECT_NE(shown.find("cut.mid: track 1: the file ends inside this track"), std::string::npos) << shown;
    EXPECT_NE(shown.find("cut.mid: the header announces"), std::string::npos) << shown;
    EXPECT_EQ(window->Doc().DisplayName(), "cut.mid");

    shown.clear();
    AnswerNextDialog(readBox);
    ASSERT_TRUE(window->OpenFile((dir / "held.mid").string()));
    EXPECT_EQ(boxes, 2);
    EXPECT_NE(shown.find("The song was read whole, with these warnings:"), std::string::npos) << shown;
    EXPECT_NE(shown.find("held.mid: track 1: 1 note never ends; it ends at the track's end at byte offset 23"),
              std::string::npos)
        << shown;

    AnswerNextDialog(readBox);
    ASSERT_TRUE(window->OpenFile((dir / "whole.mid").string()));
    EXPECT_EQ(boxes, 2) << "an intact song opens without a box";
}

TEST_F(MainWindowTest, SaveAsThroughTheFileDialogAddsTheExtensionAndClearsTheMark) {
    TempDir dir;
    OpenSong(MakeSong({{0, 0, 480, 60}}), "Demo Song");
    AddNote(66);
    AnswerNextDialog([&](HWND dlg) {
        char name[256] = {};
        GetDlgItemText(dlg, kFileDlgName, name, sizeof name);
        EXPECT_STREQ(name, "Demo Song.mid");
        RECT d{}, m{};
        GetWindowRect(dlg, &d);
        GetWindowRect(hwnd, &m);
        EXPECT_NEAR((d.left + d.right) / 2, (m.left + m.right) / 2, 1); // centred over the main window
        EXPECT_NEAR((d.top + d.bottom) / 2, (m.top + m.bottom) / 2, 1);
        SetDialogItemAsUser(dlg, kFileDlgName, (dir / "saved").string());
        SendMessage(dlg, WM_COMMAND, IDOK, 0);
    });
    // Ctrl+S on a song without a file asks for a name.
    headless::PressKey('S', headless::MOD_CONTROL);
    Pump();
    ASSERT_TRUE(fs::exists(dir / "saved.mid"));
    EXPECT_EQ((std::tuple{window->Doc().Path(), Title(), NotesOfFile(dir / "saved.mid"),
                          SettingsOfFile(dir / "saved.mid").size()}),
              (std::tuple{(dir / "saved.mid").string(), "saved.mid" + kDash + "Piano Roll",
                          std::vector<Note>{{0, 0, 480, 60}, {0, 0, 240, 66}}, 340u}));
}

TEST_F(MainWindowTest, QuitWithUnsavedChangesCanBeCancelled) {
    OpenSong(MakeSong({{0, 0, 480, 60}}));
    AddNote(68);
    AnswerNextDialog([](HWND box) { SendMessage(box, WM_COMMAND, IDCANCEL, 0); });
    headless::PressKey('Q', headless::MOD_CONTROL);
    Pump();
    EXPECT_TRUE(IsWindow(hwnd));
    AnswerNextDialog([](HWND box) { SendMessage(box, WM_COMMAND, IDNO, 0); });
    PostMessage(hwnd, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(hwnd));
    MSG quit;
    EXPECT_TRUE(PeekMessage(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    hwnd = nullptr;
}

TEST_F(MainWindowTest, FileDialogWalksFoldersAndListsOnlyMidiFiles) {
    TempDir dir;
    fs::create_directories(dir / "inner");
    WriteBytes(dir / "inner" / "deep.mid", MakeSong({{0, 0, 480, 60}}));
    WriteBytes(dir / "top.mid", MakeSong({{0, 0, 480, 60}}));
    WriteText(dir / "readme.txt", "x");
    OpenSong(MakeSong({{0, 0, 480, 60}}));
    auto items = [](HWND dlg, int id) {
        std::vector<std::string> out;
        HWND list = GetDlgItem(dlg, id);
        LRESULT n = SendMessage(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; ++i) {
            char text[256] = {};
            SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            out.push_back(text);
        }
        return out;
    };
    std::vector<std::string> firstFiles, firstFolders, innerFiles;
    std::string shownFolder;
    std::string openTitle;
    AnswerNextDialog([&](HWND dlg) {
        char title[64] = {};
        GetWindowText(dlg, title, sizeof title);
        openTitle = title;
        firstFiles = items(dlg, kFileDlgFiles);
        firstFolders = items(dlg, kFileDlgFolders);
        // Into the sub-folder by typing its name and pressing Enter in the name field.
        SetDialogItemAsUser(dlg, kFileDlgName, "inner");
        SendMessage(dlg, WM_COMMAND, IDOK, 0);
        innerFiles = items(dlg, kFileDlgFiles);
        char folder[512] = {};
        GetDlgItemText(dlg, kFileDlgFolderText, folder, sizeof folder);
        shownFolder = folder;
        // Choosing a file in the list puts its name in the field; a missing name is refused.
        SetDialogItemAsUser(dlg, kFileDlgName, "nothere.mid");
        AnswerNextDialog([](HWND box) { SendMessage(box, WM_COMMAND, IDOK, 0); });
        SendMessage(dlg, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(IsWindow(dlg));
        SetDialogItemAsUser(dlg, kFileDlgFiles, "deep.mid");
        SendMessage(dlg, WM_COMMAND, IDOK, 0);
    });
    std::string chosen;
    ASSERT_TRUE(RunFileDialog(hwnd, FileDialogKind::Open, dir.Path().string(), {}, &chosen));
    using Names = std::vector<std::string>;
    EXPECT_EQ((std::tuple{openTitle, firstFiles, firstFolders, innerFiles, shownFolder, chosen}),
              (std::tuple{"Open", Names{"top.mid"}, Names{"..", "inner"}, Names{"deep.mid"}, (dir / "inner").string(),
                          (dir / "inner" / "deep.mid").string()}));

    AnswerNextDialog([](HWND dlg) { SendMessage(dlg, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_FALSE(RunFileDialog(hwnd, FileDialogKind::Open, dir.Path().string(), {}, &chosen));
}

TEST_F(MainWindowTest, SaveAsAsksBeforeReplacingAFile) {
    TempDir dir;
    WriteText(dir / "taken.mid", "old");
    OpenSong(MakeSong({{0, 0, 480, 60}}));
    int asked = 0;
    AnswerNextDialog([&](HWND dlg) {
        char title[64] = {};
        GetWindowText(dlg, title, sizeof title);
        EXPECT_STREQ(title, "Save As");
        SetDialogItemAsUser(dlg, kFileDlgName, "taken.mid");
        AnswerNextDialog([&](HWND box) {
            ++asked;
            EXPECT_EQ(DialogText(box).find("taken.mid already exists."), 0u) << DialogText(box);
            SendMessage(box, WM_COMMAND, IDNO, 0);
        });
        SendMessage(dlg, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(IsWindow(dlg));
        SendMessage(dlg, WM_COMMAND, IDCANCEL, 0);
    });
    std::string chosen;
    EXPECT_FALSE(RunFileDialog(hwnd, FileDialogKind::Save, dir.Path().string(), "x.mid", &chosen));
    EXPECT_EQ((std::tuple{asked, ReadBytes(dir / "taken.mid")}), (std::tuple{1, (Bytes{'o', 'l', 'd'})}));
}

} // namespace

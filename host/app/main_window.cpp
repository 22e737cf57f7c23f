// The application's main window: layout, menus, title, shortcuts and the file commands.
#include "main_window.h"

#include <algorithm>
#include <cstdio>

#include "editor_menus.h"
#include "file_dialog.h"
#include "menu_bar.h"
#include "mp/editor_commands.h"
#include "song_file.h"
#include "win/controls.h"
#include "win/gdi.h"

namespace host::app {

using namespace win;

namespace {

constexpr const char* kAppName = "Piano Roll";
constexpr std::uint32_t kTransportPlaying = 0x01;
constexpr std::uint32_t kTransportLooping = 0x10;
constexpr int kTrackChooserId = 1000;

MainWindow* g_main = nullptr;

// Menu texts treat '&' as the mnemonic mark; a step name shows its own '&' doubled.
std::string MenuEscape(const std::u16string& text) {
    std::string utf8 = EncodeUtf8(text);
    std::string out;
    for (char c : utf8) {
        if (c == '&') out += '&';
        out += c;
    }
    return out;
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

void SetItem(HMENU menu, UINT id, const std::string& text, bool enabled) {
    ModifyMenu(menu, id, MF_BYCOMMAND | MF_STRING, id, text.c_str());
    EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

HMENU BuildMenu() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenu(file, MF_STRING, kCmdOpen, "&Open...\tCtrl+O");
    AppendMenu(file, MF_STRING, kCmdSave, "&Save\tCtrl+S");
    AppendMenu(file, MF_STRING, kCmdSaveAs, "Save &As...\tCtrl+Shift+S");
    AppendMenu(file, MF_SEPARATOR, 0, nullptr);
    AppendMenu(file, MF_STRING, kCmdQuit, "&Quit\tCtrl+Q");
    HMENU edit = CreatePopupMenu();
    AppendMenu(edit, MF_STRING, kCmdUndo, "&Undo\tCtrl+Z");
    AppendMenu(edit, MF_STRING, kCmdRedo, "&Redo\tCtrl+Y");
    AppendEditorEditItems(edit);
    HMENU transport = CreatePopupMenu();
    AppendMenu(transport, MF_STRING, kCmdPlay, "&Play");
    AppendMenu(transport, MF_STRING, kCmdStop, "&Stop");
    AppendMenu(transport, MF_SEPARATOR, 0, nullptr);
    AppendMenu(transport, MF_STRING, kCmdLoop, "&Loop");
    HMENU help = CreatePopupMenu();
    AppendMenu(help, MF_STRING, kCmdAbout, "&About Piano Roll...");
    AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
    AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), "&Edit");
    AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(transport), "&Transport");
    AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreateOptionsMenu()), "&Options");
    AppendMenu(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "&Help");
    return bar;
}

void RegisterMainClass(WNDPROC proc) {
    static bool done = false;
    if (done) return;
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
    wc.lpszClassName = kMainWindowClass;
    done = RegisterClassEx(&wc) != 0;
}

} // namespace

MainWindow* MainWindow::FromHandle(HWND hwnd) {
    return hwnd ? reinterpret_cast<MainWindow*>(GetWindowLongPtr(hwnd, GWLP_USERDATA)) : nullptr;
}

MainWindow* MainWindow::Create(std::unique_ptr<Document> document, const DocumentOptions& options, int width,
                               int height, bool hidden) {
    RegisterMainClass(&MainWindow::Proc);
    auto* self = new MainWindow;
    self->document_ = std::move(document);
    self->options_ = options;
    HWND hwnd = CreateWindowEx(0, kMainWindowClass, kAppName, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                               width, height, nullptr, nullptr, nullptr, self);
    if (!hwnd) {
        delete self;
        return nullptr;
    }
    self->menu_ = BuildMenu();
    self->menuBar_ = CreateMenuBar(hwnd, self->menu_);
    if (FAILED(self->document_->ShowEditor(hwnd, self->EditorRect()))) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    g_main = self;
    self->ShowFirstTrackWithNotes();
    self->RefreshTitle();
    if (!hidden) ShowWindow(hwnd, SW_SHOW);
    if (HWND editor = self->document_->EditorWindow()) SetFocus(editor);
    return self;
}

MainWindow::~MainWindow() {
    if (g_main == this) g_main = nullptr;
    if (menu_) DestroyMenu(menu_);
}

RECT MainWindow::EditorRect() const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    return RECT{0, kMenuBarHeight, client.right, std::max<LONG>(kMenuBarHeight, client.bottom)};
}

LRESULT MainWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* created = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCT*>(lParam)->lpCreateParams);
        created->hwnd_ = hwnd;
        SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    MainWindow* self = FromHandle(hwnd);
    if (!self) return DefWindowProc(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
        LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
        delete self;
        return r;
    }
    return self->Handle(msg, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE: {
        RECT client{};
        GetClientRect(hwnd_, &client);
        if (menuBar_) MoveWindow(menuBar_, 0, 0, client.right, kMenuBarHeight, TRUE);
        if (document_) document_->MoveEditor(EditorRect());
        return 0;
    }
    case WM_SETFOCUS:
        if (document_)
            if (HWND editor = document_->EditorWindow()) SetFocus(editor);
        return 0;
    case WM_INITMENUPOPUP:
        PrepareMenu(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id >= kCmdOpen && id <= kCmdAbout) {
            OnCommand(id);
            return 0;
        }
        if (SendEditorCommand(document_ ? document_->EditorWindow() : nullptr, id)) {
            RefreshTitle();
            return 0;
        }
        break;
    }
    case WM_UNDO:
        // The editor asks for undo from inside (its own key for it): the same step as Ctrl+Z.
        if (document_) OnCommand(kCmdUndo);
        return TRUE;
    case WM_CLOSE:
        if (ConfirmDiscard()) DestroyWindow(hwnd_);
        return 0;
    case WM_DESTROY:
        if (document_) document_->CloseEditor();
        if (g_main == this) PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProc(hwnd_, msg, wParam, lParam);
}

void MainWindow::PrepareMenu(HMENU popup) {
    PrepareEditorItems(document_ ? document_->EditorWindow() : nullptr, popup);
    if (!document_) return;
    if (GetMenuState(popup, kCmdUndo, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
        std::u16string undo = document_->UndoName();
        std::u16string redo = document_->RedoName();
        SetItem(popup, kCmdUndo, (undo.empty() ? std::string("&Undo") : "&Undo " + MenuEscape(undo)) + "\tCtrl+Z",
                !undo.empty());
        SetItem(popup, kCmdRedo, (redo.empty() ? std::string("&Redo") : "&Redo " + MenuEscape(redo)) + "\tCtrl+Y",
                !redo.empty());
    }
    if (GetMenuState(popup, kCmdPlay, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
        std::uint32_t flags = document_->TransportFlags();
        bool playing = (flags & kTransportPlaying) != 0;
        EnableMenuItem(popup, kCmdPlay, MF_BYCOMMAND | (playing ? MF_GRAYED : MF_ENABLED));
        EnableMenuItem(popup, kCmdStop, MF_BYCOMMAND | (playing ? MF_ENABLED : MF_GRAYED));
        CheckMenuItem(popup, kCmdLoop, MF_BYCOMMAND | ((flags & kTransportLooping) ? MF_CHECKED : MF_UNCHECKED));
    }
}

void MainWindow::OnCommand(int id) {
    switch (id) {
    case kCmdOpen: OpenFile(); break;
    case kCmdSave: Save(); break;
    case kCmdSaveAs: SaveAs(); break;
    case kCmdQuit: Quit(); break;
    case kCmdUndo: document_->Undo(); break;
    case kCmdRedo: document_->Redo(); break;
    case kCmdPlay: document_->SetTransportFlags(document_->TransportFlags() | kTransportPlaying); break;
    case kCmdStop: document_->SetTransportFlags(document_->TransportFlags() & ~kTransportPlaying); break;
    case kCmdLoop: document_->SetTransportFlags(document_->TransportFlags() ^ kTransportLooping); break;
    case kCmdAbout:
        // The editor's own box, with its version; the host has nothing to tell besides.
        if (HWND editor = document_ ? document_->EditorWindow() : nullptr)
            SendMessage(editor, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(mp::EDITOR_ABOUT), 0), 0);
        else
            MessageBox(hwnd_, "Piano Roll: a MIDI piano-roll editor.", "About Piano Roll", MB_OK | MB_ICONINFORMATION);
        break;
    default: break;
    }
    RefreshTitle();
}

std::string MainWindow::Title() const {
    if (!document_) return kAppName;
    std::string title = document_->DisplayName();
    if (document_->Dirty()) title += "*";
    return title + " \xE2\x80\x94 " + kAppName;
}

void MainWindow::RefreshTitle() {
    if (!hwnd_ || !IsWindow(hwnd_)) return;
    std::string title = Title();
    if (title == shownTitle_) return;
    shownTitle_ = title;
    SetWindowText(hwnd_, title.c_str());
}

void MainWindow::ShowError(const std::string& text) {
    std::fprintf(stderr, "pianoroll: %s\n", text.c_str());
    MessageBox(hwnd_, text.c_str(), kAppName, MB_OK | MB_ICONERROR);
}

bool MainWindow::ConfirmDiscard() {
    if (!document_ || !document_->Dirty()) return true;
    std::string question = "Save changes to " + document_->DisplayName() + "?";
    int answer = MessageBox(hwnd_, question.c_str(), kAppName, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL || answer == 0) return false;
    if (answer == IDNO) return true;
    return Save();
}

bool MainWindow::OpenFile(const std::string& path) {
    if (!ConfirmDiscard()) return false;
    std::string chosen = path;
    if (chosen.empty() && !RunFileDialog(hwnd_, FileDialogKind::Open, FolderOf(document_->Path()), {}, &chosen))
        return false;
    std::string error;
    std::unique_ptr<Document> next = Document::Open(chosen, options_, &error);
    if (!next) {
        ShowError("Cannot open " + BaseName(chosen) + ": " + error);
        return false;
    }
    for (const std::string& note : next->OpenNotes(chosen)) std::fprintf(stderr, "pianoroll: %s\n", note.c_str());
    document_->CloseEditor();
    document_ = std::move(next);
    if (FAILED(document_->ShowEditor(hwnd_, EditorRect()))) ShowError("The editor could not be shown");
    ShowFirstTrackWithNotes();
    shownTitle_.clear();
    RefreshTitle();
    if (HWND editor = document_->EditorWindow()) SetFocus(editor);
    ShowOpenNotes();
    return true;
}

void MainWindow::ShowOpenNotes() {
    if (!showOpenNotes_ || !document_) return;
    std::vector<std::string> notes = document_->OpenNotes(document_->DisplayName());
    if (notes.empty()) return;
    const auto& warnings = document_->ReadWarnings();
    const bool damaged = !document_->SettingsNote().empty() ||
                         std::any_of(warnings.begin(), warnings.end(), [](const smf::ReadWarning& w) { return w.damage; });
    std::string text = damaged ? "Parts of the song could not be read as they were stored:\n"
                               : "The song was read whole, with these warnings:\n";
    for (const std::string& note : notes) text += "\n" + note;
    MessageBox(hwnd_, text.c_str(), kAppName, MB_OK | MB_ICONWARNING);
}

bool MainWindow::Save() {
    if (document_->Path().empty()) return SaveAs();
    std::string error;
    if (!document_->Save(document_->Path(), &error)) {
        ShowError("Cannot save " + document_->DisplayName() + ": " + error);
        return false;
    }
    RefreshTitle();
    return true;
}

bool MainWindow::SaveAs(const std::string& path) {
    std::string chosen = path;
    if (chosen.empty()) {
        std::string name = document_->DisplayName();
        if (!IsMidiFileName(name)) name += ".mid";
        if (!RunFileDialog(hwnd_, FileDialogKind::Save, FolderOf(document_->Path()), name, &chosen)) return false;
    }
    std::string error;
    if (!document_->Save(chosen, &error)) {
        ShowError("Cannot save " + BaseName(chosen) + ": " + error);
        return false;
    }
    RefreshTitle();
    return true;
}

bool MainWindow::ChooseTrack(int track, std::string* reason) {
    HWND editor = document_ ? document_->EditorWindow() : nullptr;
    HWND chooser = editor ? GetDlgItem(editor, kTrackChooserId) : nullptr;
    if (!chooser) {
        if (reason) *reason = "the editor has no track chooser";
        return false;
    }
    LRESULT count = SendMessage(chooser, CB_GETCOUNT, 0, 0);
    if (track < 1 || track > count) {
        if (reason)
            *reason = "there is no track " + std::to_string(track) + " (the chooser lists " + std::to_string(count) + ")";
        return false;
    }
    SendMessage(chooser, CB_SETCURSEL, static_cast<WPARAM>(track - 1), 0);
    SendMessage(editor, WM_COMMAND, MAKEWPARAM(kTrackChooserId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(chooser));
    return true;
}

void MainWindow::ShowFirstTrackWithNotes() {
    int first = document_->Project()->WithStore([](Store& store) {
        const auto& tracks = store.TracksInOrder();
        for (std::size_t t = 0; t < tracks.size(); ++t)
            for (std::uint32_t b : store.BlocksOf(tracks[t]))
                for (std::uint32_t e : store.EventsOf(b))
                    if (store.EventKind(e) == mp::MEK_NOTE) return static_cast<int>(t);
        return -1;
    });
    if (first > 0) ChooseTrack(first + 1, nullptr);
}

void MainWindow::Quit() { PostMessage(hwnd_, WM_CLOSE, 0, 0); }

bool MainWindow::HostShortcut(const MSG& msg) {
    bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
    bool alt = (GetKeyState(VK_MENU) & 0x8000) != 0;
    int vk = static_cast<int>(msg.wParam);
    if (msg.message == WM_KEYDOWN && ctrl && !alt) {
        switch (vk) {
        case 'O': OnCommand(kCmdOpen); return true;
        case 'S': OnCommand(shift ? kCmdSaveAs : kCmdSave); return true;
        case 'Z': OnCommand(shift ? kCmdRedo : kCmdUndo); return true;
        case 'Y': OnCommand(kCmdRedo); return true;
        case 'Q': OnCommand(kCmdQuit); return true;
        default: return false;
        }
    }
    if (msg.message == WM_SYSKEYDOWN && alt && !ctrl && vk >= 'A' && vk <= 'Z') {
        int index = FindMenuBarMnemonic(menuBar_, static_cast<char>(vk));
        if (index < 0) return false;
        OpenMenuBarItem(menuBar_, index);
        return true;
    }
    if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && vk == VK_F10 && !ctrl && !alt && !shift) {
        OpenMenuBarItem(menuBar_, 0);
        return true;
    }
    return false;
}

bool MainWindow::PreTranslate(MSG* msg) {
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return false;
    if (!hwnd_ || !IsWindow(hwnd_)) return false;
    // Keys typed into another top-level window (a dialog) are not the main window's.
    if (msg->hwnd != hwnd_ && !IsChild(hwnd_, msg->hwnd)) return false;
    HWND editor = document_ ? document_->EditorWindow() : nullptr;
    const bool inEditor = editor && (msg->hwnd == editor || IsChild(editor, msg->hwnd));
    if (inEditor && document_->TranslateAccelerator(msg)) return true;
    if (HostShortcut(*msg)) return true;
    // The editor is a dialog: Tab moves between its track list and its note grid.
    return inEditor && IsDialogMessage(editor, msg);
}

int MainWindow::PumpMessages() {
    MSG msg{};
    int count = 0;
    for (int guard = 0; guard < 1000000 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE); ++guard) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        ++count;
        MainWindow* main = g_main;
        if (main && main->PreTranslate(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    if (g_main) g_main->RefreshTitle();
    return count;
}

int MainWindow::RunMessageLoop() {
    MSG msg{};
    int result;
    while ((result = GetMessage(&msg, nullptr, 0, 0)) > 0) {
        MainWindow* main = g_main;
        if (main && main->PreTranslate(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        if (g_main) g_main->RefreshTitle();
    }
    return result < 0 ? 1 : static_cast<int>(msg.wParam);
}

} // namespace host::app

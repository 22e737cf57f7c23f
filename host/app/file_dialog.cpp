// The Open and Save As dialog: folder navigation, MIDI file list, name field, keyboard use.
#include "file_dialog.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "win/controls.h"

namespace host::app {

using namespace win;

namespace {

constexpr DWORD kListStyle = LBS_NOTIFY | WS_VSCROLL | WS_BORDER | WS_TABSTOP | LBS_NOINTEGRALHEIGHT;

const DialogItemTemplate kOpenItems[] = {
    {"STATIC", "Folder:", -1, 7, 7, 34, 9, SS_LEFT},
    {"STATIC", "", kFileDlgFolderText, 42, 7, 251, 9, SS_LEFTNOWORDWRAP | SS_NOPREFIX},
    {"STATIC", "F&olders:", -1, 7, 21, 110, 9, SS_LEFT},
    {"LISTBOX", "", kFileDlgFolders, 7, 31, 110, 132, kListStyle},
    {"STATIC", "MIDI &files:", -1, 124, 21, 169, 9, SS_LEFT},
    {"LISTBOX", "", kFileDlgFiles, 124, 31, 169, 132, kListStyle},
    {"STATIC", "File &name:", -1, 7, 171, 40, 9, SS_LEFT},
    {"EDIT", "", kFileDlgName, 48, 169, 245, 12, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
    {"BUTTON", "Open", IDOK, 187, 188, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {"BUTTON", "Cancel", IDCANCEL, 243, 188, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
};

struct DialogState {
    FileDialogKind kind;
    std::string folder;
    std::string name;
    std::string chosen;
};

bool IsDirectory(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string CurrentFolder() {
    char buffer[4096];
    if (getcwd(buffer, sizeof buffer)) return buffer;
    return "/";
}

std::string ListText(HWND list, LRESULT index) {
    LRESULT length = SendMessage(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string ItemText(HWND dlg, int id) {
    char buffer[4096] = {};
    GetDlgItemText(dlg, id, buffer, sizeof buffer);
    return buffer;
}

void Fill(HWND dlg, DialogState& s) {
    FolderListing listing = ListFolder(s.folder);
    SetDlgItemText(dlg, kFileDlgFolderText, s.folder.c_str());
    HWND folders = GetDlgItem(dlg, kFileDlgFolders);
    HWND files = GetDlgItem(dlg, kFileDlgFiles);
    SendMessage(folders, LB_RESETCONTENT, 0, 0);
    SendMessage(files, LB_RESETCONTENT, 0, 0);
    for (const std::string& f : listing.folders)
        SendMessage(folders, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
    for (const std::string& f : listing.files) SendMessage(files, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(f.c_str()));
    if (!listing.folders.empty()) SendMessage(folders, LB_SETCURSEL, 0, 0);
}

void EnterFolder(HWND dlg, DialogState& s, const std::string& folder) {
    s.folder = folder;
    Fill(dlg, s);
}

void EnterSelectedFolder(HWND dlg, DialogState& s) {
    HWND folders = GetDlgItem(dlg, kFileDlgFolders);
    LRESULT sel = SendMessage(folders, LB_GETCURSEL, 0, 0);
    if (sel < 0) return;
    EnterFolder(dlg, s, ResolvePath(s.folder, ListText(folders, sel)));
}

// The OK button, Enter, or a double click on a file: decide what the typed or chosen name means.
void Accept(HWND dlg, DialogState& s) {
    HWND focus = GetFocus();
    if (focus == GetDlgItem(dlg, kFileDlgFolders)) {
        EnterSelectedFolder(dlg, s);
        return;
    }
    std::string name = ItemText(dlg, kFileDlgName);
    if (name.empty()) {
        HWND files = GetDlgItem(dlg, kFileDlgFiles);
        LRESULT sel = SendMessage(files, LB_GETCURSEL, 0, 0);
        if (sel >= 0) name = ListText(files, sel);
    }
    if (name.empty()) return;
    std::string path = ResolvePath(s.folder, name);
    if (IsDirectory(path)) {
        SetDlgItemText(dlg, kFileDlgName, "");
        EnterFolder(dlg, s, path);
        return;
    }
    if (s.kind == FileDialogKind::Open) {
        if (!IsRegularFile(path)) {
            std::string text = name + "\nThe file was not found.";
            MessageBox(dlg, text.c_str(), "Open", MB_OK | MB_ICONWARNING);
            return;
        }
    } else {
        std::size_t slash = path.find_last_of('/');
        std::string base = path.substr(slash + 1);
        if (base.find('.') == std::string::npos) path += ".mid";
        if (IsDirectory(path.substr(0, slash == 0 ? 1 : slash)) == false) {
            MessageBox(dlg, "The folder does not exist.", "Save As", MB_OK | MB_ICONWARNING);
            return;
        }
        if (IsRegularFile(path)) {
            std::string text = path.substr(path.find_last_of('/') + 1) + " already exists.\nDo you want to replace it?";
            if (MessageBox(dlg, text.c_str(), "Save As", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
        }
    }
    s.chosen = path;
    EndDialog(dlg, IDOK);
}

INT_PTR DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* s = reinterpret_cast<DialogState*>(GetWindowLongPtr(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        s = reinterpret_cast<DialogState*>(lParam);
        SetWindowLongPtr(dlg, DWLP_USER, lParam);
        SetWindowText(dlg, s->kind == FileDialogKind::Open ? "Open" : "Save As");
        SetDlgItemText(dlg, IDOK, s->kind == FileDialogKind::Open ? "Open" : "Save");
        SetDlgItemText(dlg, kFileDlgName, s->name.c_str());
        Fill(dlg, *s);
        // Centred over the window it belongs to.
        if (HWND owner = GetParent(dlg)) {
            RECT o{}, d{};
            GetWindowRect(owner, &o);
            GetWindowRect(dlg, &d);
            int x = o.left + ((o.right - o.left) - (d.right - d.left)) / 2;
            int y = o.top + ((o.bottom - o.top) - (d.bottom - d.top)) / 2;
            SetWindowPos(dlg, nullptr, std::max<LONG>(0, x), std::max<LONG>(0, y), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        }
        HWND name = GetDlgItem(dlg, kFileDlgName);
        SetFocus(name);
        SendMessage(name, EM_SETSEL, 0, -1);
        return FALSE;
    }
    case WM_COMMAND: {
        if (!s) return FALSE;
        int id = LOWORD(wParam);
        int code = HIWORD(wParam);
        if (id == kFileDlgFolders && code == LBN_DBLCLK) {
            EnterSelectedFolder(dlg, *s);
            return TRUE;
        }
        if (id == kFileDlgFiles && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
            HWND files = GetDlgItem(dlg, kFileDlgFiles);
            LRESULT sel = SendMessage(files, LB_GETCURSEL, 0, 0);
            if (sel >= 0) SetDlgItemText(dlg, kFileDlgName, ListText(files, sel).c_str());
            if (code == LBN_DBLCLK) {
                SetFocus(GetDlgItem(dlg, kFileDlgName));
                Accept(dlg, *s);
            }
            return TRUE;
        }
        if (id == IDOK) {
            Accept(dlg, *s);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    case WM_CLOSE:
        EndDialog(dlg, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

bool IsMidiFileName(const std::string& name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto ends = [&](const std::string& tail) {
        return lower.size() > tail.size() && lower.compare(lower.size() - tail.size(), tail.size(), tail) == 0;
    };
    return ends(".mid") || ends(".midi");
}

FolderListing ListFolder(const std::string& folder) {
    FolderListing listing;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return listing;
    listing.ok = true;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        std::string path = folder == "/" ? "/" + name : folder + "/" + name;
        if (IsDirectory(path)) listing.folders.push_back(name);
        else if (IsMidiFileName(name) && IsRegularFile(path)) listing.files.push_back(name);
    }
    closedir(dir);
    std::sort(listing.folders.begin(), listing.folders.end());
    std::sort(listing.files.begin(), listing.files.end());
    if (folder != "/") listing.folders.insert(listing.folders.begin(), "..");
    return listing;
}

std::string ResolvePath(const std::string& folder, const std::string& name) {
    std::string joined;
    if (!name.empty() && name[0] == '/') {
        joined = name;
    } else if (name == "~" || name.rfind("~/", 0) == 0) {
        const char* home = std::getenv("HOME");
        joined = std::string(home && *home ? home : "/") + "/" + name.substr(1);
    } else {
        joined = (folder.empty() ? CurrentFolder() : folder) + "/" + name;
    }
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= joined.size()) {
        std::size_t next = joined.find('/', pos);
        if (next == std::string::npos) next = joined.size();
        std::string part = joined.substr(pos, next - pos);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = next + 1;
    }
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}

bool RunFileDialog(HWND owner, FileDialogKind kind, const std::string& folder, const std::string& name,
                   std::string* chosen) {
    DialogState state{kind, ResolvePath(folder.empty() ? CurrentFolder() : folder, "."), name, {}};
    if (!IsDirectory(state.folder)) state.folder = CurrentFolder();
    DialogTemplate tmpl{DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                        0,
                        0,
                        0,
                        300,
                        208,
                        kind == FileDialogKind::Open ? "Open" : "Save As",
                        "MS Shell Dlg",
                        8,
                        kOpenItems,
                        static_cast<int>(sizeof kOpenItems / sizeof kOpenItems[0])};
    INT_PTR result = DialogBoxIndirectParam(nullptr, &tmpl, owner, DialogProc, reinterpret_cast<LPARAM>(&state));
    if (result != IDOK || state.chosen.empty()) return false;
    if (chosen) *chosen = state.chosen;
    return true;
}

} // namespace host::app

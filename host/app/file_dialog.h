// The Open and Save As dialog, made of the window system's own controls: the folder, a list of
// sub-folders, a list of MIDI files, a name field, and the buttons.
#pragma once

#include <string>
#include <vector>

#include "win/win.h"

namespace host::app {

enum class FileDialogKind { Open, Save };

// Control ids of the dialog.
constexpr int kFileDlgFolderText = 2001;
constexpr int kFileDlgFolders = 2002;
constexpr int kFileDlgFiles = 2003;
constexpr int kFileDlgName = 2004;

// Shows the dialog modally over owner, starting in folder (the current folder when empty) with the
// name field holding name. Returns true and the full path of the chosen file, or false when the user
// cancelled. Open only accepts files that exist; Save adds ".mid" to a name without an extension and
// asks before replacing a file.
bool RunFileDialog(win::HWND owner, FileDialogKind kind, const std::string& folder, const std::string& name,
                   std::string* chosen);

// What the dialog lists for a folder: sub-folders (".." first unless at the root, then sorted) and
// files ending in .mid or .midi (any case, sorted). Hidden entries are left out.
struct FolderListing {
    std::vector<std::string> folders;
    std::vector<std::string> files;
    bool ok = false;
};
FolderListing ListFolder(const std::string& folder);
// Joins a typed name to the folder: absolute names stay, "~/" is the home folder, ".." and "." are
// resolved. The result has no trailing slash (except the root).
std::string ResolvePath(const std::string& folder, const std::string& name);
bool IsMidiFileName(const std::string& name);

} // namespace host::app

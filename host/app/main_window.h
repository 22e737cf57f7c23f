// The application's main window: menu bar, the editor page filling the rest, the title, the host's
// keyboard shortcuts, and the File, Edit, Transport and Help commands.
#pragma once

#include <memory>
#include <string>

#include "document.h"
#include "win/win.h"

namespace host::app {

constexpr const char* kMainWindowClass = "PianoRollMainWindow";

// Menu command ids of the main window.
enum MainCommand : int {
    kCmdOpen = 40001,
    kCmdSave = 40002,
    kCmdSaveAs = 40003,
    kCmdQuit = 40004,
    kCmdUndo = 40010,
    kCmdRedo = 40011,
    kCmdPlay = 40020,
    kCmdStop = 40021,
    kCmdLoop = 40022,
    kCmdAbout = 40030,
};

class MainWindow {
public:
    // Creates the window with a client area of width x height showing the document's editor, visible
    // unless hidden is set. Null when the window or the editor page cannot be created.
    static MainWindow* Create(std::unique_ptr<Document> document, const DocumentOptions& options, int width,
                              int height, bool hidden = false);
    // The window destroys the object when it is destroyed.
    ~MainWindow();

    win::HWND Handle() const { return hwnd_; }
    win::HWND MenuBar() const { return menuBar_; }
    Document& Doc() { return *document_; }

    // The host's part of the message loop: offers keys to the editor page first, then handles the
    // host's shortcuts. True when the message was used and must not be dispatched.
    bool PreTranslate(win::MSG* msg);
    // Keeps the title's file name and unsaved mark current (call after messages were handled).
    void RefreshTitle();
    std::string Title() const;

    // The commands, as the menus run them. Open and Save As ask with the file dialog when path is
    // empty; Open and Quit ask what to do with unsaved changes first.
    bool OpenFile(const std::string& path = {});
    bool Save();
    bool SaveAs(const std::string& path = {});
    void Quit();
    // Whether ShowOpenNotes tells the user in a message box: the desktop application does; headless
    // runs report on the terminal only, where nobody could answer a box.
    void SetShowOpenNotes(bool on) { showOpenNotes_ = on; }
    // What could not be read of the song just opened, once, in a message box.
    void ShowOpenNotes();
    // Asks "Save changes to <file>?" when there are unsaved changes; false when the user cancelled.
    bool ConfirmDiscard();

    // Handles every message already queued (as the message loop would) without waiting; returns
    // how many were handled. Stops at WM_QUIT, which stays queued.
    static int PumpMessages();
    // Chooses a track (1-based) in the editor's track chooser as a person would. False with reason
    // set when there is no chooser or no such track.
    bool ChooseTrack(int track, std::string* reason);
    // Runs a message loop until the window is gone; returns the exit code.
    static int RunMessageLoop();
    static MainWindow* FromHandle(win::HWND hwnd);

private:
    MainWindow() = default;
    static win::LRESULT Proc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT Handle(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    void OnCommand(int id);
    void PrepareMenu(win::HMENU popup);
    win::RECT EditorRect() const;
    void ShowError(const std::string& text);
    bool HostShortcut(const win::MSG& msg);
    // A song whose first track holds no notes (a tempo track) opens on its first track with notes.
    void ShowFirstTrackWithNotes();

    win::HWND hwnd_ = nullptr;
    win::HWND menuBar_ = nullptr;
    win::HMENU menu_ = nullptr;
    std::unique_ptr<Document> document_;
    DocumentOptions options_;
    std::string shownTitle_;
    bool showOpenNotes_ = false;
};

} // namespace host::app

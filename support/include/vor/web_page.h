// Opening a web page or a document in the desktop's own viewer.
#pragma once

extern "C" {

// Opens the address (a web or file URL) with the desktop's opener when the window system shows a
// display; headless it does nothing. True when the opener was started. [ui thread]
bool VorShell_OpenWebPage(const char* url) noexcept;

// Replaces how addresses are opened (tests); null restores the desktop's opener.
using VorShellOpener = bool (*)(const char* url);
void VorShell_SetOpener(VorShellOpener opener) noexcept;

} // extern "C"

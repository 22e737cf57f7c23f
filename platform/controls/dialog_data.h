// Dialog records shared by dialog creation, the dialog manager, message boxes and the test hooks.
#pragma once

#include "win/controls.h"

namespace win::detail {

struct DialogInfo {
    HFONT font = nullptr;
    bool ownsFont = false;
    int baseX = 6; // dialog base units of the font
    int baseY = 13;
    bool ended = false;
    bool modal = false;
    INT_PTR result = 0;
    int defId = 0; // 0: look for a default push button
    HWND savedFocus = nullptr;
};

DialogInfo* FindDialogInfo(HWND hwnd);

// Runs the pending dialog answer on a freshly shown modal dialog; false when none was pending.
bool RunDialogAnswer(HWND dlg);

// Base units of a font: average width of the alphabet and the line height.
void DialogBaseUnits(HFONT font, int* baseX, int* baseY);

// The font a template asks for, or the default dialog font (callers delete what they get).
HFONT CreateDialogFont(const char* face, int pointSize);

LRESULT DefDialogWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace win::detail

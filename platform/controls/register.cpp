// Registration of the control, dialog, menu, tooltip and toolbar window classes.
#include "control_util.h"
#include "dialog_data.h"
#include "list_data.h"

namespace win::detail {

WNDPROC ButtonWndProc();
WNDPROC StaticWndProc();
WNDPROC LinkWndProc();
WNDPROC EditWndProc();
WNDPROC ComboBoxWndProc();
WNDPROC MessageBoxIconWndProc();
WNDPROC TooltipWndProc();
WNDPROC ToolbarWndProc();
WNDPROC MenuPopupWndProc();

extern const char* const kMessageBoxIconClass;
extern const char* const kMenuPopupClass;

namespace {

void Register(const char* name, WNDPROC proc, UINT style, int extra, LPCSTR cursor) {
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.style = style | CS_GLOBALCLASS;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = extra;
    wc.hCursor = LoadCursor(nullptr, cursor);
    wc.lpszClassName = name;
    RegisterClassEx(&wc);
}

bool& Registered() {
    static bool done = false;
    return done;
}

} // namespace

void EnsureControlClasses() {
    if (Registered()) return;
    Registered() = true;
    const int ptr = static_cast<int>(sizeof(void*));
    Register(WC_BUTTON, ButtonWndProc(), CS_DBLCLKS | CS_PARENTDC, ptr, IDC_ARROW);
    Register(WC_STATIC, StaticWndProc(), CS_DBLCLKS | CS_PARENTDC, ptr, IDC_ARROW);
    Register(WC_LINK, LinkWndProc(), CS_PARENTDC, ptr, IDC_ARROW);
    Register(WC_EDIT, EditWndProc(), CS_DBLCLKS | CS_PARENTDC, ptr, IDC_IBEAM);
    Register(WC_LISTBOX, ListBoxWndProc(), CS_DBLCLKS | CS_PARENTDC, ptr, IDC_ARROW);
    Register(kComboListClass, ListBoxWndProc(), CS_SAVEBITS | CS_DROPSHADOW, ptr, IDC_ARROW);
    Register(WC_COMBOBOX, ComboBoxWndProc(), CS_DBLCLKS | CS_PARENTDC, ptr, IDC_ARROW);
    Register(WC_DIALOG, DefDialogWndProc, CS_DBLCLKS | CS_SAVEBITS, DLGWINDOWEXTRA, IDC_ARROW);
    Register(TOOLTIPS_CLASS, TooltipWndProc(), CS_SAVEBITS | CS_DROPSHADOW, ptr, IDC_ARROW);
    Register(TOOLBARCLASSNAME, ToolbarWndProc(), CS_DBLCLKS, ptr, IDC_ARROW);
    Register(kMenuPopupClass, MenuPopupWndProc(), CS_SAVEBITS | CS_DROPSHADOW, ptr, IDC_ARROW);
    Register(kMessageBoxIconClass, MessageBoxIconWndProc(), 0, ptr, IDC_ARROW);
}

namespace {
// Controls created straight with CreateWindowEx (before any other call here) find their classes too.
struct RegisterAtLoad {
    RegisterAtLoad() { EnsureControlClasses(); }
} registerAtLoad;
} // namespace

} // namespace win::detail

namespace win {

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc) {
    if (icc && icc->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    detail::EnsureControlClasses();
    return TRUE;
}

void InitCommonControls() { detail::EnsureControlClasses(); }

} // namespace win

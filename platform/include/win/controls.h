// Menus, dialogs, message boxes, the standard and common controls, image lists and their test hooks.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "win/types.h"
#include "win/win.h"

namespace win {

// ---------------------------------------------------------------------------------------------
// Menus
// ---------------------------------------------------------------------------------------------

constexpr UINT MF_INSERT = 0x0000;
constexpr UINT MF_CHANGE = 0x0080;
constexpr UINT MF_APPEND = 0x0100;
constexpr UINT MF_DELETE = 0x0200;
constexpr UINT MF_REMOVE = 0x1000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_USECHECKBITMAPS = 0x0200;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_BITMAP = 0x0004;
constexpr UINT MF_OWNERDRAW = 0x0100;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_MENUBARBREAK = 0x0020;
constexpr UINT MF_MENUBREAK = 0x0040;
constexpr UINT MF_UNHILITE = 0x0000;
constexpr UINT MF_HILITE = 0x0080;
constexpr UINT MF_DEFAULT = 0x1000;
constexpr UINT MF_SYSMENU = 0x2000;
constexpr UINT MF_HELP = 0x4000;
constexpr UINT MF_RIGHTJUSTIFY = 0x4000;
constexpr UINT MF_MOUSESELECT = 0x8000;
constexpr UINT MF_END = 0x0080; // last item of a level in a menu template

constexpr UINT MFT_STRING = MF_STRING;
constexpr UINT MFT_BITMAP = MF_BITMAP;
constexpr UINT MFT_MENUBARBREAK = MF_MENUBARBREAK;
constexpr UINT MFT_MENUBREAK = MF_MENUBREAK;
constexpr UINT MFT_OWNERDRAW = MF_OWNERDRAW;
constexpr UINT MFT_RADIOCHECK = 0x0200;
constexpr UINT MFT_SEPARATOR = MF_SEPARATOR;
constexpr UINT MFT_RIGHTORDER = 0x2000;
constexpr UINT MFT_RIGHTJUSTIFY = MF_RIGHTJUSTIFY;

constexpr UINT MFS_GRAYED = 0x0003;
constexpr UINT MFS_DISABLED = MFS_GRAYED;
constexpr UINT MFS_CHECKED = MF_CHECKED;
constexpr UINT MFS_HILITE = MF_HILITE;
constexpr UINT MFS_ENABLED = MF_ENABLED;
constexpr UINT MFS_UNCHECKED = MF_UNCHECKED;
constexpr UINT MFS_UNHILITE = MF_UNHILITE;
constexpr UINT MFS_DEFAULT = MF_DEFAULT;

constexpr UINT MIIM_STATE = 0x0001;
constexpr UINT MIIM_ID = 0x0002;
constexpr UINT MIIM_SUBMENU = 0x0004;
constexpr UINT MIIM_CHECKMARKS = 0x0008;
constexpr UINT MIIM_TYPE = 0x0010;
constexpr UINT MIIM_DATA = 0x0020;
constexpr UINT MIIM_STRING = 0x0040;
constexpr UINT MIIM_BITMAP = 0x0080;
constexpr UINT MIIM_FTYPE = 0x0100;

constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_HORIZONTAL = 0x0000;
constexpr UINT TPM_VERTICAL = 0x0040;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;
constexpr UINT TPM_RECURSE = 0x0001;
constexpr UINT TPM_NOANIMATION = 0x4000;

constexpr UINT MSGF_DIALOGBOX = 0;
constexpr UINT MSGF_MESSAGEBOX = 1;
constexpr UINT MSGF_MENU = 2;

constexpr UINT MNC_IGNORE = 0;
constexpr UINT MNC_CLOSE = 1;
constexpr UINT MNC_EXECUTE = 2;
constexpr UINT MNC_SELECT = 3;

struct MENUITEMINFO {
    UINT cbSize;
    UINT fMask;
    UINT fType;
    UINT fState;
    UINT wID;
    HMENU hSubMenu;
    HBITMAP hbmpChecked;
    HBITMAP hbmpUnchecked;
    ULONG_PTR dwItemData;
    LPSTR dwTypeData; // UTF-8 text
    UINT cch;         // capacity in bytes when reading, length when writing
    HBITMAP hbmpItem;
};
using LPMENUITEMINFO = MENUITEMINFO*;
using LPCMENUITEMINFO = const MENUITEMINFO*;

struct TPMPARAMS {
    UINT cbSize;
    RECT rcExclude;
};
using LPTPMPARAMS = TPMPARAMS*;

HMENU CreateMenu();
HMENU CreatePopupMenu();
BOOL DestroyMenu(HMENU menu); // destroys its sub-menus too
BOOL IsMenu(HMENU menu);
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCSTR text);
BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCSTR text);
BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFO info);
BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR idNewItem, LPCSTR text);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags); // keeps a removed sub-menu alive
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags); // destroys a removed sub-menu
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position); // (UINT)-1 for a sub-menu or an invalid position
BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFO info);
BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFO info);
int GetMenuString(HMENU menu, UINT item, LPSTR buffer, int capacity, UINT flags);
UINT GetMenuState(HMENU menu, UINT item, UINT flags); // (UINT)-1 when not found
DWORD EnableMenuItem(HMENU menu, UINT item, UINT enable); // previous state or (DWORD)-1
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);    // previous state or (DWORD)-1
BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* ignored);
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params);
BOOL EndMenu();

// Menu templates as data. Items are listed depth first; an item with MF_POPUP opens a sub-menu made of
// the items after it, and MF_END marks the last item of each level (as in a compiled menu resource).
struct MenuTemplateItem {
    UINT flags; // MF_POPUP, MF_END, MF_SEPARATOR, MF_GRAYED, MF_CHECKED, MF_MENUBREAK ...
    UINT id;
    const char* text;
};
struct MenuTemplate {
    const MenuTemplateItem* items;
    int count;
};
HMENU LoadMenuIndirect(const MenuTemplate* tmpl);

// ---------------------------------------------------------------------------------------------
// Resources of a module: menus and dialog templates by numeric id
// ---------------------------------------------------------------------------------------------

struct DialogTemplate;
// A module registers its templates once (usually when loaded); the data must outlive the module's use.
BOOL RegisterMenuResource(HINSTANCE module, int id, const MenuTemplate* tmpl);
BOOL RegisterDialogResource(HINSTANCE module, int id, const DialogTemplate* tmpl);
void UnregisterModuleResources(HINSTANCE module);
const DialogTemplate* FindDialogResource(HINSTANCE module, LPCSTR name);
HMENU LoadMenu(HINSTANCE module, LPCSTR name); // name is MAKEINTRESOURCE(id)
inline HMENU LoadMenu(HINSTANCE module, int id) {
    return LoadMenu(module, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id))));
}

// ---------------------------------------------------------------------------------------------
// Dialogs
// ---------------------------------------------------------------------------------------------

using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

constexpr DWORD DS_ABSALIGN = 0x01;
constexpr DWORD DS_SYSMODAL = 0x02;
constexpr DWORD DS_LOCALEDIT = 0x20;
constexpr DWORD DS_SETFONT = 0x40;
constexpr DWORD DS_MODALFRAME = 0x80;
constexpr DWORD DS_NOIDLEMSG = 0x100;
constexpr DWORD DS_SETFOREGROUND = 0x200;
constexpr DWORD DS_3DLOOK = 0x0004;
constexpr DWORD DS_FIXEDSYS = 0x0008;
constexpr DWORD DS_NOFAILCREATE = 0x0010;
constexpr DWORD DS_CONTROL = 0x0400;
constexpr DWORD DS_CENTER = 0x0800;
constexpr DWORD DS_CENTERMOUSE = 0x1000;
constexpr DWORD DS_CONTEXTHELP = 0x2000;
constexpr DWORD DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = static_cast<int>(sizeof(LRESULT));
constexpr int DWLP_USER = DWLP_DLGPROC + static_cast<int>(sizeof(DLGPROC));
constexpr int DLGWINDOWEXTRA = 32; // room for the three pointer-sized fields above and a spare

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDCLOSE = 8;
constexpr int IDHELP = 9;

constexpr UINT DM_GETDEFID = 0x0400; // WM_USER
constexpr UINT DM_SETDEFID = 0x0401;
constexpr UINT DM_REPOSITION = 0x0402;
constexpr WORD DC_HASDEFID = 0x534B;

// The dialog class, as CreateWindowEx knows it.
constexpr const char* WC_DIALOG = "#32770";

// One control of a dialog template. The rectangle is in dialog units.
struct DialogItemTemplate {
    const char* className; // "BUTTON", "EDIT", "STATIC", "LISTBOX", "COMBOBOX", or any registered class
    const char* text;
    int id;
    short x, y, cx, cy;
    DWORD style; // WS_CHILD and WS_VISIBLE are added (hide a control in WM_INITDIALOG to start it hidden)
    DWORD exStyle = 0;
};
// A dialog template as data. Size and position are in dialog units of the dialog's font.
struct DialogTemplate {
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    const char* title;
    const char* fontFace; // "MS Shell Dlg" maps to the default face
    WORD pointSize;
    const DialogItemTemplate* items;
    int count;
    const char* className = nullptr; // a custom dialog class, or the standard one
};

INT_PTR DialogBoxParam(HINSTANCE module, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param);
INT_PTR DialogBoxIndirectParam(HINSTANCE module, const DialogTemplate* tmpl, HWND owner, DLGPROC proc,
                               LPARAM param);
HWND CreateDialogParam(HINSTANCE module, LPCSTR name, HWND parent, DLGPROC proc, LPARAM param);
HWND CreateDialogIndirectParam(HINSTANCE module, const DialogTemplate* tmpl, HWND parent, DLGPROC proc,
                               LPARAM param);
inline INT_PTR DialogBox(HINSTANCE module, LPCSTR name, HWND owner, DLGPROC proc) {
    return DialogBoxParam(module, name, owner, proc, 0);
}
BOOL EndDialog(HWND dlg, INT_PTR result);
LRESULT DefDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL SetDlgItemText(HWND dlg, int id, LPCSTR text);
UINT GetDlgItemText(HWND dlg, int id, LPSTR buffer, int capacity);
BOOL CheckDlgButton(HWND dlg, int id, UINT check);
UINT IsDlgButtonChecked(HWND dlg, int id);
LRESULT SendDlgItemMessage(HWND dlg, int id, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL MapDialogRect(HWND dlg, LPRECT rect);
LONG GetDialogBaseUnits(); // MAKELONG(base x, base y) of the default dialog font
BOOL IsDialogMessage(HWND dlg, LPMSG msg);
HWND GetNextDlgTabItem(HWND dlg, HWND ctl, BOOL previous);
HWND GetNextDlgGroupItem(HWND dlg, HWND ctl, BOOL previous);

// ---------------------------------------------------------------------------------------------
// Message boxes
// ---------------------------------------------------------------------------------------------

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFMASK = 0x00000F00;
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_TOPMOST = 0x00040000;

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// ---------------------------------------------------------------------------------------------
// Notifications shared by the common controls
// ---------------------------------------------------------------------------------------------

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};
using LPNMHDR = NMHDR*;

constexpr UINT NM_FIRST = 0u;
constexpr UINT NM_CLICK = NM_FIRST - 2;
constexpr UINT NM_DBLCLK = NM_FIRST - 3;
constexpr UINT NM_RCLICK = NM_FIRST - 5;
constexpr UINT NM_CUSTOMDRAW = NM_FIRST - 12;
constexpr UINT NM_TOOLTIPSCREATED = NM_FIRST - 19;

struct INITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
};
constexpr DWORD ICC_WIN95_CLASSES = 0x000000FF;
constexpr DWORD ICC_BAR_CLASSES = 0x00000004;
constexpr DWORD ICC_STANDARD_CLASSES = 0x00004000;
// Registers every control class of this file (they are also registered on first use of this file's API).
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* icc);
void InitCommonControls();

// ---------------------------------------------------------------------------------------------
// BUTTON
// ---------------------------------------------------------------------------------------------

constexpr const char* WC_BUTTON = "BUTTON";
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_CHECKBOX = 0x2;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_RADIOBUTTON = 0x4;
constexpr DWORD BS_3STATE = 0x5;
constexpr DWORD BS_AUTO3STATE = 0x6;
constexpr DWORD BS_GROUPBOX = 0x7;
constexpr DWORD BS_USERBUTTON = 0x8;
constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
constexpr DWORD BS_PUSHBOX = 0xA;
constexpr DWORD BS_OWNERDRAW = 0xB;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr DWORD BS_LEFTTEXT = 0x20;
constexpr DWORD BS_TEXT = 0x0;
constexpr DWORD BS_LEFT = 0x100;
constexpr DWORD BS_RIGHT = 0x200;
constexpr DWORD BS_CENTER = 0x300;
constexpr DWORD BS_TOP = 0x400;
constexpr DWORD BS_BOTTOM = 0x800;
constexpr DWORD BS_VCENTER = 0xC00;
constexpr DWORD BS_PUSHLIKE = 0x1000;
constexpr DWORD BS_MULTILINE = 0x2000;
constexpr DWORD BS_NOTIFY = 0x4000;
constexpr DWORD BS_FLAT = 0x8000;

constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr UINT BM_SETSTYLE = 0x00F4;
constexpr UINT BM_CLICK = 0x00F5;

constexpr UINT BST_UNCHECKED = 0x0000;
constexpr UINT BST_CHECKED = 0x0001;
constexpr UINT BST_INDETERMINATE = 0x0002;
constexpr UINT BST_PUSHED = 0x0004;
constexpr UINT BST_FOCUS = 0x0008;

constexpr WORD BN_CLICKED = 0;
constexpr WORD BN_DBLCLK = 5;
constexpr WORD BN_SETFOCUS = 6;
constexpr WORD BN_KILLFOCUS = 7;

// ---------------------------------------------------------------------------------------------
// STATIC
// ---------------------------------------------------------------------------------------------

constexpr const char* WC_STATIC = "STATIC";
constexpr DWORD SS_LEFT = 0x00;
constexpr DWORD SS_CENTER = 0x01;
constexpr DWORD SS_RIGHT = 0x02;
constexpr DWORD SS_ICON = 0x03;
constexpr DWORD SS_BLACKRECT = 0x04;
constexpr DWORD SS_GRAYRECT = 0x05;
constexpr DWORD SS_WHITERECT = 0x06;
constexpr DWORD SS_BLACKFRAME = 0x07;
constexpr DWORD SS_GRAYFRAME = 0x08;
constexpr DWORD SS_WHITEFRAME = 0x09;
constexpr DWORD SS_SIMPLE = 0x0B;
constexpr DWORD SS_LEFTNOWORDWRAP = 0x0C;
constexpr DWORD SS_OWNERDRAW = 0x0D;
constexpr DWORD SS_ETCHEDHORZ = 0x10;
constexpr DWORD SS_ETCHEDVERT = 0x11;
constexpr DWORD SS_ETCHEDFRAME = 0x12;
constexpr DWORD SS_TYPEMASK = 0x1F;
constexpr DWORD SS_NOPREFIX = 0x80;
constexpr DWORD SS_NOTIFY = 0x100;
constexpr DWORD SS_CENTERIMAGE = 0x200;
constexpr DWORD SS_SUNKEN = 0x1000;
constexpr DWORD SS_ENDELLIPSIS = 0x4000;

constexpr WORD STN_CLICKED = 0;
constexpr WORD STN_DBLCLK = 1;

// ---------------------------------------------------------------------------------------------
// SysLink: one line of text whose <a href="URL">parts</a> are links
// ---------------------------------------------------------------------------------------------

constexpr const char* WC_LINK = "SysLink";
constexpr UINT NM_RETURN = NM_FIRST - 4;
constexpr int L_MAX_URL_LENGTH = 2084;
constexpr int MAX_LINKID_TEXT = 48;
struct LITEM {
    UINT mask;
    int iLink;  // the link's index in the text, from 0
    UINT state;
    UINT stateMask;
    char szID[MAX_LINKID_TEXT];     // the link's id="..." (UTF-8)
    char szUrl[L_MAX_URL_LENGTH];   // the link's href="..." (UTF-8)
};
// With WM_NOTIFY: NM_CLICK when a link was clicked (pressed and released on it), NM_RETURN when Enter or
// Space was pressed while the control had the focus (for its first link).
struct NMLINK {
    NMHDR hdr;
    LITEM item;
};

// ---------------------------------------------------------------------------------------------
// EDIT (single line)
// ---------------------------------------------------------------------------------------------

constexpr const char* WC_EDIT = "EDIT";
constexpr DWORD ES_LEFT = 0x0000;
constexpr DWORD ES_AUTOHSCROLL = 0x0080;

constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_REPLACESEL = 0x00C2;
constexpr UINT EM_LIMITTEXT = 0x00C5;

constexpr WORD EN_SETFOCUS = 0x0100;
constexpr WORD EN_KILLFOCUS = 0x0200;
constexpr WORD EN_CHANGE = 0x0300;
constexpr WORD EN_UPDATE = 0x0400;
constexpr WORD EN_ERRSPACE = 0x0500;
constexpr WORD EN_MAXTEXT = 0x0501;

// ---------------------------------------------------------------------------------------------
// LISTBOX
// ---------------------------------------------------------------------------------------------

constexpr const char* WC_LISTBOX = "LISTBOX";
constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_NOREDRAW = 0x0004;
constexpr DWORD LBS_MULTIPLESEL = 0x0008;
constexpr DWORD LBS_HASSTRINGS = 0x0040;
constexpr DWORD LBS_USETABSTOPS = 0x0080;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;
constexpr DWORD LBS_WANTKEYBOARDINPUT = 0x0400;
constexpr DWORD LBS_DISABLENOSCROLL = 0x1000;
constexpr DWORD LBS_STANDARD = 0x00A00003; // LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_BORDER

constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_INSERTSTRING = 0x0181;
constexpr UINT LB_DELETESTRING = 0x0182;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETSEL = 0x0185;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETSEL = 0x0187;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_SELECTSTRING = 0x018C;
constexpr UINT LB_GETTOPINDEX = 0x018E;
constexpr UINT LB_FINDSTRING = 0x018F;
constexpr UINT LB_SETTOPINDEX = 0x0197;
constexpr UINT LB_GETITEMRECT = 0x0198;
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr UINT LB_SETITEMHEIGHT = 0x01A0;
constexpr UINT LB_GETITEMHEIGHT = 0x01A1;
constexpr UINT LB_FINDSTRINGEXACT = 0x01A2;
constexpr LRESULT LB_OKAY = 0;
constexpr LRESULT LB_ERR = -1;
constexpr LRESULT LB_ERRSPACE = -2;

constexpr WORD LBN_ERRSPACE = static_cast<WORD>(-2);
constexpr WORD LBN_SELCHANGE = 1;
constexpr WORD LBN_DBLCLK = 2;
constexpr WORD LBN_SELCANCEL = 3;
constexpr WORD LBN_SETFOCUS = 4;
constexpr WORD LBN_KILLFOCUS = 5;

// ---------------------------------------------------------------------------------------------
// COMBOBOX (drop-down list)
// ---------------------------------------------------------------------------------------------

constexpr const char* WC_COMBOBOX = "COMBOBOX";
constexpr DWORD CBS_SIMPLE = 0x0001;
constexpr DWORD CBS_DROPDOWN = 0x0002;
constexpr DWORD CBS_DROPDOWNLIST = 0x0003;
constexpr DWORD CBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD CBS_AUTOHSCROLL = 0x0040;
constexpr DWORD CBS_SORT = 0x0100;
constexpr DWORD CBS_HASSTRINGS = 0x0200;
constexpr DWORD CBS_NOINTEGRALHEIGHT = 0x0400;
constexpr DWORD CBS_DISABLENOSCROLL = 0x0800;

// Owner drawing (WM_DRAWITEM's lParam). A combo box with CBS_OWNERDRAWFIXED keeps its strings (as with
// CBS_HASSTRINGS) and asks its parent to draw the selection field (ODS_COMBOBOXEDIT) and each item of
// its list; the style is read at each paint, so it may be switched with SetWindowLongPtr(GWL_STYLE).
constexpr UINT ODT_MENU = 1;
constexpr UINT ODT_LISTBOX = 2;
constexpr UINT ODT_COMBOBOX = 3;
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODT_STATIC = 5;
constexpr UINT ODA_DRAWENTIRE = 0x1;
constexpr UINT ODA_SELECT = 0x2;
constexpr UINT ODA_FOCUS = 0x4;
constexpr UINT ODS_SELECTED = 0x1;
constexpr UINT ODS_GRAYED = 0x2;
constexpr UINT ODS_DISABLED = 0x4;
constexpr UINT ODS_CHECKED = 0x8;
constexpr UINT ODS_FOCUS = 0x10;
constexpr UINT ODS_COMBOBOXEDIT = 0x1000;
struct DRAWITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID; // (UINT)-1 for an empty field
    UINT itemAction;
    UINT itemState;
    HWND hwndItem;
    HDC hDC; // font and colours selected as the control would draw; restored by the control
    RECT rcItem;
    ULONG_PTR itemData;
};

constexpr UINT CB_GETEDITSEL = 0x0140;
constexpr UINT CB_LIMITTEXT = 0x0141;
constexpr UINT CB_SETEDITSEL = 0x0142;
constexpr UINT CB_ADDSTRING = 0x0143;
constexpr UINT CB_DELETESTRING = 0x0144;
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_GETLBTEXT = 0x0148;
constexpr UINT CB_GETLBTEXTLEN = 0x0149;
constexpr UINT CB_INSERTSTRING = 0x014A;
constexpr UINT CB_RESETCONTENT = 0x014B;
constexpr UINT CB_FINDSTRING = 0x014C;
constexpr UINT CB_SELECTSTRING = 0x014D;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_SHOWDROPDOWN = 0x014F;
constexpr UINT CB_GETITEMDATA = 0x0150;
constexpr UINT CB_SETITEMDATA = 0x0151;
constexpr UINT CB_GETDROPPEDCONTROLRECT = 0x0152;
constexpr UINT CB_SETITEMHEIGHT = 0x0153;
constexpr UINT CB_GETITEMHEIGHT = 0x0154;
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
constexpr UINT CB_FINDSTRINGEXACT = 0x0158;
constexpr UINT CB_GETTOPINDEX = 0x015B;
constexpr UINT CB_SETTOPINDEX = 0x015C;
constexpr LRESULT CB_OKAY = 0;
constexpr LRESULT CB_ERR = -1;
constexpr LRESULT CB_ERRSPACE = -2;

constexpr WORD CBN_ERRSPACE = static_cast<WORD>(-1);
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD CBN_DBLCLK = 2;
constexpr WORD CBN_SETFOCUS = 3;
constexpr WORD CBN_KILLFOCUS = 4;
constexpr WORD CBN_EDITCHANGE = 5;
constexpr WORD CBN_EDITUPDATE = 6;
constexpr WORD CBN_DROPDOWN = 7;
constexpr WORD CBN_CLOSEUP = 8;
constexpr WORD CBN_SELENDOK = 9;
constexpr WORD CBN_SELENDCANCEL = 10;

// ---------------------------------------------------------------------------------------------
// tooltips_class32
// ---------------------------------------------------------------------------------------------

constexpr const char* TOOLTIPS_CLASS = "tooltips_class32";
constexpr DWORD TTS_ALWAYSTIP = 0x01;
constexpr DWORD TTS_NOPREFIX = 0x02;
constexpr DWORD TTS_NOANIMATE = 0x10;
constexpr DWORD TTS_NOFADE = 0x20;
constexpr DWORD TTS_BALLOON = 0x40;

constexpr UINT TTF_IDISHWND = 0x0001;
constexpr UINT TTF_CENTERTIP = 0x0002;
constexpr UINT TTF_RTLREADING = 0x0004;
constexpr UINT TTF_SUBCLASS = 0x0010;
constexpr UINT TTF_TRACK = 0x0020;
constexpr UINT TTF_ABSOLUTE = 0x0080;
constexpr UINT TTF_TRANSPARENT = 0x0100;

constexpr DWORD TTDT_AUTOMATIC = 0;
constexpr DWORD TTDT_RESHOW = 1;
constexpr DWORD TTDT_AUTOPOP = 2;
constexpr DWORD TTDT_INITIAL = 3;

constexpr UINT TTM_ACTIVATE = 0x0401;
constexpr UINT TTM_SETDELAYTIME = 0x0403;
constexpr UINT TTM_ADDTOOL = 0x0404;
constexpr UINT TTM_DELTOOL = 0x0405;
constexpr UINT TTM_NEWTOOLRECT = 0x0406;
constexpr UINT TTM_RELAYEVENT = 0x0407;
constexpr UINT TTM_GETTOOLINFO = 0x0408;
constexpr UINT TTM_SETTOOLINFO = 0x0409;
constexpr UINT TTM_GETTEXT = 0x040B;
constexpr UINT TTM_UPDATETIPTEXT = 0x040C;
constexpr UINT TTM_GETTOOLCOUNT = 0x040D;
constexpr UINT TTM_WINDOWFROMPOINT = 0x0410;
constexpr UINT TTM_GETDELAYTIME = 0x0415;
constexpr UINT TTM_SETMAXTIPWIDTH = 0x0418;
constexpr UINT TTM_POP = 0x041C;
constexpr UINT TTM_UPDATE = 0x041D;
constexpr UINT TTM_POPUP = 0x0422;

constexpr UINT TTN_FIRST = 0u - 520u;
constexpr UINT TTN_GETDISPINFO = TTN_FIRST - 0;
constexpr UINT TTN_NEEDTEXT = TTN_GETDISPINFO;
constexpr UINT TTN_SHOW = TTN_FIRST - 1;
constexpr UINT TTN_POP = TTN_FIRST - 2;

// The text pointer that asks the owner for the text with TTN_GETDISPINFO each time the tip shows.
inline LPSTR const LPSTR_TEXTCALLBACK = reinterpret_cast<LPSTR>(static_cast<INT_PTR>(-1));

struct TOOLINFO {
    UINT cbSize;
    UINT uFlags;
    HWND hwnd;
    UINT_PTR uId;
    RECT rect;
    HINSTANCE hinst;
    LPSTR lpszText; // UTF-8, LPSTR_TEXTCALLBACK, or MAKEINTRESOURCE(string id) (not supported: shown empty)
    LPARAM lParam;
    void* lpReserved;
};
using LPTOOLINFO = TOOLINFO*;
constexpr UINT TTTOOLINFO_V1_SIZE = static_cast<UINT>(offsetof(TOOLINFO, lParam));

struct NMTTDISPINFO {
    NMHDR hdr;
    LPSTR lpszText; // point at szText or at a string that lives until the next request
    char szText[80];
    HINSTANCE hinst;
    UINT uFlags;
    LPARAM lParam;
};
using LPNMTTDISPINFO = NMTTDISPINFO*;

// ---------------------------------------------------------------------------------------------
// ToolbarWindow32
// ---------------------------------------------------------------------------------------------

constexpr const char* TOOLBARCLASSNAME = "ToolbarWindow32";

constexpr DWORD CCS_TOP = 0x0001;
constexpr DWORD CCS_NOMOVEY = 0x0002;
constexpr DWORD CCS_BOTTOM = 0x0003;
constexpr DWORD CCS_NORESIZE = 0x0004;
constexpr DWORD CCS_NOPARENTALIGN = 0x0008;
constexpr DWORD CCS_ADJUSTABLE = 0x0020;
constexpr DWORD CCS_NODIVIDER = 0x0040;
constexpr DWORD CCS_VERT = 0x0080;

constexpr DWORD TBSTYLE_BUTTON = 0x0000;
constexpr DWORD TBSTYLE_SEP = 0x0001;
constexpr DWORD TBSTYLE_CHECK = 0x0002;
constexpr DWORD TBSTYLE_GROUP = 0x0004;
constexpr DWORD TBSTYLE_CHECKGROUP = TBSTYLE_GROUP | TBSTYLE_CHECK;
constexpr DWORD TBSTYLE_DROPDOWN = 0x0008;
constexpr DWORD TBSTYLE_AUTOSIZE = 0x0010;
constexpr DWORD TBSTYLE_NOPREFIX = 0x0020;
constexpr DWORD TBSTYLE_TOOLTIPS = 0x0100;
constexpr DWORD TBSTYLE_WRAPABLE = 0x0200;
constexpr DWORD TBSTYLE_ALTDRAG = 0x0400;
constexpr DWORD TBSTYLE_FLAT = 0x0800;
constexpr DWORD TBSTYLE_LIST = 0x1000;
constexpr DWORD TBSTYLE_CUSTOMERASE = 0x2000;
constexpr DWORD TBSTYLE_TRANSPARENT = 0x8000;
constexpr DWORD TBSTYLE_EX_DRAWDDARROWS = 0x0001;
constexpr DWORD TBSTYLE_EX_MIXEDBUTTONS = 0x0008;
constexpr DWORD TBSTYLE_EX_HIDECLIPPEDBUTTONS = 0x0010;

constexpr BYTE BTNS_BUTTON = 0x00;
constexpr BYTE BTNS_SEP = 0x01;
constexpr BYTE BTNS_CHECK = 0x02;
constexpr BYTE BTNS_GROUP = 0x04;
constexpr BYTE BTNS_CHECKGROUP = BTNS_GROUP | BTNS_CHECK;
constexpr BYTE BTNS_DROPDOWN = 0x08;
constexpr BYTE BTNS_AUTOSIZE = 0x10;
constexpr BYTE BTNS_NOPREFIX = 0x20;
constexpr BYTE BTNS_SHOWTEXT = 0x40;
constexpr BYTE BTNS_WHOLEDROPDOWN = 0x80;

constexpr BYTE TBSTATE_CHECKED = 0x01;
constexpr BYTE TBSTATE_PRESSED = 0x02;
constexpr BYTE TBSTATE_ENABLED = 0x04;
constexpr BYTE TBSTATE_HIDDEN = 0x08;
constexpr BYTE TBSTATE_INDETERMINATE = 0x10;
constexpr BYTE TBSTATE_WRAP = 0x20;
constexpr BYTE TBSTATE_ELLIPSES = 0x40;
constexpr BYTE TBSTATE_MARKED = 0x80;

constexpr UINT TB_ENABLEBUTTON = 0x0401;
constexpr UINT TB_CHECKBUTTON = 0x0402;
constexpr UINT TB_PRESSBUTTON = 0x0403;
constexpr UINT TB_HIDEBUTTON = 0x0404;
constexpr UINT TB_ISBUTTONENABLED = 0x0409;
constexpr UINT TB_ISBUTTONCHECKED = 0x040A;
constexpr UINT TB_ISBUTTONPRESSED = 0x040B;
constexpr UINT TB_ISBUTTONHIDDEN = 0x040C;
constexpr UINT TB_SETSTATE = 0x0411;
constexpr UINT TB_GETSTATE = 0x0412;
constexpr UINT TB_ADDBITMAP = 0x0413;
constexpr UINT TB_DELETEBUTTON = 0x0416;
constexpr UINT TB_GETBUTTON = 0x0417;
constexpr UINT TB_BUTTONCOUNT = 0x0418;
constexpr UINT TB_COMMANDTOINDEX = 0x0419;
constexpr UINT TB_GETITEMRECT = 0x041D;
constexpr UINT TB_BUTTONSTRUCTSIZE = 0x041E;
constexpr UINT TB_SETBUTTONSIZE = 0x041F;
constexpr UINT TB_SETBITMAPSIZE = 0x0420;
constexpr UINT TB_AUTOSIZE = 0x0421;
constexpr UINT TB_GETTOOLTIPS = 0x0423;
constexpr UINT TB_SETTOOLTIPS = 0x0424;
constexpr UINT TB_GETROWS = 0x0428;
constexpr UINT TB_SETIMAGELIST = 0x0430;
constexpr UINT TB_GETIMAGELIST = 0x0431;
constexpr UINT TB_GETRECT = 0x0433;
constexpr UINT TB_SETHOTIMAGELIST = 0x0434;
constexpr UINT TB_GETHOTIMAGELIST = 0x0435;
constexpr UINT TB_SETDISABLEDIMAGELIST = 0x0436;
constexpr UINT TB_GETDISABLEDIMAGELIST = 0x0437;
constexpr UINT TB_GETSTYLE = 0x0439;
constexpr UINT TB_SETSTYLE = 0x0438;
constexpr UINT TB_GETBUTTONSIZE = 0x043A;
constexpr UINT TB_GETHOTITEM = 0x0447;
constexpr UINT TB_SETHOTITEM = 0x0448;
constexpr UINT TB_GETMAXSIZE = 0x0453;
constexpr UINT TB_SETEXTENDEDSTYLE = 0x0454;
constexpr UINT TB_GETEXTENDEDSTYLE = 0x0455;
constexpr UINT TB_ADDBUTTONS = 0x0444;
constexpr UINT TB_INSERTBUTTON = 0x0443;

constexpr UINT TBN_FIRST = 0u - 700u;
constexpr UINT TBN_DROPDOWN = TBN_FIRST - 10;
constexpr UINT TBN_HOTITEMCHANGE = TBN_FIRST - 13;
constexpr LRESULT TBDDRET_DEFAULT = 0;
constexpr LRESULT TBDDRET_NODEFAULT = 1;
constexpr LRESULT TBDDRET_TREATPRESSED = 2;

struct TBBUTTON {
    int iBitmap;
    int idCommand;
    BYTE fsState;
    BYTE fsStyle;
    BYTE bReserved[6];
    DWORD_PTR dwData;
    INT_PTR iString; // a UTF-8 string pointer, or -1 for none
};
using LPTBBUTTON = TBBUTTON*;
using LPCTBBUTTON = const TBBUTTON*;

struct NMTOOLBAR {
    NMHDR hdr;
    int iItem;
    TBBUTTON tbButton;
    int cchText;
    LPSTR pszText;
    RECT rcButton;
};
using LPNMTOOLBAR = NMTOOLBAR*;

// ---------------------------------------------------------------------------------------------
// Image lists
// ---------------------------------------------------------------------------------------------

constexpr UINT ILC_MASK = 0x0001;
constexpr UINT ILC_COLOR = 0x0000;
constexpr UINT ILC_COLORDDB = 0x00FE;
constexpr UINT ILC_COLOR4 = 0x0004;
constexpr UINT ILC_COLOR8 = 0x0008;
constexpr UINT ILC_COLOR16 = 0x0010;
constexpr UINT ILC_COLOR24 = 0x0018;
constexpr UINT ILC_COLOR32 = 0x0020;

constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;
constexpr UINT ILD_MASK = 0x0010;
constexpr UINT ILD_BLEND25 = 0x0002;
constexpr UINT ILD_BLEND50 = 0x0004;
constexpr UINT ILD_SELECTED = ILD_BLEND50;
constexpr UINT ILD_FOCUS = ILD_BLEND25;

constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
// Adds the images of a bitmap as many images as its width holds; returns the index of the first or -1.
// 32-bit bitmaps keep their alpha (premultiplied); other depths are opaque, or keyed by the mask.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF bk,
                      COLORREF fg, UINT style);
// Copies the premultiplied BGRA pixels of one image (cx * cy values) into out.
BOOL ImageList_GetImagePixels(HIMAGELIST list, int index, std::uint32_t* out);

// ---------------------------------------------------------------------------------------------
// Test hooks: answer the next pop-up menu or modal dialog as a person would
// ---------------------------------------------------------------------------------------------

// The next TrackPopupMenu(Ex) does not wait for input. The owner still gets WM_INITMENUPOPUP first; then
// the callback sees the prepared menu and returns the command to choose, or 0 for nothing. A command
// that is not in the menu, is disabled or greyed, or opens a sub-menu chooses nothing, as a click on it
// would. The answer is used once.
void AnswerNextPopupMenu(std::function<UINT(HMENU menu, HWND owner)> answer);
void AnswerNextPopupMenu(UINT command);
void ClearPopupMenuAnswer();
// How many pop-up menus have been tracked since the process started (answered ones included).
int GetPopupMenuCount();

// The next modal dialog (DialogBoxParam, DialogBoxIndirectParam, MessageBox) is answered: after
// WM_INITDIALOG and showing it, each item gets its value as a person would give it (an edit its text,
// a check box or radio button "1"/"0" by clicking it when it differs, a list or combo box the item
// whose text equals the value, or else whose index the number gives, with the selection-change
// notification), then the button is clicked (or its command sent when no such control exists). When
// that does not close the dialog, Escape is tried, and then the dialog fails (DialogBox returns -1,
// MessageBox 0) rather than wait for input that never comes. With a callback, the callback does this
// itself (it may also inject input, which the dialog's loop then handles). Used once.
struct DialogAnswer {
    std::vector<std::pair<int, std::string>> items;
    int button = IDOK;
};
void AnswerNextDialog(DialogAnswer answer);
void AnswerNextDialog(std::function<void(HWND dlg)> answer);
void ClearDialogAnswer();
// Applies one value to a dialog control as a person would (see above); false when it cannot.
bool SetDialogItemAsUser(HWND dlg, int id, const std::string& value);

} // namespace win

// System metrics and settings with the classic default values.
#include "internal.h"

namespace win {
namespace core {
namespace {

struct MetricTable {
    int values[SM_CMETRICS]{};
    bool overridden[SM_CMETRICS]{};
    UINT doubleClickTime = 500;
    UINT wheelLines = 3;
};

MetricTable& Table() {
    static auto* t = new MetricTable;
    return *t;
}

int DefaultMetric(int index) {
    SIZE screen = backend::Current().ScreenSize();
    switch (index) {
    case SM_CXSCREEN: case SM_CXFULLSCREEN: case SM_CXVIRTUALSCREEN: return screen.cx;
    case SM_CYSCREEN: case SM_CYVIRTUALSCREEN: return screen.cy;
    case SM_CYFULLSCREEN: return screen.cy - 23;
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVTHUMB: case SM_CXHTHUMB: case SM_CYVSCROLL:
    case SM_CXHSCROLL:
        return 17;
    case SM_CYCAPTION: return 23;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CYMENU: return 20;
    case SM_CXMIN: return 136;
    case SM_CYMIN: return 39;
    case SM_CXSIZE: return 36;
    case SM_CYSIZE: return 22;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CXDRAG: case SM_CYDRAG: return 4;
    case SM_CXMENUCHECK: case SM_CYMENUCHECK: return 15;
    case SM_MOUSEWHEELPRESENT: case SM_CMONITORS: return 1;
    default: return 0;
    }
}

} // namespace

void ResetMetrics() {
    auto& t = Table();
    for (bool& o : t.overridden) o = false;
    t.doubleClickTime = 500;
    t.wheelLines = 3;
}

void SetMetric(int index, int value) {
    if (index < 0 || index >= SM_CMETRICS) return;
    Table().values[index] = value;
    Table().overridden[index] = true;
}

} // namespace core

using namespace core;

int GetSystemMetrics(int index) {
    if (index < 0 || index >= SM_CMETRICS) return 0;
    auto& t = Table();
    return t.overridden[index] ? t.values[index] : DefaultMetric(index);
}

UINT GetDoubleClickTime() { return Table().doubleClickTime; }

BOOL SetDoubleClickTime(UINT ms) {
    Table().doubleClickTime = ms ? ms : 500;
    return TRUE;
}

BOOL SystemParametersInfo(UINT action, UINT uiParam, LPVOID pvParam, UINT winIni) {
    auto& t = Table();
    switch (action) {
    case SPI_GETWORKAREA:
        if (!pvParam) return FALSE;
        *static_cast<RECT*>(pvParam) = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        return TRUE;
    case SPI_GETWHEELSCROLLLINES:
    case SPI_GETWHEELSCROLLCHARS:
        if (!pvParam) return FALSE;
        *static_cast<UINT*>(pvParam) = t.wheelLines;
        return TRUE;
    case SPI_SETWHEELSCROLLLINES:
        t.wheelLines = uiParam;
        if (winIni & SPIF_SENDCHANGE) SendMessage(HWND_BROADCAST, WM_SETTINGCHANGE, action, 0);
        return TRUE;
    case SPI_GETKEYBOARDDELAY:
        if (!pvParam) return FALSE;
        *static_cast<int*>(pvParam) = 1;
        return TRUE;
    case SPI_GETKEYBOARDSPEED:
        if (!pvParam) return FALSE;
        *static_cast<DWORD*>(pvParam) = 31;
        return TRUE;
    case SPI_GETMOUSEHOVERTIME:
        if (!pvParam) return FALSE;
        *static_cast<UINT*>(pvParam) = 400;
        return TRUE;
    case SPI_GETMOUSEHOVERWIDTH:
    case SPI_GETMOUSEHOVERHEIGHT:
        if (!pvParam) return FALSE;
        *static_cast<UINT*>(pvParam) = 4;
        return TRUE;
    default: return FALSE;
    }
}

} // namespace win

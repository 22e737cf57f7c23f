// Every function handed an invalid handle or pointer fails the classic way and changes nothing.
#include "fixture.h"

#include "win/com.h"
#include "win/gdi.h"
#include "win/window_pixels.h"

using namespace vortest;

namespace {

class InvalidHandleTest : public PlatformTest {};

// A call's result: true when it reports success (a non-zero value or handle).
struct Outcome {
    template <class T>
    Outcome(T result) : succeeded(static_cast<bool>(result)) {}
    bool succeeded;
};

// The places (from 0) of the calls that succeeded; the braces run the calls in the order written.
std::vector<int> Succeeded(std::initializer_list<Outcome> calls) {
    std::vector<int> at;
    int i = 0;
    for (const Outcome& c : calls) {
        if (c.succeeded) at.push_back(i);
        ++i;
    }
    return at;
}

TEST_F(InvalidHandleTest, WindowFunctionsFailOnStaleAndBogusHandles) {
    HWND stale = TopLevel(0, 0, 10, 10);
    DestroyWindow(stale);
    const HWND bogus = reinterpret_cast<HWND>(0x7777);
    HWND live = TopLevel(0, 0, 20, 20);
    Pump();
    rec().Clear();
    for (HWND h : {stale, bogus}) {
        SCOPED_TRACE(h == stale ? "stale" : "bogus");
        RECT r{1, 2, 3, 4};
        POINT p{5, 6};
        char text[8] = "keep";
        PAINTSTRUCT ps{};
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, h, 0};
        WindowPixels pixels{1, 1, {0u}};
        MSG m;
        EXPECT_EQ(Succeeded({IsWindow(h), IsWindowVisible(h), IsWindowEnabled(h), EnableWindow(h, FALSE),
                             IsChild(live, h), IsChild(h, live), IsIconic(h), IsZoomed(h), DestroyWindow(h),
                             GetParent(h), GetWindow(h, GW_CHILD), GetAncestor(h, GA_ROOT), GetDlgItem(h, 1),
                             GetDlgCtrlID(h), EnumChildWindows(h, [](HWND, LPARAM) { return TRUE; }, 0),
                             GetWindowLongPtr(h, GWLP_USERDATA), SetWindowLongPtr(h, GWLP_USERDATA, 1),
                             GetWindowLong(h, 0), SetWindowLong(h, 0, 1), SetProp(h, "p", text), GetProp(h, "p"),
                             RemoveProp(h, "p"), SetWindowText(h, "x"), GetWindowText(h, text, sizeof text),
                             GetWindowTextLength(h), GetClassName(h, text, sizeof text), GetClassLongPtr(h, GCL_STYLE),
                             SetClassLongPtr(h, GCL_STYLE, 0), GetClientRect(h, &r), GetWindowRect(h, &r),
                             MoveWindow(h, 0, 0, 5, 5, TRUE), SetWindowPos(h, nullptr, 0, 0, 5, 5, 0),
                             ShowWindow(h, SW_SHOW), ClientToScreen(h, &p), ScreenToClient(h, &p),
                             MapWindowPoints(h, nullptr, &p, 1), SetActiveWindow(h), SetForegroundWindow(h),
                             SendMessage(h, WM_USER, 0, 0), PostMessage(h, WM_USER, 0, 0), BeginPaint(h, &ps),
                             EndPaint(h, &ps), GetDC(h), GetWindowDC(h), InvalidateRect(h, nullptr, TRUE),
                             ValidateRect(h, nullptr), GetUpdateRect(h, &r, FALSE), UpdateWindow(h),
                             RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE), SetTimer(h, 1, 10, nullptr),
                             KillTimer(h, 1), SetCapture(h), GetCapture(), SetFocus(h), TrackMouseEvent(&tme),
                             CreateCaret(h, nullptr, 1, 1), ShowCaret(h), HideCaret(h), OpenClipboard(h),
                             headless::ReadPixel(h, 0, 0), headless::Snapshot(h, "/nonexistent/never.png"),
                             GetWindowPixels(h, &pixels), PeekMessage(&m, h, 0, 0, PM_REMOVE)}),
                  std::vector<int>{});
        EXPECT_EQ(GetMessage(&m, h, 0, 0), -1);
        EXPECT_EQ(r.left, 1) << "outputs untouched";
        EXPECT_EQ(p.x, 5);
        EXPECT_TRUE(pixels.bgra.empty());
    }
    EXPECT_EQ(GetFocus(), live) << "nothing changed on the live window";
    EXPECT_TRUE(IsWindowEnabled(live));
    EXPECT_TRUE(rec().Log().empty()) << "no message reached the live window";
}

TEST_F(InvalidHandleTest, DrawingFunctionsRefuseABadDeviceContextOrPointer) {
    HDC good = CreateCompatibleDC(nullptr);
    const HDC deleted = CreateCompatibleDC(nullptr);
    DeleteDC(deleted);
    RECT r{0, 0, 4, 4};
    POINT pts[2] = {{0, 0}, {3, 3}};
    SIZE size{7, 7};
    TEXTMETRIC tm{};
    char face[8];
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, 0};
    const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (HDC dc : {static_cast<HDC>(nullptr), deleted, reinterpret_cast<HDC>(0x5151)}) {
        SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(dc));
        EXPECT_EQ(Succeeded({DeleteDC(dc), SelectObject(dc, GetStockObject(BLACK_PEN)), SaveDC(dc), RestoreDC(dc, -1),
                             SetBkMode(dc, OPAQUE), SetROP2(dc, R2_XORPEN), SetBrushOrgEx(dc, 1, 1, nullptr),
                             SetViewportOrgEx(dc, 1, 1, nullptr), MoveToEx(dc, 1, 1, nullptr),
                             IntersectClipRect(dc, 0, 0, 1, 1), GetClipBox(dc, &r), FillRect(dc, &r, black),
                             FrameRect(dc, &r, black), InvertRect(dc, &r), DrawFocusRect(dc, &r),
                             Rectangle(dc, 0, 0, 4, 4), Ellipse(dc, 0, 0, 4, 4), LineTo(dc, 3, 3), Polygon(dc, pts, 2),
                             PatBlt(dc, 0, 0, 4, 4, PATCOPY), BitBlt(dc, 0, 0, 4, 4, good, 0, 0, SRCCOPY),
                             BitBlt(good, 0, 0, 4, 4, dc, 0, 0, SRCCOPY),
                             AlphaBlend(dc, 0, 0, 1, 1, good, 0, 0, 1, 1, blend),
                             AlphaBlend(good, 0, 0, 1, 1, dc, 0, 0, 1, 1, blend),
                             TransparentBlt(dc, 0, 0, 1, 1, good, 0, 0, 1, 1, 0),
                             TransparentBlt(good, 0, 0, 1, 1, dc, 0, 0, 1, 1, 0), TextOut(dc, 0, 0, "x", 1),
                             ExtTextOut(dc, 0, 0, 0, nullptr, "x", 1, nullptr), DrawText(dc, "x", 1, &r, 0),
                             GetTextExtentPoint32(dc, "x", 1, &size), GetTextMetrics(dc, &tm),
                             GetTextFace(dc, sizeof face, face), DrawEdge(dc, &r, EDGE_RAISED, BF_RECT),
                             DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH)}),
                  std::vector<int>{});
        EXPECT_EQ((std::vector<COLORREF>{SetTextColor(dc, 0), SetBkColor(dc, 0), SetPixel(dc, 0, 0, 0), GetPixel(dc, 0, 0)}),
                  std::vector<COLORREF>(4, CLR_INVALID));
    }
    EXPECT_EQ(size.cx, 7) << "outputs untouched";
    EXPECT_EQ(Succeeded({DeleteObject(reinterpret_cast<HGDIOBJ>(0xDEAD0)),
                         GetObject(reinterpret_cast<HGDIOBJ>(0xDEAD0), 0, nullptr), CreatePen(7, 1, 0),
                         CreateBitmap(0, 5, 1, 32, nullptr), CreateBitmap(4, 4, 1, 8, nullptr),
                         // A good context with missing pointers.
                         FillRect(good, nullptr, black), DrawFocusRect(good, nullptr),
                         DrawEdge(good, nullptr, EDGE_RAISED, BF_RECT),
                         DrawFrameControl(good, nullptr, DFC_BUTTON, DFCS_BUTTONPUSH), TextOut(good, 0, 0, nullptr, 1),
                         ExtTextOut(good, 0, 0, 0, nullptr, nullptr, 1, nullptr),
                         GetTextExtentPoint32(good, "x", 1, nullptr), GetTextExtentPoint32(good, nullptr, 1, &size),
                         GetTextExtentPoint32(good, "x", -1, &size), GetTextMetrics(good, nullptr),
                         Polygon(good, nullptr, 3)}),
              std::vector<int>{});
    EXPECT_TRUE(ExtTextOut(good, 0, 0, 0, nullptr, nullptr, 0, nullptr)) << "nothing to draw";
    EXPECT_TRUE(DeleteDC(good));
}

TEST_F(InvalidHandleTest, NullPointersAreRefused) {
    HWND h = TopLevel(0, 0, 10, 10);
    WNDCLASSEX info{};
    EXPECT_EQ(Succeeded({GetClientRect(h, nullptr), GetWindowRect(h, nullptr), ClientToScreen(h, nullptr),
                         ScreenToClient(h, nullptr), BeginPaint(h, nullptr), EndPaint(h, nullptr),
                         GetWindowText(h, nullptr, 5), GetClassName(h, nullptr, 5), GetCursorPos(nullptr),
                         GetCaretPos(nullptr), TrackMouseEvent(nullptr), DispatchMessage(nullptr),
                         TranslateMessage(nullptr),
                         CreateWindowEx(0, nullptr, "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
                         CreateWindowEx(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
                         // A child needs a parent.
                         CreateWindowEx(0, kRecClass, "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
                         CreateWindowEx(0, kRecClass, "", WS_CHILD, 0, 0, 1, 1, reinterpret_cast<HWND>(0x99), nullptr,
                                        nullptr, nullptr),
                         ReleaseDC(h, reinterpret_cast<HDC>(0x1234)), CallWindowProc(nullptr, h, WM_USER, 0, 0),
                         UnregisterClass(nullptr, nullptr), GetClassInfoEx(nullptr, "NoSuchClass", &info),
                         GetClassInfoEx(nullptr, kRecClass, nullptr), DestroyCursor(nullptr), GlobalUnlock(nullptr),
                         GlobalLock(nullptr), GlobalSize(nullptr), CoTaskMemHandleSize(12345678)}),
              std::vector<int>{});
}

} // namespace

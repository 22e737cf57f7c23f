// Every function handed an invalid handle or pointer fails the classic way and changes nothing.
#include "fixture.h"

#include "win/com.h"
#include "win/gdi.h"
#include "win/window_pixels.h"

using namespace vortest;

namespace {

class InvalidHandleTest : public PlatformTest {};

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
        EXPECT_FALSE(IsWindow(h));
        EXPECT_FALSE(IsWindowVisible(h));
        EXPECT_FALSE(IsWindowEnabled(h));
        EXPECT_FALSE(EnableWindow(h, FALSE));
        EXPECT_FALSE(IsChild(live, h));
        EXPECT_FALSE(IsChild(h, live));
        EXPECT_FALSE(IsIconic(h));
        EXPECT_FALSE(IsZoomed(h));
        EXPECT_FALSE(DestroyWindow(h));
        EXPECT_EQ(GetParent(h), nullptr);
        EXPECT_EQ(GetWindow(h, GW_CHILD), nullptr);
        EXPECT_EQ(GetAncestor(h, GA_ROOT), nullptr);
        EXPECT_EQ(GetDlgItem(h, 1), nullptr);
        EXPECT_EQ(GetDlgCtrlID(h), 0);
        EXPECT_FALSE(EnumChildWindows(h, [](HWND, LPARAM) { return TRUE; }, 0));
        EXPECT_EQ(GetWindowLongPtr(h, GWLP_USERDATA), 0);
        EXPECT_EQ(SetWindowLongPtr(h, GWLP_USERDATA, 1), 0);
        EXPECT_EQ(GetWindowLong(h, 0), 0);
        EXPECT_EQ(SetWindowLong(h, 0, 1), 0);
        EXPECT_FALSE(SetProp(h, "p", text));
        EXPECT_EQ(GetProp(h, "p"), nullptr);
        EXPECT_EQ(RemoveProp(h, "p"), nullptr);
        EXPECT_FALSE(SetWindowText(h, "x"));
        EXPECT_EQ(GetWindowText(h, text, sizeof text), 0);
        EXPECT_EQ(GetWindowTextLength(h), 0);
        EXPECT_EQ(GetClassName(h, text, sizeof text), 0);
        EXPECT_EQ(GetClassLongPtr(h, GCL_STYLE), 0u);
        EXPECT_EQ(SetClassLongPtr(h, GCL_STYLE, 0), 0u);
        EXPECT_FALSE(GetClientRect(h, &r));
        EXPECT_FALSE(GetWindowRect(h, &r));
        EXPECT_EQ(r.left, 1) << "outputs untouched";
        EXPECT_FALSE(MoveWindow(h, 0, 0, 5, 5, TRUE));
        EXPECT_FALSE(SetWindowPos(h, nullptr, 0, 0, 5, 5, 0));
        EXPECT_FALSE(ShowWindow(h, SW_SHOW));
        EXPECT_FALSE(ClientToScreen(h, &p));
        EXPECT_FALSE(ScreenToClient(h, &p));
        EXPECT_EQ(MapWindowPoints(h, nullptr, &p, 1), 0);
        EXPECT_EQ(p.x, 5);
        EXPECT_EQ(SetActiveWindow(h), nullptr);
        EXPECT_FALSE(SetForegroundWindow(h));
        EXPECT_EQ(SendMessage(h, WM_USER, 0, 0), 0);
        EXPECT_FALSE(PostMessage(h, WM_USER, 0, 0));
        EXPECT_EQ(BeginPaint(h, &ps), nullptr);
        EXPECT_FALSE(EndPaint(h, &ps));
        EXPECT_EQ(GetDC(h), nullptr);
        EXPECT_EQ(GetWindowDC(h), nullptr);
        EXPECT_FALSE(InvalidateRect(h, nullptr, TRUE));
        EXPECT_FALSE(ValidateRect(h, nullptr));
        EXPECT_FALSE(GetUpdateRect(h, &r, FALSE));
        EXPECT_FALSE(UpdateWindow(h));
        EXPECT_FALSE(RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE));
        EXPECT_EQ(SetTimer(h, 1, 10, nullptr), 0u);
        EXPECT_FALSE(KillTimer(h, 1));
        EXPECT_EQ(SetCapture(h), nullptr);
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(SetFocus(h), nullptr);
        TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, h, 0};
        EXPECT_FALSE(TrackMouseEvent(&tme));
        EXPECT_FALSE(CreateCaret(h, nullptr, 1, 1));
        EXPECT_FALSE(ShowCaret(h));
        EXPECT_FALSE(HideCaret(h));
        EXPECT_FALSE(OpenClipboard(h));
        EXPECT_EQ(headless::ReadPixel(h, 0, 0), 0u);
        EXPECT_FALSE(headless::Snapshot(h, "/nonexistent/never.png"));
        WindowPixels pixels{1, 1, {0u}};
        EXPECT_FALSE(GetWindowPixels(h, &pixels));
        EXPECT_TRUE(pixels.bgra.empty());
        MSG m;
        EXPECT_FALSE(PeekMessage(&m, h, 0, 0, PM_REMOVE));
        EXPECT_EQ(GetMessage(&m, h, 0, 0), -1);
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
    for (HDC dc : {static_cast<HDC>(nullptr), deleted, reinterpret_cast<HDC>(0x5151)}) {
        SCOPED_TRACE(reinterpret_cast<std::uintptr_t>(dc));
        EXPECT_FALSE(DeleteDC(dc));
        EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), nullptr);
        EXPECT_EQ(SaveDC(dc), 0);
        EXPECT_FALSE(RestoreDC(dc, -1));
        EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
        EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);
        EXPECT_EQ(SetBkMode(dc, OPAQUE), 0);
        EXPECT_EQ(SetROP2(dc, R2_XORPEN), 0);
        EXPECT_FALSE(SetBrushOrgEx(dc, 1, 1, nullptr));
        EXPECT_FALSE(SetViewportOrgEx(dc, 1, 1, nullptr));
        EXPECT_FALSE(MoveToEx(dc, 1, 1, nullptr));
        EXPECT_EQ(IntersectClipRect(dc, 0, 0, 1, 1), ERROR);
        EXPECT_EQ(GetClipBox(dc, &r), ERROR);
        EXPECT_EQ(SetPixel(dc, 0, 0, 0), CLR_INVALID);
        EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
        EXPECT_EQ(FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
        EXPECT_EQ(FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
        EXPECT_FALSE(InvertRect(dc, &r));
        EXPECT_FALSE(DrawFocusRect(dc, &r));
        EXPECT_FALSE(Rectangle(dc, 0, 0, 4, 4));
        EXPECT_FALSE(Ellipse(dc, 0, 0, 4, 4));
        EXPECT_FALSE(LineTo(dc, 3, 3));
        EXPECT_FALSE(Polygon(dc, pts, 2));
        EXPECT_FALSE(PatBlt(dc, 0, 0, 4, 4, PATCOPY));
        EXPECT_FALSE(BitBlt(dc, 0, 0, 4, 4, good, 0, 0, SRCCOPY));
        EXPECT_FALSE(BitBlt(good, 0, 0, 4, 4, dc, 0, 0, SRCCOPY));
        EXPECT_FALSE(AlphaBlend(dc, 0, 0, 1, 1, good, 0, 0, 1, 1, blend));
        EXPECT_FALSE(AlphaBlend(good, 0, 0, 1, 1, dc, 0, 0, 1, 1, blend));
        EXPECT_FALSE(TransparentBlt(dc, 0, 0, 1, 1, good, 0, 0, 1, 1, 0));
        EXPECT_FALSE(TransparentBlt(good, 0, 0, 1, 1, dc, 0, 0, 1, 1, 0));
        EXPECT_FALSE(TextOut(dc, 0, 0, "x", 1));
        EXPECT_FALSE(ExtTextOut(dc, 0, 0, 0, nullptr, "x", 1, nullptr));
        EXPECT_EQ(DrawText(dc, "x", 1, &r, 0), 0);
        EXPECT_FALSE(GetTextExtentPoint32(dc, "x", 1, &size));
        EXPECT_FALSE(GetTextMetrics(dc, &tm));
        EXPECT_EQ(GetTextFace(dc, sizeof face, face), 0);
        EXPECT_FALSE(DrawEdge(dc, &r, EDGE_RAISED, BF_RECT));
        EXPECT_FALSE(DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH));
    }
    EXPECT_EQ(size.cx, 7) << "outputs untouched";
    EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(0xDEAD0)));
    EXPECT_EQ(GetObject(reinterpret_cast<HGDIOBJ>(0xDEAD0), 0, nullptr), 0);
    EXPECT_EQ(CreatePen(7, 1, 0), nullptr);
    EXPECT_EQ(CreateBitmap(0, 5, 1, 32, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(4, 4, 1, 8, nullptr), nullptr);
    // A good context with missing pointers.
    EXPECT_EQ(FillRect(good, nullptr, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))), 0);
    EXPECT_FALSE(DrawFocusRect(good, nullptr));
    EXPECT_FALSE(DrawEdge(good, nullptr, EDGE_RAISED, BF_RECT));
    EXPECT_FALSE(DrawFrameControl(good, nullptr, DFC_BUTTON, DFCS_BUTTONPUSH));
    EXPECT_FALSE(TextOut(good, 0, 0, nullptr, 1));
    EXPECT_FALSE(ExtTextOut(good, 0, 0, 0, nullptr, nullptr, 1, nullptr));
    EXPECT_TRUE(ExtTextOut(good, 0, 0, 0, nullptr, nullptr, 0, nullptr)) << "nothing to draw";
    EXPECT_FALSE(GetTextExtentPoint32(good, "x", 1, nullptr));
    EXPECT_FALSE(GetTextExtentPoint32(good, nullptr, 1, &size));
    EXPECT_FALSE(GetTextExtentPoint32(good, "x", -1, &size));
    EXPECT_FALSE(GetTextMetrics(good, nullptr));
    EXPECT_FALSE(Polygon(good, nullptr, 3));
    EXPECT_TRUE(DeleteDC(good));
}

TEST_F(InvalidHandleTest, NullPointersAreRefused) {
    HWND h = TopLevel(0, 0, 10, 10);
    EXPECT_FALSE(GetClientRect(h, nullptr));
    EXPECT_FALSE(GetWindowRect(h, nullptr));
    EXPECT_FALSE(ClientToScreen(h, nullptr));
    EXPECT_FALSE(ScreenToClient(h, nullptr));
    EXPECT_EQ(BeginPaint(h, nullptr), nullptr);
    EXPECT_FALSE(EndPaint(h, nullptr));
    EXPECT_EQ(GetWindowText(h, nullptr, 5), 0);
    EXPECT_EQ(GetClassName(h, nullptr, 5), 0);
    EXPECT_FALSE(GetCursorPos(nullptr));
    EXPECT_FALSE(GetCaretPos(nullptr));
    EXPECT_FALSE(TrackMouseEvent(nullptr));
    EXPECT_EQ(DispatchMessage(nullptr), 0);
    EXPECT_FALSE(TranslateMessage(nullptr));
    EXPECT_EQ(CreateWindowEx(0, nullptr, "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(CreateWindowEx(0, kRecClass, "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr)
        << "a child needs a parent";
    EXPECT_EQ(CreateWindowEx(0, kRecClass, "", WS_CHILD, 0, 0, 1, 1, reinterpret_cast<HWND>(0x99), nullptr, nullptr,
                             nullptr),
              nullptr);
    EXPECT_EQ(ReleaseDC(h, reinterpret_cast<HDC>(0x1234)), 0);
    EXPECT_EQ(CallWindowProc(nullptr, h, WM_USER, 0, 0), 0);
    EXPECT_FALSE(UnregisterClass(nullptr, nullptr));
    WNDCLASSEX info{};
    EXPECT_FALSE(GetClassInfoEx(nullptr, "NoSuchClass", &info));
    EXPECT_FALSE(GetClassInfoEx(nullptr, kRecClass, nullptr));
    EXPECT_FALSE(DestroyCursor(nullptr));
    EXPECT_FALSE(GlobalUnlock(nullptr));
    EXPECT_EQ(GlobalLock(nullptr), nullptr);
    EXPECT_EQ(GlobalSize(nullptr), 0u);
    EXPECT_EQ(CoTaskMemHandleSize(12345678), 0u);
}

} // namespace

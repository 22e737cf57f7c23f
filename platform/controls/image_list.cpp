// Image lists: equal-sized 32-bit premultiplied images kept in one strip and drawn with alpha.
#include <algorithm>
#include <cstring>
#include <unordered_set>
#include <vector>

#include "win/controls.h"
#include "win/gdi.h"

namespace win {

namespace {

struct ImageList {
    int cx = 0;
    int cy = 0;
    UINT flags = 0;
    int grow = 4;
    std::vector<std::uint32_t> pixels; // images side by side: row-major, width cx * count
    int count = 0;

    std::uint32_t* Row(int index, int y) { return &pixels[(static_cast<size_t>(y) * count + index) * cx]; }
};

std::unordered_set<ImageList*>& LiveLists() {
    static std::unordered_set<ImageList*> lists;
    return lists;
}

ImageList* FromHandle(HIMAGELIST h) {
    auto* list = reinterpret_cast<ImageList*>(h);
    return list && LiveLists().count(list) ? list : nullptr;
}

// Reads a bitmap as top-down 0xAARRGGBB values. Bitmaps of other depths come back through a DC.
bool ReadBitmap(HBITMAP bitmap, int* width, int* height, std::vector<std::uint32_t>* out, bool* hasAlpha) {
    BITMAP bm{};
    if (!GetObject(bitmap, sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
    *width = bm.bmWidth;
    *height = bm.bmHeight;
    out->assign(static_cast<size_t>(bm.bmWidth) * bm.bmHeight, 0);
    *hasAlpha = false;
    if (bm.bmBitsPixel == 32) {
        LONG bytes = static_cast<LONG>(out->size() * 4);
        if (GetBitmapBits(bitmap, bytes, out->data()) != bytes) return false;
        for (auto p : *out)
            if (p >> 24) *hasAlpha = true;
        if (!*hasAlpha)
            for (auto& p : *out) p |= 0xFF000000u;
        return true;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < bm.bmHeight; ++y)
        for (int x = 0; x < bm.bmWidth; ++x) {
            COLORREF c = GetPixel(dc, x, y);
            (*out)[static_cast<size_t>(y) * bm.bmWidth + x] =
                0xFF000000u | (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        }
    SelectObject(dc, old);
    DeleteDC(dc);
    return true;
}

int AppendImages(ImageList* list, const std::vector<std::uint32_t>& src, int width, int height) {
    int added = width / list->cx;
    if (added <= 0 || height < list->cy) return -1;
    int first = list->count;
    std::vector<std::uint32_t> merged(static_cast<size_t>(list->cx) * (first + added) * list->cy);
    for (int y = 0; y < list->cy; ++y) {
        if (first) std::memcpy(&merged[static_cast<size_t>(y) * list->cx * (first + added)], list->Row(0, y),
                               sizeof(std::uint32_t) * list->cx * first);
        std::memcpy(&merged[static_cast<size_t>(y) * list->cx * (first + added) + static_cast<size_t>(first) * list->cx],
                    &src[static_cast<size_t>(y) * width], sizeof(std::uint32_t) * list->cx * added);
    }
    list->pixels = std::move(merged);
    list->count = first + added;
    return first;
}

std::uint32_t Premultiply(std::uint32_t p, std::uint32_t a) {
    auto ch = [&](int shift) { return ((((p >> shift) & 0xFF) * a + 127) / 255) << shift; };
    return (a << 24) | ch(16) | ch(8) | ch(0);
}

// What ImageList_Add* start from: the list and the pixels of the bitmap to add to it.
struct Source {
    ImageList* list = nullptr;
    int width = 0, height = 0;
    bool hasAlpha = false;
    std::vector<std::uint32_t> pixels;
};
bool ReadSource(HIMAGELIST h, HBITMAP image, Source* s) {
    s->list = FromHandle(h);
    return s->list && image && ReadBitmap(image, &s->width, &s->height, &s->pixels, &s->hasAlpha);
}

} // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow) {
    if (cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096) return nullptr;
    auto* list = new ImageList;
    list->cx = cx;
    list->cy = cy;
    list->flags = flags;
    list->grow = std::max(grow, 1);
    list->pixels.reserve(static_cast<size_t>(cx) * cy * std::max(initial, 0));
    LiveLists().insert(list);
    return reinterpret_cast<HIMAGELIST>(list);
}

BOOL ImageList_Destroy(HIMAGELIST h) {
    ImageList* list = FromHandle(h);
    if (!list) return FALSE;
    LiveLists().erase(list);
    delete list;
    return TRUE;
}

int ImageList_Add(HIMAGELIST h, HBITMAP image, HBITMAP mask) {
    Source s;
    if (!ReadSource(h, image, &s)) return -1;
    auto& [list, width, height, hasAlpha, src] = s;
    if (mask && (list->flags & ILC_MASK) && !hasAlpha) {
        int mw = 0, mh = 0;
        bool ignored = false;
        std::vector<std::uint32_t> bits;
        if (!ReadBitmap(mask, &mw, &mh, &bits, &ignored) || mw < width || mh < height) return -1;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if ((bits[static_cast<size_t>(y) * mw + x] & 0x00FFFFFFu) != 0) src[static_cast<size_t>(y) * width + x] = 0;
    }
    return AppendImages(list, src, width, height);
}

int ImageList_GetImageCount(HIMAGELIST h) {
    ImageList* list = FromHandle(h);
    return list ? list->count : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST h, int* cx, int* cy) {
    ImageList* list = FromHandle(h);
    if (!list || !cx || !cy) return FALSE;
    *cx = list->cx;
    *cy = list->cy;
    return TRUE;
}

BOOL ImageList_GetImagePixels(HIMAGELIST h, int index, std::uint32_t* out) {
    ImageList* list = FromHandle(h);
    if (!list || !out || index < 0 || index >= list->count) return FALSE;
    for (int y = 0; y < list->cy; ++y)
        std::memcpy(out + static_cast<size_t>(y) * list->cx, list->Row(index, y), sizeof(std::uint32_t) * list->cx);
    return TRUE;
}

BOOL ImageList_DrawEx(HIMAGELIST h, int index, HDC dc, int x, int y, int dx, int dy, COLORREF bk, COLORREF fg,
                      UINT style) {
    ImageList* list = FromHandle(h);
    if (!list || !dc || index < 0 || index >= list->count) return FALSE;
    int w = dx > 0 ? std::min(dx, list->cx) : list->cx;
    int hgt = dy > 0 ? std::min(dy, list->cy) : list->cy;
    if (bk == CLR_DEFAULT) bk = CLR_NONE; // lists have no background colour of their own

    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = w;
    bmi.bmiHeader.biHeight = -hgt;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP tile = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!tile || !bits) return FALSE;
    auto* px = static_cast<std::uint32_t*>(bits);
    for (int row = 0; row < hgt; ++row) std::memcpy(px + static_cast<size_t>(row) * w, list->Row(index, row), sizeof(std::uint32_t) * w);

    // Selected and focused looks blend the image towards the given (or highlight) colour.
    if (style & (ILD_BLEND50 | ILD_BLEND25)) {
        COLORREF tint = (fg == CLR_DEFAULT || fg == CLR_NONE) ? GetSysColor(COLOR_HIGHLIGHT) : fg;
        std::uint32_t weight = (style & ILD_BLEND50) ? 128 : 64;
        for (size_t i = 0; i < static_cast<size_t>(w) * hgt; ++i) {
            std::uint32_t a = px[i] >> 24;
            std::uint32_t t = Premultiply((GetRValue(tint) << 16) | (GetGValue(tint) << 8) | GetBValue(tint), a);
            std::uint32_t out = a << 24;
            for (int shift = 0; shift < 24; shift += 8) {
                std::uint32_t c = ((px[i] >> shift) & 0xFF) * (256 - weight) + ((t >> shift) & 0xFF) * weight;
                out |= ((c >> 8) & 0xFF) << shift;
            }
            px[i] = out;
        }
    }

    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(mem, tile);
    if (!(style & ILD_TRANSPARENT) && bk != CLR_NONE) {
        HBRUSH brush = CreateSolidBrush(bk);
        RECT rc{x, y, x + w, y + hgt};
        FillRect(dc, &rc, brush);
        DeleteObject(brush);
    }
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    BOOL ok = AlphaBlend(dc, x, y, w, hgt, mem, 0, 0, w, hgt, bf);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(tile);
    return ok;
}

BOOL ImageList_Draw(HIMAGELIST h, int index, HDC dc, int x, int y, UINT style) {
    return ImageList_DrawEx(h, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

} // namespace win

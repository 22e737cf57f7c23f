// The toolbar's three image lists (normal, hot, disabled), made from the module's image strip.
#include "frame/editor_frame.h"

#include "resources/toolbar_strip.h"
#include "vor/image.h"
#include "win/gdi.h"

namespace pianoroll {

using namespace win;

namespace {

// How much brighter the hot look is, and how much of its contrast the disabled look keeps.
constexpr double kHotFactor = 0.5;
constexpr double kDisabledFactor = 0.2;

struct BitmapRelease {
    void operator()(HBITMAP bitmap) const noexcept { DeleteObject(bitmap); }
};
using BitmapHandle = std::unique_ptr<std::remove_pointer_t<HBITMAP>, BitmapRelease>;

ImageListHandle ListOf(HBITMAP strip, int width, int height) {
    ImageListHandle list(ImageList_Create(width, height, ILC_COLOR32, kToolbarImageCount, 0));
    if (!list || ImageList_Add(list.get(), strip, nullptr) < 0 ||
        ImageList_GetImageCount(list.get()) != kToolbarImageCount)
        return nullptr;
    return list;
}

} // namespace

bool LoadToolbarImages(ToolbarImages* images) {
    images->normal.reset();
    images->hot.reset();
    images->disabled.reset();
    const std::span<const unsigned char> png = ToolbarStripPng();
    BitmapHandle strip(VorImage_LoadPng(png.data(), png.size()));
    if (!strip) return false;
    BITMAP info{};
    if (!GetObject(strip.get(), sizeof info, &info) || info.bmWidth != images->width * kToolbarImageCount ||
        info.bmHeight != images->height)
        return false;
    BitmapHandle hot(VorImage_SkinVariant(strip.get(), kHotFactor, VOR_SKIN_HOT));
    BitmapHandle disabled(VorImage_SkinVariant(strip.get(), kDisabledFactor, VOR_SKIN_DISABLED));
    if (!hot || !disabled) return false;
    images->normal = ListOf(strip.get(), images->width, images->height);
    images->hot = ListOf(hot.get(), images->width, images->height);
    images->disabled = ListOf(disabled.get(), images->width, images->height);
    if (images->normal && images->hot && images->disabled) return true;
    images->normal.reset();
    images->hot.reset();
    images->disabled.reset();
    return false;
}

} // namespace pianoroll

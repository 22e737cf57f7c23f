// The pictures of the module's cursors: 32 x 32 BGRA images drawn by code, with their hot spots.
#pragma once

#include <array>
#include <cstdint>

struct VorCursorImage {
    static constexpr int kSize = 32;
    std::array<std::uint32_t, kSize * kSize> pixels{};
    int hotX = 0;
    int hotY = 0;
};

// Draws the cursor of a module id into *image; false for ids without a picture of their own.
bool VorUI_DrawCursor(int id, VorCursorImage* image) noexcept;

#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "platform/Graphics.h"

namespace sktest {

// A memory device context with a fresh top-down bitmap selected.
struct CCanvas
{
    explicit CCanvas(int width = 64, int height = 64, bool topDown = true)
        : bitmap(plat::CBitmap::CreateDib(width, topDown ? -height : height)),
          dc(plat::CDeviceContext::CreateMemory())
    {
        dc->SelectBitmap(bitmap.get());
    }

    uint32_t At(int x, int y) const { return bitmap->Pixel(x, y); }
    // Pixels whose alpha is not zero inside rect.
    int CountInked(const plat::Rect& rect) const
    {
        int count = 0;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x)
                count += (At(x, y) >> 24) != 0;
        return count;
    }
    int CountInked() const { return CountInked({0, 0, bitmap->Width(), bitmap->Height()}); }

    std::unique_ptr<plat::CBitmap> bitmap;
    std::unique_ptr<plat::CDeviceContext> dc;
};

} // namespace sktest

// An off-screen canvas to draw into (or copy the screen into) and read pixels
// back from.
#pragma once

#include <windows.h>

#include "base/Handles.h"

namespace testutil {

// A 32-bit off-screen bitmap selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height) : dc_(::CreateCompatibleDC(nullptr)) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bmp_.reset(::CreateDIBSection(dc_.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        old_ = ::SelectObject(dc_.get(), bmp_.get());
    }
    ~Canvas() { ::SelectObject(dc_.get(), old_); }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    HDC dc() const { return dc_.get(); }
    COLORREF At(int x, int y) const { return ::GetPixel(dc_.get(), x, y); }
    // Whether any pixel of row y (x in [x0, x1)) has the colour.
    bool RowHas(int y, int x0, int x1, COLORREF c) const {
        for (int x = x0; x < x1; ++x)
            if (At(x, y) == c) return true;
        return false;
    }
    int CountInRect(const RECT& r, COLORREF c) const {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (At(x, y) == c) ++n;
        return n;
    }

private:
    MemoryDC dc_;
    BitmapHandle bmp_;
    HGDIOBJ old_ = nullptr;
};

}  // namespace testutil

// Drawing through an off-screen bitmap the size of a rectangle, then copying
// it to the target in one go, so a redraw never flickers.
#pragma once

#include <windows.h>

#include "base/Handles.h"

// Calls draw(memoryDC) with a bitmap compatible with `target` selected, then
// copies `rc` to the target. Nothing happens for an empty rectangle or when
// the bitmap cannot be made.
template <typename DrawFn>
void PaintBuffered(HDC target, const RECT& rc, DrawFn&& draw) {
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return;
    MemoryDC mem(::CreateCompatibleDC(target));
    BitmapHandle bmp(::CreateCompatibleBitmap(target, w, h));
    if (!mem || !bmp) return;
    SelectGuard keepBitmap(mem.get(), bmp.get());
    draw(mem.get());
    ::BitBlt(target, rc.left, rc.top, w, h, mem.get(), rc.left, rc.top, SRCCOPY);
}

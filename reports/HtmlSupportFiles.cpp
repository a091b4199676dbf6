#include "reports/HtmlSupportFiles.h"

#include "core/AppPaths.h"
#include "base/Handles.h"
#include "platform/Files.h"
#include "resource.h"

namespace {

const char kGifType[] = "GIF";

void PutLe16(std::string& out, unsigned value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void PutLe32(std::string& out, unsigned long value) {
    PutLe16(out, static_cast<unsigned>(value & 0xFFFF));
    PutLe16(out, static_cast<unsigned>((value >> 16) & 0xFFFF));
}

std::string UpToFirstZero(std::string text) {
    size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
}

// Width and height of an icon, from its colour bitmap (or, for a
// monochrome icon, from its mask, which holds two images one above the other).
bool IconSize(HICON icon, int& width, int& height) {
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info)) return false;
    BitmapHandle color(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    if (color) {
        if (!::GetObjectA(color.get(), sizeof(bm), &bm)) return false;
        width = bm.bmWidth;
        height = bm.bmHeight;
    } else {
        if (!mask || !::GetObjectA(mask.get(), sizeof(bm), &bm)) return false;
        width = bm.bmWidth;
        height = bm.bmHeight / 2;
    }
    return width > 0 && height > 0;
}

}  // namespace

bool WriteResourceToFile(UINT id, const char* type, const std::string& path) {
    const void* data = nullptr;
    DWORD size = 0;
    if (!FindResourceBytes(id, type, data, size)) return false;
    return WriteFileReplacing(path, std::string(static_cast<const char*>(data), size));
}

std::string LoadTextResource(UINT id) {
    return UpToFirstZero(LoadTextResource(id, "TEXT"));
}

std::string LoadHtmlResource(UINT id) {
    return UpToFirstZero(LoadTextResource(id, MAKEINTRESOURCEA(23)));  // RT_HTML
}

bool WriteSupportFiles() {
    return WriteSupportFiles(HtmlWorkFolder());
}

bool WriteSupportFiles(const std::string& htmlFolder) {
    bool rule = WriteResourceToFile(IDR_GIF_DKBLUE, kGifType, htmlFolder + kDarkBlueGifFile);
    bool banner = WriteResourceToFile(IDR_GIF_TITLE_BG, kGifType, htmlFolder + kTitleBackgroundGifFile);
    return rule && banner;
}

void DeleteSupportFiles() {
    DeleteSupportFiles(HtmlWorkFolder());
}

void DeleteSupportFiles(const std::string& htmlFolder) {
    for (const char* name : {kDarkBlueGifFile, kTitleBackgroundGifFile, kFileIconBitmapFile, kOutputPageFile})
        ::DeleteFileA((htmlFolder + name).c_str());
}

int BitmapRowSize(int width) {
    return ((width * 24 + 31) / 32) * 4;
}

std::string BitmapFileHeaders(int width, int height) {
    const unsigned long imageSize = static_cast<unsigned long>(BitmapRowSize(width)) * static_cast<unsigned long>(height);
    std::string out;
    out.reserve(54);
    // File header.
    out += "BM";
    PutLe32(out, 14 + 40 + imageSize);
    PutLe16(out, 0);
    PutLe16(out, 0);
    PutLe32(out, 54);
    // Information header.
    PutLe32(out, 40);
    PutLe32(out, static_cast<unsigned long>(width));
    PutLe32(out, static_cast<unsigned long>(height));
    PutLe16(out, 1);
    PutLe16(out, 24);
    PutLe32(out, BI_RGB);
    PutLe32(out, imageSize);
    PutLe32(out, 0);
    PutLe32(out, 0);
    PutLe32(out, 0);
    PutLe32(out, 0);
    return out;
}

bool WriteIconBitmap(HICON icon, const std::string& path, COLORREF background, int width, int height) {
    ::DeleteFileA(path.c_str());
    if (!icon) return false;
    if ((width == 0 || height == 0) && !IconSize(icon, width, height)) return false;
    // Far beyond any icon; keeps the size arithmetic well inside 32 bits.
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) return false;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // positive: bottom-up rows, as in the file
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    BitmapHandle dib(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || !bits) return false;
    MemoryDC dc(::CreateCompatibleDC(nullptr));
    if (!dc) return false;
    {
        SelectGuard select(dc.get(), dib.get());
        RECT all = {0, 0, width, height};
        BrushHandle brush(::CreateSolidBrush(background));
        ::FillRect(dc.get(), &all, brush.get());
        ::DrawIconEx(dc.get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
        ::GdiFlush();
    }
    const size_t imageSize = static_cast<size_t>(BitmapRowSize(width)) * static_cast<size_t>(height);
    std::string file = BitmapFileHeaders(width, height);
    file.append(static_cast<const char*>(bits), imageSize);
    return WriteFileReplacing(path, file);
}

// HTML fragments byte for byte, the support files, the resource helpers and
// the icon bitmap writer.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "TestUtil.h"
#include "base/Handles.h"
#include "reports/HtmlSupportFiles.h"
#include "reports/HtmlWriter.h"
#include "resource.h"

using testutil::FileExists;
using testutil::ReadFileBytes;
using testutil::ScratchDir;
using testutil::WriteFileBytes;

namespace {

// What the writer function puts in a fresh file.
std::string Written(const std::function<bool(std::FILE*)>& write) {
    ScratchDir dir;
    std::FILE* f = std::fopen(dir.File("out.htm").c_str(), "wb");
    if (!f) return "<no file>";
    bool ok = write(f);
    std::fclose(f);
    return ok ? ReadFileBytes(dir.File("out.htm")) : "<failed>";
}

unsigned Le16(const std::string& b, size_t at) {
    return static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8);
}

unsigned long Le32(const std::string& b, size_t at) {
    return Le16(b, at) | (static_cast<unsigned long>(Le16(b, at + 2)) << 16);
}

}  // namespace

TEST(HtmlWriter, WritesEachFragmentByteForByte) {
    EXPECT_EQ(Written([](std::FILE* f) { return HtmlWriter::BeginTable(f, 1, 3, 0, "100%"); }),
              "<table border=\"1\" cellpadding=\"3\" cellspacing=\"0\" width=\"100%\">\r\n");
    EXPECT_EQ(Written([](std::FILE* f) { return HtmlWriter::BeginPage(f, "Tasks", ""); }),
              "<html>\r\n\r\n<head>\r\n<meta name=\"GENERATOR\" content=\"Quillmark\">\r\n"
              "<title>Tasks</title>\r\n</head>\r\n\r\n<body>\r\n");
    EXPECT_EQ(Written([](std::FILE* f) {
                  return HtmlWriter::BeginPage(f, "100% <b>", "<style>td {}</style>\r\n");
              }),
              "<html>\r\n\r\n<head>\r\n<meta name=\"GENERATOR\" content=\"Quillmark\">\r\n"
              "<title>100% &lt;b&gt;</title>\r\n<style>td {}</style>\r\n</head>\r\n\r\n<body>\r\n");
    // Text from a program's own files ends up in titles and attributes: it
    // cannot close the element or the attribute.
    EXPECT_EQ(Written([](std::FILE* f) { return HtmlWriter::BeginFont(f, "A\" onload=\"x", "2"); }),
              "<font name=\"A&quot; onload=&quot;x\" size=\"2\">\r\n");
    EXPECT_EQ("a &amp;amp; &lt;/title&gt;", HtmlWriter::EscapeText("a &amp; </title>"));
    EXPECT_EQ(Written([](std::FILE* f) { return HtmlWriter::EndPage(f); }), "</body>\r\n\r\n</html>\r\n");
    EXPECT_EQ(Written([](std::FILE* f) { return HtmlWriter::EndTable(f); }), "</table>\r\n");
    EXPECT_EQ(Written([](std::FILE* f) { return HtmlWriter::BeginFont(f, "Verdana", "2"); }),
              "<font name=\"Verdana\" size=\"2\">\r\n");
    EXPECT_EQ(Written([](std::FILE* f) { return HtmlWriter::EndFont(f); }), "</font>\r\n");

    EXPECT_FALSE(HtmlWriter::BeginPage(nullptr, "t", ""));
    EXPECT_FALSE(HtmlWriter::EndPage(nullptr));
    EXPECT_FALSE(HtmlWriter::BeginTable(nullptr, 1, 3, 0, "100%"));
    EXPECT_FALSE(HtmlWriter::EndTable(nullptr));
    EXPECT_FALSE(HtmlWriter::BeginFont(nullptr, "Verdana", "2"));
    EXPECT_FALSE(HtmlWriter::EndFont(nullptr));
}

TEST(HtmlSupportFiles, WritesBothImagesAndDeletesAllFourFiles) {
    ScratchDir dir;
    ASSERT_TRUE(WriteSupportFiles(dir.Path()));
    const std::string rule = ReadFileBytes(dir.File("dkblue.gif"));
    ASSERT_EQ(rule.size(), 43u);
    EXPECT_EQ(rule.substr(0, 6), "GIF89a");
    EXPECT_EQ(Le16(rule, 6), 1u);
    EXPECT_EQ(Le16(rule, 8), 1u);
    const std::string banner = ReadFileBytes(dir.File("title_bg.gif"));
    ASSERT_GT(banner.size(), 13u);
    EXPECT_EQ(banner.substr(0, 3), "GIF");
    EXPECT_EQ(Le16(banner, 6), 423u);
    EXPECT_EQ(Le16(banner, 8), 77u);
    EXPECT_EQ(banner.back(), ';');

    // The files are the resources' bytes.
    const void* data = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(FindResourceBytes(IDR_GIF_TITLE_BG, "GIF", data, size));
    EXPECT_EQ(banner, std::string(static_cast<const char*>(data), size));

    ASSERT_TRUE(WriteFileBytes(dir.File("file_icon.bmp"), "x"));
    ASSERT_TRUE(WriteFileBytes(dir.File("output.htm"), "x"));
    ASSERT_TRUE(WriteFileBytes(dir.File("keep.txt"), "x"));
    DeleteSupportFiles(dir.Path());
    for (const char* name : {"dkblue.gif", "title_bg.gif", "file_icon.bmp", "output.htm"})
        EXPECT_FALSE(FileExists(dir.File(name))) << name;
    EXPECT_TRUE(FileExists(dir.File("keep.txt")));
    DeleteSupportFiles(dir.Path());  // nothing left to delete: no harm
}

TEST(HtmlSupportFiles, TextResourcesAndMissingResources) {
    // The built-in list of system-protected programs is a text resource.
    const void* data = nullptr;
    DWORD size = 0;
    ASSERT_TRUE(FindResourceBytes(IDR_TEXT_SYSTEM_PROTECTED, "TEXT", data, size));
    std::string raw(static_cast<const char*>(data), size);
    const std::string text = LoadTextResource(IDR_TEXT_SYSTEM_PROTECTED);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(text, raw.substr(0, raw.find('\0')));

    // Page templates are of the standard HTML type (this program's own
    // resources 9170 and 9171); the text ends at the first zero byte.
    EXPECT_EQ(LoadHtmlResource(9170u), "<html>\r\n<body>%TITLE%</body>\r\n</html>\r\n");
    EXPECT_EQ(LoadHtmlResource(9171u), "<p>before</p>");
    EXPECT_EQ(LoadTextResource(9170u), "");  // not of type "TEXT"

    ScratchDir dir;
    EXPECT_FALSE(WriteResourceToFile(9999, "GIF", dir.File("x.gif")));
    EXPECT_FALSE(FileExists(dir.File("x.gif")));
    EXPECT_FALSE(WriteResourceToFile(IDR_GIF_DKBLUE, "GIF", dir.File("no folder\\x.gif")));
    EXPECT_EQ(LoadTextResource(9999u), "");
    EXPECT_EQ(LoadHtmlResource(9999u), "");
    // A GIF is not a text resource of that id.
    EXPECT_EQ(LoadHtmlResource(IDR_GIF_DKBLUE), "");
}

namespace {

// A 32x32 icon: the top half in topColour (BGRA), the bottom half in
// bottomColour; transparentBottom sets the mask's bits of the bottom half.
HICON MakeTwoHalvesIcon(DWORD topColour, DWORD bottomColour, bool transparentBottom) {
    const int n = 32;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = n;
    bi.bmiHeader.biHeight = -n;  // top-down, to fill by rows
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    BitmapHandle color(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!color) return nullptr;
    DWORD* px = static_cast<DWORD*>(bits);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) px[y * n + x] = y < n / 2 ? topColour : bottomColour;
    // Mask: 0 = opaque, 1 = transparent; rows of 32 bits, top-down.
    WORD mask[32 * 2];
    for (int y = 0; y < n; ++y)
        mask[y * 2] = mask[y * 2 + 1] = (y >= n / 2 && transparentBottom) ? 0xFFFF : 0x0000;
    BitmapHandle monochrome(::CreateBitmap(n, n, 1, 1, mask));
    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmColor = color.get();
    info.hbmMask = monochrome.get();
    return ::CreateIconIndirect(&info);
}

}  // namespace

TEST(IconBitmap, ThirtyTwoPixelIconOnWhite) {
    ScratchDir dir;
    IconHandle icon(MakeTwoHalvesIcon(0x00FF0000, 0, true));  // red over a clear half
    ASSERT_TRUE(icon);
    const std::string path = dir.File("file_icon.bmp");
    ASSERT_TRUE(WriteIconBitmap(icon.get(), path, RGB(255, 255, 255), 0, 0));
    const std::string b = ReadFileBytes(path);
    ASSERT_EQ(b.size(), 3126u);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(Le32(b, 2), 3126u);
    EXPECT_EQ(Le32(b, 6), 0u);
    EXPECT_EQ(Le32(b, 10), 54u);
    EXPECT_EQ(Le32(b, 14), 40u);
    EXPECT_EQ(Le32(b, 18), 32u);
    EXPECT_EQ(Le32(b, 22), 32u);
    EXPECT_EQ(Le16(b, 26), 1u);
    EXPECT_EQ(Le16(b, 28), 24u);
    EXPECT_EQ(Le32(b, 30), 0u);
    EXPECT_EQ(Le32(b, 34), 3072u);
    for (size_t at = 38; at < 54; at += 4) EXPECT_EQ(Le32(b, at), 0u) << at;
    EXPECT_EQ(b.substr(0, 54), BitmapFileHeaders(32, 32));

    // Bottom-up: the first rows in the file are the transparent bottom half
    // (white background), the last ones the red top half (stored B, G, R).
    auto pixel = [&](int x, int fileRow) { return b.substr(54 + fileRow * 96 + x * 3, 3); };
    EXPECT_EQ(pixel(0, 0), "\xFF\xFF\xFF");
    EXPECT_EQ(pixel(31, 15), "\xFF\xFF\xFF");
    EXPECT_EQ(pixel(0, 16), std::string("\x00\x00\xFF", 3));
    EXPECT_EQ(pixel(31, 31), std::string("\x00\x00\xFF", 3));

    // Another size on request; another background.
    ASSERT_TRUE(WriteIconBitmap(icon.get(), path, RGB(0, 128, 0), 16, 16));
    const std::string small = ReadFileBytes(path);
    EXPECT_EQ(small.size(), 54u + 48u * 16u);
    EXPECT_EQ(small.substr(54, 3), std::string("\x00\x80\x00", 3));

    // No icon: false, and the old file is gone.
    EXPECT_FALSE(WriteIconBitmap(nullptr, path, RGB(255, 255, 255), 0, 0));
    EXPECT_FALSE(FileExists(path));
}

TEST(IconBitmap, RowsArePaddedToFourBytes) {
    EXPECT_EQ(BitmapRowSize(1), 4);
    EXPECT_EQ(BitmapRowSize(3), 12);
    EXPECT_EQ(BitmapRowSize(5), 16);
    EXPECT_EQ(BitmapRowSize(32), 96);
    const std::string h = BitmapFileHeaders(5, 2);
    EXPECT_EQ(Le32(h, 2), 54u + 32u);
    EXPECT_EQ(Le32(h, 34), 32u);
}

TEST(IconBitmap, AlphaChannelIconOnWhite) {
    // As the shell hands out icons: 32-bit colour whose alpha channel alone
    // makes the lower half transparent (opaque blue above); the mask is all opaque.
    IconHandle icon(MakeTwoHalvesIcon(0xFF0000FF, 0x00000000, false));
    ASSERT_TRUE(icon);

    ScratchDir dir;
    ASSERT_TRUE(WriteIconBitmap(icon.get(), dir.File("file_icon.bmp"), RGB(255, 255, 255), 0, 0));
    const std::string b = ReadFileBytes(dir.File("file_icon.bmp"));
    ASSERT_EQ(b.size(), 3126u);
    // File rows are bottom-up: the clear lower half first, never black.
    EXPECT_EQ(b.substr(54, 3), "\xFF\xFF\xFF");
    EXPECT_EQ(b.substr(54 + 15 * 96 + 31 * 3, 3), "\xFF\xFF\xFF");
    EXPECT_EQ(b.substr(54 + 16 * 96, 3), std::string("\xFF\x00\x00", 3));
}

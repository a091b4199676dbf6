#include "app/MainBars.h"

#include <commctrl.h>

#include "app/pages/RowText.h"
#include "base/Resources.h"
#include "resource.h"
#include "ui/TabToolBar.h"

namespace {
constexpr COLORREF kMagenta = RGB(255, 0, 255);

ImageListHandle StripImages(UINT bitmapId, int size) {
    BitmapHandle bmp(static_cast<HBITMAP>(
        ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    return ImageListFromBitmap(bmp.get(), size, size, 0, 1, kMagenta);
}

// One image of a list as a 32-bit bitmap with alpha, as menu items draw them.
HBITMAP MenuBitmap(HIMAGELIST list, int index, int size) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    WindowDC screen(nullptr);
    HBITMAP bmp = ::CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp || !bits) return bmp;
    MemoryDC dc(::CreateCompatibleDC(screen.get()));
    {
        SelectGuard sel(dc.get(), bmp);
        // Drawn twice, on black and on white: where both agree the pixel is
        // opaque, elsewhere it is the transparent background.
        auto* px = static_cast<DWORD*>(bits);
        const int n = size * size;
        std::vector<DWORD> onWhite(static_cast<size_t>(n));
        RECT rc{0, 0, size, size};
        ::FillRect(dc.get(), &rc, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::ImageList_Draw(list, index, dc.get(), 0, 0, ILD_TRANSPARENT);
        ::GdiFlush();
        onWhite.assign(px, px + n);
        ::FillRect(dc.get(), &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::ImageList_Draw(list, index, dc.get(), 0, 0, ILD_TRANSPARENT);
        ::GdiFlush();
        for (int i = 0; i < n; ++i) {
            const bool opaque = (px[i] & 0xFFFFFF) == (onWhite[static_cast<size_t>(i)] & 0xFFFFFF);
            px[i] = opaque ? (px[i] | 0xFF000000u) : 0;
        }
    }
    return bmp;
}

// Menus drawn with visual styles (Windows Vista on, a theme on) blend a 32-bit
// item bitmap by its alpha. Classic menus, Windows XP's and Wine's copy its
// pixels as they are, so its transparent pixels come out black: there the
// window is asked to draw each image instead (HBMMENU_CALLBACK). Styled menus
// keep the bitmaps: one item drawn by its window turns the style off for the
// whole menu.
// Wine says it runs a theme (its own, by default) but draws no menu with it,
// and it cannot be asked which menus it styles, so it is told by name.
bool MenusBlendItemBitmaps() {
    if (LOBYTE(LOWORD(::GetVersion())) < 6) return false;
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    if (ntdll && ::GetProcAddress(ntdll, "wine_get_version")) return false;
    // Loaded by common controls 6 and by styled windows; without it nothing
    // is drawn with a style.
    HMODULE theme = ::GetModuleHandleA("uxtheme.dll");
    if (!theme) return false;
    using Query = BOOL(WINAPI*)();
    auto find = [theme](const char* name) {
        return reinterpret_cast<Query>(reinterpret_cast<void (*)()>(::GetProcAddress(theme, name)));
    };
    const Query themeActive = find("IsThemeActive");
    const Query appThemed = find("IsAppThemed");
    return themeActive && appThemed && themeActive() && appThemed();
}
}  // namespace

// ---- Menu bar ---------------------------------------------------------------------

bool MainMenuBar::Create(HWND window) {
    menu_ = ::LoadMenuA(ResourceInstance(), MAKEINTRESOURCEA(IDR_MAIN_MENU));
    if (!menu_) return false;
    if (!::SetMenu(window, menu_)) {
        ::DestroyMenu(menu_);
        menu_ = nullptr;
        return false;
    }
    ToolbarResource res;
    if (!LoadToolbarResource(IDR_MENU_IMAGES, res)) return true;
    ImageListHandle images = StripImages(IDB_MENU_IMAGES, res.imageWidth);
    if (!images) return true;
    const bool drawnHere = !MenusBlendItemBitmaps();
    imageSize_ = res.imageWidth;
    int image = 0;
    for (UINT command : res.commands) {
        if (command == 0) continue;
        const int index = image++;
        MENUITEMINFOA mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_BITMAP;
        if (drawnHere) {
            mii.hbmpItem = HBMMENU_CALLBACK;
            if (::SetMenuItemInfoA(menu_, command, FALSE, &mii)) imageOf_.emplace_back(command, index);
            continue;
        }
        HBITMAP bmp = MenuBitmap(images.get(), index, res.imageWidth);
        if (!bmp) continue;
        images_.emplace_back(bmp);
        mii.hbmpItem = bmp;
        ::SetMenuItemInfoA(menu_, command, FALSE, &mii);
    }
    if (drawnHere) drawn_ = std::move(images);
    ::DrawMenuBar(window);
    return true;
}

int MainMenuBar::ImageOf(UINT command) const {
    if (!drawn_) return -1;
    for (const auto& [item, image] : imageOf_)
        if (item == command) return image;
    return -1;
}

bool MainMenuBar::MeasureItemImage(MEASUREITEMSTRUCT& item) const {
    if (item.CtlType != ODT_MENU || ImageOf(item.itemID) < 0) return false;
    item.itemWidth = static_cast<UINT>(imageSize_);
    item.itemHeight = static_cast<UINT>(imageSize_);
    return true;
}

bool MainMenuBar::DrawItemImage(const DRAWITEMSTRUCT& item) const {
    if (item.CtlType != ODT_MENU) return false;
    const int image = ImageOf(item.itemID);
    if (image < 0) return false;
    // The menu has filled the item's background, highlighted or not.
    const RECT& rc = item.rcItem;
    const int x = rc.left + (rc.right - rc.left - imageSize_) / 2;
    const int y = rc.top + (rc.bottom - rc.top - imageSize_) / 2;
    ::ImageList_Draw(drawn_.get(), image, item.hDC, x, y, ILD_TRANSPARENT);
    return true;
}

// ---- Main toolbar ------------------------------------------------------------------

MainToolbar::~MainToolbar() { Destroy(); }

void MainToolbar::Destroy() {
    if (bar_ && ::IsWindow(bar_)) ::DestroyWindow(bar_);
    bar_ = nullptr;
    normal_.reset();
    hot_.reset();
    disabled_.reset();
}

bool MainToolbar::Create(HWND parent) {
    ToolbarResource res;
    if (!LoadToolbarResource(IDR_MAIN_TOOLBAR, res)) return false;
    bar_ = ::CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                             WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_TOP,
                             0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_TOOLBAR)),
                             ResourceInstance(), nullptr);
    if (!bar_) return false;
    ::SendMessageA(bar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageA(bar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    normal_ = StripImages(IDB_MAIN_TOOLBAR, res.imageWidth);
    hot_ = StripImages(IDB_MAIN_TOOLBAR_HOT, res.imageWidth);
    disabled_ = StripImages(IDB_MAIN_TOOLBAR_DISABLED, res.imageWidth);
    ::SendMessageA(bar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(normal_.get()));
    ::SendMessageA(bar_, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(hot_.get()));
    ::SendMessageA(bar_, TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabled_.get()));
    const std::vector<TBBUTTON> buttons = ToolbarButtons(res, ID_FILE_PRINT_DROPDOWN);
    for (UINT command : res.commands)
        if (command != 0) commands_.push_back(command);
    ::SendMessageA(bar_, TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageA(bar_, TB_AUTOSIZE, 0, 0);
    return true;
}

int MainToolbar::Height() const {
    if (!bar_) return 0;
    RECT rc{};
    ::GetWindowRect(bar_, &rc);
    return rc.bottom - rc.top;
}

void MainToolbar::Layout(int) {
    if (bar_) ::SendMessageA(bar_, TB_AUTOSIZE, 0, 0);
}

void MainToolbar::EnableButton(UINT command, bool enable) {
    if (bar_ && IsButtonEnabled(command) != enable)
        ::SendMessageA(bar_, TB_ENABLEBUTTON, command, MAKELPARAM(enable ? TRUE : FALSE, 0));
}

void MainToolbar::CheckButton(UINT command, bool check) {
    if (bar_) ::SendMessageA(bar_, TB_CHECKBUTTON, command, MAKELPARAM(check ? TRUE : FALSE, 0));
}

bool MainToolbar::IsButtonEnabled(UINT command) const {
    return bar_ && ::SendMessageA(bar_, TB_ISBUTTONENABLED, command, 0) != 0;
}

void MainToolbar::ShowPrintMenu(HWND owner) const {
    MenuHandle menu(::LoadMenuA(ResourceInstance(), MAKEINTRESOURCEA(IDR_PRINT_MENU)));
    HMENU popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
    if (!popup || !bar_) return;
    RECT rc{};
    ::SendMessageA(bar_, TB_GETRECT, ID_FILE_PRINT_DROPDOWN, reinterpret_cast<LPARAM>(&rc));
    ::MapWindowPoints(bar_, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, rc.left, rc.bottom, 0, owner, nullptr);
}

// ---- Status bar ----------------------------------------------------------------------

bool MainStatusBar::Create(HWND parent) {
    bar_ = ::CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)), ResourceInstance(),
                             nullptr);
    if (!bar_) return false;
    Layout();
    SetCounts({});
    return true;
}

int MainStatusBar::Height() const {
    if (!bar_) return 0;
    RECT rc{};
    ::GetWindowRect(bar_, &rc);
    return rc.bottom - rc.top;
}

void MainStatusBar::Layout() {
    if (!bar_) return;
    ::SendMessageA(bar_, WM_SIZE, 0, 0);
    RECT rc{};
    ::GetClientRect(bar_, &rc);
    const int* w = countWidths_;
    int first = rc.right - (w[0] + w[1] + w[2] + w[3]) - ::GetSystemMetrics(SM_CXVSCROLL);
    if (first < 200) first = 200;
    int edges[5] = {first, first + w[0], first + w[0] + w[1], first + w[0] + w[1] + w[2], -1};
    ::SendMessageA(bar_, SB_SETPARTS, 5, reinterpret_cast<LPARAM>(edges));
}

void MainStatusBar::SetMessage(const std::string& text) {
    if (!bar_) return;
    const std::string shown = " " + text;
    ::SendMessageA(bar_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    ::UpdateWindow(bar_);
}

std::string MainStatusBar::Message() const {
    if (!bar_) return std::string();
    const LRESULT n = LOWORD(::SendMessageA(bar_, SB_GETTEXTLENGTHA, 0, 0));
    std::string text(static_cast<size_t>(n) + 1, '\0');
    ::SendMessageA(bar_, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(n));
    return text;
}

int CountPaneWidth(int textWidth) {
    constexpr int kCountWidth = 80;
    constexpr int kMargin = 12;  // the pane's edges and a little air
    return textWidth + kMargin > kCountWidth ? textWidth + kMargin : kCountWidth;
}

void MainStatusBar::SetCounts(const ListCount (&counts)[4]) {
    if (!bar_) return;
    static const char* const kNouns[4] = {"application", "task", "service", "driver"};
    // One device context measures the four texts.
    WindowDC dc(bar_);
    SelectGuard select(dc.get(), reinterpret_cast<HFONT>(::SendMessageA(bar_, WM_GETFONT, 0, 0)));
    bool resized = false;
    for (int i = 0; i < 4; ++i) {
        const ListCount& c = counts[i];
        const std::string text =
            c.filtered ? rowtext::CountOfText(c.shown, c.total, kNouns[i]) : rowtext::CountText(c.shown, kNouns[i]);
        SIZE size{};
        if (dc) ::GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        const int width = CountPaneWidth(size.cx);
        if (width != countWidths_[i]) {
            countWidths_[i] = width;
            resized = true;
        }
        ::SendMessageA(bar_, SB_SETTEXTA, static_cast<WPARAM>(i + 1), reinterpret_cast<LPARAM>(text.c_str()));
    }
    if (resized) Layout();
}

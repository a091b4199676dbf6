#include "ui/TabToolBar.h"

#include <string.h>

#include "base/Resources.h"
#include "resource.h"

int ToolbarResource::ButtonCount() const {
    int n = 0;
    for (UINT c : commands)
        if (c) ++n;
    return n;
}

bool ParseToolbarResource(const void* data, size_t size, ToolbarResource& out) {
    if (!data || size < 8) return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    auto word = [bytes](size_t i) { return static_cast<UINT>(bytes[2 * i] | (bytes[2 * i + 1] << 8)); };
    if (word(0) != 1) return false;
    const UINT count = word(3);
    if (size < 8 + 2 * static_cast<size_t>(count)) return false;
    ToolbarResource r;
    r.imageWidth = static_cast<int>(word(1));
    r.imageHeight = static_cast<int>(word(2));
    if (r.imageWidth <= 0 || r.imageHeight <= 0) return false;
    for (UINT i = 0; i < count; ++i) r.commands.push_back(word(4 + i));
    out = std::move(r);
    return true;
}

bool LoadToolbarResource(UINT id, ToolbarResource& out) {
    const void* data = nullptr;
    DWORD size = 0;
    if (!FindResourceBytes(id, MAKEINTRESOURCEA(QM_RT_TOOLBAR), data, size)) return false;
    return ParseToolbarResource(data, size, out);
}

const TabToolBarLayout kApplicationsToolBarLayout{IDC_APPLICATIONS_TOOLBAR, IDR_APPLICATIONS_TOOLBAR,
                                                  IDB_APPLICATIONS_TOOLBAR};
const TabToolBarLayout kTasksToolBarLayout{IDC_TASKS_TOOLBAR, IDR_TASKS_TOOLBAR, IDB_TASKS_TOOLBAR};
const TabToolBarLayout kServicesToolBarLayout{IDC_SERVICES_TOOLBAR, IDR_SERVICES_TOOLBAR,
                                              IDB_SERVICES_TOOLBAR};
const TabToolBarLayout kDriversToolBarLayout{IDC_DRIVERS_TOOLBAR, IDR_DRIVERS_TOOLBAR, IDB_DRIVERS_TOOLBAR};

ImageListHandle ImageListFromBitmap(HBITMAP bitmap, int cx, int cy, int firstRow, int rows,
                                    COLORREF maskColour) {
    BITMAP bm{};
    if (!bitmap || !::GetObjectA(bitmap, sizeof(bm), &bm) || rows <= 0 || cx <= 0 || cy <= 0)
        return ImageListHandle();
    const int rowHeight = bm.bmHeight / rows;
    const int count = bm.bmWidth / cx;
    if (rowHeight <= 0 || count <= 0) return ImageListHandle();

    // Copy the row out: ImageList_AddMasked also blackens the masked pixels
    // of the bitmap it is given.
    WindowDC screen(nullptr);
    MemoryDC src(::CreateCompatibleDC(screen.get()));
    MemoryDC dst(::CreateCompatibleDC(screen.get()));
    BitmapHandle row(::CreateCompatibleBitmap(screen.get(), bm.bmWidth, rowHeight));
    if (!src || !dst || !row) return ImageListHandle();
    {
        SelectGuard s1(src.get(), bitmap);
        SelectGuard s2(dst.get(), row.get());
        ::BitBlt(dst.get(), 0, 0, bm.bmWidth, rowHeight, src.get(), 0, firstRow * rowHeight, SRCCOPY);
    }
    ImageListHandle list(::ImageList_Create(cx, cy, ILC_COLOR24 | ILC_MASK, count, 1));
    if (list) ::ImageList_AddMasked(list.get(), row.get(), maskColour);
    return list;
}

namespace {

BitmapHandle LoadBitmapResource(UINT id) {
    return BitmapHandle(static_cast<HBITMAP>(
        ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0)));
}

}  // namespace

CTabToolBar::~CTabToolBar() {
    // The bar must not draw with image lists that die with this object.
    if (IsWindow()) {
        SendMessage(TB_SETIMAGELIST, 0, 0);
        SendMessage(TB_SETDISABLEDIMAGELIST, 0, 0);
    }
}

std::vector<TBBUTTON> ToolbarButtons(const ToolbarResource& resource, UINT dropDownCommand) {
    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (UINT command : resource.commands) {
        TBBUTTON b{};
        if (command == 0) {
            b.fsStyle = BTNS_SEP;
        } else {
            b.iBitmap = image++;
            b.idCommand = static_cast<int>(command);
            b.fsState = TBSTATE_ENABLED;
            b.fsStyle = BTNS_BUTTON | (command == dropDownCommand ? BTNS_DROPDOWN : 0);
        }
        buttons.push_back(b);
    }
    return buttons;
}

bool CTabToolBar::Create(HWND parent, UINT id, DWORD style, const RECT& rect, UINT toolbarResource,
                         UINT normalBitmap, UINT disabledBitmap) {
    ToolbarResource res;
    if (!LoadToolbarResource(toolbarResource, res)) return false;
    const DWORD full = WS_CHILD | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE |
                       CCS_NOPARENTALIGN | style;
    if (!CWnd::Create(0, TOOLBARCLASSNAMEA, "", full, rect, parent, id)) return false;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(res.imageWidth, res.imageHeight));

    commands_ = res.commands;
    std::vector<TBBUTTON> buttons = ToolbarButtons(res);
    if (!buttons.empty())
        SendMessage(TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));

    if (normalBitmap || disabledBitmap) {
        // The images take the bar's button image size.
        ImageListHandle normal, disabled;
        if (normalBitmap) {
            BitmapHandle bmp = LoadBitmapResource(normalBitmap);
            normal = ImageListFromBitmap(bmp.get(), res.imageWidth, res.imageHeight, 0, 1, RGB(255, 0, 255));
        }
        if (disabledBitmap) {
            BitmapHandle bmp = LoadBitmapResource(disabledBitmap);
            disabled = ImageListFromBitmap(bmp.get(), res.imageWidth, res.imageHeight, 0, 1, RGB(255, 0, 255));
        }
        SetImageLists(std::move(normal), std::move(disabled));
    }
    return true;
}

bool CTabToolBar::LoadTwoStateBitmap(int cx, int cy, UINT bitmapId, COLORREF maskColour) {
    BitmapHandle bmp = LoadBitmapResource(bitmapId);
    BITMAP bm{};
    if (!bmp || !::GetObjectA(bmp.get(), sizeof(bm), &bm)) return false;
    if (bm.bmHeight % 2 != 0) return false;
    ImageListHandle normal = ImageListFromBitmap(bmp.get(), cx, cy, 0, 2, maskColour);
    ImageListHandle disabled = ImageListFromBitmap(bmp.get(), cx, cy, 1, 2, maskColour);
    if (!normal || !disabled) return false;
    SetImageLists(std::move(normal), std::move(disabled));
    return true;
}

void CTabToolBar::SetImageLists(ImageListHandle normal, ImageListHandle disabled) {
    // Hand the new lists to the bar before the old ones are destroyed.
    SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(normal.get()));
    SendMessage(TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(disabled.get()));
    normalImages_ = std::move(normal);
    disabledImages_ = std::move(disabled);
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

HWND CTabToolBar::GetToolTips() const {
    return reinterpret_cast<HWND>(SendMessage(TB_GETTOOLTIPS));
}

bool CTabToolBar::EnableButton(UINT command, bool enable) {
    return SendMessage(TB_ENABLEBUTTON, command, MAKELPARAM(enable ? TRUE : FALSE, 0)) != 0;
}

bool CTabToolBar::CheckButton(UINT command, bool check) {
    return SendMessage(TB_CHECKBUTTON, command, MAKELPARAM(check ? TRUE : FALSE, 0)) != 0;
}

bool CTabToolBar::IsButtonEnabled(UINT command) const {
    return SendMessage(TB_ISBUTTONENABLED, command) != 0;
}

bool CTabToolBar::IsButtonChecked(UINT command) const {
    return SendMessage(TB_ISBUTTONCHECKED, command) != 0;
}

int CTabToolBar::ButtonsRight() const {
    const int count = static_cast<int>(SendMessage(TB_BUTTONCOUNT));
    RECT rc{};
    if (count <= 0 || !SendMessage(TB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&rc))) return 0;
    return rc.right;
}

LRESULT CTabToolBar::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    // A double click would open the bar's customisation; it has none.
    if (msg == WM_LBUTTONDBLCLK) return 0;
    return CWnd::WindowProc(msg, wp, lp);
}

bool CreateTabToolBar(CTabToolBar& bar, const TabToolBarLayout& layout, HWND parent, const RECT& rect,
                      DWORD extraStyle) {
    if (!bar.Create(parent, layout.controlId, extraStyle, rect, layout.toolbarResource)) return false;
    return bar.LoadTwoStateBitmap(16, 16, layout.bitmapId, RGB(255, 0, 255));
}

#include "ui/ListCtrlEx.h"

#include <mbstring.h>
#include <stdlib.h>

#include <algorithm>
#include <unordered_map>

#include "base/Resources.h"
#include "platform/ListView.h"

// ---- Pure pieces -------------------------------------------------------------

int CompareCellTexts(int kind, bool ascending, const char* t1, const char* t2) {
    const int s = ascending ? 1 : -1;
    if (!t1) t1 = "";
    if (!t2) t2 = "";
    switch (kind) {
    case kSortInteger: {
        // Compared, not subtracted: the difference of two longs can overflow
        // and turn the order around.
        long long a = atol(t1), b = atol(t2);
        return ((a > b) - (a < b)) * s;
    }
    case kSortText: {
        int r = _mbsicmp(reinterpret_cast<const unsigned char*>(t1),
                         reinterpret_cast<const unsigned char*>(t2));
        return ((r > 0) - (r < 0)) * s;
    }
    case kSortDecimal: {
        double a = atof(t1), b = atof(t2);
        return b > a ? -s : s;
    }
    case kSortSize: {
        long long a = SizeTextBytes(t1), b = SizeTextBytes(t2);
        return ((a > b) - (a < b)) * s;
    }
    default:
        return 0;
    }
}

long long SizeTextBytes(const char* text) {
    if (!text) return -1;
    while (*text == ' ') ++text;
    if (*text < '0' || *text > '9') return -1;
    long long value = 0;
    // Held below 2^32 so that the unit's shift cannot overflow.
    for (; *text >= '0' && *text <= '9'; ++text) value = std::min(value * 10 + (*text - '0'), 1LL << 32);
    while (*text == ' ') ++text;
    const char unit = static_cast<char>(*text & ~0x20);  // upper case
    const int shift = unit == 'K' ? 10 : unit == 'M' ? 20 : unit == 'G' ? 30 : 0;
    return value << shift;
}

bool NextSortAscending(int headerColumn, bool headerAscending, int clicked) {
    return clicked != headerColumn ? true : !headerAscending;
}

std::string JoinRowText(const std::vector<std::string>& cells) {
    std::string out;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i) out += "  ";
        out += cells[i];
    }
    return out;
}

int AutoSizedColumnWidth(int contentWidth, int headerTextWidth, bool showsSortArrow, int minWidth,
                         int maxWidth) {
    int header = headerTextWidth + 12 + (showsSortArrow ? 24 : 0);
    int width = contentWidth > header ? contentWidth : header;
    if (width < minWidth) width = minWidth;
    if (maxWidth > 0 && width > maxWidth) width = maxWidth;
    return width;
}

int ColumnPadding(int fittedWidth, int widestText, bool showsImage, int imageWidth) {
    int padding = std::max(fittedWidth - widestText, 0);
    if (showsImage && padding < imageWidth) padding += imageWidth;
    return padding;
}

COLORREF RowBackground(int row, bool alternate, COLORREF windowColour) {
    if (!alternate) return windowColour;
    return (row % 2 == 0) ? kEvenRowColour : kOddRowColour;
}

namespace {
// Perceived brightness 0..255, and the least difference between text and
// background that still reads well. The common rule asks for 125, which even
// the system's white text on a mid-blue selection misses; at 125 a red row
// would turn black when selected, at 90 it stays a (darker) red.
int Brightness(COLORREF c) {
    return (299 * GetRValue(c) + 587 * GetGValue(c) + 114 * GetBValue(c)) / 1000;
}
constexpr int kReadableDifference = 90;

COLORREF MixTowards(COLORREF c, int target, int percent) {
    auto mix = [&](int v) { return static_cast<BYTE>(v + (target - v) * percent / 100); };
    return RGB(mix(GetRValue(c)), mix(GetGValue(c)), mix(GetBValue(c)));
}
}  // namespace

COLORREF ReadableTextColour(COLORREF text, COLORREF background) {
    const int back = Brightness(background);
    if (abs(Brightness(text) - back) >= kReadableDifference) return text;
    // Away from the background: towards white on a dark one, black on a light
    // one, a quarter at a time; full white or black always reads.
    const int target = back < 128 ? 255 : 0;
    for (int percent = 25; percent < 100; percent += 25) {
        const COLORREF mixed = MixTowards(text, target, percent);
        if (abs(Brightness(mixed) - back) >= kReadableDifference) return mixed;
    }
    return RGB(target, target, target);
}

// ---- Sorting records -----------------------------------------------------------

namespace {

// While a sort runs, each item's data value points at one of these.
struct SortRecord {
    LPARAM savedData;
    std::string text;
};

int CALLBACK CompareSortRecords(LPARAM a, LPARAM b, LPARAM kindAndSign) {
    const auto* ra = reinterpret_cast<const SortRecord*>(a);
    const auto* rb = reinterpret_cast<const SortRecord*>(b);
    const int kind = kindAndSign < 0 ? static_cast<int>(-kindAndSign) : static_cast<int>(kindAndSign);
    return CompareCellTexts(kind, kindAndSign > 0, ra->text.c_str(), rb->text.c_str());
}

}  // namespace

// ---- CListCtrlEx -------------------------------------------------------------------

CListCtrlEx::~CListCtrlEx() {
    // The list view must not keep drawing with an image list that dies with
    // this object: detach it first.
    if (IsWindow()) SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, 0);
}

bool CListCtrlEx::Create(HWND parent, const RECT& rect, UINT id, DWORD style) {
    // The image list belongs to this object, not to the list view.
    return CWnd::Create(0, WC_LISTVIEWA, "", style | WS_CHILD | LVS_SHAREIMAGELISTS, rect, parent, id) != nullptr;
}

void CListCtrlEx::InitList(UINT baseBitmapId) {
    baseBitmapId_ = baseBitmapId;
    // The image list belongs to this object, not to the list view.
    LONG_PTR style = ::GetWindowLongPtrA(hwnd_, GWL_STYLE);
    ::SetWindowLongPtrA(hwnd_, GWL_STYLE, style | LVS_SHAREIMAGELISTS);

    HWND header = GetHeader();
    if (header) {
        LONG_PTR hs = ::GetWindowLongPtrA(header, GWL_STYLE);
        ::SetWindowLongPtrA(header, GWL_STYLE, hs | HDS_FLAT);
    }
    boldHeader_ = true;
    ApplyBoldHeaderFont();
    SetExtendedStyle((viewOptions_.showGridLines ? LVS_EX_GRIDLINES : 0) | LVS_EX_HEADERDRAGDROP |
                     LVS_EX_FULLROWSELECT);
}

void CListCtrlEx::SetViewOptions(const ListViewOptions& options) {
    viewOptions_ = options;
    if (GetHwnd()) {
        DWORD styles = GetExtendedStyle();
        styles = options.showGridLines ? (styles | LVS_EX_GRIDLINES) : (styles & ~static_cast<DWORD>(LVS_EX_GRIDLINES));
        SetExtendedStyle(styles);
        ::InvalidateRect(GetHwnd(), nullptr, TRUE);
    }
}

void CListCtrlEx::SetContextMenu(UINT menuId, UINT defaultCommand) {
    contextMenuId_ = menuId;
    defaultCommand_ = defaultCommand;
}

HMENU CListCtrlEx::LoadContextPopup(MenuHandle& holder) const {
    holder.reset();
    if (!contextMenuId_) return nullptr;
    holder.reset(::LoadMenuA(ResourceInstance(), MAKEINTRESOURCEA(contextMenuId_)));
    if (!holder) return nullptr;
    HMENU popup = ::GetSubMenu(holder.get(), 0);
    if (popup && defaultCommand_) ::SetMenuDefaultItem(popup, defaultCommand_, FALSE);
    return popup;
}

void CListCtrlEx::SetHighlightSortColumn(bool enabled, COLORREF colour) {
    highlightSortColumn_ = enabled;
    highlightColour_ = colour;
}

void CListCtrlEx::ResetImageList() {
    DeleteAllItems();
    SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, 0);
    // One image per row is added: grow in large steps, or each row would copy
    // the whole list again and a long list would take quadratic time.
    imageList_.reset(::ImageList_Create(kListIconSize, kListIconSize, ILC_COLOR32 | ILC_MASK, 64, 256));
    if (imageList_ && baseBitmapId_) {
        BitmapHandle strip(static_cast<HBITMAP>(
            ::LoadImageA(ResourceInstance(), MAKEINTRESOURCEA(baseBitmapId_), IMAGE_BITMAP, 0, 0, 0)));
        if (strip) {
            ::ImageList_AddMasked(imageList_.get(), strip.get(), RGB(255, 0, 255));
            baseImageCount_ = ::ImageList_GetImageCount(imageList_.get());
        }
    }
    SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(imageList_.get()));
}

IconBitmaps IconBitmaps::Of(HICON icon) {
    IconBitmaps bitmaps;
    bitmaps.icon = icon;
    ICONINFO info{};
    if (!icon || !::GetIconInfo(icon, &info)) return bitmaps;
    BitmapHandle color(info.hbmColor), mask(info.hbmMask);
    // Bitmaps of another size would be cut into several images or none; the
    // image list scales such an icon itself.
    BITMAP bm{};
    if (color && ::GetObjectA(color.get(), sizeof(bm), &bm) && bm.bmWidth == kListIconSize &&
        bm.bmHeight == kListIconSize) {
        bitmaps.color = std::move(color);
        bitmaps.mask = std::move(mask);
    }
    return bitmaps;
}

int CListCtrlEx::InsertItemWithIcon(int index, const std::string& text, HICON icon) {
    return InsertItemWithIcon(index, text, IconBitmaps::Of(icon));
}

int CListCtrlEx::InsertItemWithIcon(int index, const std::string& text, const IconBitmaps& icon) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(text.c_str());
    item.iImage = index + baseImageCount_;
    int inserted = static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    // Every item must append exactly one image, or each later item would
    // show its neighbour's icon.
    AppendImage(icon);
    return inserted;
}

int CListCtrlEx::InsertItemWithImage(int index, const std::string& text, int image, LPARAM data) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(text.c_str());
    item.iImage = image;
    item.lParam = data;
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int CListCtrlEx::AppendImage(const IconBitmaps& icon) {
    if (!imageList_) return -1;
    // A missing icon appends a blank one. A monochrome icon has no colour
    // bitmap (its mask holds both halves): the image list takes that one as
    // an icon. The control holds the image list already; setting it again
    // makes the control measure every item anew.
    int added = icon.color ? ::ImageList_Add(imageList_.get(), icon.color.get(), icon.mask.get())
                           : icon.icon ? ::ImageList_AddIcon(imageList_.get(), icon.icon) : -1;
    if (added < 0) {
        if (!blankImage_) {
            WindowDC screen(nullptr);
            blankImage_.reset(::CreateCompatibleBitmap(screen.get(), kListIconSize, kListIconSize));
            MemoryDC dc(::CreateCompatibleDC(screen.get()));
            if (blankImage_ && dc) {
                SelectGuard sel(dc.get(), blankImage_.get());
                RECT rc{0, 0, kListIconSize, kListIconSize};
                BrushHandle magenta(::CreateSolidBrush(RGB(255, 0, 255)));
                ::FillRect(dc.get(), &rc, magenta.get());
            }
        }
        if (blankImage_) added = ::ImageList_AddMasked(imageList_.get(), blankImage_.get(), RGB(255, 0, 255));
    }
    return added;
}

void CListCtrlEx::SetItemTextColour(LPARAM itemData, COLORREF colour) {
    const bool had = textColours_.count(itemData) != 0;
    if (colour == CLR_DEFAULT) {
        if (!had) return;
        textColours_.erase(itemData);
    } else {
        if (had && textColours_[itemData] == colour) return;
        textColours_[itemData] = colour;
    }
    if (IsWindow()) Invalidate(false);
}

COLORREF CListCtrlEx::ItemTextColour(LPARAM itemData) const {
    auto it = textColours_.find(itemData);
    return it == textColours_.end() ? CLR_DEFAULT : it->second;
}

void CListCtrlEx::ClearItemTextColours() {
    if (textColours_.empty()) return;
    textColours_.clear();
    if (IsWindow()) Invalidate(false);
}

bool CListCtrlEx::SortList(int column, bool ascending) {
    return SortByKind(column, ascending, kSortText);
}

bool CListCtrlEx::SortByKindTable(int column, bool ascending, int tableColumns, int kind) {
    if (GetColumnCount() != tableColumns) return true;
    if (column < 0 || column >= tableColumns) return true;
    return SortByKind(column, ascending, kind);
}

bool CListCtrlEx::SortByKind(int column, bool ascending, int kind) {
    WaitCursor wait;
    sorting_ = true;
    const int count = GetItemCount();
    // Fixed size before any pointer is handed out: the records must not move.
    std::vector<SortRecord> records(static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        records[i].savedData = GetItemData(i);
        records[i].text = GetCellText(i, column);
        SetItemData(i, reinterpret_cast<LPARAM>(&records[i]));
    }
    SendMessage(LVM_SORTITEMS, static_cast<WPARAM>(ascending ? kind : -kind),
                reinterpret_cast<LPARAM>(&CompareSortRecords));
    for (int i = 0; i < count; ++i) {
        const auto* rec = reinterpret_cast<const SortRecord*>(GetItemData(i));
        if (rec) SetItemData(i, rec->savedData);
    }
    sortAscending_ = ascending;
    sortColumn_ = column;
    sorting_ = false;
    return true;
}

void CListCtrlEx::Resort() {
    if (sortColumn_ != -1) SortList(sortColumn_, sortAscending_);
}

void CListCtrlEx::OnHeaderClick(int column) {
    bool ascending = NextSortAscending(headerSortColumn_, headerAscending_, column);
    headerSortColumn_ = column;
    headerAscending_ = ascending;
    ShowSortArrow(column, ascending);
    SortList(column, ascending);
    if (viewOptions_.fitSortedHeader) {
        const int width = GetColumnWidth(column);
        const int needed = AutoSizedColumnWidth(0, HeaderTextWidth(column), true, minColumnWidth_,
                                                ::GetSystemMetrics(SM_CXFULLSCREEN));
        if (needed > width) SendMessage(LVM_SETCOLUMNWIDTH, column, MAKELPARAM(needed, 0));
    }
}

void CListCtrlEx::ShowSortArrow(int column, bool ascending) {
    HWND header = GetHeader();
    if (!header) return;
    int n = GetColumnCount();
    for (int i = 0; i < n; ++i) {
        HDITEMA hd{};
        hd.mask = HDI_FORMAT;
        if (!::SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&hd))) continue;
        int fmt = hd.fmt & ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) fmt |= ascending ? HDF_SORTUP : HDF_SORTDOWN;
        if (fmt != hd.fmt) {
            hd.fmt = fmt;
            ::SendMessageA(header, HDM_SETITEMA, i, reinterpret_cast<LPARAM>(&hd));
        }
    }
}

int CListCtrlEx::GetSelectedItem() const {
    if (SendMessage(LVM_GETSELECTEDCOUNT) != 1) return -1;
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int CListCtrlEx::GetColumnCount() const {
    HWND header = GetHeader();
    if (!header) return 0;
    int n = static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    return n > 0 ? n : 0;
}

std::string CListCtrlEx::GetCellText(int row, int column) const {
    if (column < 0 || column >= GetColumnCount()) return std::string();
    if (row == -1) {
        char buf[256] = {};
        HDITEMA hd{};
        hd.mask = HDI_TEXT;
        hd.pszText = buf;
        hd.cchTextMax = sizeof(buf);
        if (!::SendMessageA(GetHeader(), HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&hd))) return std::string();
        buf[sizeof(buf) - 1] = '\0';
        return buf;
    }
    if (row < 0 || row >= GetItemCount()) return std::string();
    return ListViewItemText(hwnd_, row, column);
}

std::string CListCtrlEx::GetColumnAlignment(int column) const {
    if (column < 0 || column >= GetColumnCount()) return std::string();
    HDITEMA hd{};
    hd.mask = HDI_FORMAT;
    if (!::SendMessageA(GetHeader(), HDM_GETITEMA, column, reinterpret_cast<LPARAM>(&hd))) return std::string();
    switch (hd.fmt & HDF_JUSTIFYMASK) {
    case HDF_CENTER: return "center";
    case HDF_RIGHT: return "right";
    default: return std::string();
    }
}

std::string CListCtrlEx::GetRowText(int row) const {
    std::vector<std::string> cells;
    const int n = GetColumnCount();
    for (int c = 0; c < n; ++c) cells.push_back(GetCellText(row, c));
    return JoinRowText(cells);
}

int CListCtrlEx::GetColumnWidth(int column) const {
    int w = static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, column));
    if (w == 0) {
        RECT rc{};
        if (::SendMessageA(GetHeader(), HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&rc)))
            w = rc.right - rc.left;
    }
    return w;
}

void CListCtrlEx::ApplyBoldHeaderFont() {
    HWND header = GetHeader();
    if (!header) return;
    HFONT base = reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
    if (!base) base = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA lf{};
    if (!::GetObjectA(base, sizeof(lf), &lf)) return;
    lf.lfWeight = FW_BOLD;
    FontHandle bold(::CreateFontIndirectA(&lf));
    if (!bold) return;
    ::SendMessageA(header, WM_SETFONT, reinterpret_cast<WPARAM>(bold.get()), TRUE);
    headerFont_ = std::move(bold);  // the header no longer uses the old one
}

int CListCtrlEx::HeaderTextWidth(int column) const {
    HWND header = GetHeader();
    std::string title = GetCellText(-1, column);
    if (!header || title.empty()) return 0;
    WindowDC dc(header);
    if (!dc) return 0;
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(header, WM_GETFONT, 0, 0));
    SelectGuard sel(dc.get(), font);
    SIZE size{};
    ::GetTextExtentPoint32A(dc.get(), title.c_str(), static_cast<int>(title.size()), &size);
    return size.cx;
}

void CListCtrlEx::AutoSizeColumns(int column) {
    const int n = GetColumnCount();
    // The widest a column may become: the desktop's full-screen client width,
    // read now so a changed display is taken into account.
    const int maxWidth = ::GetSystemMetrics(SM_CXFULLSCREEN);
    SendMessage(WM_SETREDRAW, FALSE);
    for (int c = 0; c < n; ++c) {
        if (column != -1 && c != column) continue;
        SendMessage(LVM_SETCOLUMNWIDTH, c, LVSCW_AUTOSIZE);
        int content = static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, c));
        if (ShowsSubItemImages(c)) {
            const int widest = WidestCellText(c);
            content = widest + ColumnPadding(content, widest, true, SmallImageWidth());
        }
        int width = AutoSizedColumnWidth(content, HeaderTextWidth(c), headerSortColumn_ == c,
                                         minColumnWidth_, maxWidth);
        SendMessage(LVM_SETCOLUMNWIDTH, c, MAKELPARAM(width, 0));
    }
    SendMessage(WM_SETREDRAW, TRUE);
    Invalidate();
}

void CListCtrlEx::AutoSizeColumnsFromTexts(int rows, const std::function<const std::string&(int, int)>& text) {
    const int n = GetColumnCount();
    if (rows <= 0) {
        AutoSizeColumns(-1);
        return;
    }
    if (static_cast<int>(columnPadding_.size()) != n) columnPadding_.assign(static_cast<size_t>(n), -1);
    const int maxWidth = ::GetSystemMetrics(SM_CXFULLSCREEN);
    WindowDC dc(hwnd_);
    SelectGuard font(dc.get(), reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
    // Most cells repeat ("N/A", "0.0%", a company): each text is measured once.
    std::unordered_map<std::string, int> widths;
    auto widthOf = [&](const std::string& s) {
        auto [it, isNew] = widths.try_emplace(s, 0);
        if (isNew && !s.empty()) {
            SIZE size{};
            ::GetTextExtentPoint32A(dc.get(), s.data(), static_cast<int>(s.size()), &size);
            it->second = size.cx;
        }
        return it->second;
    };
    SendMessage(WM_SETREDRAW, FALSE);
    for (int c = 0; c < n; ++c) {
        int widest = 0;
        for (int row = 0; row < rows; ++row) widest = std::max(widest, widthOf(text(row, c)));
        int& padding = columnPadding_[static_cast<size_t>(c)];
        if (padding < 0) {
            SendMessage(LVM_SETCOLUMNWIDTH, c, LVSCW_AUTOSIZE);
            padding = ColumnPadding(static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, c)), widest,
                                    ShowsSubItemImages(c), SmallImageWidth());
        }
        const int width = AutoSizedColumnWidth(widest + padding, HeaderTextWidth(c), headerSortColumn_ == c,
                                               minColumnWidth_, maxWidth);
        SendMessage(LVM_SETCOLUMNWIDTH, c, MAKELPARAM(width, 0));
    }
    SendMessage(WM_SETREDRAW, TRUE);
    Invalidate();
}

bool CListCtrlEx::NeedsColumnPadding() const {
    const size_t n = static_cast<size_t>(GetColumnCount());
    if (columnPadding_.size() != n) return n > 0;
    return std::any_of(columnPadding_.begin(), columnPadding_.end(), [](int padding) { return padding < 0; });
}

void CListCtrlEx::LearnColumnPadding(const std::function<const std::string&(int column)>& text) {
    const int n = GetColumnCount();
    if (GetItemCount() != 1) return;
    if (static_cast<int>(columnPadding_.size()) != n) columnPadding_.assign(static_cast<size_t>(n), -1);
    WindowDC dc(hwnd_);
    SelectGuard font(dc.get(), reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)));
    for (int c = 0; c < n; ++c) {
        int& padding = columnPadding_[static_cast<size_t>(c)];
        if (padding >= 0) continue;
        const std::string& s = text(c);
        SIZE size{};
        if (!s.empty()) ::GetTextExtentPoint32A(dc.get(), s.data(), static_cast<int>(s.size()), &size);
        SendMessage(LVM_SETCOLUMNWIDTH, c, LVSCW_AUTOSIZE);
        padding = ColumnPadding(static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, c)), static_cast<int>(size.cx),
                                ShowsSubItemImages(c), SmallImageWidth());
    }
}

int CListCtrlEx::InsertColumn(int column, const std::string& title, int format, int width) {
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    col.fmt = format;
    col.cx = width;
    col.pszText = const_cast<char*>(title.c_str());
    col.iSubItem = column;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&col)));
}

bool CListCtrlEx::DeleteColumn(int column) {
    return SendMessage(LVM_DELETECOLUMN, column) != 0;
}

int CListCtrlEx::InsertItem(int index, const std::string& text) {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text.c_str());
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrlEx::SetItemText(int row, int column, const std::string& text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text.c_str());
    return SendMessage(LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool CListCtrlEx::ShowsSubItemImages(int column) const {
    const size_t c = static_cast<size_t>(column);
    return column > 0 && c < imageColumns_.size() && imageColumns_[c];
}

int CListCtrlEx::SmallImageWidth() const {
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(::SendMessageA(hwnd_, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    int cx = 0, cy = 0;
    return images && ::ImageList_GetIconSize(images, &cx, &cy) ? cx : 0;
}

int CListCtrlEx::WidestCellText(int column) const {
    WindowDC dc(hwnd_);
    if (!dc) return 0;
    SelectGuard font(dc.get(), reinterpret_cast<HFONT>(::SendMessageA(hwnd_, WM_GETFONT, 0, 0)));
    int widest = 0;
    const int rows = GetItemCount();
    for (int row = 0; row < rows; ++row) {
        const std::string text = ListViewItemText(hwnd_, row, column);
        SIZE size{};
        if (!text.empty() && ::GetTextExtentPoint32A(dc.get(), text.data(), static_cast<int>(text.size()), &size))
            widest = std::max(widest, static_cast<int>(size.cx));
    }
    return widest;
}

bool CListCtrlEx::SetItemImage(int row, int column, int image) {
    if (column > 0 && image >= 0) {
        if (imageColumns_.size() <= static_cast<size_t>(column)) imageColumns_.resize(static_cast<size_t>(column) + 1);
        imageColumns_[static_cast<size_t>(column)] = true;
    }
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iSubItem = column;
    item.iImage = image;
    return SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool CListCtrlEx::SetItemData(int row, LPARAM data) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    item.lParam = data;
    return SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

LPARAM CListCtrlEx::GetItemData(int row) const {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return 0;
    return item.lParam;
}

int CListCtrlEx::GetItemCount() const {
    return static_cast<int>(SendMessage(LVM_GETITEMCOUNT));
}

bool CListCtrlEx::DeleteAllItems() {
    return SendMessage(LVM_DELETEALLITEMS) != 0;
}

bool CListCtrlEx::SetItemSelected(int row, bool selected) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = selected ? LVIS_SELECTED : 0;
    return SendMessage(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item)) != 0;
}

void CListCtrlEx::SetExtendedStyle(DWORD styles) {
    SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles);
}

DWORD CListCtrlEx::GetExtendedStyle() const {
    return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE));
}

HWND CListCtrlEx::GetHeader() const {
    return hwnd_ ? reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)) : nullptr;
}

LRESULT CListCtrlEx::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_MOUSEWHEEL: {
        // Scrolling copies the drawn pixels; the shading of the sort column
        // and the row colours would be left half drawn. Paint everything.
        LRESULT r = DefaultProc(msg, wp, lp);
        ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        return r;
    }
    case WM_SETFONT: {
        // The list view hands its new font to the header: make it bold again.
        LRESULT r = DefaultProc(msg, wp, lp);
        if (boldHeader_) ApplyBoldHeaderFont();
        return r;
    }
    default:
        return CWnd::WindowProc(msg, wp, lp);
    }
}

bool CListCtrlEx::OnReflectedNotify(NMHDR* hdr, LRESULT& result) {
    switch (hdr->code) {
    case LVN_COLUMNCLICK:
        OnHeaderClick(reinterpret_cast<NMLISTVIEW*>(hdr)->iSubItem);
        result = 0;
        return true;
    case NM_CUSTOMDRAW:
        result = OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(hdr));
        return true;
    default:
        return false;
    }
}

// A row with its own text colour draws its selection itself: the list view
// would paint a selected row in the selection's text colour and the row's
// colour would be lost. The background is the one the list view gives a
// selection (the highlight with the focus, the face colour without), and the
// row's colour is made readable on it.
void CListCtrlEx::ApplyOwnTextColour(NMLVCUSTOMDRAW* cd, COLORREF colour) const {
    const int row = static_cast<int>(cd->nmcd.dwItemSpec);
    const bool selected = (SendMessage(LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    if (selected) {
        const bool focused = ::GetFocus() == hwnd_;
        const bool showsSelection = focused || (::GetWindowLongPtrA(hwnd_, GWL_STYLE) & LVS_SHOWSELALWAYS);
        if (showsSelection) {
            cd->nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
            cd->clrTextBk = ::GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
        }
    }
    cd->clrText = ReadableTextColour(colour, cd->clrTextBk);
}

LRESULT CListCtrlEx::OnCustomDraw(NMLVCUSTOMDRAW* cd) {
    const DWORD stage = cd->nmcd.dwDrawStage;
    // The owner sets the options; nothing is read from the settings here.
    const bool alternate = viewOptions_.alternateRowColors;
    if (stage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    const int row = static_cast<int>(cd->nmcd.dwItemSpec);
    const COLORREF rowColour = RowBackground(row, alternate, ::GetSysColor(COLOR_WINDOW));
    const COLORREF own = textColours_.empty() ? CLR_DEFAULT : ItemTextColour(cd->nmcd.lItemlParam);
    if (stage == CDDS_ITEMPREPAINT) {
        cd->clrTextBk = rowColour;
        RECT client = GetClientRect();
        cd->nmcd.rc.right = client.right;
        if (highlightSortColumn_ && sortColumn_ != -1) return CDRF_NOTIFYSUBITEMDRAW;
        if (own != CLR_DEFAULT) ApplyOwnTextColour(cd, own);
        return alternate || own != CLR_DEFAULT ? CDRF_NEWFONT : CDRF_DODEFAULT;
    }
    if (stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
        cd->clrTextBk = (cd->iSubItem == sortColumn_) ? highlightColour_ : rowColour;
        if (own != CLR_DEFAULT) ApplyOwnTextColour(cd, own);
        return CDRF_NEWFONT;
    }
    return CDRF_DODEFAULT;
}

bool CListCtrlEx::OnContextMenu(HWND, POINT screen) {
    if (!contextMenuId_) return false;  // the host may show its own
    MenuHandle menu;
    HMENU popup = LoadContextPopup(menu);
    if (!popup) return true;
    if (screen.x == -1 && screen.y == -1) {
        // From the keyboard: open at the selected row, or the list's corner.
        RECT rc{};
        int sel = GetSelectedItem();
        rc.left = LVIR_BOUNDS;
        if (sel < 0 || !SendMessage(LVM_GETITEMRECT, sel, reinterpret_cast<LPARAM>(&rc))) rc = RECT{};
        screen = POINT{rc.left, rc.bottom};
        ::ClientToScreen(hwnd_, &screen);
    }
    HWND owner = ::GetAncestor(hwnd_, GA_ROOT);
    ::TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, 0, owner ? owner : hwnd_, nullptr);
    return true;
}

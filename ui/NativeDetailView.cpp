#include "ui/NativeDetailView.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <set>

#include "platform/Clipboard.h"

namespace {

// The page's measures at 96 dots per inch, as the HTML page has them.
constexpr int kBannerHeight = 77;       // the banner image's height
constexpr int kIconLeft = 33, kIconTop = 19, kIconSize = 32;
constexpr int kBannerTextLeft = 73, kBannerTextTop = 34;
constexpr int kBlackRule = 3;           // under the banner
constexpr int kContentGap = 6;          // from the rule to the table
constexpr int kTableMargin = 4;         // the table is 99% wide, centred
constexpr int kCellPadding = 3;
constexpr int kLabelWidth = 150;
constexpr int kSpacerWidth = 15;
constexpr int kBodyMargin = 8;          // the blank and system pages
constexpr int kLineStep = 16;           // one scroll-bar line

// Colours of the page and its banner.
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kShade = RGB(0xD3, 0xE8, 0xFB);         // the rows in "statsblue"
constexpr COLORREF kSectionColour = RGB(0x03, 0x48, 0x87);  // "section"
constexpr COLORREF kRuleBlue = RGB(0x1B, 0x4F, 0xA8);       // "dkblue.gif"
constexpr COLORREF kWashBottom = RGB(228, 236, 250);        // the banner's wash, white at the top
constexpr COLORREF kTileOutline = RGB(176, 200, 239);
constexpr COLORREF kAccentLight = RGB(161, 190, 237);
constexpr COLORREF kAccent = RGB(0x2F, 0x6F, 0xD6);

// The module table's share of the list's width per column.
const double kModuleShares[4] = {0.38, 0.22, 0.25, 0.15};

COLORREF Blend(COLORREF a, COLORREF b, int num, int den) {
    if (den <= 0) return a;
    auto mix = [&](int x, int y) { return x + (y - x) * num / den; };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

void Fill(HDC dc, const RECT& rc, COLORREF colour) {
    ::SetBkColor(dc, colour);
    ::ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
}

// A multi-line edit shows a bare line feed as a box: lines end in CR LF.
std::string EditText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

HFONT MakeFont(const char* face, int points, int weight, int dpi) {
    LOGFONTA lf{};
    lf.lfHeight = -MulDiv(points, dpi, 72);
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    return ::CreateFontIndirectA(&lf);
}

bool KeyDown(int key) {
    return (::GetKeyState(key) & 0x8000) != 0;
}

bool IsClass(HWND hwnd, const char* name) {
    char cls[16] = {};
    ::GetClassNameA(hwnd, cls, sizeof cls);
    return lstrcmpiA(cls, name) == 0;
}

bool IsEdit(HWND hwnd) {
    return IsClass(hwnd, "Edit");
}

// The keys that move through a page. A link control has no use for them, so
// with the focus on a link they scroll the page, as in a browser.
bool IsPageKey(WPARAM key) {
    return key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT || key == VK_HOME || key == VK_END;
}

void MoveChild(HWND child, int x, int y, int w, int h) {
    ::SetWindowPos(child, nullptr, x, y, std::max(w, 0), std::max(h, 0), SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowChild(HWND child, bool show) {
    if (child) ::ShowWindow(child, show ? SW_SHOWNA : SW_HIDE);
}

// A link control given its text again forgets which of its links has the
// focus, and an edit the part of its text the user selected: a refresh's
// page for the same row sets only the texts that changed.
void SetText(HWND control, const std::string& text) {
    if (WindowTextOf(control) != text) ::SetWindowTextA(control, text.c_str());
}

// The link control reads markup: it shows the address the link rule made
// (no quotes or angle brackets) or a fixed sentence; any other text is shown
// as text.
bool ShowsAsLink(const DetailRow& row) {
    return !row.link.empty() && row.value.find_first_of("<>") == std::string::npos;
}

}  // namespace

// A subclassed child control: its keys that belong to the page (Tab, Ctrl+C,
// the wheel) go to the view; everything else is the control's own.
class CNativeDetailView::Child : public CWnd {
public:
    explicit Child(CNativeDetailView* view) : view_(view) {}

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override {
        LRESULT result = 0;
        if (msg == WM_GETDLGCODE)
            return DefaultProc(msg, wp, lp) | DLGC_WANTTAB | (IsClass(hwnd_, "SysLink") ? DLGC_WANTARROWS : 0);
        if (view_->OnChildMessage(hwnd_, msg, wp, lp, result)) return result;
        return DefaultProc(msg, wp, lp);
    }

private:
    CNativeDetailView* view_;
};

// ---- The module list ---------------------------------------------------------------

bool CModuleListCtrl::SortList(int column, bool ascending) {
    return SortByKind(column, ascending, column == 3 ? kSortSize : kSortText);
}

LRESULT CModuleListCtrl::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    if (msg == WM_GETDLGCODE) return CListCtrlEx::WindowProc(msg, wp, lp) | DLGC_WANTTAB;
    if (view_ && view_->OnChildMessage(hwnd_, msg, wp, lp, result)) return result;
    return CListCtrlEx::WindowProc(msg, wp, lp);
}

// ---- The view ------------------------------------------------------------------------

CNativeDetailView::CNativeDetailView() = default;

CNativeDetailView::~CNativeDetailView() {
    // The children go before the objects that subclass them.
    DestroyWindow();
}

bool CNativeDetailView::Create(HWND parent, const RECT& rect, UINT id) {
    if (hwnd_) return true;
    // The link control is a common control of its own class.
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LINK_CLASS | ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    if (!CWnd::RegisterClass(kClassName, CS_DBLCLKS, nullptr)) return false;
    if (!CWnd::Create(WS_EX_CONTROLPARENT, kClassName, kWindowName,
                      WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, rect, parent, id))
        return false;
    {
        WindowDC screen(nullptr);
        if (screen) dpi_ = ::GetDeviceCaps(screen.get(), LOGPIXELSY);
    }
    CreateFonts();
    whiteBrush_.reset(::CreateSolidBrush(kWhite));

    iconControl_ = MakeControl("STATIC", SS_ICON | SS_REALSIZEIMAGE, kIconId, nullptr, false);
    banner_ = MakeControl("STATIC", SS_OWNERDRAW | SS_NOPREFIX, kBannerId, bannerFont_.get(), false);
    section_ = MakeControl("STATIC", SS_LEFT | SS_NOPREFIX, kSectionId, sectionFont_.get(), false);
    sentence_ = MakeControl("EDIT", ES_MULTILINE | ES_READONLY, kSentenceId, sentenceFont_.get(), true);
    modulesTitle_ = MakeControl("STATIC", SS_LEFT | SS_NOPREFIX, kModulesTitleId, sectionFont_.get(), false);
    ::SetWindowTextA(modulesTitle_, kModulesTitle);

    modules_.view_ = this;
    if (modules_.Create(hwnd_, RECT{0, 0, 0, 0}, kModuleListId,
                        LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_BORDER)) {
        modules_.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(valueFont_.get()), FALSE);
        modules_.InitList(0);
        modules_.SetExtendedStyle(modules_.GetExtendedStyle() | LVS_EX_LABELTIP);
        for (int c = 0; c < 4; ++c)
            modules_.InsertColumn(c, kModuleColumnTitles[c], c == 3 ? LVCFMT_RIGHT : LVCFMT_LEFT, 80);
    }
    // The rows of an information page are made now, so that showing a
    // selection only sets texts.
    EnsureRows(7);
    Show(BlankDetailModel(), nullptr);
    return true;
}

void CNativeDetailView::CreateFonts() {
    bannerFont_.reset(MakeFont("Verdana", 11, FW_BOLD, dpi_));
    sectionFont_.reset(MakeFont("Arial", 14, FW_BOLD, dpi_));
    labelFont_.reset(MakeFont("Arial", 10, FW_BOLD, dpi_));
    valueFont_.reset(MakeFont("Arial", 10, FW_NORMAL, dpi_));
    sentenceFont_.reset(MakeFont("Verdana", 10, FW_NORMAL, dpi_));
}

HWND CNativeDetailView::MakeControl(const char* cls, DWORD style, UINT id, HFONT font, bool keys) {
    HWND control = ::CreateWindowExA(0, cls, "", WS_CHILD | style, 0, 0, 0, 0, hwnd_,
                                     reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ::GetModuleHandleA(nullptr),
                                     nullptr);
    if (!control) return nullptr;
    if (font) ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (lstrcmpiA(cls, "EDIT") == 0) ::SendMessageA(control, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    if (keys) {
        children_.push_back(std::make_unique<Child>(this));
        children_.back()->Subclass(control);
    }
    return control;
}

void CNativeDetailView::EnsureRows(size_t count) {
    while (rows_.size() < count) {
        const UINT base = kFirstRowId + 3 * static_cast<UINT>(rows_.size());
        RowControls row;
        row.label = MakeControl("STATIC", SS_RIGHT | SS_NOPREFIX, base, labelFont_.get(), false);
        row.value = MakeControl("EDIT", ES_MULTILINE | ES_READONLY, base + 1, valueFont_.get(), true);
        // An address's "&" is a character, not the mark of a shortcut key.
        row.link = MakeControl("SysLink", WS_TABSTOP | LWS_NOPREFIX, base + 2, valueFont_.get(), true);
        rows_.push_back(row);
    }
    // The dialog manager goes by the order of the windows: the module list,
    // below the rows on the page, comes after their links, as in TabStops.
    if (modules_.GetHwnd())
        ::SetWindowPos(modules_.GetHwnd(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CNativeDetailView::Show(const DetailModel& model, HICON icon) {
    if (!hwnd_) return;
    model_ = model;
    icon_.reset(icon ? ::CopyIcon(icon) : nullptr);
    const bool info = model_.IsInformation();
    SendMessage(WM_SETREDRAW, FALSE);

    // The static shows the icon this object keeps; it never destroys one.
    ::SendMessageA(iconControl_, STM_SETICON, reinterpret_cast<WPARAM>(icon_.get()), 0);
    SetText(banner_, model_.banner);
    SetText(section_, model_.section);
    SetText(sentence_, EditText(model_.sentence));
    ShowChild(iconControl_, info && icon_);
    ShowChild(banner_, info);
    ShowChild(section_, info);
    ShowChild(sentence_, !info);

    EnsureRows(model_.rows.size());
    for (size_t i = 0; i < rows_.size(); ++i) {
        const bool used = info && i < model_.rows.size();
        const DetailRow* row = used ? &model_.rows[i] : nullptr;
        const bool linked = row && ShowsAsLink(*row);
        SetText(rows_[i].label, row ? row->label : "");
        SetText(rows_[i].value, row ? EditText(row->value) : "");
        SetText(rows_[i].link, linked ? "<a>" + row->value + "</a>" : "");
        if (linked && ::GetFocus() == rows_[i].link) {
            // A new text with the focus still in the control: its link is
            // the focused one, drawn so.
            LITEM item{};
            item.mask = LIF_ITEMINDEX | LIF_STATE;
            item.state = item.stateMask = LIS_FOCUSED;
            ::SendMessageA(rows_[i].link, LM_SETITEM, 0, reinterpret_cast<LPARAM>(&item));
        }
        ShowChild(rows_[i].label, used);
        ShowChild(rows_[i].value, used && !linked);
        ShowChild(rows_[i].link, linked);
    }
    FillModules();
    ShowChild(modulesTitle_, info && model_.hasModules);
    ShowChild(modules_.GetHwnd(), info && model_.hasModules);

    // Layout keeps a kept position within the new page.
    if (!model_.sameRow) scroll_ = POINT{0, 0};
    Layout();
    SendMessage(WM_SETREDRAW, TRUE);
    ::RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void CNativeDetailView::FillModules() {
    if (!modules_.GetHwnd()) return;
    // A refresh's page for the same row keeps the module rows the user
    // selected, and the focused one, by their names.
    std::set<std::string> selected;
    std::string focused;
    if (model_.sameRow) {
        for (int row = -1; (row = static_cast<int>(modules_.SendMessage(LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0;)
            selected.insert(modules_.GetCellText(row, 0));
        const int row = static_cast<int>(modules_.SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        if (row >= 0) focused = modules_.GetCellText(row, 0);
    }
    // Nothing the refill does to the list's focused row scrolls the page:
    // it keeps its own place.
    refilling_ = true;
    modules_.SendMessage(WM_SETREDRAW, FALSE);
    modules_.DeleteAllItems();
    const int count = static_cast<int>(model_.modules.size());
    modules_.SendMessage(LVM_SETITEMCOUNT, count);
    for (int i = 0; i < count; ++i) {
        const ModuleEntry& e = model_.modules[i];
        const int row = modules_.InsertItem(i, e.name);
        modules_.SetItemText(row, 1, e.version);
        modules_.SetItemText(row, 2, e.date);
        modules_.SetItemText(row, 3, e.size);
    }
    // A sort the user chose holds for the next program too.
    modules_.Resort();
    if (!selected.empty() || !focused.empty()) {
        for (int row = 0; row < count; ++row) {
            const std::string name = modules_.GetCellText(row, 0);
            LVITEMA item{};
            item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            item.state = (selected.count(name) ? LVIS_SELECTED : 0u) | (name == focused ? LVIS_FOCUSED : 0u);
            if (item.state & LVIS_FOCUSED) focused.clear();  // one focused row, the first of that name
            if (item.state) modules_.SendMessage(LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
        }
    }
    modules_.SendMessage(WM_SETREDRAW, TRUE);
    refilling_ = false;
}

// ---- Layout ---------------------------------------------------------------------------

int CNativeDetailView::TextHeight(HFONT font, const std::string& text, int width, UINT format) const {
    WindowDC dc(hwnd_);
    if (!dc) return 0;
    SelectGuard sel(dc.get(), font);
    RECT rc{0, 0, std::max(width, 1), 0};
    const std::string measured = text.empty() ? std::string(" ") : text;
    ::DrawTextA(dc.get(), measured.c_str(), static_cast<int>(measured.size()), &rc,
                format | DT_CALCRECT | DT_NOPREFIX);
    return rc.bottom - rc.top;
}

int CNativeDetailView::EditHeight(HWND edit, int width) const {
    // The edit wraps the text itself: give it the width (where it stands,
    // unpainted), then ask how many lines it made of it.
    ::SetWindowPos(edit, nullptr, 0, 0, std::max(width, 0), 1,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    const int lines = std::max(1, static_cast<int>(::SendMessageA(edit, EM_GETLINECOUNT, 0, 0)));
    HFONT font = reinterpret_cast<HFONT>(::SendMessageA(edit, WM_GETFONT, 0, 0));
    WindowDC dc(edit);
    SelectGuard sel(dc.get(), font);
    TEXTMETRICA tm{};
    ::GetTextMetricsA(dc.get(), &tm);
    return lines * tm.tmHeight + 2;
}

int CNativeDetailView::PlaceControls(int width) {
    auto scale = [this](int v) { return MulDiv(v, dpi_, 96); };
    const int dx = -scroll_.x, dy = -scroll_.y;
    rowPlaces_.clear();
    sectionRule_ = modulesRule_ = -1;
    if (!model_.IsInformation()) {
        const int w = width - 2 * scale(kBodyMargin);
        const int h = EditHeight(sentence_, w);
        MoveChild(sentence_, scale(kBodyMargin) + dx, scale(kBodyMargin) + dy, w, h);
        bannerHeight_ = 0;
        return h + 2 * scale(kBodyMargin);
    }

    // The banner grows when the title and company take more lines than it
    // has room for.
    const int textLeft = scale(kBannerTextLeft), textTop = scale(kBannerTextTop);
    const int textWidth = width - textLeft - scale(kBodyMargin);
    const int textHeight = TextHeight(bannerFont_.get(), model_.banner, textWidth, DT_WORDBREAK | DT_EDITCONTROL);
    bannerHeight_ = std::max(scale(kBannerHeight), textTop + textHeight + scale(kBodyMargin));
    MoveChild(banner_, textLeft + dx, textTop + dy, textWidth, textHeight);
    MoveChild(iconControl_, scale(kIconLeft) + dx, scale(kIconTop) + dy, scale(kIconSize), scale(kIconSize));

    tableLeft_ = scale(kTableMargin);
    tableRight_ = width - scale(kTableMargin);
    const int pad = scale(kCellPadding);
    const int inner = tableRight_ - tableLeft_ - 2 * pad;
    int y = bannerHeight_ + scale(kBlackRule) + scale(kContentGap);
    contentTop_ = y;

    auto sectionRow = [&](HWND title, int& rule) {
        const int h = TextHeight(sectionFont_.get(), "Ag", inner, DT_SINGLELINE);
        MoveChild(title, tableLeft_ + pad + dx, y + pad + dy, inner, h);
        y += h + 2 * pad;
        rule = y + pad;  // the thin rule's own row
        y += 1 + 2 * pad;
    };
    sectionRow(section_, sectionRule_);

    const int valueLeft = tableLeft_ + scale(kLabelWidth) + scale(kSpacerWidth);
    const int valueWidth = tableRight_ - valueLeft - 2 * pad;
    const int labelWidth = scale(kLabelWidth) - 2 * pad;
    for (size_t i = 0; i < model_.rows.size() && i < rows_.size(); ++i) {
        const RowControls& row = rows_[i];
        const bool linked = ShowsAsLink(model_.rows[i]);
        const int labelHeight = TextHeight(labelFont_.get(), model_.rows[i].label, labelWidth, DT_WORDBREAK);
        int valueHeight = 0;
        if (linked) {
            // As wide as its text (clicks past its end are no clicks), and
            // as high as the text takes at the column's width.
            valueHeight = TextHeight(valueFont_.get(), model_.rows[i].value, valueWidth, DT_WORDBREAK | DT_EDITCONTROL);
            WindowDC dc(hwnd_);
            SelectGuard sel(dc.get(), valueFont_.get());
            SIZE size{};
            const std::string& text = model_.rows[i].value;
            ::GetTextExtentPoint32A(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
            MoveChild(row.link, valueLeft + pad + dx, y + pad + dy, std::min(valueWidth, static_cast<int>(size.cx) + 2), valueHeight);
        } else {
            valueHeight = EditHeight(row.value, valueWidth);
            MoveChild(row.value, valueLeft + pad + dx, y + pad + dy, valueWidth, valueHeight);
        }
        MoveChild(row.label, tableLeft_ + pad + dx, y + pad + dy, labelWidth, labelHeight);
        const int height = std::max(labelHeight, valueHeight) + 2 * pad;
        rowPlaces_.push_back(RowPlace{RECT{valueLeft, y, tableRight_, y + height}, model_.rows[i].shaded});
        y += height;
    }

    if (model_.hasModules && modules_.GetHwnd()) {
        y += TextHeight(valueFont_.get(), "Ag", inner, DT_SINGLELINE) + 2 * pad;  // the empty row before
        sectionRow(modulesTitle_, modulesRule_);
        // Tall enough for every row: the page scrolls, not the list.
        const int listWidth = inner;
        RECT item{};
        item.left = LVIR_BOUNDS;
        int itemHeight = TextHeight(valueFont_.get(), "Ag", listWidth, DT_SINGLELINE) + 4;
        if (modules_.GetItemCount() > 0 &&
            modules_.SendMessage(LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)))
            itemHeight = item.bottom - item.top;
        RECT header{};
        ::GetWindowRect(modules_.GetHeader(), &header);
        const int headerHeight = std::max(static_cast<int>(header.bottom - header.top), itemHeight + 4);
        const int rowsShown = std::max(1, modules_.GetItemCount());
        const int listHeight = headerHeight + rowsShown * itemHeight + 2 * ::GetSystemMetrics(SM_CYBORDER) + 2;
        MoveChild(modules_.GetHwnd(), tableLeft_ + pad + dx, y + pad + dy, listWidth, listHeight);
        // The list decides on its scroll bars as its size or its columns
        // change, and both bars at once are a state it keeps: the horizontal
        // one hides the last row, so the vertical one is needed, which hides
        // the columns' last pixels. A list filled while shorter, or narrowed
        // while its columns were wider, is left there. Columns narrower by a
        // bar's width first end it; then they take the full width. Columns a
        // user made wider than the list keep their widths and the bars.
        const int columnsWidth = listWidth - 2 * ::GetSystemMetrics(SM_CXBORDER) - 2;
        const LONG bars = WS_HSCROLL | WS_VSCROLL;
        bool stuck = (::GetWindowLongA(modules_.GetHwnd(), GWL_STYLE) & bars) == bars;
        if (stuck) {
            int columnsSum = 0;
            for (int c = 0; c < 4; ++c) columnsSum += static_cast<int>(modules_.SendMessage(LVM_GETCOLUMNWIDTH, c));
            stuck = columnsSum <= columnsWidth;
        }
        if (listWidth != listWidth_ || stuck) {
            listWidth_ = listWidth;
            for (int width : {columnsWidth - ::GetSystemMetrics(SM_CXVSCROLL), columnsWidth})
                for (int c = 0; c < 4; ++c)
                    modules_.SendMessage(LVM_SETCOLUMNWIDTH, c,
                                         MAKELPARAM(static_cast<int>(width * kModuleShares[c]), 0));
        }
        y += listHeight + 2 * pad;
    }
    return y + scale(kBodyMargin);
}

void CNativeDetailView::Layout() {
    if (laying_ || !hwnd_) return;
    laying_ = true;
    // Showing or hiding a scroll bar changes the client area, and with it
    // the layout: a few rounds settle it.
    for (int round = 0; round < 3; ++round) {
        const RECT before = GetClientRect();
        const int width = std::max(static_cast<int>(before.right), MulDiv(kMinContentWidth, dpi_, 96));
        content_.cy = PlaceControls(width);
        content_.cx = width;
        const POINT wanted = scroll_;
        scroll_.x = std::max(0L, std::min(wanted.x, content_.cx - before.right));
        scroll_.y = std::max(0L, std::min(wanted.y, content_.cy - before.bottom));
        if (scroll_.x != wanted.x || scroll_.y != wanted.y) PlaceControls(width);
        UpdateScrollBars();
        const RECT after = GetClientRect();
        if (after.right == before.right && after.bottom == before.bottom) break;
    }
    laying_ = false;
    Invalidate();
}

void CNativeDetailView::UpdateScrollBars() {
    const RECT rc = GetClientRect();
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = content_.cy - 1;
    si.nPage = static_cast<UINT>(std::max(0L, rc.bottom));
    si.nPos = scroll_.y;
    ::SetScrollInfo(hwnd_, SB_VERT, &si, TRUE);
    si.nMax = content_.cx - 1;
    si.nPage = static_cast<UINT>(std::max(0L, rc.right));
    si.nPos = scroll_.x;
    ::SetScrollInfo(hwnd_, SB_HORZ, &si, TRUE);
}

void CNativeDetailView::ScrollTo(int x, int y) {
    const RECT rc = GetClientRect();
    x = std::max(0, std::min(x, static_cast<int>(content_.cx - rc.right)));
    y = std::max(0, std::min(y, static_cast<int>(content_.cy - rc.bottom)));
    const int dx = scroll_.x - x, dy = scroll_.y - y;
    if (!dx && !dy) return;
    scroll_ = POINT{x, y};
    ::ScrollWindowEx(hwnd_, dx, dy, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
    UpdateScrollBars();
}

void CNativeDetailView::Scroll(int bar, int code, int thumb) {
    const RECT rc = GetClientRect();
    const int page = bar == SB_VERT ? rc.bottom : rc.right;
    const int step = MulDiv(kLineStep, dpi_, 96);
    int pos = bar == SB_VERT ? scroll_.y : scroll_.x;
    switch (code) {
    case SB_LINEUP: pos -= step; break;
    case SB_LINEDOWN: pos += step; break;
    case SB_PAGEUP: pos -= std::max(page - step, step); break;
    case SB_PAGEDOWN: pos += std::max(page - step, step); break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = bar == SB_VERT ? content_.cy : content_.cx; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        // The message's position has 16 bits; the scroll bar's own has 32.
        SCROLLINFO si{};
        si.cbSize = sizeof(si);
        si.fMask = SIF_TRACKPOS;
        pos = ::GetScrollInfo(hwnd_, bar, &si) ? si.nTrackPos : thumb;
        break;
    }
    default: return;
    }
    if (bar == SB_VERT) {
        ScrollTo(scroll_.x, pos);
    } else {
        ScrollTo(pos, scroll_.y);
    }
}

void CNativeDetailView::ScrollIntoView(HWND child) {
    if (!child || !::IsChild(hwnd_, child)) return;
    RECT rc{};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rc), 2);
    // The module list is as tall as its rows: what must be seen of it is its
    // focused row, not its top, or the page would jump to the top of the
    // list each time the focus came back to it. Its first row, or none,
    // brings the whole list as before.
    if (child == modules_.GetHwnd()) {
        const int row = static_cast<int>(modules_.SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        RECT item{};
        item.left = LVIR_BOUNDS;
        if (row > 0 && modules_.SendMessage(LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item))) {
            ::MapWindowPoints(child, hwnd_, reinterpret_cast<POINT*>(&item), 2);
            rc.top = item.top;
            rc.bottom = item.bottom;
        }
    }
    const RECT client = GetClientRect();
    int x = scroll_.x, y = scroll_.y;
    // Its bottom comes into view as far as its top stays in view.
    if (rc.bottom > client.bottom) y += std::min(rc.bottom - client.bottom, rc.top);
    if (rc.top < 0) y += rc.top;
    if (rc.right > client.right) x += std::min(rc.right - client.right, rc.left);
    if (rc.left < 0) x += rc.left;
    ScrollTo(x, y);
}

void CNativeDetailView::OnSize(UINT, int, int) {
    Layout();
}

// ---- Painting ------------------------------------------------------------------------

bool CNativeDetailView::OnEraseBkgnd(HDC) {
    return true;  // WM_PAINT paints everything
}

bool CNativeDetailView::OnPaint() {
    PAINTSTRUCT ps{};
    HDC dc = ::BeginPaint(hwnd_, &ps);
    if (dc) PaintPage(dc, ps.rcPaint);
    ::EndPaint(hwnd_, &ps);
    return true;
}

void CNativeDetailView::DrawBanner(HDC dc, const RECT& clip, int offsetX, int offsetY) {
    auto scale = [this](int v) { return MulDiv(v, dpi_, 96); };
    // The wash, line by line from white to the pale blue at the bottom.
    for (int y = std::max(0, static_cast<int>(clip.top) - offsetY);
         y < bannerHeight_ && y + offsetY < clip.bottom; ++y) {
        const RECT line{clip.left, y + offsetY, clip.right, y + offsetY + 1};
        Fill(dc, line, Blend(kWhite, kWashBottom, y, std::max(bannerHeight_ - 1, 1)));
    }
    // The white tile the icon stands on.
    {
        const RECT outer{scale(kIconLeft - 5) + offsetX, scale(kIconTop - 5) + offsetY,
                         scale(kIconLeft + kIconSize + 5) + offsetX, scale(kIconTop + kIconSize + 5) + offsetY};
        PenHandle pen(::CreatePen(PS_SOLID, 1, kTileOutline));
        SelectGuard selPen(dc, pen.get());
        SelectGuard selBrush(dc, whiteBrush_.get());
        ::RoundRect(dc, outer.left, outer.top, outer.right, outer.bottom, scale(12), scale(12));
    }
    // The accent along the banner's bottom edge, then the page's black rule.
    const int bottom = bannerHeight_ + offsetY;
    Fill(dc, RECT{clip.left, bottom - scale(3), clip.right, bottom - scale(2)}, kAccentLight);
    Fill(dc, RECT{clip.left, bottom - scale(2), clip.right, bottom}, kAccent);
    Fill(dc, RECT{clip.left, bottom, clip.right, bottom + scale(kBlackRule)}, RGB(0, 0, 0));
}

void CNativeDetailView::PaintPage(HDC dc, const RECT& clip) {
    Fill(dc, clip, kWhite);
    if (!model_.IsInformation()) return;
    const int ox = -scroll_.x, oy = -scroll_.y;
    DrawBanner(dc, clip, ox, oy);
    for (const RowPlace& place : rowPlaces_) {
        if (!place.shaded) continue;
        RECT rc = place.value;
        ::OffsetRect(&rc, ox, oy);
        Fill(dc, rc, kShade);
    }
    for (int rule : {sectionRule_, modulesRule_}) {
        if (rule < 0) continue;
        const int pad = MulDiv(kCellPadding, dpi_, 96);
        Fill(dc, RECT{tableLeft_ + pad + ox, rule + oy, tableRight_ - pad + ox, rule + 1 + oy}, kRuleBlue);
    }
}

LRESULT CNativeDetailView::OnDrawItem(DRAWITEMSTRUCT* item) {
    if (!item || item->hwndItem != banner_) return FALSE;
    // The banner's text stands on the wash: paint the wash under it first.
    RECT inView{};
    ::GetWindowRect(banner_, &inView);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&inView), 2);
    const int pageTop = inView.top + scroll_.y;
    for (int y = item->rcItem.top; y < item->rcItem.bottom; ++y) {
        const RECT line{item->rcItem.left, y, item->rcItem.right, y + 1};
        Fill(item->hDC, line, Blend(kWhite, kWashBottom, pageTop + y, std::max(bannerHeight_ - 1, 1)));
    }
    SelectGuard sel(item->hDC, bannerFont_.get());
    ::SetBkMode(item->hDC, TRANSPARENT);
    ::SetTextColor(item->hDC, RGB(0, 0, 0));
    RECT text = item->rcItem;
    ::DrawTextA(item->hDC, model_.banner.c_str(), static_cast<int>(model_.banner.size()), &text,
                DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
    return TRUE;
}

HBRUSH CNativeDetailView::OnColor(HDC dc, HWND control) {
    bool shaded = false;
    for (size_t i = 0; i < rows_.size() && i < model_.rows.size(); ++i)
        if (control == rows_[i].value || control == rows_[i].link) shaded = model_.rows[i].shaded;
    ::SetTextColor(dc, control == section_ || control == modulesTitle_ ? kSectionColour : RGB(0, 0, 0));
    ::SetBkColor(dc, shaded ? kShade : kWhite);
    // The DC's own brush, a stock object: the link control of this Wine
    // deletes the brush its parent answers with, which took a brush of ours
    // with it after the first page (every later page lost its shading). A
    // stock object outlives any DeleteObject.
    ::SetDCBrushColor(dc, shaded ? kShade : kWhite);
    return static_cast<HBRUSH>(::GetStockObject(DC_BRUSH));
}

// ---- Input -----------------------------------------------------------------------------

std::vector<HWND> CNativeDetailView::TabStops() const {
    std::vector<HWND> stops;
    if (!model_.IsInformation()) return stops;
    for (size_t i = 0; i < rows_.size() && i < model_.rows.size(); ++i)
        if (ShowsAsLink(model_.rows[i])) stops.push_back(rows_[i].link);
    if (model_.hasModules && modules_.GetHwnd()) stops.push_back(modules_.GetHwnd());
    return stops;
}

void CNativeDetailView::MoveFocus(HWND from, bool backward) {
    const std::vector<HWND> stops = TabStops();
    if (stops.empty()) return;
    int next = -1;
    const auto at = std::find(stops.begin(), stops.end(), from);
    if (at != stops.end()) {
        next = static_cast<int>(at - stops.begin()) + (backward ? -1 : 1);
    } else if (from && from != hwnd_) {
        // From a value: the next stop below it, or the one above it.
        RECT here{};
        ::GetWindowRect(from, &here);
        next = backward ? -1 : static_cast<int>(stops.size());
        for (size_t i = 0; i < stops.size(); ++i) {
            RECT rc{};
            ::GetWindowRect(stops[i], &rc);
            if (!backward && rc.top > here.top) {
                next = static_cast<int>(i);
                break;
            }
            if (backward && rc.top < here.top) next = static_cast<int>(i);
        }
    } else {
        next = backward ? static_cast<int>(stops.size()) - 1 : 0;
    }
    if (next < 0 || next >= static_cast<int>(stops.size())) {
        // Past the last stop: on to the window's next control, if it has one
        // outside this view; else round again.
        HWND root = ::GetAncestor(hwnd_, GA_ROOT);
        HWND other = root ? ::GetNextDlgTabItem(root, hwnd_, backward) : nullptr;
        if (other && other != hwnd_ && !::IsChild(hwnd_, other)) {
            ::SetFocus(other);
            return;
        }
        next = backward ? static_cast<int>(stops.size()) - 1 : 0;
    }
    ::SetFocus(stops[next]);
}

bool CNativeDetailView::OpenRowLink(size_t row) {
    if (row >= model_.rows.size()) return false;
    // Only what the link rule accepts leaves the program, whatever the row
    // holds.
    const std::string url = WebSiteLink(model_.rows[row].link);
    if (url.empty()) return false;
    if (opener_) {
        opener_(url);
        return true;
    }
    const HINSTANCE result = ::ShellExecuteA(hwnd_, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

std::string CNativeDetailView::SelectedText() const {
    HWND focus = ::GetFocus();
    if (!focus || !::IsChild(hwnd_, focus)) return std::string();
    if (focus == modules_.GetHwnd()) {
        std::string text;
        for (int row = -1; (row = static_cast<int>(::SendMessageA(focus, LVM_GETNEXTITEM, row, LVNI_SELECTED))) >= 0;) {
            ModuleEntry e;
            e.name = modules_.GetCellText(row, 0);
            e.version = modules_.GetCellText(row, 1);
            e.date = modules_.GetCellText(row, 2);
            e.size = modules_.GetCellText(row, 3);
            text += ModuleRowText(e) + "\r\n";
        }
        return text;
    }
    if (!IsEdit(focus)) return std::string();
    DWORD start = 0, end = 0;
    ::SendMessageA(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (end <= start) return std::string();
    const std::string text = WindowTextOf(focus);
    if (start >= text.size()) return std::string();
    return text.substr(start, end - start);
}

bool CNativeDetailView::Copy() {
    std::string text = SelectedText();
    if (text.empty()) text = DetailPlainText(model_);
    return SetClipboardText(hwnd_, text);
}

bool CNativeDetailView::OnChildMessage(HWND control, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    result = 0;
    switch (msg) {
    case WM_KEYDOWN:
        if (wp == VK_TAB) {
            MoveFocus(control, KeyDown(VK_SHIFT));
            return true;
        }
        if (IsPageKey(wp) && control != hwnd_ && IsClass(control, "SysLink")) {
            SendMessage(WM_KEYDOWN, wp, lp);
            return true;
        }
        if (wp == 'C' && KeyDown(VK_CONTROL)) {
            Copy();
            return true;
        }
        if (wp == 'A' && KeyDown(VK_CONTROL) && IsEdit(control)) {
            ::SendMessageA(control, EM_SETSEL, 0, -1);
            return true;
        }
        return false;
    case WM_CHAR:
        // Tab and the control characters of Ctrl+C and Ctrl+A were handled
        // as keys; the edit would beep at them or copy again.
        return wp == '\t' || wp == 0x03 || wp == 0x01;
    case WM_SETFOCUS: {
        // Moved here from another control of the window (Tab, a click): shown.
        // Given back as the window is activated again (by way of the window
        // itself, after another window or the refresh's progress window) the
        // page stays where the user scrolled it.
        HWND from = reinterpret_cast<HWND>(wp);
        HWND root = ::GetAncestor(control, GA_ROOT);
        if (from && from != root && ::GetAncestor(from, GA_ROOT) == root) ScrollIntoView(control);
        return false;
    }
    case WM_MOUSEWHEEL:
        result = SendMessage(msg, wp, lp);
        return true;
    default:
        return false;
    }
}

bool CNativeDetailView::OnNotify(int id, NMHDR* hdr, LRESULT& result) {
    if (!hdr) return false;
    if ((hdr->code == NM_CLICK || hdr->code == NM_RETURN) && id >= static_cast<int>(kFirstRowId) &&
        (id - kFirstRowId) % 3 == 2) {
        OpenRowLink(static_cast<size_t>((id - kFirstRowId) / 3));
        result = 0;
        return true;
    }
    if (hdr->hwndFrom == modules_.GetHwnd() && hdr->code == LVN_ITEMCHANGED) {
        // The list is as tall as its rows: keep the focused row in view by
        // scrolling the page.
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(hdr);
        if ((change->uNewState & LVIS_FOCUSED) && !(change->uOldState & LVIS_FOCUSED) && !refilling_ &&
            ::GetFocus() == modules_.GetHwnd())
            ScrollIntoView(modules_.GetHwnd());
        return false;
    }
    return false;
}

LRESULT CNativeDetailView::WindowProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_VSCROLL:
    case WM_HSCROLL:
        Scroll(msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(wp), HIWORD(wp));
        return 0;
    case WM_MOUSEWHEEL: {
        UINT lines = 3;
        ::SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        const int delta = GET_WHEEL_DELTA_WPARAM(wp);
        ScrollTo(scroll_.x, scroll_.y - delta * static_cast<int>(lines) * MulDiv(kLineStep, dpi_, 96) / WHEEL_DELTA);
        return 0;
    }
    case WM_KEYDOWN: {
        LRESULT result = 0;
        if (OnChildMessage(hwnd_, msg, wp, lp, result)) return result;
        const int bar = SB_VERT;
        switch (wp) {
        case VK_UP: Scroll(bar, SB_LINEUP, 0); return 0;
        case VK_DOWN: Scroll(bar, SB_LINEDOWN, 0); return 0;
        case VK_PRIOR: Scroll(bar, SB_PAGEUP, 0); return 0;
        case VK_NEXT: Scroll(bar, SB_PAGEDOWN, 0); return 0;
        case VK_HOME: Scroll(bar, SB_TOP, 0); return 0;
        case VK_END: Scroll(bar, SB_BOTTOM, 0); return 0;
        default: break;
        }
        break;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
        ::SetFocus(hwnd_);
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        return reinterpret_cast<LRESULT>(OnColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
    case WM_DRAWITEM:
        if (OnDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lp))) return TRUE;
        break;
    default:
        break;
    }
    return CWnd::WindowProc(msg, wp, lp);
}

// The detail page shown with standard controls, for machines whose browser
// control has no HTML engine. It shows a DetailModel (reports/DetailPage.h)
// laid out like the HTML page: the banner with the program's icon and
// "<title> by <company>", the section title, the label rows (values in
// read-only edits, so they can be selected and copied; the shaded rows on the
// page's light blue), the web site and the search as link controls, and on
// the Applications and Tasks pages the module table as a sortable list. A
// screen reader or another program reads every text from the child windows.
//
// Long values wrap; the view scrolls when the page is taller (or, below a
// minimum, wider) than the view. Tab moves through the links and the module
// list; Ctrl+C copies the selected text, or the whole page as text when
// nothing is selected.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "framework/Window.h"
#include "reports/DetailPage.h"
#include "ui/ListCtrlEx.h"

// The module list: every column sorts as text but Size, which sorts by the
// byte count its text gives.
class CNativeDetailView;
class CModuleListCtrl : public CListCtrlEx {
public:
    bool SortList(int column, bool ascending) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    friend class CNativeDetailView;
    CNativeDetailView* view_ = nullptr;  // the page's keys go to it
};

class CNativeDetailView : public CWnd {
public:
    // Opens a link's address (the shell by default). Only addresses the
    // link rule accepts (WebSiteLink) reach it.
    using LinkOpener = std::function<void(const std::string& url)>;

    static constexpr const char* kClassName = "QuillmarkDetailView";
    static constexpr const char* kWindowName = "detail_view";
    // The child controls' ids. A row's label, value and link are
    // kFirstRowId + 3 * row + 0, 1 and 2.
    enum ControlId : UINT {
        kIconId = 100,
        kBannerId,
        kSectionId,
        kSentenceId,
        kModulesTitleId,
        kModuleListId,
        kFirstRowId = 200,
    };
    // Below this width the page scrolls sideways instead of squeezing.
    static constexpr int kMinContentWidth = 420;

    CNativeDetailView();
    ~CNativeDetailView() override;

    bool Create(HWND parent, const RECT& rect, UINT id);
    void SetLinkOpener(LinkOpener opener) { opener_ = std::move(opener); }

    // Shows the page of model with icon (copied; null shows none).
    void Show(const DetailModel& model, HICON icon);
    const DetailModel& Model() const { return model_; }

    // The text selected in the focused value, or the focused module list's
    // selected rows (tab-separated cells, CR LF after each); empty when
    // nothing is selected.
    std::string SelectedText() const;
    // Puts SelectedText on the clipboard, or the whole page as text when
    // nothing is selected.
    bool Copy();
    // Moves the focus to the next (or previous) link or the module list;
    // past the last one it leaves the view for the next control of the
    // window, or starts again when the window has none.
    void MoveFocus(HWND from, bool backward);
    // Opens the link of row `row` through the opener, if the row links an
    // address the link rule accepts. True when it was opened.
    bool OpenRowLink(size_t row);

    // The height and width the page takes, and the view's scroll position.
    SIZE ContentSize() const { return content_; }
    POINT ScrollPosition() const { return scroll_; }
    // Scrolls so that a child window is wholly in view (as far as it fits).
    void ScrollIntoView(HWND child);
    CModuleListCtrl& ModuleList() { return modules_; }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void OnSize(UINT type, int cx, int cy) override;
    bool OnPaint() override;
    bool OnEraseBkgnd(HDC dc) override;
    bool OnNotify(int id, NMHDR* hdr, LRESULT& result) override;

private:
    friend class CModuleListCtrl;
    class Child;
    struct RowControls {
        HWND label = nullptr;
        HWND value = nullptr;
        HWND link = nullptr;
    };
    // Where a laid-out row stands, in page coordinates.
    struct RowPlace {
        RECT value{};
        bool shaded = false;
    };

    void CreateFonts();
    HWND MakeControl(const char* cls, DWORD style, UINT id, HFONT font, bool keys);
    void EnsureRows(size_t count);
    void FillModules();
    void Layout();
    int PlaceControls(int width);
    void UpdateScrollBars();
    void Scroll(int bar, int code, int thumb);
    void ScrollTo(int x, int y);
    void PaintPage(HDC dc, const RECT& clip);
    void DrawBanner(HDC dc, const RECT& clip, int offsetX, int offsetY);
    LRESULT OnDrawItem(DRAWITEMSTRUCT* item);
    HBRUSH OnColor(HDC dc, HWND control);
    int TextHeight(HFONT font, const std::string& text, int width, UINT format) const;
    int EditHeight(HWND edit, int width) const;
    std::vector<HWND> TabStops() const;
    // The keys a child control leaves to the page; true when handled.
    bool OnChildMessage(HWND control, UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

    DetailModel model_;
    IconHandle icon_;
    LinkOpener opener_;
    FontHandle bannerFont_, sectionFont_, labelFont_, valueFont_, sentenceFont_;
    BrushHandle whiteBrush_;  // the icon's tile; never handed to a control
    HWND iconControl_ = nullptr, banner_ = nullptr, section_ = nullptr, sentence_ = nullptr;
    HWND modulesTitle_ = nullptr;
    std::vector<RowControls> rows_;
    CModuleListCtrl modules_;
    std::vector<std::unique_ptr<Child>> children_;
    std::vector<RowPlace> rowPlaces_;
    int bannerHeight_ = 0;
    int contentTop_ = 0;
    int sectionRule_ = -1, modulesRule_ = -1;  // page y of the thin blue rules; -1: none
    int tableLeft_ = 0, tableRight_ = 0;
    int listWidth_ = -1;  // the module list's width its columns were spread over
    SIZE content_{0, 0};
    POINT scroll_{0, 0};
    bool laying_ = false;
    bool refilling_ = false;  // the module list's rows are being put back
    int dpi_ = 96;
};

// The gallery window: every display component with sample data, laid out so
// that one screenshot shows them all.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Window.h"
#include "ui/FunctionLists.h"
#include "ui/FunctionTabCtrl.h"
#include "ui/GraphWnd.h"
#include "ui/LoadProgressDlg.h"
#include "ui/MeterBarWnd.h"
#include "ui/PaneSplitter.h"
#include "ui/TabToolBar.h"

// Paints the program's images: the default row icons, the splitter cursors
// and the frames of the load animation.
class CImagePanel : public CWnd {
public:
    bool Create(HWND parent, const RECT& rect, UINT id);

protected:
    bool OnPaint() override;
};

// Paints the main window's images: the main toolbar's normal, hot and
// disabled strips and the menu-bar images.
class CToolbarImagePanel : public CWnd {
public:
    bool Create(HWND parent, const RECT& rect, UINT id);

protected:
    bool OnPaint() override;
};

class CGalleryWnd : public CWnd {
public:
    CGalleryWnd();
    ~CGalleryWnd() override;
    bool Create(int exitAfterMs);

protected:
    int OnCreate(CREATESTRUCTA* cs) override;
    void OnDestroy() override;
    void OnTimer(UINT_PTR id) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void CreatePerformance();
    void CreateLists();
    void FillLists();
    void LayoutTabArea();
    HWND GroupBox(const char* text, const RECT& rc);

    int exitAfterMs_ = 0;
    HFONT font_ = nullptr;
    CPaneSplitter mainSplitter_;
    CPaneSplitter listSplitter_;
    CFunctionTabCtrl tabs_;
    CTabToolBar appToolBar_;
    // The other three tab toolbars, which the tab control shows one at a time.
    CTabToolBar otherToolBars_[3];
    CApplicationListCtrl appList_;
    CTaskListCtrl taskList_;
    CServiceListCtrl serviceList_;
    CDriverListCtrl driverList_;
    CImagePanel images_;
    CToolbarImagePanel toolbarImages_;
    CCPUMeterWnd cpuMeter_;
    CPageFileMeterWnd memoryMeter_;
    CGraphWnd cpuGraph_;
    CPerfGraphWnd memoryGraph_;
    CGraphWnd networkGraph_;
    CLoadProgressDlg progress_;
    // The meters' live readings, as the main window takes them.
    CpuUsageSampler cpuSampler_;
};

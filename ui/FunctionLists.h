// The lists of the Applications, Tasks, Services and Drivers tabs. Each gives
// every column a comparison kind; the column set, base images and context
// menu that belong to each list are described by its FunctionListLayout, which
// the host (or any other user) applies with CreateFunctionList.
#pragma once

#include <windows.h>

#include "ui/ListCtrlEx.h"

struct ListColumn {
    const char* title;
    int format;  // LVCFMT_LEFT or LVCFMT_RIGHT
    int width;   // pixels
    int kind;    // ListSortKind
};

struct FunctionListLayout {
    UINT controlId;
    UINT baseBitmapId;   // 0 = no base images
    UINT contextMenuId;
    const ListColumn* columns;
    int columnCount;
};

extern const FunctionListLayout kApplicationListLayout;
extern const FunctionListLayout kTaskListLayout;
extern const FunctionListLayout kServiceListLayout;
extern const FunctionListLayout kDriverListLayout;

// Creates `list` as a child of `parent` in report view with single selection
// and the selection always shown, then applies the layout: base images,
// columns, extended styles (grid lines, sub-item images, column drag and
// drop, full-row selection), the context menu, and an empty image list.
bool CreateFunctionList(CListCtrlEx& list, const FunctionListLayout& layout, HWND parent,
                        const RECT& rect, DWORD extraStyle = WS_VISIBLE);

class CApplicationListCtrl : public CListCtrlEx {
public:
    bool SortList(int column, bool ascending) override;
};

class CTaskListCtrl : public CListCtrlEx {
public:
    bool SortList(int column, bool ascending) override;
};

class CServiceListCtrl : public CListCtrlEx {
public:
    bool SortList(int column, bool ascending) override;
};

class CDriverListCtrl : public CListCtrlEx {
public:
    bool SortList(int column, bool ascending) override;
};

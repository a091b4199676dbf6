#include "ui/FunctionLists.h"

#include "resource.h"

namespace {

const ListColumn kApplicationColumns[] = {
    {"Filename", LVCFMT_LEFT, 120, kSortText},
    {"Protection", LVCFMT_LEFT, 120, kSortText},
    {"Process ID", LVCFMT_RIGHT, 80, kSortInteger},
    {"CPU Usage", LVCFMT_RIGHT, 80, kSortDecimal},
    {"Memory Usage", LVCFMT_RIGHT, 120, kSortInteger},
    {"Handle", LVCFMT_LEFT, 120, kSortText},
    {"Title", LVCFMT_LEFT, 120, kSortText},
    {"Company", LVCFMT_LEFT, 120, kSortText},
    {"Description", LVCFMT_LEFT, 120, kSortText},
};

const ListColumn kTaskColumns[] = {
    {"Filename", LVCFMT_LEFT, 120, kSortText},
    {"Protection", LVCFMT_LEFT, 120, kSortText},
    {"User Account", LVCFMT_LEFT, 100, kSortText},
    {"Process ID", LVCFMT_RIGHT, 80, kSortInteger},
    {"CPU Usage", LVCFMT_RIGHT, 80, kSortDecimal},
    {"Memory Usage", LVCFMT_RIGHT, 80, kSortInteger},
    {"Threads", LVCFMT_RIGHT, 120, kSortInteger},
    {"Company", LVCFMT_LEFT, 120, kSortText},
    {"Description", LVCFMT_LEFT, 120, kSortText},
};

// The services' CPU column sorts as text and their memory column as a
// decimal: the order users of this list have always seen.
const ListColumn kServiceColumns[] = {
    {"Service", LVCFMT_LEFT, 120, kSortText},
    {"CPU Usage", LVCFMT_RIGHT, 80, kSortText},
    {"Memory Usage", LVCFMT_RIGHT, 80, kSortDecimal},
    {"State", LVCFMT_LEFT, 80, kSortText},
    {"Startup", LVCFMT_LEFT, 120, kSortText},
    {"Name", LVCFMT_LEFT, 120, kSortText},
    {"Company", LVCFMT_LEFT, 120, kSortText},
    {"Description", LVCFMT_LEFT, 120, kSortText},
};

const ListColumn kDriverColumns[] = {
    {"Driver", LVCFMT_LEFT, 120, kSortText},
    {"State", LVCFMT_LEFT, 80, kSortText},
    {"Startup", LVCFMT_LEFT, 120, kSortText},
    {"Name", LVCFMT_LEFT, 120, kSortText},
    {"Company", LVCFMT_LEFT, 120, kSortText},
    {"Description", LVCFMT_LEFT, 120, kSortText},
};

template <size_t N>
constexpr int CountOf(const ListColumn (&)[N]) {
    return static_cast<int>(N);
}

int KindOf(const FunctionListLayout& layout, int column) {
    if (column < 0 || column >= layout.columnCount) return kSortNone;
    return layout.columns[column].kind;
}

}  // namespace

const FunctionListLayout kApplicationListLayout{IDC_APPLICATION_LIST, IDB_PROTECTION_IMAGES,
                                                IDR_APPLICATIONS_MENU, kApplicationColumns,
                                                CountOf(kApplicationColumns)};
const FunctionListLayout kTaskListLayout{IDC_TASK_LIST, IDB_PROTECTION_IMAGES, IDR_TASKS_MENU,
                                         kTaskColumns, CountOf(kTaskColumns)};
const FunctionListLayout kServiceListLayout{IDC_SERVICE_LIST, 0, IDR_SERVICES_MENU, kServiceColumns,
                                            CountOf(kServiceColumns)};
const FunctionListLayout kDriverListLayout{IDC_DRIVER_LIST, 0, IDR_DRIVERS_MENU, kDriverColumns,
                                           CountOf(kDriverColumns)};

bool CreateFunctionList(CListCtrlEx& list, const FunctionListLayout& layout, HWND parent,
                        const RECT& rect, DWORD extraStyle) {
    const DWORD style = WS_CHILD | WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL |
                        LVS_SHOWSELALWAYS | extraStyle;
    if (!list.Create(parent, rect, layout.controlId, style)) return false;
    ::SendMessageA(list.GetHwnd(), WM_SETFONT,
                   reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    list.InitList(layout.baseBitmapId);
    list.SetExtendedStyle((list.ViewOptions().showGridLines ? LVS_EX_GRIDLINES : 0) | LVS_EX_SUBITEMIMAGES |
                          LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT);
    for (int i = 0; i < layout.columnCount; ++i) {
        const ListColumn& c = layout.columns[i];
        list.InsertColumn(i, c.title, c.format, c.width);
    }
    list.SetContextMenu(layout.contextMenuId, 0);
    list.ResetImageList();
    return true;
}

bool CApplicationListCtrl::SortList(int column, bool ascending) {
    return SortByKindTable(column, ascending, kApplicationListLayout.columnCount,
                           KindOf(kApplicationListLayout, column));
}

bool CTaskListCtrl::SortList(int column, bool ascending) {
    return SortByKindTable(column, ascending, kTaskListLayout.columnCount, KindOf(kTaskListLayout, column));
}

bool CServiceListCtrl::SortList(int column, bool ascending) {
    return SortByKindTable(column, ascending, kServiceListLayout.columnCount,
                           KindOf(kServiceListLayout, column));
}

bool CDriverListCtrl::SortList(int column, bool ascending) {
    return SortByKindTable(column, ascending, kDriverListLayout.columnCount,
                           KindOf(kDriverListLayout, column));
}

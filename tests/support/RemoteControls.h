// Reading and driving the common controls of another process's window, as a
// user's tools would: list views, headers, tabs and status bars answer with
// text written into a buffer inside the target process.
#pragma once

#include <windows.h>

#include <string>

namespace testutil {

// The first descendant of parent with the control id, or null.
HWND FindDescendant(HWND parent, int id);

int ListRowCount(HWND list);
std::string ListCell(HWND list, int row, int column);
std::string ListColumnTitle(HWND list, int column);
int ListColumnCount(HWND list);
// The row whose first column reads text, or -1.
int FindListRow(HWND list, int column, const std::string& text);
// Selects and focuses one row (the others lose the selection).
bool SelectListRow(HWND list, int row);
int SelectedListRow(HWND list);

int TabCount(HWND tab);
std::string TabLabel(HWND tab, int index);
std::string StatusPaneText(HWND status, int pane);

}  // namespace testutil

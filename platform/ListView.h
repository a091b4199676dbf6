// Reading a list-view control's cells through its messages, for the lists
// themselves and for the writers and printers that read any list view.
#pragma once

#include <windows.h>

#include <string>

// The text of one cell (column 0 is the item's own text); "" when there is
// none. Texts of any length up to 64 K characters come back whole.
std::string ListViewItemText(HWND list, int row, int column);

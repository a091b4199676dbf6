#include "platform/ListView.h"

#include <commctrl.h>

std::string ListViewItemText(HWND list, int row, int column) {
    // The answer is the number of characters copied: a full buffer may mean
    // a longer text, so grow it and ask again.
    for (int size = 256; size <= 65536; size *= 4) {
        std::string buf(static_cast<size_t>(size), '\0');
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = &buf[0];
        item.cchTextMax = size;
        int n = static_cast<int>(::SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item)));
        if (n < size - 1 || size == 65536) {
            buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
            return buf;
        }
    }
    return std::string();
}

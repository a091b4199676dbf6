#include "RemoteControls.h"

#include <commctrl.h>

#include <vector>

#include "base/Handles.h"

namespace testutil {

namespace {

// A block of memory inside the process that owns a window.
class RemoteBlock {
public:
    RemoteBlock(HWND window, size_t size) : size_(size) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        process_.reset(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
        if (process_) address_ = ::VirtualAllocEx(process_.get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBlock() {
        if (address_) ::VirtualFreeEx(process_.get(), address_, 0, MEM_RELEASE);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool ok() const { return address_ != nullptr; }
    char* at(size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(size_t offset, const void* data, size_t n) const {
        SIZE_T done = 0;
        return ok() && ::WriteProcessMemory(process_.get(), at(offset), data, n, &done) && done == n;
    }
    bool Read(size_t offset, void* data, size_t n) const {
        SIZE_T done = 0;
        return ok() && ::ReadProcessMemory(process_.get(), at(offset), data, n, &done) && done == n;
    }
    std::string ReadText(size_t offset, size_t max) const {
        std::vector<char> text(max + 1, '\0');
        if (!Read(offset, text.data(), max)) return std::string();
        text[max] = '\0';
        return text.data();
    }

private:
    UniqueHandle process_;
    void* address_ = nullptr;
    size_t size_;
};

constexpr size_t kTextOffset = 512;
constexpr size_t kTextMax = 1024;

struct FindState {
    int id;
    HWND found;
};

BOOL CALLBACK FindChild(HWND child, LPARAM lp) {
    auto* state = reinterpret_cast<FindState*>(lp);
    if (::GetDlgCtrlID(child) == state->id) {
        state->found = child;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindDescendant(HWND parent, int id) {
    FindState state{id, nullptr};
    ::EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

int ListRowCount(HWND list) { return static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

std::string ListCell(HWND list, int row, int column) {
    RemoteBlock block(list, kTextOffset + kTextMax);
    if (!block.ok()) return std::string();
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = block.at(kTextOffset);
    item.cchTextMax = static_cast<int>(kTextMax);
    block.Write(0, &item, sizeof item);
    const char zero = 0;
    block.Write(kTextOffset, &zero, 1);
    ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(block.at(0)));
    return block.ReadText(kTextOffset, kTextMax);
}

std::string ListColumnTitle(HWND list, int column) {
    RemoteBlock block(list, kTextOffset + kTextMax);
    if (!block.ok()) return std::string();
    LVCOLUMNA col{};
    col.mask = LVCF_TEXT;
    col.pszText = block.at(kTextOffset);
    col.cchTextMax = static_cast<int>(kTextMax);
    block.Write(0, &col, sizeof col);
    if (!::SendMessageA(list, LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(block.at(0))))
        return std::string();
    return block.ReadText(kTextOffset, kTextMax);
}

int ListColumnCount(HWND list) {
    HWND header = reinterpret_cast<HWND>(::SendMessageA(list, LVM_GETHEADER, 0, 0));
    return header ? static_cast<int>(::SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

int FindListRow(HWND list, int column, const std::string& text) {
    const int n = ListRowCount(list);
    for (int row = 0; row < n; ++row)
        if (ListCell(list, row, column) == text) return row;
    return -1;
}

bool SelectListRow(HWND list, int row) {
    RemoteBlock block(list, sizeof(LVITEMA));
    if (!block.ok()) return false;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    block.Write(0, &item, sizeof item);
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(block.at(0)));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    block.Write(0, &item, sizeof item);
    return ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(block.at(0))) != 0;
}

int SelectedListRow(HWND list) {
    return static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int TabCount(HWND tab) { return static_cast<int>(::SendMessageA(tab, TCM_GETITEMCOUNT, 0, 0)); }

std::string TabLabel(HWND tab, int index) {
    RemoteBlock block(tab, kTextOffset + kTextMax);
    if (!block.ok()) return std::string();
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = block.at(kTextOffset);
    item.cchTextMax = static_cast<int>(kTextMax);
    block.Write(0, &item, sizeof item);
    if (!::SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(block.at(0))))
        return std::string();
    return block.ReadText(kTextOffset, kTextMax);
}

std::string StatusPaneText(HWND status, int pane) {
    RemoteBlock block(status, kTextMax);
    if (!block.ok()) return std::string();
    const char zero = 0;
    block.Write(0, &zero, 1);
    ::SendMessageA(status, SB_GETTEXTA, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(block.at(0)));
    return block.ReadText(0, kTextMax - 1);
}

}  // namespace testutil

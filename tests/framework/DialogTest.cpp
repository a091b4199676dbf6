#include <gtest/gtest.h>

#include "framework/Dialog.h"
#include "framework/MessageLoop.h"
#include "resource.h"
#include "TestUtil.h"

namespace {

// The main window template names its own class; register the copy of the
// dialog class the program registers at start.
void RegisterMainDialogClass() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(::GetClassInfoExA(nullptr, "#32770", &wc));
    wc.cbSize = sizeof(wc);
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "QuillmarkWndClass";
    ::RegisterClassExA(&wc);
}

class TestDialog : public CDialog, public MessageFilter {
public:
    TestDialog() : CDialog(IDD_QUILLMARK_DIALOG) {}
    bool initialised = false;
    int okCount = 0;
    std::vector<UINT> commands;
    HACCEL accel = nullptr;
    INT_PTR endWith = -1;

    bool PreTranslateMessage(MSG& msg) override {
        return accel && ::TranslateAcceleratorA(hwnd_, accel, &msg) != 0;
    }

protected:
    BOOL OnInitDialog() override {
        initialised = true;
        if (endWith >= 0) SetTimer(1, 10);
        return TRUE;
    }
    void OnTimer(UINT_PTR id) override {
        KillTimer(id);
        EndDialog(endWith);
    }
    void OnOK() override { ++okCount; }
    bool OnCommand(UINT id, UINT, HWND) override {
        commands.push_back(id);
        return id != IDOK;
    }
};

TEST(Dialog, ModelessDialogRunsItsInitialisationAndIsDestroyedWithItsObject) {
    RegisterMainDialogClass();
    HWND h = nullptr;
    {
        TestDialog dlg;
        h = dlg.CreateModeless(nullptr);
        ASSERT_NE(nullptr, h);
        EXPECT_TRUE(dlg.initialised);
        EXPECT_NE(nullptr, dlg.GetDlgItem(IDC_FUNCTION_TAB));
        char cls[64] = {};
        ::GetClassNameA(h, cls, sizeof(cls));
        EXPECT_STREQ("QuillmarkWndClass", cls);
    }
    EXPECT_FALSE(::IsWindow(h));
}

TEST(Dialog, AcceleratorsRunBeforeTheDialogsOwnKeyboardHandling) {
    RegisterMainDialogClass();
    TestDialog dlg;
    ASSERT_NE(nullptr, dlg.CreateModeless(nullptr));
    dlg.ShowWindow(SW_SHOW);
    HWND tab = dlg.GetDlgItem(IDC_FUNCTION_TAB);
    ::EnableWindow(tab, TRUE);
    ::SetFocus(tab);

    // Without the hook, Enter is the dialog's default button (IDOK).
    MSG enter{};
    enter.hwnd = tab;
    enter.message = WM_KEYDOWN;
    enter.wParam = VK_RETURN;
    enter.lParam = 0x001C0001;
    MessageLoop::PreTranslate(enter);
    EXPECT_EQ(1, dlg.okCount);

    // With it, Enter is the "Protect program" accelerator and IDOK never comes.
    dlg.accel = ::LoadAcceleratorsA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(nullptr, dlg.accel);
    MessageLoop::AddFilter(&dlg);
    dlg.commands.clear();
    MessageLoop::PreTranslate(enter);
    MessageLoop::RemoveFilter(&dlg);
    testutil::PumpFor(20);
    EXPECT_EQ(1, dlg.okCount);
    ASSERT_FALSE(dlg.commands.empty());
    EXPECT_EQ(static_cast<UINT>(ID_PROGRAM_PROTECT), dlg.commands.front());
}

TEST(Dialog, ModalDialogReturnsWhatItEndsWith) {
    RegisterMainDialogClass();
    TestDialog dlg;
    dlg.endWith = 77;
    EXPECT_EQ(77, dlg.DoModal(nullptr));
    EXPECT_TRUE(dlg.initialised);
    EXPECT_EQ(nullptr, dlg.GetHwnd());
}

}  // namespace

// Libraries loaded at the first call into them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include "platform/OnDemand.h"

namespace {

TEST(OnDemand, FindsAFunctionLoadingItsSystemLibraryAndAnswersNullForWhatIsMissing) {
    auto extendedError = ondemand::Function<decltype(&::CommDlgExtendedError)>("comdlg32.dll", "CommDlgExtendedError");
    ASSERT_NE(nullptr, extendedError);
    EXPECT_EQ(0u, extendedError());  // no dialog has failed
    EXPECT_NE(nullptr, ::GetModuleHandleA("comdlg32.dll"));
    // Found again from the loaded library.
    // Compared as addresses: a cast between the two function types warns on
    // x86_64, where FARPROC returns a 64-bit value.
    EXPECT_EQ(reinterpret_cast<void*>(extendedError),
              reinterpret_cast<void*>(ondemand::Find("comdlg32.dll", "CommDlgExtendedError")));

    EXPECT_EQ(nullptr, ondemand::Find("comdlg32.dll", "NoSuchFunction"));
    EXPECT_EQ(nullptr, ondemand::Find("qm-no-such-library.dll", "CommDlgExtendedError"));
}

}  // namespace

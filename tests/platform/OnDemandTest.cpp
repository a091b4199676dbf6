// Libraries loaded at the first call into them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "TestUtil.h"
#include "platform/OnDemand.h"
#include "platform/Processes.h"

namespace {

std::string ModulePath(HMODULE module) {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

std::string SystemFolder() {
    char folder[MAX_PATH] = {};
    ::GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

// The optional system libraries come from the system folder even when a
// library of the same name lies beside the program (anyone may write to a
// portable copy's folder); loaded by name, the one beside it would win.
TEST(SystemLibraries, APlantedLibraryBesideTheProgramIsNeverLoaded) {
    const std::string planted = testutil::ExeFolder() + "utildll.dll";
    ASSERT_TRUE(::CopyFileA(testutil::HostPath(QM_PLANTED_LIBRARY).c_str(), planted.c_str(), FALSE));
    FreeSystemEntryPoints();
    LoadSystemEntryPoints();
    HMODULE loaded = ::GetModuleHandleA("utildll.dll");
    const std::string path = loaded ? ModulePath(loaded) : std::string();
    FreeSystemEntryPoints();
    ::DeleteFileA(planted.c_str());
    ASSERT_NE(nullptr, loaded) << "the system's utildll.dll";
    EXPECT_EQ(0, ::lstrcmpiA(path.substr(0, path.find_last_of('\\')).c_str(), SystemFolder().c_str())) << path;

    HMODULE comdlg = ondemand::LoadSystemLibrary("comdlg32.dll");
    ASSERT_NE(nullptr, comdlg);
    EXPECT_EQ(0, ::lstrcmpiA(ModulePath(comdlg).c_str(), (SystemFolder() + "\\comdlg32.dll").c_str()));
    EXPECT_EQ(nullptr, ondemand::LoadSystemLibrary("qm-no-such-library.dll"));
}

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

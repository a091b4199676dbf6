// winsock2 must come before windows.h.
#include <winsock2.h>

#include "app/QuillmarkApp.h"

#include <commctrl.h>
#include <ole2.h>

#include "core/AppPaths.h"
#include "app/QuillmarkDlg.h"
#include "core/SettingsKeys.h"
#include "framework/MessageLoop.h"
#include "base/Resources.h"
#include "platform/Processes.h"
#include "reports/HtmlSupportFiles.h"
#include "resource.h"

namespace {
// How long a second start waits for the running window to show itself.
constexpr UINT kActivationBoundMs = 5000;
}  // namespace

HWND ResolvePreviousInstance(HWND found, unsigned long storedPrevWnd) {
    if (found) return found;
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(storedPrevWnd));
}

CQuillmarkApp::CQuillmarkApp() = default;
CQuillmarkApp::~CQuillmarkApp() = default;

bool CQuillmarkApp::ActivatePreviousInstance() {
    HWND found = ::FindWindowA(kMainWindowClass, "Quillmark");
    HWND target = ResolvePreviousInstance(found, settings::kPrevWnd.Read(settings_));
    // Sent, not posted: this start ends only once the running window has
    // shown itself, so nothing the user (or a script) does right after the
    // second start can be undone by an activation that lands late. The wide
    // call, since the ANSI one ignores its time-out for a window of a hung
    // process under Wine.
    DWORD_PTR result = 0;
    if (target && ::IsWindow(target))
        ::SendMessageTimeoutW(target, WM_SHOW_INSTANCE, 0, 0, SMTO_ABORTIFHUNG, kActivationBoundMs, &result);
    return false;
}

bool CQuillmarkApp::RegisterMainWindowClass() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExA(nullptr, "#32770", &wc)) return false;
    wc.cbSize = sizeof(wc);
    wc.hInstance = ResourceInstance();
    wc.lpszClassName = kMainWindowClass;
    return ::RegisterClassExA(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void CQuillmarkApp::PrepareHtmlWorkFolder() {
    std::string folder = HtmlWorkFolder();
    ::CreateDirectoryA(folder.c_str(), nullptr);  // an existing folder is fine
    WriteSupportFiles(folder);
}

bool CQuillmarkApp::InitInstance() {
    // Common controls; settings live under "Ornava Utilities".
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                              ICC_LISTVIEW_CLASSES | ICC_COOL_CLASSES};
    ::InitCommonControlsEx(&icc);

    // One instance per executable name.
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string mutexName = FileTitleOfPath(module);
    instanceMutex_.reset(::CreateMutexA(nullptr, TRUE, mutexName.c_str()));
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        instanceMutex_.reset();
        return ActivatePreviousInstance();
    }
    ownsMutex_ = instanceMutex_.valid();

    // Windows Sockets.
    WSADATA wsa{};
    if (::WSAStartup(MAKEWORD(1, 1), &wsa) != 0) {
        ::MessageBoxA(nullptr, "Windows sockets initialization failed.", "Quillmark", MB_OK);
        return false;
    }
    socketsStarted_ = true;

    // COM with the OLE services that ActiveX hosting needs.
    oleStarted_ = SUCCEEDED(::OleInitialize(nullptr));

    // Optional system entry points, once for the whole run.
    LoadSystemEntryPoints();
    entryPointsLoaded_ = true;

    // The HTML work folder and its images.
    PrepareHtmlWorkFolder();

    // The main window class.
    RegisterMainWindowClass();

    // The main window.
    mainDlg_ = std::make_unique<CQuillmarkDlg>();
    if (!mainDlg_->CreateModeless(nullptr)) return false;
    return true;
}

int CQuillmarkApp::Run() {
    return MessageLoop::Run();
}

int CQuillmarkApp::ExitInstance(int exitCode) {
    // The window owns every worker and COM object (the browser, the XML
    // parser of a database load): they go before COM and the system
    // libraries they use. A job that did not stop in time still uses its
    // objects: they are left for the end of the process, which ends the job.
    if (mainDlg_ && mainDlg_->IsExiting() && !mainDlg_->WorkersStopped())
        (void)mainDlg_.release();
    mainDlg_.reset();
    if (oleStarted_) ::OleUninitialize();
    oleStarted_ = false;
    // A second instance ends here too: it must not delete the files of the
    // instance that is still running.
    if (ownsMutex_) {
        ::ReleaseMutex(instanceMutex_.get());
        instanceMutex_.reset();
        DeleteSupportFiles(HtmlWorkFolder());
    }
    ownsMutex_ = false;
    if (entryPointsLoaded_) FreeSystemEntryPoints();
    entryPointsLoaded_ = false;
    if (socketsStarted_) ::WSACleanup();
    socketsStarted_ = false;
    return exitCode;
}

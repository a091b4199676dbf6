// The component gallery's entry point.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "GalleryWnd.h"
#include "framework/MessageLoop.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES |
                                              ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    int exitAfterMs = 0;
    if (const char* arg = std::strstr(cmdLine ? cmdLine : "", "--exit-after"))
        exitAfterMs = std::atoi(arg + std::strlen("--exit-after"));
    CGalleryWnd gallery;
    if (!gallery.Create(exitAfterMs)) return 1;
    return MessageLoop::Run();
}

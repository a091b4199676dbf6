#include <windows.h>

#include "app/QuillmarkApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    CQuillmarkApp app;
    int code = 0;
    if (app.InitInstance()) code = app.Run();
    return app.ExitInstance(code);
}

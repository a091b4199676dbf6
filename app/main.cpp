#include <windows.h>

#include "app/CommandLine.h"
#include "app/QuillmarkApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // The command line's switches ask for the windowless export; without
    // them the program starts as it always has, arguments or none.
    const std::vector<std::string> args = ProcessArguments();
    if (WantsCommandLine(args)) return RunCommandLine(args);
    CQuillmarkApp app;
    int code = 0;
    if (app.InitInstance()) code = app.Run();
    return app.ExitInstance(code);
}

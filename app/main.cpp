#include <windows.h>

#include "app/CommandLine.h"
#include "app/QuillmarkApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Arguments ask for the windowless export; without any the program
    // starts as it always has.
    const std::vector<std::string> args = ProcessArguments();
    if (!args.empty()) return RunCommandLine(args);
    CQuillmarkApp app;
    int code = 0;
    if (app.InitInstance()) code = app.Run();
    return app.ExitInstance(code);
}

// Corvane's entry: the start-up order, the window's life and the exit.
#include <windows.h>
#include "launcher/main_window.h"
#include "launcher/settings.h"
#include "launcher/switches.h"
#include "platform/text_files.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    InitTextFiles();
    InitWindows();
    InitControls();
    // Without its window and controls the launcher would load and save empty folders over the
    // user's settings: end at once, with nothing written, and say so in the exit code.
    if (!BuildMainWindow()) {
        CloseAllWindows();
        ExitProcess(1);
    }
    AppendTitleSuffix();
    // Settings come first, so a switch acts on the loaded folders and gamesys name.
    LoadSettings();
    HandleCommandLine();
    RunEventLoop();
    SaveSettings();
    EndProgram();
}

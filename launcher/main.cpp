// Corvane's entry: the start-up order, the window's life and the exit.
#include <windows.h>
#include <new>
#include "launcher/failures.h"
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
    try {
        AppendTitleSuffix();
        // Settings come first, so a switch acts on the loaded folders and gamesys name.
        LoadSettings();
        HandleCommandLine();
        ShowLoadedFolder(EditorTree);
        ShowLoadedFolder(GameTree);
        RunEventLoop();
        EndProgram(SaveSettings() ? 0 : 1);
    } catch (const std::bad_alloc&) {
        // Whatever was under way stops here, before anything is saved.
        ReportFailure("Corvane ran out of memory and has to stop.");
        EndProgram(1);
    }
}

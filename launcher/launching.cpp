// Starting the game or the editor from the System folder of the installation its tree shows.
#include "launcher/launching.h"

#include <string>
#include "launcher/failures.h"
#include "launcher/main_window.h"
#include "platform/handles.h"
#include "platform/program.h"
#include "toolkit/controls.h"

namespace {

// The tree's text already ends with a backslash; the suffixes add another on purpose, and the
// game gets the paths in exactly that form.
bool StartInstallation(ObjectNumber tree, const std::string& parameters) {
    const std::string folder = GetControlText(tree);
    const std::intptr_t started = StartProgram(folder + "\\System\\T3.exe", parameters, folder + "\\System");
    const DWORD error = GetLastError();
    const std::string program = folder + "System\\T3.exe";
    if (started == 0)
        return ReportFailure("Corvane could not start " + program + ".\n\n" + SystemErrorText(error, program));
    // The launcher never waits for or tracks the game: its process handle is closed at once.
    if (started != 1) OwnedHandle closed(reinterpret_cast<HANDLE>(started));
    return true;
}

}  // namespace

bool StartGame() { return StartInstallation(GameTree, ""); }

bool StartEditor() { return StartInstallation(EditorTree, "-editor"); }

// The command-line switches: activate, launch or change one setting without the window.
#include "launcher/switches.h"

#include <string>
#include "launcher/launching.h"
#include "launcher/main_window.h"
#include "launcher/registry.h"
#include "launcher/settings.h"
#include "platform/modal_boxes.h"
#include "platform/program.h"
#include "toolkit/controls.h"

namespace {

void ResetToGame() {
    ActivateGame();
    SaveSettings();
}

void SetEditor() {
    ActivateEditor();
    SaveSettings();
}

// The settings are written before the start, so they hold what was launched even if the
// start fails.
void RunGame() {
    ResetToGame();
    StartGame();
}

void RunEditor() {
    SetEditor();
    StartEditor();
}

// The setting switches change one line of the file to the next parameter and nothing else: the
// other two lines are the controls' texts as just loaded.
void SetSettingsLine(size_t line) {
    std::string lines[] = {GetControlText(EditorTree), GetControlText(GameTree), GetControlText(GamesysField)};
    lines[line] = NextProgramParameter();
    WriteSettingsFile(lines[0], lines[1], lines[2]);
}

void SetEditorPath() { SetSettingsLine(0); }

void SetGamePath() { SetSettingsLine(1); }

void SetGamesys() { SetSettingsLine(2); }

struct Switch {
    const char* name;
    void (*action)();
};

// Matched exactly, with case: "/Reset" is unknown.
const Switch switches[] = {
    {"/reset", ResetToGame},
    {"/setgame", ResetToGame},
    {"/seteditor", SetEditor},
    {"/rungame", RunGame},
    {"/runeditor", RunEditor},
    {"/setgamepath", SetGamePath},
    {"/seteditorpath", SetEditorPath},
    {"/setgamesys", SetGamesys},
};

}  // namespace

void HandleCommandLine() {
    const std::string parameter = NextProgramParameter();
    if (parameter.empty()) return;
    for (const Switch& known : switches) {
        if (parameter != known.name) continue;
        known.action();
        EndProgram();
    }
    ShowMessage("Error", "Unknown command line parameter: " + parameter);
}

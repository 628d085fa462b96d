// The command-line switches: activate, launch or change one setting without the window.
#include "launcher/switches.h"

#include <algorithm>
#include <optional>
#include <string>
#include "launcher/failures.h"
#include "launcher/launching.h"
#include "launcher/main_window.h"
#include "launcher/registry.h"
#include "launcher/settings.h"
#include "platform/modal_boxes.h"
#include "platform/program.h"
#include "toolkit/controls.h"

namespace {

// Each switch waits only for the drive of the folder it acts on: the other tree stays unwalked.
bool ResetToGame() {
    ShowLoadedFolder(GameTree);
    return ActivateGame() && SaveSettings();
}

bool SetEditor() {
    ShowLoadedFolder(EditorTree);
    return ActivateEditor() && SaveSettings();
}

// The settings are written before the start, so they hold what was launched even if the
// start fails.
bool RunGame() { return ResetToGame() && StartGame(); }

bool RunEditor() { return SetEditor() && StartEditor(); }

// A typo in a shortcut must not erase a line: a path switch without a usable folder is refused.
bool SetFolderLine(std::size_t line, const char* name) {
    const std::optional<std::string> value = NextProgramParameter();
    const std::string folder = FolderValue(value.value_or(""));
    const std::string usage = std::string("\n\nGive the folder after the switch: ") + name + " \"C:\\Games\\Thief 3\\\"";
    if (!value || value->empty()) return ReportFailure(std::string("The switch ") + name + " needs a folder." + usage);
    if (folder.empty()) return ReportFailure("This is not a folder on a drive: " + *value + usage);
    return SaveSettingsLine(line, folder);
}

bool SetEditorPath() { return SetFolderLine(0, "/seteditorpath"); }

bool SetGamePath() { return SetFolderLine(1, "/setgamepath"); }

// Only the file's name is kept, as Browse keeps it; "" stores an empty line, which brings back the
// default name. A "?" stands for a character that the command line could not pass on.
bool SetGamesys() {
    const std::optional<std::string> value = NextProgramParameter();
    const std::string usage = "\n\nGive the file's name after the switch: /setgamesys T3Gamesys.t3u";
    if (!value) return ReportFailure("The switch /setgamesys needs a file name." + usage);
    std::string path = *value;
    std::replace(path.begin(), path.end(), '/', '\\');
    const std::string name = FileNamePart(path);
    if (!path.empty() && !IsPlainFileName(name)) return ReportFailure("This is not a file name: " + *value + usage);
    return SaveSettingsLine(2, name);
}

struct Switch {
    const char* name;
    bool (*action)();
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
    const std::string parameter = NextProgramParameter().value_or("");
    if (parameter.empty()) return;
    for (const Switch& known : switches) {
        if (parameter == known.name) EndProgram(Guarded(known.action) ? 0 : 1);
    }
    ReportFailure("Unknown command line parameter: " + parameter);
}

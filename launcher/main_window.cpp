// The launcher's window: its layout, the event loop with its dispatch, Browse, and the exit.
#include "launcher/main_window.h"

#include <windows.h>
#include <string>
#include "explorer_tree/explorer_tree.h"
#include "launcher/failures.h"
#include "launcher/launching.h"
#include "launcher/registry.h"
#include "platform/modal_boxes.h"
#include "platform/text_files.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

struct LauncherState {
    int lastEvent = 0;
    std::string chosenFile;  // what the chooser returned last; stays until the next Browse
};
LauncherState state;

// Both trees: folders only, sorted, no My Documents, selection kept visible, no expand buttons.
constexpr DWORD InstallTreeFlags = HideButtons | KeepSelectionVisible | HideMyDocuments | SortByKind | FoldersOnly;

using AddControl = ObjectNumber (*)(ObjectNumber, int, int, int, int, const std::string&);

ObjectNumber AddInstallTree(ObjectNumber number, int x, int y, int width, int height, const std::string& path) {
    return AddExplorerTree(number, x, y, width, height, path, InstallTreeFlags);
}

struct ControlPlace {
    ObjectNumber number;
    AddControl add;
    int x, y, width, height;
    const char* text;
};

// In the order of their numbers, which is also the Tab order of the tab stops.
const ControlPlace mainControls[] = {
    {LaunchGameButton, AddButton, 189, 201, 189, 22, "Launch Thief 3"},
    {LaunchEditorButton, AddButton, 0, 201, 189, 22, "Launch Editor"},
    {EditorPathLabel, AddLabel, 0, 0, 63, 15, "Editor Path:"},
    {GamePathLabel, AddLabel, 189, 0, 63, 15, "Thief 3 Path:"},
    {EditorTree, AddInstallTree, 0, 15, 188, 162, ""},
    {GameTree, AddInstallTree, 190, 15, 188, 162, ""},
    {GamesysLabel, AddLabel, 135, 228, 51, 15, "Gamesys:"},
    {GamesysField, AddTextField, 186, 225, 138, 18, "T3Gamesys.t3u"},
    {BrowseButton, AddButton, 327, 225, 51, 18, "Browse"},
    {ActivateGameButton, AddButton, 189, 177, 189, 22, "Activate Thief 3"},
    {ActivateEditorButton, AddButton, 0, 177, 189, 22, "Activate Editor"},
};

// The registry points at the installation before it starts; with no folder, neither happens.
bool LaunchEditor() { return ActivateEditor() && StartEditor(); }

bool LaunchGame() { return ActivateGame() && StartGame(); }

struct ButtonAction {
    ObjectNumber control;
    bool plainClickOnly;  // act only on subtype 0, a click or the button's keyboard activation
    bool (*action)();
};

const ButtonAction dispatchTable[] = {
    {LaunchEditorButton, true, LaunchEditor},
    {LaunchGameButton, true, LaunchGame},
    {ActivateGameButton, true, ActivateGame},
    {ActivateEditorButton, true, ActivateEditor},
    {BrowseButton, false, ChooseGamesysFile},
};

void DispatchControlEvent(int control) {
    for (const ButtonAction& entry : dispatchTable) {
        if (entry.control != control) continue;
        if (!entry.plainClickOnly || EventSubtype() == 0) Guarded(entry.action);
        return;
    }
}

}  // namespace

bool BuildMainWindow() {
    constexpr DWORD fixedSizeWindow = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    if (!OpenAppWindow(MainWindow, 305, 39, 378, 243, fixedSizeWindow, "Corvane - by Pellworth")) return false;
    if (!BeginControlList(LastWindowHandle())) return false;
    for (const ControlPlace& place : mainControls)
        place.add(place.number, place.x, place.y, place.width, place.height, place.text);
    return true;
}

void AppendTitleSuffix() {
    SetWindowTitle(MainWindow, GetWindowTitle(MainWindow) + " - " CORVANE_VERSION " GL");
}

void RunEventLoop() {
    do {
        state.lastEvent = WaitEvent();
        if (state.lastEvent == ControlEvent) {
            DispatchControlEvent(EventControlNumber());
        }
    } while (state.lastEvent != CloseEvent);
}

bool ChooseGamesysFile() {
    state.chosenFile = ChooseFile("Choose the gamesys file...", "T3Gamesys.t3u", "T3U Files|*.t3u", 0);
    if (state.chosenFile.empty()) return true;
    SetControlText(GamesysField, FileNamePart(state.chosenFile));
    // The player's choice, to be saved like a typed name.
    SetControlState(GamesysField, 1);
    return true;
}

void EndProgram(int exitCode) {
    NoteOutcome("exit " + std::to_string(exitCode));
    CloseAllWindows();
    CloseAllTextFiles();
    ExitProcess(exitCode);
}

// The settings file: the two install folders and the gamesys name, one line each.
#include "launcher/settings.h"

#include "launcher/main_window.h"
#include "launcher/registry.h"
#include "platform/text_files.h"
#include "toolkit/controls.h"

namespace {

// Relative on purpose: each working folder keeps its own settings.
constexpr const char* SettingsFile = "./Corvane.ini";

// A line break inside a value would push the values after it into the wrong lines.
std::string SingleLine(const std::string& value) {
    return value.substr(0, value.find_first_of("\r\n"));
}

// ION_ROOT is stored without its final backslash, and a tree given a folder without one selects
// the folder above it: the next save or activation would then point there instead of at the
// installation. With the backslash back the tree selects the installation itself. A drive root
// is stored as "C:". The error texts are no paths, so they still select nothing.
std::string InstallFolderText(std::string ionRoot) {
    const bool driveRoot = ionRoot.size() == 2 && ionRoot[1] == ':';
    const bool folder = ionRoot.find('\\') != std::string::npos;
    if ((driveRoot || folder) && ionRoot.back() != '\\') ionRoot += '\\';
    return ionRoot;
}

}  // namespace

void LoadSettings() {
    SetControlText(GameTree, InstallFolderText(ReadRegistryText(HKEY_LOCAL_MACHINE, GameKey, IonRootValue)));
    SetControlText(EditorTree, InstallFolderText(ReadRegistryText(HKEY_LOCAL_MACHINE, GameKey, IonRootValue)));
    ObjectNumber file = OpenTextFile(AutoNumber, SettingsFile);
    // A read-only settings file still holds the user's folders: read it, though it can't be saved.
    if (!file) file = OpenTextFileToRead(AutoNumber, SettingsFile);
    if (!file) return;
    // An empty line or a short file leaves its control as it was: the file can't clear one.
    for (ObjectNumber control : {EditorTree, GameTree, GamesysField}) {
        if (AtEndOfFile(file) != 0) break;
        const std::string line = ReadTextLine();
        if (!line.empty()) SetControlText(control, line);
    }
    CloseTextFile(file);
}

void SaveSettings() {
    WriteSettingsFile(GetControlText(EditorTree), GetControlText(GameTree), GetControlText(GamesysField));
}

void WriteSettingsFile(const std::string& editorFolder, const std::string& gameFolder,
                       const std::string& gamesysName) {
    const ObjectNumber file = CreateTextFile(AutoNumber, SettingsFile);
    if (!file) return;
    for (const std::string* value : {&editorFolder, &gameFolder, &gamesysName})
        WriteTextLine(SingleLine(*value));
    CloseTextFile(file);
}

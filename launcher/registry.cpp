// Reading and writing the game's registry values, and activating an installation with them.
#include "launcher/registry.h"

#include <algorithm>
#include <array>
#include "launcher/failures.h"
#include "launcher/main_window.h"
#include "launcher/settings.h"
#include "platform/drive_errors.h"
#include "platform/handles.h"
#include "platform/modal_boxes.h"
#include "toolkit/controls.h"

namespace {

// The game is a 32-bit program and reads the registry's 32-bit view (Wow6432Node on 64-bit
// Windows); 32-bit Windows ignores the flag.
constexpr REGSAM GameView = KEY_WOW64_32KEY;

constexpr const char* OpeningError = "Error Opening Key";
constexpr const char* ReadingError = "Error Reading Key";

struct InstallationNames {
    const char* folder;  // as the messages name it
    const char* tree;    // the caption above its tree
};

InstallationNames NamesOf(ObjectNumber tree) {
    return tree == GameTree ? InstallationNames{"Thief 3", "Thief 3 Path"} : InstallationNames{"editor", "Editor Path"};
}

// Says what Corvane looked for and what it found there.
bool ReportNoInstallation(ObjectNumber tree, const std::string& folder, const char* problem) {
    const InstallationNames names = NamesOf(tree);
    const std::string advice = std::string("\n\nChoose the folder that holds System\\T3.exe in the ") + names.tree +
                               " tree.";
    if (folder.empty()) return ReportFailure(std::string("No ") + names.folder + " folder is chosen." + advice);
    return ReportFailure(std::string("The ") + names.folder + " folder " + problem + ":\n" + folder + advice);
}

bool Exists(const std::string& path, DWORD directoryBit) {
    const QuietDriveErrors quiet;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == directoryBit;
}

// An installation is a folder that holds the game, in any case of its names as Windows matches them.
bool CheckInstallation(ObjectNumber tree, const std::string& folder) {
    constexpr const char* NotFound = "was not found";
    // Unless the player has since chosen in the tree himself, what Corvane was asked to show.
    if (folder.empty()) return ReportNoInstallation(tree, GetControlState(tree) ? "" : LoadedFolderText(tree), NotFound);
    // A drive that can't be read now: the folder is not there for the game either.
    if (!Exists(folder, FILE_ATTRIBUTE_DIRECTORY)) return ReportNoInstallation(tree, folder, NotFound);
    return Exists(folder + "System\\T3.exe", 0) || ReportNoInstallation(tree, folder, "holds no System\\T3.exe");
}

bool ReportUnusableGamesys(const std::string& gamesys) {
    const std::string advice = "\n\nType the name of a file in the installation's System folder, such as "
                               "T3Gamesys.t3u, or choose one with Browse.";
    if (gamesys.empty()) return ReportFailure("No gamesys file is named." + advice);
    return ReportFailure("The gamesys name is not a file name: " + gamesys + advice);
}

bool WriteGameValue(const char* name, const std::string& text) {
    const int status = WriteRegistryText(HKEY_LOCAL_MACHINE, GameKey, name, text);
    if (status == 2) return true;
    const char* why = status == 0 ? "The key could not be opened or created." : "The value could not be written.";
    return ReportFailure(std::string("Corvane could not write ") + name + " under HKEY_LOCAL_MACHINE\\" + GameKey +
                         ".\n\n" + why);
}

// The folder of a tree (its text ends with a backslash) and the gamesys name in its System folder.
bool Activate(ObjectNumber tree) {
    const std::string folder = GetControlText(tree);
    if (!CheckInstallation(tree, folder)) return false;
    const std::string gamesys = GetControlText(GamesysField);
    if (!IsPlainFileName(gamesys)) return ReportUnusableGamesys(gamesys);
    return WriteGameValue(IonRootValue, folder.substr(0, folder.size() - 1)) &&
           WriteGameValue(GamesysValue, folder + "System\\" + gamesys);
}

}  // namespace

std::string ReadRegistryText(HKEY root, const std::string& keyPath, const std::string& valueName) {
    OwnedKey key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ | GameView, key.Put()) != ERROR_SUCCESS) return OpeningError;
    // 254 characters and the terminating zero: a longer value does not fit and is an error.
    std::array<char, 255> data{};
    DWORD size = data.size();
    if (RegQueryValueExA(key.Get(), valueName.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
        return ReadingError;
    // The data need not end with a zero (a string stored without one, a number): take no more
    // than was returned, and stop at the first zero.
    const auto returned = data.begin() + std::min<DWORD>(size, data.size());
    const std::string text(data.begin(), std::find(data.begin(), returned, '\0'));
    return text.size() < data.size() ? text : ReadingError;
}

int WriteRegistryText(HKEY root, const std::string& keyPath, const std::string& valueName,
                      const std::string& text) {
    OwnedKey key;
    // The access RegCreateKeyA asks for: without the right to write, Windows then keeps the value
    // for the user (registry virtualization), where the game finds it too.
    if (RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, 0, MAXIMUM_ALLOWED | GameView, nullptr, key.Put(),
                        nullptr) != ERROR_SUCCESS)
        return 0;
    const auto data = reinterpret_cast<const BYTE*>(text.c_str());
    if (RegSetValueExA(key.Get(), valueName.c_str(), 0, REG_SZ, data, static_cast<DWORD>(text.size() + 1)) !=
        ERROR_SUCCESS)
        return 1;
    return 2;
}

bool IsRegistryErrorText(const std::string& text) {
    return text == OpeningError || text == ReadingError;
}

bool ActivateGame() { return Activate(GameTree); }

bool ActivateEditor() { return Activate(EditorTree); }

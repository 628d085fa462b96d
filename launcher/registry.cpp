// Reading and writing the game's registry values, and activating an installation with them.
#include "launcher/registry.h"

#include <algorithm>
#include <array>
#include "launcher/main_window.h"
#include "platform/handles.h"
#include "toolkit/controls.h"

namespace {

constexpr const char* OpeningError = "Error Opening Key";
constexpr const char* ReadingError = "Error Reading Key";

// The folder of a tree (its text ends with a backslash) and the gamesys name in its System folder.
void Activate(ObjectNumber tree) {
    const std::string folder = GetControlText(tree);
    const std::string root = folder.empty() ? folder : folder.substr(0, folder.size() - 1);
    WriteRegistryText(HKEY_LOCAL_MACHINE, GameKey, IonRootValue, root);
    WriteRegistryText(HKEY_LOCAL_MACHINE, GameKey, GamesysValue,
                      folder + "System\\" + GetControlText(GamesysField));
}

}  // namespace

std::string ReadRegistryText(HKEY root, const std::string& keyPath, const std::string& valueName) {
    OwnedKey key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return OpeningError;
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
    if (RegCreateKeyA(root, keyPath.c_str(), key.Put()) != ERROR_SUCCESS) return 0;
    const auto data = reinterpret_cast<const BYTE*>(text.c_str());
    if (RegSetValueExA(key.Get(), valueName.c_str(), 0, REG_SZ, data, static_cast<DWORD>(text.size() + 1)) !=
        ERROR_SUCCESS)
        return 1;
    return 2;
}

void ActivateGame() { Activate(GameTree); }

void ActivateEditor() { Activate(EditorTree); }

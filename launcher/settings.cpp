// The settings file: the two install folders and the gamesys name, one line each.
#include "launcher/settings.h"

#include <array>
#include <optional>
#include <vector>
#include "launcher/failures.h"
#include "launcher/main_window.h"
#include "launcher/registry.h"
#include "platform/text_files.h"
#include "toolkit/controls.h"

namespace {

// Relative on purpose: each working folder keeps its own settings.
constexpr const char* SettingsFile = "./Corvane.ini";
constexpr const char* ByteOrderMark = "\xEF\xBB\xBF";

using SettingsLines = std::array<std::string, 3>;

// The controls whose texts the lines hold, in line order.
constexpr std::array<ObjectNumber, 3> LineControls = {EditorTree, GameTree, GamesysField};

struct SettingsState {
    std::string ionRoot;   // as the registry gave it, error texts included
    SettingsLines loaded;  // the file's lines at start-up, empty where it had none
};
SettingsState state;

// The file's lines as it holds them now, missing ones empty; nothing when it can't be read
// (another program holds it locked, say).
std::optional<SettingsLines> ReadSettingsFile() {
    ObjectNumber file = OpenTextFile(AutoNumber, SettingsFile);
    // A read-only settings file still holds the user's folders.
    if (!file) file = OpenTextFileToRead(AutoNumber, SettingsFile);
    if (!file) return std::nullopt;
    SettingsLines lines;
    for (std::string& line : lines) {
        if (AtEndOfFile(file) != 0) break;
        line = ReadTextLine();
    }
    CloseTextFile(file);
    // An editor that saved the file as UTF-8 marked its start; the mark is no part of the folder.
    if (lines[0].starts_with(ByteOrderMark)) lines[0].erase(0, 3);
    return lines;
}

// A line break inside a value would push the values after it into the wrong lines.
std::string SingleLine(const std::string& value) {
    return value.substr(0, value.find_first_of("\r\n"));
}

std::string FullPath(const char* fileName) {
    std::vector<char> path(MAX_PATH);
    const DWORD length = GetFullPathNameA(fileName, MAX_PATH, path.data(), nullptr);
    return length > 0 && length < MAX_PATH ? std::string(path.data(), length) : fileName;
}

// The lines whose bit is set in changed take their new values; the others stay as the file holds them.
bool WriteSettings(const SettingsLines& values, unsigned changed) {
    if (std::optional<SettingsLines> lines = ReadSettingsFile()) {
        for (std::size_t line = 0; line < lines->size(); ++line)
            if (changed >> line & 1) (*lines)[line] = values[line];
        if (ReplaceTextFile(SettingsFile, {SingleLine((*lines)[0]), SingleLine((*lines)[1]), SingleLine((*lines)[2])}))
            return true;
    }
    // With nothing to change, the file still holds every value the player chose.
    if (changed == 0) return true;
    const DWORD error = GetLastError();
    const std::string path = FullPath(SettingsFile);
    return ReportFailure("Corvane could not save its settings in " + path + ".\n\n" + SystemErrorText(error, path));
}

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

std::string FolderValue(const std::string& text) {
    if (text.size() < 2 || !IsDriveLetter(text[0]) || text[1] != ':') return {};
    std::string folder = {static_cast<char>(text[0] & ~0x20), ':', '\\'};
    for (std::size_t at = 2; at < text.size(); ++at) {
        const char c = text[at] == '/' ? '\\' : text[at];
        if (static_cast<unsigned char>(c) < 32) return {};
        // "C:folder" means a folder relative to that drive's current one: no place of its own.
        if (at == 2 && c != '\\') return {};
        if (c != '\\' || folder.back() != '\\') folder += c;
    }
    if (folder.back() != '\\') folder += '\\';
    return folder.size() < MAX_PATH ? folder : std::string();
}

void LoadSettings() {
    state.ionRoot = ReadRegistryText(HKEY_LOCAL_MACHINE, GameKey, IonRootValue);
    state.loaded = ReadSettingsFile().value_or(SettingsLines{});
    // An empty line leaves its control as it was: the file can't clear one.
    if (!state.loaded[2].empty()) SetControlText(GamesysField, state.loaded[2]);
}

std::string LoadedFolderText(ObjectNumber tree) {
    const std::string& line = state.loaded[tree == EditorTree ? 0 : 1];
    if (!line.empty()) return line;
    return IsRegistryErrorText(state.ionRoot) ? std::string() : state.ionRoot;
}

void ShowLoadedFolder(ObjectNumber tree) {
    SetControlText(tree, FolderValue(LoadedFolderText(tree)));
}

bool SaveSettings() {
    SettingsLines values;
    unsigned changed = 0;
    for (std::size_t line = 0; line < LineControls.size(); ++line) {
        if (!GetControlState(LineControls[line])) continue;
        values[line] = GetControlText(LineControls[line]);
        changed |= 1u << line;
    }
    return WriteSettings(values, changed);
}

bool SaveSettingsLine(std::size_t line, const std::string& value) {
    SettingsLines values;
    values.at(line) = value;
    return WriteSettings(values, 1u << line);
}

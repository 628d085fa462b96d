// A stand-in for the game: records how it was started in T3-report.txt beside itself.
#include <windows.h>
#include <string>
#include <vector>
#include "platform/handles.h"

namespace {

constexpr const char* GameKeyPath = "Software\\Ion Storm\\Thief - Deadly Shadows";

// As the 32-bit game reads them, whichever build of the stand-in this is.
std::string ReadGameValue(const char* name) {
    OwnedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, GameKeyPath, 0, KEY_READ | KEY_WOW64_32KEY, key.Put()) != ERROR_SUCCESS)
        return "(no key)";
    DWORD size = 0;
    if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return "(no value)";
    std::vector<char> data(size + 1);
    if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return "(unreadable)";
    return std::string(data.data());
}

std::string WorkingFolder() {
    std::vector<char> folder(GetCurrentDirectoryA(0, nullptr) + 1);
    const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(folder.size()), folder.data());
    return std::string(folder.data(), length < folder.size() ? length : 0);
}

std::string ReportPath() {
    std::vector<char> path(32768);
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    const std::string program(path.data(), length);
    return program.substr(0, program.find_last_of('\\') + 1) + "T3-report.txt";
}

void AppendLine(const std::string& fileName, const std::string& line) {
    // Appending with shared access lets two instances started together both report.
    OwnedFile report(CreateFileA(fileName.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!report) return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(report.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// The tests name a settings file in T3_STANDIN_SETTINGS to learn what it held when the game
// started; its line ends are written as \r and \n to keep the report on one line.
std::string SettingsAtStart() {
    std::vector<char> name(MAX_PATH);
    if (!GetEnvironmentVariableA("T3_STANDIN_SETTINGS", name.data(), MAX_PATH)) return "";
    OwnedFile file(CreateFileA(name.data(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               0, nullptr));
    std::vector<char> bytes(4096);
    DWORD got = 0;
    if (!file || !ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) return "";
    std::string text;
    for (DWORD at = 0; at < got; ++at) text += bytes[at] == '\r' ? "\\r" : bytes[at] == '\n' ? "\\n" : std::string(1, bytes[at]);
    return text;
}

// How the starter asked the game's window to be shown: SW_SHOWNORMAL is 1; "default" when it didn't say.
std::string ShowState() {
    STARTUPINFOA startup{};
    GetStartupInfoA(&startup);
    return startup.dwFlags & STARTF_USESHOWWINDOW ? std::to_string(startup.wShowWindow) : "default";
}

bool Silent() {
    char value[2] = "";
    return GetEnvironmentVariableA("T3_STANDIN_SILENT", value, sizeof value) > 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string line = std::string("cmd=") + GetCommandLineA() + "\tcwd=" + WorkingFolder() +
                             "\tION_ROOT=" + ReadGameValue("ION_ROOT") +
                             "\tGameSysModder=" + ReadGameValue("GameSysModder") + "\tsettings=" + SettingsAtStart() +
                             "\tshow=" + ShowState();
    AppendLine(ReportPath(), line);
    if (!Silent()) MessageBoxA(nullptr, line.c_str(), "T3 stand-in", MB_OK);
    return 0;
}

// Helpers for the launcher's tests: whole files, the game's registry values, the stand-in game
// and windows that other threads or processes show.
#pragma once

#include <windows.h>
#include <map>
#include <string>
#include "launcher/registry.h"
#include "platform/handles.h"
#include "tests/test_support.h"

inline void WriteBytes(const std::string& name, const std::string& bytes) {
    OwnedFile file(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// The file's bytes, or "(missing)" when it can't be opened.
inline std::string ReadBytes(const std::string& name) {
    OwnedFile file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr));
    if (!file) return "(missing)";
    std::string bytes(GetFileSize(file.Get(), nullptr), '\0');
    DWORD got = 0;
    ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    return bytes.substr(0, got);
}

inline void MakeFolders(const std::string& folder) {
    for (size_t end = folder.find('\\', 3); end != std::string::npos; end = folder.find('\\', end + 1))
        CreateDirectoryA(folder.substr(0, end).c_str(), nullptr);
    CreateDirectoryA(folder.c_str(), nullptr);
}

inline void DeleteGameKey() { RegDeleteKeyA(HKEY_LOCAL_MACHINE, GameKey); }

// Stores the bytes as they are, with no terminating zero of their own.
inline void SetGameValue(const std::string& name, const std::string& data, DWORD type = REG_SZ) {
    OwnedKey key;
    RegCreateKeyA(HKEY_LOCAL_MACHINE, GameKey, key.Put());
    RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
}

// A text as the registry stores it, with its terminating zero.
inline std::string WithZero(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }

// The raw bytes of a REG_SZ value; "(not REG_SZ)" for a missing value or another type.
inline std::string GameValue(const std::string& name) {
    OwnedKey key;
    DWORD type = 0, size = 0;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, GameKey, 0, KEY_READ, key.Put());
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) || type != REG_SZ)
        return "(not REG_SZ)";
    std::string data(size, '\0');
    RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
    return data;
}

// Copies the stand-in game to folder\System\T3.exe and returns where it will report.
inline std::string InstallStandIn(const std::string& folder) {
    MakeFolders(folder + "System");
    CopyFileA((ProgramFolder() + "T3.exe").c_str(), (folder + "System\\T3.exe").c_str(), FALSE);
    const std::string report = folder + "System\\T3-report.txt";
    DeleteFileA(report.c_str());
    return report;
}

// The fields (cmd, cwd, ION_ROOT, GameSysModder) of the stand-in's first report line, once it
// is there; no fields when it does not come within the time limit.
inline std::map<std::string, std::string> WaitForReport(const std::string& report, DWORD timeoutMs = 10000) {
    std::string line;
    PumpUntil([&] { return (line = ReadBytes(report)).find("\r\n") != std::string::npos; }, timeoutMs);
    line = line.substr(0, line.find("\r\n")) + '\t';
    std::map<std::string, std::string> fields;
    for (size_t start = 0, tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
        const size_t equals = line.find('=', start);
        if (equals < tab) fields[line.substr(start, equals - start)] = line.substr(equals + 1, tab - equals - 1);
    }
    return fields;
}

// A top-level window of this or another process, waited for without pumping (for watcher
// threads and other processes' windows). Message boxes and the file chooser are class "#32770".
inline HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs = 10000) {
    HWND found = nullptr;
    for (const DWORD start = GetTickCount(); !found && GetTickCount() - start < timeoutMs; Sleep(20))
        found = FindWindowA(className, title);
    return found;
}

// With drive S: answering every access after a long delay: how soon Corvane's window answers
// once it appears, how slowly it ever answers while the drive is asked, and how long a switch
// that doesn't need the drive takes.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "platform/handles.h"

namespace {

constexpr const char* Title = "Corvane - by Pellworth - " CORVANE_VERSION " GL";
constexpr DWORD WatchMs = 20000;  // longer than the slow drive takes to give its name

double Seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string Folder(const std::string& path) { return path.substr(0, path.find_last_of('\\') + 1); }

std::string ThisFolder() {
    std::vector<char> path(MAX_PATH * 4);
    return Folder(std::string(path.data(), GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()))));
}

OwnedHandle StartCorvane(const std::string& arguments, const std::string& work, DWORD& process) {
    std::string commandLine = "\"" + ThisFolder() + "Corvane.exe\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, work.c_str(), &startup,
                        &started))
        return OwnedHandle();
    CloseHandle(started.hThread);
    process = started.dwProcessId;
    return OwnedHandle(started.hProcess);
}

HWND WindowOf(DWORD process) {
    for (HWND window = FindWindowExA(nullptr, nullptr, nullptr, Title); window;
         window = FindWindowExA(nullptr, window, nullptr, Title)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process) return window;
    }
    return nullptr;
}

void MeasureWindow(const std::string& work) {
    DWORD id = 0;
    const double start = Seconds();
    const OwnedHandle process = StartCorvane("", work, id);
    HWND window = nullptr;
    while (!(window = WindowOf(id)) && Seconds() - start < 20) Sleep(1);
    const double appeared = Seconds();
    double firstAnswer = -1, slowest = 0;
    while (window && Seconds() - appeared < WatchMs / 1000.0) {
        const double asked = Seconds();
        DWORD_PTR result;
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &result);
        const double answered = Seconds();
        if (firstAnswer < 0) firstAnswer = answered - appeared;
        slowest = std::max(slowest, answered - asked);
        Sleep(50);
    }
    std::printf("window with a slow drive    appeared after %.2f s, answered %.2f s later, slowest answer %.2f s"
                " (target: within 0.5 s)\n", appeared - start, firstAnswer, std::max(firstAnswer, slowest));
    PostMessageA(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.Get(), 20000);
}

void MeasureSwitch(const std::string& work) {
    DWORD id = 0;
    const double start = Seconds();
    const OwnedHandle process = StartCorvane("/setgamesys x", work, id);
    WaitForSingleObject(process.Get(), 30000);
    std::printf("/setgamesys x, slow drive   %.2f s from start to exit (target: within 1 s)\n", Seconds() - start);
}

}  // namespace

int main() {
    if (!(GetLogicalDrives() & 1u << ('S' - 'A'))) {
        std::printf("no slow drive S: in this prefix (mounting one needs root): slow-drive figures skipped\n");
        return 0;
    }
    std::vector<char> temporary(MAX_PATH);
    GetTempPathA(MAX_PATH, temporary.data());
    const std::string work = std::string(temporary.data()) + "corvane_slow_bench";
    CreateDirectoryA(work.c_str(), nullptr);
    MeasureSwitch(work);
    MeasureWindow(work);
    return 0;
}

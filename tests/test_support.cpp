#include "tests/test_support.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <cstring>
#include <dbt.h>
#include <shellapi.h>
#include "toolkit/controls.h"
#include "toolkit/windows.h"

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return done();
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void ResetToolkit() { CloseAllWindows(); InitWindows(); InitControls(); }
HWND OpenControlWindow(const std::string& title) {
    ResetToolkit();
    OpenAppWindow(0, 100, 100, 300, 200, WS_CAPTION | WS_SYSMENU, title);
    BeginControlList(LastWindowHandle());
    SetForegroundWindow(LastWindowHandle());
    return LastWindowHandle();
}
HWND Control(ObjectNumber number) { return ResolveControl(number)->handle; }

std::string ProgramFolder() {
    std::vector<char> path(MAX_PATH * 4);
    const std::string text(path.data(), GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return text.substr(0, text.find_last_of('\\') + 1);
}

void PressKey(WORD key, WORD modifier) {
    std::vector<INPUT> inputs;
    for (const auto& [code, flags] : {std::pair<WORD, DWORD>{modifier, 0}, {key, 0}, {key, KEYEVENTF_KEYUP}, {modifier, KEYEVENTF_KEYUP}})
        if (code) inputs.push_back({INPUT_KEYBOARD, {.ki = {code, 0, flags, 0, 0}}});  // without a modifier, the key alone
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}
void ClickAt(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
    INPUT inputs[2]{{INPUT_MOUSE, {0, 0, 0, MOUSEEVENTF_LEFTDOWN, 0, 0}}, {INPUT_MOUSE, {0, 0, 0, MOUSEEVENTF_LEFTUP, 0, 0}}};
    SendInput(2, inputs, sizeof(INPUT));
}

void MediaChangeOnT(HWND window, WPARAM event) {
    // Wine's tree view fails when the first item it shows goes with the drive's listing: each tree
    // first scrolls back to its root.
    EnumChildWindows(window, [](HWND child, LPARAM) CALLBACK -> BOOL {
        char name[32] = "";
        if (GetClassNameA(child, name, sizeof name) && !std::strcmp(name, WC_TREEVIEWA)) TreeView_SelectSetFirstVisible(child, TreeView_GetRoot(child));
        return TRUE;
    }, 0);
    DEV_BROADCAST_VOLUME volume{sizeof volume, DBT_DEVTYP_VOLUME, 0, 1u << ('T' - 'A'), 0};
    SendMessageTimeoutA(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume), SMTO_NORMAL, 60000, nullptr);
}

std::vector<ToolkitEvent> DrainEvents(DWORD quietMs) {
    // A timer keeps WaitEvent from blocking for good once the queue is empty.
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
    std::vector<ToolkitEvent> events;
    const DWORD start = GetTickCount();
    for (DWORD quietSince = start; GetTickCount() - quietSince < quietMs && GetTickCount() - start < 5000;) {
        const int code = WaitEvent();
        // Timer ticks (ours, and WM_SYSTIMER, 0x118, the system's for hot-tracking while the pointer
        // rests on a control) and pointer moves are no events of the test's.
        if (code == WM_TIMER || code == 0x118 || code == WM_MOUSEMOVE) continue;
        events.push_back({code, EventControlNumber(), EventSubtype()});
        quietSince = GetTickCount();
    }
    KillTimer(nullptr, timer);
    EXPECT_LT(GetTickCount() - start, 5000u) << "events kept coming for 5 s";
    return events;
}

Subtypes ControlSubtypes(const std::vector<ToolkitEvent>& events, int control) {
    Subtypes subtypes;
    for (const ToolkitEvent& event : events)
        if (event.code == ControlEvent && event.control == control) subtypes.insert(event.subtype);
    return subtypes;
}

void WriteBytes(const std::string& name, const std::string& bytes) {
    OwnedFile file(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}
std::string ReadBytes(const std::string& name) {
    OwnedFile file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "(missing)";
    std::string bytes(GetFileSize(file.Get(), nullptr), '\0');
    DWORD got = 0;
    ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    return bytes.substr(0, got);
}
void MakeFolders(const std::string& folder) {
    for (size_t end = folder.find('\\', 3); end != std::string::npos; end = folder.find('\\', end + 1))
        CreateDirectoryA(folder.substr(0, end).c_str(), nullptr);
}
std::string FreshFolder(const std::vector<std::string>& entries) {
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string root = "T:\\" + name + '\\', paths = "T:\\" + name + '\0';
    SHFILEOPSTRUCTA removal{nullptr, FO_DELETE, paths.c_str(), nullptr, FOF_NO_UI, FALSE, nullptr, nullptr};
    SHFileOperationA(&removal);
    MakeFolders(root);
    for (const std::string& entry : entries)
        entry.back() == '\\' ? MakeFolders(root + entry) : WriteBytes(root + entry, "");
    return root;
}

std::string InstallStandIn(const std::string& folder, const std::string& program) {
    // Made afresh, so that the names on the disk have the case asked for.
    const std::string system = folder + program.substr(0, program.find('\\') + 1), report = system + "T3-report.txt";
    for (const std::string& file : {folder + program, report}) DeleteFileA(file.c_str());
    RemoveDirectoryA(system.c_str());
    MakeFolders(system);
    CopyFileA((ProgramFolder() + "T3.exe").c_str(), (folder + program).c_str(), FALSE);
    return report;
}

std::map<std::string, std::string> WaitForReport(const std::string& report, DWORD timeoutMs) {
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

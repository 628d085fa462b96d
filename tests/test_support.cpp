// Helpers shared by the test programs.
#include "tests/test_support.h"

#include <gtest/gtest.h>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>
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

void PumpFor(DWORD ms) {
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}

void ResetToolkit() {
    CloseAllWindows();
    InitWindows();
    InitControls();
}

HWND OpenControlWindow(const std::string& title) {
    ResetToolkit();
    OpenAppWindow(0, 100, 100, 300, 200, WS_CAPTION | WS_SYSMENU, title);
    const HWND window = LastWindowHandle();
    BeginControlList(window);
    SetForegroundWindow(window);
    return window;
}

void ExpectClientAreaAt(HWND window, int x, int y, int width, int height) {
    RECT client, outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
    EXPECT_EQ(width, client.right);
    EXPECT_EQ(height, client.bottom);
    EXPECT_EQ(x, outer.left);
    EXPECT_EQ(y, outer.top);
}

std::string ProgramFolder() {
    std::vector<char> path(MAX_PATH * 4);
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::string text(path.data(), length);
    return text.substr(0, text.find_last_of('\\') + 1);
}

namespace {

INPUT KeyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

}  // namespace

void PressKey(WORD key) {
    INPUT inputs[] = {KeyInput(key, false), KeyInput(key, true)};
    SendInput(2, inputs, sizeof(INPUT));
}

void PressKeyWith(WORD modifier, WORD key) {
    INPUT inputs[] = {KeyInput(modifier, false), KeyInput(key, false), KeyInput(key, true),
                      KeyInput(modifier, true)};
    SendInput(4, inputs, sizeof(INPUT));
}

void ClickAt(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
    INPUT inputs[2]{};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

// WM_SYSTIMER, which the headers do not name.
constexpr int SystemTimerMessage = 0x118;

std::vector<ToolkitEvent> DrainEvents(DWORD quietMs) {
    // A thread timer keeps WaitEvent from blocking for good once the queue is empty.
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
    std::vector<ToolkitEvent> events;
    const DWORD start = GetTickCount();
    DWORD quietSince = start;
    while (GetTickCount() - quietSince < quietMs) {
        if (GetTickCount() - start > 5000) {
            ADD_FAILURE() << "events kept coming for 5 s";
            break;
        }
        const int code = WaitEvent();
        // Timer ticks (ours, and the system's for hot-tracking while the pointer rests on a
        // control) and pointer moves are no events of the test's.
        if (code == WM_TIMER || code == SystemTimerMessage || code == WM_MOUSEMOVE) continue;
        events.push_back({code, EventControlNumber(), EventSubtype()});
        quietSince = GetTickCount();
    }
    KillTimer(nullptr, timer);
    return events;
}

int CountControlEvents(const std::vector<ToolkitEvent>& events, int control, int subtype) {
    int count = 0;
    for (const ToolkitEvent& event : events)
        count += event.code == ControlEvent && event.control == control && event.subtype == subtype;
    return count;
}

struct ErrorBoxes::Watch {
    std::atomic<bool> done{false};
    std::mutex lock;
    std::vector<std::string> texts;
    std::thread thread;
};

ErrorBoxes::ErrorBoxes() : watch_(new Watch) {
    watch_->thread = std::thread([watch = watch_] {
        while (!watch->done) {
            Sleep(20);
            const HWND box = FindWindowA("#32770", "Error");
            DWORD process = 0;
            if (!box || (GetWindowThreadProcessId(box, &process), process != GetCurrentProcessId())) continue;
            char text[2048] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            SendMessageA(box, WM_COMMAND, IDOK, 0);
            {
                const std::lock_guard<std::mutex> guard(watch->lock);
                watch->texts.push_back(text);
            }
            // Answered once: the box may take a moment to go.
            for (int wait = 0; wait < 100 && IsWindow(box); ++wait) Sleep(20);
        }
    });
}

ErrorBoxes::~ErrorBoxes() {
    watch_->done = true;
    watch_->thread.join();
    delete watch_;
}

std::vector<std::string> ErrorBoxes::Take() {
    const std::lock_guard<std::mutex> guard(watch_->lock);
    return std::exchange(watch_->texts, {});
}

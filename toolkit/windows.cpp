// The window table, the window procedure shared by every toolkit window, and the event queue.
#include "toolkit/windows.h"

#include <algorithm>
#include <cstring>
#include <vector>
#include "platform/handles.h"
#include "toolkit/keyboard.h"
#include "toolkit/numbered_slots.h"

namespace {

struct WindowSlot {
    HWND handle = nullptr;  // null: the slot is free
    OwnedAccelerators shortcutTable;
};

struct WindowState {
    NumberedSlots<WindowSlot> slots{10};
    WNDCLASSA classTemplate{};
    std::string className;                 // of the window being opened or closed
    int currentEvent = 0;
    int deferredEvent = 0;
    int eventControl = 0;
    int eventSubtype = 0;
    HWND lastWindowHandle = nullptr;
};
WindowState state;

void FormatClassName(ObjectNumber number) {
    state.className = "WindowClass_" + std::to_string(static_cast<long>(number));
}

// Finds the slot to open a window in; its number (the identifier for AutoNumber) goes to number.
WindowSlot* TakeSlot(ObjectNumber& number) {
    if (number == AutoNumber) {
        number = state.slots.AddAutomatic();
        return state.slots.Resolve(number);
    }
    WindowSlot* slot = state.slots.TableSlot(number);
    if (slot && slot->handle) CloseAppWindow(number);
    return slot;
}

struct WindowPlacement {
    DWORD style;
    bool maximise;
    bool centreOnScreen;
    bool centreOnActive;
};

// Flags are window styles with two inverted conventions: WS_VISIBLE asks for a hidden window,
// and bits 1 and 2 ask for centring.
WindowPlacement PlacementFromFlags(DWORD flags) {
    WindowPlacement placement{};
    placement.centreOnScreen = (flags & CentreOnScreen) && !(flags & CentreOnActiveWindow);
    placement.centreOnActive = (flags & CentreOnActiveWindow) != 0;
    DWORD style = flags & ~(CentreOnScreen | CentreOnActiveWindow);
    if (style == 0 || style == WS_VISIBLE) style |= WS_CAPTION;
    if (style & WS_VISIBLE) {
        style &= ~WS_VISIBLE;
    } else {
        style |= WS_VISIBLE;
        placement.maximise = (style & WS_MAXIMIZE) != 0;
    }
    placement.style = style;
    return placement;
}

POINT CentreOnScreenAt(int outerWidth, int outerHeight) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    return {(screenWidth >> 1) - (std::min(outerWidth, screenWidth) >> 1),
            (screenHeight >> 1) - (std::min(outerHeight, screenHeight) >> 1)};
}

POINT CentreOnActiveAt(int outerWidth, int outerHeight) {
    RECT active;
    const HWND activeWindow = GetActiveWindow();
    if (!activeWindow || !GetWindowRect(activeWindow, &active)) return CentreOnScreenAt(outerWidth, outerHeight);
    const int x = active.left - (outerWidth >> 1) + ((active.right - active.left) >> 1);
    const int y = active.top - (outerHeight >> 1) + ((active.bottom - active.top) >> 1);
    return {std::max(x, 0), std::max(y, 0)};
}

LRESULT OnCommand(HWND window, WPARAM first, LPARAM second) {
    if (second != 0) {
        state.currentEvent = ControlEvent;
        state.eventSubtype = HIWORD(first);
        state.eventControl = static_cast<int>(GetWindowLongPtrA(reinterpret_cast<HWND>(second), GWLP_ID));
        return 0;
    }
    if (HIWORD(first) == 0) return DefWindowProcA(window, WM_COMMAND, first, second);
    // A keyboard shortcut: Tab or Shift+Tab.
    if (LOWORD(first) == NextControlCommand) FocusNextControl();
    if (LOWORD(first) == PreviousControlCommand) FocusPreviousControl();
    return 0;
}

// One slot: a later size or activation replaces one not yet returned.
void Defer(int event) {
    state.deferredEvent = event;
}

LRESULT CALLBACK ToolkitWindowProcedure(HWND window, UINT message, WPARAM first, LPARAM second) {
    switch (message) {
    case ControlNotifyMessage:
        state.currentEvent = ControlEvent;
        state.eventControl = static_cast<int>(first);
        state.eventSubtype = static_cast<int>(second);
        return second;
    case WM_COMMAND:
        return OnCommand(window, first, second);
    case WM_MOVE:
        state.currentEvent = MoveEvent;
        return 0;
    case WM_CLOSE:
        // The logic decides whether the window goes.
        state.currentEvent = CloseEvent;
        return 0;
    case WM_SIZE:
        if (first != SIZE_MINIMIZED) Defer(SizeEvent);
        return 0;
    case WM_ACTIVATE:
        // Answered here, so activation leaves the focus where it is.
        if (LOWORD(first) != WA_INACTIVE) Defer(ActivateEvent);
        return 1;
    default:
        return DefWindowProcA(window, message, first, second);
    }
}

// A modeless dialog (a folder tree's not-ready dialog) takes its keys as any dialog does: Esc,
// Enter and Tab.
bool DialogTookMessage(MSG& message) {
    const HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    char className[8] = "";
    if (!root || !GetClassNameA(root, className, sizeof className) || std::strcmp(className, "#32770") != 0)
        return false;
    return IsDialogMessageA(root, &message);
}

}  // namespace

void InitWindows() {
    state = WindowState{};
    const HINSTANCE module = GetModuleHandleA(nullptr);
    WNDCLASSA& shape = state.classTemplate;
    shape.style = CS_DBLCLKS;
    shape.lpfnWndProc = ToolkitWindowProcedure;
    shape.hInstance = module;
    shape.hIcon = LoadIconA(module, MAKEINTRESOURCEA(1));
    shape.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    shape.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    shape.lpszClassName = "TemplateClass";
    RegisterClassA(&shape);
}

ObjectNumber OpenAppWindow(ObjectNumber number, int x, int y, int width, int height, DWORD flags,
                           const std::string& title) {
    const bool automatic = number == AutoNumber;
    WindowSlot* slot = TakeSlot(number);
    if (!slot) return 0;
    FormatClassName(number);
    state.classTemplate.lpszClassName = state.className.c_str();
    RegisterClassA(&state.classTemplate);  // already registered: the existing class serves

    const WindowPlacement placement = PlacementFromFlags(flags);
    RECT outer{x, y, x + width, y + height};
    AdjustWindowRect(&outer, placement.style, FALSE);
    const int outerWidth = outer.right - outer.left;
    const int outerHeight = outer.bottom - outer.top;
    POINT corner{x, y};
    if (placement.centreOnActive) corner = CentreOnActiveAt(outerWidth, outerHeight);
    if (placement.centreOnScreen) corner = CentreOnScreenAt(outerWidth, outerHeight);

    const HWND window = CreateWindowExA(0, state.className.c_str(), title.c_str(), placement.style, corner.x,
                                        corner.y, outerWidth, outerHeight, nullptr, nullptr,
                                        GetModuleHandleA(nullptr), nullptr);
    if (!window) {
        state.slots.Release(number);
        return 0;
    }
    slot->handle = window;
    state.lastWindowHandle = window;
    if (placement.maximise) ShowWindow(window, SW_MAXIMIZE);
    slot->shortcutTable = BuildShortcutTable(WindowShortcuts());
    return automatic ? number : reinterpret_cast<ObjectNumber>(window);
}

HWND LastWindowHandle() {
    return state.lastWindowHandle;
}

HWND WindowHandle(ObjectNumber number) {
    const WindowSlot* slot = state.slots.Resolve(number);
    return slot ? slot->handle : nullptr;
}

std::string GetWindowTitle(ObjectNumber number) {
    const HWND window = WindowHandle(number);
    if (!window) return {};
    std::vector<char> title(32000);
    const int length = GetWindowTextA(window, title.data(), static_cast<int>(title.size()));
    return std::string(title.data(), std::max(length, 0));
}

void SetWindowTitle(ObjectNumber number, const std::string& title) {
    if (const HWND window = WindowHandle(number)) SetWindowTextA(window, title.c_str());
}


int WaitEvent() {
    state.eventSubtype = -1;
    if (state.deferredEvent != 0) {
        const int event = state.deferredEvent;
        state.deferredEvent = 0;
        state.currentEvent = 0;
        return event;
    }
    MSG message{};
    GetMessageA(&message, nullptr, 0, 0);
    const HWND active = GetActiveWindow();
    const HACCEL shortcuts = FindShortcutTable(active);
    if (!DialogTookMessage(message) && (!shortcuts || !TranslateAcceleratorA(active, shortcuts, &message))) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    const int result = state.currentEvent != 0 ? state.currentEvent : static_cast<int>(message.message);
    state.currentEvent = 0;
    return result;
}

int EventControlNumber() {
    return state.eventControl;
}

int EventSubtype() {
    return state.eventSubtype;
}

HACCEL WindowShortcutTable(HWND window) {
    for (const WindowSlot& slot : state.slots.Automatic())
        if (slot.handle == window) return slot.shortcutTable.Get();
    for (ObjectNumber number = 0; number < state.slots.Bound(); ++number) {
        const WindowSlot& slot = *state.slots.Resolve(number);
        if (slot.handle == window) return slot.shortcutTable.Get();
    }
    return nullptr;
}

void CloseAppWindow(ObjectNumber number) {
    WindowSlot* slot = state.slots.Resolve(number);
    if (!slot || !slot->handle) return;
    if (const HWND owner = GetWindow(slot->handle, GW_OWNER)) SetActiveWindow(owner);
    DestroyWindow(slot->handle);
    FormatClassName(number);
    UnregisterClassA(state.className.c_str(), GetModuleHandleA(nullptr));
    state.slots.Release(number);
}

void CloseAllWindows() {
    while (!state.slots.Automatic().empty()) {
        const ObjectNumber newest = NumberedSlots<WindowSlot>::Identifier(state.slots.Automatic().front());
        CloseAppWindow(newest);
        state.slots.Release(newest);  // a no-op after the close; it only makes sure the loop ends
    }
    for (ObjectNumber number = state.slots.Bound() - 1; number >= 0; --number) CloseAppWindow(number);
}

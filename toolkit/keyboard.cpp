// Tab and Shift+Tab: the shortcut table every toolkit window gets, and the two focus moves.
#include "toolkit/keyboard.h"

#include <cstring>
#include "toolkit/windows.h"

namespace {

bool KeyDown(int key) {
    return (GetKeyState(key) & 0x80) != 0;
}

// A rich-text control takes a plain Tab as text, so the shortcut must not swallow it.
bool PlainTabForRichText() {
    if (!KeyDown(VK_TAB) || KeyDown(VK_CONTROL) || KeyDown(VK_SHIFT) || KeyDown(VK_MENU)) return false;
    char prefix[5] = {};
    const HWND focus = GetFocus();
    if (!focus || !GetClassNameA(focus, prefix, sizeof prefix)) return false;
    return std::strncmp(prefix, "Rich", 4) == 0;
}

bool Eligible(HWND control) {
    return IsWindowEnabled(control) && IsWindowVisible(control) &&
           (GetWindowLongPtrA(control, GWL_STYLE) & WS_TABSTOP);
}

// Where the focus is, when that is inside the active window.
HWND CurrentControl(HWND active) {
    const HWND focus = GetFocus();
    return focus && IsChild(active, focus) ? focus : nullptr;
}

struct ForwardWalk {
    HWND current;
    bool currentSeen;
};

BOOL CALLBACK VisitForward(HWND control, LPARAM data) {
    auto& walk = *reinterpret_cast<ForwardWalk*>(data);
    if (!Eligible(control)) return TRUE;
    if (walk.currentSeen || !walk.current) {
        SetFocus(control);
        walk.currentSeen = false;
        return FALSE;
    }
    if (control == walk.current) walk.currentSeen = true;
    return TRUE;
}

struct BackwardWalk {
    HWND current;
    HWND candidate;
    bool moveDone;
};

BOOL CALLBACK VisitBackward(HWND control, LPARAM data) {
    auto& walk = *reinterpret_cast<BackwardWalk*>(data);
    if (!Eligible(control)) return TRUE;
    if (control == walk.current && walk.candidate) {
        SetFocus(walk.candidate);
        walk.moveDone = true;
        return FALSE;
    }
    walk.candidate = control;
    return TRUE;
}

}  // namespace

std::vector<ACCEL> WindowShortcuts() {
    return {
        {FVIRTKEY | FNOINVERT, VK_TAB, NextControlCommand},
        {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, PreviousControlCommand},
    };
}

OwnedAccelerators BuildShortcutTable(const std::vector<ACCEL>& shortcuts) {
    std::vector<ACCEL> entries = shortcuts;  // the platform call takes a non-const array
    return OwnedAccelerators(CreateAcceleratorTableA(entries.data(), static_cast<int>(entries.size())));
}

HACCEL FindShortcutTable(HWND activeWindow) {
    if (PlainTabForRichText()) return nullptr;
    return activeWindow ? WindowShortcutTable(activeWindow) : nullptr;
}

void FocusNextControl() {
    const HWND active = GetActiveWindow();
    // Without one, the walk would be over every top-level window of the desktop.
    if (!active) return;
    ForwardWalk walk{CurrentControl(active), false};
    EnumChildWindows(active, VisitForward, reinterpret_cast<LPARAM>(&walk));
    // The current control was the last tab stop: wrap round to the first.
    if (walk.currentSeen) EnumChildWindows(active, VisitForward, reinterpret_cast<LPARAM>(&walk));
}

void FocusPreviousControl() {
    const HWND active = GetActiveWindow();
    if (!active) return;
    BackwardWalk walk{CurrentControl(active), nullptr, false};
    EnumChildWindows(active, VisitBackward, reinterpret_cast<LPARAM>(&walk));
    // No earlier tab stop: the last one takes the focus.
    if (!walk.moveDone && walk.candidate) SetFocus(walk.candidate);
}

// Keyboard navigation: Tab and Shift+Tab move the focus between a window's tab stops.
#pragma once

#include <windows.h>
#include <vector>
#include "platform/handles.h"

constexpr WORD NextControlCommand = 1212;
constexpr WORD PreviousControlCommand = 1213;

// The two shortcut entries every toolkit window gets, and the table built from them.
std::vector<ACCEL> WindowShortcuts();
OwnedAccelerators BuildShortcutTable(const std::vector<ACCEL>& shortcuts);

// The table to translate the active window's messages with, or null (rich-text controls keep Tab).
HACCEL FindShortcutTable(HWND activeWindow);

void FocusNextControl();
void FocusPreviousControl();

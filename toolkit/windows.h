// Numbered top-level windows, one class each, and the event queue that the logic waits on.
#pragma once

#include <windows.h>
#include <string>
#include "platform/numbers.h"

// Event codes that WaitEvent returns; any other value is the code of the message just taken.
constexpr int MoveEvent = 3;
constexpr int SizeEvent = 5;
constexpr int CloseEvent = 16;
constexpr int ControlEvent = 13100;
constexpr int ActivateEvent = 13104;

// Posted by controls that report events themselves: first = control number, second = subtype.
constexpr UINT ControlNotifyMessage = 13103;

// OpenAppWindow flags beside the window styles.
constexpr DWORD CentreOnScreen = 1;
constexpr DWORD CentreOnActiveWindow = 2;

void InitWindows();

// x and y place the outer corner on the screen, width and height give the client area.
// Returns the window handle, the identifier for AutoNumber, or 0 when the platform refuses.
ObjectNumber OpenAppWindow(ObjectNumber number, int x, int y, int width, int height, DWORD flags,
                           const std::string& title);
HWND LastWindowHandle();
// The empty text when the number holds no window.
std::string GetWindowTitle(ObjectNumber number);
void SetWindowTitle(ObjectNumber number, const std::string& title);

int WaitEvent();
int EventControlNumber();
int EventSubtype();

void CloseAppWindow(ObjectNumber number);
void CloseAllWindows();

// The platform window of a number, or null.
HWND WindowHandle(ObjectNumber number);
// The keyboard shortcut table of the toolkit window with this handle, or null.
HACCEL WindowShortcutTable(HWND window);

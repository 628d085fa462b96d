// Helpers shared by the test programs.
#pragma once

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// Pumps the thread's messages until done() holds or the time runs out; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Pumps whatever is queued now, and what arrives within the given time.
void PumpFor(DWORD ms);

// Closes every toolkit window and starts the window and control tables afresh.
void ResetToolkit();

// A fresh toolkit with window 0 open, in front, and taking the controls created next.
HWND OpenControlWindow(const std::string& title);
// The window's client area measures width x height and its outer corner is at (x, y).
void ExpectClientAreaAt(HWND window, int x, int y, int width, int height);

// The folder of the running test program, with its final backslash (Corvane.exe and T3.exe
// are built beside it).
std::string ProgramFolder();

// Keyboard input through the real input queue, as a person would type it.
void PressKey(WORD key);
void PressKeyWith(WORD modifier, WORD key);
// A left click at a point of a window's client area.
void ClickAt(HWND window, int x, int y);

// Answers every "Error" box this process shows, from a thread of its own, and keeps their texts.
class ErrorBoxes {
public:
    ErrorBoxes();
    ~ErrorBoxes();
    ErrorBoxes(const ErrorBoxes&) = delete;
    ErrorBoxes& operator=(const ErrorBoxes&) = delete;
    // The texts of the boxes answered so far, oldest first; the list starts afresh.
    std::vector<std::string> Take();

private:
    struct Watch;
    Watch* watch_;
};

// One event as the toolkit's WaitEvent gave it.
struct ToolkitEvent {
    int code;
    int control;
    int subtype;
};
// Takes events with WaitEvent for as long as messages keep coming, until the queue has stayed
// empty for quietMs.
std::vector<ToolkitEvent> DrainEvents(DWORD quietMs = 150);
// How many of the events are ControlEvents of this control with this subtype.
int CountControlEvents(const std::vector<ToolkitEvent>& events, int control, int subtype);

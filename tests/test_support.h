// Helpers shared by the test programs.
#pragma once

#include <windows.h>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>
#include "platform/handles.h"
#include "platform/numbers.h"

// Pumps the thread's messages until done() holds or the time runs out; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// A fresh toolkit (window and control tables) with window 0 open, in front, taking the controls.
HWND OpenControlWindow(const std::string& title);
void ResetToolkit();
std::string ProgramFolder();  // with its final backslash: Corvane.exe and T3.exe are there
HWND Control(ObjectNumber number);

// Input through the real input queue, as a person gives it; the modifier is held, if any.
void PressKey(WORD key, WORD modifier = 0);
void ClickAt(HWND window, int x, int y);
// A medium put in or taken out of drive T:, as the system tells a window, in this process or another.
void MediaChangeOnT(HWND window, WPARAM event);

struct ToolkitEvent { int code, control, subtype; };
// Takes events with WaitEvent for as long as they keep coming, until none came for quietMs.
std::vector<ToolkitEvent> DrainEvents(DWORD quietMs = 150);
using Subtypes = std::multiset<int>;  // a control's event subtypes, in any order
Subtypes ControlSubtypes(const std::vector<ToolkitEvent>& events, int control);

void WriteBytes(const std::string& name, const std::string& bytes);
std::string ReadBytes(const std::string& name);  // "(missing)" when it can't be opened
void MakeFolders(const std::string& folder);     // every folder up to its last backslash
// T:\<the test's name>\ made afresh, with the entries in it; those ending with a backslash are folders.
std::string FreshFolder(const std::vector<std::string>& entries);
// Copies the stand-in game to folder\program; returns where it reports how it was started.
std::string InstallStandIn(const std::string& folder, const std::string& program = "System\\T3.exe");
// The fields (cmd, cwd, ION_ROOT, GameSysModder, settings, show) of the stand-in's report; none if it comes too late.
std::map<std::string, std::string> WaitForReport(const std::string& report, DWORD timeoutMs = 10000);

// Numbered controls: the control table, the standard kinds and their operations.
#pragma once

#include <windows.h>
#include <string>
#include "platform/numbers.h"

// Per-kind operations; an empty slot means the default behaviour.
struct ControlOperations {
    void (*destroy)(HWND control) = nullptr;               // default: DestroyWindow
    int (*getState)(HWND control) = nullptr;
    void (*setState)(HWND control, int value) = nullptr;
    std::string (*getText)(HWND control) = nullptr;        // default: the window text
    void (*setText)(HWND control, const std::string& text) = nullptr;  // default: SetWindowTextA
};

// The table of a kind that keeps every default.
inline constexpr ControlOperations DefaultOperations{};

struct ControlSlot {
    HWND handle = nullptr;  // null: the slot is free
    const ControlOperations* operations = &DefaultOperations;  // never null
    void* kindData = nullptr;  // the kind's own record, for kinds that keep one
    WNDPROC previousProcedure = nullptr;
};

// Text field focus subtypes, posted after the platform's own EN_SETFOCUS and EN_KILLFOCUS.
constexpr int FocusGainedSubtype = 14000;
constexpr int FocusLostSubtype = 14001;

void InitControls();
// Makes the window the parent of the controls created next; returns it.
HWND BeginControlList(HWND window);
HWND CurrentParent();
HFONT ControlFont();

// Each returns the control's handle, the identifier for AutoNumber, or 0 when refused.
ObjectNumber AddButton(ObjectNumber number, int x, int y, int width, int height, const std::string& text);
ObjectNumber AddLabel(ObjectNumber number, int x, int y, int width, int height, const std::string& text);
ObjectNumber AddTextField(ObjectNumber number, int x, int y, int width, int height, const std::string& text);

// The empty text, or nothing done, for a number that holds no control.
std::string GetControlText(ObjectNumber number);
void SetControlText(ObjectNumber number, const std::string& text);
// The kind's state: a button's check, whether the user changed a text field's or a folder tree's
// value since the program last set it. 0, or nothing done, for kinds without one.
int GetControlState(ObjectNumber number);
void SetControlState(ObjectNumber number, int value);

// The first step of every creation, open to other kinds: frees the number (destroying a control
// that holds it) and returns the number to create under: the number itself, or for AutoNumber
// the identifier of a new slot. Returns AutoNumber when no slot can be had.
ObjectNumber AllocateControlSlot(ObjectNumber number);
// The slot of a number or identifier, or null. Slots stay where they are while they live.
ControlSlot* ResolveControl(ObjectNumber number);
// Frees the slot when its control's window goes.
void FreeControlSlot(ObjectNumber number);

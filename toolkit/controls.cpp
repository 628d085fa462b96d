// The control table, the three standard kinds (button, label, text field) and control texts.
#include "toolkit/controls.h"

#include <commctrl.h>
#include <algorithm>
#include <vector>
#include "toolkit/numbered_slots.h"
#include "toolkit/windows.h"

namespace {

struct ControlState {
    NumberedSlots<ControlSlot> slots{30};
    HWND currentParent = nullptr;
    HFONT controlFont = nullptr;
    WNDPROC textFieldProcedure = nullptr;  // what TextFieldFocusProcedure passes on to
};
ControlState state;

int ButtonCheck(HWND button) {
    return static_cast<int>(SendMessageA(button, BM_GETCHECK, 0, 0));
}

void SetButtonCheck(HWND button, int value) {
    SendMessageA(button, BM_SETCHECK, value, 0);
}

// A text field's state: whether the user has changed its text since the program last set it.
int FieldModified(HWND field) {
    return SendMessageA(field, EM_GETMODIFY, 0, 0) ? 1 : 0;
}

void SetFieldModified(HWND field, int value) {
    SendMessageA(field, EM_SETMODIFY, value != 0, 0);
}

// Not every edit control forgets the user's changes when the program sets its text.
void SetFieldText(HWND field, const std::string& text) {
    SetWindowTextA(field, text.c_str());
    SetFieldModified(field, 0);
}

const ControlOperations buttonOperations{nullptr, ButtonCheck, SetButtonCheck, nullptr, nullptr};
const ControlOperations textFieldOperations{nullptr, FieldModified, SetFieldModified, nullptr, SetFieldText};

struct StandardKind {
    const char* className;
    DWORD extendedStyle;
    DWORD style;
    const ControlOperations* operations;
    bool textField;  // reports its focus and keeps whether the user changed it
};

const StandardKind buttonKind{"BUTTON", 0, WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP, &buttonOperations, false};
const StandardKind labelKind{"STATIC", 0, WS_CHILD | WS_VISIBLE | WS_GROUP, &DefaultOperations, false};
const StandardKind textFieldKind{"EDIT", WS_EX_CLIENTEDGE,
                                 WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL,
                                 &textFieldOperations, true};

HWND TopLevelAncestor(HWND window) {
    while (const HWND parent = GetParent(window)) window = parent;
    return window;
}

// Posted after the platform's own focus notifications, so the logic sees those first.
LRESULT CALLBACK TextFieldFocusProcedure(HWND field, UINT message, WPARAM first, LPARAM second) {
    if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        const int subtype = message == WM_SETFOCUS ? FocusGainedSubtype : FocusLostSubtype;
        PostMessageA(TopLevelAncestor(field), ControlNotifyMessage,
                     static_cast<WPARAM>(GetWindowLongPtrA(field, GWLP_ID)), subtype);
    }
    return CallWindowProcA(state.textFieldProcedure, field, message, first, second);
}

LRESULT CALLBACK ToolkitControlProcedure(HWND control, UINT message, WPARAM first, LPARAM second) {
    const ObjectNumber number = GetWindowLongPtrA(control, GWLP_ID);
    const ControlSlot* slot = ResolveControl(number);
    if (!slot || slot->handle != control) return DefWindowProcA(control, message, first, second);
    const WNDPROC previous = slot->previousProcedure;
    // The number becomes free whenever the window goes, whoever destroys it.
    if (message == WM_NCDESTROY) FreeControlSlot(number);
    return CallWindowProcA(previous, control, message, first, second);
}

ObjectNumber AddStandardControl(const StandardKind& kind, ObjectNumber number, int x, int y, int width,
                                int height, const std::string& text) {
    const bool automatic = number == AutoNumber;
    number = AllocateControlSlot(number);
    if (number == AutoNumber) return 0;
    const HWND control = CreateWindowExA(kind.extendedStyle, kind.className, text.c_str(), kind.style, x, y, width,
                                         height, state.currentParent, reinterpret_cast<HMENU>(number),
                                         GetModuleHandleA(nullptr), nullptr);
    if (!control) {
        FreeControlSlot(number);
        return 0;
    }
    ControlSlot& slot = *ResolveControl(number);
    slot.handle = control;
    slot.operations = kind.operations;
    slot.previousProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ToolkitControlProcedure)));
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(state.controlFont), TRUE);
    if (kind.textField) {
        SetFieldModified(control, 0);
        state.textFieldProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TextFieldFocusProcedure)));
    }
    return automatic ? number : reinterpret_cast<ObjectNumber>(control);
}

// The live slot of a number, or null.
const ControlSlot* LiveControl(ObjectNumber number) {
    const ControlSlot* slot = ResolveControl(number);
    return slot && slot->handle ? slot : nullptr;
}

}  // namespace

void InitControls() {
    state = ControlState{};
    state.controlFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    InitCommonControls();
}

HWND BeginControlList(HWND window) {
    state.currentParent = window;
    return window;
}

HWND CurrentParent() {
    return state.currentParent;
}

HFONT ControlFont() {
    return state.controlFont;
}

ObjectNumber AddButton(ObjectNumber number, int x, int y, int width, int height, const std::string& text) {
    return AddStandardControl(buttonKind, number, x, y, width, height, text);
}

ObjectNumber AddLabel(ObjectNumber number, int x, int y, int width, int height, const std::string& text) {
    return AddStandardControl(labelKind, number, x, y, width, height, text);
}

ObjectNumber AddTextField(ObjectNumber number, int x, int y, int width, int height, const std::string& text) {
    return AddStandardControl(textFieldKind, number, x, y, width, height, text);
}

std::string GetControlText(ObjectNumber number) {
    const ControlSlot* slot = LiveControl(number);
    if (!slot) return {};
    if (slot->operations->getText) return slot->operations->getText(slot->handle);
    std::vector<char> text(GetWindowTextLengthA(slot->handle) + 1);
    const int length = GetWindowTextA(slot->handle, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), std::max(length, 0));
}

void SetControlText(ObjectNumber number, const std::string& text) {
    const ControlSlot* slot = LiveControl(number);
    if (!slot) return;
    if (slot->operations->setText) {
        slot->operations->setText(slot->handle, text);
    } else {
        SetWindowTextA(slot->handle, text.c_str());
    }
}

int GetControlState(ObjectNumber number) {
    const ControlSlot* slot = LiveControl(number);
    if (!slot || !slot->operations->getState) return 0;
    return slot->operations->getState(slot->handle);
}

void SetControlState(ObjectNumber number, int value) {
    const ControlSlot* slot = LiveControl(number);
    if (slot && slot->operations->setState) slot->operations->setState(slot->handle, value);
}

ObjectNumber AllocateControlSlot(ObjectNumber number) {
    if (number == AutoNumber) return state.slots.AddAutomatic();
    ControlSlot* slot = state.slots.TableSlot(number);
    if (!slot) return AutoNumber;
    if (slot->handle) {
        if (slot->operations->destroy) {
            slot->operations->destroy(slot->handle);
        } else {
            DestroyWindow(slot->handle);
        }
    }
    *slot = ControlSlot{};  // also when the old window was not one of ours to free it
    return number;
}

ControlSlot* ResolveControl(ObjectNumber number) {
    return state.slots.Resolve(number);
}

void FreeControlSlot(ObjectNumber number) {
    state.slots.Release(number);
}

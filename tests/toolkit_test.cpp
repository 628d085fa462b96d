// The toolkit with real windows and real input: windows and their events, controls, Tab.
#include <gtest/gtest.h>
#include <algorithm>
#include "tests/test_support.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

int Count(const std::vector<ToolkitEvent>& events, int code) {
    return std::count_if(events.begin(), events.end(), [&](const ToolkitEvent& event) { return event.code == code; });
}

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override { window = OpenControlWindow("Toolkit"); }
    void TearDown() override { CloseAllWindows(); }
    HWND window = nullptr;
};

TEST_F(ToolkitTest, AWindowHasAFixedSizeAndTurnsMessagesIntoEvents) {
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_FALSE(GetWindowLongPtrA(window, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX)) << "a fixed size";
    char className[64];
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ("WindowClass_0", className);
    EXPECT_FALSE(IsWindowVisible(reinterpret_cast<HWND>(OpenAppWindow(2, 0, 0, 50, 50, WS_VISIBLE, "2"))))
        << "the flag asks for a hidden window";
    CloseAppWindow(2);
    SetForegroundWindow(window);
    DrainEvents();

    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    std::vector<ToolkitEvent> events = DrainEvents();
    EXPECT_EQ(1, Count(events, CloseEvent));
    EXPECT_TRUE(IsWindow(window)) << "closing is the program's decision";
    // A move outside WaitEvent is what the next message it takes returns.
    SetWindowPos(window, nullptr, 150, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageA(window, WM_NULL, 0, 0);
    events = DrainEvents();
    EXPECT_EQ(MoveEvent, events.at(0).code);
    EXPECT_EQ(-1, events.at(0).subtype);
    PostMessageA(window, ControlNotifyMessage, 7, 42);
    EXPECT_EQ(1, CountControlEvents(DrainEvents(), 7, 42));
    // Activation raises an event, deactivation none; a new size does, minimising doesn't.
    const HWND other = CreateWindowA("STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    SetActiveWindow(other);
    EXPECT_EQ(0, Count(DrainEvents(), ActivateEvent));
    SetActiveWindow(window);
    EXPECT_EQ(1, Count(DrainEvents(), ActivateEvent));
    DestroyWindow(other);
    SetWindowPos(window, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(1, Count(DrainEvents(), SizeEvent));
    ShowWindow(window, SW_MINIMIZE);
    EXPECT_EQ(0, Count(DrainEvents(), SizeEvent));
}

TEST_F(ToolkitTest, ANumberNamesOneControlAndIsFreeOnceItsWindowHasGone) {
    const HWND label = reinterpret_cast<HWND>(AddLabel(3, 0, 0, 80, 20, "Label"));
    const HWND button = reinterpret_cast<HWND>(AddButton(3, 0, 0, 80, 20, "Button"));
    EXPECT_EQ(button, Control(3));
    EXPECT_FALSE(IsWindow(label)) << "a new control under a taken number replaces the old one";
    CloseAppWindow(0);
    EXPECT_EQ(nullptr, Control(3));
}

TEST_F(ToolkitTest, ControlsReportClicksFocusAndWhatTheUserTyped) {
    const HWND field = reinterpret_cast<HWND>(AddTextField(7, 0, 0, 100, 20, "abc"));
    const HWND button = reinterpret_cast<HWND>(AddButton(8, 20, 40, 120, 30, "Press"));
    DrainEvents();
    ClickAt(button, 30, 10);
    std::vector<ToolkitEvent> events = DrainEvents();
    EXPECT_EQ(1, CountControlEvents(events, 8, 0));
    EXPECT_EQ(1, Count(events, ControlEvent)) << "one click, one event";
    // The platform's focus notification comes first, the field's own later.
    PressKeyWith(VK_SHIFT, VK_TAB);
    events = DrainEvents();
    ASSERT_EQ(field, GetFocus());
    const auto at = [&](int subtype) {
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i].control == 7 && events[i].subtype == subtype) return int(i);
        return -1;
    };
    EXPECT_LT(at(EN_SETFOCUS), at(FocusGainedSubtype));
    EXPECT_GE(at(EN_SETFOCUS), 0);
    EXPECT_EQ(0, GetControlState(7)) << "no change of the user's yet";
    PressKey('X');
    PressKey(VK_TAB);
    events = DrainEvents();
    EXPECT_LT(at(EN_KILLFOCUS), at(FocusLostSubtype));
    EXPECT_GE(at(EN_KILLFOCUS), 0);
    EXPECT_EQ(1, GetControlState(7));
    SetControlText(7, "set by the program");
    EXPECT_EQ(0, GetControlState(7));
}

TEST_F(ToolkitTest, TabAndShiftTabWalkTheTabStopsAndWrapRound) {
    // The launcher's mix: tab stops 0, 1, 7, 8, 9, 10 with a label among them.
    AddButton(0, 0, 0, 60, 20, "0");
    AddButton(1, 60, 0, 60, 20, "1");
    AddLabel(2, 0, 30, 60, 20, "label");
    AddTextField(7, 0, 60, 60, 20, "7");
    for (ObjectNumber number : {8, 9, 10}) AddButton(number, 60 * (number - 8), 90, 60, 20, "b");
    SetActiveWindow(window);
    SetFocus(nullptr);
    DrainEvents();
    const auto focusAfter = [](int count, bool shift) {
        std::vector<ObjectNumber> order;
        for (int i = 0; i < count; ++i) {
            shift ? PressKeyWith(VK_SHIFT, VK_TAB) : PressKey(VK_TAB);
            DrainEvents(60);
            order.push_back(GetFocus() ? GetWindowLongPtrA(GetFocus(), GWLP_ID) : -1);
        }
        return order;
    };
    EXPECT_EQ((std::vector<ObjectNumber>{0, 1, 7, 8, 9, 10, 0}), focusAfter(7, false)) << "from no focus, and round";
    SetFocus(nullptr);
    EXPECT_EQ((std::vector<ObjectNumber>{10, 9, 8, 7, 1, 0, 10}), focusAfter(7, true));
    EnableWindow(Control(8), FALSE);
    ShowWindow(Control(9), SW_HIDE);
    SetFocus(Control(7));
    EXPECT_EQ((std::vector<ObjectNumber>{10}), focusAfter(1, false)) << "disabled and hidden ones are skipped";
    PressKeyWith(VK_CONTROL, VK_TAB);
    DrainEvents(60);
    EXPECT_EQ(Control(10), GetFocus()) << "Ctrl+Tab is no shortcut";
}

}  // namespace

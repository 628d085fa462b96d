// The toolkit with real windows and real input: windows and their events, controls, Tab.
#include <gtest/gtest.h>
#include <algorithm>
#include "tests/test_support.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

int Count(const std::vector<ToolkitEvent>& events, int code) { return std::ranges::count(events, code, &ToolkitEvent::code); }

class ToolkitTest : public ::testing::Test {
protected:
    void SetUp() override { window = OpenControlWindow("Toolkit"); }
    void TearDown() override { CloseAllWindows(); }
    HWND window = nullptr;
};

TEST_F(ToolkitTest, AWindowOfAFixedSizeReportsItsCloseAndItsControlsClicksFocusAndTypingAndTabWalksTheTabStops) {
    EXPECT_FALSE(GetWindowLongPtrA(window, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX)) << "a fixed size";
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(1, Count(DrainEvents(), CloseEvent));
    for (ObjectNumber unknown : {ObjectNumber{-5}, ObjectNumber{3}, HighestTableNumber + 1}) CloseAppWindow(unknown);
    EXPECT_TRUE(IsWindow(window)) << "closing is the program's decision, and a number that names no window closes nothing";
    // The launcher's mix, made in the order of their numbers: tab stops 0, 1, 7, 8, 9, 10 with a label among them.
    for (ObjectNumber number : {0, 1, 2, 7, 8, 9, 10})
        (number == 2 ? AddLabel : number == 7 ? AddTextField : AddButton)(number, 25 * number, 0, 25, 20, "x");
    DrainEvents();
    ClickAt(Control(8), 10, 10);
    const std::vector<ToolkitEvent> events = DrainEvents();
    EXPECT_EQ(ControlSubtypes(events, 8), Subtypes{0});
    EXPECT_EQ(1, Count(events, ControlEvent)) << "one click, one event";
    // The field's focus notifications, the platform's first and the field's own later.
    const auto focusEvents = [] {
        std::vector<int> subtypes;
        for (const ToolkitEvent& event : DrainEvents())
            for (int subtype : {EN_SETFOCUS, FocusGainedSubtype, EN_KILLFOCUS, FocusLostSubtype})
                if (event.control == 7 && event.subtype == subtype) subtypes.push_back(subtype);
        return subtypes;
    };
    PressKey(VK_TAB, VK_SHIFT);
    EXPECT_EQ(focusEvents(), (std::vector<int>{EN_SETFOCUS, FocusGainedSubtype}));
    ASSERT_EQ(Control(7), GetFocus());
    EXPECT_EQ(0, GetControlState(7)) << "no change of the user's yet";
    PressKey('X'), PressKey(VK_TAB);
    EXPECT_EQ(focusEvents(), (std::vector<int>{EN_KILLFOCUS, FocusLostSubtype}));
    EXPECT_EQ(1, GetControlState(7));
    SetControlText(7, "set by the program");
    EXPECT_EQ(0, GetControlState(7));
    // Tab and Shift+Tab walk the tab stops and wrap round.
    const auto focusAfter = [](int count, WORD modifier) {
        std::vector<ObjectNumber> order;
        for (int i = 0; i < count; ++i) {
            PressKey(VK_TAB, modifier), DrainEvents(60);
            order.push_back(GetFocus() ? GetWindowLongPtrA(GetFocus(), GWLP_ID) : -1);
        }
        return order;
    };
    SetFocus(nullptr);
    EXPECT_EQ((std::vector<ObjectNumber>{0, 1, 7, 8, 9, 10, 0}), focusAfter(7, 0)) << "from no focus, and round";
    SetFocus(nullptr);
    EXPECT_EQ((std::vector<ObjectNumber>{10, 9, 8, 7, 1, 0, 10}), focusAfter(7, VK_SHIFT));
    EnableWindow(Control(8), FALSE), ShowWindow(Control(9), SW_HIDE), SetFocus(Control(7));
    EXPECT_EQ((std::vector<ObjectNumber>{10}), focusAfter(1, 0)) << "disabled and hidden ones are skipped";
    EXPECT_EQ((std::vector<ObjectNumber>{10}), focusAfter(1, VK_CONTROL)) << "Ctrl+Tab is no shortcut";
    // A number names one control: a new one under it replaces the old one, and it is free once its window has gone.
    const HWND button = Control(10), label = reinterpret_cast<HWND>(AddLabel(10, 0, 30, 60, 20, "label"));
    EXPECT_TRUE(label == Control(10) && !IsWindow(button));
    // The highest number is taken, the next one refused.
    const HWND highest = reinterpret_cast<HWND>(AddLabel(HighestTableNumber, 0, 0, 9, 9, ""));
    EXPECT_EQ(highest, Control(HighestTableNumber));
    EXPECT_EQ(0, AddLabel(HighestTableNumber + 1, 0, 0, 9, 9, ""));
    const ObjectNumber first = AddLabel(AutoNumber, 0, 0, 9, 9, "first"), second = AddLabel(AutoNumber, 0, 0, 9, 9, "second");
    EXPECT_EQ("first|second", GetControlText(first) + "|" + GetControlText(second)) << "each AutoNumber control by its own identifier";
    CloseAppWindow(0);
    EXPECT_EQ(nullptr, Control(10));
    EXPECT_EQ(0, AddButton(5, 0, 0, 60, 20, "b")) << "no control on a window that has gone";
}

}  // namespace

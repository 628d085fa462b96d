// The control table and the standard controls, with real windows and real input.
#include <gtest/gtest.h>
#include "tests/test_support.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = OpenControlWindow("Controls");
        DrainEvents();
    }
    void TearDown() override { CloseAllWindows(); }

    HWND window = nullptr;
};

TEST_F(ControlsTest, ANewControlUnderATakenNumberReplacesTheOldOne) {
    const HWND label = reinterpret_cast<HWND>(AddLabel(3, 0, 0, 80, 20, "Label"));
    ASSERT_TRUE(label);
    EXPECT_EQ("Label", GetControlText(3));
    const HWND button = reinterpret_cast<HWND>(AddButton(3, 0, 0, 80, 20, "Button"));
    EXPECT_FALSE(IsWindow(label));
    EXPECT_EQ("Button", GetControlText(3));
    EXPECT_EQ(button, ResolveControl(3)->handle);
}

TEST_F(ControlsTest, GrowingTheTableKeepsControlsAndDestroyingTheParentFreesEverySlot) {
    AddButton(0, 0, 0, 50, 20, "Zero");
    AddButton(29, 0, 0, 50, 20, "TwentyNine");
    AddButton(30, 0, 0, 50, 20, "Thirty");
    AddButton(75, 0, 0, 50, 20, "SeventyFive");
    const ObjectNumber automatic = AddTextField(AutoNumber, 0, 0, 50, 20, "Auto");
    EXPECT_EQ("Zero", GetControlText(0)) << "growth must not lose control 0";
    EXPECT_EQ("Thirty", GetControlText(30));
    EXPECT_EQ("SeventyFive", GetControlText(75));
    CloseAppWindow(0);
    for (ObjectNumber number : {0, 29, 30, 75}) EXPECT_EQ(nullptr, ResolveControl(number)->handle) << number;
    EXPECT_EQ(nullptr, ResolveControl(automatic)) << "the AutoNumber slot is released";
}

TEST_F(ControlsTest, OneClickGivesExactlyOneControlEventWithSubtypeZero) {
    const HWND button = reinterpret_cast<HWND>(AddButton(9, 20, 20, 120, 30, "Press"));
    ASSERT_TRUE(button);
    DrainEvents();
    ClickAt(button, 30, 10);
    const std::vector<ToolkitEvent> events = DrainEvents();
    EXPECT_EQ(1, CountControlEvents(events, 9, 0));
    int controlEvents = 0;
    for (const ToolkitEvent& event : events) controlEvents += event.code == ControlEvent;
    EXPECT_EQ(1, controlEvents);
}

TEST_F(ControlsTest, TextFieldReportsFocusTwicePlatformFirst) {
    const HWND field = reinterpret_cast<HWND>(AddTextField(7, 0, 0, 100, 20, "abc"));
    const HWND button = reinterpret_cast<HWND>(AddButton(8, 0, 30, 100, 20, "Other"));
    SetFocus(button);
    DrainEvents();

    // Moved by the keyboard, so the focus changes while WaitEvent dispatches, as in use.
    PressKeyWith(VK_SHIFT, VK_TAB);
    std::vector<ToolkitEvent> events = DrainEvents();
    ASSERT_EQ(field, GetFocus());
    auto position = [&](int subtype) {
        for (size_t i = 0; i < events.size(); ++i)
            if (events[i].code == ControlEvent && events[i].control == 7 && events[i].subtype == subtype) return int(i);
        return -1;
    };
    EXPECT_EQ(1, CountControlEvents(events, 7, EN_SETFOCUS));
    EXPECT_EQ(1, CountControlEvents(events, 7, FocusGainedSubtype));
    EXPECT_LT(position(EN_SETFOCUS), position(FocusGainedSubtype));

    PressKey(VK_TAB);
    events = DrainEvents();
    ASSERT_EQ(button, GetFocus());
    EXPECT_EQ(1, CountControlEvents(events, 7, EN_KILLFOCUS));
    EXPECT_EQ(1, CountControlEvents(events, 7, FocusLostSubtype));
    EXPECT_LT(position(EN_KILLFOCUS), position(FocusLostSubtype));
}

}  // namespace

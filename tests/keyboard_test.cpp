// Tab and Shift+Tab with the real keyboard queue.
#include <gtest/gtest.h>
#include <richedit.h>
#include "tests/test_support.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = OpenControlWindow("Keys");
        // The launcher's mix: tab stops 0, 1, 7, 8, 9, 10 with a label between.
        AddButton(0, 0, 0, 60, 20, "0");
        AddButton(1, 60, 0, 60, 20, "1");
        AddLabel(2, 0, 30, 60, 20, "label");
        AddTextField(7, 0, 60, 60, 20, "7");
        for (ObjectNumber number : {8, 9, 10}) AddButton(number, 60 * (number - 8), 90, 60, 20, "b");
        SetActiveWindow(window);
        DrainEvents();
    }
    void TearDown() override { CloseAllWindows(); }

    static HWND Control(ObjectNumber number) { return ResolveControl(number)->handle; }

    // The control numbers that hold the focus after each of count key presses.
    std::vector<ObjectNumber> FocusAfterEach(int count, bool shift) {
        std::vector<ObjectNumber> order;
        for (int i = 0; i < count; ++i) {
            if (shift) {
                PressKeyWith(VK_SHIFT, VK_TAB);
            } else {
                PressKey(VK_TAB);
            }
            DrainEvents(60);
            order.push_back(GetFocus() ? GetWindowLongPtrA(GetFocus(), GWLP_ID) : -1);
        }
        return order;
    }

    HWND window = nullptr;
};

TEST_F(KeyboardTest, ShiftTabWalksBackAndWraps) {
    SetFocus(Control(1));
    EXPECT_EQ((std::vector<ObjectNumber>{0, 10, 9, 8, 7, 1}), FocusAfterEach(6, true));
}

TEST_F(KeyboardTest, DisabledAndHiddenButtonsAreSkippedBothWays) {
    EnableWindow(Control(8), FALSE);
    ShowWindow(Control(9), SW_HIDE);
    SetFocus(Control(7));
    EXPECT_EQ((std::vector<ObjectNumber>{10, 0}), FocusAfterEach(2, false));
    SetFocus(Control(10));
    EXPECT_EQ((std::vector<ObjectNumber>{7}), FocusAfterEach(1, true));
}

TEST_F(KeyboardTest, FromAControlThatIsNoTabStopTabStaysAndShiftTabGoesToTheLast) {
    SetFocus(Control(2));
    EXPECT_EQ((std::vector<ObjectNumber>{2}), FocusAfterEach(1, false));
    EXPECT_EQ((std::vector<ObjectNumber>{10}), FocusAfterEach(1, true));
}

TEST_F(KeyboardTest, CtrlTabIsNotTranslated) {
    SetFocus(Control(8));
    PressKeyWith(VK_CONTROL, VK_TAB);
    DrainEvents(60);
    EXPECT_EQ(Control(8), GetFocus());
}

TEST_F(KeyboardTest, RichTextKeepsPlainTabButNotShiftTab) {
    ASSERT_TRUE(LoadLibraryA("riched20.dll"));
    const HWND rich = CreateWindowExA(0, RICHEDIT_CLASSA, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE, 150,
                                      30, 100, 40, window, reinterpret_cast<HMENU>(20), nullptr, nullptr);
    ASSERT_TRUE(rich);
    SetFocus(rich);
    PressKey(VK_TAB);
    DrainEvents(60);
    EXPECT_EQ(rich, GetFocus());
    char text[8] = {};
    GetWindowTextA(rich, text, sizeof text);
    EXPECT_STREQ("\t", text) << "the rich-text control received the Tab itself";
    PressKeyWith(VK_SHIFT, VK_TAB);
    DrainEvents(60);
    EXPECT_EQ(Control(10), GetFocus());
}

}  // namespace

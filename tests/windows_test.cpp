// The window table and the event queue, with real windows.
#include <gtest/gtest.h>
#include "tests/test_support.h"
#include "toolkit/windows.h"

namespace {

constexpr DWORD LauncherFlags = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetToolkit(); }
    void TearDown() override { CloseAllWindows(); }

    static HWND Open(ObjectNumber number, DWORD flags = LauncherFlags) {
        return reinterpret_cast<HWND>(OpenAppWindow(number, 100, 80, 200, 120, flags, "Test"));
    }
};

bool ClassRegistered(const char* name) {
    WNDCLASSA info;
    return GetClassInfoA(GetModuleHandleA(nullptr), name, &info) != 0;
}

TEST_F(WindowsTest, WindowHasItsClientSizeAtItsCorner) {
    const HWND window = reinterpret_cast<HWND>(OpenAppWindow(0, 212, 57, 321, 187, LauncherFlags, "Corvane"));
    ASSERT_TRUE(window);
    EXPECT_EQ(window, LastWindowHandle());
    ExpectClientAreaAt(window, 212, 57, 321, 187);
    EXPECT_TRUE(IsWindowVisible(window));
    const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX)) << "the launcher window has a fixed size";
    char className[64];
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ("WindowClass_0", className);
    EXPECT_EQ("Corvane", GetWindowTitle(0));
    SetWindowTitle(0, GetWindowTitle(0) + " - more");
    EXPECT_EQ("Corvane - more", GetWindowTitle(0));
}

TEST_F(WindowsTest, VisibleFlagAsksForAHiddenWindowAndCaptionIsTheDefault) {
    const HWND plain = Open(1, 0);
    const HWND hidden = Open(2, WS_VISIBLE);
    EXPECT_TRUE(IsWindowVisible(plain));
    EXPECT_FALSE(IsWindowVisible(hidden));
    EXPECT_EQ(WS_CAPTION, GetWindowLongPtrA(plain, GWL_STYLE) & WS_CAPTION);
    EXPECT_EQ(WS_CAPTION, GetWindowLongPtrA(hidden, GWL_STYLE) & WS_CAPTION);
}

TEST_F(WindowsTest, CentringStaysOnTheScreen) {
    const HWND left = reinterpret_cast<HWND>(OpenAppWindow(1, 0, 0, 50, 40, LauncherFlags, "Left"));
    SetActiveWindow(left);
    const HWND centred = Open(2, LauncherFlags | CentreOnActiveWindow);
    RECT outer;
    GetWindowRect(centred, &outer);
    EXPECT_GE(outer.left, 0);
    EXPECT_GE(outer.top, 0);

    const HWND onScreen = Open(3, LauncherFlags | CentreOnScreen);
    GetWindowRect(onScreen, &outer);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2 - (outer.right - outer.left) / 2, outer.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) / 2 - (outer.bottom - outer.top) / 2, outer.top);
}

TEST_F(WindowsTest, ReopeningANumberReplacesTheWindowAndClosingUnregistersItsClass) {
    const HWND first = Open(3);
    const HWND second = Open(3);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(second));
    EXPECT_TRUE(ClassRegistered("WindowClass_3"));
    CloseAppWindow(3);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_FALSE(ClassRegistered("WindowClass_3"));
    EXPECT_EQ("", GetWindowTitle(3));
}

TEST_F(WindowsTest, GrowingTheTableKeepsEveryWindowAndCloseAllReachesThemAll) {
    std::vector<HWND> windows{Open(0), Open(9), Open(10), Open(39), Open(45)};
    const ObjectNumber automatic = OpenAppWindow(AutoNumber, 10, 10, 50, 50, LauncherFlags, "Auto");
    ASSERT_GT(automatic, 1000) << "an AutoNumber window is named by an identifier outside the table";
    EXPECT_EQ("Auto", GetWindowTitle(automatic));
    const HWND automaticWindow = WindowHandle(automatic);
    EXPECT_EQ(windows[0], WindowHandle(0)) << "growth must not lose window 0";
    EXPECT_EQ(windows[4], WindowHandle(45));
    CloseAllWindows();
    for (HWND window : windows) EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(automaticWindow));
    EXPECT_EQ(nullptr, WindowHandle(automatic));
}

TEST_F(WindowsTest, CloseBoxRaisesCloseEventAndTheWindowStays) {
    const HWND window = Open(0);
    DrainEvents();
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    const std::vector<ToolkitEvent> events = DrainEvents();
    ASSERT_FALSE(events.empty());
    int closes = 0;
    for (const ToolkitEvent& event : events)
        if (event.code == CloseEvent) {
            ++closes;
            EXPECT_EQ(-1, event.subtype);
        }
    EXPECT_EQ(1, closes);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(WindowsTest, DeferredEventComesFirstAndDropsTheImmediateOne) {
    const HWND window = Open(0);
    // Creation raised a move and deferred a size or an activation.
    const int first = WaitEvent();
    EXPECT_TRUE(first == ActivateEvent || first == SizeEvent) << first;
    EXPECT_EQ(-1, EventSubtype());
    PostMessageA(window, WM_USER + 5, 0, 0);
    const std::vector<ToolkitEvent> events = DrainEvents();
    bool posted = false;
    for (const ToolkitEvent& event : events) {
        EXPECT_NE(MoveEvent, event.code);
        posted |= event.code == WM_USER + 5;
    }
    EXPECT_TRUE(posted);
}

TEST_F(WindowsTest, ControlNotificationsAndMovesBecomeEvents) {
    const HWND window = Open(0);
    DrainEvents();
    PostMessageA(window, ControlNotifyMessage, 7, 42);
    std::vector<ToolkitEvent> events = DrainEvents();
    EXPECT_EQ(1, CountControlEvents(events, 7, 42));
    SetWindowPos(window, nullptr, 150, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageA(window, WM_NULL, 0, 0);
    events = DrainEvents();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(MoveEvent, events.front().code);
    EXPECT_EQ(-1, events.front().subtype);
}

}  // namespace

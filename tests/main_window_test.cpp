// The launcher's window in-process: title, layout, Tab order and the dispatch of button events.
#include <gtest/gtest.h>
#include "launcher/main_window.h"
#include "launcher/registry.h"
#include "tests/test_support.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetToolkit();
        ASSERT_TRUE(BuildMainWindow());
        AppendTitleSuffix();
        window = WindowHandle(MainWindow);
        SetForegroundWindow(window);
        DrainEvents();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, GameKey);
    }
    void TearDown() override {
        CloseAllWindows();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, GameKey);
    }

    static HWND Control(ObjectNumber number) { return ResolveControl(number)->handle; }
    static RECT PlaceOf(HWND control) {
        RECT place;
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, WindowHandle(MainWindow), reinterpret_cast<POINT*>(&place), 2);
        return place;
    }
    // A button event as the platform would send it, with the given notification code.
    void PostButtonEvent(ObjectNumber number, WORD code) {
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(number, code), reinterpret_cast<LPARAM>(Control(number)));
    }
    static bool GameKeyExists() {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, GameKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }

    HWND window = nullptr;
};

TEST_F(MainWindowTest, TitleSizeAndPlace) {
    EXPECT_EQ("Corvane - by Pellworth - 2.02 GL", GetWindowTitle(MainWindow));
    ExpectClientAreaAt(window, 305, 39, 378, 243);
}

TEST_F(MainWindowTest, ElevenControlsFillTheWindowWithoutOverlapping) {
    std::vector<RECT> places;
    for (ObjectNumber number = 0; number <= 10; ++number) {
        ASSERT_TRUE(Control(number)) << number;
        places.push_back(PlaceOf(Control(number)));
        const RECT& place = places.back();
        EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= 378 && place.bottom <= 243) << number;
    }
    for (size_t a = 0; a < places.size(); ++a)
        for (size_t b = a + 1; b < places.size(); ++b) {
            RECT overlap;
            EXPECT_FALSE(IntersectRect(&overlap, &places[a], &places[b])) << a << " and " << b;
        }
    EXPECT_EQ("Launch Thief 3", GetControlText(LaunchGameButton));
    EXPECT_EQ("T3Gamesys.t3u", GetControlText(GamesysField));
    EXPECT_EQ(378, places[BrowseButton].right) << "the gamesys row ends at the right edge";
}

TEST_F(MainWindowTest, TabVisitsButtonsAndFieldButNeverLabelsOrTrees) {
    SetFocus(Control(LaunchGameButton));
    std::vector<ObjectNumber> order;
    for (int i = 0; i < 6; ++i) {
        PressKey(VK_TAB);
        DrainEvents(60);
        order.push_back(GetWindowLongPtrA(GetFocus(), GWLP_ID));
    }
    EXPECT_EQ((std::vector<ObjectNumber>{LaunchEditorButton, GamesysField, BrowseButton, ActivateGameButton,
                                         ActivateEditorButton, LaunchGameButton}),
              order);
}

TEST_F(MainWindowTest, ActivateActsOnlyOnAPlainClickAndTheLoopEndsOnClose) {
    SetControlText(GameTree, "T:\\");
    PostButtonEvent(ActivateGameButton, BN_DOUBLECLICKED);
    PostMessageA(window, WM_CLOSE, 0, 0);
    RunEventLoop();
    EXPECT_FALSE(GameKeyExists()) << "a notification other than a click changes nothing";
    EXPECT_TRUE(IsWindow(window)) << "closing is the logic's decision";

    PostButtonEvent(ActivateGameButton, BN_CLICKED);
    PostMessageA(window, WM_CLOSE, 0, 0);
    RunEventLoop();
    EXPECT_TRUE(GameKeyExists());
}

// Cancels the chooser when it shows, noting that it did; once it has gone, closes the window.
int choosersSeen = 0;
void CALLBACK CancelChooser(HWND, UINT, UINT_PTR, DWORD) {
    if (const HWND chooser = FindWindowA(nullptr, "Choose the gamesys file...")) {
        ++choosersSeen;
        PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
    } else if (choosersSeen > 0) {
        PostMessageA(WindowHandle(MainWindow), WM_CLOSE, 0, 0);
    }
}

TEST_F(MainWindowTest, BrowseOpensTheChooserForAnySubtypeAndCancelKeepsTheField) {
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, CancelChooser);
    choosersSeen = 0;
    PostButtonEvent(BrowseButton, BN_DOUBLECLICKED);
    RunEventLoop();
    KillTimer(nullptr, timer);
    EXPECT_EQ(1, choosersSeen);
    EXPECT_EQ("T3Gamesys.t3u", GetControlText(GamesysField));
}

}  // namespace

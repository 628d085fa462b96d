// The message box and the file chooser, answered from a watcher thread as a person would.
#include <gtest/gtest.h>
#include <windows.h>
#include <dlgs.h>
#include <string>
#include <thread>
#include <tuple>
#include <vector>
#include "launcher/main_window.h"
#include "platform/modal_boxes.h"
#include "tests/launcher_test_support.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

std::string TextOf(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// What the chooser showed: its name field, its filter count and the selected filter.
using ChooserView = std::tuple<std::string, LRESULT, std::string>;

// Reads the chooser when it comes, then types the answer and accepts it, or cancels without one.
std::thread AnswerChooser(ChooserView& view, const std::string& answer) {
    return std::thread([&view, answer] {
        HWND box = WaitForWindow("#32770", "Choose the gamesys file...");
        HWND name = GetDlgItem(box, edt1) ? GetDlgItem(box, edt1) : GetDlgItem(box, cmb13);
        HWND filters = GetDlgItem(box, cmb1);
        char filter[256] = "";
        SendMessageA(filters, CB_GETLBTEXT, SendMessageA(filters, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(filter));
        view = {TextOf(name), SendMessageA(filters, CB_GETCOUNT, 0, 0), filter};
        SetWindowTextA(name, answer.c_str());
        PostMessageA(box, WM_COMMAND, answer.empty() ? IDCANCEL : IDOK, 0);
    });
}

TEST(FileNameTest, NamePartAndPlainNames) {
    EXPECT_EQ("T3Gamesys.t3u", FileNamePart("C:\\Games\\T3\\T3Gamesys.t3u"));
    EXPECT_EQ("plain.t3u", FileNamePart("plain.t3u"));
    EXPECT_EQ("Mine.t3u", FileNamePart("\"C:\\Mods\\Mine.t3u\""));
    EXPECT_TRUE(IsPlainFileName("T3 Gamesys\xE9.t3u"));
    for (const char* name : {"", "*.t3u", "a?", "a\\b", "a/b", "C:", "a\"", "<a>", "a|b", "tab\t"})
        EXPECT_FALSE(IsPlainFileName(name)) << name;
}

class ModalBoxesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetToolkit();
        OpenAppWindow(MainWindow, 0, 0, 300, 100, WS_CAPTION, "Main");
        main = LastWindowHandle();
        BeginControlList(main);
        AddTextField(GamesysField, 0, 0, 200, 20, "T3Gamesys.t3u");
        for (DWORD style : {DWORD{WS_VISIBLE}, DWORD{WS_VISIBLE | WS_DISABLED}, DWORD{0}})
            others.push_back(CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW | style, 0, 0, 99, 50, nullptr, nullptr,
                                           nullptr, nullptr));
        SetForegroundWindow(main);
    }
    void TearDown() override {
        for (HWND window : others) DestroyWindow(window);
        CloseAllWindows();
    }

    HWND main = nullptr;
    std::vector<HWND> others;  // visible, disabled beforehand, hidden
};

TEST_F(ModalBoxesTest, AMessageBoxDisablesExactlyTheOtherUsableWindowsWhileItIsUp) {
    ASSERT_EQ(main, GetForegroundWindow());
    std::string text;
    HWND owner = nullptr;
    BOOL visibleEnabled = TRUE;
    std::thread watcher([&] {
        HWND box = WaitForWindow("#32770", "Error");
        text = TextOf(GetDlgItem(box, 0xFFFF));
        owner = GetWindow(box, GW_OWNER);
        visibleEnabled = IsWindowEnabled(others[0]);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(IDOK, ShowMessage("Error", "Unknown command line parameter: /x"));
    watcher.join();
    EXPECT_EQ("Unknown command line parameter: /x", text);
    EXPECT_EQ(main, owner) << "the foreground window owns the box";
    EXPECT_FALSE(visibleEnabled);
    EXPECT_TRUE(IsWindowEnabled(main) && IsWindowEnabled(others[0]) && IsWindowEnabled(others[2]));
    EXPECT_FALSE(IsWindowEnabled(others[1])) << "a window disabled before stays disabled";
}

TEST_F(ModalBoxesTest, TheGamesysChooserOffersT3UFilesAndKeepsOnlyTheChosenName) {
    MakeFolders("C:\\Mods\\System");
    ChooserView view;
    std::thread watcher = AnswerChooser(view, "C:\\Mods\\System\\Mine.t3u");
    ChooseGamesysFile();
    watcher.join();
    EXPECT_EQ(ChooserView("T3Gamesys.t3u", 1, "T3U Files"), view);
    EXPECT_EQ("Mine.t3u", GetControlText(GamesysField));
}

TEST_F(ModalBoxesTest, TheDefaultFilesFolderAndWildcardsDoNotReachTheNameField) {
    for (const auto& [defaultFile, name] : {std::pair{"C:\\Games\\T3\\T3Gamesys.t3u", "T3Gamesys.t3u"},
                                            {"C:\\Games\\*.t3u", ""}, {"C:\\Games\\", ""}}) {
        ChooserView view;
        std::thread watcher = AnswerChooser(view, "");
        EXPECT_EQ("", ChooseFile("Choose the gamesys file...", defaultFile, "All|*.*|T3U Files|*.t3u", 1));
        watcher.join();
        EXPECT_EQ(ChooserView(name, 2, "T3U Files"), view) << defaultFile;
    }
}

}  // namespace

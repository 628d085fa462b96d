// The game's registry values, and activating and starting an installation from the controls.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "launcher/launching.h"
#include "launcher/main_window.h"
#include "launcher/registry.h"
#include "platform/program.h"
#include "tests/launcher_test_support.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

std::string ReadIonRoot() { return ReadRegistryText(HKEY_LOCAL_MACHINE, GameKey, "ION_ROOT"); }

// Controls 4, 5 and 7 as plain text fields: the launcher only reads and writes their texts.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteGameKey();
        ResetToolkit();
        OpenAppWindow(MainWindow, 0, 0, 300, 100, WS_CAPTION, "Activation");
        BeginControlList(LastWindowHandle());
        for (ObjectNumber control : {EditorTree, GameTree, GamesysField}) AddTextField(control, 0, 0, 99, 20, "");
        SetControlText(GamesysField, "Mine.t3u");
    }
    void TearDown() override {
        CloseAllWindows();
        DeleteGameKey();
    }

    static void ExpectActive(const std::string& root, const std::string& gamesys) {
        EXPECT_EQ(WithZero(root), GameValue("ION_ROOT"));
        EXPECT_EQ(WithZero(gamesys), GameValue("GameSysModder"));
    }
};

TEST_F(RegistryTest, ReadingGivesTheTextOrAnErrorAndNeverMoreThanTheData) {
    EXPECT_EQ("Error Opening Key", ReadIonRoot());
    EXPECT_EQ(2, WriteRegistryText(HKEY_LOCAL_MACHINE, GameKey, "ION_ROOT", "C:\\Games\\T3"));
    EXPECT_EQ(12u, GameValue("ION_ROOT").size());
    EXPECT_EQ("C:\\Games\\T3", ReadIonRoot());
    EXPECT_EQ("Error Reading Key", ReadRegistryText(HKEY_LOCAL_MACHINE, GameKey, "Missing"));
    const std::string fits(254, 'f');
    const struct {
        std::string data;
        DWORD type;
        std::string text;
    } cases[] = {
        {WithZero(fits), REG_SZ, fits},
        {WithZero(std::string(255, 'l')), REG_SZ, "Error Reading Key"},
        {WithZero(std::string(10000, 'h')), REG_SZ, "Error Reading Key"},
        {fits, REG_SZ, fits},
        {"", REG_SZ, ""},
        {std::string("AB\0\0", 4), REG_DWORD, "AB"},
        {"ABCD", REG_DWORD, "ABCD"},
    };
    for (const auto& test : cases) {
        SetGameValue("ION_ROOT", test.data, test.type);
        EXPECT_EQ(test.text, ReadIonRoot()) << test.data.size() << " bytes of type " << test.type;
    }
}

TEST_F(RegistryTest, EachActivationWritesItsOwnTreesFolderOrNothingAndSaysWhy) {
    ErrorBoxes boxes;
    SetControlText(GameTree, "C:\\Games\\T3\\");
    SetControlText(EditorTree, "D:\\T3Edit\\");
    EXPECT_TRUE(ActivateEditor());
    ExpectActive("D:\\T3Edit", "D:\\T3Edit\\System\\Mine.t3u");
    EXPECT_TRUE(ActivateGame());
    ExpectActive("C:\\Games\\T3", "C:\\Games\\T3\\System\\Mine.t3u");
    SetControlText(GameTree, "");
    EXPECT_FALSE(ActivateGame());
    SetControlText(GamesysField, "");
    EXPECT_FALSE(ActivateEditor());
    SetControlText(GamesysField, "Sub\\Mine.t3u");
    EXPECT_FALSE(ActivateEditor());
    ExpectActive("C:\\Games\\T3", "C:\\Games\\T3\\System\\Mine.t3u");
    const std::vector<std::string> texts = boxes.Take();
    ASSERT_EQ(3u, texts.size());
    EXPECT_EQ(0u, texts[0].find("No Thief 3 folder is chosen.")) << texts[0];
    EXPECT_EQ(0u, texts[1].find("No gamesys file is named.")) << texts[1];
    EXPECT_EQ(0u, texts[2].find("The gamesys name is not a file name: Sub\\Mine.t3u")) << texts[2];
}

TEST_F(RegistryTest, StartingRunsSystemT3WithDoubledBackslashes) {
    for (const auto& [tree, folder, parameter] : {std::tuple{GameTree, "T:\\activation\\Game\\", ""},
                                                  {EditorTree, "T:\\activation\\Editor\\", "-editor"}}) {
        const std::string report = InstallStandIn(folder);
        SetControlText(tree, folder);
        EXPECT_NE(0, tree == GameTree ? StartGame() : StartEditor());
        auto fields = WaitForReport(report);
        EXPECT_STRCASEEQ((folder + std::string("\\System\\T3.exe")).c_str(), ProgramParameter(fields["cmd"], -1).c_str());
        EXPECT_EQ(parameter, ProgramParameter(fields["cmd"], 0));
        EXPECT_STRCASEEQ((folder + std::string("System")).c_str(), fields["cwd"].c_str());
    }
}

}  // namespace

// The real Corvane.exe as its own process: switches, the settings file and bad input.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <map>
#include <string>
#include <vector>
#include "platform/program.h"
#include "tests/launcher_test_support.h"

namespace {

const std::string Root = "C:\\corvane-e2e\\";
const std::string Work = Root + "work\\";
const std::string Settings = Work + "Corvane.ini";
const std::string Game = Root + "Game\\";
const std::string Editor = Root + "Editor\\";
constexpr DWORD TimedOut = 0xDEAD;

std::string ThreeLines(const std::string& editor, const std::string& game, const std::string& gamesys) {
    return editor + "\r\n" + game + "\r\n" + gamesys + "\r\n";
}

class CorvaneExeTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeFolders(Work);
        reports = {{Game, InstallStandIn(Game)}, {Editor, InstallStandIn(Editor)}};
        RemoveSettings();
        DeleteGameKey();
        SetGameValue("ION_ROOT", WithZero("C:\\Elsewhere"));
        WriteBytes(Settings, ThreeLines(Editor, Game, "X.t3u"));
    }
    void TearDown() override {
        RemoveSettings();
        DeleteGameKey();
    }

    static void RemoveSettings() {
        SetFileAttributesA(Settings.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(Settings.c_str());
        RemoveDirectoryA(Settings.c_str());
    }

    // Starts Corvane.exe in the work folder with this text after the quoted program path.
    void Start(const std::string& arguments) {
        std::string commandLine = "\"";
        commandLine.append(ProgramFolder()).append("Corvane.exe\" ").append(arguments);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        ASSERT_TRUE(CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, Work.c_str(),
                                   &startup, &started));
        OwnedHandle thread(started.hThread);
        process.Reset(started.hProcess);
    }

    // The exit code, or TimedOut when the process had to be ended.
    DWORD Finish() {
        if (WaitForSingleObject(process.Get(), 20000) != WAIT_OBJECT_0) TerminateProcess(process.Get(), TimedOut);
        WaitForSingleObject(process.Get(), 5000);
        DWORD exitCode = TimedOut;
        GetExitCodeProcess(process.Get(), &exitCode);
        return exitCode;
    }

    DWORD Run(const std::string& arguments) {
        Start(arguments);
        return Finish();
    }

    static HWND MainWindow() { return WaitForWindow(nullptr, "Corvane - by Pellworth - 2.02 GL"); }

    // Runs without a switch and closes the window as a person would.
    DWORD RunAndClose() {
        Start("");
        PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
        return Finish();
    }

    OwnedHandle process;
    std::map<std::string, std::string> reports;  // where the stand-in reports, by folder
};

TEST_F(CorvaneExeTest, ActivatingSwitchesPointTheRegistryAtTheirFolderAndRewriteTheSettings) {
    for (const auto& [arguments, folder] : {std::pair{"/reset", Game}, {"/setgame", Game}, {"/seteditor", Editor}}) {
        SCOPED_TRACE(arguments);
        SetGameValue("ION_ROOT", WithZero("C:\\Elsewhere"));
        WriteBytes(Settings, ThreeLines(Editor, Game, "X.t3u"));
        EXPECT_EQ(0u, Run(arguments));
        EXPECT_EQ(WithZero(folder.substr(0, folder.size() - 1)), GameValue("ION_ROOT"));
        EXPECT_EQ(WithZero(folder + "System\\X.t3u"), GameValue("GameSysModder"));
        EXPECT_EQ(ThreeLines(Editor, Game, "X.t3u"), ReadBytes(Settings));
    }
}

TEST_F(CorvaneExeTest, RunSwitchesActivateSaveAndThenStartSystemT3) {
    for (const auto& [arguments, folder, parameter] : {std::tuple{"/rungame", Game, ""},
                                                       {"/runeditor", Editor, "-editor"},
                                                       {"/rungame extra", Game, ""}}) {
        SCOPED_TRACE(arguments);
        DeleteFileA(reports[folder].c_str());
        EXPECT_EQ(0u, Run(arguments));
        auto fields = WaitForReport(reports[folder]);
        EXPECT_STRCASEEQ((folder + "\\System\\T3.exe").c_str(), ProgramParameter(fields["cmd"], -1).c_str());
        EXPECT_EQ(parameter, ProgramParameter(fields["cmd"], 0)) << fields["cmd"];
        EXPECT_EQ("", ProgramParameter(fields["cmd"], 1));
        EXPECT_STRCASEEQ((folder + "System").c_str(), fields["cwd"].c_str());
        EXPECT_EQ(folder.substr(0, folder.size() - 1), fields["ION_ROOT"]) << "activated before the start";
        EXPECT_EQ(folder + "System\\X.t3u", fields["GameSysModder"]);
        EXPECT_EQ(ThreeLines(Editor, Game, "X.t3u"), ReadBytes(Settings));
    }
}

TEST_F(CorvaneExeTest, SettingSwitchesChangeOneLineAndNothingElseWhateverTheValue) {
    const std::string mod = Root + "T3 Mod\\";
    const std::string huge(31000, 's');
    const struct {
        std::string arguments;
        std::string settings;
    } cases[] = {
        {"/setgamepath \"" + mod + "\" ignored", ThreeLines(Editor, mod, "X.t3u")},
        {"/seteditorpath C:\\Nowhere", ThreeLines("C:\\Nowhere", Game, "X.t3u")},
        {"/setgamesys", ThreeLines(Editor, Game, "")},
        {"/setgamepath \"" + mod, ThreeLines(Editor, mod, "X.t3u")},
        {"/setgamesys M\xEFne.t3u", ThreeLines(Editor, Game, "M\xEFne.t3u")},
        {"/setgamesys " + huge, ThreeLines(Editor, Game, huge)},
        {"/seteditorpath C:\\Broken\r\nC:\\Injected\\", ThreeLines("C:\\Broken", Game, "X.t3u")},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.arguments.substr(0, 40));
        WriteBytes(Settings, ThreeLines(Editor, Game, "X.t3u"));
        EXPECT_EQ(0u, Run(test.arguments));
        EXPECT_EQ(test.settings, ReadBytes(Settings));
        EXPECT_EQ(WithZero("C:\\Elsewhere"), GameValue("ION_ROOT")) << "the registry is untouched";
    }
}

TEST_F(CorvaneExeTest, AnUnknownSwitchIsReportedAndTheWindowThenWorks) {
    Start("/RUNGAME");
    HWND box = WaitForWindow("#32770", "Error");
    char text[256] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ("Unknown command line parameter: /RUNGAME", text);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, Finish());
    EXPECT_EQ(ThreeLines(Editor, Game, "X.t3u"), ReadBytes(Settings));
    EXPECT_EQ(WithZero("C:\\Elsewhere"), GameValue("ION_ROOT"));
}

TEST_F(CorvaneExeTest, WithoutASettingsFileOneIsCreatedEmptyAndFilledAtTheEnd) {
    RemoveSettings();
    SetGameValue("ION_ROOT", WithZero(Root + "Game"));
    Start("   ");
    HWND window = MainWindow();
    EXPECT_TRUE(PumpUntil([] { return ReadBytes(Settings) == ""; }));
    EXPECT_EQ(nullptr, WaitForWindow("#32770", "Error", 200)) << "only spaces are no switch";
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0u, Finish());
    // ION_ROOT names the installation itself, not the folder that holds it.
    EXPECT_EQ(ThreeLines(Game, Game, "T3Gamesys.t3u"), ReadBytes(Settings));
}

TEST_F(CorvaneExeTest, ADriveRootInstallationIsSelectedAgainAtTheNextStart) {
    RemoveSettings();
    SetGameValue("ION_ROOT", WithZero("C:"));
    EXPECT_EQ(0u, Run("/setgame"));
    EXPECT_EQ(WithZero("C:"), GameValue("ION_ROOT"));
    EXPECT_EQ(ThreeLines("C:\\", "C:\\", "T3Gamesys.t3u"), ReadBytes(Settings));
}

TEST_F(CorvaneExeTest, EmptyLinesKeepTheRegistrysFolderAndExtraLinesGo) {
    SetGameValue("ION_ROOT", WithZero(Root + "Editor"));
    WriteBytes(Settings, "\n" + Game + "\nMine.t3u\nfourth line\n");
    EXPECT_EQ(0u, RunAndClose());
    EXPECT_EQ(ThreeLines(Editor, Game, "Mine.t3u"), ReadBytes(Settings));
}

TEST_F(CorvaneExeTest, AMissingKeyIsCreatedByTheFirstActivation) {
    DeleteGameKey();
    RemoveSettings();
    EXPECT_EQ(0u, Run("/setgame"));
    EXPECT_EQ(WithZero(""), GameValue("ION_ROOT"));
    EXPECT_EQ(WithZero("System\\T3Gamesys.t3u"), GameValue("GameSysModder"));
    EXPECT_EQ(ThreeLines("", "", "T3Gamesys.t3u"), ReadBytes(Settings));
}

TEST_F(CorvaneExeTest, BrokenSettingsAndRegistryValuesEndInThreeSaneLines) {
    std::string binary;
    for (int byte = 0; byte < 4096; ++byte) binary += static_cast<char>(byte * 7919 % 256);
    std::string manyLines;
    for (int line = 0; line < 10000; ++line) manyLines += "line " + std::to_string(line) + "\r\n";
    const std::string kept = ThreeLines(Root, Game, "Mine.t3u").substr(Root.size());
    const struct {
        const char* name;
        std::string settings;
        std::string ionRoot;
        std::string afterFirstLine;  // what must survive; empty: anything sane
    } cases[] = {
        {"binary bytes", binary, "C:\\Elsewhere", ""},
        {"10,000 lines", ThreeLines(Editor, Game, "Mine.t3u") + manyLines, "C:\\Elsewhere", kept},
        {"a 1 MiB line", std::string(1 << 20, 'm') + kept, "C:\\Elsewhere", kept},
        {"a 300-character path", Root + std::string(300, 'p') + "\\" + kept, "C:\\Elsewhere", kept},
        {"a 10,000-character ION_ROOT", "", std::string(10000, 'r'), "\r\n\r\nT3Gamesys.t3u\r\n"},
        {"a REG_DWORD ION_ROOT", "", "ABCD", "\r\n\r\nT3Gamesys.t3u\r\n"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        WriteBytes(Settings, test.settings);
        SetGameValue("ION_ROOT", test.ionRoot, test.ionRoot == "ABCD" ? REG_DWORD : REG_SZ);
        EXPECT_EQ(0u, RunAndClose());
        const std::string saved = ReadBytes(Settings);
        const size_t firstLine = saved.find("\r\n");
        EXPECT_LT(firstLine, 260u) << "no overlong and no cut-down path";
        if (!test.afterFirstLine.empty()) {
            EXPECT_EQ(test.afterFirstLine, saved.substr(firstLine));
        }
        EXPECT_EQ(3, std::count(saved.begin(), saved.end(), '\n')) << saved.substr(0, 100);
    }
}

TEST_F(CorvaneExeTest, ASettingsFileThatCannotBeWrittenStaysAsItWas) {
    SetFileAttributesA(Settings.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0u, Run("/setgame"));
    EXPECT_EQ(ThreeLines(Editor, Game, "X.t3u"), ReadBytes(Settings));
    EXPECT_EQ(WithZero(Game.substr(0, Game.size() - 1)), GameValue("ION_ROOT")) << "the file was still read";
    RemoveSettings();
    CreateDirectoryA(Settings.c_str(), nullptr);
    EXPECT_EQ(0u, Run("/setgame"));
    EXPECT_TRUE(GetFileAttributesA(Settings.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// The real Corvane.exe as its own process: switches, the settings file and the registry after it.
#include <gtest/gtest.h>
#include <windows.h>
#include <functional>
#include <string>
#include <vector>
#include "platform/program.h"
#include "tests/launcher_test_support.h"

namespace {

const std::string Root = "C:\\corvane-e2e\\";
const std::string Work = Root + "work\\";
const std::string Game = Root + "Game\\";  // installations with a stand-in T3.exe
const std::string Editor = Root + "Editor\\";
const std::string Gone = Root + "Gone\\";  // never there
constexpr DWORD TimedOut = 0xDEAD;
constexpr const char* Unchanged = "(unchanged)";

std::string Lines(const std::string& editor, const std::string& game, const std::string& gamesys) {
    return editor + "\r\n" + game + "\r\n" + gamesys + "\r\n";
}

std::string NoBackslash(const std::string& folder) { return folder.substr(0, folder.size() - 1); }

std::string Report(const std::string& folder) { return folder + "System\\T3-report.txt"; }

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    OwnedFind search(FindFirstFileA((folder + "*").c_str(), &entry));
    for (bool more = search.Valid(); more; more = FindNextFileA(search.Get(), &entry))
        if (entry.cFileName[0] != '.') names.push_back(entry.cFileName);
    return names;
}

// Fills the file's drive page by page, then gives one page back.
void FillDriveLeavingOnePage(const std::string& name) {
    OwnedFile filler(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const std::string page(4096, 'f');
    DWORD written = 0;
    while (WriteFile(filler.Get(), page.data(), 4096, &written, nullptr) && written == 4096) {
    }
    SetFilePointer(filler.Get(), -static_cast<LONG>(written) - 4096, nullptr, FILE_CURRENT);
    SetEndOfFile(filler.Get());
}

// A top-level window of that process, or null.
HWND WindowOf(DWORD process, const char* className, const char* title) {
    for (HWND window = FindWindowExA(nullptr, nullptr, className, title); window;
         window = FindWindowExA(nullptr, window, className, title)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process) return window;
    }
    return nullptr;
}

struct Outcome {
    DWORD exitCode = TimedOut;
    std::string box;  // the first Error box's text; empty when none came
};

class CorvaneExeTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeFolders(Work);
        InstallStandIn(Game);
        InstallStandIn(Editor);
        SetGameValue("ION_ROOT", WithZero("C:\\Elsewhere"));
    }
    void TearDown() override {
        SetFileAttributesA((Work + "Corvane.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((Work + "Corvane.ini").c_str());
        DeleteGameKey();
    }

    // Runs Corvane.exe (arguments in UTF-8, as a shortcut passes any character) until it ends,
    // answering every Error box. A window run closes the window, after the action, once the
    // window takes input.
    static Outcome Run(const std::string& arguments, bool windowRun = false,
                       const std::function<void()>& action = nullptr, const std::string& folder = Work) {
        const std::string utf8 = "\"" + ProgramFolder() + "Corvane.exe\" " + arguments;
        std::wstring commandLine(utf8.size() + 1, L'\0');
        commandLine.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, commandLine.data(),
                                               static_cast<int>(commandLine.size())) - 1);
        const std::wstring wideFolder(folder.begin(), folder.end());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        Outcome outcome;
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, wideFolder.c_str(),
                            &startup, &started)) {
            ADD_FAILURE() << "Corvane.exe did not start";
            return outcome;
        }
        OwnedHandle process(started.hProcess), thread(started.hThread);
        bool acted = false;
        DWORD lastClose = 0;
        for (const DWORD start = GetTickCount(); WaitForSingleObject(process.Get(), 20) == WAIT_TIMEOUT;) {
            if (GetTickCount() - start > 20000) {
                TerminateProcess(process.Get(), TimedOut);
                break;
            }
            if (const HWND box = WindowOf(started.dwProcessId, "#32770", "Error")) {
                char text[2048] = "";
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                if (outcome.box.empty()) outcome.box = text;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                continue;
            }
            const HWND window = WindowOf(started.dwProcessId, nullptr, "Corvane - by Pellworth - 2.02 GL");
            DWORD_PTR answer;
            if (!windowRun || !window || GetTickCount() - lastClose < 500 ||
                !SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &answer))
                continue;
            if (action && !acted) action();
            acted = true;
            // Again after a while: a close that came while a box was up may not have reached the window.
            PostMessageA(window, WM_CLOSE, 0, 0);
            lastClose = GetTickCount();
        }
        WaitForSingleObject(process.Get(), 5000);
        GetExitCodeProcess(process.Get(), &outcome.exitCode);
        return outcome;
    }
};

struct SwitchCase {
    const char* what;
    std::string arguments;
    std::string settings;  // the file before; the file must hold the same after unless said
    std::string ionRoot;   // before; "-" for no key at all
    DWORD exitCode;
    std::string box;       // a piece of the Error box; empty: no box may come
    std::string settingsAfter = Unchanged;
    std::string ionRootAfter = Unchanged;
    std::string started = {};  // the installation that must start; a run switch starts no other
};

TEST_F(CorvaneExeTest, SwitchesDoTheirWorkOrSayWhyNotAndChangeNothing) {
    const std::string settings = Lines(Editor, Game, "X.t3u");
    const std::string elsewhere = "C:\\Elsewhere";
    const SwitchCase cases[] = {
        {"run the game", "/rungame extra", settings, elsewhere, 0, "", Unchanged, NoBackslash(Game), Game},
        {"run the editor", "/runeditor", settings, elsewhere, 0, "", Unchanged, NoBackslash(Editor), Editor},
        {"set the game", "/setgame", settings, elsewhere, 0, "", Unchanged, NoBackslash(Game)},
        {"reset to the game", "/reset", settings, NoBackslash(Editor), 0, "", Unchanged, NoBackslash(Game)},
        {"set the editor", "/seteditor", settings, elsewhere, 0, "", Unchanged, NoBackslash(Editor)},
        {"a line without its final backslash", "/rungame", Lines(Editor, NoBackslash(Game), "X.t3u"), elsewhere, 0,
         "", Unchanged, NoBackslash(Game), Game},
        {"a doubled backslash and slashes", "/runeditor", Lines("c:/corvane-e2e\\\\Editor", Game, "X.t3u"),
         elsewhere, 0, "", Unchanged, NoBackslash(Editor), Editor},
        {"a UTF-8 mark before the first line", "/seteditor", "\xEF\xBB\xBF" + settings, elsewhere, 0, "", settings,
         NoBackslash(Editor)},
        {"no folder lines: ION_ROOT names the game", "/rungame", Lines("", "", "X.t3u"), NoBackslash(Game), 0, "",
         Unchanged, NoBackslash(Game), Game},
        {"a line for a folder that has gone", "/rungame", Lines(Editor, Gone, "X.t3u"), NoBackslash(Editor), 1,
         "folder was not found:\n" + Gone},
        {"no key", "/setgame", "", "-", 1, "No Thief 3 folder is chosen", Unchanged, "(not REG_SZ)"},
        {"an overlong ION_ROOT", "/reset", "", std::string(300, 'r'), 1, "No Thief 3 folder is chosen"},
        {"a ION_ROOT of another type", "/seteditor", "", "%SystemDrive%\\Editor", 1,
         "folder was not found:\n%SystemDrive%\\Editor"},
        {"a game path without backslash", "/setgamepath " + NoBackslash(Game), Lines(Gone, "", ""), elsewhere, 0,
         "", Lines(Gone, Game, "")},
        {"an editor path with blanks", "/seteditorpath \"C:\\T3 Mod\" ignored", settings, elsewhere, 0, "",
         Lines("C:\\T3 Mod\\", Game, "X.t3u")},
        {"a path switch without its value", "/setgamepath", settings, elsewhere, 1, "needs a folder"},
        {"an empty path", "/seteditorpath \"\"", settings, elsewhere, 1, "needs a folder"},
        {"a network path", "/seteditorpath \\\\server\\share", settings, elsewhere, 1, "not a folder on a drive"},
        {"a line break in a path", "/seteditorpath \"C:\\Broken\r\nC:\\Injected\\\"", settings, elsewhere, 1,
         "not a folder on a drive"},
        {"a gamesys path", "/setgamesys C:\\Mods\\Mine.t3u", settings, elsewhere, 0, "", Lines(Editor, Game, "Mine.t3u")},
        {"a gamesys name of the code page", "/setgamesys M\xC3\xAFne.t3u", settings, elsewhere, 0, "",
         Lines(Editor, Game, "M\xEFne.t3u")},
        {"a gamesys name beyond the code page", "/setgamesys \xE4\xB8\xAD.t3u", settings, elsewhere, 1,
         "not a file name"},
        {"the default gamesys back", "/setgamesys \"\"", settings, elsewhere, 0, "", Lines(Editor, Game, "")},
        {"a gamesys switch without its value", "/setgamesys", settings, elsewhere, 1, "needs a file name"},
    };
    for (const SwitchCase& test : cases) {
        SCOPED_TRACE(test.what);
        WriteBytes(Work + "Corvane.ini", test.settings);
        DeleteGameKey();
        if (test.ionRoot != "-") SetGameValue("ION_ROOT", WithZero(test.ionRoot), test.ionRoot[0] == '%' ? REG_EXPAND_SZ : REG_SZ);
        for (const std::string& folder : {Game, Editor}) DeleteFileA(Report(folder).c_str());
        const std::string ionRoot = GameValue("ION_ROOT");

        const Outcome outcome = Run(test.arguments);
        EXPECT_EQ(test.exitCode, outcome.exitCode);
        if (test.box.empty()) {
            EXPECT_EQ("", outcome.box);
        } else {
            EXPECT_NE(std::string::npos, outcome.box.find(test.box)) << outcome.box;
        }
        EXPECT_EQ(test.settingsAfter == Unchanged ? test.settings : test.settingsAfter, ReadBytes(Work + "Corvane.ini"));
        if (test.ionRootAfter == Unchanged) {
            EXPECT_EQ(ionRoot, GameValue("ION_ROOT")) << "the registry is untouched";
        } else if (test.ionRootAfter[0] != '(') {
            EXPECT_EQ(WithZero(test.ionRootAfter), GameValue("ION_ROOT"));
            EXPECT_EQ(WithZero(test.ionRootAfter + "\\System\\X.t3u"), GameValue("GameSysModder"));
        } else {
            EXPECT_EQ(test.ionRootAfter, GameValue("ION_ROOT"));
        }
        if (!test.arguments.starts_with("/run")) continue;
        for (const std::string& folder : {Game, Editor}) {
            auto fields = WaitForReport(Report(folder), folder == test.started ? 10000 : 300);
            EXPECT_EQ(folder == test.started, !fields.empty()) << folder;
            if (fields.empty()) continue;
            // Activated before the start, and started the way the game expects.
            EXPECT_EQ(NoBackslash(folder), fields["ION_ROOT"]);
            EXPECT_STRCASEEQ((folder + "\\System\\T3.exe").c_str(), ProgramParameter(fields["cmd"], -1).c_str());
            EXPECT_EQ(folder == Editor ? "-editor" : "", ProgramParameter(fields["cmd"], 0)) << fields["cmd"];
            EXPECT_EQ("", ProgramParameter(fields["cmd"], 1));
            EXPECT_STRCASEEQ((folder + "System").c_str(), fields["cwd"].c_str());
        }
    }
}

TEST_F(CorvaneExeTest, TheWindowKeepsTheLinesThePlayerDidNotChange) {
    const std::string gone = Lines(Gone, Game, "X.t3u");
    WriteBytes(Work + "Corvane.ini", gone);
    Outcome outcome = Run("/RUNGAME", true);
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ("Unknown command line parameter: /RUNGAME", outcome.box);
    EXPECT_EQ(gone, ReadBytes(Work + "Corvane.ini")) << "a line that could not be shown survives";

    // A shortcut used while the window is open is not undone when the window closes.
    outcome = Run("", true, [] { EXPECT_EQ(0u, Run("/setgamepath " + Editor).exitCode); });
    EXPECT_EQ(Lines(Gone, Editor, "X.t3u"), ReadBytes(Work + "Corvane.ini"));

    // A file that another program held locked at the start keeps its lines.
    OwnedFile lock(CreateFileA((Work + "Corvane.ini").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    outcome = Run("", true, [&] { lock.Reset(); });
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ(Lines(Gone, Editor, "X.t3u"), ReadBytes(Work + "Corvane.ini"));
    EXPECT_EQ("", outcome.box);

    DeleteFileA((Work + "Corvane.ini").c_str());
    EXPECT_EQ(0u, Run("", true).exitCode);
    EXPECT_EQ(Lines("", "", ""), ReadBytes(Work + "Corvane.ini")) << "an untouched first run pins no folder";
}

TEST_F(CorvaneExeTest, ASaveThatFailsLeavesTheOldFileAndNothingElse) {
    const std::string settings = Lines(Editor, Game, "X.t3u");
    WriteBytes(Work + "Corvane.ini", settings);
    SetFileAttributesA((Work + "Corvane.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0u, Run("/setgame").exitCode) << "nothing the player chose was to be saved";
    EXPECT_EQ(WithZero(NoBackslash(Game)), GameValue("ION_ROOT"));
    Outcome outcome = Run("/setgamesys Y.t3u");
    EXPECT_EQ(1u, outcome.exitCode);
    EXPECT_NE(std::string::npos, outcome.box.find("could not save its settings")) << outcome.box;
    EXPECT_EQ(settings, ReadBytes(Work + "Corvane.ini"));

    // A full disk: the new file gets one page of the two it needs.
    const std::string full = "F:\\work\\";
    if (!(GetLogicalDrives() & 1u << ('F' - 'A'))) GTEST_SKIP() << "no small drive F: in this prefix";
    MakeFolders(full);
    const std::string old = Lines(std::string(5000, 'x'), Game, "X.t3u");
    WriteBytes(full + "Corvane.ini", old);
    FillDriveLeavingOnePage("F:\\filler");
    outcome = Run("/setgamesys Y.t3u", false, nullptr, full);
    DeleteFileA("F:\\filler");
    EXPECT_EQ(1u, outcome.exitCode);
    EXPECT_NE(std::string::npos, outcome.box.find("could not save its settings")) << outcome.box;
    EXPECT_EQ(old, ReadBytes(full + "Corvane.ini"));
    EXPECT_EQ(std::vector<std::string>{"Corvane.ini"}, FolderEntries(full)) << "no temporary file is left";
}

TEST_F(CorvaneExeTest, AnEndlessLineIsCutAndTheRestStillWorks) {
    {
        OwnedFile file(CreateFileA((Work + "Corvane.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        const std::string megabyte(1 << 20, 'x'), rest = "\r\n" + Game + "\r\nX.t3u\r\n";
        DWORD written = 0;
        for (int part = 0; part < 300; ++part) WriteFile(file.Get(), megabyte.data(), 1 << 20, &written, nullptr);
        WriteFile(file.Get(), rest.data(), static_cast<DWORD>(rest.size()), &written, nullptr);
    }
    EXPECT_EQ(0u, Run("/setgame").exitCode);
    EXPECT_EQ(WithZero(NoBackslash(Game)), GameValue("ION_ROOT"));
    EXPECT_EQ(Lines(std::string(64 << 10, 'x'), Game, "X.t3u"), ReadBytes(Work + "Corvane.ini"));
}

TEST_F(CorvaneExeTest, ARegistryThatCannotBeWrittenIsReported) {
    // A volatile parent takes no lasting key below it.
    DeleteGameKey();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Ion Storm");
    HKEY parent;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Ion Storm", 0, nullptr,
                                             REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &parent, nullptr));
    RegCloseKey(parent);
    WriteBytes(Work + "Corvane.ini", Lines(Editor, Game, "X.t3u"));
    const Outcome outcome = Run("/rungame");
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Ion Storm");
    EXPECT_EQ(1u, outcome.exitCode);
    EXPECT_NE(std::string::npos, outcome.box.find("could not write ION_ROOT")) << outcome.box;
    EXPECT_TRUE(WaitForReport(Report(Game), 300).empty()) << "nothing starts";
}

}  // namespace

// The real Corvane.exe as its own process: switches, the window's buttons, the settings file and
// the registry afterwards, and the stand-in game's report of how it was started.
#include <gtest/gtest.h>
#include <thread>
#include "launcher/failures.h"
#include "launcher/main_window.h"
#include "launcher/registry.h"
#include "platform/program.h"
#include "tests/test_support.h"

namespace {

const std::string Root = "C:\\corvane-e2e\\", Work = Root + "work\\", Settings = Work + "Corvane.ini";
const std::string Game = Root + "Game\\", Editor = Root + "Editor\\";  // installations with a stand-in T3.exe
const std::string Gone = Root + "Gone\\", Bare = Root + "Bare\\";      // never there; a T3.exe that is no program
constexpr DWORD TimedOut = 0xDEAD;
constexpr const char* Unchanged = "(unchanged)";

std::string Lines(const std::string& editor, const std::string& game, const std::string& sys) { return editor + "\r\n" + game + "\r\n" + sys + "\r\n"; }
std::string NoBackslash(const std::string& folder) { return folder.substr(0, folder.size() - 1); }
std::string Report(const std::string& folder) { return folder + "System\\T3-report.txt"; }

// The game's registry values as stored: a text has its terminating zero.
std::string WithZero(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }

// The 32-bit game reads the registry's 32-bit view; in a 64-bit prefix the other view must stay empty.
constexpr REGSAM GameView = KEY_WOW64_32KEY, OtherView = KEY_WOW64_64KEY;
bool IsPrefix64() { return GetSystemWow64DirectoryA(nullptr, 0) != 0; }  // the length it would need

void DeleteGameKey() {
    for (REGSAM view : {GameView, OtherView}) {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, GameKey, view, 0);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\Ion Storm", view, 0);  // when nothing else is under it
    }
}

// ION_ROOT afresh as a case gives it: "-" none, "~" under a key that keeps none, a first "%" as
// REG_EXPAND_SZ, a first "!" without its zero.
void SetIonRoot(const std::string& given) {
    DeleteGameKey();
    OwnedKey key;
    // A volatile key takes no lasting key below it.
    if (given == "~")
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Ion Storm", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS | GameView,
                        nullptr, key.Put(), nullptr);
    if (given == "~" || given == "-") return;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, GameKey, 0, nullptr, 0, KEY_ALL_ACCESS | GameView, nullptr, key.Put(), nullptr);
    // A text stored without its zero stays so only when no zero follows it: the system adds one
    // that it finds right after the data.
    const std::string data = given[0] == '!' ? given.substr(1) : WithZero(given), bytes = data + '!';
    RegSetValueExA(key.Get(), "ION_ROOT", 0, given[0] == '%' ? REG_EXPAND_SZ : REG_SZ,
                   reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(data.size()));
}

// "(not REG_SZ)" for a missing value or another type.
std::string GameValue(const std::string& name, REGSAM view = GameView) {
    OwnedKey key;
    DWORD type = 0, size = 0;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, GameKey, 0, KEY_READ | view, key.Put());
    if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) || type != REG_SZ)
        return "(not REG_SZ)";
    std::string data(size, '\0');
    RegQueryValueExA(key.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size);
    return data;
}

// A top-level window of that process, or null.
HWND WindowOf(DWORD process, const char* className, const char* title) {
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, className, title));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process) return window;
    }
    return nullptr;
}

struct Outcome { DWORD exitCode = TimedOut; std::string box; };  // box: the first Error box's text, or none

// Runs Corvane.exe (arguments in UTF-8, as a shortcut passes any character) until it ends,
// answering every Error box. With an action, the window gets it once it takes input, then a close.
Outcome RunCorvane(const std::string& arguments, const std::function<void(HWND)>& action = nullptr,
            const std::string& folder = Work) {
    const std::string utf8 = "\"" + ProgramFolder() + "Corvane.exe\" " + arguments;
    std::wstring commandLine(utf8.size() + 1, L'\0');
    commandLine.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, commandLine.data(), utf8.size() + 1) - 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    Outcome outcome;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        std::wstring(folder.begin(), folder.end()).c_str(), &startup, &started))
        return outcome;
    OwnedHandle process(started.hProcess), thread(started.hThread);
    for (DWORD start = GetTickCount(), lastClose = 0; WaitForSingleObject(process.Get(), 20) == WAIT_TIMEOUT;) {
        if (GetTickCount() - start > 20000) TerminateProcess(process.Get(), TimedOut);
        if (const HWND box = WindowOf(started.dwProcessId, "#32770", "Error")) {
            char text[2048] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            if (outcome.box.empty()) outcome.box = text;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            continue;
        }
        const HWND window = WindowOf(started.dwProcessId, nullptr, "Corvane - by Pellworth - " CORVANE_VERSION " GL");
        if (!action || !window || GetTickCount() - lastClose < 500 ||
            !SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, nullptr))
            continue;
        if (!lastClose) action(window);
        // Again after a while: a close that came while a box was up may not have reached the loop.
        PostMessageA(window, WM_CLOSE, 0, 0);
        lastClose = GetTickCount();
    }
    WaitForSingleObject(process.Get(), 5000);
    GetExitCodeProcess(process.Get(), &outcome.exitCode);
    return outcome;
}

// A window run that clicks a button (or sends it another notification), the gamesys field cleared first if asked.
std::function<void(HWND)> Press(ObjectNumber button, WORD code = BN_CLICKED, bool clearGamesys = false) {
    return [=](HWND window) {
        const HWND field = GetDlgItem(window, GamesysField);
        if (clearGamesys) SendMessageA(field, EM_SETSEL, 0, -1), SendMessageA(field, WM_CHAR, VK_BACK, 0);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, code), reinterpret_cast<LPARAM>(GetDlgItem(window, button)));
    };
}

class CorvaneExeTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const std::string& folder : {Work, Bare + "System\\"}) MakeFolders(folder);
        WriteBytes(Bare + "System\\T3.exe", "not a program");
        InstallStandIn(Game);
        InstallStandIn(Editor, "system\\t3.EXE");  // as Windows matches names
        SetEnvironmentVariableA("T3_STANDIN_SETTINGS", Settings.c_str());
    }
    void TearDown() override { SetFileAttributesA(Settings.c_str(), FILE_ATTRIBUTE_NORMAL); DeleteFileA(Settings.c_str()); DeleteGameKey(); }
};

struct Case {
    const char* what;
    std::string arguments;
    std::function<void(HWND)> action;  // for a window run
    std::string settings;  // the file before, or "(missing)"; it holds the same after unless said
    std::string ionRoot;   // before, as SetIonRoot takes it
    DWORD exitCode;
    std::string box;       // a piece of the Error box; empty: no box may come
    std::string settingsAfter = Unchanged;
    std::string ionRootAfter = Unchanged;  // activated: GameSysModder then names X.t3u in it
    std::string started = {};              // the one installation that must start
};

TEST_F(CorvaneExeTest, SwitchesAndButtonsDoTheirWorkOrSayWhyNotAndChangeNothing) {
    const std::string settings = Lines(Editor, Game, "X.t3u"), elsewhere = "C:\\Elsewhere";
    const Case cases[] = {
        {"/rungame saves, then starts", "/rungame extra", {}, Editor + "\n" + Game + "\nX.t3u", elsewhere, 0, "", settings, NoBackslash(Game), Game},
        {"/runeditor", "/runeditor", {}, settings, elsewhere, 0, "", Unchanged, NoBackslash(Editor), Editor},
        {"/setgame", "/setgame", {}, settings, elsewhere, 0, "", Unchanged, NoBackslash(Game)},
        {"/reset", "/reset", {}, settings, NoBackslash(Editor), 0, "", Unchanged, NoBackslash(Game)},
        {"/seteditor", "/seteditor", {}, settings, elsewhere, 0, "", Unchanged, NoBackslash(Editor)},
        {"a line without its final backslash", "/rungame", {}, Lines(Editor, NoBackslash(Game), "X.t3u"), elsewhere, 0, "", Unchanged, NoBackslash(Game), Game},
        {"doubled backslashes and slashes", "/runeditor", {}, Lines("c:/corvane-e2e\\\\Editor", Game, "X.t3u"), elsewhere, 0, "", Unchanged, NoBackslash(Editor), Editor},
        {"a UTF-8 mark", "/seteditor", {}, "\xEF\xBB\xBF" + settings, elsewhere, 0, "", settings, NoBackslash(Editor)},
        {"ION_ROOT for empty lines", "/rungame", {}, Lines("", "", "X.t3u"), NoBackslash(Game), 0, "", Unchanged, NoBackslash(Game), Game},
        {"a registry that can't be written", "/rungame", {}, settings, "~", 1, "could not write ION_ROOT"},
        {"a line for a folder gone", "/rungame", {}, Lines(Editor, Gone, "X.t3u"), NoBackslash(Editor), 1, "folder was not found:\n" + Gone},
        {"no key", "/setgame", {}, "", "-", 1, "No Thief 3 folder is chosen.\n\nChoose the folder that holds System\\T3.exe in the Thief 3 Path tree."},
        {"an overlong ION_ROOT", "/reset", {}, "", "!" + std::string(255, 'r'), 1, "No Thief 3 folder is chosen"},
        {"a ION_ROOT to expand", "/seteditor", {}, "", "%SystemDrive%\\Editor", 1, "folder was not found:\n%SystemDrive%\\Editor"},
        {"a gamesys line that is a path", "/setgame", {}, Lines(Editor, Game, "Sub\\X.t3u"), elsewhere, 1, "The gamesys name is not a file name: Sub\\X.t3u\n\nType the name of a file in the installation's System folder, such as T3Gamesys.t3u, or choose one with Browse."},
        {"a game path", "/setgamepath " + NoBackslash(Game), {}, Lines(Gone, "", ""), elsewhere, 0, "", Lines(Gone, Game, "")},
        {"a drive alone", "/setgamepath z:", {}, settings, elsewhere, 0, "", Lines(Editor, "Z:\\", "X.t3u")},
        {"an editor path with blanks", "/seteditorpath \"C:\\T3 Mod\" ignored", {}, settings, elsewhere, 0, "", Lines("C:\\T3 Mod\\", Game, "X.t3u")},
        {"a path switch alone", "/setgamepath", {}, settings, elsewhere, 1, "The switch /setgamepath needs a folder.\n\nGive the folder after the switch: /setgamepath \"C:\\Games\\Thief 3\\\""},
        {"an empty path", "/seteditorpath \"\"", {}, settings, elsewhere, 1, "needs a folder"},
        {"a network path", "/seteditorpath \\\\server\\share", {}, settings, elsewhere, 1, "not a folder on a drive"},
        {"a line break in a path", "/seteditorpath \"C:\\Broken\r\nC:\\Injected\\\"", {}, settings, elsewhere, 1, "not a folder on a drive"},
        {"a gamesys path", "/setgamesys C:\\Mods/Mine.t3u", {}, settings, elsewhere, 0, "", Lines(Editor, Game, "Mine.t3u")},
        {"a name of the code page, with a blank", "/setgamesys \"My M\xC3\xAFne.t3u\"", {}, settings, elsewhere, 0, "", Lines(Editor, Game, "My M\xEFne.t3u")},
        {"a name beyond the code page", "/setgamesys \xE4\xB8\xAD.t3u", {}, settings, elsewhere, 1, "not a file name"},
        {"the default name back", "/setgamesys \"\"", {}, settings, elsewhere, 0, "", Lines(Editor, Game, "")},
        {"/setgamesys alone", "/setgamesys", {}, settings, elsewhere, 1, "needs a file name"},
        {"/RUNGAME", "/RUNGAME", Press(ActivateGameButton, BN_DOUBLECLICKED), settings, elsewhere, 0, "Unknown command line parameter: /RUNGAME"},
        {"Activate Thief 3", "", Press(ActivateGameButton), Lines(Gone, Game, "X.t3u"), elsewhere, 0, "", Unchanged, NoBackslash(Game)},
        {"Activate Editor", "", Press(ActivateEditorButton), settings, elsewhere, 0, "", Unchanged, NoBackslash(Editor)},
        {"Launch Thief 3", "", Press(LaunchGameButton), settings, elsewhere, 0, "", Unchanged, NoBackslash(Game), Game},
        {"Launch Editor", "", Press(LaunchEditorButton), settings, elsewhere, 0, "", Unchanged, NoBackslash(Editor), Editor},
        {"a folder without the game", "/rungame", {}, Lines(Editor, Root, "X.t3u"), elsewhere, 1, "The Thief 3 folder holds no System\\T3.exe:\n" + Root},
        {"a folder without the game, on a button", "", Press(ActivateEditorButton), Lines(Root, Game, "X.t3u"), elsewhere, 0, "The editor folder holds no System\\T3.exe:\n" + Root + "\n\nChoose the folder that holds System\\T3.exe in the Editor Path tree."},
        {"a launch that can't start", "", Press(LaunchEditorButton), Lines(Bare, Game, "X.t3u"), elsewhere, 0, "could not start " + Bare + "System\\T3.exe.\n\nBad EXE format for " + Bare + "System\\T3.exe.", Unchanged, NoBackslash(Bare)},
        {"no plain click", "", Press(LaunchGameButton, BN_DOUBLECLICKED), settings, elsewhere, 0, ""},
        {"no plain click either", "", Press(ActivateEditorButton, BN_PUSHED), settings, elsewhere, 0, ""},
        {"Activate with no folder", "", Press(ActivateEditorButton), Lines(Gone, Game, "X.t3u"), elsewhere, 0, "The editor folder was not found:\n" + Gone},
        {"a shortcut used while the window is open, and a line it can't show, kept", "", [](HWND) { RunCorvane("/setgamepath " + Editor); },
         Lines(Gone, Game, "X.t3u"), elsewhere, 0, "", Lines(Gone, Editor, "X.t3u")},
        {"an untouched first run pins no folder", "", [](HWND) {}, "(missing)", "-", 0, "", Lines("", "", "")},
        {"an emptied gamesys name", "", Press(ActivateGameButton, BN_CLICKED, true), settings, elsewhere, 0, "No gamesys file is named", Lines(Editor, Game, "")},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        if (test.settings == "(missing)") DeleteFileA(Settings.c_str());
        else WriteBytes(Settings, test.settings);
        SetIonRoot(test.ionRoot);
        for (const std::string& folder : {Game, Editor, Bare}) DeleteFileA(Report(folder).c_str());
        const std::string values = GameValue("ION_ROOT") + GameValue("GameSysModder");
        const Outcome outcome = RunCorvane(test.arguments, test.action);
        EXPECT_EQ(test.exitCode, outcome.exitCode);
        EXPECT_TRUE(test.box.empty() ? outcome.box.empty() : outcome.box.find(test.box) != std::string::npos) << outcome.box;
        EXPECT_FALSE(outcome.box.ends_with('\n')) << "a box ends with its last sentence";
        const std::string after = ReadBytes(Settings);
        EXPECT_EQ(test.settingsAfter == Unchanged ? test.settings : test.settingsAfter, after);
        const std::string& root = test.ionRootAfter;
        EXPECT_EQ(root == Unchanged ? values : WithZero(root) + WithZero(root + "\\System\\X.t3u"), GameValue("ION_ROOT") + GameValue("GameSysModder"));
        const std::string otherView = GameValue("ION_ROOT", OtherView) + GameValue("GameSysModder", OtherView);
        EXPECT_TRUE(!IsPrefix64() || otherView == "(not REG_SZ)(not REG_SZ)") << "the 64-bit view holds " << otherView;
        if (!test.arguments.starts_with("/run") && test.arguments != "") continue;
        for (const std::string& folder : {Game, Editor}) {
            auto fields = WaitForReport(Report(folder), folder == test.started ? 10000 : 200);
            EXPECT_EQ(folder == test.started, !fields.empty()) << folder;
            if (fields.empty()) continue;
            EXPECT_EQ(NoBackslash(folder), fields["ION_ROOT"]) << "activated before the start";
            EXPECT_EQ(folder + "System\\X.t3u", fields["GameSysModder"]);
            EXPECT_STRCASEEQ((folder + "\\System\\T3.exe").c_str(), ProgramParameter(fields["cmd"], -1).c_str());
            EXPECT_EQ(folder == Editor ? "-editor" : "", ProgramParameter(fields["cmd"], 0)) << fields["cmd"];
            EXPECT_EQ("", ProgramParameter(fields["cmd"], 1));
            EXPECT_STRCASEEQ((folder + "System").c_str(), fields["cwd"].c_str());
            if (test.arguments.empty()) continue;  // the window saves when it closes
            std::string saved = after;
            for (size_t at = 0; (at = saved.find_first_of("\r\n", at)) != std::string::npos; at += 2)
                saved.replace(at, 1, saved[at] == '\r' ? "\\r" : "\\n");
            EXPECT_EQ(saved, fields["settings"]) << "a run switch saves before the start";
        }
    }
}

TEST_F(CorvaneExeTest, ASettingsFileLockedReadOnlyOrOnAFullDiskKeepsItsLinesAndNothingElseIsLeft) {
    const std::string settings = Lines(Gone, Game, "X.t3u");
    WriteBytes(Settings, settings);
    // Another program held it at the start: the lines Corvane could not read are not written over.
    OwnedFile lock(CreateFileA(Settings.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    Outcome outcome = RunCorvane("", [&](HWND) { lock.Reset(); });
    EXPECT_EQ(0u, outcome.exitCode);
    EXPECT_EQ("", outcome.box);
    EXPECT_EQ(settings, ReadBytes(Settings));
    SetFileAttributesA(Settings.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0u, RunCorvane("/setgame").exitCode) << "nothing the player chose was to be saved";
    EXPECT_EQ(WithZero(NoBackslash(Game)), GameValue("ION_ROOT"));
    outcome = RunCorvane("/setgamesys Y.t3u");
    EXPECT_EQ(1u, outcome.exitCode);
    EXPECT_NE(std::string::npos, outcome.box.find("could not save its settings")) << outcome.box;
    EXPECT_EQ(settings, ReadBytes(Settings));
    // A full disk: the new file gets one page of the two it needs, and its last line is cut short.
    if (!(GetLogicalDrives() & 1u << ('F' - 'A'))) GTEST_SKIP() << "no small drive F: in this prefix";
    const std::string full = "F:\\work\\", old = Lines(Editor, Game, std::string(5000, 'x'));
    MakeFolders(full);
    WriteBytes(full + "Corvane.ini", old);
    {
        OwnedFile filler(CreateFileA("F:\\filler", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        const std::string page(4096, 'f');
        for (DWORD written = 4096; written == 4096;)
            if (!WriteFile(filler.Get(), page.data(), 4096, &written, nullptr)) written = 0;
        SetFilePointer(filler.Get(), -4096, nullptr, FILE_END);
        SetEndOfFile(filler.Get());
    }
    outcome = RunCorvane("/seteditorpath " + Game, nullptr, full);
    DeleteFileA("F:\\filler");
    EXPECT_EQ(1u, outcome.exitCode);
    EXPECT_NE(std::string::npos, outcome.box.find(SystemErrorText(ERROR_DISK_FULL, ""))) << outcome.box;
    EXPECT_EQ(old, ReadBytes(full + "Corvane.ini"));
    WIN32_FIND_DATAA entry;
    OwnedFind search(FindFirstFileA((full + "*.tmp").c_str(), &entry));
    EXPECT_FALSE(search) << "a temporary file is left: " << entry.cFileName;
}

TEST_F(CorvaneExeTest, ASaveWaitsOutAFileHeldForAMomentAndTwoCorvanesSavingAtOnceBothSucceed) {
    WriteBytes(Settings, Lines(Editor, Game, "X.t3u"));
    // As a virus scanner holds it: others may read and write it, but not replace it.
    OwnedFile held(CreateFileA(Settings.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               0, nullptr));
    std::thread release([&] { Sleep(1000), held.Reset(); });
    const Outcome outcome = RunCorvane("/setgamesys Held.t3u");
    release.join();
    EXPECT_EQ(0u, outcome.exitCode) << outcome.box;
    EXPECT_EQ(Lines(Editor, Game, "Held.t3u"), ReadBytes(Settings));
    for (int round = 0; round < 6; ++round) {
        Outcome first;
        std::thread other([&] { first = RunCorvane("/setgamesys A.t3u"); });
        const Outcome second = RunCorvane("/setgamesys B.t3u");
        other.join();
        EXPECT_EQ(0u, first.exitCode + second.exitCode) << first.box << second.box;
        const std::string file = ReadBytes(Settings);
        EXPECT_TRUE(file == Lines(Editor, Game, "A.t3u") || file == Lines(Editor, Game, "B.t3u")) << file;
    }
}

}  // namespace

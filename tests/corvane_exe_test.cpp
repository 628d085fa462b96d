// The real Corvane.exe as its own process, used as a player uses it: switches, clicks, keys and
// typing in its window, every box and the chooser answered. Each run is then read whole: the
// settings file and the working folder, the game's values in each registry view, the stand-in
// game's report of how it was started, the boxes that came, the common controls and the exit code.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <tlhelp32.h>
#include <algorithm>
#include <cstring>
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
const std::string Medium = "T:\\corvane-e2e\\";  // on the drive whose medium a row takes out and puts back
const std::string Elsewhere = "C:\\Elsewhere", Chooser = "Choose the gamesys file...";
const std::string Outcome = Root + "outcome.txt";  // where Corvane notes its boxes and exit for corvane-linux
constexpr DWORD TimedOut = 0xDEAD;
constexpr const char* Unchanged = "(unchanged)";

std::string Lines(const std::string& editor, const std::string& game, const std::string& sys) { return editor + "\r\n" + game + "\r\n" + sys + "\r\n"; }
const std::string Usual = Lines(Editor, Game, "X.t3u");  // a file that names both installations
std::string NoBackslash(const std::string& folder) { return folder.substr(0, folder.size() - 1); }
std::string Report(const std::string& folder) { return folder + "System\\T3-report.txt"; }
std::string WithZero(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }

// Every limit is counted in the time this machine takes now to start and end a small program (the
// stand-in), so a loaded machine gets room in proportion and a hang still ends the run; never under 20 s.
struct Limits { DWORD run = 20000, step = 5000; } limits;

// The 32-bit game reads the registry's 32-bit view; in a 64-bit prefix the other view must stay as it was.
constexpr REGSAM GameView = KEY_WOW64_32KEY, OtherView = KEY_WOW64_64KEY;
bool IsPrefix64() { return GetSystemWow64DirectoryA(nullptr, 0) != 0; }  // the length it would need
// ION_ROOT afresh as a row gives it: "-" none, "~" under a key that keeps none, a first "%" as
// REG_EXPAND_SZ, a first "!" without its zero.
void SetIonRoot(const std::string& given) {
    for (REGSAM view : {GameView, OtherView}) {
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, GameKey, view, 0);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, "Software\\Ion Storm", view, 0);  // when nothing else is under it
    }
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

// Each value's type and every byte of its data, its zero too.
std::string StoredValues(REGSAM view) {
    OwnedKey key;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, GameKey, 0, KEY_READ | view, key.Put());
    std::string stored;
    for (const char* name : {IonRootValue, GamesysValue}) {
        DWORD type = REG_NONE, size = 0;
        RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size);
        std::string data(size, '\0');
        if (RegQueryValueExA(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size)) data.clear();
        stored += std::string(name) + " type " + std::to_string(type) + ": " + data + "\n";
    }
    return stored;
}
// REG_SZ (1): the type the game reads.
std::string Activated(const std::string& folder, const std::string& gamesys) {
    return "ION_ROOT type 1: " + WithZero(NoBackslash(folder)) + "\nGameSysModder type 1: " + WithZero(folder + "System\\" + gamesys) + "\n";
}

struct Box { std::string title, text; };  // the text: its static texts, one a line
struct Session {
    DWORD process = 0, exitCode = TimedOut;
    HWND window = nullptr;
    std::vector<Box> boxes;
    std::string commonControls;
};

std::string Shown(const Session& run) {
    std::string shown;
    for (const Box& box : run.boxes) shown += "[" + box.title + "] " + box.text + "\n";
    return shown;
}

// A step of the player's: given the open window, it gives its input and returns what shows that
// the input has been taken; or nothing, when the window is not ready for it yet.
using Done = std::function<bool()>;
using Step = std::function<Done(Session&)>;
Done Taken() { return [] { return true; }; }

std::vector<HWND> WindowsOf(DWORD process, const char* className, const char* title = nullptr) {
    std::vector<HWND> found;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, className, title));)
        if (DWORD owner = 0; GetWindowThreadProcessId(window, &owner) && owner == process && IsWindowVisible(window)) found.push_back(window);
    return found;
}
bool Responsive(HWND window) { return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, nullptr); }
HWND Focus(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}
// The file of the common controls that a process loaded: the system's own version 5, or from the
// side-by-side store the version 6 of its processor that the manifest asks for.
std::string CommonControls(DWORD process) {
    OwnedFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process));
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    for (BOOL more = Module32First(snapshot.Get(), &module); more; more = Module32Next(snapshot.Get(), &module))
        if (!lstrcmpiA(module.szModule, "comctl32.dll")) return CharLowerA(module.szExePath);
    return "(none)";
}
std::string Text(HWND window) { char text[2048] = ""; return GetWindowTextA(window, text, sizeof text), text; }
void Type(const std::string& text) {
    std::vector<INPUT> keys;
    for (char c : text)
        for (DWORD up : {0ul, static_cast<DWORD>(KEYEVENTF_KEYUP)}) keys.push_back({INPUT_KEYBOARD, {.ki = {0, static_cast<WORD>(c), KEYEVENTF_UNICODE | up, 0, 0}}});
    SendInput(static_cast<UINT>(keys.size()), keys.data(), sizeof(INPUT));
}

// The player's answer to a box: a press on its first button; to the chooser, a name typed into its
// name field and Enter, or Esc when there is none to type. Each box is read the first time it shows.
void Answer(Session& run, HWND box, const std::string& chooser, std::map<HWND, DWORD>& answered) {
    if (!answered.contains(box)) {
        std::string text;
        for (HWND item = nullptr; (item = FindWindowExA(box, item, "Static", nullptr));)
            if (const std::string line = Text(item); !line.empty()) text += (text.empty() ? "" : "\n") + line;
        run.boxes.push_back({Text(box), text});
    } else if (GetTickCount() - answered[box] < 1000) {
        return;  // an answer is on its way
    }
    if (Text(box) != Chooser) PostMessageA(FindWindowExA(box, nullptr, "Button", nullptr), BM_CLICK, 0, 0);
    else if (!Responsive(box) || !IsChild(box, Focus(box))) return;  // not ready for keys yet
    else if (SetForegroundWindow(box), chooser.empty()) PressKey(VK_ESCAPE);
    else PressKey(VK_END), PressKey(VK_HOME, VK_SHIFT), Type(chooser), PressKey(VK_RETURN);
    answered[box] = GetTickCount();
}

// Runs Corvane.exe (arguments in UTF-8, as a shortcut passes any character) until it ends. Without
// arguments, or with steps, the window gets the steps once it takes input, and then a close.
Session RunCorvane(const std::string& arguments, const std::vector<Step>& steps = {}, const std::string& chooser = "",
                   const std::string& folder = Work) {
    const std::string utf8 = "\"" + ProgramFolder() + "Corvane.exe\" " + arguments;
    std::wstring commandLine(utf8.size() + 1, L'\0');
    commandLine.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, commandLine.data(), utf8.size() + 1) - 1);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    Session run;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        std::wstring(folder.begin(), folder.end()).c_str(), &startup, &started))
        return run;
    OwnedHandle process(started.hProcess), thread(started.hThread);
    run.process = started.dwProcessId;
    std::map<HWND, DWORD> answered;
    auto step = steps.begin();
    Done done = [] { return true; };
    for (DWORD start = GetTickCount(), stepStart = 0, lastClose = 0; WaitForSingleObject(process.Get(), 20) == WAIT_TIMEOUT;) {
        if (GetTickCount() - start > limits.run) TerminateProcess(process.Get(), TimedOut);
        const std::vector<HWND> boxes = WindowsOf(run.process, "#32770");
        for (HWND box : boxes) Answer(run, box, chooser, answered);
        const std::vector<HWND> windows = WindowsOf(run.process, nullptr, "Corvane - by Pellworth - " CORVANE_VERSION " GL");
        run.window = windows.empty() ? nullptr : windows[0];
        if (!boxes.empty() || (!arguments.empty() && steps.empty()) || !run.window || !Responsive(run.window)) continue;
        if (run.commonControls.empty()) run.commonControls = CommonControls(run.process);
        // A step whose input was not taken in time is left: what the run left then tells.
        if (!done() && GetTickCount() - stepStart < limits.step) continue;
        if (step != steps.end()) {
            if (Done next = (*step)(run)) done = next, ++step, stepStart = GetTickCount();
        } else if (GetTickCount() - lastClose > 500) {
            // Again after a while: a close that came while a box was up may not have reached the loop.
            PostMessageA(run.window, WM_CLOSE, 0, 0);
            lastClose = GetTickCount();
        }
    }
    WaitForSingleObject(process.Get(), 5000);
    GetExitCodeProcess(process.Get(), &run.exitCode);
    return run;
}

// Their reports are then whole.
void AwaitStartedPrograms(const Session& run) {
    OwnedFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry))
        if (entry.th32ParentProcessID == run.process) WaitForSingleObject(OwnedHandle(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID)).Get(), limits.run);
}

std::string FilesIn(const std::string& folder) {
    std::string names;
    WIN32_FIND_DATAA entry;
    OwnedFind search(FindFirstFileA((folder + "*").c_str(), &entry));
    for (BOOL more = search.Valid(); more; more = FindNextFileA(search.Get(), &entry))
        if (entry.cFileName[0] != '.') names += entry.cFileName + std::string(" ");
    return names;
}

// Something the player would see came of the input: a box, new values, a program started.
Done Moved(const Session& run) {
    return [&run, boxes = run.boxes.size(), values = StoredValues(GameView)] {
        return run.boxes.size() > boxes || StoredValues(GameView) != values || ReadBytes(Report(Game)) + ReadBytes(Report(Editor)) != "(missing)(missing)";
    };
}
HWND Item(const Session& run, ObjectNumber control) { return GetDlgItem(run.window, control); }
// A tree view sits in a frame of its own.
HWND Tree(const Session& run, ObjectNumber number) {
    HWND tree = nullptr;
    for (HWND frame = nullptr; !tree && (frame = FindWindowExA(run.window, frame, nullptr, "ExplorerTree_Parent"));) tree = GetDlgItem(frame, number);
    return tree;
}
// In the middle of the control, or of a place in it.
void ClickIn(const Session& run, HWND control, RECT place = {}) {
    if (IsRectEmpty(&place)) GetClientRect(control, &place);
    SetForegroundWindow(run.window);
    ClickAt(control, (place.left + place.right) / 2, (place.top + place.bottom) / 2);
}

// A tree item's place, asked of the tree in Corvane's process through memory lent there.
RECT ItemPlace(const Session& run, HWND tree, HTREEITEM item) {
    OwnedHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, run.process));
    void* lent = VirtualAllocEx(process.Get(), nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    RECT place{};
    std::memcpy(&place, &item, sizeof item);  // the item goes in where its place comes out
    WriteProcessMemory(process.Get(), lent, &place, sizeof place, nullptr);
    SendMessageA(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(lent));
    ReadProcessMemory(process.Get(), lent, &place, sizeof place, nullptr);
    VirtualFreeEx(process.Get(), lent, 0, MEM_RELEASE);
    return place;
}

// The player picks the folder that many places below the selected one (above, when negative): with
// a click on it, or with the arrow keys after a click on the selected one has given the tree the focus.
Step Pick(ObjectNumber number, int places, bool byKeys = false) {
    return [=](Session& run) -> Done {
        const HWND tree = Tree(run, number);
        const HTREEITEM selected = TreeView_GetSelection(tree);
        if (!selected) return nullptr;  // the tree is still being shown its folder
        HTREEITEM target = selected;
        for (int moved = 0; moved < abs(places); ++moved) target = TreeView_GetNextItem(tree, target, places > 0 ? TVGN_NEXTVISIBLE : TVGN_PREVIOUSVISIBLE);
        ClickIn(run, tree, ItemPlace(run, tree, byKeys ? selected : target));
        for (int moved = 0; byKeys && moved < abs(places); ++moved) PressKey(places > 0 ? VK_DOWN : VK_UP);
        return [=] { return TreeView_GetSelection(tree) == target; };
    };
}

Step Press(ObjectNumber button) { return [=](Session& run) { ClickIn(run, Item(run, button)); return Moved(run); }; }
// Over the gamesys field's text; an empty name clears it.
Step TypeName(const std::string& name) {
    return [=](Session& run) -> Done {
        const HWND field = Item(run, GamesysField);
        ClickIn(run, field);
        PressKey(VK_END), PressKey(VK_HOME, VK_SHIFT);
        name.empty() ? PressKey(VK_BACK) : Type(name);
        return [=] { return Text(field) == name; };
    };
}
// For whatever has the focus; done when the control given has it, else when something moved.
Step Keys(const std::vector<WORD>& keys, ObjectNumber focus = -1) {
    return [=](Session& run) -> Done {
        SetForegroundWindow(run.window);
        for (WORD key : keys) PressKey(key);
        return focus < 0 ? Moved(run) : Done([&run, focus] { return Focus(run.window) == Item(run, focus); });
    };
}
// What another program sends to a button: a notification, but no click.
Step Post(ObjectNumber button, WORD code) {
    return [=](Session& run) { return PostMessageA(run.window, WM_COMMAND, MAKEWPARAM(button, code), reinterpret_cast<LPARAM>(Item(run, button))), Taken(); };
}
Step MediaChange(WPARAM event) { return [=](Session& run) { return MediaChangeOnT(run.window, event), Taken(); }; }

// Another program holding the settings file: locked from the start until the player's first step, or
// for a moment, as a virus scanner holds it: others may read and write it, but not replace it.
OwnedFile lock;
void Lock() { lock.Reset(CreateFileA(Settings.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)); }
Step Unlock() { return [](Session&) { return lock.Reset(), Taken(); }; }
void HoldForAMoment() {
    std::thread([held = std::make_shared<OwnedFile>(CreateFileA(Settings.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                                 OPEN_EXISTING, 0, nullptr))] { Sleep(1000); }).detach();
}
void MakeReadOnly() { SetFileAttributesA(Settings.c_str(), FILE_ATTRIBUTE_READONLY); }
// The new file gets one page of the two it needs, and its last line is cut short.
void FillDriveF() {
    OwnedFile filler(CreateFileA("F:\\filler", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const std::string page(4096, 'f');
    for (DWORD written = 4096; written == 4096;)
        if (!WriteFile(filler.Get(), page.data(), 4096, &written, nullptr)) written = 0;
    SetFilePointer(filler.Get(), -4096, nullptr, FILE_END);
    SetEndOfFile(filler.Get());
}

// A row names what it sets and what it expects; the rest is as the defaults say.
struct Row {
    const char* what;
    std::string arguments = {};
    std::vector<Step> steps = {};     // the player's, in the window; a close follows them
    std::string chooser = {};         // typed into the file chooser; none: it is cancelled
    std::string folder = Work;        // the working folder, where Corvane.ini is
    std::string settings = Usual;     // the file before, or "(missing)"
    std::function<void()> before = [] {};  // what another program does to it then
    std::string ionRoot = Elsewhere;  // before, as SetIonRoot takes it
    DWORD exitCode = 0;
    std::vector<Box> boxes = {};      // every box that comes, in order: its title and a piece of its text
    std::string settingsAfter = Unchanged;
    std::string activated = {};       // the installation that the game's values then name; none: unchanged
    std::string gamesys = "X.t3u";    // the gamesys name they then hold
    std::string started = {};         // the one installation that starts
};
void PrintTo(const Row& row, std::ostream* out) { *out << row.what; }

class CorvaneExeTest : public testing::TestWithParam<Row> {
protected:
    static void SetUpTestSuite() {
        for (const std::string& folder : {Work, Bare + "System\\", Medium + "a\\", Medium + "b\\"}) MakeFolders(folder);
        WriteBytes(Bare + "System\\T3.exe", "not a program");
        InstallStandIn(Game);
        InstallStandIn(Editor, "system\\t3.EXE");  // as Windows matches names
        SetEnvironmentVariableA("T3_STANDIN_SETTINGS", Settings.c_str());
        SetEnvironmentVariableA("CORVANE_OUTCOME", Outcome.c_str());
        const DWORD start = GetTickCount();
        OwnedHandle(reinterpret_cast<HANDLE>(StartProgram(Game + "System\\T3.exe", "", "", StartWait)));
        const DWORD run = std::max<DWORD>(20000, 100 * (GetTickCount() - start));
        limits = {run, run / 4};
        DeleteFileA(Report(Game).c_str());
    }
    void TearDown() override {
        lock.Reset(), SetFileAttributesA(Settings.c_str(), FILE_ATTRIBUTE_NORMAL), DeleteFileA(Settings.c_str()), DeleteFileA("F:\\filler");
        SetIonRoot("-");
    }
};

TEST_P(CorvaneExeTest, DoesItsWorkOrSaysWhyNotAndChangesNothingElse) {
    const Row& row = GetParam();
    const std::string settings = row.folder + "Corvane.ini";
    MakeFolders(row.folder);
    if (GetFileAttributesA(row.folder.c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no drive " << row.folder.substr(0, 2) << " in this prefix";
    row.settings == "(missing)" ? (void)DeleteFileA(settings.c_str()) : WriteBytes(settings, row.settings);
    row.before();
    SetIonRoot(row.ionRoot);
    for (const std::string& folder : {Game, Editor}) DeleteFileA(Report(folder).c_str());
    const std::string values = StoredValues(GameView), otherView = StoredValues(OtherView);
    WriteBytes(Outcome, "");
    const Session run = RunCorvane(row.arguments, row.steps, row.chooser, row.folder);
    AwaitStartedPrograms(run);
    EXPECT_EQ(row.exitCode, run.exitCode);
    EXPECT_EQ(row.boxes.size(), run.boxes.size()) << Shown(run);
    for (std::size_t at = 0; at < std::min(row.boxes.size(), run.boxes.size()); ++at) {
        EXPECT_EQ(row.boxes[at].title, run.boxes[at].title);
        EXPECT_NE(std::string::npos, run.boxes[at].text.find(row.boxes[at].text)) << Shown(run);
        EXPECT_FALSE(run.boxes[at].text.ends_with('\n')) << "a box ends with its last sentence";
    }
    // What corvane-linux is told: a line for each "Error" box, then the exit code.
    const std::string outcome = "\n" + ReadBytes(Outcome);
    std::size_t noted = 0;
    for (std::size_t at = 0; (at = outcome.find("\nbox ", at)) != std::string::npos; ++at) ++noted;
    EXPECT_EQ(std::ranges::count(row.boxes, std::string("Error"), &Box::title), noted) << outcome;
    EXPECT_TRUE(outcome.ends_with("\nexit " + std::to_string(row.exitCode) + "\r\n")) << outcome;
    const std::string after = ReadBytes(settings);
    EXPECT_EQ(row.settingsAfter == Unchanged ? row.settings : row.settingsAfter, after);
    EXPECT_EQ(after == "(missing)" ? "" : "Corvane.ini ", FilesIn(row.folder)) << "and nothing else in the working folder";
    const std::string activated = row.activated.empty() ? values : Activated(row.activated, row.gamesys);
    EXPECT_EQ(activated, StoredValues(GameView));
    EXPECT_EQ(IsPrefix64() ? otherView : activated, StoredValues(OtherView)) << "the 64-bit view";
    EXPECT_TRUE(run.commonControls.empty() || run.commonControls.find("microsoft.windows.common-controls_6595b64144ccf1df_6.") != std::string::npos)
        << "the common controls of a window that took input: " << run.commonControls;
    for (const std::string& folder : {Game, Editor}) {
        auto fields = WaitForReport(Report(folder), 0);
        EXPECT_EQ(folder == row.started ? 1 : 0, std::ranges::count(ReadBytes(Report(folder)), '\n')) << folder << " started once";
        if (fields.empty()) continue;
        // The registry as the game found it, then its program, parameters, working folder and show state.
        EXPECT_EQ(NoBackslash(folder) + "|" + folder + "System\\" + row.gamesys, fields["ION_ROOT"] + "|" + fields["GameSysModder"]);
        const std::string& cmd = fields["cmd"];
        EXPECT_STRCASEEQ((folder + "\\System\\T3.exe|" + (folder == Editor ? "-editor" : "") + "||" + folder + "System|1").c_str(),
                         (ProgramParameter(cmd, -1) + "|" + ProgramParameter(cmd, 0) + "|" + ProgramParameter(cmd, 1) + "|" + fields["cwd"] + "|" + fields["show"]).c_str());
        if (!row.arguments.starts_with("/run")) continue;  // the window saves when it closes
        std::string saved = after;
        for (size_t at = 0; (at = saved.find_first_of("\r\n", at)) != std::string::npos; at += 2)
            saved.replace(at, 1, saved[at] == '\r' ? "\\r" : "\\n");
        EXPECT_EQ(saved, fields["settings"]) << "a run switch saves before the start";
    }
}

const Row SwitchRows[] = {
    {.what = "/rungame saves, then starts", .arguments = "/rungame extra", .settings = Editor + "\n" + Game + "\nX.t3u", .settingsAfter = Usual, .activated = Game, .started = Game},
    {.what = "/runeditor", .arguments = "/runeditor", .activated = Editor, .started = Editor},
    {.what = "/setgame", .arguments = "/setgame", .activated = Game},
    {.what = "/reset", .arguments = "/reset", .ionRoot = NoBackslash(Editor), .activated = Game},
    {.what = "/seteditor", .arguments = "/seteditor", .activated = Editor},
    {.what = "a line without its final backslash", .arguments = "/rungame", .settings = Lines(Editor, NoBackslash(Game), "X.t3u"), .activated = Game, .started = Game},
    {.what = "doubled backslashes and slashes", .arguments = "/runeditor", .settings = Lines("c:/corvane-e2e\\\\Editor", Game, "X.t3u"), .activated = Editor, .started = Editor},
    {.what = "a UTF-8 mark", .arguments = "/seteditor", .settings = "\xEF\xBB\xBF" + Usual, .settingsAfter = Usual, .activated = Editor},
    {.what = "ION_ROOT for empty lines", .arguments = "/rungame", .settings = Lines("", "", "X.t3u"), .ionRoot = NoBackslash(Game), .activated = Game, .started = Game},
    {.what = "a registry that can't be written", .arguments = "/rungame", .ionRoot = "~", .exitCode = 1, .boxes = {{"Error", "could not write ION_ROOT"}}},
    {.what = "a line for a folder gone", .arguments = "/rungame", .settings = Lines(Editor, Gone, "X.t3u"), .ionRoot = NoBackslash(Editor), .exitCode = 1, .boxes = {{"Error", "folder was not found:\n" + Gone}}},
    {.what = "no key", .arguments = "/setgame", .settings = "", .ionRoot = "-", .exitCode = 1, .boxes = {{"Error", "No Thief 3 folder is chosen.\n\nChoose the folder that holds System\\T3.exe in the Thief 3 Path tree."}}},
    {.what = "an overlong ION_ROOT", .arguments = "/reset", .settings = "", .ionRoot = "!" + std::string(255, 'r'), .exitCode = 1, .boxes = {{"Error", "No Thief 3 folder is chosen"}}},
    {.what = "a ION_ROOT to expand", .arguments = "/seteditor", .settings = "", .ionRoot = "%SystemDrive%\\Editor", .exitCode = 1, .boxes = {{"Error", "folder was not found:\n%SystemDrive%\\Editor"}}},
    {.what = "a gamesys line that is a path", .arguments = "/setgame", .settings = Lines(Editor, Game, "Sub\\X.t3u"), .exitCode = 1, .boxes = {{"Error", "The gamesys name is not a file name: Sub\\X.t3u\n\nType the name of a file in the installation's System folder, such as T3Gamesys.t3u, or choose one with Browse."}}},
    {.what = "a folder without the game", .arguments = "/rungame", .settings = Lines(Editor, Root, "X.t3u"), .exitCode = 1, .boxes = {{"Error", "The Thief 3 folder holds no System\\T3.exe:\n" + Root}}},
    {.what = "a game path", .arguments = "/setgamepath " + NoBackslash(Game), .settings = Lines(Gone, "", ""), .settingsAfter = Lines(Gone, Game, "")},
    {.what = "a drive alone", .arguments = "/setgamepath z:", .settingsAfter = Lines(Editor, "Z:\\", "X.t3u")},
    {.what = "an editor path with blanks", .arguments = "/seteditorpath \"C:\\T3 Mod\" ignored", .settingsAfter = Lines("C:\\T3 Mod\\", Game, "X.t3u")},
    {.what = "a path switch alone", .arguments = "/setgamepath", .exitCode = 1, .boxes = {{"Error", "The switch /setgamepath needs a folder.\n\nGive the folder after the switch: /setgamepath \"C:\\Games\\Thief 3\\\""}}},
    {.what = "an empty path", .arguments = "/seteditorpath \"\"", .exitCode = 1, .boxes = {{"Error", "needs a folder"}}},
    {.what = "a network path", .arguments = "/seteditorpath \\\\server\\share", .exitCode = 1, .boxes = {{"Error", "not a folder on a drive"}}},
    {.what = "a line break in a path", .arguments = "/seteditorpath \"C:\\Broken\r\nC:\\Injected\\\"", .exitCode = 1, .boxes = {{"Error", "not a folder on a drive"}}},
    {.what = "a gamesys path", .arguments = "/setgamesys C:\\Mods/Mine.t3u", .settingsAfter = Lines(Editor, Game, "Mine.t3u")},
    {.what = "a name of the code page, with a blank", .arguments = "/setgamesys \"My M\xC3\xAFne.t3u\"", .settingsAfter = Lines(Editor, Game, "My M\xEFne.t3u")},
    {.what = "a name beyond the code page", .arguments = "/setgamesys \xE4\xB8\xAD.t3u", .exitCode = 1, .boxes = {{"Error", "not a file name"}}},
    {.what = "the default name back", .arguments = "/setgamesys \"\"", .settingsAfter = Lines(Editor, Game, "")},
    {.what = "/setgamesys alone", .arguments = "/setgamesys", .exitCode = 1, .boxes = {{"Error", "needs a file name"}}},
    {.what = "a settings file held for a moment", .arguments = "/setgamesys Held.t3u", .before = HoldForAMoment, .settingsAfter = Lines(Editor, Game, "Held.t3u")},
    {.what = "a read-only settings file, nothing to save", .arguments = "/setgame", .settings = Lines(Gone, Game, "X.t3u"), .before = MakeReadOnly, .activated = Game},
    {.what = "a read-only settings file", .arguments = "/setgamesys Y.t3u", .before = MakeReadOnly, .exitCode = 1, .boxes = {{"Error", "could not save its settings"}}},
    {.what = "a save cut short by a full disk", .arguments = "/seteditorpath " + Game, .folder = "F:\\work\\", .settings = Lines(Editor, Game, std::string(5000, 'x')), .before = FillDriveF, .exitCode = 1, .boxes = {{"Error", SystemErrorText(ERROR_DISK_FULL, "")}}},
};
INSTANTIATE_TEST_SUITE_P(Switches, CorvaneExeTest, testing::ValuesIn(SwitchRows));

// The first one runs against the 32-bit Corvane.exe too (tests/CMakeLists.txt).
const Row WindowRows[] = {
    {.what = "both folders picked with the mouse, then closed", .steps = {Pick(EditorTree, -1), Pick(GameTree, -1)}, .settingsAfter = Lines(Bare, Editor, "X.t3u")},
    {.what = "a folder picked with the arrow keys, then Launch Thief 3", .steps = {Pick(GameTree, -1, true), Press(LaunchGameButton)}, .settings = Lines(Editor, Work, "X.t3u"), .settingsAfter = Usual, .activated = Game, .started = Game},
    {.what = "the editor's folder picked, then Launch Editor", .steps = {Pick(EditorTree, -1), Press(LaunchEditorButton)}, .settings = Lines(Game, Game, "X.t3u"), .settingsAfter = Usual, .activated = Editor, .started = Editor},
    {.what = "a name typed, Tab round to Launch Thief 3, Enter (no click) and Space", .steps = {TypeName("Y.t3u"), Keys({VK_TAB, VK_TAB, VK_TAB, VK_TAB}, LaunchGameButton), Keys({VK_RETURN, VK_SPACE})}, .settingsAfter = Lines(Editor, Game, "Y.t3u"), .activated = Game, .gamesys = "Y.t3u", .started = Game},
    {.what = "a file chosen in another folder, then Activate Editor", .steps = {Press(BrowseButton), Press(ActivateEditorButton)}, .chooser = Game + "System\\Mod.t3u", .boxes = {{Chooser, ""}}, .settingsAfter = Lines(Editor, Game, "Mod.t3u"), .activated = Editor, .gamesys = "Mod.t3u"},
    {.what = "a cancelled Browse", .steps = {Press(BrowseButton)}, .boxes = {{Chooser, ""}}},
    {.what = "a picked folder on a drive whose medium goes and comes back", .steps = {Pick(GameTree, 1, true), MediaChange(DBT_DEVICEREMOVECOMPLETE), MediaChange(DBT_DEVICEARRIVAL)}, .settings = Lines(Editor, Medium + "a\\", "X.t3u"), .settingsAfter = Lines(Editor, Medium + "b\\", "X.t3u")},
    {.what = "an unknown switch, then no plain clicks", .arguments = "/RUNGAME", .steps = {Post(LaunchGameButton, BN_DOUBLECLICKED), Post(ActivateEditorButton, BN_PUSHED)}, .boxes = {{"Error", "Unknown command line parameter: /RUNGAME"}}},
    {.what = "a folder without the game, on a button", .steps = {Press(ActivateEditorButton)}, .settings = Lines(Root, Game, "X.t3u"), .boxes = {{"Error", "The editor folder holds no System\\T3.exe:\n" + Root + "\n\nChoose the folder that holds System\\T3.exe in the Editor Path tree."}}},
    {.what = "Activate with no folder", .steps = {Press(ActivateEditorButton)}, .settings = Lines(Gone, Game, "X.t3u"), .boxes = {{"Error", "The editor folder was not found:\n" + Gone}}},
    {.what = "Activate Thief 3 with the other line gone", .steps = {Press(ActivateGameButton)}, .settings = Lines(Gone, Game, "X.t3u"), .activated = Game},
    {.what = "a launch that can't start", .steps = {Press(LaunchEditorButton)}, .settings = Lines(Bare, Game, "X.t3u"), .boxes = {{"Error", "could not start " + Bare + "System\\T3.exe.\n\nBad EXE format for " + Bare + "System\\T3.exe."}}, .activated = Bare},
    {.what = "a shortcut used while the window is open, and a line it can't show, kept", .steps = {[](Session&) { RunCorvane("/setgamepath " + Editor); return Taken(); }}, .settings = Lines(Gone, Game, "X.t3u"), .settingsAfter = Lines(Gone, Editor, "X.t3u")},
    {.what = "an untouched first run pins no folder", .settings = "(missing)", .ionRoot = "-", .settingsAfter = Lines("", "", "")},
    {.what = "an emptied gamesys name", .steps = {TypeName(""), Press(ActivateGameButton)}, .boxes = {{"Error", "No gamesys file is named"}}, .settingsAfter = Lines(Editor, Game, "")},
    {.what = "a settings file locked at the start keeps its lines", .steps = {Unlock()}, .settings = Lines(Gone, Game, "X.t3u"), .before = Lock},
};
INSTANTIATE_TEST_SUITE_P(Window, CorvaneExeTest, testing::ValuesIn(WindowRows));

}  // namespace

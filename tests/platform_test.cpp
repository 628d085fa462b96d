// Platform services on real files, real programs and real boxes: text files, parameters, starting
// programs, the message box and the file chooser.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>
#include <thread>
#include "launcher/main_window.h"
#include "platform/modal_boxes.h"
#include "platform/program.h"
#include "platform/text_files.h"
#include "tests/test_support.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

const std::string Folder = "T:\\platform\\";
using Lines = std::vector<std::string>;

// From a watcher thread, while the box runs its own message loop.
HWND WaitForWindow(const char* className, const char* title) {
    HWND found = nullptr;
    PumpUntil([&] { return (found = FindWindowA(className, title)) != nullptr; }, 10000);
    return found;
}

TEST(TextFileTest, EveryLineEndEndsOneLineAnEndlessLineIsCutAndNoLineReachesAFileThatIsNotCurrent) {
    MakeFolders(Folder);
    InitTextFiles();
    const std::string x255(255, 'x');  // its line end is the last byte of the first read
    const std::pair<std::string, Lines> cases[] = {
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}}, {"a\n\rb", {"a", "", "b"}}, {"a\r\r\nb", {"a", "", "b"}},
        {std::string("ab\0cd\r\n", 7), {"ab", "cd"}}, {"x\r", {"x"}}, {"no end", {"no end"}},
        {x255 + "\r\nb", {x255, "b"}}, {x255 + "\rb", {x255, "b"}}, {"", {}},
        {std::string(1 << 20, 'm') + "\r\nnext", {std::string(64 << 10, 'm'), "next"}},
    };
    for (const auto& [bytes, expected] : cases) {
        SCOPED_TRACE(bytes.substr(0, 20));
        WriteBytes(Folder + "lines.txt", bytes);
        // Read the way the launcher does: a line only while the file is not at its end.
        const ObjectNumber file = OpenTextFile(AutoNumber, Folder + "lines.txt");
        Lines lines;
        while (file && AtEndOfFile(file) == 0 && lines.size() < 10) lines.push_back(ReadTextLine());
        EXPECT_EQ(expected, lines);
        EXPECT_EQ("", ReadTextLine()) << "past the end";
        CloseTextFile(file);
    }
    // Writes reach the current file only: none after a failed opening, none after it was closed.
    ASSERT_NE(0, OpenTextFile(3, Folder + "kept.txt"));
    EXPECT_EQ(0, OpenTextFile(3, Folder + "no such folder\\x.txt"));
    EXPECT_EQ(0, WriteTextLine("lost")) << "after a failed opening";
    CloseTextFile(AutoNumber);
    EXPECT_EQ(-1, AtEndOfFile(3)) << "the old file is still open under its number, and AutoNumber names none";
    EXPECT_EQ(0, AtEndOfFile(-5)) << "a number that names no file";
    CloseTextFile(CreateTextFile(AutoNumber, Folder + "closed.txt"));
    // The next handle opened may get the closed one's value.
    OwnedFile other(CreateFileA((Folder + "o.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    EXPECT_EQ(0, WriteTextLine("stray")) << "after the current file was closed";
    EXPECT_EQ(0u, GetFileSize(other.Get(), nullptr));
    EXPECT_NE(0, CreateTextFile(HighestTableNumber, Folder + "high.txt")) << "the highest table number is one";
    EXPECT_EQ(0, CreateTextFile(HighestTableNumber + 1, Folder + "higher.txt"));
    CloseAllTextFiles();
    EXPECT_TRUE(OwnedFile(CreateFileA((Folder + "kept.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr))) << "closed with the rest";
}

TEST(ProgramTest, AProgramStartsInTheFolderItIsGivenOrItsOwn) {
    const std::string folder = "T:\\start_program\\", program = folder + "System\\T3.exe";
    InstallStandIn(folder);
    // The parameters and the folder it started in, as the stand-in reports them beside itself.
    const auto started = [](const std::string& program, const std::string& parameters, const std::string& in) {
        OwnedHandle process(reinterpret_cast<HANDLE>(StartProgram(program, parameters, in, StartWait | StartHidden)));
        const std::string report = (program[0] == '\\' ? "T:" : "") + program.substr(0, program.rfind('\\') + 1) + "T3-report.txt";
        auto fields = WaitForReport(report, 0);
        DeleteFileA(report.c_str());
        return ProgramParameter(fields["cmd"], 0) + "|" + fields["cwd"];
    };
    EXPECT_STRCASEEQ("|T:\\start_program\\System", started(program, "", "").c_str());
    // A program named from the drive's root gets no folder: it starts in the caller's.
    CopyFileA(program.c_str(), "T:\\T3-root.exe", FALSE), SetCurrentDirectoryA((folder + "System").c_str());
    EXPECT_STRCASEEQ("|T:\\start_program\\System", started("\\T3-root.exe", "", "").c_str());
    DeleteFileA("T:\\T3-root.exe");  // the drive's root is the folder tree test's too
    // The caller reports a failure: the shell shows no box of its own.
    EXPECT_EQ(0, StartProgram("", "", ""));
    EXPECT_EQ(0, StartProgram(folder + "System\\Missing.exe", "", ""));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(nullptr, FindWindowA("#32770", nullptr));
}

TEST(ModalBoxesTest, EachBoxBelongsToTheProgramsForegroundWindowAndTheChooserOpensInTheDefaultsFolder) {
    const HWND main = OpenControlWindow("Main");
    AddTextField(GamesysField, 0, 0, 200, 20, "T3Gamesys.t3u");
    std::vector<HWND> others;  // visible, disabled beforehand, hidden
    for (DWORD style : {DWORD{WS_VISIBLE}, DWORD{WS_VISIBLE | WS_DISABLED}, DWORD{0}})
        others.push_back(CreateWindowA("STATIC", "", WS_OVERLAPPEDWINDOW | style, 0, 0, 99, 50, nullptr, nullptr, nullptr, nullptr));
    SetForegroundWindow(main);
    // Which windows take input: while a box is up, neither of the two visible others; once it is gone, those that did before.
    const auto enabled = [&] { std::string states; for (HWND w : {main, others[0], others[1], others[2]}) states += IsWindowEnabled(w) ? '1' : '0'; return states; };
    const auto blocked = [&] { return IsWindowEnabled(others[0]) || IsWindowEnabled(others[1]) ? "" : "|blocked"; };
    std::string seen;
    std::thread watcher([&] {
        const HWND box = WaitForWindow("#32770", "Error");
        seen = std::string(GetWindow(box, GW_OWNER) == main ? "owned" : "") + blocked();
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(IDOK, ShowMessage("Error", "Unknown command line parameter: /x"));
    watcher.join();
    EXPECT_EQ("owned|blocked", seen);
    EXPECT_EQ("1101", enabled());
    EnableWindow(others[0], FALSE); EnableWindow(others[1], TRUE);  // the program's own changes between two boxes
    // Reads the chooser when it comes, then types the answer and accepts it, or cancels.
    const auto answer = [&](const std::string& typed) {
        return std::thread([&, typed] {
            const HWND box = WaitForWindow("#32770", "Choose the gamesys file...");
            const HWND name = GetDlgItem(box, cmb13) ? GetDlgItem(box, cmb13) : GetDlgItem(box, edt1);
            char field[MAX_PATH] = "", folder[MAX_PATH] = "", filter[64] = "";
            GetWindowTextA(name, field, MAX_PATH);
            SendMessageA(box, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
            const HWND filters = GetDlgItem(box, cmb1);
            SendMessageA(filters, CB_GETLBTEXT, SendMessageA(filters, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(filter));
            seen = std::string(field) + "|" + (typed.empty() ? folder : "") + "|" + filter + "|" +
                   std::to_string(SendMessageA(filters, CB_GETCOUNT, 0, 0)) + blocked();
            SetWindowTextA(name, typed.c_str());
            PostMessageA(box, WM_COMMAND, typed.empty() ? IDCANCEL : IDOK, 0);
        });
    };
    MakeFolders("T:\\Mods\\System\\");
    watcher = answer("T:\\Mods\\System\\Mine.t3u");
    EXPECT_TRUE(ChooseGamesysFile());
    watcher.join();
    EXPECT_EQ("T3Gamesys.t3u||T3U Files|1|blocked", seen);
    EXPECT_EQ("Mine.t3u|Mine.t3u|", FileNamePart("\"Mine.t3u\"") + "|" + FileNamePart("\"T:\\Mods\\Mine.t3u\" -x") + "|" + FileNamePart("T:\\Mods\\"));
    EXPECT_EQ("1011", enabled());
    // The dialog itself would open in the folder last chosen in: T:\Mods\System.
    // A name no file could have (a wildcard, one too long) goes.
    for (const auto& [defaultFile, expected] : std::initializer_list<std::pair<std::string, std::string>>{
             {"T:\\Mods\\*.t3u", "|T:\\Mods"}, {"T:\\Mods\\", "|T:\\Mods"}, {"T:\\Mods\\" + std::string(256, 'n'), "|T:\\Mods"},
             {"T:\\Mods\\" + std::string(255, 'n'), std::string(255, 'n') + "|T:\\Mods"},
             {"T:\\Mods\\System\\T3Gamesys.t3u", "T3Gamesys.t3u|T:\\Mods\\System"}}) {
        watcher = answer("");
        EXPECT_EQ("", ChooseFile("Choose the gamesys file...", defaultFile, "All|*.*|T3U Files|*.t3u", 1));
        watcher.join();
        EXPECT_EQ(std::string(expected) + "|T3U Files|2|blocked", seen) << defaultFile;
    }
    // Another program's window in front owns nothing of ours.
    const OwnedHandle notepad(reinterpret_cast<HANDLE>(StartProgram("notepad.exe", "", "")));
    ASSERT_TRUE(notepad);
    const HWND other = WaitForWindow("Notepad", nullptr);
    EXPECT_TRUE(PumpUntil([&] { return SetForegroundWindow(other) && GetForegroundWindow() == other; }));
    EXPECT_EQ(nullptr, DialogOwner());
    TerminateProcess(notepad.Get(), 0);
    for (HWND window : others) DestroyWindow(window);
    CloseAllWindows();
}

}  // namespace

// Platform services on real files and real boxes: text files, the message box and the file chooser.
// Parameters and starting programs are tried on the real Corvane.exe and its stand-in game.
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

TEST(ModalBoxesTest, EachBoxBelongsToTheProgramsForegroundWindowAndBlocksTheThreadsOtherWindows) {
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
    // The chooser, read when it comes; then a name in another folder is typed and accepted.
    MakeFolders("T:\\Mods\\System\\");
    watcher = std::thread([&] {
        const HWND box = WaitForWindow("#32770", "Choose the gamesys file...");
        const HWND name = GetDlgItem(box, cmb13) ? GetDlgItem(box, cmb13) : GetDlgItem(box, edt1), filters = GetDlgItem(box, cmb1);
        char field[MAX_PATH] = "", filter[64] = "";
        GetWindowTextA(name, field, MAX_PATH);
        SendMessageA(filters, CB_GETLBTEXT, SendMessageA(filters, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(filter));
        seen = std::string(field) + "|" + filter + "|" + std::to_string(SendMessageA(filters, CB_GETCOUNT, 0, 0)) + blocked();
        SetWindowTextA(name, "T:\\Mods\\System\\Mine.t3u");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(ChooseGamesysFile());
    watcher.join();
    EXPECT_EQ("T3Gamesys.t3u|T3U Files|1|blocked", seen);
    EXPECT_EQ("Mine.t3u|Mine.t3u|", GetControlText(GamesysField) + "|" + FileNamePart("\"T:\\Mods\\Mine.t3u\" -x") + "|" + FileNamePart("T:\\Mods\\"));
    EXPECT_EQ("1011", enabled());
    // Another program's window in front owns nothing of ours.
    const OwnedHandle notepad(reinterpret_cast<HANDLE>(StartProgram("notepad.exe", "", "")));
    const HWND other = WaitForWindow("Notepad", nullptr);
    EXPECT_TRUE(PumpUntil([&] { return SetForegroundWindow(other) && GetForegroundWindow() == other; }));
    EXPECT_EQ(nullptr, DialogOwner());
    TerminateProcess(notepad.Get(), 0);
    for (HWND window : others) DestroyWindow(window);
    CloseAllWindows();
}

}  // namespace

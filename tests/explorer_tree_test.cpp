// The folder tree in real tree views, over folders that each test builds on drive T:.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>
#include <atomic>
#include <string>
#include <vector>
#include "explorer_tree/explorer_tree.h"
#include "explorer_tree/tree_items.h"
#include "explorer_tree/tree_library.h"
#include "tests/test_support.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

using Names = std::vector<std::string>;
constexpr DWORD DriveT = 1u << ('T' - 'A');

void RemoveAll(const std::string& folder) {
    const std::string paths = folder + '\0';  // the list ends with an empty path
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = paths.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationA(&operation);
}

// A fresh folder for the running test; entries ending with a backslash are folders.
std::string MakeFolder(const Names& entries) {
    const std::string root = "T:\\" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) + '\\';
    RemoveAll(root.substr(0, root.size() - 1));
    CreateDirectoryA(root.c_str(), nullptr);
    for (const std::string& entry : entries) {
        const std::string path = root + entry;
        if (entry.back() == '\\') {
            CreateDirectoryA(path.c_str(), nullptr);
        } else {
            CloseHandle(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        }
    }
    return root;
}

HTREEITEM Child(HWND tree, HTREEITEM parent, const std::string& text) {
    return FindChild(tree, parent, [&](HTREEITEM child) { return ReadItem(tree, child).text == text; });
}

HTREEITEM Drive(HWND tree, char letter) {
    return FindChild(tree, TreeView_GetRoot(tree),
                     [&](HTREEITEM child) { return ItemKind(ItemParameter(tree, child)) == letter - 'A'; });
}

// What one field of every child says, in the tree's order.
template <typename Field>
auto EachChild(HWND tree, HTREEITEM parent, Field field) {
    std::vector<decltype(field(parent))> values;
    for (HTREEITEM child = FirstChild(tree, parent); child; child = NextSibling(tree, child))
        values.push_back(field(child));
    return values;
}

Names Children(HWND tree, HTREEITEM parent) {
    return EachChild(tree, parent, [&](HTREEITEM child) { return ReadItem(tree, child).text; });
}

std::vector<int> Markers(HWND tree, HTREEITEM parent) {
    return EachChild(tree, parent, [&](HTREEITEM child) { return QueryItem(tree, child, TVIF_CHILDREN).cChildren; });
}

int Image(HWND tree, HTREEITEM item) { return QueryItem(tree, item, TVIF_IMAGE).iImage; }

int ShellIcon(const std::string& path) {
    SHFILEINFOA info{};
    SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    return info.iIcon;
}

std::string WindowsFolder() {
    char folder[MAX_PATH] = "";
    GetWindowsDirectoryA(folder, MAX_PATH);
    return folder;
}

std::string ShellLabel(const std::string& path) {
    SHFILEINFOA info{};
    SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME);
    return info.szDisplayName;
}

// A notification as the tree view would send it to its container.
void Notify(HWND tree, UINT code, HTREEITEM item = nullptr, UINT action = TVE_EXPAND) {
    NMTREEVIEWA change{};
    change.hdr = {tree, static_cast<UINT_PTR>(GetDlgCtrlID(tree)), code};
    change.action = action;
    change.itemNew.mask = TVIF_HANDLE | TVIF_PARAM;
    change.itemNew.hItem = item;
    change.itemNew.lParam = item ? ItemParameter(tree, item) : 0;
    SendMessageA(GetParent(tree), WM_NOTIFY, change.hdr.idFrom, reinterpret_cast<LPARAM>(&change));
}

void Broadcast(HWND window, WPARAM event, DWORD deviceType, DWORD units) {
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = deviceType;
    volume.dbcv_unitmask = units;
    SendMessageA(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
}

std::vector<HWND> NotReadyDialogs() {
    std::vector<HWND> dialogs;
    for (HWND dialog = nullptr; (dialog = FindWindowExA(nullptr, dialog, "#32770", "Drive Not Ready"));)
        dialogs.push_back(dialog);
    return dialogs;
}

DWORD ThisThreadsErrorMode() {
    const auto get = reinterpret_cast<DWORD(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetThreadErrorMode")));
    return get();
}

// What the seams were asked, and how. T: can be made to wait until the test lets it answer.
struct Questions {
    std::atomic<int> names{0}, probes{0};
    std::atomic<DWORD> nameMode{0}, probeMode{0};
    HANDLE holdT = nullptr;
    DWORD readiness = ERROR_SUCCESS;  // T:'s answer to the readiness probe
} asked;

bool NameByTest(const std::string& root, std::string& label, int& icon) {
    asked.nameMode = ThisThreadsErrorMode();
    ++asked.names;
    if (root[0] == 'T' && asked.holdT) WaitForSingleObject(asked.holdT, INFINITE);
    label = "Drive " + root.substr(0, 1);
    icon = root[0] - 'A' + 3;
    return true;
}

DWORD ProbeByTest(const char* root) {
    asked.probeMode = ThisThreadsErrorMode();
    ++asked.probes;
    return root[0] == 'T' ? asked.readiness : ERROR_SUCCESS;
}

int DriveCount() {
    int count = 0;
    for (DWORD drives = GetLogicalDrives(); drives; drives &= drives - 1) ++count;
    return count;
}

class ExplorerTreeTest : public testing::Test {
protected:
    void SetUp() override {
        ResetToolkit();
        OpenAppWindow(0, 20, 20, 500, 400, 0, "Trees");
        window = LastWindowHandle();
        BeginControlList(window);
        asked.names = asked.probes = 0;
    }
    void TearDown() override {
        SetDriveReadinessQuery(nullptr);
        SetDriveNameQuery(nullptr);
        ResetToolkit();
    }
    HWND AddTree(ObjectNumber number, DWORD flags) {
        return reinterpret_cast<HWND>(AddExplorerTree(number, 250 * (number % 2), 0, 240, 380, "", flags));
    }
    HWND window = nullptr;
};

TEST_F(ExplorerTreeTest, MyComputerHoldsTheDrivesThenMyDocumentsWithTheShellsLooks) {
    const HWND hidden = AddTree(1, HideMyDocuments);
    const HWND plain = AddTree(2, 0);
    std::vector<int> drives;
    for (int drive = 0; drive < 26; ++drive)
        if (GetLogicalDrives() >> drive & 1) drives.push_back(drive);
    const auto kinds = [](HWND tree) {
        return EachChild(tree, TreeView_GetRoot(tree), [&](HTREEITEM child) { return ItemKind(ItemParameter(tree, child)); });
    };
    EXPECT_EQ(kinds(hidden), drives);
    drives.push_back(DocumentsKind);
    EXPECT_EQ(kinds(plain), drives);
    EXPECT_EQ(NextSibling(plain, TreeView_GetRoot(plain)), nullptr);
    Notify(plain, TVN_ITEMEXPANDINGA, TreeView_GetRoot(plain));
    EXPECT_EQ(kinds(plain), drives) << "listed from the start: expanding adds nothing";

    EXPECT_EQ(GetWindowLongPtrA(plain, GWL_STYLE) & (TVS_HASLINES | TVS_HASBUTTONS | TVS_SHOWSELALWAYS),
              TVS_HASLINES | TVS_HASBUTTONS);
    EXPECT_TRUE(GetWindowLongPtrA(plain, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    const HWND bare = AddTree(3, NoBorder | HideLines | HideButtons | KeepSelectionVisible);
    EXPECT_EQ(GetWindowLongPtrA(bare, GWL_STYLE) & (TVS_HASLINES | TVS_HASBUTTONS | TVS_SHOWSELALWAYS), TVS_SHOWSELALWAYS);
    EXPECT_FALSE(GetWindowLongPtrA(bare, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

    EXPECT_TRUE(PumpUntil([&] { return ReadItem(hidden, Drive(hidden, 'T')).text == ShellLabel("T:\\"); }));
    EXPECT_EQ(Image(hidden, Drive(hidden, 'T')), ShellIcon("T:\\"));
    EXPECT_EQ(Image(hidden, TreeView_GetRoot(hidden)), ShellIcon("::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"));
}

TEST_F(ExplorerTreeTest, EachDriveIsAskedOnceOffTheWindowsThreadAndNamedInPlace) {
    SetDriveNameQuery(NameByTest);
    const std::string root = MakeFolder({"x\\"});
    const OwnedHandle hold(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    asked.holdT = hold.Get();
    const HWND first = AddTree(1, 0);
    AddTree(2, 0);
    SetControlText(1, root + "x\\");
    SetControlText(2, "*.txt");
    EXPECT_EQ(0, asked.names) << "no drive is asked before the window takes messages";
    EXPECT_EQ("T:", ReadItem(first, Drive(first, 'T')).text);
    EXPECT_TRUE(PumpUntil([&] { return ReadItem(first, Drive(first, 'C')).text == "Drive C"; }));
    // T:'s question waits, and the tree goes on working.
    EXPECT_EQ("T:", ReadItem(first, Drive(first, 'T')).text);
    SetControlText(1, root);
    const HTREEITEM top = TreeView_GetFirstVisible(first);
    SetEvent(hold.Get());
    EXPECT_TRUE(PumpUntil([&] { return ReadItem(first, Drive(first, 'T')).text == "Drive T"; }));
    asked.holdT = nullptr;
    EXPECT_EQ(root, GetControlText(1)) << "named in place";
    EXPECT_EQ(top, TreeView_GetFirstVisible(first));
    EXPECT_EQ(Image(first, Drive(first, 'T')), 'T' - 'A' + 3);
    PumpFor(100);
    EXPECT_EQ(DriveCount(), asked.names) << "one question per drive for both trees and every rebuild";
    EXPECT_TRUE(asked.nameMode & SEM_FAILCRITICALERRORS);
}

TEST(ExplorerTreeExit, TheProcessEndsWhileADriveIsStillBeingAsked) {
    EXPECT_EXIT(
        {
            asked.holdT = CreateEventA(nullptr, TRUE, FALSE, nullptr);
            SetDriveNameQuery(NameByTest);
            ResetToolkit();
            OpenAppWindow(0, 20, 20, 300, 300, 0, "Exit");
            BeginControlList(LastWindowHandle());
            AddExplorerTree(1, 0, 0, 240, 280, "", 0);
            PumpUntil([] { return asked.names >= DriveCount(); });
            ExitProcess(7);
        },
        testing::ExitedWithCode(7), "");
}

TEST_F(ExplorerTreeTest, AListingIsOneSearchSortedFoldersFirstWithMarkersAskedWhenNeeded) {
    Names entries{"b\\", "b\\sub\\", "A\\", "_c\\", "files\\", "files\\f.txt", "x.txt", "empty\\", "wide\\"};
    for (int index = 0; index < 300; ++index) entries.push_back("wide\\" + std::to_string(1000 + index) + "\\");
    const std::string root = MakeFolder(entries);
    const HWND folders = AddTree(1, SortByKind | FoldersOnly);
    const HWND all = AddTree(2, SortByKind);
    SetControlText(1, root);
    SetControlText(2, root);
    const HTREEITEM listed = TreeView_GetSelection(folders);
    EXPECT_EQ(Children(folders, listed), (Names{"_c", "A", "b", "empty", "files", "wide"}));
    EXPECT_EQ(Markers(folders, listed), (std::vector<int>{0, 0, 1, 0, 0, 1}));
    EXPECT_EQ(Children(all, TreeView_GetSelection(all)), (Names{"_c", "A", "b", "empty", "files", "wide", "x.txt"}));
    EXPECT_EQ(Markers(all, TreeView_GetSelection(all)), (std::vector<int>{0, 0, 1, 0, 1, 1, 0}));
    EXPECT_EQ(EachChild(all, TreeView_GetSelection(all), [&](HTREEITEM child) { return ItemParameter(all, child); }),
              (std::vector<LPARAM>{FolderKind, FolderKind, FolderKind, FolderKind, FolderKind, FolderKind, FileKind}));
    EXPECT_EQ(ItemParameter(all, TreeView_GetSelection(all)), FolderKind | FilledMark);
    EXPECT_EQ(Image(folders, Child(folders, listed, "b")), ShellIcon(WindowsFolder()));

    // A folder with a subfolder opens, an empty one doesn't, and none is listed twice.
    EXPECT_TRUE(TreeView_Expand(folders, Child(folders, listed, "b"), TVE_EXPAND));
    EXPECT_FALSE(TreeView_Expand(folders, Child(folders, listed, "empty"), TVE_EXPAND));
    Notify(folders, TVN_ITEMEXPANDINGA, Child(folders, listed, "b"));
    EXPECT_EQ(Children(folders, Child(folders, listed, "b")), Names{"sub"});

    // Thousands of subfolders cost one search: markers are asked for as the tree view needs them.
    int markersAsked = 0;
    const auto counting = [](HWND container, UINT message, WPARAM first, LPARAM second) -> LRESULT {
        const auto* request = reinterpret_cast<NMTVDISPINFOA*>(second);
        if (message == WM_NOTIFY && request->hdr.code == TVN_GETDISPINFOA && (request->item.mask & TVIF_CHILDREN))
            ++*reinterpret_cast<int*>(GetPropA(container, "count"));
        return CallWindowProcA(reinterpret_cast<WNDPROC>(GetPropA(container, "next")), container, message, first, second);
    };
    const HWND container = GetParent(folders);
    SetPropA(container, "count", &markersAsked);
    SetPropA(container, "next", reinterpret_cast<HANDLE>(SetWindowLongPtrA(
                                    container, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+counting))));
    SetControlText(1, root + "wide\\");
    PumpFor(100);
    EXPECT_EQ(Children(folders, TreeView_GetSelection(folders)).size(), 300u);
    EXPECT_LT(markersAsked, 60) << "only the items drawn are probed";
    EXPECT_EQ(Markers(folders, TreeView_GetSelection(folders)), std::vector<int>(300, 0));
}

TEST_F(ExplorerTreeTest, PatternsChooseTheFilesAndEachFileGetsItsShellIcon) {
    const std::string root = MakeFolder({"files\\", "files\\f.txt", "b.txt", "a.dat", "icons\\", "icons\\a.zq1",
                                         "icons\\B.ZQ1", "icons\\c.zq2", "icons\\p.exe", "icons\\q.EXE", "icons\\noext"});
    const HWND tree = AddTree(1, 0);
    SetControlText(1, root + "*.txt;*.dat");
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)), (Names{"files", "icons", "b.txt", "a.dat"}));
    SetControlText(1, root + "*.txt;b.*");
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)), (Names{"files", "icons", "b.txt", "b.txt"}));
    SetControlText(1, root + ";*.txt");
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)), (Names{"files", "icons"}));
    EXPECT_EQ(Markers(tree, TreeView_GetSelection(tree)), (std::vector<int>{0, 0}));
    // A collapse notification lists a folder that was never listed, as an expansion would.
    SetControlText(1, root + "*.*");
    Notify(tree, TVN_ITEMEXPANDINGA, Child(tree, TreeView_GetSelection(tree), "files"), TVE_COLLAPSE);
    EXPECT_EQ(Children(tree, Child(tree, TreeView_GetSelection(tree), "files")), Names{"f.txt"});

    const std::size_t cached = IconCacheSize();
    SetControlText(1, root + "icons\\*.*");
    for (const char* file : {"a.zq1", "B.ZQ1", "c.zq2", "p.exe", "q.EXE", "noext"})
        EXPECT_EQ(Image(tree, Child(tree, TreeView_GetSelection(tree), file)), ShellIcon(root + "icons\\" + file)) << file;
    EXPECT_EQ(IconCacheSize(), cached + 2) << "one entry per extension, none for programs";

    const HWND folders = AddTree(2, FoldersOnly);
    SetControlText(2, root + "*.txt");
    EXPECT_EQ(Children(folders, TreeView_GetSelection(folders)), (Names{"files", "icons"}));
    EXPECT_EQ(Markers(folders, TreeView_GetSelection(folders)), (std::vector<int>{0, 0})) << "files play no part";
}

TEST_F(ExplorerTreeTest, TheTextIsTheSelectedFolderAndATextSelectsItOrNothing) {
    const std::string root = MakeFolder({"Mixed\\", "Mixed\\Inner\\", "Mixed\\f.txt", "Mixed\\g.dat", "caf\xe9\\"});
    const HWND tree = AddTree(1, 0);
    EXPECT_EQ(GetControlText(1), "");
    std::string lower = root + "mIXED\\inner\\";
    CharLowerA(lower.data());
    SetControlText(1, lower);
    EXPECT_EQ(GetControlText(1), root + "Mixed\\Inner\\") << "the file system's case, the letter upper case";
    SetControlText(1, root + "caf\xe9\\");
    EXPECT_EQ(GetControlText(1), root + "caf\xe9\\");
    SetControlText(1, root + "Mixed\\f.txt");
    EXPECT_EQ(GetControlText(1), root + "Mixed\\");
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)), (Names{"Inner", "f.txt"}));
    SetControlText(1, "*.dat");
    EXPECT_EQ(GetControlText(1), root + "Mixed\\") << "a pattern list keeps the folder";
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)), (Names{"Inner", "g.dat"}));
    TreeView_SelectItem(tree, Child(tree, TreeView_GetSelection(tree), "g.dat"));
    EXPECT_EQ(GetControlText(1), root + "Mixed\\g.dat");
    SetControlText(1, "*.*");
    EXPECT_EQ(GetControlText(1), "") << "a file is not selected again";
    // A folder made after its parent was listed is found once the text asks for a rebuild.
    SetControlText(1, root);
    CreateDirectoryA((root + "later").c_str(), nullptr);
    SetControlText(1, root + "later\\");
    EXPECT_EQ(GetControlText(1), "");
    SetControlText(1, root + "later\\*.*");
    EXPECT_EQ(GetControlText(1), root + "later\\");

    // Whatever can't be shown leaves nothing selected, never the folder before.
    std::string missing = "?:\\folder\\";
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (!(GetLogicalDrives() >> (letter - 'A') & 1)) missing[0] = letter;
    for (const std::string& text : {root + std::string(300, 'x') + "\\", std::string("\\\\server\\share\\"),
                                    "T:" + root.substr(3), missing, root + "missing\\*.*", std::string(""), std::string("\\")}) {
        SetControlText(1, root + "Mixed\\");
        SetControlText(1, text);
        EXPECT_EQ(GetControlText(1), "") << text.substr(0, 60);
    }
    SetControlText(1, root + "Mixed\\");
    SetControlText(1, std::string(5000, 'p'));
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)), (Names{"Inner", "f.txt", "g.dat"})) << "refused, *.* kept";
}

TEST_F(ExplorerTreeTest, APathPastThePlatformLimitIsNeverCutShort) {
    const std::string a(90, 'a'), b(90, 'b'), c(90, 'c');
    const std::string root = MakeFolder({a + "\\", a + "\\" + b + "\\"});
    const std::string deepPath = "\\\\?\\" + root + a + "\\" + b + "\\" + c;
    ASSERT_TRUE(CreateDirectoryW(std::wstring(deepPath.begin(), deepPath.end()).c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    const HWND tree = AddTree(1, 0);
    SetControlText(1, root + a + "\\" + b + "\\");
    const HTREEITEM deep = Child(tree, TreeView_GetSelection(tree), c);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(Markers(tree, TreeView_GetSelection(tree)), std::vector<int>{0});
    Notify(tree, TVN_ITEMEXPANDINGA, deep);
    EXPECT_TRUE(Children(tree, deep).empty());
    TreeView_SelectItem(tree, deep);
    EXPECT_EQ(GetControlText(1), "");
}

TEST_F(ExplorerTreeTest, TheTreeReportsClicksAndSelectionsAndKnowsWhichTheUserMade) {
    const std::string root = MakeFolder({"one\\"});
    const HWND tree = AddTree(4, 0);
    DrainEvents();
    SetControlText(4, root + "one\\");
    EXPECT_EQ(CountControlEvents(DrainEvents(), 4, 768), 1);
    EXPECT_EQ(GetControlState(4), 0) << "the program's selection is no choice of the user's";
    RECT place{};
    TreeView_GetItemRect(tree, ParentItem(tree, TreeView_GetSelection(tree)), &place, TRUE);
    ClickAt(tree, place.left + 5, (place.top + place.bottom) / 2);
    const std::vector<ToolkitEvent> events = DrainEvents(300);
    EXPECT_EQ(CountControlEvents(events, 4, 0), 1);
    EXPECT_EQ(CountControlEvents(events, 4, 768), 1);
    EXPECT_EQ(GetControlText(4), root);
    EXPECT_EQ(GetControlState(4), 1);
    SetControlText(4, root);
    EXPECT_EQ(GetControlState(4), 0);
    for (const auto& [code, subtype] : {std::pair{NM_RCLICK, 1}, {NM_DBLCLK, 2}, {NM_RDBLCLK, 3}, {NM_RETURN, -1}}) {
        Notify(tree, code);
        const std::vector<ToolkitEvent> reported = DrainEvents();
        int fromTree = 0;
        for (const ToolkitEvent& event : reported) fromTree += event.code == ControlEvent && event.control == 4;
        EXPECT_EQ(fromTree, subtype < 0 ? 0 : 1) << code;
        EXPECT_EQ(CountControlEvents(reported, 4, subtype), fromTree) << code;
    }
}

TEST_F(ExplorerTreeTest, AMediaChangeAsksAgainDropsTheListingAndShowsTheFolderWhereItCan) {
    const std::string root = MakeFolder({"x\\"});
    SetDriveNameQuery(NameByTest);
    const HWND tree = AddTree(1, 0);
    SetControlText(1, root + "x\\");
    EXPECT_TRUE(PumpUntil([&] { return asked.names == DriveCount(); }));
    CreateDirectoryA((root + "later").c_str(), nullptr);
    Broadcast(window, DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, DriveT);
    EXPECT_EQ(GetControlText(1), root + "x\\");
    EXPECT_EQ(Children(tree, ParentItem(tree, TreeView_GetSelection(tree))), (Names{"later", "x"})) << "listed afresh";
    EXPECT_EQ(GetControlState(1), 0);
    EXPECT_TRUE(PumpUntil([&] { return asked.names == DriveCount() + 1; })) << "T: is asked again";

    // A folder gone with its medium leaves nothing selected, and the settings keep theirs.
    SetControlState(1, 1);
    RemoveDirectoryA((root + "x").c_str());
    Broadcast(window, DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, DriveT);
    EXPECT_EQ(GetControlText(1), root + "x\\") << "another kind of device changes nothing";
    Broadcast(window, DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, DriveT);
    EXPECT_EQ(GetControlText(1), "");
    EXPECT_EQ(GetControlState(1), 0);
}

TEST_F(ExplorerTreeTest, AnEmptyDriveShowsOneDialogThatKeysMediaAndTheTreeClose) {
    SetDriveReadinessQuery(ProbeByTest);
    asked.readiness = ERROR_NOT_READY;
    const HWND empty = AddTree(1, 0);
    const HWND other = AddTree(2, 0);
    SetControlText(1, "T:\\");
    ASSERT_EQ(NotReadyDialogs().size(), 1u);
    const HWND dialog = NotReadyDialogs()[0];
    char text[300] = {};
    GetDlgItemTextA(dialog, 12291, text, sizeof text);
    EXPECT_NE(std::string(text).find("T:"), std::string::npos) << text;
    EXPECT_NE(SendDlgItemMessageA(dialog, 12297, STM_GETIMAGE, IMAGE_ICON, 0), 0);
    EXPECT_FALSE(IsWindowEnabled(empty));
    EXPECT_TRUE(IsWindowEnabled(other));
    EXPECT_EQ(ItemParameter(empty, Drive(empty, 'T')), 'T' - 'A') << "not listed";
    EXPECT_EQ(GetControlText(1), "T:\\");
    EXPECT_TRUE(asked.probeMode & SEM_FAILCRITICALERRORS);
    SetControlText(2, "T:\\");
    EXPECT_EQ(NotReadyDialogs().size(), 1u) << "one dialog per drive for both trees";
    Broadcast(window, DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, DriveT >> 1);
    EXPECT_TRUE(IsWindow(dialog)) << "another drive's medium";

    asked.readiness = ERROR_SUCCESS;
    Broadcast(window, DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, DriveT);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowEnabled(empty));
    TreeView_Expand(empty, Drive(empty, 'T'), TVE_EXPAND);
    EXPECT_EQ(ItemParameter(empty, Drive(empty, 'T')), ('T' - 'A') | FilledMark);

    // Esc and Enter, as in any dialog; a selection and the tree's end close it too.
    asked.readiness = ERROR_NOT_READY;
    const auto escape = [] { PressKey(VK_ESCAPE); };
    const auto enter = [] { PressKey(VK_RETURN); };
    const auto select = [] { SetControlText(2, ""); };
    const auto destroy = [] { AddButton(2, 0, 0, 50, 20, "Replaced"); };
    for (void (*close)() : {+escape, +enter, +select, +destroy}) {
        SetControlText(2, "T:\\*.*");
        ASSERT_EQ(NotReadyDialogs().size(), 1u);
        SetForegroundWindow(NotReadyDialogs()[0]);
        close();
        DrainEvents();
        EXPECT_TRUE(NotReadyDialogs().empty());
        EXPECT_TRUE(!IsWindow(other) || IsWindowEnabled(other));
    }
    // A drive that fails otherwise is listed (and finds what it finds); a quiet tree shows no dialog.
    asked.readiness = ERROR_ACCESS_DENIED;
    SetControlText(1, "T:\\*.*");
    EXPECT_EQ(ItemParameter(empty, Drive(empty, 'T')), ('T' - 'A') | FilledMark);
    asked.readiness = ERROR_NOT_READY;
    const HWND quiet = AddTree(3, QuietNotReady);
    SetControlText(3, "T:\\*.*");
    EXPECT_TRUE(NotReadyDialogs().empty());
    EXPECT_TRUE(IsWindowEnabled(quiet));
}

TEST_F(ExplorerTreeTest, TreesShareOneHookAndFreeRecordAndSlotWhenDestroyed) {
    AddTree(1, 0);
    const LONG_PTR hook = GetWindowLongPtrA(window, GWLP_WNDPROC);
    const HWND second = AddTree(2, 0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_WNDPROC), hook);
    ASSERT_EQ(TreeLibrary().trees.size(), 2u);
    EXPECT_EQ(TreeLibrary().trees.front().window, second);
    // A hook installed twice would hand every message back to itself.
    Broadcast(window, DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, 0);

    AddButton(1, 0, 0, 50, 20, "Replaced");
    EXPECT_EQ(TreeLibrary().trees.size(), 1u);
    EXPECT_EQ(GetControlText(1), "Replaced");
    const ObjectNumber automatic = AddExplorerTree(AutoNumber, 0, 0, 100, 100, "T:\\", 0);
    EXPECT_EQ(GetControlText(automatic), "T:\\");
    CloseAppWindow(0);
    EXPECT_TRUE(TreeLibrary().trees.empty());
    EXPECT_EQ(ResolveControl(2)->handle, nullptr);
    EXPECT_EQ(ResolveControl(automatic), nullptr);

    // The next tree hooks the new top-level window.
    OpenAppWindow(0, 20, 20, 300, 300, 0, "Again");
    BeginControlList(LastWindowHandle());
    AddTree(1, 0);
    const HWND again = LastWindowHandle();
    EXPECT_NE(GetWindowLongPtrA(again, GWLP_WNDPROC), GetClassLongPtrA(again, GCLP_WNDPROC));
}

TEST(NotReadyText, DriveLetterFillsTheOnePlaceholderAndLeavesOtherPercentSigns) {
    EXPECT_EQ(PutDriveLetter("%s in %c: is %d%% %n empty", 'E'), "%s in E: is %d%% %n empty");
    EXPECT_EQ(PutDriveLetter("no placeholder", 'E'), "no placeholder");
}

}  // namespace

// The folder tree in real tree views, over folders that each test builds on drive T:.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>
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
    const std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string root = "T:\\" + name + '\\';
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

// An expanding notification as the tree view would send it to its container.
void NotifyExpanding(HWND tree, HTREEITEM item, UINT action) {
    NMTREEVIEWA change{};
    change.hdr = {tree, static_cast<UINT_PTR>(GetDlgCtrlID(tree)), static_cast<UINT>(TVN_ITEMEXPANDINGA)};
    change.action = action;
    change.itemNew.mask = TVIF_HANDLE | TVIF_PARAM;
    change.itemNew.hItem = item;
    change.itemNew.lParam = ItemParameter(tree, item);
    SendMessageA(GetParent(tree), WM_NOTIFY, change.hdr.idFrom, reinterpret_cast<LPARAM>(&change));
}

DWORD DriveTIsEmpty(const char* root) {
    return root[0] == 'T' ? ERROR_NOT_READY : ERROR_SUCCESS;
}

constexpr DWORD DriveT = 1u << ('T' - 'A');

void Broadcast(HWND window, WPARAM event, DWORD deviceType, DWORD units) {
    DEV_BROADCAST_VOLUME volume{};
    volume.dbcv_size = sizeof volume;
    volume.dbcv_devicetype = deviceType;
    volume.dbcv_unitmask = units;
    SendMessageA(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
}

HWND NotReadyDialog() {
    return FindWindowA(MAKEINTATOM(32770), "Drive Not Ready");
}

std::string ShellLabel(const std::string& path) {
    SHFILEINFOA info{};
    SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME);
    return info.szDisplayName;
}

class ExplorerTreeTest : public testing::Test {
protected:
    void SetUp() override {
        ResetToolkit();
        OpenAppWindow(0, 20, 20, 500, 400, 0, "Trees");
        window = LastWindowHandle();
        BeginControlList(window);
    }
    void TearDown() override {
        SetDriveReadinessQuery(nullptr);
        ResetToolkit();
    }
    HWND AddTree(ObjectNumber number, DWORD flags) {
        return reinterpret_cast<HWND>(AddExplorerTree(number, 250 * (number % 2), 0, 240, 380, "", flags));
    }
    HWND window = nullptr;
};

TEST_F(ExplorerTreeTest, MyComputerHoldsTheDrivesInLetterOrderThenMyDocuments) {
    const HWND hidden = AddTree(1, HideMyDocuments);
    const HWND plain = AddTree(2, 0);
    std::vector<int> drives;
    for (int drive = 0; drive < 26; ++drive)
        if (GetLogicalDrives() >> drive & 1) drives.push_back(drive);
    const auto kinds = [](HWND tree) {
        return EachChild(tree, TreeView_GetRoot(tree),
                         [&](HTREEITEM child) { return ItemKind(ItemParameter(tree, child)); });
    };
    EXPECT_EQ(kinds(hidden), drives);
    drives.push_back(DocumentsKind);
    EXPECT_EQ(kinds(plain), drives);
    EXPECT_EQ(NextSibling(plain, TreeView_GetRoot(plain)), nullptr);
    // Listed from the start: a further expansion adds nothing.
    NotifyExpanding(plain, TreeView_GetRoot(plain), TVE_EXPAND);
    EXPECT_EQ(kinds(plain), drives);

    const LONG_PTR plainStyle = GetWindowLongPtrA(plain, GWL_STYLE);
    EXPECT_EQ(plainStyle & (TVS_HASLINES | TVS_HASBUTTONS | TVS_SHOWSELALWAYS), TVS_HASLINES | TVS_HASBUTTONS);
    EXPECT_TRUE(GetWindowLongPtrA(plain, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    const HWND bare = AddTree(3, NoBorder | HideLines | HideButtons | KeepSelectionVisible);
    EXPECT_EQ(GetWindowLongPtrA(bare, GWL_STYLE) & (TVS_HASLINES | TVS_HASBUTTONS | TVS_SHOWSELALWAYS),
              TVS_SHOWSELALWAYS);
    EXPECT_FALSE(GetWindowLongPtrA(bare, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
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

TEST_F(ExplorerTreeTest, SortedListingPutsFoldersFirstInCaseBlindOrderWithTheirMarkers) {
    const std::string root =
        MakeFolder({"b\\", "b\\sub\\", "A\\", "_c\\", "files\\", "files\\f.txt", "x.txt", "empty\\"});
    const HWND folders = AddTree(1, SortByKind | FoldersOnly);
    const HWND all = AddTree(2, SortByKind);
    SetControlText(1, root);
    SetControlText(2, root);
    EXPECT_EQ(Children(folders, TreeView_GetSelection(folders)), (Names{"_c", "A", "b", "empty", "files"}));
    EXPECT_EQ(Markers(folders, TreeView_GetSelection(folders)), (std::vector<int>{0, 0, 1, 0, 0}));
    EXPECT_EQ(Children(all, TreeView_GetSelection(all)), (Names{"_c", "A", "b", "empty", "files", "x.txt"}));
    EXPECT_EQ(Markers(all, TreeView_GetSelection(all)), (std::vector<int>{0, 0, 1, 0, 1, 0}));
    // The sort gives every child its own parameter back.
    EXPECT_EQ(EachChild(all, TreeView_GetSelection(all), [&](HTREEITEM child) { return ItemParameter(all, child); }),
              (std::vector<LPARAM>{FolderKind, FolderKind, FolderKind, FolderKind, FolderKind, FileKind}));
    EXPECT_EQ(ItemParameter(all, TreeView_GetSelection(all)), FolderKind | FilledMark);
}

TEST_F(ExplorerTreeTest, PatternsChooseTheFilesInTheirOrderAndFoldersOnlyIgnoresThem) {
    const std::string root = MakeFolder({"files\\", "files\\f.txt", "b.txt", "a.dat"});
    const HWND tree = AddTree(1, 0);
    SetControlText(1, root + "*.txt;*.dat");
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)), (Names{"files", "b.txt", "a.dat"}));
    SetControlText(1, root + "*.txt;b.*");
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)), (Names{"files", "b.txt", "b.txt"}));
    SetControlText(1, root + ";*.txt");
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)), Names{"files"});
    EXPECT_EQ(Markers(tree, TreeView_GetSelection(tree)), std::vector<int>{0});
    // A collapse notification lists a folder that was never listed, like an expansion would.
    SetControlText(1, root + "*.*");
    const HTREEITEM files = Child(tree, TreeView_GetSelection(tree), "files");
    NotifyExpanding(tree, files, TVE_COLLAPSE);
    EXPECT_EQ(Children(tree, files), Names{"f.txt"});

    const HWND folders = AddTree(2, FoldersOnly);
    SetControlText(2, root + "*.txt");
    EXPECT_EQ(Children(folders, TreeView_GetSelection(folders)), Names{"files"});
    EXPECT_EQ(Markers(folders, TreeView_GetSelection(folders)), std::vector<int>{0});
}

TEST_F(ExplorerTreeTest, IconCacheKeepsOneEntryPerExtensionAndNoneForPrograms) {
    const std::string root = MakeFolder({"a.zq1", "B.ZQ1", "p.exe", "q.EXE", "noext", "long.abcde"});
    const std::size_t before = IconCacheSize();
    const HWND tree = AddTree(1, 0);
    SetControlText(1, root);
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)).size(), 6u);
    EXPECT_EQ(IconCacheSize(), before + 1);
}

TEST_F(ExplorerTreeTest, SelectedPathGivesTheFileSystemsCase) {
    const std::string root = MakeFolder({"Mixed\\", "Mixed\\Inner\\", "caf\xe9\\"});
    const HWND tree = AddTree(1, SortByKind | FoldersOnly);
    EXPECT_EQ(GetControlText(1), "");
    SetControlText(1, "T:\\");
    EXPECT_EQ(GetControlText(1), "T:\\");
    std::string lower = root + "mIXED\\inner\\";
    CharLowerA(lower.data());
    SetControlText(1, lower);
    EXPECT_EQ(GetControlText(1), root + "Mixed\\Inner\\");
    SetControlText(1, root + "caf\xe9\\");
    EXPECT_EQ(GetControlText(1), root + "caf\xe9\\");
    TreeView_SelectItem(tree, TreeView_GetRoot(tree));
    EXPECT_EQ(GetControlText(1), "");
}

TEST_F(ExplorerTreeTest, TextsWithoutFinalBackslashSetPatternsAndRebuild) {
    const std::string root = MakeFolder({"Mixed\\", "Mixed\\f.txt", "Mixed\\g.dat"});
    const HWND tree = AddTree(1, 0);
    SetControlText(1, root + "Mixed\\f.txt");
    EXPECT_EQ(GetControlText(1), root + "Mixed\\");
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)), Names{"f.txt"});
    SetControlText(1, "*.dat");
    EXPECT_EQ(GetControlText(1), root + "Mixed\\");
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)), Names{"g.dat"});
    SetControlText(1, "T:");
    EXPECT_EQ(GetControlText(1), root + "Mixed\\");
    EXPECT_TRUE(Children(tree, TreeView_GetSelection(tree)).empty());
    // A selected file is not selected again after a rebuild.
    SetControlText(1, "*.*");
    TreeView_SelectItem(tree, Child(tree, TreeView_GetSelection(tree), "g.dat"));
    EXPECT_EQ(GetControlText(1), root + "Mixed\\g.dat");
    SetControlText(1, "*.dat");
    EXPECT_EQ(GetControlText(1), "");
    for (const char* text : {"", "\\"}) {
        SetControlText(1, root);
        SetControlText(1, text);
        EXPECT_EQ(GetControlText(1), "") << text;
    }
    // A folder made after its parent was listed is found only once the text asks for a rebuild.
    SetControlText(1, root);
    CreateDirectoryA((root + "later").c_str(), nullptr);
    SetControlText(1, root + "later\\");
    EXPECT_EQ(GetControlText(1), "") << "a folder that can't be shown leaves nothing selected";
    SetControlText(1, root + "later\\*.*");
    EXPECT_EQ(GetControlText(1), root + "later\\");
    SetControlText(1, root + "missing\\*.*");
    EXPECT_EQ(GetControlText(1), "");
}

TEST_F(ExplorerTreeTest, SelectionsAndClicksReachTheToolkitsEvents) {
    const std::string root = MakeFolder({"one\\"});
    const HWND tree = AddTree(4, 0);
    DrainEvents();
    SetControlText(4, root + "one\\");
    EXPECT_EQ(CountControlEvents(DrainEvents(), 4, 768), 1);
    RECT place{};
    TreeView_GetItemRect(tree, TreeView_GetRoot(tree), &place, TRUE);
    ClickAt(tree, place.left + 5, (place.top + place.bottom) / 2);
    const std::vector<ToolkitEvent> events = DrainEvents(300);
    EXPECT_EQ(CountControlEvents(events, 4, 0), 1);
    EXPECT_EQ(CountControlEvents(events, 4, 768), 1);
    EXPECT_EQ(GetControlText(4), "");
}

TEST_F(ExplorerTreeTest, StrangePathsSelectNothingAndLongPatternsAreRefused) {
    const std::string root = MakeFolder({"keep\\", "keep\\f.txt"});
    const HWND tree = AddTree(1, 0);
    std::string missing = "?:\\folder\\";
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (!(GetLogicalDrives() >> (letter - 'A') & 1)) missing[0] = letter;
    SetControlText(1, root);
    const std::string folderName = root.substr(3);
    for (const std::string& text : {root + std::string(300, 'x') + "\\", "T:\\" + std::string(5000, 'y') + "\\",
                                    std::string("\\\\server\\share\\"), "T:?" + folderName + "keep\\", missing}) {
        SetControlText(1, root);
        SetControlText(1, text);
        EXPECT_EQ(GetControlText(1), "") << text.substr(0, 60);
    }
    SetControlText(1, root + "keep\\");
    SetControlText(1, std::string(5000, 'p'));
    EXPECT_EQ(GetControlText(1), root + "keep\\");
    EXPECT_EQ(Children(tree, TreeView_GetSelection(tree)), Names{"f.txt"});
    SetControlText(1, root + std::string(300, 'x') + "\\*.*");
    EXPECT_EQ(GetControlText(1), "");
}

TEST_F(ExplorerTreeTest, ItemPathPastThePlatformLimitIsNeverCutShort) {
    const std::string a(90, 'a'), b(90, 'b'), c(90, 'c');
    const std::string root = MakeFolder({a + "\\", a + "\\" + b + "\\"});
    const std::string deepPath = "\\\\?\\" + root + a + "\\" + b + "\\" + c;
    const std::wstring wideDeepPath(deepPath.begin(), deepPath.end());
    ASSERT_TRUE(CreateDirectoryW(wideDeepPath.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const HWND tree = AddTree(1, 0);
    SetControlText(1, root + a + "\\" + b + "\\");
    const HTREEITEM deep = Child(tree, TreeView_GetSelection(tree), c);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(Markers(tree, TreeView_GetSelection(tree)), std::vector<int>{0});
    NotifyExpanding(tree, deep, TVE_EXPAND);
    EXPECT_TRUE(Children(tree, deep).empty());
    TreeView_SelectItem(tree, deep);
    EXPECT_EQ(GetControlText(1), "");
    SetControlText(1, root + a + "\\" + b + "\\" + c + "\\");
    EXPECT_EQ(GetControlText(1), "");
    RemoveDirectoryW(wideDeepPath.c_str());
}

TEST_F(ExplorerTreeTest, EmptyDriveShowsItsDialogUntilAMediumArrives) {
    SetDriveReadinessQuery(DriveTIsEmpty);
    const HWND empty = AddTree(1, 0);
    const HWND other = AddTree(2, 0);
    SetControlText(1, "T:\\");
    const HWND dialog = NotReadyDialog();
    ASSERT_NE(dialog, nullptr);
    char text[300] = {};
    GetDlgItemTextA(dialog, 12291, text, sizeof text);
    EXPECT_NE(std::string(text).find("T:"), std::string::npos) << text;
    EXPECT_NE(SendDlgItemMessageA(dialog, 12297, STM_GETIMAGE, IMAGE_ICON, 0), 0);
    EXPECT_FALSE(IsWindowEnabled(empty));
    EXPECT_TRUE(IsWindowEnabled(other));
    const HTREEITEM drive = Drive(empty, 'T');
    EXPECT_EQ(ItemParameter(empty, drive), 'T' - 'A');
    EXPECT_EQ(GetControlText(1), "T:\\");

    SetItemContent(empty, drive, {"stale", 0, 1, 'T' - 'A'});
    Broadcast(window, DBT_DEVICEARRIVAL, DBT_DEVTYP_PORT, DriveT);
    Broadcast(window, DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, DriveT >> 1);
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_EQ(ReadItem(empty, drive).text, "stale");

    SetDriveReadinessQuery(nullptr);
    Broadcast(window, DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, DriveT);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowEnabled(empty));
    EXPECT_EQ(ReadItem(empty, drive).text, ShellLabel("T:\\"));
    SendMessageA(empty, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(drive));
    EXPECT_EQ(ItemParameter(empty, drive), ('T' - 'A') | FilledMark);
}

TEST_F(ExplorerTreeTest, AMediaChangeDropsTheListingAndShowsTheFolderAgainWhereItCan) {
    const std::string root = MakeFolder({"x\\"});
    const HWND tree = AddTree(1, 0);
    SetControlText(1, root + "x\\");
    const HTREEITEM drive = Drive(tree, 'T');
    SetItemContent(tree, drive, {"stale", 0, 1, ItemParameter(tree, drive)});
    CreateDirectoryA((root + "later").c_str(), nullptr);
    Broadcast(window, DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_VOLUME, DriveT);
    EXPECT_EQ(Drive(tree, 'T'), drive);
    EXPECT_EQ(ReadItem(tree, drive).text, ShellLabel("T:\\"));
    EXPECT_EQ(GetControlText(1), root + "x\\");
    EXPECT_EQ(Children(tree, ParentItem(tree, TreeView_GetSelection(tree))), (Names{"later", "x"})) << "listed afresh";
    EXPECT_EQ(GetControlState(1), 0) << "no choice of the user's";

    // A folder gone with its medium leaves nothing selected, and the user's earlier choice with it.
    SetControlState(1, 1);
    RemoveDirectoryA((root + "x").c_str());
    Broadcast(window, DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, DriveT);
    EXPECT_EQ(GetControlText(1), "");
    EXPECT_EQ(GetControlState(1), 0);
}

TEST_F(ExplorerTreeTest, DialogClosesByCancelSelectionOrDestructionAndStaysAwayWhenQuiet) {
    SetDriveReadinessQuery(DriveTIsEmpty);
    const HWND quiet = AddTree(1, QuietNotReady);
    SetControlText(1, "T:\\");
    EXPECT_EQ(NotReadyDialog(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(quiet));

    const HWND tree = AddTree(2, 0);
    const auto closeByCancel = [](HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0); };
    const auto closeBySelection = [](HWND) { SetControlText(2, ""); };
    const auto closeByDestruction = [](HWND) { AddButton(2, 0, 0, 50, 20, "Replaced"); };
    for (void (*close)(HWND) : {+closeByCancel, +closeBySelection, +closeByDestruction}) {
        SetControlText(2, "T:\\");
        const HWND dialog = NotReadyDialog();
        ASSERT_NE(dialog, nullptr);
        close(dialog);
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_TRUE(!IsWindow(tree) || IsWindowEnabled(tree));
    }
}

TEST(NotReadyText, DriveLetterFillsTheOnePlaceholderAndLeavesOtherPercentSigns) {
    EXPECT_EQ(PutDriveLetter("%s in %c: is %d%% %n empty", 'E'), "%s in E: is %d%% %n empty");
    EXPECT_EQ(PutDriveLetter("no placeholder", 'E'), "no placeholder");
}

}  // namespace

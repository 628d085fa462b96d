// The folder tree in real tree views, over folders that each test builds on drive T:, and the
// launcher's window that holds two of them: its size, its controls and their places, the trees' kind.
// Its title, by which the tests find it, and what its buttons do are tried on the real Corvane.exe.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>
#include <atomic>
#include <bit>
#include "explorer_tree/tree_items.h"
#include "explorer_tree/tree_library.h"
#include "launcher/main_window.h"
#include "platform/libraries_on_demand.h"
#include "tests/test_support.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

using Names = std::vector<std::string>;

HTREEITEM Selected(HWND tree) { return TreeView_GetSelection(tree); }
HTREEITEM Child(HWND tree, HTREEITEM parent, const std::string& text) {
    return FindChild(tree, parent, [&](HTREEITEM child) { return ReadItem(tree, child).text == text; });
}
HTREEITEM Drive(HWND tree, char letter) {
    return FindChild(tree, TreeView_GetRoot(tree), [&](HTREEITEM child) { return ItemKind(ItemParameter(tree, child)) == letter - 'A'; });
}

// What read gives for each child of parent, in the tree's order.
template <typename Read> auto EachChild(HWND tree, HTREEITEM parent, Read read) {
    std::vector<decltype(read(parent))> values;
    for (HTREEITEM child = FirstChild(tree, parent); child; child = NextSibling(tree, child)) values.push_back(read(child));
    return values;
}
// Each child's text, with a "+" after one that shows the marker to expand it by.
Names Children(HWND tree, HTREEITEM parent) {
    return EachChild(tree, parent, [&](HTREEITEM child) { return ReadItem(tree, child).text + (QueryItem(tree, child, TVIF_CHILDREN).cChildren ? "+" : ""); });
}
// My Computer's children, drives and My Documents.
std::vector<int> Kinds(HWND tree) { return EachChild(tree, TreeView_GetRoot(tree), [&](HTREEITEM child) { return ItemKind(ItemParameter(tree, child)); }); }
std::vector<int> Drives() {
    std::vector<int> drives;
    for (DWORD left = GetLogicalDrives(); left; left &= left - 1) drives.push_back(std::countr_zero(left));
    return drives;
}

int Image(HWND tree, HTREEITEM item) { return QueryItem(tree, item, TVIF_IMAGE).iImage; }
int ShellIcon(const std::string& path) { SHFILEINFOA info{}; return SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON), info.iIcon; }
// A notification as the tree view would send it to its container.
void Notify(HWND tree, UINT code, HTREEITEM item, UINT action = TVE_EXPAND) {
    NMTREEVIEWA change{};
    change.hdr = {tree, static_cast<UINT_PTR>(GetDlgCtrlID(tree)), code};
    change.action = action;
    change.itemNew = {TVIF_HANDLE | TVIF_PARAM, item, 0, 0, nullptr, 0, 0, 0, 0, ItemParameter(tree, item)};
    SendMessageA(GetParent(tree), WM_NOTIFY, change.hdr.idFrom, reinterpret_cast<LPARAM>(&change));
}
// The first not-ready dialog, or the next one after another.
HWND NotReadyDialog(HWND after = nullptr) { return FindWindowExA(nullptr, after, "#32770", "Drive Not Ready"); }
const auto ThisThreadsErrorMode = reinterpret_cast<DWORD(WINAPI*)()>(
    reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetThreadErrorMode")));
int DriveCount() { return std::popcount(GetLogicalDrives()); }

// What the seams were asked, and how. T:'s name can be held back until the test lets it go.
struct Questions {
    std::atomic<int> names{0};
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

class ExplorerTreeTest : public testing::Test {
protected:
    void SetUp() override { window = OpenControlWindow("Trees"); }
    void TearDown() override { SetDriveReadinessQuery(nullptr); SetDriveNameQuery(nullptr); ResetToolkit(); }
    static HWND AddTree(ObjectNumber number, DWORD flags, const std::string& path = "") {
        return reinterpret_cast<HWND>(AddExplorerTree(number, 250 * (number % 2), 0, 240, 180, path, flags));
    }
    HWND window = nullptr;
};

TEST_F(ExplorerTreeTest, MyComputerHoldsTheDrivesEachAskedItsNameOnceOffTheWindowsThreadAndAgainAfterAMediaChange) {
    EXPECT_EXIT({
        asked.holdT = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        SetDriveNameQuery(NameByTest);
        AddTree(1, 0);
        PumpUntil([] { return asked.names >= DriveCount(); });
        ExitProcess(7);
    }, testing::ExitedWithCode(7), "") << "the process ends while a drive is still being asked";
    SetDriveNameQuery(NameByTest);
    const std::string root = FreshFolder({"x\\"}), folder = root + "x\\";
    // Never closed: a question still under way when the test ends must find it set.
    asked.holdT = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // The plain tree first: My Documents is known before the other tree is built.
    const HWND first = AddTree(1, 0), second = AddTree(2, HideMyDocuments);
    SetControlText(1, root), SetControlText(2, "*.txt");
    EXPECT_EQ(0, asked.names) << "no drive is asked before the window takes messages";
    std::vector<int> drives = Drives();
    EXPECT_EQ(Kinds(second), drives);
    drives.push_back(DocumentsKind);
    EXPECT_EQ(Kinds(first), drives);
    EXPECT_EQ(S_FALSE, ComInitialize()) << "the shell's names want COM on the window's thread";
    EXPECT_TRUE(PumpUntil([&] { return ReadItem(second, Drive(second, 'C')).text == "Drive C"; }));
    EXPECT_EQ("T:", ReadItem(first, Drive(first, 'T')).text) << "T:'s question waits";
    EXPECT_EQ(Image(first, Drive(first, 'T')), ShellIcon("C:\\")) << "with the plain drive icon till then";
    SetControlText(1, folder);
    EXPECT_EQ(folder, GetControlText(1)) << "and the tree goes on working";
    const HTREEITEM top = TreeView_GetFirstVisible(first);
    SetEvent(asked.holdT);
    EXPECT_TRUE(PumpUntil([&] { return ReadItem(first, Drive(first, 'T')).text == "Drive T"; }));
    EXPECT_EQ(folder, GetControlText(1)) << "named in place";
    EXPECT_EQ(top, TreeView_GetFirstVisible(first));
    EXPECT_EQ(Image(second, Drive(second, 'T')), 'T' - 'A' + 3) << "with its own icon, in every tree";
    PumpUntil([] { return asked.names > DriveCount(); }, 100);
    EXPECT_EQ(DriveCount(), asked.names) << "one question per drive for both trees and every rebuild";
    EXPECT_TRUE(asked.nameMode & SEM_FAILCRITICALERRORS);
    // A media change drops the drive's listing and shows the folder again where it can.
    CreateDirectoryA((root + "later").c_str(), nullptr);
    MediaChangeOnT(window, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(GetControlText(1), folder);
    EXPECT_EQ(Children(first, ParentItem(first, Selected(first))), (Names{"later", "x"})) << "listed afresh";
    EXPECT_EQ(GetControlState(1), 0);
    EXPECT_TRUE(PumpUntil([&] { return asked.names == DriveCount() + 1; })) << "T: is asked again";
    // A folder gone with its medium leaves nothing selected, and the settings keep theirs.
    SetControlState(1, 1), RemoveDirectoryA(folder.c_str());
    MediaChangeOnT(window, DBT_DEVICEARRIVAL);
    EXPECT_EQ(GetControlText(1), "");
    EXPECT_EQ(GetControlState(1), 0);
}

TEST_F(ExplorerTreeTest, AListingIsSortedFoldersFirstWithMarkersOnlyWhereThereIsMoreToOpen) {
    Names entries{"b\\", "b\\sub\\", "A\\", "_c\\", "files\\", "files\\f.txt", "0.txt", "empty\\", "wide\\"}, wide;
    for (int index = 1000; index < 1300; ++index) wide.push_back(std::to_string(index)), entries.push_back("wide\\" + wide.back() + "\\");
    const std::string root = FreshFolder(entries);
    const HWND folders = AddTree(1, SortByKind | FoldersOnly), all = AddTree(2, SortByKind);
    SetControlText(1, root), SetControlText(2, root);
    const HTREEITEM listed = Selected(folders);
    EXPECT_EQ(Children(folders, listed), (Names{"_c", "A", "b+", "empty", "files", "wide+"}));
    EXPECT_EQ(Children(all, Selected(all)), (Names{"_c", "A", "b+", "empty", "files+", "wide+", "0.txt"}));
    EXPECT_EQ(Image(folders, Child(folders, listed, "b")), ShellIcon(root + "b"));
    // A folder with a subfolder opens (an empty one has no marker to open it by), and none is listed twice.
    EXPECT_TRUE(TreeView_Expand(folders, Child(folders, listed, "b"), TVE_EXPAND));
    Notify(folders, TVN_ITEMEXPANDINGA, Child(folders, listed, "b"));
    EXPECT_EQ(Children(folders, Child(folders, listed, "b")), Names{"sub"});
    // Hundreds of subfolders, listed in one search (make bench measures what it costs).
    SetControlText(1, root + "wide\\");
    EXPECT_EQ(Children(folders, Selected(folders)), wide);
}

TEST_F(ExplorerTreeTest, PatternsChooseTheFilesAndEachFileGetsItsShellIcon) {
    const std::string root = FreshFolder({"files\\", "files\\f.txt", "b.txt", "a.dat", "icons\\", "icons\\a.msi",
                                          "icons\\B.MSI", "icons\\c.zq2", "icons\\D.ZQ2", "icons\\p.exe", "icons\\q.EXE",
                                          "icons\\r.ico", "icons\\s.~", "icons\\t.^", "icons\\noext", "icons\\u.abcd"});
    const HWND tree = AddTree(1, 0);
    SetControlText(1, root + "*.txt;b.*");
    EXPECT_EQ(Children(tree, Selected(tree)), (Names{"files+", "icons+", "b.txt", "b.txt"})) << "pattern by pattern";
    SetControlText(1, root + "*.*");
    Notify(tree, TVN_ITEMEXPANDINGA, Child(tree, Selected(tree), "files"), TVE_COLLAPSE);
    EXPECT_EQ(Children(tree, Child(tree, Selected(tree), "files")), Names{"f.txt"}) << "collapsing lists it too";
    const std::size_t cached = IconCacheSize();
    SetControlText(1, root + "icons\\*.*");
    // Installer packages have an icon of their own, so a wrong answer from the cache shows.
    for (const char* file : {"a.msi", "B.MSI", "c.zq2", "D.ZQ2", "p.exe", "q.EXE", "r.ico", "s.~", "t.^", "noext", "u.abcd"})
        EXPECT_EQ(Image(tree, Child(tree, Selected(tree), file)), ShellIcon(root + "icons\\" + file)) << file;
    EXPECT_EQ(IconCacheSize(), cached + 5) << "one entry per extension of up to 4 characters in any case, none for programs and icons";
}

TEST_F(ExplorerTreeTest, ATextSelectsItsFolderOrNothingAndOnlyTheUsersChoiceIsAChange) {
    const std::string root = FreshFolder({"Mixed\\", "Mixed\\Inner\\", "caf\xe9\\"});
    // Kept apart and never removed: the shell's removal goes astray on a path past the limit.
    const std::string deep = "T:\\deep\\" + std::string(90, 'a') + "\\" + std::string(90, 'b') + "\\", deeper = deep + std::string(90, 'c'),
                      longest = deep + std::string(MAX_PATH - 2 - deep.size(), 'e') + "\\";  // the longest the platform takes
    MakeFolders(deep);
    for (const std::string& folder : {deeper, longest}) CreateDirectoryW((L"\\\\?\\" + std::wstring(folder.begin(), folder.end())).c_str(), nullptr);
    const HWND tree = AddTree(4, 0, root);
    EXPECT_EQ(GetControlText(4), root) << "the folder it was made with";
    // Each text over another selection: the folder in the file system's case and with an upper-case letter, the folder
    // that holds a path without its final backslash, and for whatever can't be shown nothing, never the folder before.
    const std::string mixed = root + "Mixed\\", cafe = root + "caf\xe9\\", none;
    for (const auto& [text, shown] : std::initializer_list<std::pair<std::string, std::string>>{
             {"t" + root.substr(1) + "mIXED\\inner\\", mixed + "Inner\\"}, {cafe, cafe}, {mixed + "Inner", mixed},
             {root + "missing\\", none}, {"\\\\server\\share\\", none}, {"T:" + root.substr(3), none}, {"", none},
             {deeper + "\\", none}, {longest, longest}, {"z:\\", "Z:\\"}, {"a:\\", "A:\\"}, {root + std::string(300, 'x') + "\\", none},
             {DriveRoot(std::countr_one(GetLogicalDrives())) + "folder\\", none}}) {  // on a drive that isn't there
        SetControlText(4, root), SetControlText(4, text);
        EXPECT_EQ(GetControlText(4), shown) << text.substr(0, 60);
    }
    // The tree reports each selection, but only the user's choice is a change of the user's.
    DrainEvents(), SetControlText(4, mixed);
    EXPECT_EQ(ControlSubtypes(DrainEvents(), 4), Subtypes{768});
    EXPECT_EQ(GetControlState(4), 0);
    RECT place{};
    TreeView_GetItemRect(tree, ParentItem(tree, Selected(tree)), &place, TRUE);
    ClickAt(tree, place.left + 5, (place.top + place.bottom) / 2);
    EXPECT_EQ(ControlSubtypes(DrainEvents(300), 4), (Subtypes{0, 768})) << "the click, and the selection it made";
    EXPECT_EQ(GetControlText(4), root);
    EXPECT_EQ(GetControlState(4), 1);
    SetControlText(4, root);
    EXPECT_EQ(GetControlState(4), 0);
    SetControlText(4, deep);
    TreeView_SelectItem(tree, FirstChild(tree, Selected(tree)));
    EXPECT_EQ(GetControlText(4), "") << "a path past the platform's limit is never cut short";
    // A new control under the tree's number destroys the tree with its container.
    const HWND container = GetParent(tree);
    AddButton(4, 0, 0, 50, 20, "b");
    EXPECT_FALSE(IsWindow(container));
}

TEST_F(ExplorerTreeTest, AnEmptyDriveShowsOneDialogThatKeysMediaAndTheTreeClose) {
    SetDriveReadinessQuery([](const char* root) -> DWORD {
        asked.probeMode = ThisThreadsErrorMode();
        return root[0] == 'T' ? asked.readiness : ERROR_SUCCESS;
    });
    asked.readiness = ERROR_NOT_READY;
    const HWND empty = AddTree(1, 0), other = AddTree(2, 0);
    SetControlText(1, "T:\\");
    const HWND dialog = NotReadyDialog();
    ASSERT_TRUE(IsWindowVisible(dialog));
    char text[300] = {};
    GetDlgItemTextA(dialog, 12291, text, sizeof text);
    EXPECT_NE(std::string(text).find("T:"), std::string::npos) << text;
    EXPECT_TRUE(!IsWindowEnabled(empty) && IsWindowEnabled(other));
    EXPECT_EQ(ItemParameter(empty, Drive(empty, 'T')), 'T' - 'A') << "not listed";
    EXPECT_TRUE(asked.probeMode & SEM_FAILCRITICALERRORS);
    SetControlText(2, "T:\\");
    EXPECT_TRUE(NotReadyDialog() == dialog && !NotReadyDialog(dialog)) << "one dialog per drive for both trees";
    asked.readiness = ERROR_SUCCESS, MediaChangeOnT(window, DBT_DEVICEARRIVAL);
    EXPECT_TRUE(!IsWindow(dialog) && IsWindowEnabled(empty));
    EXPECT_EQ(ItemParameter(empty, Drive(empty, 'T')), ('T' - 'A') | FilledMark) << "listed once a medium is in";
    // Esc and Enter, as in any dialog; a new text closes it too.
    asked.readiness = ERROR_NOT_READY;
    for (const auto& [what, close] : {std::pair{"Esc", +[] { PressKey(VK_ESCAPE); }}, {"Enter", +[] { PressKey(VK_RETURN); }},
                                      {"a new text", +[] { SetControlText(2, ""); }}}) {
        SCOPED_TRACE(what);
        SetControlText(2, "T:\\*.*");
        ASSERT_TRUE(NotReadyDialog());
        SetForegroundWindow(NotReadyDialog()), close(), DrainEvents();
        EXPECT_TRUE(!NotReadyDialog() && IsWindowEnabled(other));
    }
    // A drive that fails otherwise is listed for what it holds.
    asked.readiness = ERROR_ACCESS_DENIED, SetControlText(1, "T:\\*.*");
    EXPECT_EQ(ItemParameter(empty, Drive(empty, 'T')), ('T' - 'A') | FilledMark);
}

TEST_F(ExplorerTreeTest, TheLaunchersWindowHasItsSizeEveryControlItsPlaceAndTwoTreesOfSortedFoldersWithoutMyDocuments) {
    ResetToolkit();
    ASSERT_TRUE(BuildMainWindow());
    const HWND main = WindowHandle(MainWindow);
    RECT client, outer;
    GetClientRect(main, &client), GetWindowRect(main, &outer);
    EXPECT_EQ((std::vector<LONG>{378, 243, 305, 39}), (std::vector<LONG>{client.right, client.bottom, outer.left, outer.top}));
    const std::tuple<ObjectNumber, RECT, const char*> controls[] = {
        {LaunchGameButton, {189, 201, 378, 223}, "Launch Thief 3"}, {LaunchEditorButton, {0, 201, 189, 223}, "Launch Editor"},
        {EditorPathLabel, {0, 0, 63, 15}, "Editor Path:"},          {GamePathLabel, {189, 0, 252, 15}, "Thief 3 Path:"},
        {EditorTree, {0, 15, 188, 177}, ""},                        {GameTree, {190, 15, 378, 177}, ""},
        {GamesysLabel, {135, 228, 186, 243}, "Gamesys:"},           {GamesysField, {186, 225, 324, 243}, "T3Gamesys.t3u"},
        {BrowseButton, {327, 225, 378, 243}, "Browse"},             {ActivateGameButton, {189, 177, 378, 199}, "Activate Thief 3"},
        {ActivateEditorButton, {0, 177, 189, 199}, "Activate Editor"},
    };
    for (const auto& [number, expected, text] : controls) {
        // A tree's place is its container's.
        const HWND placed = number == EditorTree || number == GameTree ? GetParent(Control(number)) : Control(number);
        RECT place;
        GetWindowRect(placed, &place), MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&place), 2);
        EXPECT_TRUE(EqualRect(&place, &expected)) << number << " at " << place.left << "," << place.top;
        EXPECT_EQ(text, GetControlText(number)) << number;
        EXPECT_EQ(number == GamesysField ? WS_EX_CLIENTEDGE : 0, GetWindowLongPtrA(placed, GWL_EXSTYLE)) << number << ": a frame";
    }
    for (ObjectNumber number : {EditorTree, GameTree}) {
        const HWND tree = Control(number);
        EXPECT_EQ(TVS_HASLINES | TVS_SHOWSELALWAYS, GetWindowLongPtrA(tree, GWL_STYLE) & (TVS_HASLINES | TVS_HASBUTTONS | TVS_SHOWSELALWAYS));
        SetControlText(number, FreshFolder({"b\\", "A\\", "_c\\", "file.txt"}));
        EXPECT_EQ(Children(tree, Selected(tree)), (Names{"_c", "A", "b"}));
        EXPECT_EQ(Kinds(tree), Drives());
    }
}

}  // namespace

// The folder tree in real tree views, over folders that each test builds on drive T:.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
#include <shellapi.h>
#include <atomic>
#include <bit>
#include "explorer_tree/tree_items.h"
#include "explorer_tree/tree_library.h"
#include "tests/test_support.h"
#include "toolkit/windows.h"

namespace {

using Names = std::vector<std::string>;

std::string MakeFolder(const Names& entries) {
    return FreshFolder(testing::UnitTest::GetInstance()->current_test_info()->name(), entries);
}

HTREEITEM Selected(HWND tree) { return TreeView_GetSelection(tree); }

HTREEITEM Child(HWND tree, HTREEITEM parent, const std::string& text) {
    return FindChild(tree, parent, [&](HTREEITEM child) { return ReadItem(tree, child).text == text; });
}

HTREEITEM Drive(HWND tree, char letter) {
    return FindChild(tree, TreeView_GetRoot(tree),
                     [&](HTREEITEM child) { return ItemKind(ItemParameter(tree, child)) == letter - 'A'; });
}

template <typename Field>
auto EachChild(HWND tree, HTREEITEM parent, Field field) {
    std::vector<decltype(field(parent))> values;
    for (HTREEITEM child = FirstChild(tree, parent); child; child = NextSibling(tree, child)) values.push_back(field(child));
    return values;
}

Names Children(HWND tree, HTREEITEM parent) {
    return EachChild(tree, parent, [&](HTREEITEM child) { return ReadItem(tree, child).text; });
}

std::vector<int> Markers(HWND tree, HTREEITEM parent) {
    return EachChild(tree, parent, [&](HTREEITEM child) { return QueryItem(tree, child, TVIF_CHILDREN).cChildren; });
}

int Image(HWND tree, HTREEITEM item) { return QueryItem(tree, item, TVIF_IMAGE).iImage; }

SHFILEINFOA Shell(const std::string& path, UINT flags = SHGFI_SYSICONINDEX | SHGFI_SMALLICON) {
    SHFILEINFOA info{};
    SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, flags);
    return info;
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

void MediaChangeOnT(WPARAM event) {
    DEV_BROADCAST_VOLUME volume{sizeof volume, DBT_DEVTYP_VOLUME, 0, 1u << ('T' - 'A'), 0};
    SendMessageA(WindowHandle(0), WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
}

std::vector<HWND> NotReadyDialogs() {
    std::vector<HWND> dialogs;
    for (HWND dialog = nullptr; (dialog = FindWindowExA(nullptr, dialog, "#32770", "Drive Not Ready"));)
        dialogs.push_back(dialog);
    return dialogs;
}

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

DWORD ProbeByTest(const char* root) {
    asked.probeMode = ThisThreadsErrorMode();
    return root[0] == 'T' ? asked.readiness : ERROR_SUCCESS;
}

class ExplorerTreeTest : public testing::Test {
protected:
    void SetUp() override {
        OpenControlWindow("Trees");
        asked.names = 0;
    }
    void TearDown() override {
        SetDriveReadinessQuery(nullptr);
        SetDriveNameQuery(nullptr);
        ResetToolkit();
    }
    static HWND AddTree(ObjectNumber number, DWORD flags) {
        return reinterpret_cast<HWND>(AddExplorerTree(number, 250 * (number % 2), 0, 240, 180, "", flags));
    }
};

TEST_F(ExplorerTreeTest, MyComputerHoldsTheDrivesInOrderThenMyDocumentsWithTheShellsLooks) {
    // The plain tree first: My Documents is known before the other tree is built.
    const HWND plain = AddTree(2, 0), hidden = AddTree(1, HideMyDocuments);
    const auto kinds = [](HWND tree) {
        return EachChild(tree, TreeView_GetRoot(tree), [&](HTREEITEM child) { return ItemKind(ItemParameter(tree, child)); });
    };
    std::vector<int> drives;
    for (DWORD left = GetLogicalDrives(); left; left &= left - 1) drives.push_back(std::countr_zero(left));
    EXPECT_EQ(kinds(hidden), drives);
    drives.push_back(DocumentsKind);
    EXPECT_EQ(kinds(plain), drives);
    EXPECT_TRUE(PumpUntil([&] { return ReadItem(hidden, Drive(hidden, 'T')).text == Shell("T:\\", SHGFI_DISPLAYNAME).szDisplayName; }));
    EXPECT_EQ(Image(hidden, Drive(hidden, 'T')), Shell("T:\\").iIcon);
}

TEST_F(ExplorerTreeTest, EachDriveIsAskedOnceOffTheWindowsThreadNamedInPlaceAndAskedAgainAfterAMediaChange) {
    SetDriveNameQuery(NameByTest);
    const std::string root = MakeFolder({"x\\"}), folder = root + "x\\";
    // Never closed: a question still under way when the test ends must find it set.
    asked.holdT = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HWND first = AddTree(1, 0), second = AddTree(2, 0);
    SetControlText(1, root);
    SetControlText(2, "*.txt");
    EXPECT_EQ(0, asked.names) << "no drive is asked before the window takes messages";
    EXPECT_TRUE(PumpUntil([&] { return ReadItem(second, Drive(second, 'C')).text == "Drive C"; }));
    EXPECT_EQ("T:", ReadItem(first, Drive(first, 'T')).text) << "T:'s question waits";
    SetControlText(1, folder);
    EXPECT_EQ(folder, GetControlText(1)) << "and the tree goes on working";
    const HTREEITEM top = TreeView_GetFirstVisible(first);
    SetEvent(asked.holdT);
    EXPECT_TRUE(PumpUntil([&] { return ReadItem(first, Drive(first, 'T')).text == "Drive T"; }));
    EXPECT_EQ(folder, GetControlText(1)) << "named in place";
    EXPECT_EQ(top, TreeView_GetFirstVisible(first));
    EXPECT_EQ(Image(second, Drive(second, 'T')), 'T' - 'A' + 3);
    PumpUntil([] { return asked.names > DriveCount(); }, 100);
    EXPECT_EQ(DriveCount(), asked.names) << "one question per drive for both trees and every rebuild";
    EXPECT_TRUE(asked.nameMode & SEM_FAILCRITICALERRORS);
    // A media change drops the drive's listing and shows the folder again where it can.
    CreateDirectoryA((root + "later").c_str(), nullptr);
    MediaChangeOnT(DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(GetControlText(1), folder);
    EXPECT_EQ(Children(first, ParentItem(first, Selected(first))), (Names{"later", "x"})) << "listed afresh";
    EXPECT_EQ(GetControlState(1), 0);
    EXPECT_TRUE(PumpUntil([&] { return asked.names == DriveCount() + 1; })) << "T: is asked again";
    // A folder gone with its medium leaves nothing selected, and the settings keep theirs.
    SetControlState(1, 1);
    RemoveDirectoryA(folder.c_str());
    MediaChangeOnT(DBT_DEVICEARRIVAL);
    EXPECT_EQ(GetControlText(1), "");
    EXPECT_EQ(GetControlState(1), 0);
}

TEST(ExplorerTreeExit, TheProcessEndsWhileADriveIsStillBeingAsked) {
    EXPECT_EXIT({
        asked.holdT = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        SetDriveNameQuery(NameByTest);
        OpenControlWindow("Exit");
        AddExplorerTree(1, 0, 0, 240, 280, "", 0);
        PumpUntil([] { return asked.names >= DriveCount(); });
        ExitProcess(7);
    }, testing::ExitedWithCode(7), "");
}

TEST_F(ExplorerTreeTest, AListingIsOneSearchSortedFoldersFirstWithMarkersAskedWhenNeeded) {
    Names entries{"b\\", "b\\sub\\", "A\\", "_c\\", "files\\", "files\\f.txt", "0.txt", "empty\\", "wide\\"};
    for (int index = 1000; index < 1300; ++index) entries.push_back("wide\\" + std::to_string(index) + "\\");
    const std::string root = MakeFolder(entries);
    const HWND folders = AddTree(1, SortByKind | FoldersOnly), all = AddTree(2, SortByKind);
    SetControlText(1, root);
    SetControlText(2, root);
    const HTREEITEM listed = Selected(folders);
    EXPECT_EQ(Children(folders, listed), (Names{"_c", "A", "b", "empty", "files", "wide"}));
    EXPECT_EQ(Markers(folders, listed), (std::vector<int>{0, 0, 1, 0, 0, 1}));
    EXPECT_EQ(Children(all, Selected(all)), (Names{"_c", "A", "b", "empty", "files", "wide", "0.txt"}));
    EXPECT_EQ(Markers(all, Selected(all)), (std::vector<int>{0, 0, 1, 0, 1, 1, 0}));
    EXPECT_EQ(ItemParameter(all, Child(all, Selected(all), "0.txt")), FileKind) << "the sort gives the parameters back";
    EXPECT_EQ(Image(folders, Child(folders, listed, "b")), Shell(root + "b").iIcon);
    // A folder with a subfolder opens (an empty one has no marker to open it by), and none is listed twice.
    EXPECT_TRUE(TreeView_Expand(folders, Child(folders, listed, "b"), TVE_EXPAND));
    Notify(folders, TVN_ITEMEXPANDINGA, Child(folders, listed, "b"));
    EXPECT_EQ(Children(folders, Child(folders, listed, "b")), Names{"sub"});
    // Hundreds of subfolders cost one search: markers are asked for as the tree view needs them.
    int markersAsked = 0;
    SetWindowSubclass(GetParent(folders), [](HWND window, UINT message, WPARAM first, LPARAM second, UINT_PTR,
                                             DWORD_PTR count) CALLBACK -> LRESULT {
        const auto* request = reinterpret_cast<NMTVDISPINFOA*>(second);
        if (message == WM_NOTIFY && request->hdr.code == TVN_GETDISPINFOA && (request->item.mask & TVIF_CHILDREN))
            ++*reinterpret_cast<int*>(count);
        return DefSubclassProc(window, message, first, second);
    }, 0, reinterpret_cast<DWORD_PTR>(&markersAsked));
    SetControlText(1, root + "wide\\");
    UpdateWindow(folders);
    EXPECT_EQ(Children(folders, Selected(folders)).size(), 300u);
    EXPECT_LT(markersAsked, 50) << "only the items drawn are probed";
    EXPECT_EQ(Markers(folders, Selected(folders)), std::vector<int>(300, 0));
}

TEST_F(ExplorerTreeTest, PatternsChooseTheFilesAndEachFileGetsItsShellIcon) {
    const std::string root = MakeFolder({"files\\", "files\\f.txt", "b.txt", "a.dat", "icons\\", "icons\\a.msi",
                                         "icons\\B.MSI", "icons\\c.zq2", "icons\\p.exe", "icons\\q.EXE", "icons\\noext"});
    const HWND tree = AddTree(1, 0);
    SetControlText(1, root + "*.txt;b.*");
    EXPECT_EQ(Children(tree, Selected(tree)), (Names{"files", "icons", "b.txt", "b.txt"})) << "pattern by pattern";
    SetControlText(1, root + "*.*");
    Notify(tree, TVN_ITEMEXPANDINGA, Child(tree, Selected(tree), "files"), TVE_COLLAPSE);
    EXPECT_EQ(Children(tree, Child(tree, Selected(tree), "files")), Names{"f.txt"}) << "collapsing lists it too";
    const std::size_t cached = IconCacheSize();
    SetControlText(1, root + "icons\\*.*");
    // Installer packages have an icon of their own, so a wrong answer from the cache shows.
    for (const char* file : {"a.msi", "B.MSI", "c.zq2", "p.exe", "q.EXE", "noext"})
        EXPECT_EQ(Image(tree, Child(tree, Selected(tree), file)), Shell(root + "icons\\" + file).iIcon) << file;
    EXPECT_EQ(IconCacheSize(), cached + 2) << "one entry per extension, none for programs";
}

TEST_F(ExplorerTreeTest, TheTextIsTheSelectedFolderAndATextSelectsItOrNothing) {
    const std::string root = MakeFolder({"Mixed\\", "Mixed\\Inner\\", "caf\xe9\\"});
    // Kept apart and never removed: the shell's removal goes astray on a path past the limit.
    const std::string deep = "T:\\deep\\" + std::string(90, 'a') + "\\" + std::string(90, 'b') + "\\";
    MakeFolders(deep);
    const std::string deeper = deep + std::string(90, 'c');
    CreateDirectoryW((L"\\\\?\\" + std::wstring(deeper.begin(), deeper.end())).c_str(), nullptr);
    const HWND tree = AddTree(1, 0);
    std::string lower = root + "mIXED\\inner\\";
    CharLowerA(lower.data());
    // Each text over another selection: the folder in the file system's case and with an upper-case letter, the folder
    // that holds a path without its final backslash, and for whatever can't be shown nothing, never the folder before.
    const std::string mixed = root + "Mixed\\", cafe = root + "caf\xe9\\", none;
    for (const auto& [text, shown] : std::initializer_list<std::pair<std::string, std::string>>{
             {lower, mixed + "Inner\\"}, {cafe, cafe}, {mixed + "Inner", mixed}, {root + "missing\\", none},
             {"\\\\server\\share\\", none}, {"T:" + root.substr(3), none}, {"", none}, {deeper + "\\", none},
             {DriveRoot(std::countr_one(GetLogicalDrives())) + "folder\\", none},  // on a drive that isn't there
             {root + std::string(300, 'x') + "\\", none}}) {
        SetControlText(1, root);
        SetControlText(1, text);
        EXPECT_EQ(GetControlText(1), shown) << text.substr(0, 60);
    }
    SetControlText(1, deep);
    TreeView_SelectItem(tree, FirstChild(tree, Selected(tree)));
    EXPECT_EQ(GetControlText(1), "") << "a path past the platform's limit is never cut short";
}

TEST_F(ExplorerTreeTest, TheTreeReportsClicksAndSelectionsAndKnowsWhichTheUserMade) {
    const std::string root = MakeFolder({"one\\"});
    const HWND tree = AddTree(4, 0);
    DrainEvents();
    SetControlText(4, root + "one\\");
    EXPECT_EQ(CountControlEvents(DrainEvents(), 4, 768), 1);
    EXPECT_EQ(GetControlState(4), 0) << "the program's selection is no choice of the user's";
    RECT place{};
    TreeView_GetItemRect(tree, ParentItem(tree, Selected(tree)), &place, TRUE);
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

TEST_F(ExplorerTreeTest, AnEmptyDriveShowsOneDialogThatKeysMediaAndTheTreeClose) {
    SetDriveReadinessQuery(ProbeByTest);
    asked.readiness = ERROR_NOT_READY;
    const HWND empty = AddTree(1, 0), other = AddTree(2, 0);
    SetControlText(1, "T:\\");
    ASSERT_EQ(NotReadyDialogs().size(), 1u);
    const HWND dialog = NotReadyDialogs()[0];
    char text[300] = {};
    GetDlgItemTextA(dialog, 12291, text, sizeof text);
    EXPECT_NE(std::string(text).find("T:"), std::string::npos) << text;
    EXPECT_TRUE(!IsWindowEnabled(empty) && IsWindowEnabled(other));
    EXPECT_EQ(ItemParameter(empty, Drive(empty, 'T')), 'T' - 'A') << "not listed";
    EXPECT_TRUE(asked.probeMode & SEM_FAILCRITICALERRORS);
    SetControlText(2, "T:\\");
    EXPECT_EQ(NotReadyDialogs().size(), 1u) << "one dialog per drive for both trees";
    asked.readiness = ERROR_SUCCESS;
    MediaChangeOnT(DBT_DEVICEARRIVAL);
    EXPECT_TRUE(!IsWindow(dialog) && IsWindowEnabled(empty));
    EXPECT_EQ(ItemParameter(empty, Drive(empty, 'T')), ('T' - 'A') | FilledMark) << "listed once a medium is in";
    // Esc and Enter, as in any dialog; a new text closes it too.
    asked.readiness = ERROR_NOT_READY;
    for (void (*close)() : {+[] { PressKey(VK_ESCAPE); }, +[] { PressKey(VK_RETURN); }, +[] { SetControlText(2, ""); }}) {
        SetControlText(2, "T:\\*.*");
        ASSERT_EQ(NotReadyDialogs().size(), 1u);
        SetForegroundWindow(NotReadyDialogs()[0]);
        close();
        DrainEvents();
        EXPECT_TRUE(NotReadyDialogs().empty() && IsWindowEnabled(other));
    }
    // A drive that fails otherwise is listed for what it holds.
    asked.readiness = ERROR_ACCESS_DENIED;
    SetControlText(1, "T:\\*.*");
    EXPECT_EQ(ItemParameter(empty, Drive(empty, 'T')), ('T' - 'A') | FilledMark);
}

}  // namespace

// The launcher's window in-process: its size, controls and their places, and the trees' kind. Its
// title, by which the tests find it, and what its buttons do are tried on the real Corvane.exe.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include "explorer_tree/tree_items.h"
#include "explorer_tree/tree_library.h"
#include "launcher/main_window.h"
#include "tests/test_support.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

TEST(LauncherTest, TheWindowHasItsSizeAndEveryControlItsPlace) {
    ResetToolkit();
    ASSERT_TRUE(BuildMainWindow());
    const HWND window = WindowHandle(MainWindow);
    RECT client, outer;
    GetClientRect(window, &client);
    GetWindowRect(window, &outer);
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
        GetWindowRect(placed, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        EXPECT_TRUE(EqualRect(&place, &expected)) << number << " at " << place.left << "," << place.top;
        EXPECT_EQ(text, GetControlText(number)) << number;
        EXPECT_EQ(number == GamesysField ? WS_EX_CLIENTEDGE : 0, GetWindowLongPtrA(placed, GWL_EXSTYLE)) << number << ": a frame";
    }
    // The install trees: folders only, sorted, no My Documents, lines but no buttons.
    const HWND tree = Control(GameTree);
    EXPECT_EQ(TVS_HASLINES | TVS_SHOWSELALWAYS, GetWindowLongPtrA(tree, GWL_STYLE) & (TVS_HASLINES | TVS_HASBUTTONS | TVS_SHOWSELALWAYS));
    SetControlText(GameTree, FreshFolder({"b\\", "A\\", "_c\\", "file.txt"}));
    std::vector<std::string> listed;
    for (HTREEITEM child = FirstChild(tree, TreeView_GetSelection(tree)); child; child = NextSibling(tree, child))
        listed.push_back(ReadItem(tree, child).text);
    EXPECT_EQ((std::vector<std::string>{"_c", "A", "b"}), listed);
    for (HTREEITEM child = FirstChild(tree, TreeView_GetRoot(tree)); child; child = NextSibling(tree, child))
        EXPECT_NE(DocumentsKind, ItemKind(ItemParameter(tree, child)));
    CloseAllWindows();
}

}  // namespace

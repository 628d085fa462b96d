// A tree's text (item paths, the selected path, selecting a path) and the events it reports.
#include "explorer_tree/tree_library.h"

#include <algorithm>
#include <vector>
#include "explorer_tree/tree_items.h"

namespace {

// The platform's path limit less its terminating zero.
constexpr std::size_t LongestPath = MAX_PATH - 1;
constexpr WORD SelectionChangedCode = 0x300;

struct ReportedNotification {
    UINT notification;
    WORD code;
};

const ReportedNotification reportedNotifications[] = {
    {NM_CLICK, 0}, {NM_RCLICK, 1}, {NM_DBLCLK, 2}, {NM_RDBLCLK, 3}, {TVN_SELCHANGEDA, SelectionChangedCode},
};

struct SelectionRequest {
    bool rebuild = false;
    std::string target;  // empty: nothing to select
};

std::string PathOfSelection(const TreeRecord& record) {
    const auto selected = reinterpret_cast<HTREEITEM>(SendMessageA(record.window, TVM_GETNEXTITEM, TVGN_CARET, 0));
    return selected ? ItemPath(record, selected) : std::string();
}

void StorePatterns(TreeRecord& record, const std::string& patterns) {
    // A list that no search could take is refused: the tree keeps the patterns it had.
    if (patterns.size() <= LongestPath) record.patterns = patterns;
}

SelectionRequest ReadSelectionText(TreeRecord& record, const std::string& text) {
    if (text.empty() || text == "\\") return {true, {}};
    const std::size_t lastBackslash = text.rfind('\\');
    if (lastBackslash == std::string::npos) {
        StorePatterns(record, text);
        return {true, PathOfSelection(record)};
    }
    SelectionRequest request{lastBackslash + 1 < text.size(), text.substr(0, lastBackslash + 1)};
    if (request.rebuild) StorePatterns(record, text.substr(lastBackslash + 1));
    char& letter = request.target[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - ('a' - 'A'));
    return request;
}

// Only a full path from a drive's root is walked: "C:folder\" or a network path names no folder
// that the tree could show, and the platform takes no longer path.
bool IsWalkable(const std::string& target) {
    return target.size() >= 3 && target.size() <= LongestPath && target[0] >= 'A' && target[0] <= 'Z' &&
           target[1] == ':' && target[2] == '\\';
}

bool NamesMatch(const std::string& name, const std::string& component) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, name.c_str(), -1, component.c_str(), -1) ==
           CSTR_EQUAL;
}

HTREEITEM FindFolderItem(HWND tree, HTREEITEM parent, const std::string& component) {
    return FindChild(tree, parent, [&](HTREEITEM child) {
        const ItemInfo info = ReadItem(tree, child);
        return ItemKind(info.parameter) == FolderKind && NamesMatch(info.text, component);
    });
}

// The first expansion lists the item before the call returns, or opens the not-ready dialog.
void Expand(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
}

// The item of the target's folder, expanded and so listed on the way; null when a step fails.
HTREEITEM WalkTo(const TreeRecord& record, const std::string& target) {
    if (!IsWalkable(target)) return nullptr;
    const HWND tree = record.window;
    const int drive = target[0] - 'A';
    HTREEITEM current = FindChild(tree, record.computerItem, [&](HTREEITEM child) {
        return ItemKind(ItemParameter(tree, child)) == drive;
    });
    if (!current) return nullptr;
    Expand(tree, current);
    // The folder names after the drive's root; two backslashes in a row end them.
    for (const std::string& component : SplitList(target.substr(3), '\\')) {
        current = FindFolderItem(tree, current, component);
        if (!current) return nullptr;
        Expand(tree, current);
    }
    return current;
}

}  // namespace

std::string ItemPath(const TreeRecord& record, HTREEITEM item) {
    const HWND tree = record.window;
    std::string path;
    for (; item && item != record.computerItem; item = ParentItem(tree, item)) {
        const ItemInfo info = ReadItem(tree, item);
        const int kind = ItemKind(info.parameter);
        if (kind == FolderKind) {
            path = info.text + '\\' + path;
        } else if (kind == DocumentsKind) {
            path = TreeLibrary().documentsPath + path;
        } else if (kind == FileKind) {
            path = info.text;
        } else {
            path = DriveRoot(kind) + path;
        }
    }
    return path;
}

std::string SelectedPath(HWND treeView) {
    const TreeRecord* record = FindTree(treeView);
    if (!record) return {};
    std::string path = PathOfSelection(*record);
    // Cut to the platform's limit it would name another folder, one that activation would then
    // write to the registry: a path that long gives the empty text instead.
    return path.size() <= LongestPath ? path : std::string();
}

void SelectPath(HWND treeView, const std::string& text) {
    TreeRecord* record = FindTree(treeView);
    if (!record) return;
    CloseNotReadyDialog(*record);
    const ProgrammaticSelection programmatic(*record);
    record->changedByUser = false;
    const SelectionRequest request = ReadSelectionText(*record, text);
    // Roots that nothing has been listed under since they were built, with the same drives, are
    // as good as new ones.
    const bool fresh = record->rootsFresh && record->drivesAtBuild == GetLogicalDrives();
    if (request.rebuild && !fresh) BuildRoots(*record);
    ShowFolder(*record, request.target);
}

bool ShowFolder(TreeRecord& record, const std::string& folder) {
    const ProgrammaticSelection programmatic(record);
    record.folder = folder;
    // A folder that can't be shown must not leave an earlier one selected in its place: the
    // launcher would activate and save that one.
    const QuietDriveErrors quiet;
    const HTREEITEM item = WalkTo(record, folder);
    if (item) SendMessageA(record.window, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    SendMessageA(record.window, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    return item != nullptr;
}

int UserChangedSelection(HWND treeView) {
    const TreeRecord* record = FindTree(treeView);
    return record && record->changedByUser ? 1 : 0;
}

void SetUserChangedSelection(HWND treeView, int value) {
    if (TreeRecord* record = FindTree(treeView)) record->changedByUser = value != 0;
}

void OnSelectionChanged(TreeRecord& record, const NMTREEVIEWA& change) {
    if (record.programmatic > 0) return;
    record.changedByUser = true;
    record.folder = change.itemNew.hItem ? ItemPath(record, change.itemNew.hItem) : std::string();
}

void ReportTreeNotification(const TreeRecord& record, UINT notification) {
    for (const ReportedNotification& reported : reportedNotifications) {
        if (reported.notification != notification) continue;
        // Posted, not sent: the logic hears of it after the current message, in notification order.
        PostMessageA(GetAncestor(record.window, GA_ROOT), WM_COMMAND, MAKEWPARAM(0, reported.code),
                     reinterpret_cast<LPARAM>(record.window));
        return;
    }
}

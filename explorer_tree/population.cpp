// Listing a drive or folder the first time it is expanded, and ordering its children by kind.
#include "explorer_tree/tree_library.h"

#include <algorithm>
#include <cstring>
#include <vector>
#include "explorer_tree/tree_items.h"

namespace {

bool IsFolder(const WIN32_FIND_DATAA& entry) {
    return entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
}

bool IsFile(const WIN32_FIND_DATAA& entry) {
    return !IsFolder(entry);
}

bool IsSubfolder(const WIN32_FIND_DATAA& entry) {
    return IsFolder(entry) && std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0;
}

// Calls visit for each entry that the search finds, until visit answers false. A search path
// longer than the platform takes is not searched: it finds nothing.
template <typename Visit>
void SearchEntries(const std::string& searchPath, Visit visit) {
    if (searchPath.size() >= MAX_PATH) return;
    WIN32_FIND_DATAA entry;
    const OwnedFind search(FindFirstFileA(searchPath.c_str(), &entry));
    if (!search) return;
    do {
        if (!visit(entry)) return;
    } while (FindNextFileA(search.Get(), &entry));
}

bool FindsEntry(const std::string& searchPath, bool (*wanted)(const WIN32_FIND_DATAA&)) {
    bool found = false;
    SearchEntries(searchPath, [&](const WIN32_FIND_DATAA& entry) {
        found = wanted(entry);
        return !found;
    });
    return found;
}

// 1 when the folder (a path ending with a backslash) holds a subfolder or a file that a pattern
// matches: one search, and one more per pattern only while nothing has been found.
int ChildrenMarker(const std::string& folder, const std::vector<std::string>& patterns) {
    if (FindsEntry(folder + "*.*", IsSubfolder)) return 1;
    for (const std::string& pattern : patterns)
        if (FindsEntry(folder + pattern, IsFile)) return 1;
    return 0;
}

std::vector<std::string> FilePatterns(const TreeRecord& record) {
    return (record.flags & FoldersOnly) ? std::vector<std::string>() : SplitList(record.patterns, ';');
}

// One search of the folder. Whether each subfolder has children of its own is asked only when
// the tree view needs to know (OnChildrenWanted), so a folder of thousands lists as fast as it
// can be read.
void FillItem(TreeRecord& record, HTREEITEM item, LPARAM parameter, const std::string& path) {
    const HWND tree = record.window;
    const std::vector<std::string> patterns = FilePatterns(record);
    record.rootsFresh = false;
    {
        const RedrawPause pause(tree);
        SearchEntries(path + "*.*", [&](const WIN32_FIND_DATAA& entry) {
            if (IsSubfolder(entry)) InsertItem(tree, item, {entry.cFileName, I_IMAGECALLBACK, I_CHILDRENCALLBACK, FolderKind});
            return true;
        });
        // A file that two patterns match is listed twice, once for each.
        for (const std::string& pattern : patterns) {
            SearchEntries(path + pattern, [&](const WIN32_FIND_DATAA& entry) {
                if (IsFile(entry))
                    InsertItem(tree, item, {entry.cFileName, FileIcon(path + entry.cFileName), 0, FileKind});
                return true;
            });
        }
        if (record.flags & SortByKind) SortChildren(record, item);
    }
    SetItemParameter(tree, item, parameter | FilledMark);
}

bool IsListable(int kind) {
    return IsDriveKind(kind) || kind == FolderKind || kind == DocumentsKind;
}

// A child as it was before the sort; the file system's names are shorter than the platform's
// path limit, so the array holds every full name.
struct ChildSnapshot {
    HTREEITEM item;
    LPARAM parameter;
    char name[MAX_PATH];
};

// Kind first (folders, 252, before files, 255), then the name ignoring case.
int CALLBACK CompareSnapshots(LPARAM first, LPARAM second, LPARAM snapshots) {
    const ChildSnapshot& a = reinterpret_cast<const ChildSnapshot*>(snapshots)[first];
    const ChildSnapshot& b = reinterpret_cast<const ChildSnapshot*>(snapshots)[second];
    if (a.parameter != b.parameter) return a.parameter < b.parameter ? -1 : 1;
    return _stricmp(a.name, b.name);
}

std::size_t CountChildren(HWND tree, HTREEITEM item) {
    std::size_t count = 0;
    for (HTREEITEM child = FirstChild(tree, item); child; child = NextSibling(tree, child)) ++count;
    return count;
}

// Takes each child's parameter and name, and gives the child its snapshot's index instead, which
// is all that the sort's comparison is handed.
void TakeSnapshots(HWND tree, HTREEITEM item, std::vector<ChildSnapshot>& snapshots) {
    HTREEITEM child = FirstChild(tree, item);
    for (std::size_t index = 0; index < snapshots.size() && child; ++index, child = NextSibling(tree, child)) {
        ChildSnapshot& snapshot = snapshots[index];
        TVITEMA query{};
        query.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_PARAM;
        query.hItem = child;
        query.pszText = snapshot.name;
        query.cchTextMax = MAX_PATH;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query));
        snapshot.item = child;
        snapshot.parameter = query.lParam;
        SetItemParameter(tree, child, static_cast<LPARAM>(index));
    }
}

}  // namespace

std::vector<std::string> SplitList(const std::string& text, char separator) {
    std::vector<std::string> list;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        if (end == start) break;
        list.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return list;
}

void OnItemExpanding(TreeRecord& record, const NMTREEVIEWA& change) {
    // Whether it opens or closes, an item that was never listed is listed now.
    const LPARAM parameter = change.itemNew.lParam;
    const int kind = ItemKind(parameter);
    if ((parameter & FilledMark) || !IsListable(kind)) return;
    const HTREEITEM item = change.itemNew.hItem;
    const std::string path = ItemPath(record, item);
    const QuietDriveErrors quiet;
    // An empty drive stays unlisted, so that a later expansion tries again.
    if (IsDriveKind(kind) && !DriveReadyForListing(record, kind, path)) return;
    FillItem(record, item, parameter, path);
}

void OnChildrenWanted(const TreeRecord& record, NMTVDISPINFOA& request) {
    if (!(request.item.mask & TVIF_CHILDREN)) return;
    const QuietDriveErrors quiet;
    request.item.cChildren = ChildrenMarker(ItemPath(record, request.item.hItem), FilePatterns(record));
    // Kept by the tree view: it never asks about this item again.
    request.item.mask |= TVIF_DI_SETITEM;
}

void SortChildren(const TreeRecord& record, HTREEITEM item) {
    const HWND tree = record.window;
    const std::size_t count = CountChildren(tree, item);
    if (count < 2) return;
    std::vector<ChildSnapshot> snapshots(count);
    TakeSnapshots(tree, item, snapshots);
    TVSORTCB sort{item, CompareSnapshots, reinterpret_cast<LPARAM>(snapshots.data())};
    SendMessageA(tree, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
    for (const ChildSnapshot& snapshot : snapshots) SetItemParameter(tree, snapshot.item, snapshot.parameter);
}

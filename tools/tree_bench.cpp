// Times a large folder's listing and a deep selection in a tree against the bare platform work.
#include <windows.h>
#include <commctrl.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>
#include "explorer_tree/explorer_tree.h"
#include "explorer_tree/tree_items.h"
#include "toolkit/controls.h"
#include "toolkit/windows.h"

namespace {

constexpr int FolderCount = 10000;
constexpr int Depth = 20;
constexpr int Rounds = 5;
// The launcher's own trees: folders only, sorted.
constexpr DWORD TreeFlags = HideButtons | KeepSelectionVisible | HideMyDocuments | SortByKind | FoldersOnly;

struct Bench {
    std::string root;  // holds "wide\" with FolderCount subfolders and "deep\" with Depth levels
    HWND window = nullptr;
};

double Seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void DrainMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// One contender: prepare and finish run untimed around the timed work.
struct Trial {
    std::function<void()> prepare;
    std::function<void()> work;
    std::function<void()> finish;
};

double TimeOnce(const Trial& trial) {
    trial.prepare();
    const double start = Seconds();
    trial.work();
    const double elapsed = Seconds() - start;
    trial.finish();
    DrainMessages();
    return elapsed;
}

void Report(const char* what, double tree, double baseline, const char* target) {
    std::printf("%-34s tree %8.3f s   baseline %8.3f s   ratio %.2f%s\n", what, tree, baseline, tree / baseline, target);
    std::fflush(stdout);
}

// The best of a few rounds each, taken in turns so that a busy moment of the machine hits both.
void Compare(const char* what, const Trial& tree, const Trial& baseline, const char* target = "") {
    double bestTree = 1e30;
    double bestBaseline = 1e30;
    for (int round = 0; round < Rounds; ++round) {
        bestTree = std::min(bestTree, TimeOnce(tree));
        bestBaseline = std::min(bestBaseline, TimeOnce(baseline));
    }
    Report(what, bestTree, bestBaseline, target);
}

std::string LevelName(int level) {
    char name[8];
    std::snprintf(name, sizeof name, "d%02d", level);
    return name;
}

std::string DeepPath(const Bench& bench) {
    std::string path = bench.root + "deep\\";
    for (int level = 1; level <= Depth; ++level) path += LevelName(level) + "\\";
    return path;
}

std::string WideName(int index) {
    char name[16];
    std::snprintf(name, sizeof name, "f%05d", index);
    return name;
}

void MakeFolders(const Bench& bench) {
    CreateDirectoryA(bench.root.c_str(), nullptr);
    CreateDirectoryA((bench.root + "wide").c_str(), nullptr);
    for (int index = 0; index < FolderCount; ++index) {
        // In scattered order, so that the listing does not come sorted already.
        CreateDirectoryA((bench.root + "wide\\" + WideName(index * 7919 % FolderCount)).c_str(), nullptr);
    }
    std::string path = bench.root + "deep\\";
    CreateDirectoryA(path.c_str(), nullptr);
    for (int level = 1; level <= Depth; ++level) CreateDirectoryA((path += LevelName(level) + "\\").c_str(), nullptr);
}

void RemoveFolders(const Bench& bench) {
    for (int index = 0; index < FolderCount; ++index)
        RemoveDirectoryA((bench.root + "wide\\" + WideName(index)).c_str());
    RemoveDirectoryA((bench.root + "wide").c_str());
    std::string path = DeepPath(bench);
    // From the deepest level up: each folder is empty by the time it goes.
    while (path.size() > bench.root.size()) {
        RemoveDirectoryA(path.c_str());
        path.erase(path.rfind('\\', path.size() - 2) + 1);
    }
    RemoveDirectoryA(bench.root.c_str());
}

bool IsSubfolder(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && std::strcmp(entry.cFileName, ".") != 0 &&
           std::strcmp(entry.cFileName, "..") != 0;
}

bool HasSubfolder(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do found = IsSubfolder(entry);
    while (!found && FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

int CALLBACK CompareNames(LPARAM first, LPARAM second, LPARAM names) {
    const auto& all = *reinterpret_cast<const std::vector<std::string>*>(names);
    return _stricmp(all[first].c_str(), all[second].c_str());
}

// Listing one folder the eager way, bare of everything else: the search, a children-marker search
// for every subfolder, one insertion each, one sort and the expansion. Returns the child named next.
HTREEITEM BareListing(HWND tree, HTREEITEM parent, const std::string& folder, const std::string& next) {
    std::vector<std::string> names;
    HTREEITEM found = nullptr;
    SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &entry);
    do {
        if (search == INVALID_HANDLE_VALUE || !IsSubfolder(entry)) continue;
        names.push_back(entry.cFileName);
        TVINSERTSTRUCTA insertion{};
        insertion.hParent = parent;
        insertion.hInsertAfter = TVI_LAST;
        insertion.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
        insertion.item.pszText = entry.cFileName;
        insertion.item.cChildren = HasSubfolder(folder + entry.cFileName + "\\");
        insertion.item.lParam = static_cast<LPARAM>(names.size() - 1);
        const HTREEITEM item = TreeView_InsertItem(tree, &insertion);
        if (_stricmp(entry.cFileName, next.c_str()) == 0) found = item;
    } while (search != INVALID_HANDLE_VALUE && FindNextFileA(search, &entry));
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    TVSORTCB sort{parent, CompareNames, reinterpret_cast<LPARAM>(&names)};
    SendMessageA(tree, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
    SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(parent));
    return found;
}

HWND PlainTree(const Bench& bench) {
    return CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "", WS_CHILD | WS_VISIBLE | TVS_HASLINES, 300, 0, 280, 400,
                           bench.window, nullptr, GetModuleHandleA(nullptr), nullptr);
}

HTREEITEM PlainRoot(HWND tree, const char* text) {
    TVINSERTSTRUCTA insertion{};
    insertion.hParent = TVI_ROOT;
    insertion.hInsertAfter = TVI_LAST;
    insertion.item.mask = TVIF_TEXT | TVIF_CHILDREN;
    insertion.item.pszText = const_cast<char*>(text);
    insertion.item.cChildren = 1;
    return TreeView_InsertItem(tree, &insertion);
}

// Each folder on the way from the drive's root, and the name to open in it (none in the last).
std::vector<std::pair<std::string, std::string>> Steps(const std::string& path) {
    std::vector<std::pair<std::string, std::string>> steps;
    for (std::size_t end = path.find('\\'); end != std::string::npos; end = path.find('\\', end + 1)) {
        const std::size_t next = path.find('\\', end + 1);
        steps.emplace_back(path.substr(0, end + 1), path.substr(end + 1, next - end - 1));
    }
    return steps;
}

HWND TreeWindow(ObjectNumber identifier) {
    return ResolveControl(identifier)->handle;
}

HTREEITEM ChildNamed(HWND tree, HTREEITEM parent, const std::string& name) {
    return FindChild(tree, parent, [&](HTREEITEM child) { return ReadItem(tree, child).text == name; });
}

void DestroyTree(ObjectNumber identifier) {
    DestroyWindow(GetParent(TreeWindow(identifier)));
}

void MeasureExpansion(const Bench& bench) {
    ObjectNumber identifier = 0;
    HTREEITEM wide = nullptr;
    const Trial tree{
        [&] {
            identifier = AddExplorerTree(AutoNumber, 0, 0, 280, 400, bench.root, TreeFlags);
            const HWND view = TreeWindow(identifier);
            wide = ChildNamed(view, TreeView_GetSelection(view), "wide");
        },
        [&] { SendMessageA(TreeWindow(identifier), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(wide)); },
        [&] { DestroyTree(identifier); }};
    HWND plain = nullptr;
    const Trial baseline{[&] { plain = PlainTree(bench); },
                         [&] { BareListing(plain, PlainRoot(plain, "wide"), bench.root + "wide\\", ""); },
                         [&] { DestroyWindow(plain); }};
    Compare("expand a folder of 10,000 folders", tree, baseline, " (target: at most 0.30)");
}

void MeasureSelection(const Bench& bench) {
    const std::string path = DeepPath(bench);
    ObjectNumber identifier = 0;
    const Trial tree{[&] { identifier = AddExplorerTree(AutoNumber, 0, 0, 280, 400, "", TreeFlags); },
                     [&] { SetControlText(identifier, path); },
                     [&] {
                         if (GetControlText(identifier) != path) std::printf("the tree missed %s\n", path.c_str());
                         DestroyTree(identifier);
                     }};
    HWND plain = nullptr;
    const Trial baseline{[&] { plain = PlainTree(bench); },
                         [&] {
                             HTREEITEM item = PlainRoot(plain, path.substr(0, 3).c_str());
                             for (const auto& [folder, next] : Steps(path))
                                 if (const HTREEITEM found = BareListing(plain, item, folder, next)) item = found;
                             SendMessageA(plain, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
                         },
                         [&] { DestroyWindow(plain); }};
    Compare("select a path 20 folders deep", tree, baseline);
}

}  // namespace

int main() {
    InitWindows();
    InitControls();
    Bench bench;
    std::vector<char> temporary(MAX_PATH);
    GetTempPathA(MAX_PATH, temporary.data());
    bench.root = std::string(temporary.data()) + "corvane_tree_bench\\";
    OpenAppWindow(0, 0, 0, 600, 420, 0, "Tree benchmark");
    bench.window = LastWindowHandle();
    BeginControlList(bench.window);
    MakeFolders(bench);
    MeasureExpansion(bench);
    MeasureSelection(bench);
    CloseAllWindows();
    RemoveFolders(bench);
    return 0;
}

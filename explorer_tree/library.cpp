// The tree library's state and set-up, a tree's creation and destruction, and its root items.
#include "explorer_tree/tree_library.h"

#include <algorithm>
#include <vector>
#include "explorer_tree/shell_info.h"
#include "explorer_tree/tree_items.h"
#include "platform/libraries_on_demand.h"

namespace {

TreeLibraryState state;

constexpr char ContainerClass[] = "ExplorerTree_ParentClass";
constexpr char ComputerName[] = "::{20D04FE0-3AEA-1069-A2D8-08002B30309D}";
constexpr char DocumentsName[] = "::{450d8fba-ad25-11d0-98a8-0800361b1103}";
// My Computer is listed from the start, so expanding it never lists anything.
constexpr LPARAM ComputerParameter = FilledMark | ComputerKind;

std::string WindowsFolder() {
    std::vector<char> folder(MAX_PATH);
    const UINT length = GetWindowsDirectoryA(folder.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};
    return std::string(folder.data(), length);
}

std::optional<int> FirstIcon(const std::string& name, const std::string& fallback) {
    if (const auto icon = SmallIconOf(name)) return icon;
    return SmallIconOf(fallback);
}

std::optional<std::string> FirstDisplayName(const std::string& name, const std::string& fallback) {
    if (auto label = DisplayNameOf(name)) return label;
    return DisplayNameOf(fallback);
}

std::string DocumentsFolder() {
    OwnedItemList location;
    if (FAILED(ShellSpecialFolder(CSIDL_PERSONAL, *location.Put()))) return {};
    std::vector<char> folder(MAX_PATH);
    return ShellFolderPath(location.Get(), folder.data()) ? std::string(folder.data()) : std::string();
}

void FindDocuments() {
    state.documentsLooked = true;
    state.documentsPath = DocumentsFolder();
    if (state.documentsPath.empty()) return;
    const auto icon = FirstIcon(DocumentsName, state.documentsPath);
    const auto label = FirstDisplayName(DocumentsName, state.documentsPath);
    if (!icon || !label) return;
    state.documentsIcon = *icon;
    state.documentsLabel = *label;
    if (state.documentsPath.back() != '\\') state.documentsPath += '\\';
    state.documentsAvailable = true;
}

void FindComputer() {
    if (const auto icon = SmallIconOf(ComputerName)) state.computerIcon = *icon;
    if (auto label = DisplayNameOf(ComputerName)) state.computerLabel = *label;
}

void DestroyTree(HWND tree) {
    // The container takes the tree view with it; the tree view's own handler frees the rest.
    DestroyWindow(GetParent(tree));
}

// Asked whenever the tree view draws an item, so an icon learnt later shows at once. Files have
// icons of their own, given when they are listed.
int ImageOf(int kind) {
    if (IsDriveKind(kind)) return DriveLook(kind).image;
    if (kind == ComputerKind) return state.computerIcon;
    if (kind == DocumentsKind) return state.documentsIcon;
    return state.folderIcon;
}

void OnItemInfoWanted(const TreeRecord& record, NMTVDISPINFOA& request) {
    if (request.item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE))
        request.item.iImage = request.item.iSelectedImage = ImageOf(ItemKind(request.item.lParam));
    OnChildrenWanted(record, request);
}

void OnTreeNotify(NMHDR& header) {
    TreeRecord* record = FindTree(header.hwndFrom);
    if (!record) return;
    if (header.code == TVN_ITEMEXPANDINGA) {
        OnItemExpanding(*record, reinterpret_cast<const NMTREEVIEWA&>(header));
        return;
    }
    if (header.code == TVN_GETDISPINFOA) {
        OnItemInfoWanted(*record, reinterpret_cast<NMTVDISPINFOA&>(header));
        return;
    }
    if (header.code == TVN_SELCHANGEDA) OnSelectionChanged(*record, reinterpret_cast<const NMTREEVIEWA&>(header));
    ReportTreeNotification(*record, header.code);
}

LRESULT CALLBACK ContainerProcedure(HWND container, UINT message, WPARAM first, LPARAM second) {
    if (message == WM_NOTIFY) {
        try {
            OnTreeNotify(*reinterpret_cast<NMHDR*>(second));
        } catch (...) {
            // Out of memory while listing: the item stays as far as it got, and nothing unwinds
            // into the platform's code.
        }
    }
    // Never refuse an expansion: the default answer lets every one go ahead.
    return DefWindowProcA(container, message, first, second);
}

void ForgetTree(HWND tree) {
    const auto record = std::find_if(state.trees.begin(), state.trees.end(),
                                     [tree](const TreeRecord& candidate) { return candidate.window == tree; });
    if (record == state.trees.end()) return;
    CloseNotReadyDialog(*record);
    const ObjectNumber number = record->number;
    state.trees.erase(record);
    // The number becomes free whenever the tree goes, whoever destroys it; the toolkit destroys a
    // control before it hands its number on, so the slot still holds this tree.
    FreeControlSlot(number);
}

LRESULT CALLBACK TreeViewProcedure(HWND tree, UINT message, WPARAM first, LPARAM second) {
    // The image list is the system's, shared by every tree: the tree view must not keep it.
    if (message == WM_DESTROY) SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, 0);
    if (message == WM_NCDESTROY) ForgetTree(tree);
    return CallWindowProcA(state.treeProcedure, tree, message, first, second);
}

bool RegisterContainerClass() {
    WNDCLASSA container{};
    container.lpfnWndProc = ContainerProcedure;
    container.hInstance = GetModuleHandleA(nullptr);
    container.lpszClassName = ContainerClass;
    return RegisterClassA(&container) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The costly part of the set-up, the shell's icons and names, waits for LearnShellLooks: a
// switch that ends before the window takes messages never pays for it.
bool SetUpLibrary() {
    if (state.initialized) return true;
    state.iconCache.reserve(100);
    if (!RegisterContainerClass()) return false;
    CreateDriveAnswerWindow();
    state.operations.destroy = DestroyTree;
    state.operations.getState = UserChangedSelection;
    state.operations.setState = SetUserChangedSelection;
    state.operations.getText = SelectedPath;
    state.operations.setText = SelectPath;
    state.initialized = true;
    return true;
}

DWORD TreeStyle(DWORD flags) {
    DWORD style = WS_CHILD | WS_VISIBLE | TVS_DISABLEDRAGDROP;
    if (flags & KeepSelectionVisible) style |= TVS_SHOWSELALWAYS;
    if (!(flags & HideLines)) style |= TVS_HASLINES;
    if (!(flags & HideButtons)) style |= TVS_HASBUTTONS;
    return style;
}

HWND CreateTreeView(HWND container, ObjectNumber identifier, int width, int height, DWORD flags) {
    const DWORD extendedStyle = (flags & NoBorder) ? 0 : WS_EX_CLIENTEDGE;
    return CreateWindowExA(extendedStyle, WC_TREEVIEWA, "", TreeStyle(flags), 0, 0, width, height, container,
                           reinterpret_cast<HMENU>(identifier), GetModuleHandleA(nullptr), nullptr);
}

TreeRecord& AdoptTreeView(HWND tree, ObjectNumber identifier, DWORD flags) {
    TreeRecord& record = state.trees.emplace_front();
    record.window = tree;
    record.number = identifier;
    record.flags = flags;
    state.treeProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(tree, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TreeViewProcedure)));
    SendMessageA(tree, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), TRUE);
    if (state.imageList) SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(state.imageList));
    ControlSlot& slot = *ResolveControl(identifier);
    slot.handle = tree;
    slot.operations = &state.operations;
    slot.kindData = &record;
    return record;
}

ItemContent DriveContent(int drive) {
    // The bare drive number as parameter: no FilledMark, so the next expansion lists it afresh.
    return {DriveLook(drive).text, I_IMAGECALLBACK, 1, drive};
}

// No drive is touched here: the items show what is known of each, and the rest comes later.
void AddDriveItems(TreeRecord& record) {
    record.drivesAtBuild = GetLogicalDrives();
    for (int drive = 0; drive <= LastDriveKind; ++drive) {
        if (!(record.drivesAtBuild >> drive & 1)) continue;
        InsertItem(record.window, record.computerItem, DriveContent(drive));
    }
}

}  // namespace

TreeLibraryState& TreeLibrary() {
    return state;
}

TreeRecord* FindTree(HWND treeView) {
    for (TreeRecord& record : state.trees)
        if (record.window == treeView) return &record;
    return nullptr;
}

ObjectNumber AddExplorerTree(ObjectNumber number, int x, int y, int width, int height, const std::string& path,
                             DWORD flags) {
    const HWND parent = CurrentParent();
    if (!parent || !SetUpLibrary()) return 0;
    HookTopLevelWindow(parent);
    const HWND container = CreateWindowExA(0, ContainerClass, "ExplorerTree_Parent", WS_CHILD | WS_VISIBLE, x, y,
                                           width, height, parent, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!container) return 0;
    const ObjectNumber identifier = AllocateControlSlot(number);
    const HWND tree = identifier == AutoNumber ? nullptr : CreateTreeView(container, identifier, width, height, flags);
    if (!tree) {
        // Leave no empty container behind, and no slot reserved for a tree that never came.
        if (identifier != AutoNumber) FreeControlSlot(identifier);
        DestroyWindow(container);
        return 0;
    }
    BuildRoots(AdoptTreeView(tree, identifier, flags));
    if (!path.empty()) SelectPath(tree, path);
    return number == AutoNumber ? identifier : reinterpret_cast<ObjectNumber>(tree);
}

void BuildRoots(TreeRecord& record) {
    const HWND tree = record.window;
    const bool showDocuments = !(record.flags & HideMyDocuments);
    if (showDocuments && !state.documentsLooked) {
        LearnShellLooks();
        FindDocuments();
    }
    {
        const ProgrammaticSelection programmatic(record);
        const RedrawPause pause(tree);
        SendMessageA(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
        record.computerItem =
            InsertItem(tree, TVI_ROOT, {state.computerLabel, I_IMAGECALLBACK, 1, ComputerParameter});
        AddDriveItems(record);
        if (state.documentsAvailable && showDocuments)
            InsertItem(tree, record.computerItem, {state.documentsLabel, I_IMAGECALLBACK, 1, DocumentsKind});
    }
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(record.computerItem));
    record.rootsFresh = true;
}

void LearnShellLooks() {
    if (state.shellLearnt) return;
    state.shellLearnt = true;
    ComInitialize();
    const std::string windowsFolder = WindowsFolder();
    // The Windows drive is the one drive that is always there and quick to answer.
    const std::string windowsDrive = windowsFolder.substr(0, 3);
    state.imageList = SmallIconList(windowsDrive);
    if (const auto icon = SmallIconOf(windowsFolder)) state.folderIcon = *icon;
    if (const auto icon = SmallIconOf(windowsDrive)) state.plainDriveIcon = *icon;
    FindComputer();
    for (const TreeRecord& record : state.trees) {
        SendMessageA(record.window, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(state.imageList));
        SetItemText(record.window, record.computerItem, state.computerLabel);
        InvalidateRect(record.window, nullptr, TRUE);
    }
}

void RefreshDriveItem(HWND tree, HTREEITEM item, int drive) {
    SetItemContent(tree, item, DriveContent(drive));
}

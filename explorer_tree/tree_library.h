// What the folder tree's files share: item kinds, each tree's record and the library's one state.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <array>
#include <cstddef>
#include <list>
#include <string>
#include <vector>
#include "explorer_tree/explorer_tree.h"
#include "platform/drive_errors.h"
#include "platform/handles.h"
#include "toolkit/controls.h"

// Every item's parameter holds its kind in the low byte and FilledMark once it has been listed.
constexpr int LastDriveKind = 31;  // kinds 0 to 31 are drives, A: being 0
constexpr int ComputerKind = 251;
constexpr int FolderKind = 252;
constexpr int DocumentsKind = 253;
constexpr int FileKind = 255;
constexpr LPARAM FilledMark = 0xFF00;

constexpr int ItemKind(LPARAM parameter) {
    return static_cast<int>(parameter & 0xFF);
}
constexpr bool IsDriveKind(int kind) {
    return kind >= 0 && kind <= LastDriveKind;
}
inline std::string DriveRoot(int drive) {
    return {static_cast<char>('A' + drive), ':', '\\'};
}

struct DriveInfo {
    bool asked = false;
    unsigned generation = 0;  // numbers each question: the answer to an older one is dropped
    std::string label;        // empty until the shell has answered
    int icon = 0;
};

struct ItemLook {
    std::string text;
    int image;
};

struct TreeRecord {
    HWND window = nullptr;          // the tree view
    ObjectNumber number = 0;        // its control number, or its identifier under AutoNumber
    DWORD flags = 0;
    std::string patterns = "*.*";   // file patterns separated by semicolons
    HTREEITEM computerItem = nullptr;
    HWND notReadyDialog = nullptr;  // at most one per tree
    int dialogDrive = 0;
    OwnedIcon dialogIcon;           // shown in the open dialog
    std::string folder;             // what the tree is to show: the path last asked for or chosen
    bool changedByUser = false;     // the user chose an item since the program last set the text
    int programmatic = 0;           // above 0 while the program itself moves the selection
    bool quietProbe = false;        // walking back after a media change: no not-ready dialog
    bool rootsFresh = false;        // nothing listed or refreshed since the roots were built
    DWORD drivesAtBuild = 0;        // the drives there were when the roots were built
};

// While it lives, selection changes are the program's own, not the user's choice.
class ProgrammaticSelection {
public:
    explicit ProgrammaticSelection(TreeRecord& record) : record_(record) { ++record_.programmatic; }
    ~ProgrammaticSelection() { --record_.programmatic; }
    ProgrammaticSelection(const ProgrammaticSelection&) = delete;
    ProgrammaticSelection& operator=(const ProgrammaticSelection&) = delete;

private:
    TreeRecord& record_;
};

struct IconCacheEntry {
    std::string key;  // an upper-case extension of at most four characters
    int icon;
};

struct TreeLibraryState {
    bool initialized = false;
    bool shellLearnt = false;     // the shell's icons and names below are known
    std::list<TreeRecord> trees;  // newest first; a record stays in place while its tree lives
    WNDPROC treeProcedure = nullptr;
    HWND topWindow = nullptr;     // carries TopLevelHook; null once that window is gone
    WNDPROC topProcedure = nullptr;
    HIMAGELIST imageList = nullptr;
    bool documentsLooked = false;   // My Documents is looked for when a tree first shows it
    bool documentsAvailable = false;
    int computerIcon = 0;
    int documentsIcon = 0;
    int folderIcon = 0;
    std::string computerLabel = "My Computer";
    std::string documentsLabel = "My Documents";
    std::string documentsPath;    // ends with a backslash
    ControlOperations operations;
    std::vector<IconCacheEntry> iconCache;
    DriveReadinessQuery readinessQuery = nullptr;  // null: the platform's own
    std::array<DriveInfo, LastDriveKind + 1> drives;
    DWORD drivesToAsk = 0;        // drives whose question waits for the window's thread to take messages
    bool askPosted = false;
    HWND answerWindow = nullptr;  // message-only: takes the asking threads' answers
    DriveNameQuery nameQuery = nullptr;  // null: the shell's own
    int plainDriveIcon = 0;       // shown until a drive's own icon is known
};

TreeLibraryState& TreeLibrary();
// The record of a live tree view, or null.
TreeRecord* FindTree(HWND treeView);

// library.cpp: the root items, and a drive item made afresh: unlisted, with the look it has now.
void BuildRoots(TreeRecord& record);
// Asks the shell for its image list, the folder, drive and My Computer icons and names, once,
// and shows them in every tree.
void LearnShellLooks();
void RefreshDriveItem(HWND tree, HTREEITEM item, int drive);

// drives.cpp
// Without the window, the drives keep their letters and plain icons; the trees work all the same.
void CreateDriveAnswerWindow();
// The drive's name and icon as far as known: its letter and a plain drive icon until the shell has
// answered, which every tree then shows in place. The first call asks.
ItemLook DriveLook(int drive);
// Learns the shell's looks and starts the drives' questions once the window takes messages.
void PostShellQuestions();
// Asks the shell about the drive (again, after a media change), once the window takes messages.
void AskAboutDrive(int drive);

// population.cpp
// The pieces of a list between separators; the list ends at its first empty piece.
std::vector<std::string> SplitList(const std::string& text, char separator);
void OnItemExpanding(TreeRecord& record, const NMTREEVIEWA& change);
// The tree view asks whether a folder has children only when it needs to know.
void OnChildrenWanted(const TreeRecord& record, NMTVDISPINFOA& request);
void SortChildren(const TreeRecord& record, HTREEITEM item);

// icon_cache.cpp: the small system icon of a file, by its extension where that is safe.
int FileIcon(const std::string& path);
std::size_t IconCacheSize();

// selection.cpp
std::string ItemPath(const TreeRecord& record, HTREEITEM item);
std::string SelectedPath(HWND treeView);
void SelectPath(HWND treeView, const std::string& text);
// Expands the tree down to the folder and selects it; selects nothing when that can't be done.
bool ShowFolder(TreeRecord& record, const std::string& folder);
// The tree's state: 1 when the user chose an item since the program last set its text.
int UserChangedSelection(HWND treeView);
void SetUserChangedSelection(HWND treeView, int value);
void OnSelectionChanged(TreeRecord& record, const NMTREEVIEWA& change);
void ReportTreeNotification(const TreeRecord& record, UINT notification);

// readiness.cpp
void HookTopLevelWindow(HWND window);
// False when the listing must wait: the drive is empty, and the tree then shows its dialog.
bool DriveReadyForListing(TreeRecord& record, int drive, const std::string& root);
void CloseNotReadyDialog(const TreeRecord& record);
// The dialog's text with the drive letter in place of its one "%c".
std::string PutDriveLetter(std::string text, char letter);

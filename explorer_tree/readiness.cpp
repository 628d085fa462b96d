// Drives without a medium: the readiness probe, the not-ready dialog and the media-change hook.
#include "explorer_tree/tree_library.h"

#include <dbt.h>
#include <vector>
#include "explorer_tree/not_ready_ids.h"
#include "explorer_tree/shell_info.h"
#include "explorer_tree/tree_items.h"

namespace {

DWORD AskPlatformReadiness(const char* root) {
    DWORD sectors, bytes, freeClusters, clusters;
    return GetDiskFreeSpaceA(root, &sectors, &bytes, &freeClusters, &clusters) ? ERROR_SUCCESS : GetLastError();
}

DWORD AskReadiness(const std::string& root) {
    const DriveReadinessQuery query = TreeLibrary().readinessQuery;
    return query ? query(root.c_str()) : AskPlatformReadiness(root.c_str());
}

std::string DialogItemText(HWND dialog, int control) {
    const HWND item = GetDlgItem(dialog, control);
    std::vector<char> text(GetWindowTextLengthA(item) + 1);
    const int length = GetWindowTextA(item, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), length > 0 ? length : 0);
}

INT_PTR OnNotReadyInit(HWND dialog, TreeRecord& record) {
    record.notReadyDialog = dialog;
    {
        const QuietDriveErrors quiet;
        record.dialogIcon = LargeIconOf(DriveRoot(record.dialogDrive));
    }
    SendDlgItemMessageA(dialog, NotReadyIconId, STM_SETIMAGE, IMAGE_ICON,
                        reinterpret_cast<LPARAM>(record.dialogIcon.Get()));
    const char letter = static_cast<char>('A' + record.dialogDrive);
    SetDlgItemTextA(dialog, NotReadyTextId, PutDriveLetter(DialogItemText(dialog, NotReadyTextId), letter).c_str());
    EnableWindow(record.window, FALSE);
    return TRUE;
}

// However the dialog goes (its buttons, a close message, its owner's end), its tree gets its
// input back and lets go of the icon.
void ReleaseNotReadyDialog(HWND dialog) {
    for (TreeRecord& record : TreeLibrary().trees) {
        if (record.notReadyDialog != dialog) continue;
        record.notReadyDialog = nullptr;
        record.dialogIcon.Reset();
        EnableWindow(record.window, TRUE);
    }
}

INT_PTR CALLBACK NotReadyProcedure(HWND dialog, UINT message, WPARAM first, LPARAM second) {
    switch (message) {
    case WM_INITDIALOG:
        try {
            return OnNotReadyInit(dialog, *reinterpret_cast<TreeRecord*>(second));
        } catch (...) {
            return TRUE;  // out of memory: the dialog shows its template's text
        }
    case WM_COMMAND:
        if (first != IDCANCEL) return FALSE;
        [[fallthrough]];
    case WM_CLOSE:
        // A modeless dialog is destroyed, not ended: ending would only hide it.
        DestroyWindow(dialog);
        return TRUE;
    case WM_DESTROY:
        ReleaseNotReadyDialog(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

// One dialog per drive for all trees together: another tree's dialog about it comes to the front.
void OpenNotReadyDialog(TreeRecord& record, int drive) {
    for (const TreeRecord& other : TreeLibrary().trees) {
        if (!other.notReadyDialog || other.dialogDrive != drive) continue;
        SetActiveWindow(other.notReadyDialog);
        return;
    }
    CloseNotReadyDialog(record);
    record.dialogDrive = drive;
    const HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(NotReadyDialogId),
                                           GetAncestor(record.window, GA_ROOT), NotReadyProcedure,
                                           reinterpret_cast<LPARAM>(&record));
    if (dialog) ShowWindow(dialog, SW_SHOWNORMAL);
}

bool OnDrive(const std::string& path, DWORD units) {
    return path.size() >= 3 && path[0] >= 'A' && path[0] <= 'Z' && (units >> (path[0] - 'A') & 1);
}

// Both a new medium and a removed one make the drive's listing stale: it is dropped, and the
// next expansion lists the drive afresh (a listing kept under a cleared mark would be doubled).
// The tree's folder on that drive is then shown again where it can be.
void ResetDriveItems(TreeRecord& record, DWORD units) {
    const HWND tree = record.window;
    const ProgrammaticSelection programmatic(record);
    for (HTREEITEM child = FirstChild(tree, record.computerItem); child; child = NextSibling(tree, child)) {
        const int kind = ItemKind(ItemParameter(tree, child));
        if (!IsDriveKind(kind) || !(units >> kind & 1)) continue;
        SendMessageA(tree, TVM_EXPAND, TVE_COLLAPSE | TVE_COLLAPSERESET, reinterpret_cast<LPARAM>(child));
        RefreshDriveItem(tree, child, kind);
    }
    if (!OnDrive(record.folder, units)) return;
    record.quietProbe = true;
    // A folder that has gone with its medium is no choice of the user's: the settings keep theirs.
    if (!ShowFolder(record, record.folder)) record.changedByUser = false;
    record.quietProbe = false;
}

void OnDeviceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!header || header->dbch_devicetype != DBT_DEVTYP_VOLUME || header->dbch_size < sizeof(DEV_BROADCAST_VOLUME))
        return;
    const DWORD units = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(data)->dbcv_unitmask;
    for (int drive = 0; drive <= LastDriveKind; ++drive)
        if (units >> drive & 1) AskAboutDrive(drive);
    for (TreeRecord& record : TreeLibrary().trees) {
        if (event == DBT_DEVICEARRIVAL && record.notReadyDialog && (units >> record.dialogDrive & 1))
            CloseNotReadyDialog(record);
        ResetDriveItems(record, units);
    }
}

LRESULT CALLBACK TopLevelHook(HWND window, UINT message, WPARAM first, LPARAM second) {
    TreeLibraryState& library = TreeLibrary();
    const WNDPROC next = library.topProcedure;
    // A tree made later, in another window, hooks that window instead.
    if (message == WM_DESTROY && window == library.topWindow) library.topWindow = nullptr;
    if (message == WM_DEVICECHANGE) {
        try {
            OnDeviceChange(first, second);
        } catch (...) {
            // Out of memory while refreshing: the drive items stay as they were.
        }
    }
    return CallWindowProcA(next, window, message, first, second);
}

}  // namespace

void SetDriveReadinessQuery(DriveReadinessQuery query) {
    TreeLibrary().readinessQuery = query;
}

void HookTopLevelWindow(HWND window) {
    TreeLibraryState& library = TreeLibrary();
    if (library.topWindow) return;
    const HWND top = GetAncestor(window, GA_ROOT);
    if (!top) return;
    library.topWindow = top;
    library.topProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(top, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TopLevelHook)));
}

bool DriveReadyForListing(TreeRecord& record, int drive, const std::string& root) {
    if (AskReadiness(root) != ERROR_NOT_READY || (record.flags & QuietNotReady)) return true;
    // Walking back after a media change is no request of the user's to be answered with a dialog.
    if (!record.quietProbe) OpenNotReadyDialog(record, drive);
    return false;
}

void CloseNotReadyDialog(const TreeRecord& record) {
    if (record.notReadyDialog) SendMessageA(record.notReadyDialog, WM_CLOSE, 0, 0);
}

std::string PutDriveLetter(std::string text, char letter) {
    // Filled in by hand, never through a printf format: any other "%" in the text stays as it is.
    const std::size_t placeholder = text.find("%c");
    if (placeholder != std::string::npos) text.replace(placeholder, 2, 1, letter);
    return text;
}

// The shell, COM and the common dialogs, loaded the first time one of their functions is called.
#include "platform/libraries_on_demand.h"

#include <mutex>

namespace {

struct LibrariesState {
    std::once_flag shellLoaded, comLoaded, dialogsLoaded;
    decltype(&SHGetFileInfoA) getFileInfo = nullptr;
    decltype(&ShellExecuteExA) execute = nullptr;
    decltype(&SHGetSpecialFolderLocation) specialFolder = nullptr;
    decltype(&SHGetPathFromIDListA) folderPath = nullptr;
    decltype(&CoInitialize) initialize = nullptr;
    decltype(&CoUninitialize) uninitialize = nullptr;
    decltype(&CoTaskMemFree) free = nullptr;
    decltype(&GetOpenFileNameA) openDialog = nullptr;
};
LibrariesState state;

template <typename Function>
void Bind(HMODULE library, const char* name, Function& function) {
    if (library) function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// The asking threads call the shell too: each library is bound once, whichever thread comes first.
void LoadShell() {
    std::call_once(state.shellLoaded, [] {
        const HMODULE shell = LoadLibraryA("shell32.dll");
        Bind(shell, "SHGetFileInfoA", state.getFileInfo);
        Bind(shell, "ShellExecuteExA", state.execute);
        Bind(shell, "SHGetSpecialFolderLocation", state.specialFolder);
        Bind(shell, "SHGetPathFromIDListA", state.folderPath);
    });
}

void LoadCom() {
    std::call_once(state.comLoaded, [] {
        const HMODULE com = LoadLibraryA("ole32.dll");
        Bind(com, "CoInitialize", state.initialize);
        Bind(com, "CoUninitialize", state.uninitialize);
        Bind(com, "CoTaskMemFree", state.free);
    });
}

}  // namespace

DWORD_PTR ShellGetFileInfo(const char* path, UINT flags, SHFILEINFOA& info) {
    LoadShell();
    return state.getFileInfo ? state.getFileInfo(path, 0, &info, sizeof info, flags) : 0;
}

BOOL ShellExecuteRequest(SHELLEXECUTEINFOA& request) {
    LoadShell();
    if (state.execute) return state.execute(&request);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
}

HRESULT ShellSpecialFolder(int folder, LPITEMIDLIST& location) {
    LoadShell();
    return state.specialFolder ? state.specialFolder(nullptr, folder, &location) : E_FAIL;
}

BOOL ShellFolderPath(LPCITEMIDLIST location, char* path) {
    LoadShell();
    return state.folderPath ? state.folderPath(location, path) : FALSE;
}

HRESULT ComInitialize() {
    LoadCom();
    return state.initialize ? state.initialize(nullptr) : E_FAIL;
}

void ComUninitialize() {
    LoadCom();
    if (state.uninitialize) state.uninitialize();
}

void ComFree(void* memory) {
    LoadCom();
    if (state.free) state.free(memory);
}

BOOL ChooseFileToOpen(OPENFILENAMEA& request) {
    std::call_once(state.dialogsLoaded, [] { Bind(LoadLibraryA("comdlg32.dll"), "GetOpenFileNameA", state.openDialog); });
    return state.openDialog ? state.openDialog(&request) : FALSE;
}

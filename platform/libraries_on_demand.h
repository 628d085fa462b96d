// The shell, COM and the common dialogs, loaded the first time one of their functions is called:
// a run that needs none of them, a switch that only writes the settings file, starts without them.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include "platform/handles.h"

// Each answers as its namesake does, and as a failure of its own when the library or the function
// can't be had: 0, FALSE or E_FAIL.
DWORD_PTR ShellGetFileInfo(const char* path, UINT flags, SHFILEINFOA& info);  // SHGetFileInfoA
BOOL ShellExecuteRequest(SHELLEXECUTEINFOA& request);                         // ShellExecuteExA
HRESULT ShellSpecialFolder(int folder, LPITEMIDLIST& location);               // SHGetSpecialFolderLocation
BOOL ShellFolderPath(LPCITEMIDLIST location, char* path);                     // SHGetPathFromIDListA
HRESULT ComInitialize();                                                      // CoInitialize
void ComUninitialize();                                                       // CoUninitialize
void ComFree(void* memory);                                                   // CoTaskMemFree
BOOL ChooseFileToOpen(OPENFILENAMEA& request);                                // GetOpenFileNameA

// An item list that the shell made, freed with the COM allocator.
using OwnedItemList = Owned<HandleTraits<LPITEMIDLIST, ComFree>>;

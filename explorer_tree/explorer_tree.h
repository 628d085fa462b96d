// ExplorerTree: a control that shows My Computer, its drives and their folders as a tree.
// Its text is the selected folder's path ending with a backslash; setting a text selects a path.
#pragma once

#include <windows.h>
#include <string>
#include "platform/numbers.h"

// Creation flags; other bits are ignored.
constexpr DWORD FoldersOnly = 0x1;
constexpr DWORD QuietNotReady = 0x10;
constexpr DWORD SortByKind = 0x40;
constexpr DWORD HideMyDocuments = 0x200;
constexpr DWORD NoBorder = 0x100000;
constexpr DWORD KeepSelectionVisible = 0x1000000;
constexpr DWORD HideLines = 0x4000000;
constexpr DWORD HideButtons = 0x8000000;

// Creates a tree in the window that the toolkit currently fills with controls and selects path.
// Returns the tree view's handle, the identifier for AutoNumber, or 0 on failure.
ObjectNumber AddExplorerTree(ObjectNumber number, int x, int y, int width, int height,
                             const std::string& path, DWORD flags);

// Asks whether a drive root ("X:\") holds a medium: ERROR_SUCCESS when it does, otherwise the
// error the platform reports (ERROR_NOT_READY for an empty drive).
using DriveReadinessQuery = DWORD (*)(const char* root);
// Replaces the platform's readiness query, for drives whose state cannot be arranged otherwise;
// null restores the platform's own.
void SetDriveReadinessQuery(DriveReadinessQuery query);

// Asks the shell for a drive root's ("X:\") display name and small icon index; false when it knows
// nothing. The icon comes in as a plain drive's and stays so when the drive isn't asked for it.
// It runs on a thread of its own, never on the window's.
using DriveNameQuery = bool (*)(const std::string& root, std::string& label, int& icon);
// Replaces the shell's question, for drives that can't be made slow or strange otherwise; null
// restores the shell's own. Every drive is asked again, through the new question.
void SetDriveNameQuery(DriveNameQuery query);

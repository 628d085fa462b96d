// The settings file "./Corvane.ini": editor folder, game folder, gamesys name, one line each.
#pragma once

#include <cstddef>
#include <string>
#include "platform/numbers.h"

// A folder text as a folder: "C:\Games\T3", "c:/games/t3/" and "C:\Games\\T3" all give
// "C:\Games\T3\", "C:" gives "C:\". The empty text for anything that names no folder on a drive
// (a network path, "C:folder", control characters, a path longer than the platform takes).
std::string FolderValue(const std::string& text);

// Reads ION_ROOT and the file's lines, and gives the gamesys field its line. The trees are left
// alone: each is shown its folder only when something needs it (ShowLoadedFolder).
void LoadSettings();
// Selects the tree's folder: its line when the file has one, else ION_ROOT. A folder that can't
// be selected leaves the tree with nothing selected.
void ShowLoadedFolder(ObjectNumber tree);
// What the tree was asked to show at start-up, as the file or ION_ROOT gave it; empty if neither
// named anything.
std::string LoadedFolderText(ObjectNumber tree);
// Saves what the player changed during this run; every other line is written back as the file
// holds it now. A failure that loses a change is reported; false then.
bool SaveSettings();
// The same for one line (0 editor folder, 1 game folder, 2 gamesys name) set to value.
bool SaveSettingsLine(std::size_t line, const std::string& value);

// The registry values that tell the game which installation and gamesys file to use.
#pragma once

#include <windows.h>
#include <string>

// The key under HKEY_LOCAL_MACHINE that holds ION_ROOT and GameSysModder.
constexpr const char* GameKey = "Software\\Ion Storm\\Thief - Deadly Shadows";
// The active installation's folder, without a final backslash.
constexpr const char* IonRootValue = "ION_ROOT";
// The full path of the gamesys file in that folder's System folder.
constexpr const char* GamesysValue = "GameSysModder";

// The value's text, or "Error Opening Key" / "Error Reading Key".
std::string ReadRegistryText(HKEY root, const std::string& keyPath, const std::string& valueName);
// 0: the key could neither be opened nor created; 1: opened, value not written; 2: written.
int WriteRegistryText(HKEY root, const std::string& keyPath, const std::string& valueName,
                      const std::string& text);

// Point the registry at the game's (GameTree) or the editor's (EditorTree) installation.
void ActivateGame();
void ActivateEditor();

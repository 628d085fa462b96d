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
// Whether a text that ReadRegistryText gave is one of its two error texts.
bool IsRegistryErrorText(const std::string& text);
// 0: the key could neither be opened nor created; 1: opened, value not written; 2: written.
int WriteRegistryText(HKEY root, const std::string& keyPath, const std::string& valueName,
                      const std::string& text);

// Point the registry at the game's (GameTree) or the editor's (EditorTree) installation. With no
// folder in the tree, or no usable gamesys name, nothing is written; that and a failed write are
// reported, and the result is then false.
bool ActivateGame();
bool ActivateEditor();

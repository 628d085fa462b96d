// The settings file "./Corvane.ini": editor folder, game folder, gamesys name, one line each.
#pragma once

#include <string>

// Fills the trees from the registry's ION_ROOT, then from the file's non-empty lines.
void LoadSettings();
// Writes the three controls' texts.
void SaveSettings();
// Writes the three given lines (what SaveSettings and the setting switches share).
void WriteSettingsFile(const std::string& editorFolder, const std::string& gameFolder,
                       const std::string& gamesysName);

// The launcher's one window: its controls, the event loop and the common exit.
#pragma once

#include "platform/numbers.h"

constexpr ObjectNumber MainWindow = 0;

// Control numbers, fixed: every launcher part reaches the controls by these.
constexpr ObjectNumber LaunchGameButton = 0;
constexpr ObjectNumber LaunchEditorButton = 1;
constexpr ObjectNumber EditorPathLabel = 2;
constexpr ObjectNumber GamePathLabel = 3;
constexpr ObjectNumber EditorTree = 4;
constexpr ObjectNumber GameTree = 5;
constexpr ObjectNumber GamesysLabel = 6;
constexpr ObjectNumber GamesysField = 7;
constexpr ObjectNumber BrowseButton = 8;
constexpr ObjectNumber ActivateGameButton = 9;
constexpr ObjectNumber ActivateEditorButton = 10;

// Creates MainWindow and its eleven controls; false when the window or its control list fails.
bool BuildMainWindow();
// Appends the version suffix to the window's title.
void AppendTitleSuffix();
// Waits for events and dispatches the button clicks until the window is asked to close.
void RunEventLoop();
// The Browse button's action; a cancelled chooser changes nothing.
bool ChooseGamesysFile();
// The common exit: closes every window and file and ends the process: exit code 0 when the last
// thing done worked, 1 when it failed.
[[noreturn]] void EndProgram(int exitCode);

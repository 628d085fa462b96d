// Starting the game and the editor: System\T3.exe of the chosen installation.
#pragma once

// Whether the program was started; a failure is reported. The launcher does not wait for the
// program or keep its process handle.
bool StartGame();
bool StartEditor();

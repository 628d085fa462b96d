// Starting the game and the editor: System\T3.exe of the chosen installation.
#pragma once

#include <cstdint>

// What StartProgram returned: 0 when the program could not be started.
std::intptr_t StartGame();
std::intptr_t StartEditor();

// Starting the game and the editor: System\T3.exe of the chosen installation.
#pragma once

#include <cstdint>

// 0 when the program could not be started, non-zero when it was. The process handle itself is
// closed already: the value only tells success.
std::intptr_t StartGame();
std::intptr_t StartEditor();

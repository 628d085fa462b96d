// The command-line switches, for desktop shortcuts.
#pragma once

// Acts on the first parameter: a known switch does its work and ends the program; an unknown
// one is reported in a message box; either way without one the start-up goes on.
void HandleCommandLine();

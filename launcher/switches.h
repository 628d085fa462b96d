// The command-line switches, for desktop shortcuts.
#pragma once

// Acts on the first parameter: a known switch does its work and ends the program, with exit code 0
// when it worked and 1 after reporting why it didn't; an unknown one is reported in a box, and
// the start-up goes on, as it does without one.
void HandleCommandLine();

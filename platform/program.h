// The program's command-line parameters, and starting other programs through the shell.
#pragma once

#include <cstdint>
#include <string>

constexpr unsigned StartWait = 1;
constexpr unsigned StartHidden = 2;

// Parameter number index of a command line (-1 is the program path); empty when there is none.
std::string ProgramParameter(const std::string& commandLine, int index);
// The next parameter of this process's command line, one per call.
std::string NextProgramParameter();

// 0 on failure, and for an empty program text (nothing is started); otherwise the process
// handle (the caller's to close), or 1 without one. An empty working folder means the program
// text's own folder.
std::intptr_t StartProgram(const std::string& program, const std::string& parameters,
                           const std::string& workingFolder, unsigned flags = 0);

// The program's command-line parameters, and starting other programs through the shell.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

constexpr unsigned StartWait = 1;
constexpr unsigned StartHidden = 2;

// Parameter number index of a command line (-1 is the program path); empty when there is none.
std::string ProgramParameter(const std::string& commandLine, int index);
// The next parameter of this process's command line, one per call; nothing past the last one,
// so a quoted empty parameter ("") can be told from none at all.
std::optional<std::string> NextProgramParameter();

// 0 on failure, with the reason in GetLastError, and for an empty program text (nothing is
// started); otherwise the process handle (the caller's to close), or 1 without one. An empty
// working folder means the program text's own folder. The shell shows no box of its own: the
// caller reports a failure.
std::intptr_t StartProgram(const std::string& program, const std::string& parameters,
                           const std::string& workingFolder, unsigned flags = 0);

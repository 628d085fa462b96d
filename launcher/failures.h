// Failures the player has to know about: one "Error" box, for the window and the switches alike.
#pragma once

#include <windows.h>
#include <string>

// Shows the text in a box titled "Error" and returns false, the result of the failed action.
bool ReportFailure(const std::string& text);
// The system's own sentence for an error code, with subject in place of the "%1" that some of
// them hold.
std::string SystemErrorText(DWORD error, const std::string& subject);
// Under Linux, corvane-linux names a file in CORVANE_OUTCOME where Corvane notes each box it shows
// and its exit code: Proton and umu end with the same codes as Corvane, so only Corvane's own account
// tells its refusal from theirs. The line is added only to a file that is there.
void NoteOutcome(const std::string& line);
// Runs an action; one that runs out of memory fails like any other failure, with its box.
bool Guarded(bool (*action)());

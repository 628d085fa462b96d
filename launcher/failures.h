// Failures the player has to know about: one "Error" box, for the window and the switches alike.
#pragma once

#include <windows.h>
#include <string>

// Shows the text in a box titled "Error" and returns false, the result of the failed action.
bool ReportFailure(const std::string& text);
// The system's own sentence for an error code, with subject in place of the "%1" that some of
// them hold.
std::string SystemErrorText(DWORD error, const std::string& subject);
// Runs an action; one that runs out of memory fails like any other failure, with its box.
bool Guarded(bool (*action)());

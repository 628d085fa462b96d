// The two modal boxes, the message box and the file chooser, modal for the whole thread.
#pragma once

#include <windows.h>
#include <string>

int ShowMessage(const std::string& title, const std::string& text, UINT style = 0);
// The chosen file's full path, or the empty text when cancelled.
// patterns: "Description|*.ext|Description|*.a;*.b"; position counts the pairs from 0.
std::string ChooseFile(const std::string& title, const std::string& defaultFile,
                       const std::string& patterns, int position);
// The text after the last backslash, without surrounding double quotes.
std::string FileNamePart(const std::string& path);
// A name that a file could have: not empty, at most 255 characters, no folder part or wildcard.
bool IsPlainFileName(const std::string& text);

void DisableThreadWindows();
void ReenableThreadWindows();
HWND DialogOwner();

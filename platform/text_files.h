// Numbered text files read and written line by line, CR LF at the end of each written line.
#pragma once

#include <string>
#include <vector>
#include "platform/numbers.h"

void InitTextFiles();
// Open for reading and writing, created empty when missing. Returns the handle under
// AutoNumber, else the platform file handle; 0 on failure, and for a number that is neither
// AutoNumber nor 0 to HighestTableNumber. On success the file becomes current; on failure no file is.
ObjectNumber OpenTextFile(ObjectNumber number, const std::string& fileName);
// Open an existing file for reading only, for a file that can't be opened for writing.
ObjectNumber OpenTextFileToRead(ObjectNumber number, const std::string& fileName);
// Create, or empty an existing file, for writing.
ObjectNumber CreateTextFile(ObjectNumber number, const std::string& fileName);
// Closing the current file leaves no file current.
void CloseTextFile(ObjectNumber file);
void CloseAllTextFiles();
// -1 at the end of the file, 0 otherwise; the position stays where it was.
int AtEndOfFile(ObjectNumber file);
// The next line of the current file, without its line end; the empty text at the end. A line
// longer than 64 KiB is cut there and the rest of it skipped.
std::string ReadTextLine();
// Writes the text and CR LF to the current file; returns the number of bytes written.
int WriteTextLine(const std::string& text);
// Writes the lines, each ended by CR LF, to a new file beside fileName, then puts it in
// fileName's place in one step, waiting up to two seconds for a file that another program holds.
// On any failure (a full disk, a locked or read-only file) the old file stays as it was, no
// temporary file is left behind, and GetLastError says why.
bool ReplaceTextFile(const std::string& fileName, const std::vector<std::string>& lines);
// The highest table number in use so far: 10 at first, raised past any number opened under.
ObjectNumber TextFileBound();

// The command line's parameters one at a time, and starting programs through the shell.
#include "platform/program.h"

#include <windows.h>
#include "platform/libraries_on_demand.h"

namespace {

struct ProgramState {
    int parameterCounter = 0;  // only grows: every call moves on to the next parameter
};
ProgramState state;

struct Token {
    size_t begin;
    size_t end;
    size_t next;  // where the search for the following token starts
};

// Spaces alone separate tokens; a double quote groups up to the next one or the line's end,
// and what follows a closing quote starts a new token even without a space.
Token TokenAt(const std::string& line, size_t position) {
    if (line[position] == '"') {
        const size_t close = line.find('"', position + 1);
        if (close == std::string::npos) return {position + 1, line.size(), line.size()};
        return {position + 1, close, close + 1};
    }
    const size_t space = line.find(' ', position);
    const size_t end = space == std::string::npos ? line.size() : space;
    return {position, end, end};
}

// The program text up to and with its last backslash, or nothing when the only backslash,
// if any, is the first character.
std::string DefaultWorkingFolder(const std::string& program) {
    const size_t backslash = program.find_last_of('\\');
    if (backslash == std::string::npos || backslash == 0) return {};
    return program.substr(0, backslash + 1);
}

// Spaces after the last parameter read like the end of the line.
std::optional<std::string> FindParameter(const std::string& commandLine, int index) {
    size_t position = 0;
    for (int number = -1; number <= index; ++number) {
        position = commandLine.find_first_not_of(' ', position);
        if (position == std::string::npos) return std::nullopt;
        const Token token = TokenAt(commandLine, position);
        if (number == index) return commandLine.substr(token.begin, token.end - token.begin);
        position = token.next;
    }
    return std::nullopt;
}

}  // namespace

std::string ProgramParameter(const std::string& commandLine, int index) {
    return FindParameter(commandLine, index).value_or("");
}

std::optional<std::string> NextProgramParameter() {
    return FindParameter(GetCommandLineA(), state.parameterCounter++);
}

std::intptr_t StartProgram(const std::string& program, const std::string& parameters,
                           const std::string& workingFolder, unsigned flags) {
    if (program.empty()) return 0;
    const std::string folder = workingFolder.empty() ? DefaultWorkingFolder(program) : workingFolder;
    SHELLEXECUTEINFOA request{};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    request.lpVerb = "Open";
    request.lpFile = program.c_str();
    request.lpParameters = parameters.c_str();
    request.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    request.nShow = (flags & StartHidden) ? SW_HIDE : SW_SHOWNORMAL;
    if (!ShellExecuteRequest(request)) return 0;
    if (!request.hProcess) return 1;
    if (flags & StartWait) WaitForSingleObject(request.hProcess, INFINITE);
    return reinterpret_cast<std::intptr_t>(request.hProcess);
}

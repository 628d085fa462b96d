// Failures the player has to know about: one "Error" box, for the window and the switches alike.
#include "launcher/failures.h"

#include <algorithm>
#include <new>
#include "platform/handles.h"
#include "platform/modal_boxes.h"

bool ReportFailure(const std::string& text) {
    std::string line = text;
    std::replace_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    NoteOutcome("box " + line);
    ShowMessage("Error", text, MB_ICONERROR);
    return false;
}

void NoteOutcome(const std::string& line) {
    // The path is the player's, in any script: the wide variable and call keep what the code page can't.
    const DWORD size = GetEnvironmentVariableW(L"CORVANE_OUTCOME", nullptr, 0);
    std::wstring path(size, L'\0');
    if (!size || GetEnvironmentVariableW(L"CORVANE_OUTCOME", path.data(), size) != size - 1) return;
    OwnedFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    const std::string text = line + "\r\n";
    DWORD written = 0;
    if (file) WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::string SystemErrorText(DWORD error, const std::string& subject) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<char*>(&text), 0, nullptr);
    std::string sentence = length ? std::string(text, length) : "Error " + std::to_string(error) + ".";
    LocalFree(text);
    // The system ends its sentences with a line break of its own.
    while (!sentence.empty() && (sentence.back() == '\n' || sentence.back() == '\r')) sentence.pop_back();
    // The inserts were left alone (a sentence may ask for more than there is): only %1 is known.
    if (const std::size_t insert = sentence.find("%1"); insert != std::string::npos) sentence.replace(insert, 2, subject);
    return sentence;
}

bool Guarded(bool (*action)()) {
    try {
        return action();
    } catch (const std::bad_alloc&) {
        return ReportFailure("Corvane ran out of memory and stopped what it was doing.");
    }
}

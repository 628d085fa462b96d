// Failures the player has to know about: one "Error" box, for the window and the switches alike.
#include "launcher/failures.h"

#include <new>
#include "platform/modal_boxes.h"

bool ReportFailure(const std::string& text) {
    ShowMessage("Error", text, MB_ICONERROR);
    return false;
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

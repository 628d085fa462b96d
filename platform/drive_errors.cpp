// Drive errors without the system's own boxes.
#include "platform/drive_errors.h"

namespace {

using ThreadErrorModeSetter = BOOL(WINAPI*)(DWORD, DWORD*);

}  // namespace

QuietDriveErrors::QuietDriveErrors() {
    // Where the system has it, the mode is this thread's alone: a tree's listing must not switch
    // it off under another thread's drive question.
    const auto setter = reinterpret_cast<ThreadErrorModeSetter>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetThreadErrorMode")));
    if (setter && setter(SEM_FAILCRITICALERRORS, &previous_)) {
        setter_ = reinterpret_cast<void*>(setter);
        return;
    }
    previous_ = SetErrorMode(SEM_FAILCRITICALERRORS);
}

QuietDriveErrors::~QuietDriveErrors() {
    if (setter_) {
        reinterpret_cast<ThreadErrorModeSetter>(setter_)(previous_, nullptr);
    } else {
        SetErrorMode(previous_);
    }
}

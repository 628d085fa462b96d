// Drive errors without the system's own boxes.
#pragma once

#include <windows.h>

// While it lives, a drive without a medium fails a call instead of asking for a disk in a box of
// the system's own; for this thread only where the system allows it.
class QuietDriveErrors {
public:
    QuietDriveErrors();
    ~QuietDriveErrors();
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    DWORD previous_ = 0;
    void* setter_ = nullptr;  // the thread's own mode setter, when the system has one
};

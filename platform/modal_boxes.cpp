// The message box and the file chooser, with the thread's other windows disabled around them.
#include "platform/modal_boxes.h"

#include <windows.h>
#include <commdlg.h>
#include <algorithm>
#include <cstring>
#include <vector>
#include "platform/libraries_on_demand.h"

namespace {

constexpr DWORD NameAreaSize = 10000;
// No file system takes a longer name; the chooser's name area holds one with room to spare.
constexpr std::size_t LongestFileName = 255;
static_assert(LongestFileName < NameAreaSize);
constexpr DWORD ChooserFlags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;

struct DisabledWindow {
    DWORD thread;
    HWND window;
};

struct ModalBoxesState {
    std::vector<DisabledWindow> disabled;  // one record per window a box has disabled
    std::vector<char> nameArea = std::vector<char>(NameAreaSize);  // the chooser's file name
};
ModalBoxesState state;

BOOL CALLBACK DisableIfModalTarget(HWND window, LPARAM foreground) {
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId() && IsWindowVisible(window) &&
        IsWindowEnabled(window) && window != reinterpret_cast<HWND>(foreground)) {
        EnableWindow(window, FALSE);
        state.disabled.push_back({GetCurrentThreadId(), window});
    }
    return TRUE;
}

// The platform's filter list: description and pattern as zero-ended strings, then one more zero.
std::string FilterList(const std::string& patterns) {
    std::string list = patterns + std::string(2, '\0');
    std::replace(list.begin(), list.end(), '|', '\0');
    return list;
}

// Splits the default file into the initial folder and the name the dialog starts with; a name
// that is no plain file name (a wildcard, a folder part) would confuse the dialog, so it goes.
std::string PrepareNameArea(const std::string& defaultFile) {
    std::fill(state.nameArea.begin(), state.nameArea.end(), '\0');
    const size_t backslash = defaultFile.find_last_of('\\');
    const bool hasFolder = backslash != std::string::npos && backslash > 0;
    const std::string name = hasFolder ? defaultFile.substr(backslash + 1) : defaultFile;
    if (IsPlainFileName(name))
        std::copy(name.begin(), name.end(), state.nameArea.begin());
    return hasFolder ? defaultFile.substr(0, backslash) : std::string();
}

std::string NameAreaText() {
    const auto end = std::find(state.nameArea.begin(), state.nameArea.end(), '\0');
    return std::string(state.nameArea.begin(), end);
}

}  // namespace

void DisableThreadWindows() {
    EnumWindows(DisableIfModalTarget, reinterpret_cast<LPARAM>(GetForegroundWindow()));
}

void ReenableThreadWindows() {
    const DWORD thread = GetCurrentThreadId();
    for (const DisabledWindow& record : state.disabled)
        if (record.thread == thread) EnableWindow(record.window, TRUE);
    std::erase_if(state.disabled, [thread](const DisabledWindow& record) { return record.thread == thread; });
}

HWND DialogOwner() {
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    if (foreground) GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? foreground : nullptr;
}

int ShowMessage(const std::string& title, const std::string& text, UINT style) {
    DisableThreadWindows();
    const int result = MessageBoxA(DialogOwner(), text.c_str(), title.c_str(), style);
    ReenableThreadWindows();
    return result;
}

std::string ChooseFile(const std::string& title, const std::string& defaultFile,
                       const std::string& patterns, int position) {
    const std::string filters = FilterList(patterns);
    const std::string initialFolder = PrepareNameArea(defaultFile);
    OPENFILENAMEA request{};
    // The size of the classic request, without the places bar's members.
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = DialogOwner();
    request.lpstrFilter = filters.c_str();
    request.nFilterIndex = static_cast<DWORD>(position) + 1;
    request.lpstrFile = state.nameArea.data();
    request.nMaxFile = NameAreaSize;
    request.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    request.lpstrTitle = title.c_str();
    request.Flags = ChooserFlags;
    DisableThreadWindows();
    const BOOL chosen = ChooseFileToOpen(request);
    ReenableThreadWindows();
    return chosen ? NameAreaText() : std::string();
}

std::string FileNamePart(const std::string& path) {
    std::string part = path.starts_with('"') ? path.substr(1) : path;
    const size_t backslash = part.find_last_of('\\');
    if (backslash != std::string::npos) part.erase(0, backslash + 1);
    return part.substr(0, part.find('"'));
}

bool IsPlainFileName(const std::string& text) {
    if (text.empty() || text.size() > LongestFileName) return false;
    return std::none_of(text.begin(), text.end(), [](char c) {
        return static_cast<unsigned char>(c) < 32 || std::strchr("\"\\/:*?<>|", c) != nullptr;
    });
}
